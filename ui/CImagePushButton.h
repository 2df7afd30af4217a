#pragma once

#include "ui/TView.h"

#include <QString>

// A push button that draws one of three pictures by its state (normal, mouse over,
// pressed) and a title and a description to the right of the picture's margin. Pictures
// and texts come from the control's properties of creator 'CIPB': 'IMG0', 'IMG1', 'IMG2'
// (PNG files of the application's resources) and 'EXP0', 'EXP1' (string identifiers).
class CImagePushButton : public TView {
public:
    static constexpr ControlKind kMyKind{"CIPB"_4cc, "CIPB"_4cc};
    static constexpr OSType kPropertyCreator = "CIPB"_4cc;
    static const QString kClassID;

    // Registers the view class once.
    static OSStatus RegisterClass();
    static OSStatus Construct(ControlRef control, TView** outView);

    explicit CImagePushButton(ControlRef control);
    ~CImagePushButton() override;

    ControlKind GetKind() override { return kMyKind; }
    void Draw(RgnHandle limitRegion, CGContextRef context) override;
    // Part 1 inside the bounds; the right and bottom edges are outside.
    ControlPartCode HitTest(const CGPoint& where) override;

    virtual void DrawImage(RgnHandle limitRegion, CGContextRef context, const CGImageRef& image);
    virtual void DrawText(RgnHandle limitRegion, CGContextRef context);

    // Loads the picture named by the property; out stays as it was on any failure.
    OSStatus GetImageRef(OSType tag, CGImageRef* out);
    void SetMouseTrackingRegion();
    OSStatus HandleMouseEvent(EventHandlerCallRef callRef, TCarbonEvent& event);
    static OSStatus CustomEventHandler(EventHandlerCallRef callRef, EventRef event, void* view);

    // The region now in force; null when the button has none.

private:
    // The property's text, up to its NUL; null when it is absent.
    QString ReadTextProperty(OSType tag) const;

    QString fTitle;       // null until first drawn
    QString fDescription; // null until first drawn
    CGImageRef fPressedImage;
    CGImageRef fOverImage;
    CGImageRef fNormalImage;
    MouseTrackingRef fTrackingRef = nullptr;
    EventHandlerRef fCustomHandler = nullptr;

    static bool sRegistered;
};
