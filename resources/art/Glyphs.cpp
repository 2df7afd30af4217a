// The tool glyphs of the button pictures: white strokes around (0, 0), about 30 points
// wide, on the tool's coloured tile.

#include "Glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <cmath>

namespace {

QPen glyphPen(qreal width = 2.4) {
    return QPen(Qt::white, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

} // namespace

namespace {

void safe(QPainter& p, const QRectF& body, qreal pen) {
    p.setPen(glyphPen(pen));
    p.setBrush(QColor(255, 255, 255, 50));
    p.drawRoundedRect(body, 3, 3);
    // The dial: a ring with a handle turned to one side and a hub.
    const QPointF centre = body.center() + QPointF(body.width() * 0.08, 0);
    const qreal r = body.height() * 0.24;
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, r, r);
    p.drawLine(centre, centre + QPointF(r * 0.68, r * 0.68));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(centre, pen * 0.9, pen * 0.9);
    p.setPen(glyphPen(pen));
    p.drawLine(QPointF(body.left() + 4, body.top() + body.height() * 0.3),
               QPointF(body.left() + 4, body.top() + body.height() * 0.42));
    p.drawLine(QPointF(body.left() + 4, body.bottom() - body.height() * 0.42),
               QPointF(body.left() + 4, body.bottom() - body.height() * 0.3));
    p.drawLine(QPointF(body.left() + 3, body.bottom() + 2.5),
               QPointF(body.left() + 7, body.bottom() + 2.5));
    p.drawLine(QPointF(body.right() - 7, body.bottom() + 2.5),
               QPointF(body.right() - 3, body.bottom() + 2.5));
}

} // namespace

void glyphLoader(QPainter& p) {
    p.setPen(glyphPen(2.6));
    p.drawLine(QPointF(0, -14), QPointF(0, 5));
    p.drawPolyline(QPolygonF({{-7, -2}, {0, 5}, {7, -2}}));
    p.drawPolyline(QPolygonF({{-13, 3}, {-13, 13}, {13, 13}, {13, 3}}));
}

void glyphLantern(QPainter& p) {
    p.setPen(glyphPen(2.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(-5, -17, 10, 8), 0, 180 * 16);
    p.drawLine(QPointF(-7, -12), QPointF(7, -12));
    p.drawRoundedRect(QRectF(-8, -9, 16, 19), 4, 4);
    p.drawLine(QPointF(-6, 13), QPointF(6, 13));
    QPainterPath flame;
    flame.moveTo(0, -5);
    flame.cubicTo(4, -1, 4, 5, 0, 6);
    flame.cubicTo(-4, 5, -4, -1, 0, -5);
    p.fillPath(flame, QColor(255, 255, 255, 235));
    p.setPen(glyphPen(1.8));
    for (const qreal side : {-1.0, 1.0}) {
        p.drawLine(QPointF(side * 12, -4), QPointF(side * 16, -6));
        p.drawLine(QPointF(side * 12, 1), QPointF(side * 16.5, 1));
        p.drawLine(QPointF(side * 12, 6), QPointF(side * 16, 8));
    }
}

void glyphSheetGlide(QPainter& p) {
    p.setPen(glyphPen(2.2));
    QPainterPath sheet;
    sheet.moveTo(-5, -14);
    sheet.lineTo(7, -14);
    sheet.lineTo(12, -9);
    sheet.lineTo(12, 6);
    sheet.lineTo(-5, 6);
    sheet.closeSubpath();
    p.fillPath(sheet, QColor(255, 255, 255, 60));
    p.drawPath(sheet);
    p.drawPolyline(QPolygonF({{7, -14}, {7, -9}, {12, -9}}));
    p.drawLine(QPointF(-14, -8), QPointF(-9, -8));
    p.drawLine(QPointF(-15, -3), QPointF(-9, -3));
    p.drawLine(QPointF(-13, 2), QPointF(-9, 2));
    p.drawLine(QPointF(-14, 13), QPointF(14, 13));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(4, 13), 3.2, 3.2);
}

void glyphProfile(QPainter& p) {
    p.setPen(glyphPen(2.2));
    p.drawPolyline(QPolygonF({{-14, -14}, {-14, 13}, {14, 13}}));
    QPainterPath curve;
    curve.moveTo(-10, 8);
    curve.cubicTo(-2, 8, -4, -10, 12, -10);
    p.setPen(glyphPen(2.6));
    p.drawPath(curve);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(-10, 8), 2.6, 2.6);
    p.drawEllipse(QPointF(1, -1), 2.6, 2.6);
    p.drawEllipse(QPointF(12, -10), 2.6, 2.6);
}

void glyphNozzle(QPainter& p) {
    p.setPen(glyphPen(2.2));
    p.setBrush(QColor(255, 255, 255, 60));
    p.drawRoundedRect(QRectF(-12, -15, 24, 8), 2, 2);
    p.drawPolygon(QPolygonF({{-8, -7}, {8, -7}, {3, 0}, {-3, 0}}));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (const QPointF& at : {QPointF(-7, 8), QPointF(0, 6), QPointF(7, 8)}) {
        QPainterPath drop;
        drop.moveTo(at.x(), at.y() - 3.5);
        drop.cubicTo(at.x() + 3.5, at.y() + 1, at.x() + 3, at.y() + 5, at.x(), at.y() + 5);
        drop.cubicTo(at.x() - 3, at.y() + 5, at.x() - 3.5, at.y() + 1, at.x(), at.y() - 3.5);
        p.drawPath(drop);
    }
    p.setPen(glyphPen(1.8));
    p.drawLine(QPointF(12, 8), QPointF(16, 8));
    p.drawLine(QPointF(14, 6), QPointF(14, 10));
}

void glyphVault(QPainter& p) {
    safe(p, QRectF(-14, -14, 28, 25), 2.2);
}

void glyphVaultSetup(QPainter& p) {
    const QPointF c(8, 8);
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const qreal a = M_PI * i / teeth;
        const qreal r = (i % 2 == 0) ? 8.5 : 6.2;
        const qreal spread = M_PI / teeth * 0.45;
        const QPointF p1 = c + QPointF(r * std::cos(a - spread), r * std::sin(a - spread));
        const QPointF p2 = c + QPointF(r * std::cos(a + spread), r * std::sin(a + spread));
        if (i == 0)
            gear.moveTo(p1);
        else
            gear.lineTo(p1);
        gear.lineTo(p2);
    }
    gear.closeSubpath();
    // The safe is cut away around the gear so that the gear reads on its own.
    QPainterPathStroker margin;
    margin.setWidth(6);
    margin.setJoinStyle(Qt::RoundJoin);
    QPainterPath everything;
    everything.addRect(QRectF(-30, -30, 60, 60));
    p.save();
    p.setClipPath(everything.subtracted(margin.createStroke(gear).united(gear)));
    safe(p, QRectF(-15, -15, 23, 21), 2.0);
    p.restore();
    p.setPen(glyphPen(1.8));
    p.setBrush(Qt::NoBrush);
    p.drawPath(gear);
    p.drawEllipse(c, 2.6, 2.6);
}
