#include "DWKit/widgets/CTGradient.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QString kRangeException = QStringLiteral("NSRangeException");
const QString kClassName = QStringLiteral("CTGradient");
const QString kElementCountKey = QStringLiteral("CTGradientElementCount");
const QString kBlendingModeKey = QStringLiteral("CTGradientBlendingMode");

// Samples per drawing for the modes that Qt's gradients cannot express.
constexpr int kSamples = 256;
// Distance at which a later stop at an equal position is placed, so that Qt (which keeps one
// stop per position) still draws the hard edge.
constexpr qreal kEdgeOffset = 1e-6;

CTGradientElement emptyElement()
{
    CTGradientElement element;
    element.position = std::numeric_limits<float>::quiet_NaN();
    return element;
}

CTGradientElement elementFromColor(const QColor& color, float position)
{
    const QColor rgb = color.toRgb();
    CTGradientElement element;
    element.red = rgb.redF();
    element.green = rgb.greenF();
    element.blue = rgb.blueF();
    element.alpha = rgb.alphaF();
    element.position = position;
    return element;
}

QColor colorFromComponents(const float* c)
{
    auto unit = [](float v) { return std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, 1.0f); };
    return QColor::fromRgbF(unit(c[0]), unit(c[1]), unit(c[2]), unit(c[3]));
}

// The pair of stops around a position, as all three blendings find it: the colour of one stop,
// or two stops and the fraction between them.
struct Bracket
{
    const CTGradientElement* first = nullptr;
    const CTGradientElement* second = nullptr;
    float t = 0;
};

Bracket bracket(const CTGradient::Elements& elements, float p)
{
    Bracket b;
    std::size_t i1 = 0;
    std::size_t i2 = 1;
    while (i2 < elements.size() && p > elements[i2].position) {
        i1 = i2;
        ++i2;
    }
    const CTGradientElement& c1 = elements[i1];
    const CTGradientElement& c2 = i2 < elements.size() ? elements[i2] : c1;
    if (c1.position >= p) {
        b.first = &c1;
    } else if (p >= c2.position) {
        b.first = &c2;
    } else {
        b.first = &c1;
        b.second = &c2;
        b.t = (p - c1.position) / (c2.position - c1.position);
    }
    return b;
}

void white(float* out)
{
    std::fill(out, out + 4, 1.0f);
}

void chromatic(const CTGradient::Elements& elements, float p, float* out, bool upwards)
{
    if (elements.empty()) {
        white(out);
        return;
    }
    const Bracket b = bracket(elements, p);
    const CTGradientElement& e1 = *b.first;
    const CTGradientElement& e2 = b.second ? *b.second : e1;
    float c1[4] = {e1.red, e1.green, e1.blue, e1.alpha};
    float c2[4] = {e2.red, e2.green, e2.blue, e2.alpha};
    CTGradient::transformRGB_HSV(c1);
    CTGradient::transformRGB_HSV(c2);
    // A grey has no hue: it takes the other stop's, so the blend keeps the colour's hue.
    if (std::isnan(c1[0]) && std::isnan(c2[0])) {
        c1[0] = 0;
        c2[0] = 0;
    } else if (std::isnan(c1[0])) {
        c1[0] = c2[0];
    } else if (std::isnan(c2[0])) {
        c2[0] = c1[0];
    }
    if (upwards && c1[0] > c2[0])
        c2[0] += 360;
    else if (!upwards && c2[0] > c1[0])
        c1[0] += 360;
    if (!b.second) {
        std::copy(c1, c1 + 4, out);
    } else {
        for (int i = 0; i < 4; ++i)
            out[i] = c1[i] + (c2[i] - c1[i]) * b.t;
    }
    CTGradient::transformHSV_RGB(out);
}

} // namespace

bool operator==(const CTGradientElement& a, const CTGradientElement& b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha && a.position == b.position;
}

bool operator==(const CTGradient& a, const CTGradient& b)
{
    return a.m_blendingMode == b.m_blendingMode && a.m_elements == b.m_elements;
}

CTGradient::CTGradient() = default;

CTGradient CTGradient::gradientWithBeginningColor(const QColor& begin, const QColor& end)
{
    CTGradient gradient;
    gradient.addElement(elementFromColor(begin, 0.0f));
    gradient.addElement(elementFromColor(end, 1.0f));
    return gradient;
}

// ---- derived gradients and queries

CTGradient CTGradient::gradientWithAlphaComponent(float alpha) const
{
    CTGradient gradient;
    for (CTGradientElement element : m_elements) {
        element.alpha = alpha;
        gradient.addElement(element);
    }
    return gradient;
}

CTGradient CTGradient::gradientWithBlendingMode(int mode) const
{
    CTGradient gradient = *this;
    gradient.setBlendingMode(mode);
    return gradient;
}

