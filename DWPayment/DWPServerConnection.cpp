#include "DWPayment/DWPServerConnection.h"

#include "DWPayment/DWPLog.h"
#include "DWPayment/DWPXml.h"

#include "platform/network/HttpClient.h"

namespace {

constexpr int kTimeoutSeconds = 17;

void fail(DWPError* error, const char* message, const QString& detail = QString(),
          const DWPError& underlying = DWPError())
{
    if (!error)
        return;
    *error = DWPError(DWPLocalized(message), detail);
    error->setUnderlyingError(underlying);
}

} // namespace

QByteArray DWPXmlPostRequst::sendXML(const QByteArray& body, const QUrl& url, int* status, DWPError* error,
                                     const std::atomic<bool>* cancel)
{
    dw::HttpRequest request;
    request.method = "POST";
    request.url = url.toString();
    request.headerFields = {{"Content-Type", "text/xml"}};
    request.body = body;
    request.connectTimeoutSeconds = kTimeoutSeconds;
    request.inactivityTimeoutSeconds = kTimeoutSeconds;
    request.followRedirects = true;
    request.keepPostOnRedirect = true;
    request.cancel = cancel;
    const dw::HttpResponse response = dw::HttpClient().send(request);
    if (status)
        *status = response.status;
    if (!response.ok()) {
        if (error) {
            const qint64 code = response.secureConnectionFailed                            ? -1200
                                : response.failure == dw::HttpResponse::Failure::TimedOut  ? -1001
                                : response.failure == dw::HttpResponse::Failure::Cancelled ? -999
                                                                                           : -1004;
            *error = DWPError::foreign(QStringLiteral("NSURLErrorDomain"), code, response.errorText);
        }
        return {};
    }
    if (error)
        *error = {};
    return response.body;
}

QByteArray DWPServerConnection::handleRequestWithXML(const QByteArray& request, DWPError* error)
{
    if (error)
        *error = {};
    DWPError parseError;
    QString rootName;
    if (!DWPXmlChecker::isValidXml(request, &parseError, &rootName) || !rootName.endsWith(u"Request")) {
        fail(error, "Could not communicate with the server. Please try again later.",
             QStringLiteral("XML validation error for action: %1")
                 .arg(rootName.isNull() ? QStringLiteral("(null)") : rootName),
             parseError);
        return {};
    }
    const QString expectedRoot = rootName.left(rootName.size() - 7) + QStringLiteral("Response");

    DWPError transportError;
    const QByteArray answer =
        DWPXmlPostRequst::sendXML(request, m_serverURL, &m_lastResponseStatus, &transportError, m_cancel);
    m_lastError = transportError;
    if (!transportError.isNull()) {
        fail(error, "Could not connect to the server. Please try again later.", QString(), transportError);
        return {};
    }

    QString answerRoot;
    if (!DWPXmlChecker::isValidXml(answer, &parseError, &answerRoot)) {
        fail(error, "The server did not respond properly. Please try again later.", QString(), parseError);
        return {};
    }
    if (answerRoot != expectedRoot) {
        fail(error, "The server did not respond as expected. Please try again later.",
             QStringLiteral("expected: %1 -- got: %2").arg(expectedRoot, answerRoot));
        return {};
    }
    if (DWPXmlChecker::responseIsSuccess(answer))
        return answer;

    if (error) {
        *error = DWPError(DWPLocalized("Your request could not be finished successfully. Please try again later, or "
                                       "contact the support."));
        const QStringList texts = DWPXmlChecker::errorsFromResponse(answer);
        if (!texts.isEmpty())
            error->userInfo().insert(QString::fromLatin1(DWPErrorInfoFromXmlDocKey), texts);
        error->userInfo().insert(QString::fromLatin1(DWPNotificationNameKey),
                                 QStringLiteral("_DWPErrorOccurredOnServer"));
    }
    return answer;
}

QString DWPServerConnection::createTransaction(const DWPTransaction& transaction, DWPError* error)
{
    DWPError local;
    DWPError* target = error ? error : &local;
    const QByteArray answer = handleRequestWithXML(DWPXmlGenerator::createTransactionXML(transaction), target);
    if (answer.isNull() || !target->isNull())
        return {};
    const QString id = DWPXmlExtractor::transactionIdFromCreateResponse(answer, target);
    if (!id.isNull())
        qCInfo(lcPayment).noquote() << QStringLiteral("created transaction: %1").arg(id);
    return id;
}

std::optional<QVariantMap> DWPServerConnection::productInfoForIds(const QStringList& productIds,
                                                                  std::optional<qint64>* outVAT, QByteArray* outXSLT,
                                                                  DWPError* error)
{
    DWPError local;
    DWPError* target = error ? error : &local;
    const QByteArray answer = handleRequestWithXML(
        DWPXmlGenerator::productInfoXML(productIds, outVAT != nullptr, outXSLT != nullptr), target);
    if (answer.isNull() || !target->isNull())
        return std::nullopt;
    QVariantMap infos;
    if (!DWPXmlExtractor::productInfoFromProductInfoResponse(answer, productIds.isEmpty() ? nullptr : &infos, outVAT,
                                                             outXSLT, target))
        return std::nullopt;
    if (productIds.isEmpty())
        return std::nullopt;
    for (const QString& id : productIds) {
        if (!infos.contains(id)) {
            *target = DWPError(DWPLocalized("One of the selected products is not available. Please try again later."),
                               QStringLiteral("no product info for id: %1").arg(id));
            return std::nullopt;
        }
    }
    return infos;
}

bool DWPServerConnection::abortTransactionWithID(const QString& transactionID, DWPError* error)
{
    DWPError local;
    handleRequestWithXML(DWPXmlGenerator::abortTransactionXML(transactionID), &local);
    if (!error)
        return true;
    *error = local;
    return local.isNull();
}

QUrl DWPServerConnection::iFrameURLForTransactionID(const QString& transactionID, DWPError* error)
{
    DWPError local;
    DWPError* target = error ? error : &local;
    const QByteArray answer = handleRequestWithXML(DWPXmlGenerator::iFrameURLXML(transactionID), target);
    if (answer.isNull() || !target->isNull())
        return {};
    return DWPXmlExtractor::iFrameURLFromIFrameResponse(answer, target);
}

QUrl DWPServerConnection::webFrameURLForTransactionID(const QString& transactionID, DWPError* error)
{
    DWPError local;
    DWPError* target = error ? error : &local;
    const QByteArray answer = handleRequestWithXML(DWPXmlGenerator::webFrameURLXML(transactionID), target);
    if (answer.isNull() || !target->isNull())
        return {};
    return DWPXmlExtractor::webFrameURLFromIFrameResponse(answer, target);
}

QString DWPServerConnection::paymentStateForTransactionID(const QString& transactionID, QByteArray* outPayload,
                                                          DWPError* error)
{
    DWPError local;
    DWPError* target = error ? error : &local;
    const QByteArray answer = handleRequestWithXML(DWPXmlGenerator::paymentStateXML(transactionID), target);
    if (answer.isNull() || !target->isNull())
        return {};
    if (outPayload) {
        *outPayload = DWPXmlExtractor::payloadFromPaymentResponse(answer, target);
        if (!target->isNull())
            return {};
    }
    return DWPXmlExtractor::paymentStateFromPaymentResponse(answer, target);
}

bool isSSLError(const DWPError& error)
{
    if (error.domain() != u"NSURLErrorDomain")
        return false;
    return error.code() == -2000 || (error.code() >= -1205 && error.code() <= -1200);
}
