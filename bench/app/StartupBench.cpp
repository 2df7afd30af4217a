// Whole-process start-up, side by side in one run: from starting the process until the main
// window's complete first frame (every control and text drawn), for
//   - the floor of all, a QApplication showing one QLabel;
//   - the bare form window, MainDialog.ui alone by QUiLoader;
//   - the equivalent window: the same form, pictures, texts, popup and menu bar made with
//     plain Qt and none of the project's code;
//   - Trellis on the demo installation, warm (its pictures decoded in the user's cache) and
//     as the first start after installation (an empty picture cache before every run), and
//     with 1,000, 10,000 and 100,000 more machine bundles (the added cost per bundle and its
//     growth);
// and SheetGlideTuner2 until it calls its plug-in's entry point against a QApplication that
// only loads the same plug-in and calls it. Wall times are medians of interleaved runs; peak
// resident memory is taken at the frame and over the whole run; where valgrind is installed,
// instructions (callgrind) to the same points.
//
// bench_app_startup [runs] [--no-instructions] [--bundles N]
//     (default 15 runs per case, offscreen; installations of up to N machine bundles, 100,000)
//
// The installation is staged from this build tree with `cmake --install`. Each run starts
// with empty preferences and ends with SIGTERM, which Trellis answers like its Quit command.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <map>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kBundleCounts[] = {1000, 10000, 100000};
const QString kPrinter = QStringLiteral("MX-R74400 Series");
const QString kPluginName = QStringLiteral("SGTR74");

struct Program {
    QString name;
    QStringList argv;       // the program first
    QByteArray mark;        // the line that ends the clock; empty: the program's end, its
                            // standard output going to /dev/null (a report, not a window)
    bool quits = true;      // ended with SIGTERM at the mark (else it ends by itself)
    QStringList env;        // added NAME=value pairs
    bool coldCache = false; // an empty picture cache before every run
};

struct Run {
    double ms = -1;
    double frameMiB = 0; // peak resident memory at the mark
    double runMiB = 0;   // over the whole run, quitting included
};

struct Figures {
    std::vector<double> times;
    double frameMiB = 0;
    double runMiB = 0;
    int failures = 0;
    std::optional<double> instructions; // millions
    double median() const {
        if (times.empty())
            return 0;
        std::vector<double> sorted = times;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
    double minimum() const {
        return times.empty() ? 0 : *std::min_element(times.begin(), times.end());
    }
};

QString sScratch;

double peakSoFarMiB(pid_t pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

// The environment of every run: offscreen, empty preferences, a scratch of its own.
std::vector<QByteArray> environmentFor(const Program& program) {
    std::map<QByteArray, QByteArray> values;
    for (char** entry = environ; *entry; ++entry) {
        const QByteArray pair(*entry);
        const qsizetype equals = pair.indexOf('=');
        if (equals > 0)
            values[pair.left(equals)] = pair.mid(equals + 1);
    }
    const QByteArray scratch = QFile::encodeName(sScratch);
    values["QT_QPA_PLATFORM"] = "offscreen";
    values["XDG_CONFIG_HOME"] = scratch + "/config";
    values["XDG_CACHE_HOME"] = scratch + (program.coldCache ? "/cold-cache" : "/cache");
    values["XDG_RUNTIME_DIR"] = scratch + "/run";
    values["TMPDIR"] = scratch + "/tmp";
    values["TRELLIS_REPORT_SHOWN"] = "1";
    values["TRELLIS_ALERT_LOG"] = scratch + "/alerts.jsonl";
    for (const QString& pair : program.env)
        values[pair.section('=', 0, 0).toUtf8()] = pair.section('=', 1).toUtf8();
    std::vector<QByteArray> result;
    for (const auto& [name, value] : values)
        result.push_back(name + '=' + value);
    return result;
}

// Starts `argv` with standard output and error on one pipe; `onMark` is called when a line
// starting with `mark` arrives. The whole output, and the run's figures.
Run spawn(const QStringList& argv, const Program& program, const std::function<void(pid_t)>& onMark,
          QByteArray* output = nullptr) {
    Run run;
    QDir(sScratch + "/config").removeRecursively();
    if (program.coldCache)
        QDir(sScratch + "/cold-cache").removeRecursively();
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (program.mark.isEmpty())
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    else
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
    std::vector<QByteArray> args;
    for (const QString& arg : argv)
        args.push_back(QFile::encodeName(arg));
    std::vector<char*> argp;
    for (QByteArray& arg : args)
        argp.push_back(arg.data());
    argp.push_back(nullptr);
    std::vector<QByteArray> env = environmentFor(program);
    std::vector<char*> envp;
    for (QByteArray& pair : env)
        envp.push_back(pair.data());
    envp.push_back(nullptr);

    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        return run;
    }
    QByteArray seen;
    bool marked = false;
    QElapsedTimer deadline;
    deadline.start();
    for (;;) {
        pollfd wait{pipeEnds[0], POLLIN, 0};
        const int ready = ::poll(&wait, 1, 100);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0) {
            char buffer[4096];
            const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
            if (got <= 0) {
                if (program.mark.isEmpty() && !marked) {
                    marked = true;
                    run.ms = double(timer.nsecsElapsed()) / 1e6;
                }
                break; // the end of the output: the process is gone
            }
            // Only the new bytes are searched: a program that writes megabytes before its mark
            // (trellis-check's report) is not timed by how long the search takes.
            const qsizetype from = std::max<qsizetype>(0, seen.size() - program.mark.size() - 1);
            seen.append(buffer, got);
            if (!marked &&
                (seen.startsWith(program.mark) || seen.indexOf('\n' + program.mark, from) >= 0)) {
                marked = true;
                run.ms = double(timer.nsecsElapsed()) / 1e6;
                run.frameMiB = peakSoFarMiB(pid);
                onMark(pid);
                deadline.restart();
            }
        }
        if (deadline.elapsed() > (marked ? 60000 : 180000)) {
            ::kill(pid, SIGKILL);
            break;
        }
    }
    ::close(pipeEnds[0]);
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.runMiB = double(usage.ru_maxrss) / 1024.0;
    if (!marked)
        run.ms = -1;
    if (output)
        *output = seen;
    return run;
}

