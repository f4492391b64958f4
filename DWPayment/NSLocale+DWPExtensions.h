#pragma once
// Country names in the buyer's language, for the store form's country menu. The names come from the
// ICU locale data the system carries. Any thread.
//
//     const QMap<QString, QString> names = dw::countryCodesAndNamesForLanguage(QStringLiteral("fr"));
//     names.value(QStringLiteral("DE"));   // "Allemagne"

#include "DWPayment/DWPaymentExport.h"

#include <QMap>
#include <QStringList>

namespace dw {

// Every ISO 3166 country code the system knows -> the country's name in that language (the code
// itself where the locale data has no name). A null language throws dw::InternalInconsistency.
DWPAYMENT_EXPORT QMap<QString, QString> countryCodesAndNamesForLanguage(const QString& isoCode);

// The names of that map, in no promised order.
DWPAYMENT_EXPORT QStringList countryNamesForLanguage(const QString& isoCode);

} // namespace dw
