#include "DWPayment/NSNumber+DWPExtensions.h"

namespace dw {

qint64 numberByApplyingVatRate(qint64 netCents, std::optional<qint64> ratePercent, qint64 quantity)
{
    if (!ratePercent)
        return netCents * quantity;
    // In hundredths of a cent the product is exact; rounding then works on integers only, so no
    // binary fraction (2.38 as 2.3799...) and no locale can move a result by a cent.
    const qint64 scaled = netCents * (100 + *ratePercent);
    const qint64 unit = scaled >= 0 ? (scaled + 50) / 100 : -((-scaled + 50) / 100);
    return unit * quantity;
}

std::optional<qint64> vatRateFromValue(const QVariant& rate)
{
    if (!rate.isValid() || rate.isNull())
        return std::nullopt;
    return rate.toLongLong();
}

} // namespace dw
