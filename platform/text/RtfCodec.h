#pragma once
// RTF, the stored form of styled text: listing descriptions, the default footer, text blocks.
//
// read() takes what the platform's own RTF writer produces, and the common core of RTF besides:
// the font table (face names such as "Helvetica-Bold" become family and traits), the colour
// table with the exact components of the expanded colour table, \f \fs \b \i \ul \uldb \ulth
// \ulnone \strike \striked \cf \plain, \pard with \ql \qr \qc \qj, \par and the platform's "\"
// at a line end, \tab \line, \'hh in the code page of the document or of the font (\ansicpg,
// \fcharset), \uN with the fallback characters that \ucN announces, and the escapes \\ \{ \}.
// Document attributes (paper, margins, view), unknown control words and unknown or ignorable
// destinations ({\*\...}, pictures, style sheets, field instructions) are skipped; the text of a
// field's result is kept. Every run read has a font (Helvetica 12 unless the RTF names another)
// and an alignment (natural unless the RTF names another).
//
// Reading fails (nullopt and an error text) only when the bytes are not RTF at all. Damaged RTF
// (cut off, braces out of balance, groups nested deeper than kMaxGroupDepth) gives the text read
// up to the damage. No input makes the reader crash or loop, and the result never holds more
// characters than the input has bytes.
//
// write() produces RTF in the platform writer's style, without document attributes: code page
// 1252, \'hh for what that code page holds and \uc0\uN for everything else, one font table entry
// per face, exact colour components. A styled text read from RTF is written so that reading it
// again gives it back unchanged; a styled text built in the program comes back with colour
// components rounded to 1/100000 and, where it had none, Helvetica 12 and natural alignment.
//
//     std::optional<dw::StyledText> description = dw::rtf::read(data);
//     if (!description) ...                         // not RTF: an empty description
//     QByteArray stored = dw::rtf::write(*description);
//
// Stateless; any thread.

#include "platform/text/StyledText.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace dw::rtf {

// Nesting deeper than this is taken for damage; real documents stay far below it.
inline constexpr int kMaxGroupDepth = 256;

std::optional<StyledText> read(const QByteArray& data, QString* error = nullptr);
QByteArray write(const StyledText& text);

// The characters of RTF data without their attributes; nullopt when the data is not RTF.
std::optional<QString> plainText(const QByteArray& data);

} // namespace dw::rtf
