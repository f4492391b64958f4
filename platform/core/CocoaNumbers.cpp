#include "platform/core/CocoaNumbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>

namespace dw {

namespace {

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v' || c.isSpace();
}

// The leading integer of the text; saturates on overflow.
qint64 leadingInteger(const QString& text, qint64 minValue, qint64 maxValue)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isSpace(text.at(i)))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    qint64 value = 0;
    bool saturated = false;
    for (; i < n; ++i) {
        const QChar c = text.at(i);
        if (c < u'0' || c > u'9')
            break;
        const int digit = c.unicode() - u'0';
        if (saturated)
            continue;
        if (!negative) {
            if (value > (maxValue - digit) / 10) {
                value = maxValue;
                saturated = true;
            } else {
                value = value * 10 + digit;
            }
        } else {
            if (value < (minValue + digit) / 10) {
                value = minValue;
                saturated = true;
            } else {
                value = value * 10 - digit;
            }
        }
    }
    return value;
}

} // namespace

int intValue(const QString& text)
{
    return int(leadingInteger(text, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

qint64 longLongValue(const QString& text)
{
    return leadingInteger(text, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
}

qint64 integerValue(const QString& text)
{
    return longLongValue(text);
}

double doubleValue(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isSpace(text.at(i)))
        ++i;
    // Collect the longest prefix of the form [sign] digits [. digits] [e [sign] digits].
    std::string number;
    auto digitAt = [&](qsizetype k) { return k < n && text.at(k) >= u'0' && text.at(k) <= u'9'; };
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-')) {
        if (text.at(i) == u'-')
            number += '-';
        ++i;
    }
    bool anyDigit = false;
    while (digitAt(i)) {
        number += char(text.at(i++).unicode());
        anyDigit = true;
    }
    if (i < n && text.at(i) == u'.') {
        ++i;
        number += '.';
        while (digitAt(i)) {
            number += char(text.at(i++).unicode());
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0.0;
    if (i < n && (text.at(i) == u'e' || text.at(i) == u'E')) {
        qsizetype k = i + 1;
        std::string exponent = "e";
        if (k < n && (text.at(k) == u'+' || text.at(k) == u'-'))
            exponent += char(text.at(k++).unicode());
        if (digitAt(k)) {
            while (digitAt(k))
                exponent += char(text.at(k++).unicode());
            number += exponent;
        }
    }
    double value = 0.0;
    const char* first = number.data();
    if (*first == '+')
        ++first;
    auto [ptr, ec] = std::from_chars(first, number.data() + number.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Beyond the range in either direction: too large is infinite, too small is zero (or the
        // nearest tiny value), as the C library reads it in its own locale.
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        return strtod_l(first, nullptr, cLocale);
    }
    (void)ptr;
    return value;
}

float floatValue(const QString& text)
{
    return float(doubleValue(text));
}

bool boolValue(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isSpace(text.at(i)))
        ++i;
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-'))
        ++i;
    while (i < n && text.at(i) == u'0')
        ++i;
    if (i >= n)
        return false;
    const QChar c = text.at(i);
    return c == u'Y' || c == u'y' || c == u'T' || c == u't' || (c >= u'1' && c <= u'9');
}

QString numberText(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    if (value == 0.0)
        return QStringLiteral("0");
    char buffer[64];
    // Shortest round-trip digits, then laid out without an exponent.
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    if (ec != std::errc())
        return QStringLiteral("0");
    std::string sci(buffer, end);
    const auto ePos = sci.find('e');
    std::string mantissa = sci.substr(0, ePos);
    const int exponent = std::atoi(sci.c_str() + ePos + 1);
    const bool negative = mantissa.front() == '-';
    if (negative)
        mantissa.erase(0, 1);
    std::string digits;
    for (char c : mantissa)
        if (c != '.')
            digits += c;
    // digits = d0 d1 d2 ..., value = 0.d0d1d2... * 10^(exponent+1)
    const int pointPos = exponent + 1;
    std::string out;
    if (pointPos <= 0) {
        out = "0." + std::string(size_t(-pointPos), '0') + digits;
    } else if (pointPos >= int(digits.size())) {
        out = digits + std::string(size_t(pointPos - int(digits.size())), '0');
    } else {
        out = digits.substr(0, size_t(pointPos)) + "." + digits.substr(size_t(pointPos));
    }
    if (negative)
        out.insert(out.begin(), '-');
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

QString decimalText(double value, int decimals)
{
    if (!std::isfinite(value))
        value = 0.0;
    if (decimals < 0)
        decimals = 0;
    // Round on the shortest decimal form of the value, so 2.675 (stored as 2.67499999...) rounds
    // the way the seller typed it.
    const QString exact = numberText(value);
    const bool negative = exact.startsWith(u'-');
    QString digits = negative ? exact.mid(1) : exact;
    qsizetype point = digits.indexOf(u'.');
    QString intPart = point < 0 ? digits : digits.left(point);
    QString frac = point < 0 ? QString() : digits.mid(point + 1);
    bool roundUp = frac.size() > decimals && frac.at(decimals) >= u'5';
    frac = frac.left(decimals);
    while (frac.size() < decimals)
        frac += u'0';
    QString all = intPart + frac;
    if (roundUp) {
        qsizetype k = all.size() - 1;
        while (k >= 0) {
            if (all[k] == u'9') {
                all[k] = u'0';
                --k;
            } else {
                all[k] = QChar(all[k].unicode() + 1);
                break;
            }
        }
        if (k < 0)
            all.prepend(u'1');
    }
    intPart = all.left(all.size() - decimals);
    frac = all.right(decimals);
    QString result = decimals > 0 ? intPart + u'.' + frac : intPart;
    bool isZero = true;
    for (QChar c : result)
        if (c != u'0' && c != u'.')
            isZero = false;
    if (negative && !isZero)
        result.prepend(u'-');
    return result;
}

} // namespace dw
