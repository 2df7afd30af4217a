#include "ui/CImagePushButton.h"

#include "config/UFile.h"
#include "localize/Localize.h"
#include "platform/Drawing.h"
#include "platform/Events.h"
#include "platform/Windowing.h"
#include "ui/TCarbonEvent.h"

#include <cstring>

namespace {

const EventTypeSpec kImagePushButtonMouseEvents[] = {
    {kEventClassMouse, kEventMouseEntered},
    {kEventClassMouse, kEventMouseExited},
    {kEventClassControl, kEventControlBoundsChanged},
    {kEventClassControl, kEventControlGetFocusPart},
    {kEventClassControl, kEventControlVisibilityChanged},
    {kEventClassControl, kEventControlInitialize},
};

constexpr ControlPartCode kPressedPart = 1;
constexpr ControlPartCode kMouseOverPart = 2;
constexpr Size kPropertyBufferSize = 256;
// Keeps wrapped text (Japanese breaks anywhere) off the card's right edge.
constexpr CGFloat kTextRightMargin = 14.0;

} // namespace

const QString CImagePushButton::kClassID = QStringLiteral("org.trellis.HIImagePushButton");
bool CImagePushButton::sRegistered = false;

OSStatus CImagePushButton::RegisterClass() {
    if (!sRegistered) {
        const OSStatus result = TView::RegisterSubclass(kClassID, Construct);
        if (result != noErr)
            return result;
        sRegistered = true;
    }
    return noErr;
}

OSStatus CImagePushButton::Construct(ControlRef control, TView** outView) {
    *outView = new CImagePushButton(control);
    return noErr;
}

CImagePushButton::CImagePushButton(ControlRef control) : TView(control) {
    ChangeAutoInvalidateFlags(kAutoInvalidateOnHilite, 0);
    platform::InstallEventHandler(platform::GetControlEventTarget(control), CustomEventHandler,
                                  sizeof kImagePushButtonMouseEvents /
                                      sizeof kImagePushButtonMouseEvents[0],
                                  kImagePushButtonMouseEvents, this, &fCustomHandler);
}

CImagePushButton::~CImagePushButton() {
    // The control may outlive the view: nothing may call back into it.
    if (fCustomHandler)
        platform::RemoveEventHandler(fCustomHandler);
    if (fTrackingRef)
        platform::ReleaseMouseTrackingRegion(fTrackingRef);
}

QString CImagePushButton::ReadTextProperty(OSType tag) const {
    char buffer[kPropertyBufferSize + 1] = {}; // one spare byte: always terminated
    Size actual = 0;
    if (platform::GetControlProperty(GetViewRef(), kPropertyCreator, tag, kPropertyBufferSize,
                                     &actual, buffer) != noErr)
        return QString();
    return QString::fromUtf8(buffer, qsizetype(std::strlen(buffer)));
}

OSStatus CImagePushButton::GetImageRef(OSType tag, CGImageRef* out) {
    const QString name = ReadTextProperty(tag);
    if (name.isNull())
        return errControlPropertyNotFound;
    const QUrl url = UFile::GetAppResourceFileURL(name);
    if (url.isEmpty())
        return paramErr;
    // The picture for the screen the button is on: the double-size one at scale 2.
    CGImageRef image =
        platform::CGImageCreateWithPNGFile(url, platform::HIViewGetScaleFactor(GetViewRef()));
    if (!image)
        return paramErr;
    *out = std::move(image);
    return noErr;
}

void CImagePushButton::Draw(RgnHandle limitRegion, CGContextRef context) {
    const ControlPartCode hilite = platform::GetControlHilite(GetViewRef());
    OSType tag = "IMG0"_4cc;
    CGImageRef* image = &fNormalImage;
    if (hilite == kPressedPart) {
        tag = "IMG2"_4cc;
        image = &fPressedImage;
    } else if (hilite == kMouseOverPart) {
        tag = "IMG1"_4cc;
        image = &fOverImage;
    }
    if (!*image)
        GetImageRef(tag, image);
    DrawImage(limitRegion, context, *image);
    DrawText(limitRegion, context);
    // Keyboard users need to see which tool Space or Return will start.
    platform::HIThemeDrawFocusRect(context, Bounds());
}

void CImagePushButton::DrawImage(RgnHandle, CGContextRef context, const CGImageRef& image) {
    if (image)
        platform::HIViewDrawCGImage(context, Bounds(), image);
}

