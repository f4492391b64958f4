#pragma once
// Colours that stay readable under any desktop theme, light or dark. A colour the program sets by
// hand (a fill, a stage, a marker) is paired with a text colour chosen against it, never with one
// that assumes a light theme.
//
//     row->setBackground(fee);
//     row->setForeground(dw::readableTextColor(fee));
//
// Any thread (no widgets involved).

#include <QColor>

class QPalette;

namespace dw {

// The contrast ratio of two opaque colours as the web's accessibility guidelines define it, from
// 1 (the same luminance) to 21 (black on white). Text needs 4.5 to read well.
qreal contrastRatio(const QColor& a, const QColor& b);
constexpr qreal kReadableContrast = 4.5;

// `preferred` when it reads on `background` (contrast at least 4.5), else the nearest colour of its
// hue that does, made darker on a light background and lighter on a dark one (an error red stays a
// red). Without a preferred colour: black or white, whichever reads better.
QColor readableTextColor(const QColor& background, const QColor& preferred = QColor());

// Whether the palette's window is dark (its text lighter than its background).
bool isDarkPalette(const QPalette& palette);

} // namespace dw
