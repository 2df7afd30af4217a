// A FIFO, a link to /dev/zero, a folder or a file above the size cap where a property list
// belongs (a machine bundle's Setting.xml or Info.plist, a plug-in's Info.plist), on an
// installation staged from this build tree: Trellis still shows its window with every other
// printer, SheetGlideTuner2 gives its not-found alert and ends, and nothing waits on a file.
// The same and worse (missing, stale, truncated, claiming more pixels than it holds, a link
// to a sound copy of other pixels) where the decoded copy of the background picture belongs:
// the picture drawn is the PNG's own, and the window is shown.
#include "platform/AppleEvents.h"
#include "platform/Drawing.h"
#include "platform/Preferences.h"
#include "platform/PropertyList.h"
#include "support/Staging.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

namespace {

// Every wait of the test is bounded: a program that blocks fails it instead of hanging.
constexpr int kShownWithinMs = 60000;
constexpr int kEndsWithinMs = 30000;

const QString kIdentifier = QStringLiteral("com.orvel.trellis");
const QString kHostileModel = QStringLiteral("AA-1 Hostile");
const QString kHostileInitial = QStringLiteral("HOST");

enum class Kind {
    Fifo,
    DevZero,
    Folder,
    OverCap,
    Missing,
    Stale,
    Truncated,
    ClaimsMore,
    LinkToSound
};
enum class Place { SettingXml, BundleInfo, PluginInfo, PictureCache };

struct Case {
    Kind kind;
    Place place;
};

void PrintTo(const Case& c, std::ostream* out) {
    static const char* kinds[] = {"FIFO",
                                  "link to /dev/zero",
                                  "folder",
                                  "over-cap file",
                                  "missing file",
                                  "stale file",
                                  "truncated file",
                                  "file claiming more pixels",
                                  "link to a sound copy of other pixels"};
    static const char* places[] = {"Setting.xml", "bundle Info.plist", "plug-in Info.plist",
                                   "picture cache"};
    *out << kinds[int(c.kind)] << " as " << places[int(c.place)];
}

QByteArray plist(const QByteArray& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body +
           "</plist>\n";
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

::testing::AssertionResult makeHostile(const QString& path, Kind kind) {
    QFile::remove(path);
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    const QByteArray native = QFile::encodeName(path);
    bool made = false;
    switch (kind) {
    case Kind::Fifo:
        made = ::mkfifo(native.constData(), 0600) == 0;
        break;
    case Kind::DevZero:
        made = QFile::link(QStringLiteral("/dev/zero"), path);
        break;
    case Kind::Folder:
        made = QDir().mkpath(path);
        break;
    case Kind::OverCap: {
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        made = fd >= 0 && ::ftruncate(fd, off_t(platform::kMaxPropertyListFileSize + 1)) == 0;
        if (fd >= 0)
            ::close(fd);
        break;
    }
    default:
        break;
    }
    return made ? ::testing::AssertionSuccess()
                : ::testing::AssertionFailure() << "cannot make " << native.constData();
}

// The background picture's pixels as a plain decoder gives them.
QImage decodedPicture(const QString& png) {
    const QImage image(png, "PNG");
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                         : QImage::Format_RGB32);
}

// The in-process cache folder is the scratch's, as for the programs started.
class CacheHome {
public:
    explicit CacheHome(const QString& folder) : m_had(qEnvironmentVariableIsSet("XDG_CACHE_HOME")) {
        m_old = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(folder));
    }
    ~CacheHome() {
        if (m_had)
            qputenv("XDG_CACHE_HOME", m_old);
        else
            qunsetenv("XDG_CACHE_HOME");
    }

private:
    bool m_had;
    QByteArray m_old;
};

