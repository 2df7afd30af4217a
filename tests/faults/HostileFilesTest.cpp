// Hostile files where Trellis reads at start-up: a FIFO where a property list belongs (the
// reader's own table has the other kinds) and a spoiled decoded copy of the background picture.
// Trellis shows its window without an alert, a quit saves every sound printer (all the demo's
// among them) with the selection first, the set-up launcher gives its not-found alert and ends,
// and the picture read is the PNG's own.
#include "Staged.h"
#include "platform/Drawing.h"
#include "platform/Preferences.h"

#include <QImage>
#include <csignal>
#include <sys/stat.h>

namespace {

enum Kind { Fifo, Folder, Missing, Stale, Truncated, ClaimsMore, LinkToSound };
enum Place { SettingXml, BundleInfo, PluginInfo };
const char* const kRowNames[] = {"FifoAsSettingXml", "FifoAsBundleInfo", "FifoAsPluginInfo"};

bool makeHostile(const QString& path, Kind kind) {
    QFile::remove(path);
    return kind == Fifo ? ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0
                        : QDir().mkpath(path);
}

// Spoils the sound copy at `cache` of the picture `png`, its pixels inverted first so that a
// copy wrongly trusted shows in the pixels.
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

class HostileFiles : public faults::Staged, public ::testing::WithParamInterface<Place> {};

TEST_P(HostileFiles, TrellisShowsItsWindowWithTheSoundPrinters) {
    const testsupport::ScopedEnvironment config("XDG_CONFIG_HOME",
                                                QFile::encodeName(tree.path("config")));
    // Sorted first, so that its printer is selected on a first run.
    const QString bundle = testsupport::writeMachineBundle(
        tree, staged("MachineBundle/AAA Hostile.bundle"),
        testsupport::machineSetting({"AA-1 Hostile"}, {{"AA-1 Hostile", "HOST"}},
                                    {{"AA-1 Hostile", 12}}));
    const QString plugin = testsupport::writeBundle(
        tree, staged("Sheet Glide Tuner/Plugin/PrinterPlugin/SGTHOST.plugin"),
        {{"CFBundleExecutable", "plugin"}});
    ASSERT_TRUE(makeHostile(QStringList{bundle + "/Contents/Resources/Setting.xml",
                                        bundle + "/Contents/Info.plist",
                                        plugin + "/Contents/Info.plist"}[GetParam()],
                            Fifo));
    EXPECT_TRUE(testsupport::quit(startShown(), SIGTERM, 30000)); // a quit saves list and selection
    EXPECT_EQ(alerts(), 0);
    const QString id = "com.orvel.trellis";
    const QStringList list = platform::copyPreferenceValue("PrinterModelList", id).toStringList();
    EXPECT_EQ(platform::copyPreferenceValue("SelectPrinterModelName", id).toString(),
              list.value(0));
    EXPECT_EQ(list.value(0) == "Orvel AA-1 Hostile", GetParam() == PluginInfo);
    for (const QString& printer : QString(TRELLIS_DEMO_TOOL_MASKS).split('|'))
        EXPECT_TRUE(list.contains("Orvel " + printer.section('=', 0, -2))) << printer.toStdString();
    EXPECT_TRUE(
        testsupport::endsNormally(startLauncher("SheetGlideTuner2", "AA-1 Hostile"), 30000));
    EXPECT_EQ(alerts(), 1); // not found
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileFiles, ::testing::Values(SettingXml, BundleInfo, PluginInfo),
                         [](const auto& info) { return kRowNames[info.param]; });

} // namespace
