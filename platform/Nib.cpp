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
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QUiLoader>
#include <QXmlStreamReader>
#include <map>
#include <memory>
#include <optional>
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

// What `make` returns, made while Qt sees no plug-in folders: for objects that would load
// plug-ins they never use as they are made.
template <typename Make>
auto madeWithoutPlugins(Make make) {
    const QStringList libraryPaths = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    auto made = make();
    QCoreApplication::setLibraryPaths(libraryPaths);
    return made;
}

// The forms name only standard widgets and the registered view classes, yet a loader scans
// and loads every Designer plug-in under the library paths as it is made (Qt Quick among
// them, where installed).
std::unique_ptr<RecordingLoader> makeLoader() {
    return madeWithoutPlugins([] { return std::make_unique<RecordingLoader>(); });
}

// Interface files are a few kilobytes; anything larger, or not a regular file, is no form.
constexpr qint64 kMaxFormFileSize = 16 * 1024 * 1024;

std::optional<QByteArray> readForm(const OpaqueIBNibRef* nib, const QString& name) {
    return platform::readRegularFile(QDir(nib->folder).filePath(name + QStringLiteral(".ui")),
                                     kMaxFormFileSize);
}

// The class of the form's top widget; empty when the file names none.
QString topWidgetClass(const QByteArray& form) {
    QXmlStreamReader xml(form);
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("widget"))
            return xml.attributes().value(QLatin1String("class")).toString();
        if (xml.name() != QLatin1String("ui"))
            xml.skipCurrentElement();
    }
    return QString();
}

QWidget* loadForm(const OpaqueIBNibRef* nib, QByteArray& bytes, RecordingLoader& loader,
                  QWidget* parent) {
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return nullptr;
    loader.setWorkingDirectory(QDir(nib->folder));
    return loader.load(&buffer, parent);
}

// The menus of a menu bar form, made straight from the file when it holds only menus and
// actions with plain properties; std::nullopt for anything else, which the loader then makes.
// Saves 3.0% of the demo's first frame, 86.1 to 83.5 M instr.: bench/report.sh, "demo installation"
struct ReadMenus {
    std::unique_ptr<QWidget> owner;
    std::vector<QMenu*> menus; // the bar's, in order
};

bool readMenuProperty(QXmlStreamReader& xml, QObject* object) {
    const QString name = xml.attributes().value(QLatin1String("name")).toString();
    const bool standard = xml.attributes().value(QLatin1String("stdset")) != QLatin1String("0");
    if (!xml.readNextStartElement())
        return false;
    QVariant value;
    const QStringView type = xml.name();
    if (type == QLatin1String("string")) {
        value = xml.readElementText();
    } else if (type == QLatin1String("number")) {
        bool ok = false;
        value = xml.readElementText().toInt(&ok);
        if (!ok)
            return false;
    } else if (type == QLatin1String("bool")) {
        value = xml.readElementText() == QLatin1String("true");
    } else {
        return false;
    }
    xml.skipCurrentElement(); // </property>
    if (name.isEmpty())
        return false;
    if (standard && name == QLatin1String("shortcut"))
        value = QVariant::fromValue(QKeySequence(value.toString()));
    if (standard && object->metaObject()->indexOfProperty(name.toUtf8().constData()) < 0)
        return false;
    object->setProperty(name.toUtf8().constData(), value);
    return true;
}

