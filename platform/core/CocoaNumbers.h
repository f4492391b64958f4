#pragma once
// Cocoa-compatible reading of numbers from text, and locale-independent writing.
//
// The readers behave like NSString's intValue/doubleValue/boolValue: leading white space is
// skipped, a leading number is read and anything after it ignored; text without a number gives 0.
// Integers beyond the type's range saturate. The decimal separator is always ".", in every locale.
//
//     dw::intValue(" 12abc")   // 12
//     dw::doubleValue("12.5")  // 12.5, also under a German locale
//     dw::numberText(0.1)      // "0.1" (never exponent form)

#include <QString>

namespace dw {

int intValue(const QString& text);
qint64 longLongValue(const QString& text);
qint64 integerValue(const QString& text); // NSInteger on a 64-bit system
double doubleValue(const QString& text);
float floatValue(const QString& text);
bool boolValue(const QString& text);

// The value of one hexadecimal digit ("0"-"9", "a"-"f", "A"-"F"), or -1 for any other character.
constexpr int hexDigitValue(char32_t c)
{
    if (c >= U'0' && c <= U'9')
        return int(c - U'0');
    if (c >= U'a' && c <= U'f')
        return int(c - U'a') + 10;
    if (c >= U'A' && c <= U'F')
        return int(c - U'A') + 10;
    return -1;
}

// Shortest text that reads back as the same double, without exponent ("1e-07" is written
// "0.0000001"); integers without a fraction ("12"). NaN and infinities write "0".
QString numberText(double value);

// Fixed number of decimals, "." as separator, rounded half away from zero on the decimal text
// ("2.675" with 2 decimals gives "2.68", as a seller reading the amount expects).
QString decimalText(double value, int decimals);

} // namespace dw
