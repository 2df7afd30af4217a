// Hostile files where Trellis reads at start-up: a FIFO, a link to /dev/zero, a folder or a
// file above the size cap where a property list belongs, and a spoiled decoded copy of the
// background picture. Trellis shows its window with every sound printer, the set-up launcher
// gives its not-found alert and ends, and the picture drawn is the PNG's own.
#include "Staged.h"
#include "platform/Drawing.h"
#include "platform/Preferences.h"
#include "platform/PropertyList.h"

#include <QImage>
#include <cstring>
#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

enum Kind { Fifo, Device, Folder, OverCap, Missing, Stale, Truncated, ClaimsMore, LinkToSound };
enum Place { SettingXml, BundleInfo, PluginInfo, PictureCache };

bool makeHostile(const QString& path, Kind kind) {
    QFile::remove(path);
    const QByteArray native = QFile::encodeName(path);
    switch (kind) {
    case Fifo:
        return ::mkfifo(native.constData(), 0600) == 0;
    case Device:
        return QFile::link("/dev/random", path);
    case Folder:
        return QDir().mkpath(path);
    case OverCap: {
        QFile file(path); // sparse: nothing is written
        return file.open(QIODevice::WriteOnly) &&
               file.resize(platform::kMaxPropertyListFileSize + 1);
    }
    default:
        return false;
    }
}

// Spoils the sound copy at `cache` of the picture `png`. Its pixels are inverted first, so that
// a copy wrongly trusted shows in the pixels.
bool spoil(const QString& png, const QString& cache, Kind kind) {
    QFile file(cache);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = file.readAll();
    for (qsizetype i = 64; i < bytes.size(); ++i) // past the header
        bytes[i] = char(~bytes[i]);
    if (kind == ClaimsMore) {
        quint32 height = 0;
        std::memcpy(&height, bytes.constData() + 12, sizeof height);
        ++height;
        std::memcpy(bytes.data() + 12, &height, sizeof height);
    }
    if (kind == Truncated)
        bytes.chop(bytes.size() / 2);
    file.resize(0);
    file.write(bytes);
    file.close();
    struct stat info {};
    ::stat(QFile::encodeName(png).constData(), &info);
    const timeval later[2] = {{info.st_atim.tv_sec, 0}, {info.st_mtim.tv_sec + 1, 0}};
    QFile::remove(cache + ".elsewhere");
    switch (kind) {
    case Missing:
        return QFile::remove(cache);
    case Stale: // the PNG changed after the copy was made
        return ::utimes(QFile::encodeName(png).constData(), later) == 0;
    case LinkToSound: // a copy matching the PNG's size and time, reached by a link
        return QFile::rename(cache, cache + ".elsewhere") &&
               QFile::link(cache + ".elsewhere", cache);
    case Truncated:
    case ClaimsMore:
        return true;
    default:
        return makeHostile(cache, kind);
    }
}

struct Row {
    const char* name;
    Kind kind;
    Place place;
};

class HostileFiles : public faults::Staged, public ::testing::WithParamInterface<Row> {};

TEST_P(HostileFiles, TrellisShowsItsWindowWithTheSoundPrinters) {
    const Row row = GetParam();
    const testsupport::ScopedEnvironment cacheHome("XDG_CACHE_HOME",
                                                   QFile::encodeName(tree.path("cache")));
    const testsupport::ScopedEnvironment configHome("XDG_CONFIG_HOME",
                                                    QFile::encodeName(tree.path("config")));
    // Sorted first, so that its printer is selected on a first run.
    const QString bundle = testsupport::writeMachineBundle(
        tree, staged("MachineBundle/AAA Hostile.bundle"),
        testsupport::machineSetting({"AA-1 Hostile"}, {{"AA-1 Hostile", "HOST"}},
                                    {{"AA-1 Hostile", 12}}));
    const QString plugin = testsupport::writeBundle(
        tree, staged("Sheet Glide Tuner/Plugin/PrinterPlugin/SGTHOST.plugin"),
        {{"CFBundleVersion", "1.0"}, {"CFBundleExecutable", "plugin"}});
    const QString png = root("Trellis.app/Contents/Resources/img_background.png");
    if (row.place == PictureCache) {
        const QImage decoded =
            QImage(png, "PNG").convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QString cache = platform::pictureCachePath(png);
        ASSERT_FALSE(platform::readPicture(png).isNull()); // a sound copy, made as a start makes it
        ASSERT_TRUE(spoil(png, cache, row.kind));
        const QByteArray linked = testsupport::readFile(cache + ".elsewhere"); // never written
        EXPECT_EQ(platform::readPicture(png).convertToFormat(QImage::Format_ARGB32_Premultiplied),
                  decoded);
        EXPECT_EQ(testsupport::readFile(cache + ".elsewhere"), linked);
        if (row.kind != Folder) { // a spoiled copy gives way to a sound one
            EXPECT_TRUE(QFileInfo(cache).isFile() && !QFileInfo(cache).isSymLink());
            ASSERT_TRUE(spoil(png, cache, row.kind)); // again, for Trellis
        }
    } else {
        const QString places[] = {bundle + "/Contents/Resources/Setting.xml",
                                  bundle + "/Contents/Info.plist", plugin + "/Contents/Info.plist"};
        ASSERT_TRUE(makeHostile(places[row.place], row.kind));
    }
    QProcess* process = startShown();
    EXPECT_TRUE(alerts().isEmpty());
    ASSERT_TRUE(testsupport::quit(process, SIGTERM, 30000)); // a quit saves list and selection
    const QStringList list =
        platform::copyPreferenceValue("PrinterModelList", "com.orvel.trellis").toStringList();
    EXPECT_TRUE(list.contains("Orvel MX-R74400 Series")) << list.join(", ").toStdString();
    const bool sound = row.place == PluginInfo || row.place == PictureCache;
    EXPECT_EQ(list.value(0) == "Orvel AA-1 Hostile", sound) << list.join(", ").toStdString();
    if (row.place != PictureCache) {
        QProcess* tuner = startLauncher("SheetGlideTuner2", "AA-1 Hostile");
        ASSERT_TRUE(testsupport::endsNormally(tuner, 30000)) << "the set-up launcher blocked";
        EXPECT_EQ(alerts().size(), 1); // not found
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HostileFiles,
    ::testing::Values(Row{"FifoAsSettingXml", Fifo, SettingXml},
                      Row{"FifoAsBundleInfo", Fifo, BundleInfo},
                      Row{"FifoAsPluginInfo", Fifo, PluginInfo},
                      Row{"DeviceAsSettingXml", Device, SettingXml},
                      Row{"OverCapAsBundleInfo", OverCap, BundleInfo},
                      Row{"FolderAsPluginInfo", Folder, PluginInfo},
                      Row{"PictureCopyMissing", Missing, PictureCache},
                      Row{"PictureCopyStale", Stale, PictureCache},
                      Row{"PictureCopyTruncated", Truncated, PictureCache},
                      Row{"PictureCopyClaimsMorePixels", ClaimsMore, PictureCache},
                      Row{"PictureCopyFifo", Fifo, PictureCache},
                      Row{"PictureCopyLinkToASoundCopy", LinkToSound, PictureCache},
                      Row{"PictureCopyFolder", Folder, PictureCache}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
