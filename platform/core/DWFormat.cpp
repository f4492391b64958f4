#include "platform/core/DWFormat.h"

#include "platform/core/CocoaNumbers.h"
#include "platform/core/KeyValueCoding.h"

#include <QDateTime>
#include <QStringList>
#include <QVariantMap>
#include <charconv>
#include <cmath>
#include <string>

namespace dw {

namespace {

struct Spec
{
    bool leftAlign = false;
    bool zeroPad = false;
    bool plusSign = false;
    bool spaceSign = false;
    bool alternate = false;
    int width = -1;
    int precision = -1;
    QChar conversion;
};

qlonglong asInteger(const QVariant& v)
{
    if (v.typeId() == QMetaType::QString)
        return longLongValue(v.toString());
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float)
        return qlonglong(v.toDouble());
    if (v.typeId() == QMetaType::ULongLong)
        return qlonglong(v.toULongLong());
    return v.toLongLong();
}

double asDouble(const QVariant& v)
{
    if (v.typeId() == QMetaType::QString)
        return doubleValue(v.toString());
    return v.toDouble();
}

QString pad(QString body, const Spec& spec, bool numeric)
{
    if (spec.width < 0 || body.size() >= spec.width)
        return body;
    const qsizetype fill = spec.width - body.size();
    if (spec.leftAlign)
        return body + QString(fill, u' ');
    if (numeric && spec.zeroPad) {
        qsizetype signLength = (body.startsWith(u'-') || body.startsWith(u'+') || body.startsWith(u' ')) ? 1 : 0;
        if (body.mid(signLength).startsWith(QStringLiteral("0x")) ||
            body.mid(signLength).startsWith(QStringLiteral("0X")))
            signLength += 2;
        return body.left(signLength) + QString(fill, u'0') + body.mid(signLength);
    }
    return QString(fill, u' ') + body;
}

QString withSign(QString digits, bool negative, const Spec& spec)
{
    if (negative)
        return u'-' + digits;
    if (spec.plusSign)
        return u'+' + digits;
    if (spec.spaceSign)
        return u' ' + digits;
    return digits;
}

QString formatInteger(const QVariant& v, const Spec& spec)
{
    const QChar c = spec.conversion;
    char buffer[80];
    if (c == u'd' || c == u'i') {
        const qlonglong value = asInteger(v);
        const unsigned long long magnitude =
            value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
        auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, magnitude);
        QString digits = QString::fromLatin1(buffer, end - buffer);
        if (spec.precision >= 0 && digits.size() < spec.precision)
            digits.prepend(QString(spec.precision - digits.size(), u'0'));
        return pad(withSign(digits, value < 0, spec), spec, spec.precision < 0);
    }
    const unsigned long long value = static_cast<unsigned long long>(asInteger(v));
    int base = 10;
    if (c == u'x' || c == u'X' || c == u'p')
        base = 16;
    else if (c == u'o')
        base = 8;
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, base);
    QString digits = QString::fromLatin1(buffer, end - buffer);
    if (c == u'X')
        digits = digits.toUpper();
    if (spec.precision >= 0 && digits.size() < spec.precision)
        digits.prepend(QString(spec.precision - digits.size(), u'0'));
    if ((spec.alternate && value != 0 && (c == u'x' || c == u'X')) || c == u'p')
        digits.prepend(c == u'X' ? QStringLiteral("0X") : QStringLiteral("0x"));
    else if (spec.alternate && c == u'o' && !digits.startsWith(u'0'))
        digits.prepend(u'0');
    return pad(digits, spec, spec.precision < 0);
}

QString formatFloating(const QVariant& v, const Spec& spec)
{
    const double value = asDouble(v);
    const QChar c = spec.conversion;
    const bool upper = c.isUpper();
    if (std::isnan(value))
        return pad(upper ? QStringLiteral("NAN") : QStringLiteral("nan"), spec, false);
    if (std::isinf(value))
        return pad(withSign(upper ? QStringLiteral("INF") : QStringLiteral("inf"), value < 0, spec), spec, false);
    const int precision = spec.precision < 0 ? 6 : spec.precision;
    const double magnitude = std::fabs(value);
    std::string out(400, '\0');
    std::to_chars_result r{};
    switch (c.toLower().unicode()) {
    case 'f':
        r = std::to_chars(out.data(), out.data() + out.size(), magnitude, std::chars_format::fixed, precision);
        break;
    case 'e':
        r = std::to_chars(out.data(), out.data() + out.size(), magnitude, std::chars_format::scientific, precision);
        break;
    default: // g
        r = std::to_chars(out.data(), out.data() + out.size(), magnitude, std::chars_format::general,
                          precision == 0 ? 1 : precision);
        break;
    }
    if (r.ec != std::errc())
        return QString();
    QString digits = QString::fromLatin1(out.data(), r.ptr - out.data());
    if (upper)
        digits = digits.toUpper();
    return pad(withSign(digits, std::signbit(value), spec), spec, true);
}

