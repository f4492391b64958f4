#include "DWKit/widgets/NSColor+DWExtensions.h"

#include "platform/core/DWAssert.h"

#include <algorithm>

namespace dw {

namespace {

// The largest single-precision number below 256: a component of exactly 1.0 still gives "ff".
constexpr float kHexScale = 255.99998474121094f;

QString hexByte(float component)
{
    const int value = std::clamp(int(std::clamp(component, 0.0f, 1.0f) * kHexScale), 0, 255);
    return QString::asprintf("%02x", value);
}

quint16 quickDrawComponent(const QVariantMap& dictionary, const QString& key, const char* missingMessage)
{
    const auto found = dictionary.constFind(key);
    DW_ASSERT(found != dictionary.constEnd() && found->isValid(), missingMessage);
    // Read as an unsigned 16-bit number: wider values wrap as the stored number's conversion does.
    return static_cast<quint16>(found->toLongLong());
}

} // namespace

QColor colorWithQuickDrawRed(quint16 red, quint16 green, quint16 blue)
{
    // QColor keeps 16 bits per component, so the triple is held exactly.
    return QColor::fromRgba64(red, green, blue, 65535);
}

QColor colorWithQuickDrawColorInDictionary(const QVariantMap& dictionary, const QString& key)
{
    const quint16 red =
        quickDrawComponent(dictionary, key + QStringLiteral(".red"), "No red value in color dictionary");
    const quint16 green =
        quickDrawComponent(dictionary, key + QStringLiteral(".green"), "No green value in color dictionary");
    const quint16 blue =
        quickDrawComponent(dictionary, key + QStringLiteral(".blue"), "No blue value in color dictionary");
    return colorWithQuickDrawRed(red, green, blue);
}

QString hexadecimalStringValue(float red, float green, float blue)
{
    return QStringLiteral("#") + hexByte(red) + hexByte(green) + hexByte(blue);
}

QString hexadecimalStringValue(const QColor& color)
{
    if (!color.isValid())
        return QString();
    // QColor rounds a float component to 16 bits (0.5 becomes 32768/65535, a hair above 0.5, which
    // the scale would turn into "80"). Reading the 16 bits as a fraction of 65536 gives back the
    // float the colour was made from for every component with up to 16 binary digits, and keeps
    // 8-bit colours exact.
    const QRgba64 rgb = color.toRgb().rgba64();
    return hexadecimalStringValue(rgb.red() / 65536.0f, rgb.green() / 65536.0f, rgb.blue() / 65536.0f);
}

QColor highlightWithLevel(const QColor& color, qreal level)
{
    const QColor rgb = color.toRgb();
    const float f = float(std::clamp<qreal>(level, 0, 1));
    auto blend = [f](float c) { return c + (1.0f - c) * f; };
    return QColor::fromRgbF(blend(rgb.redF()), blend(rgb.greenF()), blend(rgb.blueF()), blend(rgb.alphaF()));
}

} // namespace dw
