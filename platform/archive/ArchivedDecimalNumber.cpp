#include "platform/archive/ArchivedDecimalNumber.h"

namespace dw {

namespace {

using Mantissa = unsigned __int128;

// An NSDecimal carries at most 38 significant digits; 10^38 still fits 128 bits.
constexpr int kMaxDigits = 38;
constexpr int kMinExponent = -128;
constexpr int kMaxExponent = 127;

QString digitsOf(Mantissa value)
{
    if (value == 0)
        return QStringLiteral("0");
    QString digits;
    while (value != 0) {
        digits.prepend(QChar(u'0' + int(value % 10)));
        value /= 10;
    }
    return digits;
}

// Lets QVariant::toString() give a decimal number's text, as readers of old price fields expect.
[[maybe_unused]] const bool s_converterRegistered = QMetaType::registerConverter<ArchivedDecimalNumber, QString>(
    [](const ArchivedDecimalNumber& number) { return number.text; });

} // namespace

std::optional<ArchivedDecimalNumber> ArchivedDecimalNumber::fromArchivedFields(int exponent, int length, bool negative,
                                                                               const QByteArray& mantissa,
                                                                               int byteOrder)
{
    if (length < 0 || length > 8 || mantissa.size() != 16 || exponent < kMinExponent || exponent > kMaxExponent)
        return std::nullopt;
    if (length == 0)
        return ArchivedDecimalNumber{negative ? QStringLiteral("NaN") : QStringLiteral("0")};

    Mantissa value = 0;
    for (int word = length - 1; word >= 0; --word) {
        const auto low = uchar(mantissa[word * 2]);
        const auto high = uchar(mantissa[word * 2 + 1]);
        const unsigned bits = byteOrder == 1 ? (high << 8 | low) : (low << 8 | high);
        value = (value << 16) | bits;
    }
    if (value == 0)
        return ArchivedDecimalNumber{QStringLiteral("0")};

    QString digits = digitsOf(value);
    if (exponent >= 0) {
        digits.append(QString(exponent, u'0'));
    } else {
        const int fraction = -exponent;
        if (digits.size() <= fraction)
            digits.prepend(QString(fraction - digits.size() + 1, u'0'));
        digits.insert(digits.size() - fraction, u'.');
        while (digits.endsWith(u'0'))
            digits.chop(1);
        if (digits.endsWith(u'.'))
            digits.chop(1);
    }
    if (negative)
        digits.prepend(u'-');
    return ArchivedDecimalNumber{digits};
}

ArchivedDecimalNumber::Fields ArchivedDecimalNumber::archivedFields() const
{
    Fields fields;
    fields.mantissa = QByteArray(16, '\0');
    const QString trimmed = text.trimmed();
    qsizetype at = 0;
    bool negative = false;
    if (at < trimmed.size() && (trimmed[at] == u'-' || trimmed[at] == u'+'))
        negative = trimmed[at++] == u'-';

    QString digits;
    int exponent = 0;
    bool seenPoint = false, seenDigit = false;
    for (; at < trimmed.size(); ++at) {
        const QChar c = trimmed[at];
        if (c == u'.' && !seenPoint) {
            seenPoint = true;
        } else if (c.isDigit() && c.unicode() < 128) {
            seenDigit = true;
            if (digits.isEmpty() && c == u'0') {
                if (seenPoint)
                    --exponent; // a leading zero of the fraction
                continue;
            }
            if (digits.size() < kMaxDigits) {
                digits.append(c);
                if (seenPoint)
                    --exponent;
            } else if (!seenPoint) {
                ++exponent; // an integer digit past what the mantissa holds
            }
        } else {
            break;
        }
    }
    if (!seenDigit || at != trimmed.size()) {
        fields.negative = true; // NaN: no mantissa, negative flag set
        fields.compact = false;
        return fields;
    }
    if (digits.isEmpty())
        return fields; // zero

    // Trailing zeros move into the exponent, as a compact decimal holds them.
    while (digits.endsWith(u'0') && exponent < kMaxExponent) {
        digits.chop(1);
        ++exponent;
    }
    while (exponent < kMinExponent && !digits.isEmpty()) {
        digits.chop(1);
        ++exponent;
    }
    if (digits.isEmpty() || exponent > kMaxExponent)
        return exponent > kMaxExponent ? Fields{0, 0, true, false, QByteArray(16, '\0')} : fields;

    Mantissa value = 0;
    for (const QChar c : digits)
        value = value * 10 + Mantissa(c.unicode() - u'0');
    int length = 0;
    for (Mantissa rest = value; rest != 0; rest >>= 16) {
        fields.mantissa[length * 2] = char(rest & 0xFF);
        fields.mantissa[length * 2 + 1] = char((rest >> 8) & 0xFF);
        ++length;
    }
    fields.exponent = exponent;
    fields.length = length;
    fields.negative = negative;
    return fields;
}

} // namespace dw
