// What the window's pictures cost: decoding each PNG picture of a folder (the shipped ones
// by default) with Qt's decoder alone and through the platform's loader (which also puts
// it in the form it is painted from), and painting the decoder's output once at the size
// it is drawn. Prints microseconds per picture, averaged over rounds.
//   bench_pictures [folder] [rounds] [scale]
// With rounds 1 under callgrind, toggle collection on rawDecodeAll, decodeAll or paintAll
// to count the instructions of one start's pictures:
//   valgrind --tool=callgrind --toggle-collect='decodeAll*' bench_pictures <folder> 1

#include "platform/Drawing.h"
#include "platform/TestingAccess.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

double microseconds(Clock::duration span) {
    return std::chrono::duration<double, std::micro>(span).count();
}

// The pictures a window shows at a time: every plain picture (not the double-size ones).
QStringList pictures(const QDir& folder) {
    QStringList names;
    for (const QString& name : folder.entryList({QStringLiteral("*.png")}, QDir::Files)) {
        if (!name.contains(QLatin1String("@2x")) && name != QLatin1String("trellis.png"))
            names << name;
    }
    return names;
}

[[gnu::noinline]] std::vector<CGImageRef> decodeAll(const QDir& folder, const QStringList& names,
                                                    double scale) {
    std::vector<CGImageRef> images;
    for (const QString& name : names)
        images.push_back(
            platform::CGImageCreateWithPNGFile(QUrl::fromLocalFile(folder.filePath(name)), scale));
    return images;
}

// Qt's decoder alone, as the loader used it before it chose a paint-ready form.
[[gnu::noinline]] std::vector<QImage> rawDecodeAll(const QDir& folder, const QStringList& names) {
    std::vector<QImage> images;
    for (const QString& name : names) {
        QImageReader reader(folder.filePath(name), "PNG");
        images.push_back(reader.read());
    }
    return images;
}

// Paints each picture at its drawn size (points) onto a window-like surface.
[[gnu::noinline]] void paintAll(const std::vector<QImage>& images, QImage& surface) {
    QPainter painter(&surface);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const QImage& image : images)
        painter.drawImage(QRectF(QPointF(0, 0), image.deviceIndependentSize()), image);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1])
                               : QStringLiteral(TRELLIS_PICTURES));
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50;
    const double scale = argc > 3 ? std::atof(argv[3]) : 1.0;
    const QStringList names = pictures(folder);
    if (names.isEmpty()) {
        std::fprintf(stderr, "no pictures in %s\n", qPrintable(folder.path()));
        return 1;
    }

    // Per picture: Qt's decoder alone, then the platform's load (decoder and conversion).
    std::printf("%-28s %10s %9s %12s %12s\n", "picture", "pixels", "format", "decode us",
                "load us");
    double totalDecode = 0;
    double totalLoad = 0;
    for (const QString& name : names) {
        const QString path = folder.filePath(name);
        QImage probe;
        Clock::duration decode{};
        for (int i = 0; i < rounds; ++i) {
            const auto start = Clock::now();
            QImageReader reader(path, "PNG");
            probe = reader.read();
            decode += Clock::now() - start;
        }
        Clock::duration load{};
        CGImageRef loaded;
        for (int i = 0; i < rounds; ++i) {
            const auto start = Clock::now();
            loaded = platform::CGImageCreateWithPNGFile(QUrl::fromLocalFile(path), scale);
            load += Clock::now() - start;
        }
        const QImage pixels = platform::imageForTesting(loaded);
        const double d = microseconds(decode) / rounds;
        const double l = microseconds(load) / rounds;
        totalDecode += d;
        totalLoad += l;
        std::printf("%-28s %10lld %9s %12.1f %12.1f\n", qPrintable(name),
                    static_cast<long long>(pixels.width()) * pixels.height(),
                    probe.hasAlphaChannel() ? "alpha" : "opaque", d, l);
    }
    std::printf("%-28s %10s %9s %12.1f %12.1f\n", "all", "", "", totalDecode, totalLoad);

    // One start's worth: load every picture once, then paint each at its drawn size.
    Clock::duration loadAll{};
    Clock::duration paint{};
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        const std::vector<CGImageRef> images = decodeAll(folder, names, scale);
        loadAll += Clock::now() - start;
        // As the decoder gives them: pictures with alpha come as non-premultiplied ARGB,
        // which painting converts every time.
        const std::vector<QImage> painted = rawDecodeAll(folder, names);
        QImage surface(qRound(560 * scale), qRound(640 * scale), QImage::Format_RGB32);
        surface.setDevicePixelRatio(scale);
        const auto paintStart = Clock::now();
        paintAll(painted, surface);
        paint += Clock::now() - paintStart;
    }
    std::printf("load all %d pictures: %.1f us; paint them once: %.1f us (%d rounds, scale %g)\n",
                int(names.size()), microseconds(loadAll) / rounds, microseconds(paint) / rounds,
                rounds, scale);
    return 0;
}