CTGradient CTGradient::addColorStop(const QColor& color, float position) const
{
    CTGradient gradient = *this;
    gradient.addElement(elementFromColor(color, position));
    return gradient;
}

CTGradient CTGradient::removeColorStopAtPosition(float position) const
{
    CTGradient gradient = *this;
    if (std::isnan(gradient.removeElementAtPosition(position).position)) {
        throw dw::NamedException(
            kRangeException,
            dw::format("-[%@ removeColorStopAtPosition:]: no such colorStop at position (%f)", kClassName, position));
    }
    return gradient;
}

CTGradient CTGradient::removeColorStopAtIndex(unsigned index) const
{
    CTGradient gradient = *this;
    if (std::isnan(gradient.removeElementAtIndex(index).position)) {
        throw dw::NamedException(
            kRangeException, dw::format("-[%@ removeColorStopAtIndex:]: index (%i) beyond bounds", kClassName, index));
    }
    return gradient;
}

QColor CTGradient::colorStopAtIndex(unsigned index) const
{
    const CTGradientElement* element = elementAtIndex(index);
    if (!element) {
        // The message names the removal, as it always has.
        throw dw::NamedException(
            kRangeException, dw::format("-[%@ removeColorStopAtIndex:]: index (%i) beyond bounds", kClassName, index));
    }
    const float components[4] = {element->red, element->green, element->blue, element->alpha};
    return colorFromComponents(components);
}

QColor CTGradient::colorAtPosition(float position) const
{
    float out[4];
    evaluate(position, out);
    return colorFromComponents(out);
}

void CTGradient::evaluate(float position, float* out) const
{
    switch (m_blendingMode) {
    case 1:
        chromaticEvaluation(m_elements, &position, out);
        break;
    case 2:
        inverseChromaticEvaluation(m_elements, &position, out);
        break;
    default:
        linearEvaluation(m_elements, &position, out);
        break;
    }
}

// ---- list primitives

void CTGradient::addElement(const CTGradientElement& element)
{
    // After every stop at or below the position: equal positions keep their order of adding.
    const auto at = std::upper_bound(
        m_elements.begin(), m_elements.end(), element.position,
        [](float position, const CTGradientElement& existing) { return position < existing.position; });
    m_elements.insert(at, element);
}

CTGradientElement CTGradient::removeElementAtIndex(unsigned index)
{
    if (index >= m_elements.size())
        return emptyElement();
    const CTGradientElement removed = m_elements[index];
    m_elements.erase(m_elements.begin() + index);
    return removed;
}

CTGradientElement CTGradient::removeElementAtPosition(float position)
{
    const auto found = std::find_if(m_elements.begin(), m_elements.end(),
                                    [position](const CTGradientElement& e) { return e.position == position; });
    if (found == m_elements.end())
        return emptyElement();
    const CTGradientElement removed = *found;
    m_elements.erase(found);
    return removed;
}

const CTGradientElement* CTGradient::elementAtIndex(unsigned index) const
{
    return index < m_elements.size() ? &m_elements[index] : nullptr;
}

// ---- evaluation

void CTGradient::linearEvaluation(const Elements& elements, const float* in, float* out)
{
    if (elements.empty()) {
        white(out);
        return;
    }
    const Bracket b = bracket(elements, *in);
    const CTGradientElement& c1 = *b.first;
    const float first[4] = {c1.red, c1.green, c1.blue, c1.alpha};
    if (!b.second) {
        std::copy(first, first + 4, out);
        return;
    }
    const CTGradientElement& c2 = *b.second;
    const float second[4] = {c2.red, c2.green, c2.blue, c2.alpha};
    for (int i = 0; i < 4; ++i)
        out[i] = first[i] + (second[i] - first[i]) * b.t;
}

void CTGradient::chromaticEvaluation(const Elements& elements, const float* in, float* out)
{
    chromatic(elements, *in, out, true);
}

void CTGradient::inverseChromaticEvaluation(const Elements& elements, const float* in, float* out)
{
    chromatic(elements, *in, out, false);
}

void CTGradient::transformRGB_HSV(float* c)
{
    const float r = c[0], g = c[1], b = c[2];
    const float max = std::max({r, g, b});
    const float min = std::min({r, g, b});
    float h;
    if (max == min) {
        h = std::numeric_limits<float>::quiet_NaN();
    } else {
        const float d = max - min;
        if (max == r) {
            h = 60 * (g - b) / d;
            if (g < b)
                h += 360;
        } else if (max == g) {
            h = 60 * (b - r) / d + 120;
        } else {
            h = 60 * (r - g) / d + 240;
        }
    }
    c[0] = h;
    c[1] = max == 0 ? 0 : 1 - min / max;
    c[2] = max;
}

