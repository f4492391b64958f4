#pragma once
// User-visible texts, looked up with the English text (or a label key) as key.
//
// dw::localized("Missing Token") answers the entry of the default table ("Localizable"), or the
// key itself when the table has no entry. A table is first looked for in the resources folder as
// "strings/<table>.json" and "strings/<table>/*.json" (objects from key to text, read once); then
// in the Qt translations the program installed. With neither, every text is its key. Any thread.
//
//     dw::localized("Days_7", "ManualLocalizable");   // "7 days"

#include <QString>

namespace dw {

QString localized(const char* englishText, const char* table = "Localizable");
QString localized(const QString& englishText, const char* table = "Localizable");
// The table's own entry for the key, or a null text when the table has none (where a missing
// entry must show as nothing rather than as its key).
QString localizedEntry(const QString& key, const char* table = "Localizable");

} // namespace dw
