#pragma once
// Drawing a string turned by an angle about a chosen point. Angles are in
// degrees, positive counter-clockwise as seen on screen. The text is laid
// out as it would stand with its top-left corner at the point; the painter's
// transform is as before when a call returns. Main thread (painting).

#include "platform/AttributedString.h"

#include <QPointF>
#include <QString>

class QPainter;

namespace StringDrawing {

// Turned about point + offset.
void drawAtPointWithRotationPriorOffset(QPainter& painter, const QString& text, const ts::Attributes& attributes,
                                        const QPointF& point, float degrees, const QPointF& offset);
// Turned about the point.
void drawAtPointWithRotation(QPainter& painter, const QString& text, const ts::Attributes& attributes, const QPointF& point,
                             float degrees);
// Turned about the centre of the text's bounding box.
void drawAtPointWithMidRotation(QPainter& painter, const QString& text, const ts::Attributes& attributes, const QPointF& point,
                                float degrees);
// The size the text takes in the attributes' font.
QSizeF sizeWithAttributes(const QString& text, const ts::Attributes& attributes);

}  // namespace StringDrawing
