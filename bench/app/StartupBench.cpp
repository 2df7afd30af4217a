// Whole-process start-up time of Trellis, from starting the process until its main window's
// complete first frame (every control and text drawn), on the demo installation and on ones
// with 1,000 and 10,000 more machine bundles, beside a bare Qt program that shows a window
// from the same MainDialog.ui and is measured at the same point. Also the peak resident
// memory at that point, and the added cost per machine bundle with its growth.
//
// bench_app_startup [runs]   (default 15 runs per case; QT_QPA_PLATFORM=offscreen is used)
//
// The installation is staged from this build tree with `cmake --install`. Each run starts
// with empty preferences and ends with SIGTERM, which Trellis answers like its Quit command.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <numeric>
#include <vector>

namespace {

constexpr int kBundleCounts[] = {1000, 10000};

struct Figures {
    double median = 0;
    double mean = 0;
    double minimum = 0;
    double peakMiB = 0; // the largest of the runs
    int failures = 0;
};

// Peak resident memory of a running process so far, in MiB; 0 when unknown.
double peakResidentMiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

bool run(const QString& program, const QStringList& arguments, const QString& what) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(600000) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(what));
        return false;
    }
    return true;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(path.section('/', 0, -2));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// Adds machine bundles of one model each to an installation.
void addMachineBundles(const QString& root, int count) {
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("BX%1").arg(i, 4, 10, QLatin1Char('0'));
        const QString bundle = root + "/MachineBundle/" + name + ".bundle/Contents";
        writeFile(
            bundle + "/Info.plist",
            QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist "
                           "version=\"1.0\"><dict><key>CFBundleName</key><string>%1</string>"
                           "<key>CFBundleVersion</key><string>1.0.%2</string></dict></plist>\n")
                .arg(name)
                .arg(i)
                .toUtf8());
        writeFile(bundle + "/Resources/Setting.xml",
                  QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist "
                                 "version=\"1.0\"><dict><key>MODEL</key><array><string>BX-%1 "
                                 "Series</string></array><key>INITIAL</key><dict><key>BX-%1 "
                                 "Series</key><string>B%1</string></dict><key>FUNCTION</key>"
                                 "<dict><key>BX-%1 Series</key><integer>3</integer></dict>"
                                 "</dict></plist>\n")
                      .arg(i, 4, 10, QLatin1Char('0'))
                      .toUtf8());
    }
}

// Milliseconds from starting the program until it reports its complete first frame; < 0 on
// failure. peakMiB gets the peak resident memory at that point.
double timeToShown(const QString& program, const QStringList& arguments, const QString& scratch,
                   double* peakMiB) {
    QDir(scratch + "/config").removeRecursively();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", scratch + "/config");
    env.insert("TMPDIR", scratch + "/tmp");
    env.insert("TRELLIS_REPORT_SHOWN", "1");
    env.insert("TRELLIS_ALERT_LOG", scratch + "/alerts.jsonl");
    QProcess process;
    process.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    QByteArray errors;
    double elapsed = -1;
    while (process.state() != QProcess::NotRunning && timer.elapsed() < 60000) {
        process.waitForReadyRead(5);
        errors += process.readAllStandardError();
        if (errors.contains("shown ")) {
            elapsed = double(timer.nsecsElapsed()) / 1e6;
            *peakMiB = peakResidentMiB(process.processId());
            break;
        }
    }
    if (process.state() != QProcess::NotRunning) {
        ::kill(pid_t(process.processId()), SIGTERM);
        if (!process.waitForFinished(20000))
            process.kill();
        process.waitForFinished(5000);
    }
    return elapsed;
}

Figures measure(const QString& program, const QStringList& arguments, const QString& scratch,
                int runs) {
    std::vector<double> times;
    Figures figures;
    double peak = 0;
    timeToShown(program, arguments, scratch, &peak); // warm the file cache
    for (int i = 0; i < runs; ++i) {
        const double ms = timeToShown(program, arguments, scratch, &peak);
        if (ms < 0) {
            ++figures.failures;
        } else {
            times.push_back(ms);
            figures.peakMiB = std::max(figures.peakMiB, peak);
        }
    }
    if (times.empty())
        return figures;
    std::sort(times.begin(), times.end());
    figures.median = times[times.size() / 2];
    figures.mean = std::accumulate(times.begin(), times.end(), 0.0) / double(times.size());
    figures.minimum = times.front();
    return figures;
}

