// Paints the launcher's pictures: the main window's background, the About banner, the
// application icon and the three states of each tool button. Run it once after changing the
// art and commit its output (resources/pictures), so that builds never need it:
//   trellis_make_art <output folder>

#include "Glyphs.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <QString>
#include <QTextStream>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <functional>
#include <png.h>

namespace {

const QColor kInk(0x1f, 0x2d, 0x3d);
const QColor kSteel(0x2f, 0x5d, 0x8a);
const QColor kTeal(0x2a, 0x8c, 0x88);

enum class State { Normal, Over, Pressed };

struct Tool {
    const char* file; // img_appNN
    QColor accent;
    std::function<void(QPainter&)> glyph; // white strokes around (0, 0), about 30 px wide
};

// Pixels per point of the pictures being painted: 1, or 2 for the "@2x" variants. Every
// picture is painted in points, so both sizes come from the same drawing.
qreal gScale = 1.0;

QImage canvas(int width, int height) {
    QImage image(qRound(width * gScale), qRound(height * gScale),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(gScale);
    image.fill(Qt::transparent);
    return image;
}

void smooth(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::TextAntialiasing);
}

// A diagonal lattice over the rectangle, the motif of the product's name.
void lattice(QPainter& p, const QRectF& area, qreal step, const QColor& colour, qreal width) {
    p.save();
    p.setClipRect(area, Qt::IntersectClip);
    p.setPen(QPen(colour, width));
    const qreal span = area.width() + area.height();
    for (qreal d = -span; d < span; d += step) {
        p.drawLine(QPointF(area.left() + d, area.top()),
                   QPointF(area.left() + d + area.height(), area.bottom()));
        p.drawLine(QPointF(area.left() + d, area.bottom()),
                   QPointF(area.left() + d + area.height(), area.top()));
    }
    p.restore();
}

// A leaf with its tip at angle degrees from its stem point.
void leaf(QPainter& p, QPointF at, qreal length, qreal angle, const QColor& colour) {
    p.save();
    p.translate(at);
    p.rotate(angle);
    QPainterPath path;
    path.moveTo(0, 0);
    path.cubicTo(length * 0.35, -length * 0.38, length * 0.8, -length * 0.3, length, 0);
    path.cubicTo(length * 0.8, length * 0.3, length * 0.35, length * 0.38, 0, 0);
    p.fillPath(path, colour);
    p.restore();
}

// The product emblem: an arch of lattice with a climbing vine, in white, inside the square.
void emblem(QPainter& p, const QRectF& box) {
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 100.0, box.height() / 100.0);
    QPainterPath arch;
    arch.moveTo(22, 88);
    arch.lineTo(22, 44);
    arch.arcTo(QRectF(22, 16, 56, 56), 180, -180);
    arch.lineTo(78, 88);
    arch.closeSubpath();
    p.save();
    p.setClipPath(arch);
    lattice(p, QRectF(18, 12, 64, 80), 13, QColor(255, 255, 255, 105), 2.0);
    p.restore();
    p.setPen(QPen(Qt::white, 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arch);
    p.drawLine(QPointF(14, 88), QPointF(86, 88));
    // The vine: a stem curling up the left post, leaves on both sides.
    QPainterPath stem;
    stem.moveTo(36, 88);
    stem.cubicTo(28, 72, 46, 62, 38, 48);
    stem.cubicTo(32, 38, 44, 28, 54, 30);
    p.setPen(QPen(QColor(0xd4, 0xf5, 0xe2), 3.6, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(stem);
    const QColor green(0xb8, 0xf0, 0xcf);
    leaf(p, {33, 78}, 16, 200, green);
    leaf(p, {38, 67}, 17, -25, green);
    leaf(p, {37, 53}, 15, 195, green);
    leaf(p, {39, 40}, 16, -55, green);
    leaf(p, {54, 30}, 14, -12, green);
    p.restore();
}

// ---- pictures ----

QImage toolButton(const Tool& tool, State state) {
    const int w = 380;
    const int h = 60;
    QImage image = canvas(w, h);
    QPainter p(&image);
    smooth(p);
    const QRectF card(1.5, 1.5, w - 3, h - 4.5);
    const qreal radius = 10;

    // Soft shadow below the card (none while pressed: the card sits down).
    if (state != State::Pressed) {
        for (int i = 3; i >= 1; --i) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(20, 40, 60, state == State::Over ? 16 : 11));
            p.drawRoundedRect(card.translated(0, i * 0.9), radius, radius);
        }
    }

    QLinearGradient fill(0, card.top(), 0, card.bottom());
    QColor border;
    switch (state) {
    case State::Normal:
        fill.setColorAt(0, QColor(0xff, 0xff, 0xff));
        fill.setColorAt(1, QColor(0xf1, 0xf5, 0xf9));
        border = QColor(0xc9, 0xd4, 0xdf);
        break;
    case State::Over:
        fill.setColorAt(0, QColor(0xfa, 0xfd, 0xff));
        fill.setColorAt(1, QColor(0xe3, 0xee, 0xf9));
        border = tool.accent.lighter(125);
        break;
    case State::Pressed:
        fill.setColorAt(0, QColor(0xd6, 0xe2, 0xef));
        fill.setColorAt(1, QColor(0xe6, 0xee, 0xf6));
        border = tool.accent;
        break;
    }
    p.setPen(QPen(border, state == State::Normal ? 1.0 : 1.4));
    p.setBrush(fill);
    p.drawRoundedRect(card, radius, radius);

    // Top highlight, or an inner shadow while pressed.
    p.save();
    QPainterPath clip;
    clip.addRoundedRect(card.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    p.setClipPath(clip);
    QLinearGradient edge(0, card.top(), 0, card.top() + 8);
    edge.setColorAt(0,
                    state == State::Pressed ? QColor(30, 50, 80, 45) : QColor(255, 255, 255, 200));
    edge.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(card, edge);
    p.restore();

    // The glyph tile in the tool's colour, centred in the 100 points left of the text.
    const qreal dip = state == State::Pressed ? 1.0 : 0.0;
    const QRectF tile(26, 6 + dip, 46, 46);
    QColor top = tool.accent.lighter(state == State::Over ? 135 : 122);
    QColor bottom = tool.accent.darker(state == State::Pressed ? 125 : 104);
    QLinearGradient tileFill(0, tile.top(), 0, tile.bottom());
    tileFill.setColorAt(0, top);
    tileFill.setColorAt(1, bottom);
    p.setPen(QPen(tool.accent.darker(130), 1));
    p.setBrush(tileFill);
    p.drawRoundedRect(tile, 11, 11);
    QLinearGradient gloss(0, tile.top(), 0, tile.center().y());
    gloss.setColorAt(0, QColor(255, 255, 255, 70));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawRoundedRect(tile.adjusted(1.5, 1.5, -1.5, -tile.height() / 2), 9, 9);

    p.save();
    p.translate(tile.center());
    p.scale(0.98, 0.98);
    tool.glyph(p);
    p.restore();

    // A quiet divider between the tile and the text.
    p.setPen(QPen(QColor(0xcf, 0xd9, 0xe3), 1));
    p.drawLine(QPointF(88.5, 14), QPointF(88.5, h - 17));

    // An accent edge on the left marks the button under the mouse.
    if (state != State::Normal) {
        p.save();
        p.setClipPath(clip);
        p.fillRect(QRectF(card.left(), card.top(), 4, card.height()), tool.accent);
        p.restore();
    }
    return image;
}

QImage background() {
    const int w = 560;
    const int h = 640;
    QImage image = canvas(w, h);
    QPainter p(&image);
    smooth(p);

    QLinearGradient base(0, 0, 0, h);
    base.setColorAt(0, QColor(0xf7, 0xf9, 0xfb));
    base.setColorAt(1, QColor(0xe7, 0xec, 0xf2));
    p.fillRect(image.rect(), base);

    // Accent rule along the top.
    QLinearGradient rule(0, 0, w, 0);
    rule.setColorAt(0, kSteel);
    rule.setColorAt(1, kTeal);
    p.fillRect(QRectF(0, 0, w, 5), rule);

    // The lattice column on the right, fading towards the top and the left.
    {
        QImage column = canvas(w, h);
        QPainter c(&column);
        smooth(c);
        lattice(c, QRectF(0, 0, w, h), 26, QColor(0x2f, 0x5d, 0x8a, 70), 1.4);
        c.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        QLinearGradient fadeX(396, 0, w, 0);
        fadeX.setColorAt(0, QColor(0, 0, 0, 0));
        fadeX.setColorAt(0.55, QColor(0, 0, 0, 255));
        fadeX.setColorAt(1, QColor(0, 0, 0, 255));
        c.fillRect(column.rect(), fadeX);
        QLinearGradient fadeY(0, 90, 0, h);
        fadeY.setColorAt(0, QColor(0, 0, 0, 0));
        fadeY.setColorAt(0.35, QColor(0, 0, 0, 210));
        fadeY.setColorAt(1, QColor(0, 0, 0, 255));
        c.fillRect(column.rect(), fadeY);
        c.end();
        p.drawImage(0, 0, column);
    }
    // A vine climbing the lattice.
    {
        QPainterPath stem;
        stem.moveTo(505, 598);
        stem.cubicTo(470, 540, 540, 500, 500, 440);
        stem.cubicTo(470, 395, 525, 350, 505, 300);
        stem.cubicTo(492, 265, 515, 235, 530, 215);
        p.setPen(QPen(QColor(0x2a, 0x8c, 0x88, 110), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(stem);
        const QColor green(0x3f, 0x9e, 0x7f, 120);
        const QColor pale(0x5c, 0xb3, 0x8f, 100);
        for (int i = 1; i < 16; ++i) {
            const qreal t = i / 16.0;
            const QPointF at = stem.pointAtPercent(t);
            const qreal angle = stem.angleAtPercent(t);
            leaf(p, at, 17 - i * 0.5, -angle + (i % 2 ? 55 : -55) + 180 * (i % 2),
                 i % 3 ? green : pale);
        }
    }

    // The well that holds the column of tool buttons.
    const QRectF well(18, 102, 408, 492);
    p.setPen(QPen(QColor(0xd3, 0xdc, 0xe6), 1));
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawRoundedRect(well, 14, 14);

    // The footer band for Help and Quit.
    QLinearGradient footer(0, 600, 0, h);
    footer.setColorAt(0, QColor(0xe2, 0xe8, 0xef));
    footer.setColorAt(1, QColor(0xd9, 0xe1, 0xea));
    p.fillRect(QRectF(0, 600, w, h - 600), footer);
    p.setPen(QPen(QColor(0xc7, 0xd1, 0xdc), 1));
    p.drawLine(QPointF(0, 600.5), QPointF(w, 600.5));
    p.setPen(QPen(QColor(255, 255, 255, 180), 1));
    p.drawLine(QPointF(0, 601.5), QPointF(w, 601.5));
    return image;
}

QImage appIcon(int size) {
    QImage image = canvas(size, size);
    QPainter p(&image);
    smooth(p);
    p.scale(size / 256.0, size / 256.0);
    const QRectF tile(12, 12, 232, 232);
    // Drop shadow.
    for (int i = 6; i >= 1; --i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(10, 30, 50, 10));
        p.drawRoundedRect(tile.translated(0, i), 52, 52);
    }
    QLinearGradient fill(tile.topLeft(), tile.bottomRight());
    fill.setColorAt(0, kSteel.lighter(118));
    fill.setColorAt(1, kTeal.darker(108));
    p.setBrush(fill);
    p.setPen(QPen(kSteel.darker(140), 1.5));
    p.drawRoundedRect(tile, 52, 52);
    QRadialGradient shine(QPointF(90, 40), 180);
    shine.setColorAt(0, QColor(255, 255, 255, 70));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawRoundedRect(tile, 52, 52);
    emblem(p, QRectF(38, 32, 180, 180));
    return image;
}

QImage aboutBanner() {
    const int w = 420;
    const int h = 120;
    QImage image = canvas(w, h);
    QPainter p(&image);
    smooth(p);
    QLinearGradient fill(0, 0, w, h);
    fill.setColorAt(0, kSteel);
    fill.setColorAt(1, kTeal);
    p.fillRect(image.rect(), fill);
    {
        QImage pattern = canvas(w, h);
        QPainter c(&pattern);
        smooth(c);
        lattice(c, QRectF(0, 0, w, h), 22, QColor(255, 255, 255, 40), 1.2);
        c.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        QLinearGradient fade(200, 0, w, 0);
        fade.setColorAt(0, QColor(0, 0, 0, 0));
        fade.setColorAt(1, QColor(0, 0, 0, 255));
        c.fillRect(pattern.rect(), fade);
        c.end();
        p.drawImage(0, 0, pattern);
    }
    QLinearGradient glow(0, 0, 0, h);
    glow.setColorAt(0, QColor(255, 255, 255, 40));
    glow.setColorAt(0.5, QColor(255, 255, 255, 0));
    p.fillRect(image.rect(), glow);

    p.drawImage(QRectF(22, 14, 92, 92), appIcon(256));

    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(34);
    title.setBold(true);
    title.setLetterSpacing(QFont::PercentageSpacing, 102);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(130, 22, 280, 44), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Trellis"));
    QFont subtitle(QStringLiteral("DejaVu Sans"));
    subtitle.setPixelSize(15);
    p.setFont(subtitle);
    p.setPen(QColor(255, 255, 255, 215));
    p.drawText(QRectF(132, 66, 280, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Orvel Printer Utility"));
    p.setPen(QPen(QColor(255, 255, 255, 90), 1));
    p.drawLine(QPointF(132, 64.5), QPointF(330, 64.5));
    return image;
}

// The button as it stands on the window: composed over the background where the window
// shows it (slot k of the column at x 32, y 112 + 68k), so that the picture needs no alpha.
QImage onBackground(const QImage& button, const QImage& backdrop, int slot) {
    QImage image = canvas(380, 60);
    QPainter p(&image);
    p.drawImage(QRectF(0, 0, 380, 60), backdrop,
                QRectF(32 * gScale, (112 + 68 * slot) * gScale, 380 * gScale, 60 * gScale));
    p.drawImage(0, 0, button);
    return image;
}

bool isOpaque(const QImage& picture) {
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(line[x]) != 255)
                return false;
        }
    }
    return true;
}

// PNG that decodes cheaply: 8-bit RGB without alpha for opaque pictures, and no row filter
// (undoing Sub, Up, Average or Paeth costs the reader; on these pictures the unfiltered
// rows even compress a little better).
bool writePNG(const QImage& picture, const QString& path) {
    const bool alpha = !isOpaque(picture);
    const QImage rows =
        picture.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = png && info;
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, png_uint_32(rows.width()), png_uint_32(rows.height()), 8,
                     alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
        png_set_compression_level(png, 9);
        png_write_info(png, info);
        for (int y = 0; y < rows.height(); ++y)
            png_write_row(png, rows.constScanLine(y));
        png_write_end(png, info);
    } else {
        ok = false;
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    return std::fclose(file) == 0 && ok;
}

bool save(const QImage& image, const QString& folder, const QString& name) {
    QString file = name;
    if (gScale != 1.0)
        file.insert(file.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
    const QString path = folder + QLatin1Char('/') + file;
    if (!writePNG(image, path)) {
        QTextStream(stderr) << "cannot write " << path << "\n";
        return false;
    }
    QTextStream(stdout) << file << " " << image.width() << "x" << image.height() << "\n";
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: trellis_make_art <output folder>\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    const std::array<Tool, 7> tools{{
        {"img_app01", QColor(0x3a, 0x6e, 0xa5), glyphLoader},
        {"img_app02", QColor(0xc8, 0x86, 0x2e), glyphLantern},
        {"img_app03", QColor(0x2a, 0x8c, 0x88), glyphSheetGlide},
        {"img_app04", QColor(0x74, 0x5a, 0xa6), glyphProfile},
        {"img_app05", QColor(0x2f, 0x8a, 0x5a), glyphNozzle},
        {"img_app06", QColor(0x55, 0x67, 0x7b), glyphVault},
        {"img_app07", QColor(0xa4, 0x5d, 0x4a), glyphVaultSetup},
    }};

    bool ok = true;
    for (const qreal scale : {1.0, 2.0}) {
        gScale = scale;
        const QImage backdrop = background();
        ok = save(backdrop, folder, QStringLiteral("img_background.png")) && ok;
        ok = save(aboutBanner(), folder, QStringLiteral("img_about.png")) && ok;
        // The desktop's icon keeps its transparent corners; it is never drawn in a window.
        if (scale == 1.0)
            ok = save(appIcon(256), folder, QStringLiteral("trellis.png")) && ok;
        const std::array<std::pair<State, const char*>, 3> states{
            {{State::Normal, "normal"}, {State::Over, "over"}, {State::Pressed, "pressed"}}};
        for (std::size_t slot = 0; slot < tools.size(); ++slot) {
            for (const auto& [state, suffix] : states) {
                const QString name =
                    QStringLiteral("%1_%2.png")
                        .arg(QLatin1String(tools[slot].file), QLatin1String(suffix));
                ok = save(onBackground(toolButton(tools[slot], state), backdrop, int(slot)), folder,
                          name) &&
                     ok;
            }
        }
    }
    return ok ? 0 : 1;
}