void CTGradient::transformHSV_RGB(float* c)
{
    // 359, not 360: a hue just below 360 wraps to just above 0 the same way, which stored
    // gradients were drawn with.
    const float h = std::fmod(c[0], 359.0f);
    const float s = c[1], v = c[2];
    const int i = int(std::floor(h / 60)) % 6;
    const float f = h / 60 - i;
    const float p = v * (1 - s);
    const float q = v * (1 - s * f);
    const float u = v * (1 - s * (1 - f));
    float r = 0, g = 0, b = 0;
    switch (i) {
    case 0:
        r = v, g = u, b = p;
        break;
    case 1:
        r = q, g = v, b = p;
        break;
    case 2:
        r = p, g = v, b = u;
        break;
    case 3:
        r = p, g = q, b = v;
        break;
    case 4:
        r = u, g = p, b = v;
        break;
    case 5:
        r = v, g = p, b = q;
        break;
    default:
        break; // negative hues only
    }
    c[0] = r;
    c[1] = g;
    c[2] = b;
}

// ---- drawing

QLineF CTGradient::axisForRect(const QRectF& rect, float angle)
{
    const float x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    if (angle == 0)
        return QLineF(x, y, x + w, y);
    if (angle == 90)
        return QLineF(x, y, x, y + h);
    const float pi = 3.14159265358979323846f;
    float theta = angle * pi / 180;
    float dx, dy;
    if (std::fabs(std::tan(theta)) <= 1) {
        const float length =
            w / std::fabs(std::cos(theta)) + std::fabs(std::sin(theta)) * (h - std::fabs(std::tan(theta)) * w);
        dx = length * std::cos(theta);
        dy = length * std::sin(theta);
    } else {
        theta -= 90 * pi / 180;
        const float length =
            h / std::fabs(std::cos(theta)) + std::fabs(std::sin(theta)) * (w - std::fabs(std::tan(theta)) * h);
        dy = length * std::cos(theta);
        dx = -length * std::sin(theta);
    }
    const float cx = x + w / 2, cy = y + h / 2;
    return QLineF(cx - dx / 2, cy - dy / 2, cx + dx / 2, cy + dy / 2);
}

namespace {

// Qt keeps one stop per position: later stops at a repeated position move up by a hair (down,
// at the very end), so the edge stays hard and the earlier stop still owns the position itself.
QGradientStops separateEqualPositions(const QGradientStops& stops)
{
    QGradientStops result = stops;
    for (qsizetype i = 1; i < result.size(); ++i) {
        if (result[i].first <= result[i - 1].first)
            result[i].first = result[i - 1].first + kEdgeOffset;
    }
    for (qsizetype i = result.size() - 1; i >= 0 && result[i].first > 1.0; --i)
        result[i].first = 1.0 - kEdgeOffset * qreal(result.size() - 1 - i);
    return result;
}

} // namespace

void CTGradient::fillRect(QPainter& painter, const QRectF& rect, float angle) const
{
    const QLineF axis = axisForRect(rect, angle);
    QLinearGradient gradient(axis.p1(), axis.p2());
    QGradientStops stops;
    if (m_blendingMode == 1 || m_blendingMode == 2) {
        for (int i = 0; i <= kSamples; ++i)
            stops.append({qreal(i) / kSamples, colorAtPosition(float(i) / kSamples)});
    } else {
        // Linear blending is what Qt's gradient does between stops; only positions outside 0..1
        // are folded into the colours at the ends.
        for (const CTGradientElement& element : m_elements) {
            if (element.position >= 0 && element.position <= 1) {
                const float components[4] = {element.red, element.green, element.blue, element.alpha};
                stops.append({element.position, colorFromComponents(components)});
            }
        }
        if (stops.isEmpty() || stops.constFirst().first > 0)
            stops.prepend({0.0, colorAtPosition(0)});
        if (stops.constLast().first < 1)
            stops.append({1.0, colorAtPosition(1)});
        stops = separateEqualPositions(stops);
    }
    gradient.setStops(stops);
    painter.save();
    painter.fillRect(rect, gradient);
    painter.restore();
}

