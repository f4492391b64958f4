#include "Operations/QMGetSessionIDOperation.h"

#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayGetSessionIDRequestType.h"
#include "DWEBay2/types/EBayGetSessionIDResponseType.h"
#include "platform/core/DWAssert.h"

QString QMGetSessionIDOperation::ruName() const
{
    std::lock_guard lock(m_fieldsMutex);
    return m_ruName;
}

void QMGetSessionIDOperation::setRuName(const QString& ruName)
{
    std::lock_guard lock(m_fieldsMutex);
    m_ruName = ruName;
}

QString QMGetSessionIDOperation::sessionID() const
{
    std::lock_guard lock(m_fieldsMutex);
    return m_sessionID;
}

void QMGetSessionIDOperation::internalMain()
{
    const QString name = ruName();
    DW_ASSERT(!name.isNull(), "Need ruName");
    auto request = EBayGetSessionIDRequestType::getSessionIDRequestType();
    request->setRuName(name);
    if (isCancelled())
        return;
    const auto reply = connector()->sendRequest(request, QStringLiteral("GetSessionID"));
    if (isCancelled() || !validateReceivedXMLData(reply, nullptr) || isCancelled())
        return;
    const auto response = responseFromData<EBayGetSessionIDResponseType>(*reply, nullptr);
    if (!response)
        return;
    if (response->ack() == QLatin1String("Success") || response->ack() == QLatin1String("Warning")) {
        std::lock_guard lock(m_fieldsMutex);
        m_sessionID = response->sessionID();
        return;
    }
    completeOperationWithFailedResponse(response, nullptr);
}
