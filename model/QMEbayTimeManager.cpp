#include "model/QMEbayTimeManager.h"

#include "platform/core/DWFormat.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>

namespace {

const QString kEbayFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString dateText(const QDate& date, int style)
{
    const QLocale locale = QLocale::system();
    switch (style) {
    case 1:
        return locale.toString(date, QLocale::ShortFormat);
    case 2:
        // A medium date spells the year in full where the short form may cut it to two digits.
        return locale.toString(
            date, locale.dateFormat(QLocale::ShortFormat)
                      .replace(QRegularExpression(QStringLiteral("(?<!y)yy(?!y)")), QStringLiteral("yyyy")));
    case 3:
    case 4:
        return locale.toString(date, QLocale::LongFormat);
    default:
        return QString();
    }
}

QString timeText(const QTime& time, int style)
{
    const QLocale locale = QLocale::system();
    switch (style) {
    case 1:
        return locale.toString(time, QLocale::ShortFormat);
    case 2: {
        // Medium adds the seconds to the short form.
        QString format = locale.timeFormat(QLocale::ShortFormat);
        if (!format.contains(u's'))
            format.replace(QRegularExpression(QStringLiteral("(mm)")), QStringLiteral("mm:ss"));
        return locale.toString(time, format);
    }
    case 3:
    case 4:
        return locale.toString(time, QLocale::LongFormat);
    default:
        return QString();
    }
}

} // namespace

QMEbayTimeManager& QMEbayTimeManager::sharedQMEbayTimeManager()
{
    static QMEbayTimeManager manager;
    return manager;
}

QString QMEbayTimeManager::ebayTimeStringFromLocalTime(const QDateTime& date) const
{
    if (!date.isValid())
        return QString();
    return date.toUTC().toString(kEbayFormat);
}

QDateTime QMEbayTimeManager::ebayDateFromLocalDate(const QDateTime& date) const
{
    return date.toUTC();
}

QDateTime QMEbayTimeManager::localDateFromEbayDateString(const QString& text) const
{
    if (text.isNull())
        return QDateTime();
    static const QRegularExpression shape(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$"));
    if (!shape.match(text).hasMatch())
        return QDateTime();
    // Date and time are read apart and joined in UTC: read as one local date, a GMT text that
    // falls into the hour the local clocks skip in spring would not exist.
    const QDate date = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(text.mid(11), QStringLiteral("HH:mm:ss"));
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time, Qt::UTC).toLocalTime();
}

QString QMEbayTimeManager::timeStringFromEBaySchemaDate(const QDateTime& date) const
{
    if (!date.isValid())
        return QString();
    // The text says " +0000", so it is written in UTC: the date's own zone would make it lie.
    return date.toUTC().toString(kEbayFormat) + QStringLiteral(" +0000");
}

QDateTime QMEbayTimeManager::localDateFromEBaySchemaDate(const QDateTime& date) const
{
    if (!date.isValid())
        return QDateTime();
    return localDateFromEbayDateString(date.toLocalTime().toString(kEbayFormat));
}

QString QMEbayTimeManager::localizedStringFromDate(const QDateTime& date, int dateStyle, int timeStyle) const
{
    if (!date.isValid())
        return QString();
    const QDateTime local = date.toLocalTime();
    const QString day = dateText(local.date(), dateStyle);
    const QString time = timeText(local.time(), timeStyle);
    if (day.isEmpty())
        return time;
    if (time.isEmpty())
        return day;
    return day + u' ' + time;
}

QString QMEbayTimeManager::localizedStringFromDate(const QDateTime& date) const
{
    return localizedStringFromDate(date, 3, 2);
}

QString QMEbayTimeManager::shortLocalizedStringFromDate(const QDateTime& date) const
{
    return localizedStringFromDate(date, 1, 1);
}

QString QMEbayTimeManager::dayOfTheWeekStringFromDate(const QDateTime& date) const
{
    if (!date.isValid())
        return QString();
    return QLocale::system().dayName(date.date().dayOfWeek(), QLocale::ShortFormat);
}

QString QMEbayTimeManager::shortLocalizedStringWithWeekDayFromDate(const QDateTime& date) const
{
    if (!date.isValid())
        return QString();
    return dw::format(QStringLiteral("%@ %@"), dayOfTheWeekStringFromDate(date.toLocalTime()),
                      shortLocalizedStringFromDate(date));
}
