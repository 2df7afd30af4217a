#include "platform/Drawing.h"

#include "platform/FileSystem.h"
#include "platform/WindowSystemObjects.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextLayout>
#include <QWidget>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

OpaqueCGContext::OpaqueCGContext(QWidget* target) : widget(target) {}
OpaqueCGContext::~OpaqueCGContext() = default;

QPainter& OpaqueCGContext::painter() {
    if (!ownPainter) {
        ownPainter = std::make_unique<QPainter>(widget);
        ownPainter->setRenderHint(QPainter::SmoothPixmapTransform);
        ownPainter->setRenderHint(QPainter::TextAntialiasing);
    }
    return *ownPainter;
}

namespace {

QFont themeFont(UInt16 fontID) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (fontID == kThemeSmallSystemFont) {
        // The small system font keeps the classic 11:13 ratio to the system font.
        if (font.pointSizeF() > 0)
            font.setPointSizeF(font.pointSizeF() * 11.0 / 13.0);
        else if (font.pixelSize() > 0)
            font.setPixelSize(std::max(1, font.pixelSize() * 11 / 13));
    }
    return font;
}

// Opaque pictures stay in a format that paints without conversion; pictures with alpha are
// premultiplied once here instead of at every paint.
bool decodePNG(const QString& path, QImage& out) {
    QImageReader reader(path, "PNG");
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return false;
    if (image.hasAlphaChannel())
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    else if (image.format() != QImage::Format_RGB32)
        image.convertTo(QImage::Format_RGB32);
    out = std::move(image);
    return true;
}

// The decoded form of a picture in the user's cache folder: this header, then the rows of
// 32-bit pixels without padding. It stands for the PNG of the recorded size and time only.
struct PictureCacheHeader {
    char magic[8];
    quint32 width;
    quint32 height;
    quint32 stride;
    quint32 format;
    qint64 sourceSize;
    qint64 sourceTime; // nanoseconds
};
constexpr char kPictureCacheMagic[8] = {'T', 'R', 'P', 'X', 'L', '0', '0', '1'};
constexpr qint64 kPictureCacheHeaderSize = 64;
static_assert(sizeof(PictureCacheHeader) <= kPictureCacheHeaderSize);
constexpr quint32 kMaxCachedSide = 16384;

struct SourceStamp {
    qint64 size = -1;
    qint64 time = 0;
};

SourceStamp stampOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    return {qint64(info.st_size), qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

bool cachedFormat(quint32 format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied;
}

// The cached pixels when the cache is a regular file (no link followed) that describes this
// very PNG and holds exactly the pixels its header announces; nothing is trusted before that.
bool readPictureCache(const QString& cache, const SourceStamp& source, QImage& out) {
    qint64 size = 0;
    const int fd = platform::openRegularFile(cache, &size, false);
    if (fd < 0)
        return false;
    PictureCacheHeader header{};
    bool read = false;
    if (size >= kPictureCacheHeaderSize &&
        ::pread(fd, &header, sizeof header, 0) == ssize_t(sizeof header) &&
        std::memcmp(header.magic, kPictureCacheMagic, sizeof header.magic) == 0 &&
        header.sourceSize == source.size && header.sourceTime == source.time &&
        cachedFormat(header.format) && header.width > 0 && header.width <= kMaxCachedSide &&
        header.height > 0 && header.height <= kMaxCachedSide && header.stride == header.width * 4 &&
        size - kPictureCacheHeaderSize == qint64(header.stride) * header.height) {
        QImage image(int(header.width), int(header.height), QImage::Format(header.format));
        const qint64 bytes = qint64(header.stride) * header.height;
        if (!image.isNull() && image.bytesPerLine() == qsizetype(header.stride)) {
            qint64 done = 0;
            while (done < bytes) {
                const ssize_t got = ::pread(fd, image.bits() + done, std::size_t(bytes - done),
                                            off_t(kPictureCacheHeaderSize + done));
                if (got < 0 && errno == EINTR)
                    continue;
                if (got <= 0)
                    break;
                done += got;
            }
            if (done == bytes) {
                out = std::move(image);
                read = true;
            }
        }
    }
    ::close(fd);
    return read;
}

void writePictureCache(const QString& cache, const SourceStamp& source, const QImage& image) {
    if (!cachedFormat(quint32(image.format())) || image.width() <= 0 ||
        quint32(image.width()) > kMaxCachedSide || image.height() <= 0 ||
        quint32(image.height()) > kMaxCachedSide)
        return;
    PictureCacheHeader header{};
    std::memcpy(header.magic, kPictureCacheMagic, sizeof header.magic);
    header.width = quint32(image.width());
    header.height = quint32(image.height());
    header.stride = header.width * 4;
    header.format = quint32(image.format());
    header.sourceSize = source.size;
    header.sourceTime = source.time;
    QByteArray head(kPictureCacheHeaderSize, '\0');
    std::memcpy(head.data(), &header, sizeof header);
    QDir().mkpath(QFileInfo(cache).path());
    // Whatever stands in the copy's place goes first: a save through a link would write to
    // the link's target.
    struct stat there {};
    const QByteArray native = QFile::encodeName(cache);
    if (::lstat(native.constData(), &there) == 0 && !S_ISREG(there.st_mode) &&
        ::unlink(native.constData()) != 0)
        return;
    QSaveFile file(cache);
    if (!file.open(QIODevice::WriteOnly) || file.write(head) != head.size())
        return;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const char*>(image.constScanLine(y));
        if (file.write(row, qint64(header.stride)) != qint64(header.stride))
            return;
    }
    file.commit();
}

