#include "DWPayment/NSString+DWPExtensions.h"

#include <QLocale>
#include <QStringDecoder>
#include <QUuid>

namespace dw {

QString currencyCodeToSymbol(const QString& currencyCode)
{
    if (currencyCode == QLatin1String("EUR"))
        return QStringLiteral("€");
    if (currencyCode == QLatin1String("USD"))
        return QStringLiteral("$");
    return QStringLiteral("¤");
}

QString currencyValue(const QString& cents)
{
    QString digits = cents;
    if (digits.size() <= 2)
        digits = QString::asprintf("%.3lld", digits.toLongLong());
    return digits.left(digits.size() - 2) + QLocale::system().decimalPoint() + digits.right(2);
}

bool containsHTML(const QString& text)
{
    return text.contains(QLatin1String("<html"), Qt::CaseInsensitive);
}

QString stringByEscapingXMLEntities(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case '&':
            result += QLatin1String("&amp;");
            break;
        case '<':
            result += QLatin1String("&lt;");
            break;
        case '>':
            result += QLatin1String("&gt;");
            break;
        case '"':
            result += QLatin1String("&quot;");
            break;
        case '\'':
            result += QLatin1String("&apos;");
            break;
        default:
            result += c;
        }
    }
    return result;
}

QString stringByUnescapingXMLEntities(const QString& text)
{
    static const struct
    {
        QLatin1String entity;
        QChar character;
    } entities[] = {{QLatin1String("&lt;"), u'<'},
                    {QLatin1String("&gt;"), u'>'},
                    {QLatin1String("&quot;"), u'"'},
                    {QLatin1String("&apos;"), u'\''},
                    {QLatin1String("&amp;"), u'&'}};
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == u'&') {
            for (const auto& e : entities) {
                if (QStringView(text).mid(i).startsWith(e.entity)) {
                    result += e.character;
                    i += e.entity.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            result += text[i++];
    }
    return result;
}

QString stringByRemovingEverythingExceptCharactersInSet(const QString& text, const QString& allowed)
{
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        if (allowed.contains(c))
            result += c;
    }
    return result;
}

QString newUUIDString()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

} // namespace dw

namespace dw::payment {

namespace {

bool isUnreserved(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

bool isReserved(char c)
{
    return std::string_view(":/?#[]@!$&'()*+,;=").find(c) != std::string_view::npos;
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

} // namespace

QString stringByRemovingCharactersInSet(const QString& text, const dw::CharacterSet& set)
{
    QString out(QLatin1String(""));
    out.reserve(text.size());
    dw::forEachCodePoint(text, [&](char32_t c, QStringView units) {
        if (!set.contains(c))
            out += units;
    });
    return out;
}

QString stringByAddingURLPercentEscapes(const QString& text)
{
    static const char kHex[] = "0123456789ABCDEF";
    const QByteArray bytes = text.toUtf8();
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        if (isUnreserved(c) || isReserved(c)) {
            out += QLatin1Char(c);
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out += u'%';
            out += QLatin1Char(kHex[byte >> 4]);
            out += QLatin1Char(kHex[byte & 0xF]);
        }
    }
    return out;
}

QString stringByReplacingURLPercentEscapes(const QString& text)
{
    if (text.isNull())
        return QString();
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        if (text.at(i) != u'%') {
            qsizetype end = i;
            while (end < text.size() && text.at(end) != u'%')
                ++end;
            bytes += QStringView(text).mid(i, end - i).toUtf8();
            i = end;
            continue;
        }
        const bool complete = i + 2 < text.size();
        const int high = complete ? hexValue(text.at(i + 1)) : -1;
        const int low = complete ? hexValue(text.at(i + 2)) : -1;
        if (high < 0 || low < 0)
            return QString();
        bytes += char(high * 16 + low);
        i += 3;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder.decode(bytes);
    if (decoder.hasError())
        return QString();
    return decoded.isNull() ? QString(QLatin1String("")) : decoded;
}

} // namespace dw::payment
