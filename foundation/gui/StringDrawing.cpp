#include "foundation/gui/StringDrawing.h"

#include "platform/gui/RichTextConversion.h"

#include <QFontMetricsF>
#include <QPainter>

namespace StringDrawing {
namespace {

QFont fontFor(const ts::Attributes& a) {
    auto it = a.find(ts::AttributeName::Font);
    ts::FontPtr f = it == a.end() ? nullptr : it->second.toObjectAs<ts::Font>();
    return RichTextConversion::toQFont(f ? *f : *ts::Font::defaultFont());
}

QColor colorFor(const ts::Attributes& a) {
    auto it = a.find(ts::AttributeName::ForegroundColor);
    const QColor c = it == a.end() ? QColor() : RichTextConversion::toQColor(it->second.toObjectAs<ts::Color>());
    return c.isValid() ? c : QColor(Qt::black);
}

}  // namespace

QSizeF sizeWithAttributes(const QString& text, const ts::Attributes& attributes) {
    const QFontMetricsF metrics(fontFor(attributes));
    return QSizeF(metrics.horizontalAdvance(text), metrics.height());
}

void drawAtPointWithRotationPriorOffset(QPainter& painter, const QString& text, const ts::Attributes& attributes,
                                        const QPointF& point, float degrees, const QPointF& offset) {
    const QTransform before = painter.worldTransform();
    const QFont oldFont = painter.font();
    const QPen oldPen = painter.pen();
    const QPointF pivot = point + offset;
    QTransform turn;
    turn.translate(pivot.x(), pivot.y());
    turn.rotate(-double(degrees));
    turn.translate(-pivot.x(), -pivot.y());
    painter.setWorldTransform(turn, true);
    painter.setFont(fontFor(attributes));
    painter.setPen(colorFor(attributes));
    const QFontMetricsF metrics(painter.font());
    painter.drawText(QPointF(point.x(), point.y() + metrics.ascent()), text);
    painter.setWorldTransform(before);
    painter.setFont(oldFont);
    painter.setPen(oldPen);
}

void drawAtPointWithRotation(QPainter& painter, const QString& text, const ts::Attributes& attributes, const QPointF& point,
                             float degrees) {
    drawAtPointWithRotationPriorOffset(painter, text, attributes, point, degrees, QPointF(0, 0));
}

void drawAtPointWithMidRotation(QPainter& painter, const QString& text, const ts::Attributes& attributes, const QPointF& point,
                                float degrees) {
    const QSizeF size = sizeWithAttributes(text, attributes);
    drawAtPointWithRotationPriorOffset(painter, text, attributes, point, degrees, QPointF(size.width() / 2, size.height() / 2));
}

}  // namespace StringDrawing
