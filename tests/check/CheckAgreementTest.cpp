// trellis-check agrees with the window: each row breaks the demo installation one way, runs the
// checker on it, and reads what Trellis itself shows on a first run (the popup's items and the
// tool buttons of each) or, when it stops, the alerts it records.
#include "../faults/Staged.h"
#include "app/CMainDialog.h"
#include "catalogue/SettingFileEx.h"
#include "config/LaunchMode.h"
#include "config/SettingFile.h"
#include "localize/Localize.h"
#include "platform/Bundle.h"
#include "platform/Languages.h"
#include "platform/PropertyList.h"
#include "platform/TestingAccess.h"
#include "ui/CImagePushButton.h"

#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstring>
#include <elf.h>
#include <gmock/gmock.h>
#include <sys/stat.h>

namespace {

enum Change {
    Nothing,
    ModelString,
    NameWithoutBundle,
    NoSettingXml,
    SettingXmlFifo,
    SettingXmlLinkLoop,
    SettingXmlLinkToCopy,
    SettingXmlHuge,
    SettingXmlNotAList,
    InitialWrongKind,
    FunctionWrongKind,
    NoVersion,
    ModelGivenTwice,
    ToolRemoved,
    ToolWithoutExecutable,
    PluginFolderRemoved,
    PluginPlainFile,
    PluginNoExecutable,
    PluginOtherMachine,
    PluginNoEntry,
    SettingIniPrinter,
    ManualIniRemoved,
    NoPrinter,
};

struct Row {
    const char* name;
    Change change;
    const char* language;
    int status;          // the checker's exit status; 2: Trellis stops with an alert
    const char* problem; // what the problem below says, or the stop's cause; null: no problem
    // A MachineBundle entry the checker reports, and whether it is accepted.
    const char* bundle = nullptr;
    bool accepted = false;
    // A printer's tool (by device identifier and index), and whether its button is shown.
    const char* printer = nullptr;
    int tool = -1;
    bool shown = false;
};

const char* const kR74 = "MX-R74400 Series";
const Row kRows[] = {
    {"Demo", Nothing, "en", 0, nullptr, "GX900Export.bundle", true},
    {"WorldWideOnlyUnderJapanese", Nothing, "ja", 1, "IsWorldWideOnly", "GX900Export.bundle"},
    {"ModelIsAString", ModelString, "en", 1, "not an array of strings", "WJ.bundle"},
    {"NameWithoutBundle", NameWithoutBundle, "en", 1, "does not end in", "WJ.package"},
    {"NoSettingXml", NoSettingXml, "en", 1, "no Contents/Resources/Setting.xml", "WJ.bundle"},
    {"SettingXmlIsAFifo", SettingXmlFifo, "en", 1, "not a regular file", "WJ.bundle"},
    {"SettingXmlIsALinkLoop", SettingXmlLinkLoop, "en", 1, "not a regular file", "WJ.bundle"},
    {"SettingXmlLinksToASoundCopy", SettingXmlLinkToCopy, "en", 0, nullptr, "WJ.bundle", true},
    {"SettingXmlOver16MiB", SettingXmlHuge, "en", 1, "larger than 16 MiB", "WJ.bundle"},
    {"SettingXmlNotAPropertyList", SettingXmlNotAList, "en", 1, "not a property list", "WJ.bundle"},
    {"InitialNotADictionary", InitialWrongKind, "en", 1, "\"INITIAL\"", "WJ.bundle"},
    {"FunctionNotADictionary", FunctionWrongKind, "en", 1, "\"FUNCTION\"", "WJ.bundle"},
    {"NoBundleVersion", NoVersion, "en", 1, "CFBundleVersion", "WJ.bundle"},
    {"ModelGivenByAnEarlierBundle", ModelGivenTwice, "en", 1,
     "\"WJ-2400\" (first given by WJ.bundle)", "ZZ.bundle", true},
    {"ToolApplicationRemoved", ToolRemoved, "en", 1, "Kestrel Loader.app is missing", nullptr,
     false, kR74, 0, true},
    {"ToolApplicationWithoutExecutable", ToolWithoutExecutable, "en", 1,
     "no executable it can start", nullptr, false, kR74, 1, true},
    {"PluginFolderRemoved", PluginFolderRemoved, "en", 1, "NCKR74.plugin is missing", nullptr,
     false, kR74, 4},
    {"PluginIsAPlainFile", PluginPlainFile, "en", 1, "SLR74.plugin is not a folder", nullptr, false,
     kR74, 1},
    {"SetUpPluginWithoutExecutable", PluginNoExecutable, "en", 1, "names no executable", nullptr,
     false, kR74, 2, true},
    {"SetUpPluginForAnotherMachine", PluginOtherMachine, "en", 1, "another machine", nullptr, false,
     "MX-R54400 Series", 2, true},
    {"SetUpPluginWithoutEntryPoint", PluginNoEntry, "en", 1, "does not export SPE_OpenSetUpDialog",
     nullptr, false, kR74, 3, true},
    {"PrinterFromSettingIni", SettingIniPrinter, "en", 0, nullptr, nullptr, false, "LX-3000", 0,
     true},
    {"ManualIniRemoved", ManualIniRemoved, "en", 2, "Manual.ini"},
    {"NoPrinter", NoPrinter, "en", 2, "no printer"},
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

// The header of a shared object built for a machine other than this one.
QByteArray elfForAnotherMachine() {
    Elf64_Ehdr header{};
    std::memcpy(header.e_ident, ELFMAG, SELFMAG);
    header.e_ident[EI_CLASS] = ELFCLASS64;
    header.e_ident[EI_DATA] = ELFDATA2LSB;
    header.e_ident[EI_VERSION] = EV_CURRENT;
    header.e_type = ET_DYN;
#if defined(__aarch64__)
    header.e_machine = EM_X86_64;
#else
    header.e_machine = EM_AARCH64;
#endif
    header.e_version = EV_CURRENT;
    header.e_ehsize = sizeof header;
    return QByteArray(reinterpret_cast<const char*>(&header), sizeof header);
}

QJsonObject entryWith(const QJsonValue& list, const char* key, const QString& value) {
    for (const QJsonValue entry : list.toArray()) {
        if (entry[key].toString() == value)
            return entry.toObject();
    }
    return {};
}

// The entry's problem says what the row expects, or there is none.
void expectProblem(const QJsonObject& entry, const char* expected) {
    const std::string problem = entry["problem"].toString().toStdString();
    if (expected)
        EXPECT_THAT(problem, ::testing::HasSubstr(expected));
    else
        EXPECT_EQ(problem, "");
}

class CheckAgreement : public faults::Staged, public ::testing::WithParamInterface<Row> {
protected:
    void TearDown() override {
        CMainDialog::DisposeMainDialog();
        CSettingFileEx::DestroyInstance();
        CSettingFile::DestroyInstance();
        CLocalize::DestroyInstance();
        CLaunchMode::DestroyInstance();
        platform::setPreferredLanguages(std::nullopt);
        platform::Bundle::setMainBundlePath(QString());
    }

    // Breaks the staged demo installation the way the row says.
    bool breakInstallation(Change change) const {
        const QString wj = "MachineBundle/WJ.bundle",
                      setting = wj + "/Contents/Resources/Setting.xml";
        const QString settingXml = root(setting),
                      settingIni = staged("Trellis.app/Contents/Resources/Settings/Setting.ini");
        const auto edit = [&](const QString& key, const QVariant& value) {
            auto dictionary = platform::readPropertyListDictionary(settingXml);
            if (!dictionary)
                return false;
            dictionary->insert(key, value);
            tree.write(staged(setting), testsupport::xmlPropertyList(*dictionary));
            return true;
        };
        const auto replacePlugin = [&](const QString& tool, const QString& name) {
            return QDir(root(tool + "/Plugin/PrinterPlugin/" + name + ".plugin"))
                .removeRecursively();
        };
        switch (change) {
        case Nothing:
            return true;
        case ModelString:
            return edit("MODEL", "WJ-2400");
        case NameWithoutBundle:
            return QDir().rename(root(wj), root("MachineBundle/WJ.package"));
        case NoSettingXml:
            return QFile::remove(settingXml);
        case SettingXmlFifo:
            return QFile::remove(settingXml) &&
                   ::mkfifo(QFile::encodeName(settingXml).constData(), 0600) == 0;
        case SettingXmlLinkLoop:
            return QFile::remove(settingXml) && QFile::link("Setting.xml", settingXml);
        case SettingXmlLinkToCopy:
            return QFile::rename(settingXml, settingXml + ".copy") &&
                   QFile::link("Setting.xml.copy", settingXml);
        case SettingXmlHuge: { // a sound list, padded with white space past the limit
            QByteArray bytes = testsupport::readFile(settingXml);
            const qsizetype at = bytes.indexOf("<dict>");
            if (at < 0)
                return false;
            bytes.insert(at + 6, QByteArray(platform::kMaxPropertyListFileSize, '\n'));
            return !tree.write(staged(setting), bytes).isEmpty();
        }
        case SettingXmlNotAList:
            return !tree.write(staged(setting), "MODEL = WJ-2400\n").isEmpty();
        case InitialWrongKind:
            return edit("INITIAL", "WJ24");
        case FunctionWrongKind:
            return edit("FUNCTION", QVariantList{59, 21});
        case NoVersion:
            return !tree.write(staged(wj + "/Contents/Info.plist"),
                               testsupport::xmlPropertyList(QVariantMap{{"CFBundleName", "WJ"}}))
                        .isEmpty();
        case ModelGivenTwice: // listed after WJ.bundle, with a wider mask for the model it repeats
            return !testsupport::writeMachineBundle(
                        tree, staged("MachineBundle/ZZ.bundle"),
                        testsupport::machineSetting({"WJ-2400", "ZZ-1"},
                                                    {{"WJ-2400", "WJ24"}, {"ZZ-1", "ZZ1"}},
                                                    {{"WJ-2400", 127}, {"ZZ-1", 0}}))
                        .isEmpty();
        case ToolRemoved:
            return QDir(root("Kestrel Loader/Kestrel Loader.app")).removeRecursively();
        case ToolWithoutExecutable:
            return QDir(root("Status Lantern/Status Lantern.app/Contents/MacOS"))
                .removeRecursively();
        case PluginFolderRemoved:
            return QDir(root("Nozzle Care Kit/Plugin")).removeRecursively();
        case PluginPlainFile:
            return replacePlugin("Status Lantern", "SLR74") &&
                   !tree.write(staged("Status Lantern/Plugin/PrinterPlugin/SLR74.plugin"), "x")
                        .isEmpty();
        case PluginNoExecutable:
            return replacePlugin("Sheet Glide Tuner", "SGTR74") &&
                   !testsupport::writePluginBundle(tree, plugin("Sheet Glide Tuner", "SGTR74"))
                        .isEmpty();
        case PluginOtherMachine:
            return replacePlugin("Sheet Glide Tuner", "SGTR54") &&
                   !testsupport::writePluginBundle(tree, plugin("Sheet Glide Tuner", "SGTR54"), {},
                                                   elfForAnotherMachine())
                        .isEmpty();
        case PluginNoEntry:
            return replacePlugin("Stock Profile Editor", "SPER74") &&
                   !testsupport::writePluginBundle(tree, plugin("Stock Profile Editor", "SPER74"),
                                                   NOENTRY_PLUGIN)
                        .isEmpty();
        case SettingIniPrinter: {
            QByteArray ini = testsupport::readFile(tree.path(settingIni));
            return ini.contains("PRINTER_NUM=2\r\n") &&
                   !tree.write(settingIni,
                               ini.replace("PRINTER_NUM=2\r\n", "PRINTER_NUM=3\r\n") +
                                   "PRINTER3=LX-3000\r\nPRINTER3_PATH_F1=::Kestrel Loader:"
                                   "Plugin:PrinterPlugin:KLLX10.plugin\r\n")
                        .isEmpty();
        }
        case ManualIniRemoved:
            return QFile::remove(root("Trellis.app/Contents/Resources/Settings/Manual.ini"));
        case NoPrinter: {
            QByteArray ini = testsupport::readFile(tree.path(settingIni));
            return QDir(root("MachineBundle")).removeRecursively() &&
                   !tree.mkdir(staged("MachineBundle")).isEmpty() &&
                   ini.contains("PRINTER_NUM=2\r\n") &&
                   !tree.write(settingIni, ini.replace("PRINTER_NUM=2\r\n", "PRINTER_NUM=0\r\n"))
                        .isEmpty();
        }
        }
        return false;
    }

    // trellis-check --json on the installation; its exit status in *status.
    QJsonObject check(const char* language, int* status) {
        QProcess* checker =
            processes.start(tree.path("stage/bin/trellis-check"), environment(),
                            {"--root", tree.path("stage/" TRELLIS_INSTALL_ROOT_NAME), "--json",
                             "--language", language});
        const bool ended = checker->waitForFinished(120000);
        *status = ended && checker->exitStatus() == QProcess::NormalExit ? checker->exitCode() : -1;
        QJsonParseError error{};
        const QJsonDocument json =
            QJsonDocument::fromJson(checker->readAllStandardOutput(), &error);
        EXPECT_TRUE(ended && json.isObject())
            << error.errorString().toStdString() << checker->readAllStandardError().toStdString();
        return json.object();
    }

    // What Trellis shows on a first run, in this process: each popup item with the tool indices
    // of the buttons shown while it is selected ("Orvel X: 0 2 3").
    QStringList shownByTrellis(const char* language) {
        const testsupport::ScopedEnvironment config("XDG_CONFIG_HOME",
                                                    QFile::encodeName(tree.path("config"))),
            alertLog("TRELLIS_ALERT_LOG", QFile::encodeName(tree.path("alerts.jsonl")));
        platform::setPreferredLanguages(QStringList{language});
        platform::Bundle::setMainBundlePath(root("Trellis.app"));
        if (CImagePushButton::RegisterClass() != noErr || CMainDialog::Create() != noErr)
            return {"no window"};
        CMainDialog* dialog = CMainDialog::GetMainDialog();
        const auto view = [dialog](long id) {
            return platform::widgetForTesting(dialog->GetView("MAIN"_4cc, id));
        };
        auto* popup = qobject_cast<QComboBox*>(view(CMainDialog::kPrinterPopup));
        QStringList shown;
        for (int item = 0; popup && item < popup->count(); ++item) {
            popup->setCurrentIndex(item);
            emit popup->activated(item);
            QString line = popup->itemText(item) + ':';
            for (int tool = 0; tool < kToolCount; ++tool) {
                if (view(kAppButtonIDList[tool])->isVisible())
                    line += ' ' + QString::number(tool);
            }
            shown.append(line);
        }
        return shown;
    }
};

// The checker's printers in the same form, and its tools' count where it is not seven.
QStringList predicted(const QJsonObject& json) {
    QStringList shown;
    for (const QJsonValue printer : json["printers"].toArray()) {
        QString line = printer["display_name"].toString() + ':';
        const QJsonArray tools = printer["tools"].toArray();
        for (const QJsonValue tool : tools) {
            if (tool["shown"].toBool())
                line += ' ' + QString::number(tool["index"].toInt(-1));
        }
        if (tools.size() != kToolCount)
            line += QString(" (%1 tools)").arg(tools.size());
        shown.append(line);
    }
    return shown;
}

TEST_P(CheckAgreement, TheCheckerPredictsWhatTrellisShows) {
    const Row& row = GetParam();
    ASSERT_TRUE(breakInstallation(row.change));
    int status = -1;
    const QJsonObject json = check(row.language, &status);
    EXPECT_EQ(status, row.status);
    EXPECT_EQ(json["status"].toInt(-1), status);
    if (row.bundle) {
        const QJsonObject bundle = entryWith(json["bundles"], "name", row.bundle);
        EXPECT_FALSE(bundle.isEmpty()) << row.bundle;
        EXPECT_EQ(bundle["accepted"].toBool(), row.accepted);
        expectProblem(bundle, row.problem);
        for (const QJsonValue printer : json["printers"].toArray())
            EXPECT_TRUE(row.accepted || printer["bundle"].toString() != row.bundle);
    }
    if (row.printer) {
        const QJsonObject tool = entryWith(json["printers"], "device_id", row.printer)["tools"]
                                     .toArray()
                                     .at(row.tool)
                                     .toObject();
        EXPECT_EQ(tool["index"].toInt(-1), row.tool) << row.printer;
        EXPECT_EQ(tool["shown"].toBool(), row.shown);
        expectProblem(tool, row.problem);
    }
    if (row.status == 2) { // Trellis stops: the alerts it records are the checker's
        QProcessEnvironment env = environment();
        env.insert("LANGUAGE", row.language);
        EXPECT_TRUE(start(trellis(), env)->waitForFinished(60000)) << "Trellis did not stop";
        QStringList stops;
        for (const QJsonValue stop : json["stops"].toArray())
            stops.append(stop["alert"].toString());
        EXPECT_THAT(json["stops"][0]["cause"].toString().toStdString(),
                    ::testing::HasSubstr(row.problem));
        EXPECT_EQ(testsupport::recordedAlertMessages(tree.path("alerts.jsonl")), stops);
        return;
    }
    const QStringList predictedShown = predicted(json);
    EXPECT_FALSE(predictedShown.isEmpty());
    EXPECT_EQ(shownByTrellis(row.language), predictedShown);
    EXPECT_EQ(alerts(), 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, CheckAgreement, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
