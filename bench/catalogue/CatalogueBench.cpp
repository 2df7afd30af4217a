// Cost of building the machine catalogue and of answering the tool-button question for
// every printer and tool, for installations of 10 to 10,000 machine bundles.

#include "catalogue/SettingFileEx.h"
#include "config/SettingFile.h"
#include "platform/Bundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>

namespace {

constexpr int kModelsPerBundle = 3;
// Tools 0, 2 and 6; only tool 2's plug-ins are installed, so every answer takes a
// different path: a missing plug-in, a present one, and the newer-system rule.
constexpr int kToolMask = 0x45;

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
}

QByteArray plist(const QByteArray& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + body +
           "\n</plist>\n";
}

// An installation with `bundles` machine bundles beside a launcher package.
class Installation {
public:
    explicit Installation(int bundles) {
        const QString base = m_dir.path();
        writeFile(base + "/Trellis.app/Contents/Info.plist",
                  plist("<dict><key>CFBundleIdentifier</key><string>bench.trellis</string>"
                        "<key>CFBundleVersion</key><string>1.0</string></dict>"));
        QDir().mkpath(base + "/Trellis.app/Contents/Resources/Settings");
        for (int b = 0; b < bundles; ++b) {
            QByteArray models, initials, functions;
            for (int m = 0; m < kModelsPerBundle; ++m) {
                const QByteArray model =
                    "MX-B" + QByteArray::number(b) + "-" + QByteArray::number(m) + " Series";
                const QByteArray initial =
                    "B" + QByteArray::number(b) + "M" + QByteArray::number(m);
                models += "<string>" + model + "</string>";
                initials += "<key>" + model + "</key><string>" + initial + "</string>";
                functions += "<key>" + model + "</key><integer>" + QByteArray::number(kToolMask) +
                             "</integer>";
                QDir().mkpath(base + "/Sheet Glide Tuner/Plugin/PrinterPlugin/SGT" +
                              QString::fromLatin1(initial) + ".plugin");
            }
            const QString bundle =
                base +
                QStringLiteral("/MachineBundle/Family%1.bundle/Contents").arg(b, 5, 10, QChar('0'));
            writeFile(bundle + "/Info.plist",
                      plist("<dict><key>CFBundleVersion</key><string>2.0</string></dict>"));
            writeFile(bundle + "/Resources/Setting.xml",
                      plist("<dict><key>MODEL</key><array>" + models +
                            "</array><key>INITIAL</key><dict>" + initials +
                            "</dict><key>FUNCTION</key><dict>" + functions + "</dict></dict>"));
        }
    }
    QString packagePath() const { return m_dir.path() + QStringLiteral("/Trellis.app"); }

private:
    QTemporaryDir m_dir;
};

// Trees are built once per size and kept for the run.
const Installation& installation(int bundles) {
    static std::map<int, std::unique_ptr<Installation>> trees;
    auto& tree = trees[bundles];
    if (!tree)
        tree = std::make_unique<Installation>(bundles);
    platform::Bundle::setMainBundlePath(tree->packagePath());
    return *tree;
}

void resetSingletons() {
    CSettingFileEx::DestroyInstance();
    CSettingFile::DestroyInstance();
}

void BM_FacadeConstruction(benchmark::State& state) {
    const int bundles = static_cast<int>(state.range(0));
    installation(bundles);
    // One untimed build first: the large sizes run only once or twice, and a first pass over
    // a tree just written would count the file system's caches filling, not the catalogue.
    resetSingletons();
    CSettingFileEx::GetInstance();
    long printers = 0;
    for (auto _ : state) {
        resetSingletons();
        printers = CSettingFileEx::GetInstance()->GetSupportPrinterNum();
    }
    if (printers != bundles * kModelsPerBundle)
        state.SkipWithError("catalogue is incomplete");
    state.counters["printers"] = static_cast<double>(printers);
    state.counters["per_bundle"] = benchmark::Counter(
        static_cast<double>(bundles),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetComplexityN(bundles);
    resetSingletons();
}

void BM_IsSupportApplicationForEveryPrinterAndTool(benchmark::State& state) {
    const int bundles = static_cast<int>(state.range(0));
    installation(bundles);
    resetSingletons();
    CSettingFileEx* facade = CSettingFileEx::GetInstance();
    const long printers = facade->GetSupportPrinterNum();
    long offered = 0;
    for (auto _ : state) {
        offered = 0;
        for (long i = 0; i < printers; ++i) {
            const QString name = facade->GetSupportPrinterName(i);
            for (long tool = 0; tool < 7; ++tool)
                offered += facade->IsSupportApplication(name, tool) ? 1 : 0;
        }
        benchmark::DoNotOptimize(offered);
    }
    if (offered != printers * 2)
        state.SkipWithError("unexpected answers");
    state.counters["questions"] = static_cast<double>(printers * 7);
    state.counters["per_question"] = benchmark::Counter(
        static_cast<double>(printers * 7),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetComplexityN(bundles);
    resetSingletons();
}

BENCHMARK(BM_FacadeConstruction)
    ->RangeMultiplier(10)
    ->Range(10, 10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_IsSupportApplicationForEveryPrinterAndTool)
    ->RangeMultiplier(10)
    ->Range(10, 10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

} // namespace
