// Hostile files where Trellis reads at start-up: a FIFO where a property list belongs (the
// reader's own table has the other kinds) and a spoiled decoded copy of the background picture.
// Trellis shows its window without an alert, a quit saves every sound printer (all the demo's
// among them) with the selection first, the set-up launcher gives its not-found alert and ends,
// and the picture read is the PNG's own. trellis-check reads those trees and more hostile ones
// (links, huge, deep and self-referencing lists, names that are not UTF-8, 100,000 entries):
// it gives its verdict in bounded time and writes nothing.
#include "Staged.h"
#include "platform/Drawing.h"
#include "platform/Preferences.h"

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>
#include <filesystem>
#include <sys/stat.h>

namespace {

enum Kind {
    Fifo,
    Folder,
    Missing,
    Stale,
    Truncated,
    ClaimsMore,
    LinkToSound,
    LinkLoop,
    Huge,
    Deep,
    SelfReferencing,
    NotUtf8,
    Many
};
enum Place { SettingXml, BundleInfo, PluginInfo, BundleName, MachineBundleFolder };
struct Hostile {
    const char* name;
    Place place;
    Kind kind;
};
// Trellis's rows come first; the checker reads them all.
const Hostile kHostile[] = {
    {"FifoAsSettingXml", SettingXml, Fifo},
    {"FifoAsBundleInfo", BundleInfo, Fifo},
    {"FifoAsPluginInfo", PluginInfo, Fifo},
    {"LinkLoopAsSettingXml", SettingXml, LinkLoop},
    {"LinkLoopAsPluginInfo", PluginInfo, LinkLoop},
    {"SettingXmlOf1GiB", SettingXml, Huge},
    {"SettingXml100000Deep", SettingXml, Deep},
    {"SettingXmlHoldingItself", SettingXml, SelfReferencing},
    {"BundleNameNotUtf8", BundleName, NotUtf8},
    {"MachineBundle100000Entries", MachineBundleFolder, Many},
};
constexpr int kTrellisRows = 3;

void PrintTo(const Hostile& row, std::ostream* out) {
    *out << row.name;
}

// A binary property list whose root dictionary holds itself under "MODEL".
QByteArray selfReferencingList() {
    return QByteArray::fromHex("62706c6973743030"   // bplist00
                               "d10100"             // { object 1: object 0 }
                               "554d4f44454c"       // "MODEL"
                               "080b"               // where the objects start
                               "0000000000000101"   // one-byte offsets and references
                               "0000000000000002"   // objects
                               "0000000000000000"   // root
                               "0000000000000011"); // where the offsets start
}

bool makeHostile(const QString& path, Kind kind) {
    QFile::remove(path);
    switch (kind) {
    case Fifo:
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    case LinkLoop:
        return QFile::link(QFileInfo(path).fileName(), path);
    case Huge: { // sparse: no disk is spent on it
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.resize(qint64(1) << 30);
    }
    case Deep: {
        const int depth = 100000;
        QFile file(path);
        return file.open(QIODevice::WriteOnly) &&
               file.write("<plist version=\"1.0\"><dict><key>MODEL</key>" +
                          QByteArray("<array>").repeated(depth) +
                          QByteArray("</array>").repeated(depth) + "</dict></plist>") > 0;
    }
    case SelfReferencing: {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(selfReferencingList()) > 0;
    }
    case NotUtf8: { // Qt cannot name it
        std::error_code error;
        const std::filesystem::path from(QFile::encodeName(path).toStdString());
        std::filesystem::rename(from, from.parent_path() / "AAA \xff\xfe Hostile.bundle", error);
        return !error;
    }
    case Many:
        for (int i = 0; i < 100000; ++i) {
            QFile file(QString("%1/%2.bundle").arg(path).arg(i));
            if (!file.open(QIODevice::WriteOnly))
                return false;
        }
        return true;
    default:
        return QDir().mkpath(path);
    }
}

// Every entry below the folder, raw names included, with its kind, size, time and link
// target: what any write would change.
QByteArray listing(const QString& folder) {
    QProcess find;
    find.start("find", {folder, "-printf", "%p %y %s %T@ %l\\n"});
    return find.waitForFinished(120000) ? find.readAllStandardOutput() : QByteArray();
}

// Spoils the sound copy at `cache` of the picture `png`, its pixels
// inverted first so that a copy wrongly trusted shows in the pixels.
bool spoil(const QString& png, const QString& cache, Kind kind) {
    QByteArray bytes = testsupport::readFile(cache);
    for (qsizetype i = 64; i < bytes.size(); ++i) // past the header
        bytes[i] = char(~bytes[i]);
    bytes[12] = char(bytes[12] + (kind == ClaimsMore)); // the height
    bytes.chop(kind == Truncated ? bytes.size() / 2 : 0);
    QFile file(cache), picture(png);
    if (bytes.size() < 64 || !file.open(QIODevice::WriteOnly) || file.write(bytes) < 0)
        return false;
    file.close();
    QFile::remove(cache + ".elsewhere");
    return kind == Missing ? QFile::remove(cache)
           : kind == Stale // the PNG changed after the copy was made
               ? picture.open(QIODevice::Append) &&
                     picture.setFileTime(QFileInfo(png).lastModified().addSecs(1),
                                         QFileDevice::FileModificationTime)
               : kind == LinkToSound
                     ? QFile::rename(cache, cache + ".elsewhere") &&
                           QFile::link(cache + ".elsewhere", cache)
                     : kind == Truncated || kind == ClaimsMore || makeHostile(cache, kind);
}

TEST(PictureCopy, ASpoiledCopyGivesWayToASoundOne) {
    testsupport::TempTree tree;
    const testsupport::ScopedEnvironment cache("XDG_CACHE_HOME",
                                               QFile::encodeName(tree.path("cache")));
    const QString png = tree.path("picture.png"), copy = platform::pictureCachePath(png);
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(QColor(20, 120, 220));
    ASSERT_TRUE(picture.save(png));
    const auto argb = QImage::Format_ARGB32_Premultiplied;
    for (const Kind kind : {Missing, Stale, Truncated, ClaimsMore, Fifo, LinkToSound, Folder}) {
        SCOPED_TRACE(kind);
        ASSERT_FALSE(platform::readPicture(png).isNull()); // a sound copy, as a start makes it
        ASSERT_TRUE(spoil(png, copy, kind));
        const QByteArray linked = testsupport::readFile(copy + ".elsewhere"); // never written
        EXPECT_EQ(platform::readPicture(png).convertToFormat(argb),
                  QImage(png).convertToFormat(argb));
        EXPECT_EQ(testsupport::readFile(copy + ".elsewhere"), linked);
        EXPECT_TRUE(kind == Folder || (QFileInfo(copy).isFile() && !QFileInfo(copy).isSymLink()));
    }
}

class HostileFiles : public faults::Staged, public ::testing::WithParamInterface<Hostile> {
protected:
    // A machine bundle and a plug-in of its printer, the row's
    // hostile file among them.
    bool plantHostile() {
        // Sorted first, so that its printer is selected on a first
        // run.
        const QString bundle = testsupport::writeMachineBundle(
            tree, staged("MachineBundle/AAA Hostile.bundle"),
            testsupport::machineSetting({"AA-1 Hostile"}, {{"AA-1 Hostile", "HOST"}},
                                        {{"AA-1 Hostile", 12}}));
        const QString plugin =
            testsupport::writeBundle(tree,
                                     staged("Sheet Glide "
                                            "Tuner/Plugin/PrinterPlugin/SGTHOST.plugin"),
                                     {{"CFBundleExecutable", "plugin"}});
        return makeHostile(QStringList{bundle + "/Contents/Resources/Setting.xml",
                                       bundle + "/Contents/Info.plist",
                                       plugin + "/Contents/Info.plist", bundle,
                                       root("MachineBundle")}[GetParam().place],
                           GetParam().kind);
    }
};
using HostileTrees = HostileFiles;

TEST_P(HostileFiles, TrellisShowsItsWindowWithTheSoundPrinters) {
    const testsupport::ScopedEnvironment config("XDG_CONFIG_HOME",
                                                QFile::encodeName(tree.path("config")));
    ASSERT_TRUE(plantHostile());
    EXPECT_TRUE(testsupport::quit(startShown(), SIGTERM,
                                  30000)); // a quit saves list and selection
    EXPECT_EQ(alerts(), 0);
    const QString id = "com.orvel.trellis";
    const QStringList list = platform::copyPreferenceValue("PrinterModelList", id).toStringList();
    EXPECT_EQ(platform::copyPreferenceValue("SelectPrinterModelName", id).toString(),
              list.value(0));
    EXPECT_EQ(list.value(0) == "Orvel AA-1 Hostile", GetParam().place == PluginInfo);
    for (const QString& printer : QString(TRELLIS_DEMO_TOOL_MASKS).split('|'))
        EXPECT_TRUE(list.contains("Orvel " + printer.section('=', 0, -2))) << printer.toStdString();
    EXPECT_TRUE(
        testsupport::endsNormally(startLauncher("SheetGlideTuner2", "AA-1 Hostile"), 30000));
    EXPECT_EQ(alerts(), 1); // not found
}

// The checker's verdict: something is left out (the hostile printer
// or its tool).
TEST_P(HostileTrees, TheCheckerGivesItsVerdictInBoundedTimeAndWritesNothing) {
    ASSERT_TRUE(plantHostile());
    const auto before = listing(tree.path());
    QProcess* checker = processes.start(
        tree.path("stage/bin/trellis-check"), environment(),
        {"--root", tree.path("stage/" TRELLIS_INSTALL_ROOT_NAME), "--json", "--language", "en"});
    ASSERT_TRUE(checker->waitForFinished(120000)) << "no verdict within two minutes";
    EXPECT_EQ(checker->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(checker->exitCode(), 1) << checker->readAllStandardError().toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(checker->readAllStandardOutput())["status"].toInt(-1), 1);
    EXPECT_TRUE(!before.isEmpty() && listing(tree.path()) == before)
        << "the checker wrote below the scratch tree";
}

const auto rowName = [](const auto& info) { return std::string(info.param.name); };
INSTANTIATE_TEST_SUITE_P(Rows, HostileFiles, ::testing::ValuesIn(kHostile, kHostile + kTrellisRows),
                         rowName);
INSTANTIATE_TEST_SUITE_P(Rows, HostileTrees, ::testing::ValuesIn(kHostile), rowName);

} // namespace
