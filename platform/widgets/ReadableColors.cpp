#include "platform/widgets/ReadableColors.h"

#include <QPalette>

#include <algorithm>
#include <cmath>

namespace dw {

namespace {

qreal linear(qreal component)
{
    return component <= 0.04045 ? component / 12.92 : std::pow((component + 0.055) / 1.055, 2.4);
}

qreal luminance(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

} // namespace

qreal contrastRatio(const QColor& a, const QColor& b)
{
    const qreal la = luminance(a);
    const qreal lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableTextColor(const QColor& background, const QColor& preferred)
{
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    const bool darker = contrastRatio(background, black) >= contrastRatio(background, white);
    if (!preferred.isValid())
        return darker ? black : white;
    if (contrastRatio(background, preferred) >= kReadableContrast)
        return preferred;
    // Lightness in small steps towards black or white; the first that reads is the nearest.
    const QColor hsl = preferred.toHsl();
    const qreal hue = std::max<qreal>(0, hsl.hslHueF()); // -1 for greys
    const qreal saturation = hsl.hslSaturationF();
    for (int step = 1; step <= 50; ++step) {
        const qreal lightness = std::clamp(hsl.lightnessF() + (darker ? -0.02 : 0.02) * step, 0.0, 1.0);
        const QColor candidate = QColor::fromHslF(float(hue), float(saturation), float(lightness));
        if (contrastRatio(background, candidate) >= kReadableContrast)
            return candidate.toRgb();
    }
    return darker ? black : white;
}

bool isDarkPalette(const QPalette& palette)
{
    return luminance(palette.color(QPalette::Window)) < luminance(palette.color(QPalette::WindowText));
}

} // namespace dw
