#pragma once
// Conversions between eBay's time texts and the dates shown to the user.
//
// eBay time texts are always GMT, "yyyy-MM-dd HH:mm:ss" (with " +0000" where a zone is written).
// Whatever zone a date carries, the texts made here are written in UTC, so a date that came from
// the local clock never goes to eBay with its local reading. Dates read from eBay come back in the
// local time zone for display. Parsing is strict: a text of another form gives an invalid date.
// The conversions keep no state and may run on any thread.
//
//     auto& times = QMEbayTimeManager::sharedInstance();
//     QString text = times.ebayTimeStringFromLocalTime(dw::now());      // "2010-05-01 17:30:00"
//     QDateTime local = times.localDateFromEbayDateString(text);

#include <QDateTime>
#include <QString>

class QMEbayTimeManager
{
public:
    static QMEbayTimeManager& sharedQMEbayTimeManager();
    static QMEbayTimeManager& sharedInstance() { return sharedQMEbayTimeManager(); }

    static QString ebayCalendarFormat() { return QStringLiteral("%Y-%m-%d %H:%M:%S"); }
    static QString ebayTimezoneAbb() { return QStringLiteral("GMT"); }

    QString ebayTimeStringFromLocalTime(const QDateTime& date) const;
    QDateTime ebayDateFromLocalDate(const QDateTime& date) const;
    // Invalid for a null text or one that is not an eBay time text.
    QDateTime localDateFromEbayDateString(const QString& text) const;
    // Always ends in " +0000", written in UTC whatever zone the date carries.
    QString timeStringFromEBaySchemaDate(const QDateTime& date) const;
    // Takes the date's local wall-clock reading as a GMT time.
    QDateTime localDateFromEBaySchemaDate(const QDateTime& date) const;

    // Styles: 0 none, 1 short, 2 medium, 3 long, 4 full; the user's locale. Null for an invalid date.
    QString localizedStringFromDate(const QDateTime& date, int dateStyle, int timeStyle) const;
    QString localizedStringFromDate(const QDateTime& date) const;
    QString shortLocalizedStringFromDate(const QDateTime& date) const;
    QString dayOfTheWeekStringFromDate(const QDateTime& date) const;
    QString shortLocalizedStringWithWeekDayFromDate(const QDateTime& date) const;

private:
    QMEbayTimeManager() = default;
};
