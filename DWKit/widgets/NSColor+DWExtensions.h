#pragma once
// Colour conversions of the kit: 16-bit colour triples as older settings store them, and the
// "#rrggbb" text that pages and templates use.
//
//     QColor c = dw::colorWithQuickDrawRed(65535, 0, 32768);
//     dw::hexadecimalStringValue(c);   // "#ff007f"
//
// Any thread (no widgets involved).

#include <QColor>
#include <QString>
#include <QVariantMap>

namespace dw {

// Each component divided by 65535; opaque.
QColor colorWithQuickDrawRed(quint16 red, quint16 green, quint16 blue);

// The colour of the numbers under key + ".red", ".green" and ".blue". A missing component is a
// caller error: DW_ASSERT with "No red value in color dictionary" (green, blue likewise).
QColor colorWithQuickDrawColorInDictionary(const QVariantMap& dictionary, const QString& key);

// "#" and two lower-case hex digits per component, each component (0..1) times the largest float
// below 256, truncated: 1.0 gives "ff", 0.5 gives "7f". Null for an invalid colour.
QString hexadecimalStringValue(const QColor& color);
QString hexadecimalStringValue(float red, float green, float blue);

// The platform's blend towards the highlight colour (opaque white): every component, alpha
// included, moves `level` of the way to 1.
QColor highlightWithLevel(const QColor& color, qreal level);

} // namespace dw
