#pragma once
// The client of the store's gateway: XML documents POSTed to one address, answers validated
// against the bundled schema, checked for the expected root and acknowledgement, and read.
//
// Every call blocks for one exchange (up to 17 s): call it on a worker thread. One exchange at a
// time per connection. A cancel flag, when set, ends the exchange within a tenth of a second of its
// raising (work stopped by the quit hands its stop flag over); the call then fails with code -999. A refused request hands back the gateway's answer with an error whose
// userInfo carries the gateway's own error texts (DWPErrorInfoFromXmlDocKey) and names the
// notification "_DWPErrorOccurredOnServer"; an answer that does not validate is refused as a whole.
//
//     DWPServerConnection connection(dw::payment::gatewayURL());
//     DWPError error;
//     const QString id = connection.createTransaction(transaction, &error);
//     if (!error.isNull()) return report(error);

#include "DWPayment/DWPError.h"

#include <QUrl>
#include <QVariantMap>
#include <atomic>
#include <optional>

class DWPTransaction;

class DWPAYMENT_EXPORT DWPXmlPostRequst
{
public:
    DWPXmlPostRequst() = delete;
    // POSTs the document as "text/xml", following redirects with the POST kept. Null with
    // `error` set on a transport failure (DWPError::foreign of "NSURLErrorDomain"; the code is
    // -1200 for a failed secure connection, -1001 for a time-out, -999 when `cancel` was raised,
    // -1004 otherwise). The HTTP status is handed out but not judged.
    static QByteArray sendXML(const QByteArray& body, const QUrl& url, int* status, DWPError* error,
                              const std::atomic<bool>* cancel = nullptr);
};

class DWPAYMENT_EXPORT DWPServerConnection
{
public:
    explicit DWPServerConnection(const QUrl& serverURL) : m_serverURL(serverURL) {}

    const QUrl& serverURL() const { return m_serverURL; }
    void setServerURL(const QUrl& url) { m_serverURL = url; }
    const DWPError& lastError() const { return m_lastError; }
    int lastResponseStatus() const { return m_lastResponseStatus; }
    // The flag must outlive the calls made while it is set.
    void setCancelFlag(const std::atomic<bool>* cancel) { m_cancel = cancel; }

    QByteArray handleRequestWithXML(const QByteArray& request, DWPError* error);

    QString createTransaction(const DWPTransaction& transaction, DWPError* error);
    // Product ID -> info; empty when no IDs were asked for (then only the VAT and XSLT come back).
    std::optional<QVariantMap> productInfoForIds(const QStringList& productIds, std::optional<qint64>* outVAT,
                                                 QByteArray* outXSLT, DWPError* error);
    bool abortTransactionWithID(const QString& transactionID, DWPError* error = nullptr);
    QUrl iFrameURLForTransactionID(const QString& transactionID, DWPError* error);
    QUrl webFrameURLForTransactionID(const QString& transactionID, DWPError* error);
    QString paymentStateForTransactionID(const QString& transactionID, QByteArray* outPayload, DWPError* error);

private:
    QUrl m_serverURL;
    DWPError m_lastError;
    int m_lastResponseStatus = 0;
    const std::atomic<bool>* m_cancel = nullptr;
};

// A failed secure connection (a rejected, untrusted, expired or unknown certificate) or a load that
// could not use the network.
DWPAYMENT_EXPORT bool isSSLError(const DWPError& error);
