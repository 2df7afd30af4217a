#pragma once

// The objects behind the window system's opaque references. Private to platform/.

#include "platform/Events.h"
#include "platform/WindowTypes.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QEvent;
class QEventLoop;
class QMenu;
class QPainter;
class QWidget;

struct OpaqueEventHandlerRef {
    OpaqueEventTargetRef* target = nullptr; // null once removed or its target went away
    EventHandlerUPP proc = nullptr;
    void* userData = nullptr;
    std::vector<EventTypeSpec> types;

    bool wants(UInt32 eventClass, UInt32 eventKind) const;
};

struct OpaqueEventTargetRef : std::enable_shared_from_this<OpaqueEventTargetRef> {
    ~OpaqueEventTargetRef();
    // Oldest first; dispatch runs them newest first.
    std::vector<std::shared_ptr<OpaqueEventHandlerRef>> handlers;
    // The bottom of the stack: Qt's default for records made from Qt events, else the
    // platform's own default. Null answers eventNotHandledErr.
    std::function<OSStatus(EventRef)> standard;
    // Where unhandled command events travel on; null at the top.
    std::function<EventTargetRef()> container;
    ControlRef control = nullptr; // the control this target belongs to, if any

    // Forgets every handler (the owner goes away).
    void clear();
};

struct OpaqueEventRef {
    struct Param {
        EventParamType type;
        QByteArray data;
    };
    UInt32 eventClass = 0;
    UInt32 eventKind = 0;
    int refCount = 1;
    std::map<EventParamName, Param> params;
    // The Qt event this record was made from; the standard handler runs Qt's own
    // handling of it once.
    QObject* qtReceiver = nullptr;
    QEvent* qtEvent = nullptr;
    bool qtDefaultDone = false;
};

struct OpaqueEventHandlerCallRef {
    std::shared_ptr<OpaqueEventTargetRef> target;
    std::vector<std::shared_ptr<OpaqueEventHandlerRef>> chain; // newest first
    std::size_t next = 0;
    bool standardDone = false;
};

struct OpaqueMouseTrackingRef {
    QRect rect; // in the window's content coordinates
    std::weak_ptr<OpaqueEventTargetRef> target;
    bool inside = false;
};

struct OpaqueMenuRef {
    OpaqueMenuRef() = default;
    ~OpaqueMenuRef();
    OpaqueMenuRef(const OpaqueMenuRef&) = delete;
    OpaqueMenuRef& operator=(const OpaqueMenuRef&) = delete;

    MenuID id = 0;
    QPointer<QMenu> menu;      // a menu of the menu bar
    QPointer<QComboBox> combo; // or the item list of a popup button
};

struct OpaqueWindowPtr : QObject {
    ~OpaqueWindowPtr() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    QPointer<QWidget> widget;  // the top-level widget
    QPointer<QWidget> content; // the form's own widget; controls live inside it
    std::shared_ptr<OpaqueEventTargetRef> target;
    std::map<std::pair<OSType, OSType>, QByteArray> properties;
    std::vector<ControlRef> controls; // in the order the form made them
    std::vector<std::unique_ptr<OpaqueMouseTrackingRef>> trackingRegions;
    QEventLoop* modalLoop = nullptr;
    bool documentWindow = false; // shows the menu bar
    bool sizeAsked = false;
};

struct OpaqueControlRef : QObject {
    ~OpaqueControlRef() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    QPointer<QWidget> widget;
    WindowRef window = nullptr;
    std::shared_ptr<OpaqueEventTargetRef> target;
    ControlID id{0, 0};
    OSType command = 0;
    std::optional<ControlKind> kindOverride;
    std::map<std::pair<OSType, OSType>, QByteArray> properties;
    ControlPartCode hilite = kControlNoPart;
    ControlPartCode pressedPart = kControlNoPart;
    SInt32 minimum = 0; // the value's range (popup buttons)
    SInt32 maximum = 0;
    std::unique_ptr<OpaqueMenuRef> popupMenu;
    // A registered view class made for this control: its instance and its handler.
    void* viewInstance = nullptr;
    EventHandlerRef objectHandler = nullptr;
};

