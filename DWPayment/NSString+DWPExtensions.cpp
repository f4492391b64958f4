#include "DWPayment/NSString+DWPExtensions.h"

#include <QLocale>
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
