#include "platform/Drawing.h"

#include "platform/WindowSystemObjects.h"

#include <QApplication>
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
#include <QTextLayout>
#include <QWidget>
#include <cmath>

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

QRectF toQRectF(const HIRect& rect) {
    return {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height};
}

} // namespace

namespace platform {

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
        if (QFileInfo(doubled).isFile() && decodePNG(doubled, image))
            image.setDevicePixelRatio(2.0);
    }
    if (image.isNull() && !decodePNG(path, image))
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

QStringList HIThemeLayoutTextBox(const QString& text, const HIRect& box,
                                 const HIThemeTextInfo& textInfo) {
    const QFont font = themeFont(textInfo.fontID);
    const QFontMetricsF metrics(font);
    const qreal width = std::max<qreal>(1.0, box.size.width);

    // Every line of the wrapped text, paragraph by paragraph (CR, LF or CR LF).
    struct Line {
        QString text;
        QString rest; // everything after this line
    };
    std::vector<Line> lines;
    QString normalized = text;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList paragraphs = normalized.split(QLatin1Char('\n'));
    for (qsizetype p = 0; p < paragraphs.size(); ++p) {
        const QString& paragraph = paragraphs[p];
        const QString after = paragraphs.mid(p + 1).join(QLatin1Char(' '));
        QTextLayout layout(paragraph, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            const QString lineText = paragraph.mid(line.textStart(), line.textLength()).trimmed();
            QString rest = paragraph.mid(line.textStart() + line.textLength()).trimmed();
            if (!after.isEmpty())
                rest = rest.isEmpty() ? after : rest + QLatin1Char(' ') + after;
            lines.push_back({lineText, rest});
        }
        layout.endLayout();
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
    QStringList result;
    for (std::size_t i = 0; i < limit; ++i)
        result << lines[i].text;
    if (truncating && limit < lines.size() && limit > 0) {
        const Line& last = lines[limit - 1];
        const QString longer = last.text + QLatin1Char(' ') + last.rest;
        QString cut = metrics.elidedText(longer, Qt::ElideRight, width);
        if (!cut.endsWith(QChar(0x2026))) // the rest fitted by width: still mark the cut
            cut = metrics.elidedText(last.text + QChar(0x2026), Qt::ElideRight, width);
        result.last() = cut;
    }
    return result;
}

OSStatus HIThemeDrawTextBox(const QString& text, const HIRect& box, HIThemeTextInfo* textInfo,
                            CGContextRef context, UInt32 /*orientation*/) {
    if (!textInfo || !context)
        return paramErr;
    const QStringList lines = HIThemeLayoutTextBox(text, box, *textInfo);
    const QFont font = themeFont(textInfo->fontID);
    const QFontMetricsF metrics(font);
    QPainter& painter = context->painter();
    painter.save();
    painter.setFont(font);
    painter.setPen(context->fill);
    painter.setClipRect(toQRectF(box));
    qreal y = box.origin.y + metrics.ascent();
    for (const QString& line : lines) {
        painter.drawText(QPointF(box.origin.x, y), line);
        y += metrics.lineSpacing();
    }
    painter.restore();
    textInfo->truncationHappened =
        !lines.isEmpty() && lines.last().endsWith(QChar(0x2026)) && !text.endsWith(QChar(0x2026));
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
