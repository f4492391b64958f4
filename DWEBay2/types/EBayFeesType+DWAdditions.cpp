#include "DWEBay2/types/EBayFeesType.h"

#include "DWEBay2/types/EBayAmountType.h"
#include "DWEBay2/types/EBayFeeType.h"

QString EBayFeesType::feeWithName(const QString& name) const
{
    if (!m_fees)
        return {};
    for (const std::shared_ptr<EBayFeeType>& fee : std::as_const(*m_fees)) {
        if (fee && fee->name() == name)
            return fee->fee() ? fee->fee()->stringContents() : QString();
    }
    return {};
}

QString EBayFeesType::listingFee() const
{
    return feeWithName(QStringLiteral("ListingFee"));
}

QString EBayFeesType::insertionFee() const
{
    return feeWithName(QStringLiteral("InsertionFee"));
}
