#include "DWGeneratedObject/DWXMLValues_p.h"

#include <QRegularExpression>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <string>

namespace dw::xml {

namespace {

// The white space that the platform's number readers skip, as far as it is ASCII.
constexpr bool isAsciiSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

constexpr bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

// Bytes that may start a character XML cannot carry: a control character, or the lead byte of
// U+FFFE and U+FFFF (0xEF, shared with many characters that are fine). Sixteen bytes at a time
// where the processor allows, since every text of a reply passes here.
bool mayHoldNonXmlCharacters(const char* bytes, size_t length)
{
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i controlMax = _mm_set1_epi8(0x1F);
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    const __m128i leadOfNonCharacters = _mm_set1_epi8(static_cast<char>(0xEF));
    for (; i + 16 <= length; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const __m128i control = _mm_cmpeq_epi8(_mm_max_epu8(chunk, controlMax), controlMax);
        const __m128i space = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, tab), _mm_cmpeq_epi8(chunk, lineFeed)),
                                           _mm_cmpeq_epi8(chunk, carriageReturn));
        const __m128i suspicious =
            _mm_or_si128(_mm_andnot_si128(space, control), _mm_cmpeq_epi8(chunk, leadOfNonCharacters));
        if (_mm_movemask_epi8(suspicious) != 0)
            return true;
    }
#endif
    for (; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0xEF)
            return true;
    }
    return false;
}

bool isAscii(const char* bytes, size_t length)
{
    unsigned high = 0;
    for (size_t i = 0; i < length; ++i)
        high |= static_cast<unsigned char>(bytes[i]);
    return high < 0x80;
}

// Texts whose leading white space is not ASCII take the slower path over QString, so that they
// read as the platform's readers read them; the rest of the bytes is returned for the fast path.
QByteArray withoutLeadingSpace(const char* bytes, size_t length)
{
    const QString text = QString::fromUtf8(bytes, qsizetype(length));
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    return text.mid(i).toUtf8();
}

// Skips ASCII white space; true when what follows starts with a non-ASCII byte.
bool skipSpace(const char*& p, const char* end)
{
    while (p < end && isAsciiSpace(static_cast<unsigned char>(*p)))
        ++p;
    return p < end && static_cast<unsigned char>(*p) >= 0x80;
}

int twoDigits(const char* p)
{
    return (p[0] - '0') * 10 + (p[1] - '0');
}

char* putDigits(char* out, int value, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        out[i] = char('0' + value % 10);
        value /= 10;
    }
    return out + count;
}

} // namespace

QString xmlCharactersOnly(const QString& text)
{
    if (text.isNull())
        return text;
    QString result;
    result.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            result.append(c);
            result.append(text.at(++i));
            continue;
        }
        if (!c.isSurrogate() && isXmlCharacter(c.unicode()))
            result.append(c);
    }
    return result;
}

QString textFromUtf8(const char* bytes, size_t length)
{
    if (length == 0)
        return QStringLiteral("");
    QString text = QString::fromUtf8(bytes, qsizetype(length));
    // Character references and raw bytes can put any character into the parsed text; what the
    // writer would drop is dropped here already, so that the object holds what it can send.
    if (mayHoldNonXmlCharacters(bytes, length))
        text = xmlCharactersOnly(text);
    return text;
}

int dateChars(const QDateTime& value, char* out)
{
    const QDateTime utc = value.toUTC();
    const QDate date = utc.date();
    const QTime time = utc.time();
    if (date.year() < 0 || date.year() > 9999) {
        const int size =
            std::snprintf(out, kDateChars, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", date.year(), date.month(), date.day(),
                          time.hour(), time.minute(), time.second(), time.msec());
        return std::clamp(size, 0, kDateChars - 1);
    }
    char* p = putDigits(out, date.year(), 4);
    *p++ = '-';
    p = putDigits(p, date.month(), 2);
    *p++ = '-';
    p = putDigits(p, date.day(), 2);
    *p++ = 'T';
    p = putDigits(p, time.hour(), 2);
    *p++ = ':';
    p = putDigits(p, time.minute(), 2);
    *p++ = ':';
    p = putDigits(p, time.second(), 2);
    *p++ = '.';
    p = putDigits(p, time.msec(), 3);
    *p++ = 'Z';
    return int(p - out);
}

