#include "DWKit/NSDate+DWExtensions.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

namespace dw {

namespace {

// Qt knows a short and a long form; the medium and long forms of the platform are derived from
// the locale's long form: long without the weekday, medium also with the abbreviated month.
QString dateFormat(const QLocale& locale, DateStyle style)
{
    switch (style) {
    case DateStyle::None:
        return QString();
    case DateStyle::Short:
        return locale.dateFormat(QLocale::ShortFormat);
    case DateStyle::Full:
        return locale.dateFormat(QLocale::LongFormat);
    case DateStyle::Long:
    case DateStyle::Medium: {
        static const QRegularExpression weekday(QStringLiteral("d{3,4}[\\s,]*"));
        QString format = locale.dateFormat(QLocale::LongFormat).remove(weekday).trimmed();
        if (format.endsWith(u','))
            format.chop(1);
        if (style == DateStyle::Medium)
            format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
        return format;
    }
    }
    return QString();
}

QString timeFormat(const QLocale& locale, DateStyle style)
{
    switch (style) {
    case DateStyle::None:
        return QString();
    case DateStyle::Short:
        return locale.timeFormat(QLocale::ShortFormat);
    case DateStyle::Medium: {
        // The long form with seconds, without the time zone.
        static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
        return locale.timeFormat(QLocale::LongFormat).remove(zone).trimmed();
    }
    case DateStyle::Long:
    case DateStyle::Full:
        return locale.timeFormat(QLocale::LongFormat);
    }
    return QString();
}

} // namespace

QString localizedStringForDateStyle(const QDateTime& date, DateStyle dateStyle, DateStyle timeStyle)
{
    if (!date.isValid())
        return QString();
    const QLocale locale;
    const QDateTime local = date.toLocalTime();
    QStringList parts;
    if (dateStyle != DateStyle::None)
        parts << locale.toString(local, dateFormat(locale, dateStyle));
    if (timeStyle != DateStyle::None)
        parts << locale.toString(local, timeFormat(locale, timeStyle));
    return parts.join(u' ');
}

QString localizedString(const QDateTime& date)
{
    return localizedStringForDateStyle(date, DateStyle::Long, DateStyle::Medium);
}

QString shortLocalizedString(const QDateTime& date)
{
    return localizedStringForDateStyle(date, DateStyle::Short, DateStyle::Short);
}

} // namespace dw
