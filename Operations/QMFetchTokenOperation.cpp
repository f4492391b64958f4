#include "Operations/QMFetchTokenOperation.h"

#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayFetchTokenRequestType.h"
#include "DWEBay2/types/EBayFetchTokenResponseType.h"
#include "DWEBay2/types/EBayGetUserRequestType.h"
#include "DWEBay2/types/EBayGetUserResponseType.h"
#include "DWEBay2/types/EBayXMLRequesterCredentialsType.h"
#include "platform/core/Localization.h"

#include <QHash>

QString QMFetchTokenOperation::name() const
{
    return dw::localized("Fetch Token");
}

QString QMFetchTokenOperation::operationDescription() const
{
    return dw::localized("Downloading Token\u2026");
}

#define DW_FIELD(Type, getter, setter, member)                                                                         \
    Type QMFetchTokenOperation::getter() const                                                                         \
    {                                                                                                                  \
        std::lock_guard lock(m_fieldsMutex);                                                                           \
        return member;                                                                                                 \
    }                                                                                                                  \
    void QMFetchTokenOperation::setter(const Type& value)                                                              \
    {                                                                                                                  \
        std::lock_guard lock(m_fieldsMutex);                                                                           \
        member = value;                                                                                                \
    }
DW_FIELD(QString, username, setUsername, m_username)
DW_FIELD(QString, accountID, setAccountID, m_accountID)
DW_FIELD(QString, accountName, setAccountName, m_accountName)
DW_FIELD(QString, secretID, setSecretID, m_secretID)
DW_FIELD(QString, sessionID, setSessionID, m_sessionID)
#undef DW_FIELD

bool QMFetchTokenOperation::executeGetUserRequest() const
{
    std::lock_guard lock(m_fieldsMutex);
    return m_executeGetUserRequest;
}

void QMFetchTokenOperation::setExecuteGetUserRequest(bool execute)
{
    std::lock_guard lock(m_fieldsMutex);
    m_executeGetUserRequest = execute;
}

QString QMFetchTokenOperation::token() const
{
    std::lock_guard lock(m_fieldsMutex);
    return m_token;
}

std::shared_ptr<EBayUserType> QMFetchTokenOperation::getUserType() const
{
    std::lock_guard lock(m_fieldsMutex);
    return m_getUserType;
}

int QMFetchTokenOperation::siteIDForEbaySiteCode(const QString& siteCode)
{
    static const QHash<QString, int> kSiteIDs = {
        {QStringLiteral("US"), 0},
        {QStringLiteral("Canada"), 2},
        {QStringLiteral("UK"), 3},
        {QStringLiteral("Australia"), 15},
        {QStringLiteral("Austria"), 16},
        {QStringLiteral("Belgium_French"), 23},
        {QStringLiteral("France"), 71},
        {QStringLiteral("Germany"), 77},
        {QStringLiteral("Italy"), 101},
        {QStringLiteral("Belgium_Dutch"), 123},
        {QStringLiteral("Netherlands"), 146},
        {QStringLiteral("Spain"), 186},
        {QStringLiteral("Switzerland"), 193},
        {QStringLiteral("Taiwan"), 196},
        {QStringLiteral("eBayMotors"), 100},
        {QStringLiteral("HongKong"), 201},
        {QStringLiteral("Singapore"), 216},
        {QStringLiteral("India"), 203},
        {QStringLiteral("China"), 223},
        {QStringLiteral("Ireland"), 205},
        {QStringLiteral("Malaysia"), 207},
        {QStringLiteral("Philippines"), 211},
        {QStringLiteral("Poland"), 212},
        {QStringLiteral("Sweden"), 218},
        {QStringLiteral("CanadaFrench"), 210},
    };
    return kSiteIDs.value(siteCode, -1);
}

void QMFetchTokenOperation::internalMain()
{
    auto request = EBayFetchTokenRequestType::fetchTokenRequestType();
    const QString session = sessionID();
    if (!session.isNull()) {
        request->setSessionID(session);
    } else {
        auto credentials = EBayXMLRequesterCredentialsType::xMLRequesterCredentialsType();
        credentials->setUsername(username());
        request->setRequesterCredentials(credentials);
        request->setSecretID(secretID());
    }
    request->setWarningLevel(ebayWarningLevel());
    if (isCancelled())
        return;
    const auto reply = connector()->sendRequest(request, QStringLiteral("FetchToken"));
    if (isCancelled() || !validateReceivedXMLData(reply, nullptr) || isCancelled())
        return;
    const auto response = responseFromData<EBayFetchTokenResponseType>(*reply, nullptr);
    if (!response)
        return;
    // A warning here means eBay gave no usable token.
    if (response->ack() != QLatin1String("Success"))
        return completeOperationWithFailedResponse(response, nullptr);
    const QString fetched = response->eBayAuthToken();
    {
        std::lock_guard lock(m_fieldsMutex);
        m_token = fetched;
    }
    if (executeGetUserRequest() && !fetched.isEmpty())
        sendGetUserRequest(fetched);
}

void QMFetchTokenOperation::sendGetUserRequest(const QString& token)
{
    connector()->setToken(token);
    auto request = EBayGetUserRequestType::getUserRequestType();
    auto credentials = EBayXMLRequesterCredentialsType::xMLRequesterCredentialsType();
    credentials->setEBayAuthToken(token);
    request->setRequesterCredentials(credentials);
    request->setIncludeFeatureEligibility(true);
    request->addDetailLevel(QStringLiteral("ReturnAll"));
    if (isCancelled())
        return;
    const auto reply = connector()->sendRequest(request, QStringLiteral("GetUser"));
    if (isCancelled() || !validateReceivedXMLData(reply, nullptr) || isCancelled())
        return;
    const auto response = responseFromData<EBayGetUserResponseType>(*reply, nullptr);
    if (!response)
        return;
    if (response->ack() == QLatin1String("Success") || response->ack() == QLatin1String("Warning")) {
        std::lock_guard lock(m_fieldsMutex);
        m_getUserType = response->user();
        return;
    }
    completeOperationWithFailedResponse(response, nullptr);
}
