#include "Operations/QMVerifyAddItemOperationEnvelope.h"

#include "Operations/QMVerifyAddItemOperation.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"

void QMVerifyAddItemOperationEnvelope::willStartOperation(const DWNSOperationPtr& operation)
{
    DWNSOperationEnvelope::willStartOperation(operation);
    if (!std::dynamic_pointer_cast<QMVerifyAddItemOperation>(operation))
        return;
    const QString format = m_showFeePanel ? dw::localized("Getting Fees for Template %1$ld of %2$lu")
                                          : dw::localized("Verifying template %1$ld of %2$lu");
    m_progressTitle =
        dw::format(format, long(lastStartedOperationIndex()), static_cast<unsigned long>(operations().size()));
    if (QMOperationEnvelopeProgressPanel* panel = progressPanelController())
        panel->setWindowTitle(m_progressTitle);
}

void QMVerifyAddItemOperationEnvelope::postprocessOperation(const DWNSOperationPtr& operation)
{
    QMGenericEbayNSOperationEnvelope::postprocessOperation(operation);
    if (const auto verify = std::dynamic_pointer_cast<QMVerifyAddItemOperation>(operation))
        m_grandTotalFee += verify->listingFee();
    if (allOperationsFinishedOrCanceled())
        collectFees();
}

void QMVerifyAddItemOperationEnvelope::collectFees()
{
    if (operations().isEmpty())
        return;
    QVariantMap fees;
    for (const auto& operation : operations()) {
        const auto verify = std::dynamic_pointer_cast<QMVerifyAddItemOperation>(operation);
        if (!verify)
            continue;
        const QVariantMap record = verify->fees();
        if (!record.isEmpty())
            fees.insert(verify->itemUniqueID(), record);
    }
    m_fees = fees;
}