QDateTime dateFromText(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\s*(\d{4})-(\d{2})-(\d{2})[Tt](\d{2}):(\d{2}):(\d{2})(?:[.,](\d+))?([Zz]|[+-]\d{2}:?\d{2})?\s*$)"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return {};
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    // Fractions beyond milliseconds are cut, not rounded, so a value never moves into the next second.
    const int msec = m.captured(7).isEmpty() ? 0 : m.captured(7).left(3).leftJustified(3, u'0').toInt();
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(), msec);
    if (!date.isValid() || !time.isValid())
        return {};
    QDateTime result(date, time, Qt::UTC);
    const QString zone = m.captured(8);
    if (!zone.isEmpty() && zone.compare(QStringLiteral("Z"), Qt::CaseInsensitive) != 0) {
        const QString digits = QString(zone.mid(1)).remove(u':');
        const int offset = (digits.left(2).toInt() * 60 + digits.mid(2, 2).toInt()) * 60;
        if (digits.left(2).toInt() > 14 || digits.mid(2, 2).toInt() > 59)
            return {};
        result = result.addSecs(zone.startsWith(u'-') ? offset : -offset);
    }
    return result;
}

QDateTime dateFromUtf8(const char* bytes, size_t length)
{
    // The pattern's digits and white space reach beyond ASCII; such texts take its own path.
    if (!isAscii(bytes, length))
        return dateFromText(QString::fromUtf8(bytes, qsizetype(length)));
    const char* p = bytes;
    const char* end = bytes + length;
    skipSpace(p, end);
    // YYYY-MM-DDThh:mm:ss
    if (end - p < 19)
        return {};
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18}) {
        if (!isDigit(static_cast<unsigned char>(p[i])))
            return {};
    }
    if (p[4] != '-' || p[7] != '-' || (p[10] != 'T' && p[10] != 't') || p[13] != ':' || p[16] != ':')
        return {};
    const QDate date(twoDigits(p) * 100 + twoDigits(p + 2), twoDigits(p + 5), twoDigits(p + 8));
    const int hour = twoDigits(p + 11), minute = twoDigits(p + 14), second = twoDigits(p + 17);
    p += 19;
    int msec = 0;
    if (p < end && (*p == '.' || *p == ',') && p + 1 < end && isDigit(static_cast<unsigned char>(p[1]))) {
        ++p;
        // Fractions beyond milliseconds are cut, not rounded, so a value never moves into the next second.
        int digits = 0;
        for (; p < end && isDigit(static_cast<unsigned char>(*p)); ++p) {
            if (digits++ < 3)
                msec = msec * 10 + (*p - '0');
        }
        for (; digits < 3; ++digits)
            msec *= 10;
    }
    int offset = 0;
    if (p < end && (*p == 'Z' || *p == 'z')) {
        ++p;
    } else if (p < end && (*p == '+' || *p == '-')) {
        const bool negative = *p == '-';
        ++p;
        if (end - p < 4 || !isDigit(static_cast<unsigned char>(p[0])) || !isDigit(static_cast<unsigned char>(p[1])))
            return {};
        const int hours = twoDigits(p);
        p += 2;
        if (*p == ':')
            ++p;
        if (end - p < 2 || !isDigit(static_cast<unsigned char>(p[0])) || !isDigit(static_cast<unsigned char>(p[1])))
            return {};
        const int minutes = twoDigits(p);
        p += 2;
        if (hours > 14 || minutes > 59)
            return {};
        offset = (hours * 60 + minutes) * 60 * (negative ? -1 : 1);
    }
    skipSpace(p, end);
    if (p != end)
        return {};
    const QTime time(hour, minute, second, msec);
    if (!date.isValid() || !time.isValid())
        return {};
    QDateTime result(date, time, Qt::UTC);
    return offset ? result.addSecs(-offset) : result;
}

bool boolFromText(const QString& text)
{
    const QString value = text.trimmed();
    return value == QStringLiteral("true") || value == QStringLiteral("1");
}

bool boolFromUtf8(const char* bytes, size_t length)
{
    if (!isAscii(bytes, length))
        return boolFromText(QString::fromUtf8(bytes, qsizetype(length)));
    const char* p = bytes;
    const char* end = bytes + length;
    skipSpace(p, end);
    while (end > p && isAsciiSpace(static_cast<unsigned char>(end[-1])))
        --end;
    const size_t n = size_t(end - p);
    return (n == 4 && std::memcmp(p, "true", 4) == 0) || (n == 1 && *p == '1');
}

