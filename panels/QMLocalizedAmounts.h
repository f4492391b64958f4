#pragma once
// Amounts and measures as the seller types and reads them, and as the listing stores them.
//
// The listing keeps numbers as locale-independent text ("4.90"); the panels show them in the
// seller's locale ("4,90" in German) and read back what was typed there. Reading tries the
// seller's locale first (with its grouping: "1.234,50" is 1234.5 in German), then the C locale,
// and last a lone decimal comma, so an amount typed in the "wrong" convention is still read as
// meant. Main thread (the default QLocale).
//
//     qm::storedAmountFromTypedText("4,90")         // "4.90" under a German or an English locale
//     qm::typedTextFromStoredAmount("4.90")         // "4,90" under a German locale

#include <QString>
#include <optional>

class QValidator;
class QObject;

namespace qm {

// The number typed, or nothing when the text holds no number (empty text included).
std::optional<double> numberFromTypedText(const QString& text);

// A money amount with two decimals ("4.90"); a null text for text without a number.
QString storedAmountFromTypedText(const QString& text);
// A measure or weight in its shortest form ("0.5", "12"); a null text for text without a number.
QString storedMeasureFromTypedText(const QString& text);

// The stored amount in the seller's locale with two decimals; empty for an empty text.
QString typedTextFromStoredAmount(const QString& stored);
// The stored measure in the seller's locale, without trailing zeros; empty for an empty text.
QString typedTextFromStoredMeasure(const QString& stored);

// A validator that lets through digits, decimal and group separators and spaces only.
QValidator* newAmountValidator(QObject* parent);

} // namespace qm