void print(const QString& name, const Figures& f, const Figures& baseline) {
    std::printf("%-40s %9.1f %9.1f %9.1f %8.2fx %9.1f %5d\n", qPrintable(name), f.median, f.mean,
                f.minimum, baseline.median > 0 ? f.median / baseline.median : 0.0, f.peakMiB,
                f.failures);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;

    QTemporaryDir scratch;
    const QString stage = scratch.filePath("demo");
    if (!run(QStringLiteral(TRELLIS_CMAKE),
             {"--install", QStringLiteral(TRELLIS_BUILD_DIR), "--prefix", stage},
             "staging the demo installation"))
        return 1;
    const QString demoRoot = stage + QStringLiteral("/" TRELLIS_INSTALL_ROOT_NAME);
    QStringList bigRoots;
    for (const int count : kBundleCounts) {
        const QString bigStage = scratch.filePath(QStringLiteral("big%1").arg(count));
        if (!run("cp", {"-a", stage, bigStage}, "copying the installation"))
            return 1;
        bigRoots.append(bigStage + QStringLiteral("/" TRELLIS_INSTALL_ROOT_NAME));
        addMachineBundles(bigRoots.last(), count);
    }
    QDir().mkpath(scratch.filePath("tmp"));

    const QString executable = "/Trellis.app/Contents/MacOS/Trellis";
    const QString form = demoRoot + "/Trellis.app/Contents/Resources/main.nib/MainDialog.ui";
    const Figures bare = measure(QStringLiteral(TRELLIS_BARE_WINDOW), {form}, scratch.path(), runs);
    const Figures demo = measure(demoRoot + executable, {}, scratch.path(), runs);
    std::vector<Figures> big;
    for (const QString& root : std::as_const(bigRoots))
        big.push_back(measure(root + executable, {}, scratch.path(), runs));

    std::printf("Start to the main window's complete first frame, milliseconds (%d runs each, "
                "offscreen); peak resident memory at that frame\n",
                runs);
    std::printf("%-40s %9s %9s %9s %9s %9s %5s\n", "", "median", "mean", "min", "vs bare",
                "peak MiB", "fail");
    print(QStringLiteral("bare Qt window from MainDialog.ui"), bare, bare);
    print(QStringLiteral("Trellis, demo installation"), demo, bare);
    int failures = bare.failures + demo.failures;
    // From medians and from the fastest runs: on a busy machine the added time at 1,000
    // bundles is close to the noise of the demo installation's own time.
    std::vector<double> perBundle, perBundleFastest;
    for (std::size_t i = 0; i < big.size(); ++i) {
        print(QStringLiteral("Trellis, demo + %L1 machine bundles").arg(kBundleCounts[i]), big[i],
              bare);
        failures += big[i].failures;
        perBundle.push_back((big[i].median - demo.median) * 1000.0 / kBundleCounts[i]);
        perBundleFastest.push_back((big[i].minimum - demo.minimum) * 1000.0 / kBundleCounts[i]);
    }
    for (std::size_t i = 0; i < perBundle.size(); ++i)
        std::printf("added start-up per machine bundle at %6d bundles: %8.1f us (fastest runs: "
                    "%.1f us)\n",
                    kBundleCounts[i], perBundle[i], perBundleFastest[i]);
    if (perBundle.size() == 2 && perBundle[0] > 0 && perBundleFastest[0] > 0)
        std::printf("growth of the per-bundle cost from %d to %d bundles: x%.2f (fastest runs: "
                    "x%.2f)\n",
                    kBundleCounts[0], kBundleCounts[1], perBundle[1] / perBundle[0],
                    perBundleFastest[1] / perBundleFastest[0]);
    return failures == 0 ? 0 : 1;
}