// Spoils the sound copy of `png` at `cache` the given way. The copy's pixels are inverted
// first, so that a copy wrongly trusted shows in the pixels.
::testing::AssertionResult spoilPictureCache(const QString& png, const QString& cache, Kind kind) {
    QFile file(cache);
    if (!file.open(QIODevice::ReadWrite))
        return ::testing::AssertionFailure() << "no sound copy to spoil";
    QByteArray bytes = file.readAll();
    constexpr int kHeader = 64;
    for (qsizetype i = kHeader; i < bytes.size(); ++i)
        bytes[i] = char(~bytes[i]);
    if (kind == Kind::ClaimsMore) {
        quint32 height = 0;
        std::memcpy(&height, bytes.constData() + 12, sizeof height);
        height += 1;
        std::memcpy(bytes.data() + 12, &height, sizeof height);
    }
    if (kind == Kind::Truncated)
        bytes.chop(bytes.size() / 2);
    file.resize(0);
    file.write(bytes);
    file.close();
    const QByteArray native = QFile::encodeName(png);
    switch (kind) {
    case Kind::Missing:
        return QFile::remove(cache) ? ::testing::AssertionSuccess()
                                    : ::testing::AssertionFailure() << "cannot remove the copy";
    case Kind::Stale: {
        // The PNG changed after the copy was made.
        struct stat info {};
        ::stat(native.constData(), &info);
        const timeval times[2] = {{info.st_atim.tv_sec, 0}, {info.st_mtim.tv_sec + 1, 0}};
        return ::utimes(native.constData(), times) == 0
                   ? ::testing::AssertionSuccess()
                   : ::testing::AssertionFailure() << "cannot touch the picture";
    }
    case Kind::LinkToSound: {
        // A copy that matches the PNG's size and time in every field, reached by a link.
        const QString elsewhere = cache + QStringLiteral(".elsewhere");
        return QFile::rename(cache, elsewhere) && QFile::link(elsewhere, cache)
                   ? ::testing::AssertionSuccess()
                   : ::testing::AssertionFailure() << "cannot link the copy";
    }
    case Kind::Truncated:
    case Kind::ClaimsMore:
        return ::testing::AssertionSuccess();
    default:
        return makeHostile(cache, kind);
    }
}

class HostileFiles : public ::testing::TestWithParam<Case> {
protected:
    static void SetUpTestSuite() { sStage.make(); }
    static void TearDownTestSuite() { sStage.reset(); }

    void SetUp() override {
        ASSERT_TRUE(sStage.ok()) << sStage.problem();
        QDir().mkpath(m_scratch.filePath("tmp"));
        // Sorted first, so that its printer is the one selected on a first run and its
        // plug-ins are looked at while the window is made.
        const QString bundle = bundlePath();
        ASSERT_TRUE(
            writeFile(bundle + "/Contents/Info.plist",
                      plist("<dict><key>CFBundleVersion</key><string>9.9</string></dict>")));
        const QByteArray model = kHostileModel.toUtf8();
        ASSERT_TRUE(writeFile(bundle + "/Contents/Resources/Setting.xml",
                              plist("<dict><key>MODEL</key><array><string>" + model +
                                    "</string></array><key>INITIAL</key><dict><key>" + model +
                                    "</key><string>" + kHostileInitial.toUtf8() +
                                    "</string></dict><key>FUNCTION</key><dict><key>" + model +
                                    "</key><integer>12</integer></dict></dict>")));
        ASSERT_TRUE(writeFile(pluginPath() + "/Contents/Info.plist",
                              plist("<dict><key>CFBundleVersion</key><string>1.0</string>"
                                    "<key>CFBundleExecutable</key><string>plugin</string>"
                                    "</dict>")));

        const Case c = GetParam();
        if (c.place == Place::PictureCache) {
            const CacheHome cacheHome(cacheFolder());
            // A sound copy first, made the way a start makes it.
            ASSERT_FALSE(platform::readPicture(backgroundPicture()).isNull());
            const QString cache = platform::pictureCachePath(backgroundPicture());
            ASSERT_TRUE(QFileInfo(cache).isFile()) << cache.toStdString();
            ASSERT_TRUE(spoilPictureCache(backgroundPicture(), cache, c.kind));
            return;
        }
        const QString target =
            c.place == Place::SettingXml   ? bundle + "/Contents/Resources/Setting.xml"
            : c.place == Place::BundleInfo ? bundle + "/Contents/Info.plist"
                                           : pluginPath() + "/Contents/Info.plist";
        ASSERT_TRUE(makeHostile(target, c.kind));
    }
    void TearDown() override {
        m_processes.reset();
        QDir(bundlePath()).removeRecursively();
        QDir(pluginPath()).removeRecursively();
    }

