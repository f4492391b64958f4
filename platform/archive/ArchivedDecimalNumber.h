#pragma once
// An NSDecimalNumber as it is archived: a mantissa of up to 128 bits, a decimal exponent and a sign.
//
// Older listings stored prices as decimal numbers instead of text; readers want the decimal text
// ("12.5") and need to tell such a value from text, so it has a type of its own. A QVariant holding
// one converts to QString with toString(). Any thread.
//
//     const QVariant price = coder.decodeObjectForKey("minimumBid");
//     if (price.typeId() == qMetaTypeId<dw::ArchivedDecimalNumber>())
//         setMinimumBid(price.toString());

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <optional>

namespace dw {

struct ArchivedDecimalNumber
{
    // Plain decimal text without exponent or trailing fraction zeros: "12.5", "-0.001", "0";
    // "NaN" for the not-a-number value.
    QString text;

    bool operator==(const ArchivedDecimalNumber& other) const { return text == other.text; }

    // The archived fields: mantissa as 8 little-endian 16-bit words (byte order 1) or big-endian
    // words (any other byte order), "length" words of it in use. Nullopt for a length above 8 or a
    // mantissa that is not 16 bytes long.
    static std::optional<ArchivedDecimalNumber> fromArchivedFields(int exponent, int length, bool negative,
                                                                   const QByteArray& mantissa, int byteOrder);

    struct Fields
    {
        int exponent = 0;
        int length = 0;
        bool negative = false;
        bool compact = true;
        QByteArray mantissa; // 16 bytes, little-endian words
    };
    // Text that is not a decimal number is written as NaN; digits past the 38th are cut off.
    Fields archivedFields() const;
};

} // namespace dw

Q_DECLARE_METATYPE(dw::ArchivedDecimalNumber)