bool integerFromUtf8(const char* bytes, size_t length, qint64& value)
{
    const char* p = bytes;
    const char* end = bytes + length;
    if (skipSpace(p, end)) {
        const QByteArray rest = withoutLeadingSpace(p, size_t(end - p));
        if (rest.size() < end - p)
            return integerFromUtf8(rest.constData(), size_t(rest.size()), value);
    }
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    // Magnitudes are summed negatively, so that the smallest integer has room too.
    qint64 sum = 0;
    for (; p < end && isDigit(static_cast<unsigned char>(*p)); ++p) {
        const int digit = *p - '0';
        if (sum < (std::numeric_limits<qint64>::min() + digit) / 10)
            return false;
        sum = sum * 10 - digit;
    }
    if (!negative && sum == std::numeric_limits<qint64>::min())
        return false;
    value = negative ? sum : -sum;
    return true;
}

bool doubleFromUtf8(const char* bytes, size_t length, double& value)
{
    const char* p = bytes;
    const char* end = bytes + length;
    if (skipSpace(p, end)) {
        const QByteArray rest = withoutLeadingSpace(p, size_t(end - p));
        if (rest.size() < end - p)
            return doubleFromUtf8(rest.constData(), size_t(rest.size()), value);
    }
    // The longest prefix of the form [sign] digits [. digits] [e [sign] digits].
    const char* first = p;
    if (p < end && (*p == '+' || *p == '-'))
        ++p;
    bool anyDigit = false;
    for (; p < end && isDigit(static_cast<unsigned char>(*p)); ++p)
        anyDigit = true;
    if (p < end && *p == '.') {
        for (++p; p < end && isDigit(static_cast<unsigned char>(*p)); ++p)
            anyDigit = true;
    }
    value = 0.0;
    if (!anyDigit)
        return true;
    if (p < end && (*p == 'e' || *p == 'E')) {
        const char* k = p + 1;
        if (k < end && (*k == '+' || *k == '-'))
            ++k;
        if (k < end && isDigit(static_cast<unsigned char>(*k))) {
            while (k < end && isDigit(static_cast<unsigned char>(*k)))
                ++k;
            p = k;
        }
    }
    if (*first == '+')
        ++first;
    const auto [last, ec] = std::from_chars(first, p, value);
    if (ec == std::errc::result_out_of_range) {
        // Too large is infinite and refused; too small is the nearest tiny value (or zero), as the
        // C library reads it in its own locale.
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        const std::string number(first, p);
        value = strtod_l(number.c_str(), nullptr, cLocale);
        if (std::isinf(value)) {
            value = 0.0;
            return false;
        }
    } else if (ec != std::errc() || last != p) {
        value = 0.0;
    }
    return true;
}

int numberChars(double value, char* out)
{
    if (!std::isfinite(value) || value == 0.0) {
        out[0] = '0';
        return 1;
    }
    // Shortest round-trip digits, then laid out without an exponent.
    char scientific[32];
    const auto [sciEnd, ec] =
        std::to_chars(scientific, scientific + sizeof scientific, value, std::chars_format::scientific);
    if (ec != std::errc()) {
        out[0] = '0';
        return 1;
    }
    const char* e = static_cast<const char*>(std::memchr(scientific, 'e', size_t(sciEnd - scientific)));
    int exponent = 0;
    std::from_chars(e + 1 + (e[1] == '+' ? 1 : 0), sciEnd, exponent);
    char digits[24];
    int digitCount = 0;
    char* p = out;
    for (const char* c = scientific; c < e; ++c) {
        if (*c == '-')
            *p++ = '-';
        else if (*c != '.')
            digits[digitCount++] = *c;
    }
    // digits = d0 d1 d2 ..., value = 0.d0d1d2... * 10^(exponent+1)
    const int pointPos = exponent + 1;
    if (pointPos <= 0) {
        *p++ = '0';
        *p++ = '.';
        std::memset(p, '0', size_t(-pointPos));
        p += -pointPos;
        std::memcpy(p, digits, size_t(digitCount));
        p += digitCount;
    } else if (pointPos >= digitCount) {
        std::memcpy(p, digits, size_t(digitCount));
        p += digitCount;
        std::memset(p, '0', size_t(pointPos - digitCount));
        p += pointPos - digitCount;
    } else {
        std::memcpy(p, digits, size_t(pointPos));
        p += pointPos;
        *p++ = '.';
        std::memcpy(p, digits + pointPos, size_t(digitCount - pointPos));
        p += digitCount - pointPos;
    }
    return int(p - out);
}

} // namespace dw::xml