    static QString root() { return sStage.root(); }
    static QString backgroundPicture() {
        return root() + "/Trellis.app/Contents/Resources/img_background.png";
    }
    QString cacheFolder() const { return m_scratch.filePath("cache"); }
    static QString bundlePath() { return root() + "/MachineBundle/AAA Hostile.bundle"; }
    static QString pluginPath() {
        return root() + "/Sheet Glide Tuner/Plugin/PrinterPlugin/SGT" + kHostileInitial + ".plugin";
    }

    QProcessEnvironment environment() const {
        return testsupport::scratchEnvironment(m_scratch.path());
    }
    QProcess* start(const QString& program, const QProcessEnvironment& env) {
        QFile::remove(m_scratch.filePath("alerts.jsonl"));
        QProcess* process = m_processes->add();
        process->setProcessEnvironment(env);
        process->start(program, {});
        EXPECT_TRUE(process->waitForStarted(10000));
        return process;
    }
    QStringList alertMessages() const {
        return testsupport::recordedAlertMessages(m_scratch.filePath("alerts.jsonl"));
    }

    // SheetGlideTuner2 started for one printer; its alerts, or nothing when it did not end.
    std::optional<QStringList> runSheetGlideTuner(const QString& model) {
        QProcessEnvironment env = environment();
        env.insert(
            QLatin1String(platform::kLaunchDescriptorVariable),
            QString::fromLatin1(platform::encodeLaunchDescriptor({"utf8"_4cc, model.toUtf8()})));
        QProcess* tuner = start(root() + "/Sheet Glide Tuner/Sheet Glide Tuner.app/Contents/MacOS/"
                                         "SheetGlideTuner2",
                                env);
        if (!tuner->waitForFinished(kEndsWithinMs))
            return std::nullopt;
        EXPECT_EQ(tuner->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(tuner->exitCode(), 0) << tuner->readAllStandardError().constData();
        return alertMessages();
    }

    QTemporaryDir m_scratch;

private:
    static inline testsupport::SuiteStage sStage;
    std::unique_ptr<testsupport::StartedProcesses> m_processes =
        std::make_unique<testsupport::StartedProcesses>();
};

TEST_P(HostileFiles, TrellisShowsItsWindowWithTheOtherPrinters) {
    QProcessEnvironment env = environment();
    env.insert("TRELLIS_REPORT_SHOWN", "1");
    QProcess* trellis = start(root() + "/Trellis.app/Contents/MacOS/Trellis", env);
    QByteArray errors;
    const bool shown = QTest::qWaitFor(
        [&] {
            trellis->waitForReadyRead(50);
            errors.append(trellis->readAllStandardError());
            return errors.contains("shown ") || trellis->state() == QProcess::NotRunning;
        },
        kShownWithinMs);
    ASSERT_TRUE(shown && errors.contains("shown ")) << "no window: " << errors.constData();
    EXPECT_TRUE(alertMessages().isEmpty());
    // SIGTERM is answered like Quit: the popup's list and selection are saved.
    ::kill(pid_t(trellis->processId()), SIGTERM);
    ASSERT_TRUE(trellis->waitForFinished(kEndsWithinMs));
    EXPECT_EQ(trellis->exitStatus(), QProcess::NormalExit);

    const bool hadConfigHome = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", m_scratch.filePath("config").toLocal8Bit());
    const QStringList list =
        platform::copyPreferenceValue("PrinterModelList", kIdentifier).toStringList();
    const QString selected =
        platform::copyPreferenceValue("SelectPrinterModelName", kIdentifier).toString();
    if (hadConfigHome)
        qputenv("XDG_CONFIG_HOME", configHome);
    else
        qunsetenv("XDG_CONFIG_HOME");
    const std::string shownList = list.join(", ").toStdString();
    EXPECT_TRUE(list.contains("Orvel MX-R74400 Series")) << shownList;
    EXPECT_TRUE(list.contains("Orvel LX-1000")) << shownList;
    const QString hostile = QStringLiteral("Orvel ") + kHostileModel;
    if (GetParam().place == Place::PluginInfo || GetParam().place == Place::PictureCache) {
        // The bundle is sound: its printer is listed and selected.
        EXPECT_EQ(list.value(0), hostile) << shownList;
        EXPECT_EQ(selected, hostile);
    } else {
        EXPECT_FALSE(list.contains(hostile)) << shownList;
        EXPECT_FALSE(selected.isEmpty());
    }
}

// The rows of the data files, and those of the background picture's decoded copy.
class HostileDataFiles : public HostileFiles {};
class HostilePictureCopies : public HostileFiles {};

TEST_P(HostilePictureCopies, ThePictureDrawnIsThePNGsOwn) {
    const CacheHome cacheHome(cacheFolder());
    const QImage expected = decodedPicture(backgroundPicture());
    ASSERT_FALSE(expected.isNull());
    EXPECT_EQ(platform::readPicture(backgroundPicture()), expected);
    // A spoiled copy gives way to a sound one, unless a folder holds its place.
    const QFileInfo cache(platform::pictureCachePath(backgroundPicture()));
    if (GetParam().kind != Kind::Folder) {
        EXPECT_TRUE(cache.isFile() && !cache.isSymLink());
        EXPECT_EQ(platform::readPicture(backgroundPicture()), expected);
    }
}

TEST_P(HostileDataFiles, SheetGlideTunerGivesItsNotFoundAlertAndEnds) {
    // The alert for a printer that nothing knows is the not-found alert.
    const auto unknown = runSheetGlideTuner(QStringLiteral("ZZ-0 Unknown"));
    ASSERT_TRUE(unknown) << "the set-up launcher did not end";
    ASSERT_EQ(unknown->size(), 1);

    const auto alerts = runSheetGlideTuner(kHostileModel);
    ASSERT_TRUE(alerts) << "the set-up launcher blocked on the file";
    EXPECT_EQ(*alerts, *unknown);
}

const Case kDataRows[] = {
    {Kind::Fifo, Place::SettingXml},    {Kind::Fifo, Place::BundleInfo},
    {Kind::Fifo, Place::PluginInfo},    {Kind::DevZero, Place::SettingXml},
    {Kind::DevZero, Place::BundleInfo}, {Kind::DevZero, Place::PluginInfo},
    {Kind::Folder, Place::SettingXml},  {Kind::Folder, Place::BundleInfo},
    {Kind::Folder, Place::PluginInfo},  {Kind::OverCap, Place::SettingXml},
    {Kind::OverCap, Place::BundleInfo}, {Kind::OverCap, Place::PluginInfo},
};
const Case kPictureCopyRows[] = {
    {Kind::Missing, Place::PictureCache},     {Kind::Stale, Place::PictureCache},
    {Kind::Truncated, Place::PictureCache},   {Kind::ClaimsMore, Place::PictureCache},
    {Kind::Fifo, Place::PictureCache},        {Kind::DevZero, Place::PictureCache},
    {Kind::LinkToSound, Place::PictureCache}, {Kind::Folder, Place::PictureCache},
};

std::vector<Case> everyRow() {
    std::vector<Case> rows(std::begin(kDataRows), std::end(kDataRows));
    rows.insert(rows.end(), std::begin(kPictureCopyRows), std::end(kPictureCopyRows));
    return rows;
}

INSTANTIATE_TEST_SUITE_P(EveryKindEveryPlace, HostileFiles, ::testing::ValuesIn(everyRow()));
INSTANTIATE_TEST_SUITE_P(EveryKindEveryPlace, HostileDataFiles, ::testing::ValuesIn(kDataRows));
INSTANTIATE_TEST_SUITE_P(EveryKind, HostilePictureCopies, ::testing::ValuesIn(kPictureCopyRows));

} // namespace