// A decoded picture; its device pixel ratio is its scale.
struct OpaqueCGImage {
    QImage image;
};

// A drawing context: the painter is made on first use, so that Qt's own painting of the
// same widget can run before it.
struct OpaqueCGContext {
    explicit OpaqueCGContext(QWidget* target);
    ~OpaqueCGContext();
    QPainter& painter();

    QWidget* widget;
    std::unique_ptr<QPainter> ownPainter;
    // Theme text is drawn in opaque black whatever the desktop's palette: views draw
    // their text over their own pictures.
    QColor fill{Qt::black};
};

namespace platform::detail {

bool isLiveControl(ControlRef control);
// The event bridge (EventBridge.cpp). Dispatch of a record made from a Qt event, which it
// releases: true when Qt's own handling is done or must not happen; *qtDone (may be null):
// whether Qt's handling ran.
bool dispatchQtEvent(EventRef record, EventTargetRef target, QObject* receiver, QEvent* event,
                     bool* qtDone = nullptr);
OSStatus dispatch(EventRef event, const std::shared_ptr<OpaqueEventTargetRef>& target);
// Runs the rest of a call's handler chain, then the target's standard handler once.
OSStatus runChain(OpaqueEventHandlerCallRef& call, EventRef event);
// Sends a new record of that class and kind, without parameters, to the target.
OSStatus sendNew(EventTargetRef target, UInt32 eventClass, UInt32 eventKind);
template <typename T>
void setParam(EventRef event, EventParamName name, EventParamType type, const T& value) {
    SetEventParameter(event, name, type, Size(sizeof(T)), &value);
}
// kEventControlSetData / GetData to the control's view.
OSStatus askView(ControlRef control, UInt32 kind, ControlPartCode part, OSType tag, Size size,
                 void* buffer, Size* outSize);
// Sends the command as a command event of that kind to the front window, else the
// application.
OSStatus sendCommandToFront(UInt32 kind, const HICommand& command);
void updateTrackingForControl(ControlRef control, const std::optional<QPoint>& contentPos);
// Qt's own handling of the Qt event behind a record, at most once: noErr when it ran.
OSStatus runQtDefault(EventRef event);
// Copies a tagged property of a window or control out of its bag; notFound when absent.
OSStatus copyProperty(const std::map<std::pair<OSType, OSType>, QByteArray>& bag, OSType creator,
                      OSType tag, Size bufferSize, Size* outActualSize, void* outData,
                      OSStatus notFound);
// Runs a control's event record made from a Qt signal (no Qt event behind it).
void sendFromQt(ControlRef control, EventRef event);
void connectControlSignals(ControlRef control, QWidget* widget);
OSStatus standardControlHandler(ControlRef control, EventRef event);
// String-table texts end their lines with CR, which a label would not break on. Inline: the
// alert uses it too, and must not pull the window system into the set-up launchers.
inline QString labelText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}
HIRect toHIRect(const QRect& rect);
void attachMenuBar(WindowRef window);
void registerWindow(WindowRef window);
std::vector<WindowRef> allWindows();
// Menus of the menu bar: their items send their commands; forgetMenu ends that.
void watchMenu(MenuRef menu);
void forgetMenu(MenuRef menu);
std::vector<MenuRef> menuBarMenus();
// Controls of a newly loaded form: wrap each widget and make the registered views.
ControlRef wrapControl(WindowRef window, QWidget* widget);
void makeRegisteredViews(WindowRef window);
// Takes a control out of service: its view is destructed, its handlers go.
void retireControl(ControlRef control, bool freeObject = true);
// Qt events are being dispatched: objects are then freed later, not at once.
int& qtDispatchDepth();
void freeLater(QObject* object);

// Marks the scope of one dispatch from Qt into the handlers.
class QtDispatchScope {
public:
    QtDispatchScope() { ++qtDispatchDepth(); }
    ~QtDispatchScope() { --qtDispatchDepth(); }
    QtDispatchScope(const QtDispatchScope&) = delete;
    QtDispatchScope& operator=(const QtDispatchScope&) = delete;
};

} // namespace platform::detail