void CTGradient::radialFillRect(QPainter& painter, const QRectF& rect) const
{
    const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    const qreal endRadius = std::max(w, h) / 2;
    if (endRadius <= 0)
        return;
    const QPointF center(x + w / 2, y + h / 2);
    // The circles grow from radius -1 to the end radius: a point at distance d from the centre
    // shows the colour at (d + 1) / (end radius + 1); beyond the end the last colour extends.
    QRadialGradient gradient(center, endRadius);
    QGradientStops stops;
    for (int i = 0; i <= kSamples; ++i) {
        const qreal s = qreal(i) / kSamples;
        stops.append({s, colorAtPosition(float((s * endRadius + 1) / (endRadius + 1)))});
    }
    gradient.setStops(stops);

    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    // The circle is stretched into the rectangle's shape; the translation on the unscaled axis is
    // 1.0, not 0, as stored drawings have it.
    if (h > w) {
        painter.scale(w / h, 1.0);
        painter.translate((h - w) / 2, 1.0);
    } else {
        painter.scale(1.0, h / w);
        painter.translate(1.0, (w - h) / 2);
    }
    // Everything the clip lets through, in the scaled space.
    const QRectF cover = painter.transform().inverted().mapRect(rect).united(QRectF(center, center));
    painter.fillRect(cover.adjusted(-1, -1, 1, 1), gradient);
    painter.restore();
}

void CTGradient::fillBezierPath(QPainter& painter, const QPainterPath& path, float angle) const
{
    QTransform rotation;
    rotation.rotate(-angle);
    const QPainterPath rotated = rotation.map(path);
    painter.save();
    painter.setTransform(rotation.inverted(), true);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipPath(rotated, Qt::IntersectClip);
    fillRect(painter, rotated.boundingRect(), 0);
    painter.restore();
}

void CTGradient::radialFillBezierPath(QPainter& painter, const QPainterPath& path) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipPath(path, Qt::IntersectClip);
    radialFillRect(painter, path.boundingRect());
    painter.restore();
}

void CTGradient::drawSwatchInRect(QPainter& painter, const QRectF& rect) const
{
    fillRect(painter, rect, 45);
}

// ---- keyed archive

namespace {

class ArchivedCTGradient final : public dw::ArchivedObject
{
public:
    explicit ArchivedCTGradient(CTGradient gradient) : m_gradient(std::move(gradient)) {}

    QStringList archiveClassChain() const override { return {kClassName, QStringLiteral("NSObject")}; }
    void encodeWithCoder(dw::KeyedArchiver& coder) const override { m_gradient.encodeWithCoder(coder); }
    const CTGradient& gradient() const { return m_gradient; }

private:
    CTGradient m_gradient;
};

// The keys the platform's coder gives values written one after the other without a key.
QString sequentialKey(int index)
{
    return QStringLiteral("$%1").arg(index);
}

const bool kArchivedClassRegistered = (CTGradient::registerArchivedClass(), true);

} // namespace

void CTGradient::encodeWithCoder(dw::KeyedArchiver& coder) const
{
    int key = 0;
    for (const CTGradientElement& e : m_elements) {
        for (float value : {e.red, e.green, e.blue, e.alpha, e.position})
            coder.encodeFloat(value, sequentialKey(key++));
    }
    coder.encodeInt(int(m_elements.size()), kElementCountKey);
    coder.encodeInt(m_blendingMode, kBlendingModeKey);
}

std::optional<CTGradient> CTGradient::initWithCoder(dw::KeyedUnarchiver& coder)
{
    CTGradient gradient;
    gradient.setBlendingMode(coder.decodeIntForKey(kBlendingModeKey));
    const qint64 count = coder.decodeInt64ForKey(kElementCountKey);
    if (count < 0) {
        coder.failWithError(dw::format("%@: negative stop count %lld", kClassName, count));
        return std::nullopt;
    }
    int key = 0;
    for (qint64 i = 0; i < count; ++i) {
        float values[5];
        for (float& value : values) {
            const QString name = sequentialKey(key++);
            // Checked per key, so a count far beyond the stops stored fails at the first gap.
            if (!coder.containsValueForKey(name)) {
                coder.failWithError(dw::format("%@: stop %lld of %lld is missing", kClassName, i, count));
                return std::nullopt;
            }
            value = coder.decodeFloatForKey(name);
        }
        gradient.addElement({values[0], values[1], values[2], values[3], values[4]});
    }
    return gradient;
}

QVariant CTGradient::archiveValue() const
{
    return dw::archiveValue(std::make_shared<ArchivedCTGradient>(*this));
}

std::optional<CTGradient> CTGradient::fromArchiveValue(const QVariant& value)
{
    if (const auto archived = dw::archivedObjectCast<ArchivedCTGradient>(value))
        return archived->gradient();
    return std::nullopt;
}

void CTGradient::registerArchivedClass()
{
    dw::KeyedUnarchiver::registerClass(kClassName, [](dw::KeyedUnarchiver& coder) -> dw::ArchivedObjectPtr {
        std::optional<CTGradient> gradient = initWithCoder(coder);
        if (!gradient)
            return nullptr;
        return std::make_shared<ArchivedCTGradient>(std::move(*gradient));
    });
}
