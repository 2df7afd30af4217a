// Interface files: folders of Qt Designer forms, and the view classes they can name.

#include "platform/Bundle.h"
#include "platform/Events.h"
#include "platform/FileSystem.h"
#include "platform/WindowSystemObjects.h"
#include "platform/Windowing.h"

#include <QAction>
#include <QBuffer>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QUiLoader>
#include <map>
#include <memory>
#include <set>

struct OpaqueIBNibRef {
    QString folder;
};

namespace {

struct ViewClass {
    EventHandlerUPP handler = nullptr;
    void* userData = nullptr;
    std::vector<EventTypeSpec> events;
};

std::map<QString, ViewClass>& viewClasses() {
    static std::map<QString, ViewClass> classes;
    return classes;
}

std::set<const OpaqueIBNibRef*>& liveNibs() {
    static std::set<const OpaqueIBNibRef*> nibs;
    return nibs;
}

// Records every widget the form makes, in form order.
class RecordingLoader : public QUiLoader {
public:
    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
        QWidget* widget = QUiLoader::createWidget(className, parent, name);
        if (widget)
            created.push_back(widget);
        return widget;
    }
    std::vector<QPointer<QWidget>> created;
};

// The forms name only standard widgets and the registered view classes, yet a loader scans
// and loads every Designer plug-in under the library paths as it is made (Qt Quick among
// them, where installed). It is made while those paths are empty.
std::unique_ptr<RecordingLoader> makeLoader() {
    const QStringList libraryPaths = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    auto loader = std::make_unique<RecordingLoader>();
    QCoreApplication::setLibraryPaths(libraryPaths);
    return loader;
}

// Interface files are a few kilobytes; anything larger, or not a regular file, is no form.
constexpr qint64 kMaxFormFileSize = 16 * 1024 * 1024;

QWidget* loadForm(const OpaqueIBNibRef* nib, const QString& name, RecordingLoader& loader) {
    auto bytes = platform::readRegularFile(QDir(nib->folder).filePath(name + QStringLiteral(".ui")),
                                           kMaxFormFileSize);
    if (!bytes)
        return nullptr;
    QBuffer buffer(&*bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return nullptr;
    loader.setWorkingDirectory(QDir(nib->folder));
    return loader.load(&buffer, nullptr);
}

// The menu bar form stays alive: its menus are shared by every document window.
struct MenuBarState {
    std::unique_ptr<QWidget> form;
    std::vector<std::unique_ptr<OpaqueMenuRef>> menus;
};

MenuBarState& menuBarState() {
    static MenuBarState* state = new MenuBarState; // outlives every window
    return *state;
}

} // namespace