void CImagePushButton::DrawText(RgnHandle, CGContextRef context) {
    if (CLocalize* localize = CLocalize::GetInstance()) {
        if (fTitle.isNull()) {
            const QString stringID = ReadTextProperty("EXP0"_4cc);
            QString text;
            if (!stringID.isNull() &&
                localize->GetLocalizeString(stringID.toUtf8().constData(), text, nullptr, nullptr))
                fTitle = text;
        }
        if (fDescription.isNull()) {
            const QString stringID = ReadTextProperty("EXP1"_4cc);
            QString text;
            if (!stringID.isNull() &&
                localize->GetLocalizeString(stringID.toUtf8().constData(), text, nullptr, nullptr))
                fDescription = text;
        }
    }

    HIThemeTextInfo textInfo;
    textInfo.version = 0;
    textInfo.state = kThemeStateActive;
    textInfo.fontID = kThemeSystemFont;
    textInfo.horizontalFlushness = kHIThemeTextHorizontalFlushLeft;
    textInfo.verticalFlushness = kHIThemeTextVerticalFlushTop;
    textInfo.options = 0;
    textInfo.truncationPosition = kHIThemeTextTruncationEnd;
    textInfo.truncationMaxLines = 10;

    CGRect box = Bounds();
    box.origin.x += 100.0;
    box.size.width -= 100.0 + kTextRightMargin;
    box.origin.y += 5.0;
    box.size.height -= 5.0;
    if (!fTitle.isNull() && box.size.width > 0 && box.size.height > 0)
        platform::HIThemeDrawTextBox(fTitle, box, &textInfo, context, kHIThemeOrientationNormal);

    box.origin.y += 20.0;
    box.size.height -= 20.0;
    textInfo.fontID = kThemeSmallSystemFont;
    if (!fDescription.isNull() && box.size.width > 0 && box.size.height > 0)
        platform::HIThemeDrawTextBox(fDescription, box, &textInfo, context,
                                     kHIThemeOrientationNormal);
}

ControlPartCode CImagePushButton::HitTest(const CGPoint& where) {
    const CGRect bounds = Bounds();
    const bool inside = where.x >= bounds.origin.x && where.y >= bounds.origin.y &&
                        where.x < bounds.origin.x + bounds.size.width &&
                        where.y < bounds.origin.y + bounds.size.height;
    return inside ? kPressedPart : kControlNoPart;
}

void CImagePushButton::SetMouseTrackingRegion() {
    if (fTrackingRef) {
        platform::ReleaseMouseTrackingRegion(fTrackingRef);
        fTrackingRef = nullptr;
    }
    if (!IsVisible())
        return;
    const CGRect frame = Frame();
    Rect rect;
    rect.top = short(frame.origin.y);
    rect.left = short(frame.origin.x);
    rect.bottom = short(rect.top + short(frame.size.height));
    rect.right = short(rect.left + short(frame.size.width));
    const MouseTrackingRegionID id{kPropertyCreator, 0};
    platform::CreateMouseTrackingRegion(GetOwner(), rect, nullptr, 0, id, nullptr,
                                        platform::GetControlEventTarget(GetViewRef()),
                                        &fTrackingRef);
}

OSStatus CImagePushButton::HandleMouseEvent(EventHandlerCallRef, TCarbonEvent& event) {
    if (!IsActive()) {
        platform::HiliteControl(GetViewRef(), kControlNoPart);
        return noErr;
    }
    switch (event.GetKind()) {
    case kEventMouseEntered:
        platform::HiliteControl(GetViewRef(), kMouseOverPart);
        return noErr;
    case kEventMouseExited:
        platform::HiliteControl(GetViewRef(), kControlNoPart);
        return noErr;
    default:
        return eventNotHandledErr;
    }
}

OSStatus CImagePushButton::CustomEventHandler(EventHandlerCallRef callRef, EventRef event,
                                              void* view) {
    TCarbonEvent wrapped(event);
    auto* button = static_cast<CImagePushButton*>(view);
    if (wrapped.GetClass() == kEventClassMouse)
        return button->HandleMouseEvent(callRef, wrapped);
    if (wrapped.GetClass() == kEventClassControl) {
        switch (wrapped.GetKind()) {
        case kEventControlBoundsChanged:
        case kEventControlGetFocusPart:
        case kEventControlVisibilityChanged:
        case kEventControlInitialize:
            button->SetMouseTrackingRegion();
            break;
        default:
            break;
        }
    }
    return eventNotHandledErr;
}