Run runOnce(const Program& program) {
    return spawn(program.argv, program, [&](pid_t pid) {
        if (program.quits)
            ::kill(pid, SIGTERM);
    });
}

// The instructions counted in callgrind's dump files, in millions.
double instructionsIn(const QStringList& files) {
    double total = 0;
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        while (!file.atEnd()) {
            const QByteArray line = file.readLine();
            if (line.startsWith("totals:") || line.startsWith("summary:")) {
                total += line.split(' ').value(1).trimmed().toDouble();
                break;
            }
        }
    }
    return total / 1e6;
}

// Instructions to the mark. A window program is dumped before every fflush: the dumps
// written up to the fflush of its mark add up to the frame. A set-up launcher is dumped
// before its plug-in's entry point: the first dump is everything before that. Only the
// numbered dumps count ("cg.<pid>.<n>"): the file without a number is the last dump, written
// when the program ends, and holds its quitting.
std::optional<double> countInstructions(const Program& program, const QString& entryPoint) {
    const QString folder = sScratch + "/callgrind";
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QStringList argv = {QStringLiteral("valgrind"), QStringLiteral("-q"),
                        QStringLiteral("--tool=callgrind"),
                        QStringLiteral("--callgrind-out-file=") + folder + "/cg.%p"};
    argv << (entryPoint.isEmpty() ? QStringLiteral("--dump-before=fflush")
                                  : QStringLiteral("--dump-before=") + entryPoint);
    argv += program.argv;
    QStringList atMark;
    const Run run = spawn(argv, program, [&](pid_t pid) {
        // The mark is written before the fflush that dumps it: wait for that dump.
        const qsizetype before = QDir(folder).entryList(QDir::Files).size();
        QElapsedTimer waited;
        waited.start();
        while (entryPoint.isEmpty() && waited.elapsed() < 20000 &&
               QDir(folder).entryList(QDir::Files).size() == before)
            ::usleep(10000);
        ::usleep(200000); // the dump written whole
        atMark = QDir(folder).entryList(QDir::Files);
        if (program.quits)
            ::kill(pid, SIGTERM);
    });
    if (run.ms < 0)
        return std::nullopt;
    const QStringList written = entryPoint.isEmpty() ? atMark : QDir(folder).entryList(QDir::Files);
    QStringList dumps;
    for (const QString& name : written) {
        const bool numbered = name.count(QLatin1Char('.')) == 2;
        if (numbered && (entryPoint.isEmpty() || name.endsWith(QStringLiteral(".1"))))
            dumps << folder + '/' + name;
    }
    if (dumps.isEmpty())
        return std::nullopt;
    return instructionsIn(dumps);
}

