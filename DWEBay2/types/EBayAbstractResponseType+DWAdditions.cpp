#include "DWEBay2/types/EBayAbstractResponseType.h"

#include "DWEBay2/types/EBayErrorType.h"

void EBayAbstractResponseType::setFailureWithErrorMessage(const QString& message, const QString& code)
{
    auto error = EBayErrorType::errorType();
    error->setShortMessage(message);
    error->setLongMessage(message);
    error->setErrorCode(code);
    error->setErrorClassification(QStringLiteral("RequestError"));
    error->setSeverityCode(QStringLiteral("Error"));
    setAck(QStringLiteral("Failure"));
    setErrorss(std::make_shared<QList<std::shared_ptr<EBayErrorType>>>(QList{error}));
}

bool EBayAbstractResponseType::hasError() const
{
    return m_errorss && !m_errorss->isEmpty();
}

// An array that a caller set may hold an empty entry; it reads as an entry without texts.

QString EBayAbstractResponseType::firstErrorSeverityCode() const
{
    if (!hasError())
        return QStringLiteral("");
    const auto& error = m_errorss->first();
    return error ? error->severityCode() : QString();
}

QString EBayAbstractResponseType::firstErrorMessage() const
{
    if (!hasError())
        return QStringLiteral("");
    const auto& error = m_errorss->first();
    return error ? error->longMessage() : QString();
}

QString EBayAbstractResponseType::firstErrorCode() const
{
    if (!hasError())
        return QStringLiteral("");
    const auto& error = m_errorss->first();
    return error ? error->errorCode() : QString();
}
