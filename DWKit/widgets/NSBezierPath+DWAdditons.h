#pragma once
// Path shapes and vertical gradient fills for the kit's own drawing: plates, rounded rectangles,
// triangles, and fills whose colour is given per height by a shading function.
//
// Shapes are defined y-up: angles in degrees counter-clockwise from the positive x axis, "bottom"
// the smallest y. A widget whose drawing is defined that way flips its painter once
// (translate(0, height), scale(1, -1)); in Qt's y-down space the same numbers give the mirror
// image, which is what a flipped view wants. The fills run from the smallest y of the path's
// bounds (t = 0) to the largest (t = 1) in the painter's space. Main thread, inside painting.
//
//     QPainterPath capsule = dw::bezierPathWithPlateInRect(QRectF(0, 0, 80, 16));
//     dw::linearGradientFill(painter, capsule, Qt::white, QColor(210, 210, 210));

#include <QColor>
#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace dw {

// Appends an arc; with a current point, a line joins it to the arc's start, else the arc starts
// a new subpath. Counter-clockwise runs from start to end with increasing angle.
void appendArc(QPainterPath& path, const QPointF& center, qreal radius, qreal startAngle, qreal endAngle,
               bool clockwise = false);
// The arc of the given radius tangent to the lines current point -> corner and corner -> towards.
void appendArcFromPoint(QPainterPath& path, const QPointF& corner, const QPointF& towards, qreal radius);

// The rectangle with semicircular left and right ends of radius height / 2; nothing for height <= 0.
QPainterPath bezierPathWithPlateInRect(const QRectF& rect);
void appendBezierPathWithPlateInRect(QPainterPath& path, const QRectF& rect);

// The rectangle with four rounded corners; nothing for an empty rectangle.
QPainterPath bezierPathWithRoundedRect(const QRectF& rect, qreal cornerRadius);
void appendBezierPathWithRoundedRect(QPainterPath& path, const QRectF& rect, qreal cornerRadius);

// The rectangle with its two corners at the largest y rounded.
QPainterPath bezierPathForRectWithRoundedTopCorners(const QRectF& rect, qreal cornerRadius);

// The rectangle rounded by tangent arcs from corner to corner.
QPainterPath bezierPathWithRoundRectInRect(const QRectF& rect, qreal radius);

// A triangle filling the rectangle: 0 apex up (largest y), 1 down, 2 left, any other right.
QPainterPath bezierPathWithTriangleInRect(const QRectF& rect, int orientation);
void appendBezierPathWithTriangleInRect(QPainterPath& path, const QRectF& rect, int orientation);

// A shading function: `info` is the block of twelve floats (first colour RGBA, second colour RGBA,
// second minus first), `in` one position from 0 to 1, `out` four components red, green, blue, alpha.
using ShadingEvaluation = void (*)(void* info, const qreal* in, qreal* out);

void linearShadedColor(void* info, const qreal* in, qreal* out);
void bilinearShadedColor(void* info, const qreal* in, qreal* out);

// Start colour at the bottom of the path, end colour at the top.
void linearGradientFill(QPainter& painter, const QPainterPath& path, const QColor& startColor, const QColor& endColor);
// The inner colour at the bottom and the top, the outer colour at half the height.
void bilinearGradientFill(QPainter& painter, const QPainterPath& path, const QColor& outerColor,
                          const QColor& innerColor);
void customVerticalFill(QPainter& painter, const QPainterPath& path, ShadingEvaluation evaluation,
                        const QColor& firstColor, const QColor& secondColor);

} // namespace dw
