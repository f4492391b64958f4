#pragma once
// Lexical forms of the values in eBay's XML, shared by the writer and the reader. Every form is
// locale-independent.

#include <QDateTime>
#include <QString>

namespace dw::xml {

// "2024-03-01T09:30:00.000Z": UTC with milliseconds.
QString dateText(const QDateTime& value);
// xs:dateTime with or without a fraction and a zone (no zone means UTC); invalid for anything else.
QDateTime dateFromText(const QString& text);
// "true" and "1" (around white space) are YES, anything else NO.
bool boolFromText(const QString& text);

} // namespace dw::xml
