#include "DWKit/DWOperation/DWNSOperationEnvelope.h"

DWNSOperationEnvelope::DWNSOperationEnvelope(const QList<DWNSOperationPtr>& operations) : m_operations(operations) {}

DWNSOperationEnvelope::~DWNSOperationEnvelope() = default;

DWNSOperationEnvelopePtr DWNSOperationEnvelope::envelopeWithOperations(const QList<DWNSOperationPtr>& operations)
{
    return std::make_shared<DWNSOperationEnvelope>(operations);
}

void DWNSOperationEnvelope::willStartOperation(const DWNSOperationPtr&)
{
    ++m_lastStartedOperationIndex;
}

void DWNSOperationEnvelope::postprocessOperation(const DWNSOperationPtr&) {}

void DWNSOperationEnvelope::envelopeWillBeAddedToQueue(DWNSOperationEnvelopeQueue*) {}

void DWNSOperationEnvelope::envelopeWillFinish() {}

bool DWNSOperationEnvelope::allOperationsFinishedOrCanceled() const
{
    for (const auto& operation : m_operations) {
        if (!operation->isFinished() && !operation->isCancelled())
            return false;
    }
    return true;
}

void DWNSOperationEnvelope::setOperations(const QList<DWNSOperationPtr>& operations)
{
    m_operations = operations;
    m_lastStartedOperationIndex = 0;
}