// A PNG's pixels: from the user's cache when it holds them for this very file, decoded
// otherwise (and the cache made afresh).
// Saves 22% of the demo's first frame, 107.1 to 83.5 M instr.: bench/report.sh, "first start"
bool loadPicture(const QString& path, QImage& out) {
    const SourceStamp source = stampOf(path);
    if (source.size < 0)
        return false;
    const QString cache = platform::pictureCachePath(path);
    if (!cache.isEmpty() && readPictureCache(cache, source, out))
        return true;
    if (!decodePNG(path, out))
        return false;
    if (!cache.isEmpty())
        writePictureCache(cache, source, out);
    return true;
}

QRectF toQRectF(const HIRect& rect) {
    return {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height};
}

} // namespace

namespace platform {

QString pictureCachePath(const QString& pngPath) {
    // One folder for every program of the installation, as for the preferences.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (folder.isEmpty())
        return QString();
    const QByteArray key = QCryptographicHash::hash(
        QFile::encodeName(QFileInfo(pngPath).absoluteFilePath()), QCryptographicHash::Sha1);
    return folder + QStringLiteral("/trellis/pictures/") + QString::fromLatin1(key.toHex()) +
           QStringLiteral(".pixels");
}

QImage readPicture(const QString& pngPath) {
    QImage image;
    return loadPicture(pngPath, image) ? image : QImage();
}

CGImageRef CGImageCreateWithPNGFile(const QUrl& url) {
    const auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    return CGImageCreateWithPNGFile(url, gui ? gui->devicePixelRatio() : 1.0);
}

CGImageRef CGImageCreateWithPNGFile(const QUrl& url, CGFloat scale) {
    if (!url.isLocalFile())
        return nullptr;
    const QString path = url.toLocalFile();
    QImage image;
    if (scale > 1.0) {
        const QFileInfo info(path);
        const QString doubled = info.path() + QLatin1Char('/') + info.completeBaseName() +
                                QStringLiteral("@2x.") + info.suffix();
        if (QFileInfo(doubled).isFile() && loadPicture(doubled, image))
            image.setDevicePixelRatio(2.0);
    }
    if (image.isNull() && !loadPicture(path, image))
        return nullptr;
    auto made = std::make_shared<OpaqueCGImage>();
    made->image = std::move(image);
    return made;
}

CGFloat HIViewGetScaleFactor(ControlRef view) {
    if (!detail::isLiveControl(view) || !view->widget)
        return 1.0;
    return view->widget->devicePixelRatioF();
}

OSStatus HIViewDrawCGImage(CGContextRef context, const HIRect& rect, const CGImageRef& image) {
    if (!context || !image)
        return paramErr;
    context->painter().drawImage(toQRectF(rect), image->image);
    return 0;
}

OSStatus HIThemeDrawFocusRect(CGContextRef context, const HIRect& rect) {
    if (!context || !context->widget)
        return paramErr;
    if (!context->widget->hasFocus())
        return 0;
    QPainter& painter = context->painter();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QColor ring = context->widget->palette().color(QPalette::Highlight);
    ring.setAlpha(200);
    painter.setPen(QPen(ring, 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(toQRectF(rect).adjusted(1.5, 1.5, -1.5, -1.5), 8.0, 8.0);
    painter.restore();
    return 0;
}

namespace {

// One line of a text box: its text, and where it was laid out when it is drawn as laid out
// (a cut line, with its ellipsis, is shaped on its own).
struct BoxLine {
    QString text;
    QString rest; // everything after this line
    int layout = -1;
    int line = -1;
};

struct TextBox {
    QFont font;
    std::vector<std::unique_ptr<QTextLayout>> layouts;
    std::vector<BoxLine> lines; // only the lines shown
};

TextBox layOutTextBox(const QString& text, const HIRect& box, const HIThemeTextInfo& textInfo) {
    TextBox laid;
    laid.font = themeFont(textInfo.fontID);
    const QFontMetricsF metrics(laid.font);
    const qreal width = std::max<qreal>(1.0, box.size.width);

    // Every line of the wrapped text, paragraph by paragraph (CR, LF or CR LF).
    std::vector<BoxLine>& lines = laid.lines;
    QString normalized = text;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList paragraphs = normalized.split(QLatin1Char('\n'));
    for (qsizetype p = 0; p < paragraphs.size(); ++p) {
        const QString& paragraph = paragraphs[p];
        const QString after = paragraphs.mid(p + 1).join(QLatin1Char(' '));
        auto layout = std::make_unique<QTextLayout>(paragraph, laid.font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout->setTextOption(option);
        layout->beginLayout();
        const int index = int(laid.layouts.size());
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLineWidth(width);
            const QString lineText = paragraph.mid(line.textStart(), line.textLength()).trimmed();
            QString rest = paragraph.mid(line.textStart() + line.textLength()).trimmed();
            if (!after.isEmpty())
                rest = rest.isEmpty() ? after : rest + QLatin1Char(' ') + after;
            // A line that starts with white space is drawn trimmed, as text of its own.
            const bool asLaidOut =
                line.textLength() > 0 && !paragraph.at(line.textStart()).isSpace();
            lines.push_back({lineText, rest, asLaidOut ? index : -1, line.lineNumber()});
        }
        layout->endLayout();
        laid.layouts.push_back(std::move(layout));
        if (paragraph.isEmpty())
            lines.push_back({QString(), after});
    }

    const bool truncating = textInfo.truncationPosition == kHIThemeTextTruncationEnd;
    std::size_t limit = lines.size();
    if (truncating) {
        if (textInfo.truncationMaxLines > 0)
            limit = std::min<std::size_t>(limit, textInfo.truncationMaxLines);
        const qreal lineHeight = metrics.lineSpacing();
        if (box.size.height > 0 && lineHeight > 0) {
            const auto fitting =
                std::size_t(std::max(1.0, std::floor(box.size.height / lineHeight)));
            limit = std::min(limit, fitting);
        }
    }
    const bool cut = truncating && limit < lines.size() && limit > 0;
    lines.resize(limit);
    if (cut) {
        BoxLine& last = lines.back();
        const QString longer = last.text + QLatin1Char(' ') + last.rest;
        QString shortened = metrics.elidedText(longer, Qt::ElideRight, width);
        if (!shortened.endsWith(QChar(0x2026))) // the rest fitted by width: still mark the cut
            shortened = metrics.elidedText(last.text + QChar(0x2026), Qt::ElideRight, width);
        last.text = shortened;
        last.layout = -1;
    }
    return laid;
}

} // namespace

OSStatus HIThemeDrawTextBox(const QString& text, const HIRect& box, HIThemeTextInfo* textInfo,
                            CGContextRef context, UInt32 /*orientation*/) {
    if (!textInfo || !context)
        return paramErr;
    const TextBox laid = layOutTextBox(text, box, *textInfo);
    const QFontMetricsF metrics(laid.font);
    QPainter& painter = context->painter();
    painter.save();
    painter.setFont(laid.font);
    painter.setPen(context->fill);
    painter.setClipRect(toQRectF(box));
    // Every line on the baseline of the box's font, whatever fonts its characters come from.
    qreal baseline = box.origin.y + metrics.ascent();
    for (const BoxLine& line : laid.lines) {
        if (line.layout >= 0) {
            const QTextLine laidOut = laid.layouts[std::size_t(line.layout)]->lineAt(line.line);
            laidOut.draw(&painter, QPointF(box.origin.x - laidOut.x(),
                                           baseline - laidOut.y() - laidOut.ascent()));
        } else {
            painter.drawText(QPointF(box.origin.x, baseline), line.text);
        }
        baseline += metrics.lineSpacing();
    }
    painter.restore();
    textInfo->truncationHappened = !laid.lines.empty() &&
                                   laid.lines.back().text.endsWith(QChar(0x2026)) &&
                                   !text.endsWith(QChar(0x2026));
    return 0;
}

OSStatus HIViewSetImage(ControlRef imageView, const CGImageRef& image) {
    if (!detail::isLiveControl(imageView))
        return paramErr;
    auto* label = qobject_cast<QLabel*>(imageView->widget.data());
    if (!label)
        return errDataNotSupported;
    label->setScaledContents(true);
    label->setPixmap(image ? QPixmap::fromImage(image->image) : QPixmap());
    return 0;
}

} // namespace platform