// Without a time limit: removing 100,000 bundles takes minutes on a busy disk.
bool runTool(const QString& program, const QStringList& arguments, const QString& what) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(what));
        return false;
    }
    return true;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// Adds machine bundles of one model each to an installation.
void addMachineBundles(const QString& root, int count) {
    for (int i = 0; i < count; ++i) {
        const QString number = QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0'));
        const QString bundle = root + "/MachineBundle/BX" + number + ".bundle/Contents";
        QDir().mkpath(bundle + "/Resources");
        writeFile(bundle + "/Info.plist",
                  QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist "
                                 "version=\"1.0\"><dict><key>CFBundleName</key><string>BX%1"
                                 "</string><key>CFBundleVersion</key><string>1.0.%2</string>"
                                 "</dict></plist>\n")
                      .arg(number)
                      .arg(i)
                      .toUtf8());
        writeFile(bundle + "/Resources/Setting.xml",
                  QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist "
                                 "version=\"1.0\"><dict><key>MODEL</key><array><string>BX-%1 "
                                 "Series</string></array><key>INITIAL</key><dict><key>BX-%1 "
                                 "Series</key><string>B%1</string></dict><key>FUNCTION</key>"
                                 "<dict><key>BX-%1 Series</key><integer>3</integer></dict>"
                                 "</dict></plist>\n")
                      .arg(number)
                      .toUtf8());
    }
}

// Runs every program `runs` times, interleaved, after one run each to warm the file cache
// and the picture cache.
std::vector<Figures> measure(const std::vector<Program>& programs, int runs) {
    std::vector<Figures> figures(programs.size());
    for (const Program& program : programs)
        runOnce(program);
    for (int i = 0; i < runs; ++i) {
        for (std::size_t p = 0; p < programs.size(); ++p) {
            const Run run = runOnce(programs[p]);
            if (run.ms < 0) {
                ++figures[p].failures;
                continue;
            }
            figures[p].times.push_back(run.ms);
            figures[p].frameMiB = std::max(figures[p].frameMiB, run.frameMiB);
            figures[p].runMiB = std::max(figures[p].runMiB, run.runMiB);
        }
    }
    return figures;
}

QString ratio(double value, double base) {
    return base > 0 && value > 0 ? QString::asprintf("%.2fx", value / base) : QStringLiteral("-");
}

void printRow(const QString& name, const Figures& f, const Figures& base) {
    const QString instructions =
        f.instructions ? QString::asprintf("%.1f", *f.instructions) : QStringLiteral("n/a");
    std::printf("%-34s %8.1f %8.1f %7s %8s %7s %8.1f %8.1f %4d\n", qPrintable(name), f.median(),
                f.minimum(), qPrintable(ratio(f.median(), base.median())), qPrintable(instructions),
                qPrintable(f.instructions && base.instructions
                               ? ratio(*f.instructions, *base.instructions)
                               : QStringLiteral("-")),
                f.frameMiB, f.runMiB, f.failures);
}

