#pragma once
// A colour gradient: an ordered list of colour stops (RGBA and a position from 0 to 1) evaluated
// with one of three blending rules and drawn along an axis at an angle or radially, into a
// rectangle or a path.
//
// A gradient is a value: every "changing" operation returns a new gradient and leaves the
// receiver as it was. Stops stay sorted by position; stops at equal positions keep the order in
// which they were added, which makes a hard edge (exactly at the position the earlier stop's
// colour applies, above it the later one's).
//
// Blending modes: 0 linear (each component interpolated), 1 chromatic (hue, saturation and value
// interpolated, the hue running upwards), 2 inverse chromatic (the hue running downwards); any
// other mode blends linearly.
//
// Geometry is y-up like the rest of the kit's drawing: angle 90 runs from the rectangle's
// smallest y to its largest, -90 the other way. A widget draws with a painter flipped once
// (translate(0, height), scale(1, -1)) to get "90 is upwards on screen".
//
//     static const CTGradient strip = CTGradient::gradientWithBeginningColor(light, dark);
//     strip.fillRect(painter, rect(), -90);   // light at the top edge in a flipped painter
//
// Main thread for drawing; evaluation and the list operations are plain value operations.

#include <QColor>
#include <QLineF>
#include <QRectF>
#include <QVariantMap>
#include <optional>
#include <vector>

class QPainter;
class QPainterPath;

namespace dw {
class KeyedArchiver;
class KeyedUnarchiver;
} // namespace dw

// One colour stop.
struct CTGradientElement
{
    float red = 0;
    float green = 0;
    float blue = 0;
    float alpha = 0;
    float position = 0;
};

class CTGradient
{
public:
    // Empty, linear. An empty gradient evaluates and draws as opaque white.
    CTGradient();

    static CTGradient gradientWithBeginningColor(const QColor& begin, const QColor& end);

    // Ready-made gradients.
    static CTGradient aquaSelectedGradient();
    static CTGradient aquaNormalGradient();
    static CTGradient aquaPressedGradient();
    static CTGradient unifiedSelectedGradient();
    static CTGradient unifiedNormalGradient();
    static CTGradient unifiedPressedGradient();
    static CTGradient unifiedDarkGradient();
    static CTGradient sourceListSelectedGradient();
    static CTGradient sourceListUnselectedGradient();
    static CTGradient rainbowGradient();
    static CTGradient hydrogenSpectrumGradient();
    static CTGradient qmToolbarGradient();
    static CTGradient itemViewGradientWithHeight(float height, float highlight);
    static CTGradient itemViewGradientWithHeight(float height);
    static CTGradient sidebarSelectedGradient();
    static CTGradient detailViewSelectedGradient();
    static CTGradient detailViewSelectedNonResponderGradient();
    static CTGradient detailViewUnselectedGradient();
    static CTGradient detailViewUnselectedInnerGradient();
    static CTGradient detailViewAlternateUnselectedInnerGradient();
    static CTGradient redAquaSelectedGradient();
    static CTGradient headerNormalGradient();
    // The desktop has no control tint setting, so this is the gradient of the default (blue) tint.
    static CTGradient headerSelectedGradient();

    // Derived gradients. The removals throw dw::NamedException "NSRangeException" for a missing stop.
    CTGradient gradientWithAlphaComponent(float alpha) const; // always linear
    CTGradient gradientWithBlendingMode(int mode) const;
    CTGradient addColorStop(const QColor& color, float position) const;
    CTGradient removeColorStopAtPosition(float position) const;
    CTGradient removeColorStopAtIndex(unsigned index) const;

    int blendingMode() const { return m_blendingMode; }
    QColor colorStopAtIndex(unsigned index) const; // NSRangeException beyond the list
    QColor colorAtPosition(float position) const;

    // Drawing into the painter; its state is left as found.
    void fillRect(QPainter& painter, const QRectF& rect, float angle) const;
    void radialFillRect(QPainter& painter, const QRectF& rect) const;
    void fillBezierPath(QPainter& painter, const QPainterPath& path, float angle) const;
    void radialFillBezierPath(QPainter& painter, const QPainterPath& path) const;
    void drawSwatchInRect(QPainter& painter, const QRectF& rect) const;

    // The axis along which fillRect() runs: through the centre, long enough to span the rectangle.
    static QLineF axisForRect(const QRectF& rect, float angle);

    // List primitives.
    void setBlendingMode(int mode) { m_blendingMode = mode; }
    void addElement(const CTGradientElement& element);
    // The removed stop, or the empty record (all zero, position NaN) when there is none.
    CTGradientElement removeElementAtIndex(unsigned index);
    CTGradientElement removeElementAtPosition(float position);
    const CTGradientElement* elementAtIndex(unsigned index) const;
    std::size_t elementCount() const { return m_elements.size(); }

    // The evaluation functions: one position in, red, green, blue and alpha out.
    using Elements = std::vector<CTGradientElement>;
    static void linearEvaluation(const Elements& elements, const float* in, float* out);
    static void chromaticEvaluation(const Elements& elements, const float* in, float* out);
    static void inverseChromaticEvaluation(const Elements& elements, const float* in, float* out);
    // In place on four floats; the fourth (alpha) is left alone. Hue in degrees, NaN for greys.
    static void transformRGB_HSV(float* components);
    static void transformHSV_RGB(float* components);

    // The keyed archive of class "CTGradient": per stop, in list order, five floats (red, green,
    // blue, alpha, position) under the sequential keys "$0", "$1", ...; then the stop count under
    // "CTGradientElementCount" and the mode under "CTGradientBlendingMode". Reading fails (nullopt,
    // and the unarchiver's error) when a stop that the count announces is missing.
    void encodeWithCoder(dw::KeyedArchiver& coder) const;
    static std::optional<CTGradient> initWithCoder(dw::KeyedUnarchiver& coder);
    // The gradient as an archive value (for KeyedArchiver::encodeObject), and back.
    QVariant archiveValue() const;
    static std::optional<CTGradient> fromArchiveValue(const QVariant& value);
    // Lets the unarchiver make gradients; done when this library loads, repeating it is harmless.
    static void registerArchivedClass();

    friend bool operator==(const CTGradient& a, const CTGradient& b);

private:
    void evaluate(float position, float* out) const;

    Elements m_elements;
    int m_blendingMode = 0;
};

bool operator==(const CTGradientElement& a, const CTGradientElement& b);
