#pragma once
// Asks eBay for a sign-in session ID for the application's redirect name (RuName); the sign-in
// page is then opened with that ID. The call carries no token.
//
// Results (read after the ended notification): sessionID, or the error envelope. An acknowledgement
// "Warning" still gives the session ID. Cancellation between the steps ends without either.
//
//     auto operation = std::make_shared<QMGetSessionIDOperation>(factory);
//     operation->setRuName(preferences.ruName());
//     queue.addOperation(operation);

#include "Operations/QMGenericEbayNSOperation.h"

class QMGetSessionIDOperation : public QMGenericEbayNSOperation
{
public:
    using QMGenericEbayNSOperation::QMGenericEbayNSOperation;

    QString ruName() const;
    void setRuName(const QString& ruName);
    QString sessionID() const;

protected:
    // A null redirect name is a caller error (DW_ASSERT "Need ruName").
    void internalMain() override;

private:
    mutable std::mutex m_fieldsMutex;
    QString m_ruName;
    QString m_sessionID;
};
