#include "DWKit/NSString+DWExtensions.h"

#include "platform/core/CocoaNumbers.h"

#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <QUuid>

namespace dw {

namespace {

const QString kCDataOpen = QStringLiteral("<![CDATA[");
const QString kCDataClose = QStringLiteral("]]>");

bool isUnreserved(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

bool isReserved(char c)
{
    return std::string_view(":/?#[]@!$&'()*+,;=").find(c) != std::string_view::npos;
}

QString percentEscaped(const QString& text, bool keepReserved)
{
    static const char kHex[] = "0123456789ABCDEF";
    const QByteArray bytes = text.toUtf8();
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        if (isUnreserved(c) || (keepReserved && isReserved(c))) {
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

QString filtered(const QString& text, const CharacterSet& set, bool keepMembers)
{
    QString out;
    out.reserve(text.size());
    forEachCodePoint(text, [&](char32_t c, QStringView units) {
        if (set.contains(c) == keepMembers)
            out += units;
    });
    return out;
}

// Splits off the extension of the last path component; a leading dot ("/a/.profile") is no extension.
std::pair<QString, QString> splitExtension(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot <= slash + 1)
        return {path, QString()};
    return {path.left(dot), path.mid(dot + 1)};
}

} // namespace

void replaceEveryOccurrenceOfString(QString& text, const QString& target, const QString& replacement,
                                    Qt::CaseSensitivity cs)
{
    // QString::replace would insert the replacement between all characters for an empty target.
    if (target.isEmpty())
        return;
    text.replace(target, replacement, cs);
}

QString UUID()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString stringByReplacingEveryOccurrenceOfString(const QString& text, const QString& target, const QString& replacement,
                                                 Qt::CaseSensitivity cs)
{
    QString copy = text;
    replaceEveryOccurrenceOfString(copy, target, replacement, cs);
    return copy;
}

int compareByLocalizedStringValue(const QString& a, const QString& b)
{
    const int c = QString::compare(localized(a), localized(b), Qt::CaseInsensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool isEqualToStringIgnoringCase(const QString& a, const QString& b)
{
    if (a.isNull() || b.isNull())
        return false;
    return a.toLower() == b.toLower();
}

bool hasPrefixCaseInsensitive(const QString& text, const QString& prefix)
{
    if (prefix.isEmpty())
        return true;
    return text.startsWith(prefix, Qt::CaseInsensitive);
}

QString stringByRemovingCharactersInSet(const QString& text, const CharacterSet& set)
{
    return filtered(text, set, false);
}

QString stringByRemovingEverythingExceptCharactersInSet(const QString& text, const CharacterSet& set)
{
    return filtered(text, set, true);
}

QString stringByRemovingControlCharacters(const QString& text)
{
    static const CharacterSet kRemoved = CharacterSet::fromPredicate(
        [](char32_t c) { return c != U'\n' && c != U'\r' && CharacterSet::controlCharacters().contains(c); });
    return stringByRemovingCharactersInSet(text, kRemoved);
}

QString stringByRemovingEverythingExceptlowercaseASCIILetters(const QString& text)
{
    return stringByRemovingEverythingExceptCharactersInSet(text, CharacterSet::range(U'a', U'z'));
}

QString stringByAddingMailtoSavePercentEscapes(const QString& text)
{
    QString out = text;
    out.replace(u'&', QStringLiteral("%26"));
    out.replace(u':', QStringLiteral("%3A"));
    out.replace(u'?', QStringLiteral("%3F"));
    out.replace(u'=', QStringLiteral("%3D"));
    return out;
}

QString stringByAddingURLPercentEscapes(const QString& text)
{
    return percentEscaped(text, true);
}

QString stringByAddingURLPercentEscapesIncludingReservedCharacters(const QString& text)
{
    return percentEscaped(text, false);
}

QString stringByReplacingURLPercentEscapes(const QString& text)
{
    if (text.isNull())
        return QString();
    QByteArray bytes;
    bytes.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        if (text.at(i) != u'%') {
            qsizetype end = i;
            while (end < n && text.at(end) != u'%')
                ++end;
            bytes += QStringView(text).mid(i, end - i).toUtf8();
            i = end;
            continue;
        }
        const int high = i + 2 < n ? dw::hexDigitValue(text.at(i + 1).unicode()) : -1;
        const int low = i + 2 < n ? dw::hexDigitValue(text.at(i + 2).unicode()) : -1;
        if (high < 0 || low < 0)
            return QString();
        bytes += char(high * 16 + low);
        i += 3;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder.decode(bytes);
    if (decoder.hasError())
        return QString();
    if (decoded.isNull())
        decoded = QStringLiteral("");
    return decoded;
}

QString stringByAppendingURLComponent(const QString& base, const QString& component)
{
    if (base.endsWith(u'/'))
        return base + component;
    return base + u'/' + component;
}

QString stringByAppendingURLParametersFromDictionary(const QString& base, const QVariantMap& parameters)
{
    QString query;
    for (auto it = parameters.constBegin(); it != parameters.constEnd(); ++it) {
        if (!query.isEmpty())
            query += u'&';
        query +=
            stringByAddingURLPercentEscapes(it.key()) + u'=' + stringByAddingURLPercentEscapes(describe(it.value()));
    }
    if (query.isEmpty())
        return base;
    return base + u'?' + query;
}

QVariantMap URLParameters(const QString& query)
{
    QVariantMap result;
    for (const QString& part : query.split(u'&')) {
        const QStringList fields = part.split(u'=');
        if (fields.size() == 1) {
            result.insert(fields.first(), QStringLiteral(""));
            continue;
        }
        const QString key = stringByReplacingURLPercentEscapes(fields.at(0));
        const QString value = stringByReplacingURLPercentEscapes(fields.at(1));
        if (key.isNull() || value.isNull())
            continue;
        result.insert(key, value);
    }
    return result;
}

QString cdataString(const QString& text)
{
    if (text.isNull())
        return text;
    const QStringList pieces = text.split(QStringLiteral("]]"));
    QString out = QStringLiteral("");
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (!pieces.at(i).isEmpty())
            out += kCDataOpen + pieces.at(i) + kCDataClose;
        if (i + 1 < pieces.size())
            out += QStringLiteral("]]");
    }
    return out;
}

QString stringByUnwrappingCData(const QString& text)
{
    // Scan as an XML reader does: inside a section only "]]>" ends it, so a "<![CDATA[" that is
    // part of the wrapped text comes back as text; outside the sections everything is text, a
    // "]]>" that closes no section included.
    if (text.isNull())
        return text;
    QString out = QStringLiteral("");
    out.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype open = text.indexOf(kCDataOpen, pos);
        if (open < 0) {
            out += QStringView(text).mid(pos);
            break;
        }
        out += QStringView(text).mid(pos, open - pos);
        const qsizetype contentStart = open + kCDataOpen.size();
        const qsizetype close = text.indexOf(kCDataClose, contentStart);
        if (close < 0) {
            out += QStringView(text).mid(contentStart);
            break;
        }
        out += QStringView(text).mid(contentStart, close - contentStart);
        pos = close + kCDataClose.size();
    }
    return out;
}

QString stringByRemovingCSVUnsafeCharacters(const QString& text)
{
    QString out = text;
    out.replace(u',', u'_');
    out.replace(u'"', QStringLiteral("''"));
    out.replace(u'\t', QStringLiteral("    "));
    out.replace(u';', u'_');
    out.remove(u'\r');
    out.remove(u'\n');
    return out;
}

QString stringByEscapingForbiddenAppleScriptCharacters(const QString& text)
{
    QString out = text;
    out.replace(u'"', QStringLiteral("\\\""));
    return out;
}

QString stringFormattedForRTF(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit >= 128)
            out += QStringLiteral("\\uc0\\u%1").arg(uint(unit), 4, 10, QLatin1Char('0'));
        else if (unit == u'\n')
            out += QStringLiteral("\n\\\n");
        else if (unit == u'\\' || unit == u'{' || unit == u'}')
            out += u'\\' + QString(c);
        else
            out += c;
    }
    return out;
}

QString nextAvailablePathByAppendingNumber(const QString& path)
{
    const auto [base, extension] = splitExtension(path);
    for (int n = 2; n <= 9999; ++n) {
        QString candidate = base + u' ' + QString::number(n);
        if (!extension.isEmpty())
            candidate += u'.' + extension;
        // A dangling link is a taken name too: writing there would follow it.
        const QFileInfo info(candidate);
        if (!info.exists() && !info.isSymLink())
            return candidate;
    }
    return QStringLiteral("");
}

QString substringWithoutTrailingString(const QString& text, const QString& suffix)
{
    if (suffix.isEmpty())
        return text;
    QString out = text;
    while (out.endsWith(suffix))
        out.chop(suffix.size());
    return out;
}

QStringList substringsOfLength(const QString& text, qsizetype length)
{
    DW_PARAMETER_ASSERT(length >= 1);
    QStringList pieces;
    for (qsizetype i = 0; i < text.size(); i += length)
        pieces.append(text.mid(i, length));
    return pieces;
}

QString cleanString(const QString& text)
{
    QString out = text;
    out.remove(u' ');
    out.remove(u'\t');
    out.remove(u'\r');
    out.remove(u'\n');
    return out;
}

QString stringByRemovingCarriageReturnAndLineFeed(const QString& text)
{
    QString out = text;
    out.remove(u'\r');
    out.remove(u'\n');
    return out;
}

QString DWCreateCleanString(const QString& text)
{
    QString out = text;
    out.remove(u'\t');
    out.remove(u' ');
    return out;
}

} // namespace dw