void printHeader(const char* title, int runs) {
    std::printf("\n%s (offscreen; wall: median and fastest of %d interleaved runs; "
                "instructions: callgrind, millions)\n",
                title, runs);
    std::printf("%-34s %8s %8s %7s %8s %7s %8s %8s %4s\n", "", "wall ms", "min ms", "ratio",
                "instr M", "ratio", "MiB@mark", "MiB run", "fail");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    int runs = 15;
    bool instructions = !QStandardPaths::findExecutable(QStringLiteral("valgrind")).isEmpty();
    int maxBundles = kBundleCounts[std::size(kBundleCounts) - 1];
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-instructions") == 0)
            instructions = false;
        else if (std::strcmp(argv[i], "--bundles") == 0 && i + 1 < argc)
            maxBundles = std::atoi(argv[++i]);
        else
            runs = std::max(1, std::atoi(argv[i]));
    }

    QTemporaryDir scratch;
    sScratch = scratch.path();
    for (const char* folder : {"tmp", "run", "cache"})
        QDir().mkpath(scratch.filePath(QString::fromLatin1(folder)));
    QFile::setPermissions(scratch.filePath("run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString stage = scratch.filePath("demo");
    if (!runTool(QStringLiteral(TRELLIS_CMAKE),
                 {"--install", QStringLiteral(TRELLIS_BUILD_DIR), "--prefix", stage},
                 "staging the demo installation"))
        return 1;
    const QString demoRoot = stage + QStringLiteral("/" TRELLIS_INSTALL_ROOT_NAME);
    const QString resources = demoRoot + "/Trellis.app/Contents/Resources";
    const QString executable = "/Trellis.app/Contents/MacOS/Trellis";

    // The set-up launcher reaches the SDK's example plug-in, put in place of the sample one.
    const QString tool = demoRoot + "/Sheet Glide Tuner";
    const QString pluginBundle = tool + "/Plugin/PrinterPlugin/" + kPluginName + ".plugin";
    const QString pluginObject = pluginBundle + "/Contents/MacOS/" + kPluginName;
    if (!QFile::remove(pluginObject) ||
        !QFile::copy(QStringLiteral(TRELLIS_EXAMPLE_PLUGIN), pluginObject)) {
        std::fprintf(stderr, "cannot put the example plug-in in place\n");
        return 1;
    }
    const QString descriptor =
        QStringLiteral("TRELLIS_LAUNCH_DESCRIPTOR=75746638:") + kPrinter.toUtf8().toBase64();
    const QByteArray entryMark = "Example plug-in:";

    const std::vector<Program> programs = {
        {QStringLiteral("QLabel floor"),
         {QStringLiteral(TRELLIS_BARE_WINDOW), "--label"},
         "shown ",
         true,
         {}},
        {QStringLiteral("bare form window"),
         {QStringLiteral(TRELLIS_BARE_WINDOW), resources + "/main.nib/MainDialog.ui"},
         "shown ",
         true,
         {}},
        {QStringLiteral("equivalent window"),
         {QStringLiteral(TRELLIS_EQUIVALENT_WINDOW), resources},
         "shown ",
         true,
         {}},
        {QStringLiteral("Trellis, demo installation"), {demoRoot + executable}, "shown ", true, {}},
        {QStringLiteral("Trellis, demo, first start"),
         {demoRoot + executable},
         "shown ",
         true,
         {},
         true},
        {QStringLiteral("QApplication + dlopen floor"),
         {QStringLiteral(TRELLIS_PLUGIN_FLOOR), pluginObject, pluginBundle, kPrinter},
         entryMark,
         false,
         {}},
        {QStringLiteral("SheetGlideTuner2"),
         {tool + "/Sheet Glide Tuner.app/Contents/MacOS/SheetGlideTuner2"},
         entryMark,
         false,
         {descriptor}},
    };
    enum { kLabel, kBare, kEquivalent, kTrellis, kTrellisFirst, kPluginFloor, kSetUp };
    std::vector<Figures> figures = measure(programs, runs);
    if (instructions) {
        for (std::size_t p = 0; p < programs.size(); ++p)
            figures[p].instructions = countInstructions(
                programs[p], p >= kPluginFloor ? QStringLiteral("SGT_OpenSetUpDialog") : QString());
    }

    // Each larger installation on its own, the demo installation interleaved with it.
    std::vector<Figures> big;
    std::vector<Figures> checks; // trellis-check on the same installation, to its summary line
    std::vector<Figures> demoBeside;
    std::optional<double> perBundleInstructions;
    for (const int count : kBundleCounts) {
        if (count > maxBundles)
            break;
        const QString bigStage = scratch.filePath(QStringLiteral("big%1").arg(count));
        if (!runTool("cp", {"-a", stage, bigStage}, "copying the installation"))
            return 1;
        const QString bigRoot = bigStage + QStringLiteral("/" TRELLIS_INSTALL_ROOT_NAME);
        addMachineBundles(bigRoot, count);
        const Program bigTrellis{QStringLiteral("Trellis + %L1 machine bundles").arg(count),
                                 {bigRoot + executable},
                                 "shown ",
                                 true,
                                 {}};
        const Program bigCheck{QStringLiteral("trellis-check + %L1 machine bundles").arg(count),
                               {stage + "/bin/trellis-check", "--root", bigRoot},
                               {},
                               false,
                               {}};
        std::vector<Figures> pair = measure({programs[kTrellis], bigTrellis, bigCheck}, runs);
        // Counted up to 10,000 bundles: under callgrind, 100,000 take many minutes.
        if (instructions && count <= 10000 && figures[kTrellis].instructions) {
            pair[1].instructions = countInstructions(bigTrellis, QString());
            if (pair[1].instructions && count == kBundleCounts[0])
                perBundleInstructions =
                    (*pair[1].instructions - *figures[kTrellis].instructions) * 1e6 / count;
        }
        demoBeside.push_back(pair[0]);
        big.push_back(pair[1]);
        checks.push_back(pair[2]);
        runTool("rm", {"-rf", bigStage}, "removing the copy");
    }

    int failures = 0;
    printHeader("Start to the main window's complete first frame", runs);
    for (int p = kLabel; p <= kTrellisFirst; ++p)
        printRow(programs[std::size_t(p)].name, figures[std::size_t(p)], figures[kBare]);
    for (std::size_t i = 0; i < big.size(); ++i)
        printRow(QStringLiteral("Trellis + %L1 machine bundles").arg(kBundleCounts[i]), big[i],
                 figures[kBare]);
    std::printf("(ratio: to the bare form window)\n");

    const Figures& trellis = figures[kTrellis];
    std::printf("\nRatios of Trellis on the demo installation:\n");
    for (int p : {kLabel, kBare, kEquivalent}) {
        const Figures& floor = figures[std::size_t(p)];
        std::printf("  to the %-24s wall %6s   instructions %6s\n",
                    qPrintable(programs[std::size_t(p)].name),
                    qPrintable(ratio(trellis.median(), floor.median())),
                    qPrintable(trellis.instructions && floor.instructions
                                   ? ratio(*trellis.instructions, *floor.instructions)
                                   : QStringLiteral("-")));
    }

    std::printf("\nAdded start-up per machine bundle (over the demo installation measured beside "
                "it):\n");
    std::vector<double> perBundle;
    for (std::size_t i = 0; i < big.size(); ++i) {
        const double added = (big[i].median() - demoBeside[i].median()) * 1000.0 / kBundleCounts[i];
        const double fastest =
            (big[i].minimum() - demoBeside[i].minimum()) * 1000.0 / kBundleCounts[i];
        perBundle.push_back(added);
        std::printf("  %7d bundles: %8.1f us (fastest runs: %.1f us); %8.1f ms to the frame, "
                    "%.1f MiB at the frame, %.1f MiB over the run\n",
                    kBundleCounts[i], added, fastest, big[i].median(), big[i].frameMiB,
                    big[i].runMiB);
    }
    if (perBundle.size() == 3 && perBundle[0] > 0)
        std::printf("  growth of the per-bundle cost: x%.2f from 1,000 to 10,000 bundles, x%.2f "
                    "from 1,000 to 100,000\n",
                    perBundle[1] / perBundle[0], perBundle[2] / perBundle[0]);
    if (perBundleInstructions)
        std::printf("  instructions per bundle to the frame (1,000 bundles): %.0f\n",
                    *perBundleInstructions);

    printHeader("trellis-check to its end (report to /dev/null), beside Trellis to its frame",
                runs);
    for (std::size_t i = 0; i < checks.size(); ++i) {
        printRow(QStringLiteral("trellis-check + %L1 bundles").arg(kBundleCounts[i]), checks[i],
                 big[i]);
        failures += checks[i].failures;
    }
    std::printf("(ratio: to Trellis on the same installation)\n");

    printHeader("SheetGlideTuner2 to its plug-in's entry point", runs);
    printRow(programs[kPluginFloor].name, figures[kPluginFloor], figures[kPluginFloor]);
    printRow(programs[kSetUp].name, figures[kSetUp], figures[kPluginFloor]);
    std::printf("(ratio: to the QApplication + dlopen floor)\n");

    for (const Figures& f : figures)
        failures += f.failures;
    for (const Figures& f : big)
        failures += f.failures;
    return failures == 0 ? 0 : 1;
}
