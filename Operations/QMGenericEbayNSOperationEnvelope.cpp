#include "Operations/QMGenericEbayNSOperationEnvelope.h"

#include "Operations/QMGenericEbayNSOperation.h"
#include "model/QMErrorEnvelope.h"

void QMGenericEbayNSOperationEnvelope::postprocessOperation(const DWNSOperationPtr& operation)
{
    DWNSOperationEnvelope::postprocessOperation(operation);
    if (allOperationsFinishedOrCanceled())
        collectErrorEnvelopes();
}

void QMGenericEbayNSOperationEnvelope::collectErrorEnvelopes()
{
    QMErrorList errors;
    QString message;
    QString operationName;
    for (const auto& member : operations()) {
        const auto operation = std::dynamic_pointer_cast<QMGenericEbayNSOperation>(member);
        if (!operation)
            continue;
        if (operationName.isNull())
            operationName = operation->name();
        gatherErrorsOfOperation(*operation, errors, message);
    }
    if (errors.isEmpty() && message.isEmpty())
        return;
    auto envelope = std::make_shared<QMErrorEnvelope>(QStringLiteral("eBay"), operationName);
    envelope->setErrors(errors);
    envelope->setEBayMessage(message);
    m_errorEnvelope = envelope;
}

std::shared_ptr<QMErrorEnvelope>
QMGenericEbayNSOperationEnvelope::gatherErrorsOfOperation(const QMGenericEbayNSOperation& operation,
                                                          QMErrorList& errors, QString& message)
{
    if (!operation.errorOccurred())
        return nullptr;
    auto envelope = operation.errorEnvelope();
    errors << envelope->errors();
    if (!envelope->eBayMessage().isEmpty())
        message = envelope->eBayMessage();
    return envelope;
}

bool QMGenericEbayNSOperationEnvelope::errorOccurred() const
{
    return m_errorEnvelope && !m_errorEnvelope->errors().isEmpty();
}

void QMGenericEbayNSOperationEnvelope::updateViewInProgressPanel()
{
    if (m_progressPanelController)
        m_progressPanelController->updateViewForEnvelope(*this);
}