QString describeMap(const QVariantMap& map)
{
    QString out = QStringLiteral("{");
    for (auto it = map.constBegin(); it != map.constEnd(); ++it)
        out += QStringLiteral("\n    %1 = %2;").arg(it.key(), describe(it.value()));
    out += map.isEmpty() ? QStringLiteral("}") : QStringLiteral("\n}");
    return out;
}

} // namespace

QString describe(const QVariant& value)
{
    if (!value.isValid() || (value.isNull() && value.typeId() != QMetaType::QString))
        return QStringLiteral("(null)");
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Double:
    case QMetaType::Float:
        return numberText(value.toDouble());
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        QStringList parts;
        for (const QVariant& element : value.toList())
            parts << describe(element);
        return parts.isEmpty()
                   ? QStringLiteral("()")
                   : QStringLiteral("(\n    ") + parts.join(QStringLiteral(",\n    ")) + QStringLiteral("\n)");
    }
    case QMetaType::QVariantMap:
        return describeMap(value.toMap());
    case QMetaType::QDateTime:
        return value.toDateTime().toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000"));
    case QMetaType::QByteArray:
        return QStringLiteral("<") + QString::fromLatin1(value.toByteArray().toHex()) + QStringLiteral(">");
    default:
        if (isNumberValue(value))
            return value.toString();
        return value.toString();
    }
}

QString formatv(const QString& format, const std::vector<FormatArg>& args)
{
    QString out;
    out.reserve(format.size() + 16);
    size_t nextArg = 0;
    const qsizetype n = format.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar ch = format.at(i);
        if (ch != u'%') {
            out += ch;
            ++i;
            continue;
        }
        const qsizetype start = i++;
        if (i < n && format.at(i) == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        Spec spec;
        // Positional argument: digits followed by '$'.
        qsizetype k = i;
        int position = 0;
        while (k < n && format.at(k).isDigit())
            position = position * 10 + format.at(k++).digitValue();
        if (k < n && k > i && format.at(k) == u'$')
            i = k + 1;
        else
            position = 0;
        for (; i < n; ++i) {
            const QChar f = format.at(i);
            if (f == u'-')
                spec.leftAlign = true;
            else if (f == u'0')
                spec.zeroPad = true;
            else if (f == u'+')
                spec.plusSign = true;
            else if (f == u' ')
                spec.spaceSign = true;
            else if (f == u'#')
                spec.alternate = true;
            else if (f == u'\'')
                continue;
            else
                break;
        }
        auto takeArg = [&](int pos) -> const QVariant* {
            if (pos > 0)
                return size_t(pos - 1) < args.size() ? &args[size_t(pos - 1)].value() : nullptr;
            return nextArg < args.size() ? &args[nextArg++].value() : nullptr;
        };
        if (i < n && format.at(i) == u'*') {
            const QVariant* w = takeArg(0);
            spec.width = w ? int(w->toLongLong()) : -1;
            if (spec.width < 0 && w) {
                spec.leftAlign = true;
                spec.width = -spec.width;
            }
            ++i;
        } else {
            int width = -1;
            while (i < n && format.at(i).isDigit())
                width = (width < 0 ? 0 : width * 10) + format.at(i++).digitValue();
            spec.width = width;
        }
        if (i < n && format.at(i) == u'.') {
            ++i;
            if (i < n && format.at(i) == u'*') {
                const QVariant* p = takeArg(0);
                spec.precision = p ? int(p->toLongLong()) : -1;
                ++i;
            } else {
                int precision = 0;
                while (i < n && format.at(i).isDigit())
                    precision = precision * 10 + format.at(i++).digitValue();
                spec.precision = precision;
            }
        }
        // Length modifiers carry no meaning here: arguments know their own type.
        while (i < n && QStringLiteral("hlqLztj").contains(format.at(i)))
            ++i;
        if (i >= n) {
            out += format.mid(start);
            break;
        }
        spec.conversion = format.at(i++);
        const QVariant* arg = nullptr;
        switch (spec.conversion.unicode()) {
        case '@':
        case 's':
        case 'S': {
            arg = takeArg(position);
            QString text = arg ? describe(*arg) : QString();
            if (spec.conversion != u'@' && spec.precision >= 0)
                text = text.left(spec.precision);
            out += pad(text, spec, false);
            break;
        }
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X':
        case 'o':
        case 'p':
            arg = takeArg(position);
            if (arg)
                out += formatInteger(*arg, spec);
            break;
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
            arg = takeArg(position);
            if (arg)
                out += formatFloating(*arg, spec);
            break;
        case 'c':
        case 'C':
            arg = takeArg(position);
            if (arg) {
                const QVariant& v = *arg;
                QString text =
                    v.typeId() == QMetaType::QString ? v.toString().left(1) : QString(QChar(char16_t(v.toLongLong())));
                out += pad(text, spec, false);
            }
            break;
        default:
            // Not a conversion we know: keep the text as written.
            out += format.mid(start, i - start);
            break;
        }
    }
    return out;
}

} // namespace dw
