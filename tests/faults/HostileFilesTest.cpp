// Hostile files where Trellis reads at start-up: a FIFO, a link to a device, a folder or a file
// above the size cap where a property list belongs, and a spoiled decoded copy of the background
// picture. Trellis shows its window without an alert, a quit saves every sound printer (all the
// demo's among them) with the selection first, the set-up launcher gives its not-found alert
// and ends, and the picture drawn is the PNG's own.
#include "Staged.h"
#include "platform/Drawing.h"
#include "platform/Preferences.h"
#include "platform/PropertyList.h"

#include <QImage>
#include <csignal>
#include <sys/stat.h>

namespace {

enum Kind { Fifo, Device, Folder, OverCap, Missing, Stale, Truncated, ClaimsMore, LinkToSound };
enum Place { SettingXml, BundleInfo, PluginInfo, PictureCache };

bool makeHostile(const QString& path, Kind kind) {
    QFile file(path);
    file.remove();
    return kind == Fifo     ? ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0
           : kind == Device ? QFile::link("/dev/random", path)
           : kind == Folder ? QDir().mkpath(path)
                            : file.open(QIODevice::WriteOnly) && // sparse
                                  file.resize(platform::kMaxPropertyListFileSize + 1);
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

struct Row {
    const char* name;
    Kind kind;
    Place place;
};

class HostileFiles : public faults::Staged, public ::testing::WithParamInterface<Row> {};

TEST_P(HostileFiles, TrellisShowsItsWindowWithTheSoundPrinters) {
    const auto [name, kind, place] = GetParam();
    const testsupport::ScopedEnvironment cache("XDG_CACHE_HOME",
                                               QFile::encodeName(tree.path("cache"))),
        config("XDG_CONFIG_HOME", QFile::encodeName(tree.path("config")));
    // Sorted first, so that its printer is selected on a first run.
    const QString bundle = testsupport::writeMachineBundle(
        tree, staged("MachineBundle/AAA Hostile.bundle"),
        testsupport::machineSetting({"AA-1 Hostile"}, {{"AA-1 Hostile", "HOST"}},
                                    {{"AA-1 Hostile", 12}}));
    const QString plugin = testsupport::writeBundle(
        tree, staged("Sheet Glide Tuner/Plugin/PrinterPlugin/SGTHOST.plugin"),
        {{"CFBundleExecutable", "plugin"}});
    const QString png = root("Trellis.app/Contents/Resources/img_background.png"),
                  copy = platform::pictureCachePath(png);
    if (place == PictureCache) {
        const auto argb = QImage::Format_ARGB32_Premultiplied;
        ASSERT_FALSE(platform::readPicture(png).isNull()); // a sound copy, as a start makes it
        ASSERT_TRUE(spoil(png, copy, kind));
        const QByteArray linked = testsupport::readFile(copy + ".elsewhere"); // never written
        EXPECT_EQ(platform::readPicture(png).convertToFormat(argb),
                  QImage(png).convertToFormat(argb));
        EXPECT_EQ(testsupport::readFile(copy + ".elsewhere"), linked);
        // A spoiled copy gives way to a sound one, spoiled again for Trellis.
        EXPECT_TRUE(kind == Folder || (QFileInfo(copy).isFile() && !QFileInfo(copy).isSymLink()));
        ASSERT_TRUE(kind == Folder || spoil(png, copy, kind));
    } else {
        ASSERT_TRUE(makeHostile(QStringList{bundle + "/Contents/Resources/Setting.xml",
                                            bundle + "/Contents/Info.plist",
                                            plugin + "/Contents/Info.plist"}[place],
                                kind));
    }
    EXPECT_TRUE(testsupport::quit(startShown(), SIGTERM, 30000)); // a quit saves list and selection
    EXPECT_EQ(alerts(), 0);
    const QString id = "com.orvel.trellis";
    const QStringList list = platform::copyPreferenceValue("PrinterModelList", id).toStringList();
    EXPECT_EQ(platform::copyPreferenceValue("SelectPrinterModelName", id).toString(),
              list.value(0));
    EXPECT_EQ(list.value(0) == "Orvel AA-1 Hostile", place >= PluginInfo);
    for (const QString& printer : QString(TRELLIS_DEMO_TOOL_MASKS).split('|'))
        EXPECT_TRUE(list.contains("Orvel " + printer.section('=', 0, -2))) << printer.toStdString();
    EXPECT_TRUE(
        place == PictureCache ||
        testsupport::endsNormally(startLauncher("SheetGlideTuner2", "AA-1 Hostile"), 30000));
    EXPECT_EQ(alerts(), place == PictureCache ? 0 : 1); // not found
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileFiles,
                         ::testing::Values(Row{"FifoAsSettingXml", Fifo, SettingXml},
                                           Row{"FifoAsBundleInfo", Fifo, BundleInfo},
                                           Row{"FifoAsPluginInfo", Fifo, PluginInfo},
                                           Row{"DeviceAsSettingXml", Device, SettingXml},
                                           Row{"OverCapAsBundleInfo", OverCap, BundleInfo},
                                           Row{"FolderAsPluginInfo", Folder, PluginInfo},
                                           Row{"PictureCopyMissing", Missing, PictureCache},
                                           Row{"PictureCopyStale", Stale, PictureCache},
                                           Row{"PictureCopyTruncated", Truncated, PictureCache},
                                           Row{"PictureCopyClaimsMore", ClaimsMore, PictureCache},
                                           Row{"PictureCopyFifo", Fifo, PictureCache},
                                           Row{"PictureCopyLink", LinkToSound, PictureCache},
                                           Row{"PictureCopyFolder", Folder, PictureCache}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
