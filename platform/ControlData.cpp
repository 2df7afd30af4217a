// Control data: the tagged values a control's view answers first, and the widget's own
// texts, tabs, popup menu and kind after it.

#include "platform/Events.h"
#include "platform/WindowSystemObjects.h"
#include "platform/Windowing.h"

#include <QComboBox>
#include <QLabel>
#include <QTabWidget>

using platform::detail::setParam;

namespace platform {

namespace detail {

OSStatus askView(ControlRef control, UInt32 kind, ControlPartCode part, OSType tag, Size size,
                 void* buffer, Size* outSize) {
    EventRef event = CreateEvent(kEventClassControl, kind);
    setParam(event, kEventParamControlPart, typeControlPartCode, part);
    setParam(event, kEventParamControlDataTag, typeEnumeration, tag);
    setParam(event, kEventParamControlDataBuffer, typePtr, buffer);
    setParam(event, kEventParamControlDataBufferSize, typeLongInteger, size);
    const OSStatus result = SendEventToEventTarget(event, control->target.get());
    if (result == 0 && outSize)
        GetEventParameter(event, kEventParamControlDataBufferSize, typeLongInteger, nullptr,
                          sizeof *outSize, nullptr, outSize);
    ReleaseEvent(event);
    return result;
}

} // namespace detail

OSStatus SetControlData(ControlRef control, ControlPartCode part, OSType tag, Size size,
                        const void* data) {
    if (!detail::isLiveControl(control) || !control->widget)
        return paramErr;
    const OSStatus viewResult = detail::askView(control, kEventControlSetData, part, tag, size,
                                                const_cast<void*>(data), nullptr);
    if (viewResult != eventNotHandledErr)
        return viewResult;
    QWidget* widget = control->widget;
    switch (tag) {
    case kControlStaticTextCFStringTag: {
        if (size != Size(sizeof(QString)) || !data)
            return errDataSizeMismatch;
        auto* label = qobject_cast<QLabel*>(widget);
        if (!label)
            return errDataNotSupported;
        label->setText(detail::labelText(*static_cast<const QString*>(data)));
        return 0;
    }
    case kControlTabInfoTag: {
        if (size != Size(sizeof(ControlTabInfoRecV1)) || !data)
            return errDataSizeMismatch;
        const auto& info = *static_cast<const ControlTabInfoRecV1*>(data);
        if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
            if (part < 1 || part > tabs->count())
                return errInvalidPartCode;
            tabs->setTabText(part - 1, info.name);
            return 0;
        }
        return errDataNotSupported;
    }
    default:
        return errDataNotSupported;
    }
}

OSStatus GetControlData(ControlRef control, ControlPartCode part, OSType tag, Size bufferSize,
                        void* outData, Size* outActualSize) {
    if (!detail::isLiveControl(control) || !control->widget)
        return paramErr;
    const OSStatus viewResult = detail::askView(control, kEventControlGetData, part, tag,
                                                bufferSize, outData, outActualSize);
    if (viewResult != eventNotHandledErr)
        return viewResult;
    QWidget* widget = control->widget;
    auto fits = [&](Size needed) {
        if (outActualSize)
            *outActualSize = needed;
        return bufferSize == needed && outData;
    };
    switch (tag) {
    case kControlTabInfoTag: {
        auto* tabs = qobject_cast<QTabWidget*>(widget);
        if (!tabs)
            return errDataNotSupported;
        if (part < 1 || part > tabs->count())
            return errInvalidPartCode;
        if (!fits(sizeof(ControlTabInfoRecV1)))
            return errDataSizeMismatch;
        auto& info = *static_cast<ControlTabInfoRecV1*>(outData);
        info.version = 1;
        info.iconSuiteID = 0;
        info.name = tabs->tabText(part - 1);
        return 0;
    }
    case kControlPopupButtonMenuHandleTag: {
        auto* combo = qobject_cast<QComboBox*>(widget);
        if (!combo)
            return errDataNotSupported;
        if (!fits(sizeof(MenuRef)))
            return errDataSizeMismatch;
        if (!control->popupMenu) {
            control->popupMenu = std::make_unique<OpaqueMenuRef>();
            control->popupMenu->combo = combo;
            detail::watchMenu(control->popupMenu.get());
        }
        *static_cast<MenuRef*>(outData) = control->popupMenu.get();
        return 0;
    }
    default:
        return errDataNotSupported;
    }
}

} // namespace platform
