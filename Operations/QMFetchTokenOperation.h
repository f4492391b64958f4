#pragma once
// Fetches an account's eBay token after the user signed in (by session ID), or by user name and
// secret ID, and then, when asked, reads the account's user record with "GetUser".
//
// Results (read after the ended notification): token and getUserType, or the error envelope. Only
// the acknowledgement "Success" gives a token; GetUser also accepts "Warning". A GetUser that
// fails keeps the token but fills the error envelope, so callers look at the envelope first.
// Cancellation between the steps ends without result or error. The token reaches the connector of
// this operation and its caller, never a log line.
//
//     auto operation = std::make_shared<QMFetchTokenOperation>(factory);
//     operation->setSessionID(sessionID);
//     operation->setExecuteGetUserRequest(true);
//     queue.addOperation(operation);

#include "Operations/QMGenericEbayNSOperation.h"

class EBayUserType;

class QMFetchTokenOperation : public QMGenericEbayNSOperation
{
public:
    using QMGenericEbayNSOperation::QMGenericEbayNSOperation;

    QString name() const override;
    QString operationDescription() const override;

    QString username() const;
    void setUsername(const QString& username);
    // The ID under which the caller will store the token.
    QString accountID() const;
    void setAccountID(const QString& accountID);
    QString accountName() const;
    void setAccountName(const QString& accountName);
    QString secretID() const;
    void setSecretID(const QString& secretID);
    // When set, the fetch is by session ID and sends nothing else of the account.
    QString sessionID() const;
    void setSessionID(const QString& sessionID);
    bool executeGetUserRequest() const;
    void setExecuteGetUserRequest(bool execute);

    QString token() const;
    std::shared_ptr<EBayUserType> getUserType() const;

    // eBay's site name ("Germany", "CanadaFrench") as a site ID; -1 for a name it does not use.
    static int siteIDForEbaySiteCode(const QString& siteCode);

protected:
    void internalMain() override;

private:
    void sendGetUserRequest(const QString& token);

    mutable std::mutex m_fieldsMutex;
    QString m_username;
    QString m_accountID;
    QString m_accountName;
    QString m_secretID;
    QString m_sessionID;
    bool m_executeGetUserRequest = false;
    QString m_token;
    std::shared_ptr<EBayUserType> m_getUserType;
};
