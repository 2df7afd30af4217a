#pragma once

#include "ui/TEventHandler.h"

#include <QString>

// One window made from an interface file, as an event handler. The window system's window
// is tied to the object through the window property 'hifr'/'twin'.
class TWindow : public TEventHandler {
public:
    // A null window when the interface file or the window cannot be made.
    TWindow(const QString& windowName, const QString& nibName);
    ~TWindow() override;

    OSStatus HandleEvent(EventHandlerCallRef callRef, TCarbonEvent& event) override;
    EventTargetRef GetEventTarget() override;

    virtual void Show();
    virtual void Hide();
    // Hides the window and deletes the object.
    virtual void Close();
    virtual void Draw() {}
    virtual void Activated() {}
    virtual void Deactivated() {}
    virtual void Moved() {}
    virtual void Resized() {}
    // Sizes as (height, width); 0,0 leaves the window system's own.
    virtual Point GetIdealSize() { return {0, 0}; }
    virtual Point GetMinimumSize() { return {0, 0}; }
    virtual Point GetMaximumSize() { return {0, 0}; }
    virtual bool UpdateCommandStatus(const HICommandExtended& command);
    virtual bool HandleCommand(const HICommandExtended& command);

    WindowRef GetWindowRef() const { return fWindow; }
    static TWindow* GetTWindowFromWindowRef(WindowRef window);
    ControlRef GetView(const ControlID& id) const;
    ControlRef GetView(OSType signature, long id) const;

protected:
    OSStatus Init(const QString& windowName, const QString& nibName);
    OSStatus Init(WindowRef window);

private:
    WindowRef fWindow = nullptr;
};
