// Loading time of the string table against the size of its three files.

#include "localize/Localize.h"
#include "platform/Bundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
}

// A package Bench.app whose settings hold `records` strings, each with its own font line,
// standing in for the running program while it lives.
class FakeInstallation {
public:
    explicit FakeInstallation(int records) {
        const QString package = m_dir.path() + QStringLiteral("/Bench.app");
        const QString settings = package + QStringLiteral("/Contents/Resources/Settings");
        QDir().mkpath(settings);
        QDir().mkpath(package + QStringLiteral("/Contents/MacOS"));
        writeFile(package + QStringLiteral("/Contents/Info.plist"),
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<plist version=\"1.0\"><dict>"
                  "<key>CFBundleName</key><string>Bench</string>"
                  "<key>CFBundleExecutable</key><string>Bench</string>"
                  "</dict></plist>\n");

        QByteArray strings = "[Strings]\r\n";
        QByteArray fonts = "[Fonts]\r\n";
        char line[128];
        for (int i = 0; i < records; ++i) {
            std::snprintf(line, sizeof line, "%08d=Text of string number %d\\nsecond line\r\n", i,
                          i);
            strings += line;
            // Fonts in reverse order: an entry is found late in the file.
            std::snprintf(line, sizeof line, "%08d=%d,1,0,1\r\n", records - 1 - i,
                          9 + (records - 1 - i) % 8);
            fonts += line;
        }
        fonts += "00999999=10,0,0,0\r\n";
        writeFile(settings + QStringLiteral("/Localize.ini"), strings);
        writeFile(settings + QStringLiteral("/L_Const.ini"), "99000000=Constant\r\n");
        writeFile(settings + QStringLiteral("/L_Font.ini"), fonts);
        platform::Bundle::setMainBundlePath(package);
    }
    ~FakeInstallation() { platform::Bundle::setMainBundlePath(QString()); }

private:
    QTemporaryDir m_dir;
};

void BM_LoadStringTable(benchmark::State& state) {
    const int records = static_cast<int>(state.range(0));
    FakeInstallation installation(records);
    size_t loaded = 0;
    for (auto _ : state) {
        CLocalize::DestroyInstance();
        loaded = CLocalize::GetInstance()->Records().size();
        benchmark::DoNotOptimize(loaded);
    }
    CLocalize::DestroyInstance();
    if (loaded != static_cast<size_t>(records) + 1)
        state.SkipWithError("the table does not hold every record");
    state.SetComplexityN(records);
    state.SetItemsProcessed(state.iterations() * records);
}

BENCHMARK(BM_LoadStringTable)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

} // namespace
