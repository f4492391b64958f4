#pragma once
// Text operations that the whole program shares: unique IDs, replacement, character filters,
// URL escaping and parameters, CDATA wrapping, CSV, RTF and script escaping, free file names.
//
// Pure functions of their arguments (nextAvailablePathByAppendingNumber looks at the file system,
// compareByLocalizedStringValue at the installed string tables); any thread. Only the two
// replaceEveryOccurrenceOfString overloads change their argument.
//
//     const QString id = dw::UUID();                          // "6F9619FF-8B86-D011-B42D-00CF4FC964FF"
//     const QString url = dw::stringByAppendingURLParametersFromDictionary(base, {{"q", "shoes"}});
//     writer.write(dw::cdataString(title));                   // well-formed for any title

#include "platform/text/CharacterSet.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace dw {

// Replaces every occurrence of `target` in `text` (an empty target replaces nothing).
void replaceEveryOccurrenceOfString(QString& text, const QString& target, const QString& replacement,
                                    Qt::CaseSensitivity cs = Qt::CaseSensitive);

// A new UUID as 36 upper-case characters in groups 8-4-4-4-12.
QString UUID();

QString stringByReplacingEveryOccurrenceOfString(const QString& text, const QString& target, const QString& replacement,
                                                 Qt::CaseSensitivity cs = Qt::CaseSensitive);

// Orders the localized forms of both texts, ignoring case: -1, 0 or 1.
int compareByLocalizedStringValue(const QString& a, const QString& b);
// True when both lower-case forms are equal; nil equals nothing.
bool isEqualToStringIgnoringCase(const QString& a, const QString& b);
bool hasPrefixCaseInsensitive(const QString& text, const QString& prefix);

QString stringByRemovingCharactersInSet(const QString& text, const CharacterSet& set);
QString stringByRemovingEverythingExceptCharactersInSet(const QString& text, const CharacterSet& set);
// Removes control and format characters (Cc, Cf) but keeps line feeds and carriage returns.
QString stringByRemovingControlCharacters(const QString& text);
QString stringByRemovingEverythingExceptlowercaseASCIILetters(const QString& text);

// Escapes "&", ":", "?" and "=" for a mailto address; nothing else, not even "%".
QString stringByAddingMailtoSavePercentEscapes(const QString& text);
// Percent-escapes the UTF-8 bytes of every character that may not stand in a URL: everything
// except the letters and digits of ASCII, "-._~" and the reserved ":/?#[]@!$&'()*+,;=".
QString stringByAddingURLPercentEscapes(const QString& text);
// The same, and the reserved characters are escaped too: only ASCII letters, digits and "-._~" stay.
QString stringByAddingURLPercentEscapesIncludingReservedCharacters(const QString& text);
// Decodes every percent escape as UTF-8. nil when an escape is malformed ("%" without two
// hexadecimal digits) or the bytes are not valid UTF-8. "+" stays "+".
QString stringByReplacingURLPercentEscapes(const QString& text);

// `base` + "/" + `component`, without doubling a "/" that `base` ends with.
QString stringByAppendingURLComponent(const QString& base, const QString& component);
// `base` + "?" + "key=value" pairs joined by "&" in key order, keys and values escaped with
// stringByAddingURLPercentEscapes (so "&" and "=" inside them stay as they are). An empty map
// gives `base` unchanged; a base that already has a query still gets a second "?".
QString stringByAppendingURLParametersFromDictionary(const QString& base, const QVariantMap& parameters);
// Parses "a=1&b=2" into text values. A part without "=" is a key (not decoded) with the value "";
// otherwise the first two "="-separated fields, decoded, are key and value. A later key replaces
// an earlier one. A part whose key or value does not decode is left out.
QVariantMap URLParameters(const QString& query);

// Wraps the text in CDATA sections so that it is well-formed XML character data for any text:
// the text is cut at every "]]", which is written between the sections, so no section holds "]]>".
// The empty text gives the empty text (not a null one).
QString cdataString(const QString& text);
// Removes the markers of the CDATA sections, keeping the text inside and outside them (the
// inverse of cdataString). A "]]>" that closes no section is text and stays; an unterminated
// section runs to the end of the text.
QString stringByUnwrappingCData(const QString& text);

// For one field of a comma-separated file: "," and ";" become "_", a double quote two
// apostrophes, a tab four blanks; line breaks are removed.
QString stringByRemovingCSVUnsafeCharacters(const QString& text);
// Puts a backslash before every double quote.
QString stringByEscapingForbiddenAppleScriptCharacters(const QString& text);
// Escapes the text for an RTF document body: non-ASCII UTF-16 units as "\uc0\uNNNN", a line
// feed as a paragraph break, and "\", "{", "}" with a backslash.
QString stringFormattedForRTF(const QString& text);

// For "/a/pic.jpg": the first of "/a/pic 2.jpg" ... "/a/pic 9999.jpg" that does not exist; ""
// when all of them do. The path itself is not tested.
QString nextAvailablePathByAppendingNumber(const QString& path);

// Removes `suffix` from the end as often as the text ends with it ("abcxx" without "x": "abc").
QString substringWithoutTrailingString(const QString& text, const QString& suffix);
// Consecutive pieces of `length` UTF-16 units, the last one shorter; none for an empty text.
// A length below 1 is a caller error (DW_ASSERT).
QStringList substringsOfLength(const QString& text, qsizetype length);

// Without blanks, tabs, carriage returns and line feeds.
QString cleanString(const QString& text);
// Without carriage returns and line feeds.
QString stringByRemovingCarriageReturnAndLineFeed(const QString& text);
// Without tabs and blanks.
QString DWCreateCleanString(const QString& text);

} // namespace dw
