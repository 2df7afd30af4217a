#pragma once

#include "ui/TEventHandler.h"

#include <QString>

// The application as an event handler: loads the menu bar of an interface file and turns
// command events into HandleCommand and UpdateCommandStatus.
class TApplication : public TEventHandler {
public:
    TApplication(const QString& menuBarName, const QString& nibName);
    ~TApplication() override = default;

    OSStatus HandleEvent(EventHandlerCallRef callRef, TCarbonEvent& event) override;
    EventTargetRef GetEventTarget() override;

    // Runs the application event loop until it is quit.
    virtual OSStatus Run();
    virtual void Activated() {}
    virtual void Deactivated() {}
    virtual bool UpdateCommandStatus(const HICommandExtended& command);
    virtual bool HandleCommand(const HICommandExtended& command);

private:
    OSStatus Init(const QString& menuBarName, const QString& nibName);
};
