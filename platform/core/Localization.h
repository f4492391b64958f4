#pragma once
// User-visible texts, looked up with the English text as key.
//
// dw::localized("Missing Token") answers the entry of the default table ("Localizable"), or the
// key itself when the table has no entry. String tables are Qt translations installed by the
// program; with none installed every text is its English key. Any thread.

#include <QString>

namespace dw {

QString localized(const char* englishText, const char* table = "Localizable");
QString localized(const QString& englishText, const char* table = "Localizable");

} // namespace dw