std::optional<ReadMenus> readMenuBarForm(const QByteArray& form) {
    ReadMenus result;
    result.owner = std::make_unique<QWidget>();
    std::map<QString, QMenu*> menus;
    std::map<QString, QAction*> actions;
    std::vector<std::pair<QMenu*, QString>> items; // the menus' entries, in order
    QStringList barEntries;
    // The widgets being read, innermost last: a menu, the bar (null) or the window (none).
    struct Open {
        QMenu* menu = nullptr;
        bool bar = false;
    };
    std::vector<Open> open;
    bool sawBar = false;
    QXmlStreamReader xml(form);
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            if (xml.name() == QLatin1String("widget") && !open.empty())
                open.pop_back();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QStringView element = xml.name();
        const QString name = xml.attributes().value(QLatin1String("name")).toString();
        QMenu* const menu = open.empty() ? nullptr : open.back().menu;
        const bool inBar = !open.empty() && open.back().bar;
        if (element == QLatin1String("widget")) {
            const QStringView type = xml.attributes().value(QLatin1String("class"));
            if (type == QLatin1String("QMenu") && (menu || inBar) && !name.isEmpty() &&
                !menus.count(name)) {
                auto* made = new QMenu(menu ? static_cast<QWidget*>(menu) : result.owner.get());
                made->setObjectName(name);
                menus[name] = made;
                open.push_back({made, false});
            } else if (type == QLatin1String("QMenuBar") && open.size() == 1 && !sawBar) {
                sawBar = true;
                open.push_back({nullptr, true});
            } else if (open.empty() ? type == QLatin1String("QMainWindow")
                                    : open.size() == 1 && type == QLatin1String("QWidget")) {
                open.push_back({});
            } else {
                return std::nullopt;
            }
        } else if (element == QLatin1String("action")) {
            if (open.size() != 1 || name.isEmpty() || actions.count(name))
                return std::nullopt;
            auto* action = new QAction(result.owner.get());
            action->setObjectName(name);
            actions[name] = action;
            while (xml.readNextStartElement()) {
                if (xml.name() != QLatin1String("property") || !readMenuProperty(xml, action))
                    return std::nullopt;
            }
        } else if (element == QLatin1String("addaction")) {
            if (menu)
                items.emplace_back(menu, name);
            else if (inBar)
                barEntries.append(name);
            else
                return std::nullopt;
            xml.skipCurrentElement();
        } else if (element == QLatin1String("property")) {
            if (menu) {
                if (!readMenuProperty(xml, menu))
                    return std::nullopt;
            } else {
                xml.skipCurrentElement(); // the window's and the bar's own geometry
            }
        } else if (element == QLatin1String("class") || element == QLatin1String("resources") ||
                   element == QLatin1String("connections")) {
            xml.skipCurrentElement();
        } else if (element != QLatin1String("ui")) {
            return std::nullopt;
        }
    }
    if (xml.hasError() || !sawBar)
        return std::nullopt;
    for (const auto& [menu, entry] : items) {
        if (entry == QLatin1String("separator"))
            menu->addSeparator();
        else if (const auto action = actions.find(entry); action != actions.end())
            menu->addAction(action->second);
        else if (const auto sub = menus.find(entry);
                 sub != menus.end() && sub->second->parent() == menu) // a menu nested in this one
            menu->addMenu(sub->second);
        else
            return std::nullopt;
    }
    for (const QString& entry : barEntries) {
        const auto menu = menus.find(entry);
        if (menu == menus.end())
            return std::nullopt;
        result.menus.push_back(menu->second);
    }
    return result;
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
    // A bar reads the picture of its overflow button from Qt's own PNG files as it is made,
    // and an image reader loads every image plug-in to ask it first; PNG needs none.
    auto* bar = madeWithoutPlugins([mainWindow] { return new QMenuBar(mainWindow); });
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
    auto bytes = readForm(nib, name);
    if (!bytes)
        return kIBCarbonRuntimeCantFindObject;
    // A plain widget form is made straight inside its window: its style sheet then reaches
    // every control once, not again when the form moves into the window.
    const QString topClass = topWidgetClass(*bytes);
    std::unique_ptr<QMainWindow> madeHost;
    if (topClass == QLatin1String("QWidget"))
        madeHost = std::make_unique<QMainWindow>();
    const auto loader = makeLoader();
    QWidget* form = loadForm(nib, *bytes, *loader, madeHost.get());
    if (!form)
        return kIBCarbonRuntimeCantFindObject;
    if (qobject_cast<QMenuBar*>(form)) {
        delete form;
        return kIBCarbonRuntimeObjectNotOfRequestedType;
    }

    auto* window = new OpaqueWindowPtr;
    window->target = std::make_shared<OpaqueEventTargetRef>();
    if (qobject_cast<QDialog*>(form)) {
        window->widget = form;
        window->content = form;
    } else if (auto* mainWindow = qobject_cast<QMainWindow*>(form)) {
        window->widget = form;
        window->content = mainWindow->centralWidget() ? mainWindow->centralWidget() : form;
        window->documentWindow = true;
    } else {
        auto* host = madeHost ? madeHost.release() : new QMainWindow;
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
    auto bytes = readForm(nib, name);
    if (!bytes)
        return kIBCarbonRuntimeCantFindObject;
    std::unique_ptr<QWidget> form;
    std::vector<QMenu*> barMenus;
    if (auto read = readMenuBarForm(*bytes)) {
        form = std::move(read->owner);
        barMenus = std::move(read->menus);
    } else {
        const auto loader = makeLoader();
        form.reset(loadForm(nib, *bytes, *loader, nullptr));
        if (!form)
            return kIBCarbonRuntimeCantFindObject;
        auto* bar = qobject_cast<QMenuBar*>(form.get());
        if (!bar)
            bar = form->findChild<QMenuBar*>();
        if (!bar)
            return kIBCarbonRuntimeObjectNotOfRequestedType;
        for (QAction* action : bar->actions()) {
            if (action->menu())
                barMenus.push_back(action->menu());
        }
    }

    MenuBarState& state = menuBarState();
    std::vector<std::unique_ptr<OpaqueMenuRef>> menus;
    MenuID nextID = 128;
    for (QMenu* menu : barMenus) {
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
