#pragma once
// Lexical forms of the values in eBay's XML, shared by the writer and the reader. Every form is
// locale-independent. The readers take the UTF-8 bytes of a text as the parser holds them.

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstddef>

namespace dw::xml {

// Whether XML 1.0 can carry the character at all, even as a character reference: no control
// characters other than tab, line feed and carriage return, no surrogates, no U+FFFE or U+FFFF.
constexpr bool isXmlCharacter(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// The text without the characters that XML cannot carry (surrogate pairs stay). Null stays null,
// and a non-null text stays non-null even when nothing is left of it.
QString xmlCharactersOnly(const QString& text);

// Text read from the document, reduced to what the writer could send back: a read and a write
// give the same text again. Never null ("" for no bytes).
QString textFromUtf8(const char* bytes, size_t length);

// "2024-03-01T09:30:00.000Z": UTC with milliseconds. Writes at most kDateChars characters.
constexpr int kDateChars = 32;
int dateChars(const QDateTime& value, char* out);
// xs:dateTime with or without a fraction and a zone (no zone means UTC); invalid for anything else.
QDateTime dateFromText(const QString& text);
QDateTime dateFromUtf8(const char* bytes, size_t length);

// "true" and "1" (around white space) are YES, anything else NO.
bool boolFromText(const QString& text);
bool boolFromUtf8(const char* bytes, size_t length);

// The leading number of the text, as the platform's intValue/doubleValue read it: white space
// first, anything after the number ignored, no number gives 0. False when the leading number lies
// beyond what the value can hold (a double that would be infinite); a number too small for a
// double reads as the nearest value the double can hold.
[[nodiscard]] bool integerFromUtf8(const char* bytes, size_t length, qint64& value);
[[nodiscard]] bool doubleFromUtf8(const char* bytes, size_t length, double& value);

// Shortest text that reads back as the same double, never in exponent form; NaN and infinities
// give "0". Writes at most kNumberChars characters.
constexpr int kNumberChars = 400;
int numberChars(double value, char* out);

} // namespace dw::xml
