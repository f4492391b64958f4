#include "DWKit/widgets/NSBezierPath+DWAdditons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace dw {

namespace {

// Shading is sampled into gradient stops; an even count keeps the bilinear turning point exact.
constexpr int kShadingSamples = 256;

QPointF pointOnCircle(const QPointF& center, qreal radius, qreal degrees)
{
    const qreal radians = qDegreesToRadians(degrees);
    return {center.x() + radius * std::cos(radians), center.y() + radius * std::sin(radians)};
}

} // namespace

void appendArc(QPainterPath& path, const QPointF& center, qreal radius, qreal startAngle, qreal endAngle,
               bool clockwise)
{
    const QPointF start = pointOnCircle(center, radius, startAngle);
    if (path.elementCount() == 0)
        path.moveTo(start);
    else
        path.lineTo(start);
    qreal sweep = clockwise ? startAngle - endAngle : endAngle - startAngle;
    sweep = std::fmod(sweep, 360.0);
    if (sweep < 0)
        sweep += 360.0;
    if (sweep == 0.0 || radius <= 0.0)
        return;
    // QPainterPath measures angles clockwise in y-up terms (its y axis points down): negate both.
    const QRectF box(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius);
    path.arcTo(box, -startAngle, clockwise ? sweep : -sweep);
}

void appendArcFromPoint(QPainterPath& path, const QPointF& corner, const QPointF& towards, qreal radius)
{
    const QPointF current = path.elementCount() > 0 ? path.currentPosition() : corner;
    const QPointF u = current - corner;
    const QPointF v = towards - corner;
    const qreal lu = std::hypot(u.x(), u.y());
    const qreal lv = std::hypot(v.x(), v.y());
    const qreal cross = u.x() * v.y() - u.y() * v.x();
    if (radius <= 0 || lu == 0 || lv == 0 || qFuzzyIsNull(cross)) {
        path.lineTo(corner);
        return;
    }
    const QPointF un = u / lu;
    const QPointF vn = v / lv;
    const qreal angle = std::acos(std::clamp(un.x() * vn.x() + un.y() * vn.y(), -1.0, 1.0));
    const qreal tangent = radius / std::tan(angle / 2);
    const QPointF t1 = corner + un * tangent;
    const QPointF t2 = corner + vn * tangent;
    QPointF bisector = un + vn;
    bisector /= std::hypot(bisector.x(), bisector.y());
    const QPointF center = corner + bisector * (radius / std::sin(angle / 2));
    const qreal a1 = qRadiansToDegrees(std::atan2(t1.y() - center.y(), t1.x() - center.x()));
    const qreal a2 = qRadiansToDegrees(std::atan2(t2.y() - center.y(), t2.x() - center.x()));
    qreal delta = std::fmod(a2 - a1, 360.0);
    if (delta > 180)
        delta -= 360;
    else if (delta <= -180)
        delta += 360;
    appendArc(path, center, radius, a1, a2, delta < 0);
}

QPainterPath bezierPathWithPlateInRect(const QRectF& rect)
{
    QPainterPath path;
    appendBezierPathWithPlateInRect(path, rect);
    return path;
}

void appendBezierPathWithPlateInRect(QPainterPath& path, const QRectF& rect)
{
    const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    if (h <= 0)
        return;
    const qreal r = h * 0.5;
    path.moveTo(x + r, y + h);
    appendArc(path, QPointF(x + r, y + r), r, 90, 270);
    appendArc(path, QPointF(x + w - r, y + r), r, 270, 90);
    path.closeSubpath();
}

QPainterPath bezierPathWithRoundedRect(const QRectF& rect, qreal cornerRadius)
{
    QPainterPath path;
    appendBezierPathWithRoundedRect(path, rect, cornerRadius);
    return path;
}

void appendBezierPathWithRoundedRect(QPainterPath& path, const QRectF& rect, qreal cornerRadius)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    // Like the platform's rounded rectangle, the radius never exceeds half of either side.
    const qreal r = std::min({cornerRadius, rect.width() / 2, rect.height() / 2});
    path.addRoundedRect(rect, r, r);
}

QPainterPath bezierPathForRectWithRoundedTopCorners(const QRectF& rect, qreal cornerRadius)
{
    const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height(), r = cornerRadius;
    QPainterPath path;
    path.moveTo(x, y);
    path.lineTo(x + w, y);
    appendArc(path, QPointF(x + w - r, y + h - r), r, 360, 90);
    appendArc(path, QPointF(x + r, y + h - r), r, 90, 180);
    path.lineTo(x, y);
    path.closeSubpath();
    return path;
}

