#include "DWGeneratedObject/DWXMLValues_p.h"

#include <QRegularExpression>

namespace dw::xml {

QString dateText(const QDateTime& value)
{
    const QDateTime utc = value.toUTC();
    const QDate date = utc.date();
    const QTime time = utc.time();
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", date.year(), date.month(), date.day(), time.hour(),
                             time.minute(), time.second(), time.msec());
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

bool boolFromText(const QString& text)
{
    const QString value = text.trimmed();
    return value == QStringLiteral("true") || value == QStringLiteral("1");
}

} // namespace dw::xml
