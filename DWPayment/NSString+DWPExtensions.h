#pragma once
// The store's own text helpers: money display, an HTML test, XML escaping and the few character
// and UUID helpers the store needs. Pure functions; any thread.
//
//     dw::currencyValue(QStringLiteral("123456"));   // "1234.56" (the locale's decimal separator)
//     dw::currencyCodeToSymbol(QStringLiteral("EUR")); // "€"

#include "DWPayment/DWPaymentExport.h"

#include "platform/text/CharacterSet.h"

#include <QString>

namespace dw {

// "€" for "EUR", "$" for "USD", "¤" for anything else (case-sensitive).
DWPAYMENT_EXPORT QString currencyCodeToSymbol(const QString& currencyCode);

// The decimal text of a whole number of cents as an amount: all digits but the last two, the
// decimal separator of the process locale, the last two ("5" -> "0.05", "100" -> "1.00"); no
// thousands separators.
DWPAYMENT_EXPORT QString currencyValue(const QString& cents);

// True when "<html" occurs anywhere, in any case.
DWPAYMENT_EXPORT bool containsHTML(const QString& text);

// The five predefined XML entities, escaped and unescaped.
DWPAYMENT_EXPORT QString stringByEscapingXMLEntities(const QString& text);
DWPAYMENT_EXPORT QString stringByUnescapingXMLEntities(const QString& text);

// The text without every character that `allowed` lacks (compared per UTF-16 unit, as the store
// only filters ASCII).
DWPAYMENT_EXPORT QString stringByRemovingEverythingExceptCharactersInSet(const QString& text, const QString& allowed);

// A new random UUID in upper-case text form ("8C1B...-...").
DWPAYMENT_EXPORT QString newUUIDString();

} // namespace dw

// The application's kit has operations of the same names; the store keeps its own copies (it links
// only the platform), in a namespace of their own so the two never meet in one program.
namespace dw::payment {

// The text without every character of `set`; an empty text gives the empty text.
DWPAYMENT_EXPORT QString stringByRemovingCharactersInSet(const QString& text, const dw::CharacterSet& set);

// Percent-escaped in UTF-8: only the characters that may not stand in a URL at all; reserved
// characters such as "&", "=", "?", "/" and "#" stay.
DWPAYMENT_EXPORT QString stringByAddingURLPercentEscapes(const QString& text);

// Every percent escape decoded as UTF-8; null when an escape is malformed or the decoded bytes are
// not valid UTF-8.
DWPAYMENT_EXPORT QString stringByReplacingURLPercentEscapes(const QString& text);

} // namespace dw::payment
