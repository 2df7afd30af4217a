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
#include <gmock/gmock.h>
#include <sys/stat.h>

namespace {

// The staged installation a row breaks.
struct Installation {
    const testsupport::TempTree& tree;
    QString staged(const QString& relative) const {
        return "stage/" TRELLIS_INSTALL_ROOT_NAME "/" + relative;
    }
    QString root(const QString& relative) const { return tree.path(staged(relative)); }
    bool write(const QString& relative, const QByteArray& bytes) const {
        return !tree.write(staged(relative), bytes).isEmpty();
    }
    QString settingXml() const { return root(kSettingXml); }
    // WJ.bundle's Setting.xml with one key set to the value.
    bool edit(const QString& key, const QVariant& value) const {
        auto dictionary = platform::readPropertyListDictionary(settingXml());
        if (dictionary)
            dictionary->insert(key, value);
        return dictionary && write(kSettingXml, testsupport::xmlPropertyList(*dictionary));
    }
    // The plug-in <name> of a tool made afresh, around `source` or the bytes.
    bool plugin(const QString& tool, const QString& name, const QString& source = {},
                const QByteArray& bytes = {}) const {
        const QString relative = tool + "/Plugin/PrinterPlugin/" + name + ".plugin";
        return QDir(root(relative)).removeRecursively() &&
               !testsupport::writePluginBundle(tree, staged(relative), source, bytes).isEmpty();
    }
    // Trellis's Setting.ini with its printer count replaced and lines added.
    bool printers(const char* count, const QByteArray& lines = {}) const {
        const QString ini = "Trellis.app/Contents/Resources/Settings/Setting.ini";
        QByteArray text = testsupport::readFile(root(ini));
        return text.contains("PRINTER_NUM=2\r\n") &&
               write(ini, text.replace("PRINTER_NUM=2\r\n", count) + lines);
    }
    static constexpr const char* kSettingXml =
        "MachineBundle/WJ.bundle/Contents/Resources/Setting.xml";
};

// A shared object of this machine relabelled as built for another (the ELF header's machine).
QByteArray elfForAnotherMachine() {
    QByteArray bytes = testsupport::readFile(NOENTRY_PLUGIN);
    bytes[18] = char(bytes[18] ^ 0x7f);
    return bytes;
}

struct Row {
    const char* name;
    bool (*change)(const Installation&);
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

using I = const Installation&;
const char* const kR74 = "MX-R74400 Series";
const Row kRows[] = {
    {"Demo", [](I) { return true; }, "en", 0, nullptr, "GX900Export.bundle", true},
    {"WorldWideOnlyUnderJapanese", [](I) { return true; }, "ja", 1, "IsWorldWideOnly",
     "GX900Export.bundle"},
    {"ModelIsAString", [](I i) { return i.edit("MODEL", "WJ-2400"); }, "en", 1,
     "not an array of strings", "WJ.bundle"},
    {"NameWithoutBundle",
     [](I i) {
         return QDir().rename(i.root("MachineBundle/WJ.bundle"),
                              i.root("MachineBundle/WJ.package"));
     },
     "en", 1, "does not end in", "WJ.package"},
    {"NoSettingXml", [](I i) { return QFile::remove(i.settingXml()); }, "en", 1,
     "no Contents/Resources/Setting.xml", "WJ.bundle"},
    {"SettingXmlIsAFifo",
     [](I i) {
         return QFile::remove(i.settingXml()) &&
                ::mkfifo(QFile::encodeName(i.settingXml()).constData(), 0600) == 0;
     },
     "en", 1, "not a regular file", "WJ.bundle"},
    {"SettingXmlIsALinkLoop",
     [](I i) {
         return QFile::remove(i.settingXml()) && QFile::link("Setting.xml", i.settingXml());
     },
     "en", 1, "not a regular file", "WJ.bundle"},
    {"SettingXmlLinksToASoundCopy",
     [](I i) {
         return QFile::rename(i.settingXml(), i.settingXml() + ".copy") &&
                QFile::link("Setting.xml.copy", i.settingXml());
     },
     "en", 0, nullptr, "WJ.bundle", true},
    {"SettingXmlOver16MiB", // a sound list, padded with white space past the limit
     [](I i) {
         QByteArray bytes = testsupport::readFile(i.settingXml());
         const qsizetype at = bytes.indexOf("<dict>");
         return at >= 0 &&
                i.write(i.kSettingXml,
                        bytes.insert(at + 6, QByteArray(platform::kMaxPropertyListFileSize, '\n')));
     },
     "en", 1, "larger than 16 MiB", "WJ.bundle"},
    {"SettingXmlNotAPropertyList", [](I i) { return i.write(i.kSettingXml, "MODEL = WJ-2400\n"); },
     "en", 1, "not a property list", "WJ.bundle"},
    {"InitialNotADictionary", [](I i) { return i.edit("INITIAL", "WJ24"); }, "en", 1, "\"INITIAL\"",
     "WJ.bundle"},
    {"FunctionNotADictionary",
     [](I i) {
         return i.edit("FUNCTION", QVariantList{59, 21});
     },
     "en", 1, "\"FUNCTION\"", "WJ.bundle"},
    {"NoBundleVersion",
     [](I i) {
         return i.write("MachineBundle/WJ.bundle/Contents/Info.plist",
                        testsupport::xmlPropertyList(QVariantMap{{"CFBundleName", "WJ"}}));
     },
     "en", 1, "CFBundleVersion", "WJ.bundle"},
    {"ModelGivenByAnEarlierBundle", // listed after WJ.bundle, with a wider mask for the model
     [](I i) {
         return !testsupport::writeMachineBundle(
                     i.tree, i.staged("MachineBundle/ZZ.bundle"),
                     testsupport::machineSetting({"WJ-2400", "ZZ-1"},
                                                 {{"WJ-2400", "WJ24"}, {"ZZ-1", "ZZ1"}},
                                                 {{"WJ-2400", 127}, {"ZZ-1", 0}}))
                     .isEmpty();
     },
     "en", 1, "\"WJ-2400\" (first given by WJ.bundle)", "ZZ.bundle", true},
    {"ToolApplicationRemoved",
     [](I i) { return QDir(i.root("Kestrel Loader/Kestrel Loader.app")).removeRecursively(); },
     "en", 1, "Kestrel Loader.app is missing", nullptr, false, kR74, 0, true},
    {"ToolApplicationWithoutExecutable",
     [](I i) {
         return QDir(i.root("Status Lantern/Status Lantern.app/Contents/MacOS"))
             .removeRecursively();
     },
     "en", 1, "no executable it can start", nullptr, false, kR74, 1, true},
    {"PluginFolderRemoved",
     [](I i) { return QDir(i.root("Nozzle Care Kit/Plugin")).removeRecursively(); }, "en", 1,
     "NCKR74.plugin is missing", nullptr, false, kR74, 4},
    {"PluginIsAPlainFile",
     [](I i) {
         return QDir(i.root("Status Lantern/Plugin/PrinterPlugin/SLR74.plugin"))
                    .removeRecursively() &&
                i.write("Status Lantern/Plugin/PrinterPlugin/SLR74.plugin", "x");
     },
     "en", 1, "SLR74.plugin is not a folder", nullptr, false, kR74, 1},
    {"SetUpPluginWithoutExecutable", [](I i) { return i.plugin("Sheet Glide Tuner", "SGTR74"); },
     "en", 1, "names no executable", nullptr, false, kR74, 2, true},
    {"SetUpPluginForAnotherMachine",
     [](I i) { return i.plugin("Sheet Glide Tuner", "SGTR54", {}, elfForAnotherMachine()); }, "en",
     1, "another machine", nullptr, false, "MX-R54400 Series", 2, true},
    {"SetUpPluginWithoutEntryPoint",
     [](I i) { return i.plugin("Stock Profile Editor", "SPER74", NOENTRY_PLUGIN); }, "en", 1,
     "does not export SPE_OpenSetUpDialog", nullptr, false, kR74, 3, true},
    {"PrinterFromSettingIni",
     [](I i) {
         return i.printers("PRINTER_NUM=3\r\n", "PRINTER3=LX-3000\r\nPRINTER3_PATH_F1=::Kestrel "
                                                "Loader:Plugin:PrinterPlugin:KLLX10.plugin\r\n");
     },
     "en", 0, nullptr, nullptr, false, "LX-3000", 0, true},
    {"ManualIniRemoved",
     [](I i) {
         return QFile::remove(i.root("Trellis.app/Contents/Resources/Settings/Manual.ini"));
     },
     "en", 2, "Manual.ini"},
    {"NoPrinter",
     [](I i) {
         return QDir(i.root("MachineBundle")).removeRecursively() &&
                QDir().mkpath(i.root("MachineBundle")) && i.printers("PRINTER_NUM=0\r\n");
     },
     "en", 2, "no printer"},
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
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
    ASSERT_TRUE(row.change(Installation{tree}));
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
