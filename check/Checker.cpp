#include "check/Checker.h"

#include "catalogue/MachineBundle.h"
#include "catalogue/SettingFileEx.h"
#include "catalogue/SupportMachine.h"
#include "check/ElfImage.h"
#include "config/SettingFile.h"
#include "config/UFile.h"
#include "localize/Alert.h"
#include "localize/HelpFile.h"
#include "localize/Localize.h"
#include "localize/RequiredFiles.h"
#include "platform/Bundle.h"
#include "platform/Languages.h"
#include "platform/LaunchServices.h"
#include "setup_launcher/PrinterPlugin.h"
#include "setup_launcher/SetupLauncher.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <array>
#include <atomic>
#include <mutex>
#include <span>

namespace check {

namespace {

const QString kLauncher = QStringLiteral("Trellis");
const QString kAlertNecessaryFile =
    QString::fromLatin1(reinterpret_cast<const char*>(ALERT_IniFileNotFoundMessage + 1),
                        ALERT_IniFileNotFoundMessage[0]);

// The set-up launchers: their tool slot, program, settings folder, entry point and texts.
struct SetupLauncher {
    int index;
    const char* program;
    const char* settingFolder;
    const char* entryPoint;
    std::array<const char*, 2> stringIDs;
};
constexpr SetupLauncher kSetupLaunchers[] = {
    {2,
     "SheetGlideTuner2",
     setup_launcher::sgt::kSettingFolderName,
     SGT_OPEN_SET_UP_DIALOG_NAME,
     {setup_launcher::sgt::STRID_ALERT_TEXT_NECESSARY_FILE_NOT_FOUND,
      setup_launcher::sgt::STRID_ALERT_TEXT_PARAM_ERR}},
    {3,
     "StockProfileEditor2",
     setup_launcher::spe::kSettingFolderName,
     SPE_OPEN_SET_UP_DIALOG_NAME,
     {setup_launcher::spe::STRID_ALERT_TEXT_NECESSARY_FILE_NOT_FOUND,
      setup_launcher::spe::STRID_ALERT_TEXT_PARAM_ERR}},
};

const SetupLauncher* setupLauncherOf(long index) {
    for (const SetupLauncher& launcher : kSetupLaunchers) {
        if (launcher.index == index)
            return &launcher;
    }
    return nullptr;
}

QString fromPascal(const unsigned char* name) {
    return QString::fromLatin1(reinterpret_cast<const char*>(name + 1), name[0]);
}

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// The package of a program of the installation: Trellis.app, or a tool's application.
QString packagePath(const QString& root, long toolIndex) {
    if (toolIndex < 0)
        return root + QStringLiteral("/Trellis.app");
    const QString tool = CSupportMachine::GetApplicationName(toolIndex);
    return root + QLatin1Char('/') + tool + QLatin1Char('/') + tool + QStringLiteral(".app");
}

// Makes the program at `package` the one whose files the configuration code looks up.
void actAs(const QString& package, const QString& settingFolder) {
    platform::Bundle::setMainBundlePath(package);
    UFile::SetSettingFolderName(settingFolder);
}

QString bundleProblemText(BundleProblem problem) {
    switch (problem) {
    case BundleProblem::None:
        return QString();
    case BundleProblem::NotNamedBundle:
        return QStringLiteral("its name does not end in \"bundle\"");
    case BundleProblem::NotAFolder:
        return QStringLiteral("it cannot be opened as a folder (it is none, or its name is not "
                              "valid UTF-8)");
    case BundleProblem::NoSettingFile:
        return QStringLiteral("it has no Contents/Resources/Setting.xml");
    case BundleProblem::SettingNotRegular:
        return QStringLiteral("its Setting.xml is not a regular file (a FIFO, device, socket, "
                              "folder, or a link to one)");
    case BundleProblem::SettingTooLarge:
        return QStringLiteral("its Setting.xml is larger than 16 MiB");
    case BundleProblem::SettingUnreadable:
        return QStringLiteral("its Setting.xml cannot be read");
    case BundleProblem::SettingMalformed:
        return QStringLiteral("its Setting.xml is not a property list whose root is a dictionary");
    case BundleProblem::NoModel:
        return QStringLiteral("its Setting.xml has no \"MODEL\"");
    case BundleProblem::ModelNotStrings:
        return QStringLiteral("\"MODEL\" in its Setting.xml is not an array of strings");
    case BundleProblem::WorldWideOnly:
        return QStringLiteral("it has \"IsWorldWideOnly\" and Trellis runs in Japanese");
    case BundleProblem::InitialWrongKind:
        return QStringLiteral("\"INITIAL\" in its Setting.xml is not a dictionary");
    case BundleProblem::FunctionWrongKind:
        return QStringLiteral("\"FUNCTION\" in its Setting.xml is not a dictionary");
    case BundleProblem::NoVersion:
        return QStringLiteral("its Contents/Info.plist has no CFBundleVersion string");
    }
    return QString();
}

QString elfProblemText(ElfImage::Verdict verdict, const QString& executable, const char* entry,
                       const QString& machine) {
    switch (verdict) {
    case ElfImage::Verdict::Loadable:
        return QString();
    case ElfImage::Verdict::Unreadable:
        return QStringLiteral("its executable %1 cannot be read").arg(executable);
    case ElfImage::Verdict::NotElf:
        return QStringLiteral("its executable %1 is not an ELF shared object").arg(executable);
    case ElfImage::Verdict::OtherMachine:
        return QStringLiteral("its executable %1 is built for another machine (%2)")
            .arg(executable, machine);
    case ElfImage::Verdict::NotShared:
        return QStringLiteral("its executable %1 is not a shared object").arg(executable);
    case ElfImage::Verdict::SymbolMissing:
        return QStringLiteral("its executable %1 does not export %2")
            .arg(executable, QLatin1String(entry));
    }
    return QString();
}

class Checker {
public:
    explicit Checker(Report& report) : m_report(report) {
        // One copy of each name, shared by every printer's tools.
        for (long index = 0; index < kToolCount; ++index)
            m_toolNames[std::size_t(index)] = CSupportMachine::GetApplicationName(index);
    }

