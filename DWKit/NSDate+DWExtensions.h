#pragma once
// Dates as text in the user's locale (QLocale(), the system locale unless the program set another).
//
// Styles follow the platform's formatter styles; the date is shown in local time. Any thread.
//
//     dw::localizedString(expiry);                                         // long date, medium time
//     dw::localizedStringForDateStyle(when, dw::DateStyle::Short, dw::DateStyle::None);

#include <QDateTime>
#include <QString>

namespace dw {

enum class DateStyle { None = 0, Short = 1, Medium = 2, Long = 3, Full = 4 };

// The date and the time part in the given styles, joined by a blank; either part may be None.
QString localizedStringForDateStyle(const QDateTime& date, DateStyle dateStyle, DateStyle timeStyle);
// Long date with medium time.
QString localizedString(const QDateTime& date);
// Short date with short time.
QString shortLocalizedString(const QDateTime& date);

} // namespace dw
