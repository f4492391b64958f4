#pragma once
// Gross cents from net cents: the store's VAT arithmetic. Pure functions; any thread.
//
//     dw::numberByApplyingVatRate(999, 19);      // 1189
//     dw::numberByApplyingVatRate(2, 19, 3);     // 6: each unit is rounded before the quantity

#include "DWPayment/DWPaymentExport.h"

#include <QVariant>
#include <QtGlobal>
#include <optional>

namespace dw {

// The gross price of `quantity` units of `netCents` each: without a rate net x quantity; with an
// integer percent rate each unit is net x (1 + rate/100) exactly, rounded to whole cents with
// halves away from zero, then multiplied by the quantity.
DWPAYMENT_EXPORT qint64 numberByApplyingVatRate(qint64 netCents, std::optional<qint64> ratePercent,
                                                qint64 quantity = 1);

// A rate as the store hands it around: nil (an invalid or null QVariant) is no rate.
DWPAYMENT_EXPORT std::optional<qint64> vatRateFromValue(const QVariant& rate);

} // namespace dw
