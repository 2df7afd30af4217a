// Mouse-tracking regions: parts of a window that tell a control's handlers when the pointer
// enters and leaves them.

#include "platform/Events.h"
#include "platform/WindowSystemObjects.h"
#include "platform/Windowing.h"

#include <QCursor>
#include <QWidget>
#include <algorithm>

namespace platform {

namespace detail {

void updateTrackingForControl(ControlRef control, const std::optional<QPoint>& contentPos) {
    if (!isLiveControl(control) || !IsValidWindowPtr(control->window))
        return;
    std::vector<UInt32> changes; // event kinds
    for (const auto& region : control->window->trackingRegions) {
        if (region->target.lock() != control->target)
            continue;
        const bool inside = contentPos && region->rect.contains(*contentPos);
        if (inside != region->inside) {
            region->inside = inside;
            changes.push_back(inside ? kEventMouseEntered : kEventMouseExited);
        }
    }
    for (const UInt32 kind : changes) {
        if (!isLiveControl(control))
            return;
        EventRef event = CreateEvent(kEventClassMouse, kind);
        sendFromQt(control, event);
        ReleaseEvent(event);
    }
}

} // namespace detail

OSStatus CreateMouseTrackingRegion(WindowRef window, const Rect& rect, RgnHandle /*clip*/,
                                   UInt32 /*options*/, MouseTrackingRegionID /*id*/,
                                   void* /*refCon*/, EventTargetRef target,
                                   MouseTrackingRef* outRef) {
    if (outRef)
        *outRef = nullptr;
    if (!IsValidWindowPtr(window) || !target || !outRef)
        return paramErr;
    auto region = std::make_unique<OpaqueMouseTrackingRef>();
    region->rect = QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1));
    region->target = target->shared_from_this();
    if (const ControlRef control = target->control;
        detail::isLiveControl(control) && control->widget && window->content) {
        control->widget->setMouseTracking(true);
        // A region made under the pointer starts inside, so that leaving it is noticed.
        if (control->widget->underMouse())
            region->inside = region->rect.contains(window->content->mapFromGlobal(QCursor::pos()));
    }
    *outRef = region.get();
    window->trackingRegions.push_back(std::move(region));
    return 0;
}

OSStatus ReleaseMouseTrackingRegion(MouseTrackingRef region) {
    if (!region)
        return paramErr;
    for (const WindowRef window : detail::allWindows()) {
        auto& regions = window->trackingRegions;
        const auto found = std::find_if(regions.begin(), regions.end(),
                                        [&](const auto& entry) { return entry.get() == region; });
        if (found != regions.end()) {
            regions.erase(found);
            return 0;
        }
    }
    return paramErr;
}

} // namespace platform