namespace platform {

namespace detail {

std::vector<MenuRef> menuBarMenus() {
    std::vector<MenuRef> menus;
    for (const auto& menu : menuBarState().menus)
        menus.push_back(menu.get());
    return menus;
}

void attachMenuBar(WindowRef window) {
    auto* mainWindow = qobject_cast<QMainWindow*>(window->widget.data());
    if (!window->documentWindow || !mainWindow || menuBarState().menus.empty())
        return;
    auto* bar = new QMenuBar(mainWindow);
    for (const auto& menu : menuBarState().menus) {
        if (menu->menu)
            bar->addMenu(menu->menu);
    }
    mainWindow->setMenuBar(bar);
    if (window->content && window->content != mainWindow)
        mainWindow->resize(window->content->width(),
                           window->content->height() + bar->sizeHint().height());
}

void makeRegisteredViews(WindowRef window) {
    const std::vector<ControlRef> controls = window->controls;
    for (const ControlRef control : controls) {
        if (!isLiveControl(control) || !control->widget)
            continue;
        const QString classID = control->widget->property("viewClass").toString();
        const auto found = viewClasses().find(classID);
        if (classID.isEmpty() || found == viewClasses().end())
            continue;
        const ViewClass& viewClass = found->second;

        // Construct: the class handler alone, with the standard answer below it.
        auto constructTarget = std::make_shared<OpaqueEventTargetRef>();
        constructTarget->standard = [](EventRef) { return OSStatus(0); };
        InstallEventHandler(constructTarget.get(), viewClass.handler, viewClass.events.size(),
                            viewClass.events.data(), viewClass.userData, nullptr);
        EventRef construct = CreateEvent(kEventClassHIObject, kEventHIObjectConstruct);
        HIObjectRef instanceObject = control;
        SetEventParameter(construct, kEventParamHIObjectInstance, typeHIObjectRef,
                          sizeof instanceObject, &instanceObject);
        void* instance = nullptr;
        const OSStatus made = dispatch(construct, constructTarget);
        const OSStatus stored =
            GetEventParameter(construct, kEventParamHIObjectInstance, typeVoidPtr, nullptr,
                              sizeof instance, nullptr, &instance);
        ReleaseEvent(construct);
        if (made != 0 || stored != 0 || !isLiveControl(control))
            continue;

        control->viewInstance = instance;
        InstallEventHandler(control->target.get(), viewClass.handler, viewClass.events.size(),
                            viewClass.events.data(), instance, &control->objectHandler);
        EventRef initialize = CreateEvent(kEventClassHIObject, kEventHIObjectInitialize);
        SendEventToEventTarget(initialize, control->target.get());
        ReleaseEvent(initialize);
    }
}

} // namespace detail

OSStatus CreateNibReference(const QString& name, IBNibRef* outNib) {
    if (!outNib)
        return paramErr;
    *outNib = nullptr;
    const auto bundle = Bundle::mainBundle();
    const QString folder = bundle ? bundle->resourcePath(name + QStringLiteral(".nib")) : QString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return kIBCarbonRuntimeCantFindNibFile;
    auto* nib = new OpaqueIBNibRef{folder};
    liveNibs().insert(nib);
    *outNib = nib;
    return 0;
}

void DisposeNibReference(IBNibRef nib) {
    if (nib && liveNibs().erase(nib))
        delete nib;
}

OSStatus CreateWindowFromNib(IBNibRef nib, const QString& name, WindowRef* outWindow) {
    if (!outWindow)
        return paramErr;
    *outWindow = nullptr;
    if (!nib || !liveNibs().count(nib))
        return paramErr;
    const auto loader = makeLoader();
    QWidget* form = loadForm(nib, name, *loader);
    if (!form)
        return kIBCarbonRuntimeCantFindObject;
    if (qobject_cast<QMenuBar*>(form)) {
        delete form;
        return kIBCarbonRuntimeObjectNotOfRequestedType;
    }

    auto* window = new OpaqueWindowPtr;
    window->target = std::make_shared<OpaqueEventTargetRef>();
    window->target->window = window;
    if (qobject_cast<QDialog*>(form)) {
        window->widget = form;
        window->content = form;
    } else if (auto* mainWindow = qobject_cast<QMainWindow*>(form)) {
        window->widget = form;
        window->content = mainWindow->centralWidget() ? mainWindow->centralWidget() : form;
        window->documentWindow = true;
    } else {
        auto* host = new QMainWindow;
        host->setWindowTitle(form->windowTitle());
        host->setWindowIcon(form->windowIcon());
        const QSize size = form->size();
        host->setCentralWidget(form);
        host->resize(size);
        window->widget = host;
        window->content = form;
        window->documentWindow = true;
    }
    detail::registerWindow(window);

    for (const QPointer<QWidget>& widget : loader->created) {
        if (!widget || widget == window->widget || widget == window->content ||
            qobject_cast<QMenuBar*>(widget) || qobject_cast<QMenu*>(widget))
            continue;
        detail::wrapControl(window, widget);
    }
    detail::attachMenuBar(window);
    detail::makeRegisteredViews(window);
    *outWindow = window;
    return 0;
}

OSStatus SetMenuBarFromNib(IBNibRef nib, const QString& name) {
    if (!nib || !liveNibs().count(nib))
        return paramErr;
    const auto loader = makeLoader();
    std::unique_ptr<QWidget> form(loadForm(nib, name, *loader));
    if (!form)
        return kIBCarbonRuntimeCantFindObject;
    auto* bar = qobject_cast<QMenuBar*>(form.get());
    if (!bar)
        bar = form->findChild<QMenuBar*>();
    if (!bar)
        return kIBCarbonRuntimeObjectNotOfRequestedType;

    MenuBarState& state = menuBarState();
    std::vector<std::unique_ptr<OpaqueMenuRef>> menus;
    MenuID nextID = 128;
    for (QAction* action : bar->actions()) {
        QMenu* menu = action->menu();
        if (!menu)
            continue;
        auto ref = std::make_unique<OpaqueMenuRef>();
        bool numbered = false;
        const int id = menu->property("menuID").toInt(&numbered);
        ref->id = numbered ? MenuID(id) : nextID;
        nextID = MenuID(ref->id + 1);
        ref->menu = menu;
        detail::watchMenu(ref.get());
        menus.push_back(std::move(ref));
    }
    for (const auto& old : state.menus)
        detail::forgetMenu(old.get());
    state.menus = std::move(menus);
    state.form = std::move(form);
    for (const WindowRef window : detail::allWindows())
        detail::attachMenuBar(window);
    return 0;
}

OSStatus HIObjectRegisterSubclass(const QString& classID, const QString& baseClassID,
                                  ItemCount numEvents, const EventTypeSpec* events,
                                  EventHandlerUPP handler, void* userData) {
    if (classID.isEmpty() || baseClassID != kHIViewClassID || !handler ||
        (numEvents > 0 && !events))
        return paramErr;
    if (viewClasses().count(classID))
        return hiObjectClassExistsErr;
    viewClasses()[classID] = {handler, userData, {events, events + numEvents}};
    return 0;
}

} // namespace platform