    void requiredFiles();
    void catalogue();
    void texts();
    void manuals();

private:
    void checkFiles(const QString& program, long toolIndex, const QString& folder,
                    std::span<const unsigned char* const> names);
    Tool tool(const CSettingFileEx& settings, const Printer& printer, long index);
    QString settingIniPluginPath(const Printer& printer, long index) const;
    QString applicationProblem(long index);
    QString pluginProblem(const QString& path, const SetupLauncher& launcher);

    Report& m_report;
    QString m_launcherFolder = UFile::GetSettingFolderName();
    std::array<QString, kToolCount> m_toolNames;
    QHash<long, QString> m_applicationProblems;
    QHash<QString, QString> m_pluginProblems;
    std::mutex m_pluginProblemsLock;
};

void Checker::checkFiles(const QString& program, long toolIndex, const QString& folder,
                         std::span<const unsigned char* const> names) {
    actAs(packagePath(m_report.root, toolIndex), folder);
    bool stopped = false;
    for (const unsigned char* name : names) {
        FSSpec spec;
        const bool found = UFile::GetIniFileFSSpec(name, &spec) == noErr;
        m_report.required.append({program, folder, fromPascal(name), found});
        if (!found && !stopped) { // the program stops at the first missing file
            m_report.stops.append({program, fromPascal(name), kAlertNecessaryFile});
            stopped = true;
        }
    }
}

void Checker::requiredFiles() {
    checkFiles(kLauncher, -1, m_launcherFolder, URequiredFiles::kLauncher);
    for (const SetupLauncher& launcher : kSetupLaunchers) {
        // A missing application is the tool's own problem, told with its buttons.
        if (QFileInfo(packagePath(m_report.root, launcher.index)).isDir())
            checkFiles(QLatin1String(launcher.program), launcher.index,
                       QLatin1String(launcher.settingFolder), URequiredFiles::kSetupLauncher);
    }
}

QString Checker::applicationProblem(long index) {
    const auto known = m_applicationProblems.constFind(index);
    if (known != m_applicationProblems.constEnd())
        return *known;
    const QString path = CSettingFileEx::GetInstance()->GetApplicationURL(index).toLocalFile();
    const auto package = platform::Bundle::create(path);
    QString problem;
    if (!package)
        problem = QStringLiteral("the tool application %1 is missing: a click gives the "
                                 "failed-start alert")
                      .arg(path);
    else if (platform::startableExecutable(package.get()).isEmpty())
        problem = QStringLiteral("the tool application %1 has no executable it can start "
                                 "(CFBundleExecutable in Contents/MacOS): a click gives the "
                                 "failed-start alert")
                      .arg(path);
    m_applicationProblems.insert(index, problem);
    return problem;
}

QString Checker::settingIniPluginPath(const Printer& printer, long index) const {
    for (const SupportPrinterRec& record : CSettingFile::GetInstance()->GetPrinterList()) {
        if (record.name == printer.deviceID)
            return record.pluginURL[std::size_t(index)].toLocalFile();
    }
    return QString();
}

QString Checker::pluginProblem(const QString& path, const SetupLauncher& launcher) {
    const std::lock_guard lock(m_pluginProblemsLock);
    const auto known = m_pluginProblems.constFind(path);
    if (known != m_pluginProblems.constEnd())
        return *known;
    QString problem;
    const auto plugin = platform::Bundle::create(path);
    const QString executable = plugin ? plugin->executablePath() : QString();
    if (executable.isEmpty()) {
        problem = QStringLiteral("its plug-in %1 names no executable inside it "
                                 "(CFBundleExecutable in Contents/Info.plist)")
                      .arg(path);
    } else {
        QString machine;
        problem = elfProblemText(ElfImage::examine(executable, launcher.entryPoint, &machine),
                                 executable, launcher.entryPoint, machine);
    }
    if (!problem.isEmpty())
        problem = QStringLiteral("%1 stops with its not-found alert: %2")
                      .arg(QLatin1String(launcher.program), problem);
    m_pluginProblems.insert(path, problem);
    return problem;
}

Tool Checker::tool(const CSettingFileEx& settings, const Printer& printer, long index) {
    Tool tool{int(index), m_toolNames[std::size_t(index)], false, {}, {}};
    ToolReason why;
    tool.shown = settings.IsToolButtonShown(printer.deviceID, index, &why);
    switch (why.verdict) {
    case ToolVerdict::Supported:
        break;
    case ToolVerdict::SupportedBySystem:
        tool.reason = QStringLiteral("shown on this system with or without its plug-in");
        break;
    case ToolVerdict::NotInMask:
        tool.reason = QStringLiteral("not in the printer's \"FUNCTION\" tool mask");
        break;
    case ToolVerdict::HiddenOnThisSystem:
        tool.reason = QStringLiteral("hidden for this model on this system version");
        break;
    case ToolVerdict::NoPluginPath:
        tool.reason = QStringLiteral("Setting.ini names no existing plug-in for this tool");
        break;
    case ToolVerdict::NoPluginName:
        tool.problem = QStringLiteral("the printer has no usable \"INITIAL\" entry, so no "
                                      "plug-in path can be made");
        break;
    case ToolVerdict::PluginMissing:
        tool.problem = QStringLiteral("its plug-in %1 is missing").arg(why.pluginPath);
        break;
    case ToolVerdict::PluginNotBundle:
        tool.problem = QStringLiteral("its plug-in %1 is not a folder").arg(why.pluginPath);
        break;
    case ToolVerdict::NoApplicationPlace:
        tool.problem = QStringLiteral("no place can be made for the tool's application");
        break;
    case ToolVerdict::NoSuchPrinter:
        tool.problem = QStringLiteral("the printer is not known to the catalogue");
        break;
    }
    if (!tool.shown)
        return tool;
    tool.problem = applicationProblem(index);
    if (const SetupLauncher* launcher = setupLauncherOf(index); launcher && tool.problem.isEmpty())
        tool.problem = pluginProblem(why.pluginPath.isEmpty() ? settingIniPluginPath(printer, index)
                                                              : why.pluginPath,
                                     *launcher);
    return tool;
}

void Checker::catalogue() {
    actAs(packagePath(m_report.root, -1), m_launcherFolder);
    m_report.japanese = CMachineBundle::IsJapaneseLanguage();
    QList<MachineBundleVerdict> verdicts;
    const CSettingFileEx* settings = nullptr;
    {
        const CSupportMachine::ScanReport scan(&verdicts);
        settings = CSettingFileEx::GetInstance();
    }
    QString folder;
    CSettingFileEx::GetMachineBundleBasePath(&folder);
    if (!QFileInfo(folder).isDir())
        m_report.notes.append(QStringLiteral("there is no machine-bundle folder %1").arg(folder));
    const CSupportMachine* machines = settings->GetSupportMachine();
    m_report.bundles.reserve(verdicts.size());
    for (const MachineBundleVerdict& verdict : std::as_const(verdicts)) {
        Bundle bundle{verdict.name, verdict.problem == BundleProblem::None, {},
                      {},           bundleProblemText(verdict.problem),     {}};
        // Only a folder was meant as a bundle; other entries are told apart, not counted.
        if (verdict.problem == BundleProblem::NotNamedBundle &&
            !QFileInfo(folder + QLatin1Char('/') + verdict.name).isDir())
            std::swap(bundle.ignored, bundle.problem);
        if (bundle.accepted) {
            bundle.version = verdict.version;
            bundle.printers = verdict.models;
        }
        QStringList earlier;
        for (const QString& model : verdict.modelsGivenEarlier) {
            QString first;
            machines->GetMachineBundleNameAndVersion(model, &first, nullptr);
            earlier.append(QStringLiteral("%1 (first given by %2)").arg(quoted(model), first));
        }
        if (!earlier.isEmpty())
            bundle.problem = QStringLiteral("a model already given by an earlier bundle is "
                                            "left out: ") +
                             earlier.join(QStringLiteral(", "));
        m_report.bundles.append(std::move(bundle));
    }

    QSet<QString> listed;
    const QStringList names = settings->CopyUnlistedPrinterNames(&listed);
    // The printers are worked out on every core, each into its own place: every question
    // asked of the catalogue only reads it, and the checker's own memos are filled first or
    // under a lock. At 100,000 printers this halves the time of the tool checks.
    for (long index = 0; index < kToolCount; ++index)
        applicationProblem(index);
    m_report.printers.resize(names.size());
    Printer* const printers = m_report.printers.data(); // detached here, once
    std::atomic<qsizetype> next{0};
    UParallel::RunOnEveryCore([&] {
        for (qsizetype i = 0; (i = next.fetch_add(1, std::memory_order_relaxed)) < names.size();) {
            Printer& printer = printers[i];
            printer.displayName = names[i];
            printer.deviceID = settings->CreateCopyPrinterDevID(names[i], nullptr);
            if (machines->IsSupportPrinter(printer.deviceID)) {
                printer.source = QStringLiteral("MachineBundle");
                machines->GetMachineBundleNameAndVersion(printer.deviceID, &printer.bundle,
                                                         nullptr);
            } else {
                printer.source = QStringLiteral("Setting.ini");
            }
            for (long index = 0; index < kToolCount; ++index)
                printer.tools.append(tool(*settings, printer, index));
        }
    });
    // The main window cannot be made without a printer to show.
    if (names.isEmpty())
        m_report.stops.append(
            {kLauncher, QStringLiteral("no printer at all"), kAlertNecessaryFile});
}

void Checker::texts() {
    const auto localizations = [&](long toolIndex) {
        const auto package = platform::Bundle::create(packagePath(m_report.root, toolIndex));
        return package ? package->localizations() : QStringList();
    };
    const auto missingIn = [](std::span<const char* const> ids) {
        CLocalize::DestroyInstance();
        CLocalize* localize = CLocalize::GetInstance();
        QStringList missing;
        for (const char* id : ids) {
            QString text;
            if (!localize->GetLocalizeString(id, text, nullptr, nullptr))
                missing.append(QLatin1String(id));
        }
        CLocalize::DestroyInstance();
        return missing;
    };
    for (const QString& localization : localizations(-1)) {
        platform::setPreferredLanguages(QStringList{platform::canonicalLanguage(localization)});
        actAs(packagePath(m_report.root, -1), m_launcherFolder);
        m_report.texts.append({kLauncher, localization, missingIn(kLauncherStringIDs)});
    }
    for (const SetupLauncher& launcher : kSetupLaunchers) {
        for (const QString& localization : localizations(launcher.index)) {
            platform::setPreferredLanguages(QStringList{platform::canonicalLanguage(localization)});
            actAs(packagePath(m_report.root, launcher.index),
                  QLatin1String(launcher.settingFolder));
            m_report.texts.append(
                {QLatin1String(launcher.program), localization, missingIn(launcher.stringIDs)});
        }
    }
}

void Checker::manuals() {
    const auto package = platform::Bundle::create(packagePath(m_report.root, -1));
    if (!package)
        return;
    for (const QString& localization : package->localizations()) {
        const QString language = platform::canonicalLanguage(localization);
        platform::setPreferredLanguages(QStringList{language});
        actAs(package->bundlePath(), m_launcherFolder);
        CHelpFile help;
        bool noLink = false;
        Manual manual{UFile::CreateLanguageFolderFromLanguageName(language),
                      help.CreateManualPath(0, &noLink),
                      false,
                      {}};
        manual.found = !manual.path.isEmpty() && QFileInfo(manual.path).isFile();
        if (noLink)
            manual.problem = QStringLiteral("Manual.ini has no \"MANUAL_0000\" document");
        else if (!manual.found)
            manual.problem =
                QStringLiteral("the Help command finds no manual at %1")
                    .arg(manual.path.isEmpty() ? QStringLiteral("its folder") : manual.path);
        m_report.manuals.append(std::move(manual));
    }
}

} // namespace

int Report::problemCount() const {
    int count = int(stops.size()) + int(notes.size());
    for (const Bundle& bundle : bundles)
        count += !bundle.problem.isNull();
    for (const Printer& printer : printers) {
        for (const Tool& tool : printer.tools)
            count += !tool.problem.isNull();
    }
    for (const Texts& table : texts)
        count += int(table.missing.size());
    for (const Manual& manual : manuals)
        count += !manual.problem.isNull();
    return count;
}

int Report::status() const {
    if (!stops.isEmpty())
        return 2;
    return problemCount() > 0 ? 1 : 0;
}

Report checkInstallation(const QString& root, const std::optional<QStringList>& languages) {
    Report report;
    report.root = QDir(root).absolutePath();
    if (languages)
        platform::setPreferredLanguages(*languages);
    report.languages = platform::preferredLanguages();
    Checker checker(report);
    checker.requiredFiles();
    checker.catalogue();
    checker.texts();
    checker.manuals();
    // Back to the languages asked for, for whoever asks next in this process.
    platform::setPreferredLanguages(languages);
    actAs(packagePath(report.root, -1), UFile::GetSettingFolderName());
    return report;
}

} // namespace check
