#pragma once
// EAN-13 symbols drawn from the published symbology tables, and simulated photographs of them.
//
//     QImage clean = dw::test::renderEan13("4006381333931", 2);       // 2 pixels a module
//     QImage photo = dw::test::photographBarcode(clean, {.seed = 7}); // 640 x 480, tilted, blurred
//
// The photographs stand in for pictures taken with a camera: the symbol at a random scale and
// slight rotation, seen in perspective, blurred, under uneven light and with sensor noise.

#include <QImage>
#include <QString>
#include <cstdint>

namespace dw::test {

// The 95 modules of a 13-digit code, '1' for a bar; empty when the text is not 13 digits.
QString ean13Modules(const QString& code);
// The symbol with quiet zones of 11 modules, black on white, height pixels tall.
QImage renderEan13(const QString& code, int moduleWidth, int height = 200);

struct PhotoOptions
{
    std::uint32_t seed = 1;
    double blur = 1.0;          // radius of the defocus, in pixels of the photograph
    double noise = 6.0;         // standard deviation of the sensor noise, in grey levels
    double tilt = 0.15;         // strength of the perspective (0 none)
    double rotation = 3.0;      // largest rotation, in degrees
    double lightFalloff = 0.35; // how much darker the darkest corner is than the brightest
};
QImage photographBarcode(const QImage& symbol, const PhotoOptions& options, int width = 640, int height = 480);

// The symbol's width in pixels for a module width: 95 modules and two quiet zones of 11.
constexpr int ean13SymbolWidth(int moduleWidth)
{
    return (95 + 22) * moduleWidth;
}

} // namespace dw::test