QPainterPath bezierPathWithRoundRectInRect(const QRectF& rect, qreal radius)
{
    const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    QPainterPath path;
    path.moveTo(x, y + radius);
    appendArcFromPoint(path, QPointF(x, y), QPointF(x + w, y), radius);
    appendArcFromPoint(path, QPointF(x + w, y), QPointF(x + w, y + h), radius);
    appendArcFromPoint(path, QPointF(x + w, y + h), QPointF(x, y + h), radius);
    appendArcFromPoint(path, QPointF(x, y + h), QPointF(x, y), radius);
    path.closeSubpath();
    return path;
}

QPainterPath bezierPathWithTriangleInRect(const QRectF& rect, int orientation)
{
    QPainterPath path;
    appendBezierPathWithTriangleInRect(path, rect, orientation);
    return path;
}

void appendBezierPathWithTriangleInRect(QPainterPath& path, const QRectF& rect, int orientation)
{
    const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    const qreal midX = x + w / 2, midY = y + h / 2;
    QPointF points[3];
    switch (orientation) {
    case 0:
        points[0] = {x, y};
        points[1] = {midX, y + h};
        points[2] = {x + w, y};
        break;
    case 1:
        points[0] = {x, y + h};
        points[1] = {midX, y};
        points[2] = {x + w, y + h};
        break;
    case 2:
        points[0] = {x + w, y + h};
        points[1] = {x + w, y};
        points[2] = {x, midY};
        break;
    default:
        points[0] = {x, y};
        points[1] = {x, y + h};
        points[2] = {x + w, midY};
        break;
    }
    path.moveTo(points[0]);
    path.lineTo(points[1]);
    path.lineTo(points[2]);
    path.closeSubpath();
}

void linearShadedColor(void* info, const qreal* in, qreal* out)
{
    const float* block = static_cast<const float*>(info);
    const qreal t = in[0];
    for (int i = 0; i < 4; ++i)
        out[i] = block[i] + t * block[8 + i];
}

void bilinearShadedColor(void* info, const qreal* in, qreal* out)
{
    const float* block = static_cast<const float*>(info);
    const qreal t = in[0];
    const qreal s = t <= 0.5 ? 2 * t : 2 - 2 * t;
    for (int i = 0; i < 4; ++i)
        out[i] = block[i] + s * block[8 + i];
}

void linearGradientFill(QPainter& painter, const QPainterPath& path, const QColor& startColor, const QColor& endColor)
{
    customVerticalFill(painter, path, linearShadedColor, startColor, endColor);
}

void bilinearGradientFill(QPainter& painter, const QPainterPath& path, const QColor& outerColor,
                          const QColor& innerColor)
{
    customVerticalFill(painter, path, bilinearShadedColor, innerColor, outerColor);
}

void customVerticalFill(QPainter& painter, const QPainterPath& path, ShadingEvaluation evaluation,
                        const QColor& firstColor, const QColor& secondColor)
{
    const QColor first = firstColor.toRgb();
    const QColor second = secondColor.toRgb();
    float info[12] = {first.redF(),  first.greenF(),  first.blueF(),  first.alphaF(),
                      second.redF(), second.greenF(), second.blueF(), second.alphaF()};
    for (int i = 0; i < 4; ++i)
        info[8 + i] = info[4 + i] - info[i];

    const QRectF bounds = path.boundingRect();
    QLinearGradient gradient(QPointF(0, bounds.y()), QPointF(0, bounds.y() + bounds.height()));
    QGradientStops stops;
    stops.reserve(kShadingSamples + 1);
    for (int i = 0; i <= kShadingSamples; ++i) {
        const qreal t = qreal(i) / kShadingSamples;
        qreal out[4] = {0, 0, 0, 0};
        evaluation(info, &t, out);
        QColor colour;
        colour.setRgbF(std::clamp<float>(out[0], 0, 1), std::clamp<float>(out[1], 0, 1),
                       std::clamp<float>(out[2], 0, 1), std::clamp<float>(out[3], 0, 1));
        stops.append({t, colour});
    }
    gradient.setStops(stops);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path, gradient);
    painter.restore();
}

} // namespace dw
