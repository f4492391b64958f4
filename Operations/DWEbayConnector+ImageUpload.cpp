#include "Operations/DWEbayConnector+ImageUpload.h"

#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayUploadSiteHostedPicturesRequestType.h"
#include "DWEBay2/types/EBayXMLRequesterCredentialsType.h"
#include "DWKit/NSNotificationCenter+DWExtensions.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWFormat.h"
#include "platform/network/HttpClient.h"

#include <QFile>
#include <QFileInfo>

namespace {

// The request text as it may be logged: the token element's contents cut out; without a closing
// tag everything after the opening one goes.
QString withoutToken(const QString& xml)
{
    const QString opening = QStringLiteral("<eBayAuthToken>");
    const QString closing = QStringLiteral("</eBayAuthToken>");
    const qsizetype start = xml.indexOf(opening);
    if (start < 0)
        return xml;
    const qsizetype end = xml.indexOf(closing, start);
    const QString head = xml.left(start + opening.size());
    return end < 0 ? head : head + xml.mid(end);
}

void postProgress(double total, double progress)
{
    dw::postNotificationNameToMainThread(
        dw::NotificationCenter::defaultCenter(), QLatin1String(kDWEPSProgressNotification), {},
        {{QStringLiteral("total"), total}, {QStringLiteral("progress"), progress}}, true);
}

} // namespace

namespace dw {

QByteArray imageUploadRequestBody(const QByteArray& xml, const QString& fileName, const QByteArray& fileBytes)
{
    const QByteArray boundary = kDWImageUploadBoundary;
    const QByteArray name = fileName.toUtf8();
    QByteArray body;
    body.reserve(fileBytes.size() + xml.size() + 512);
    body += "--" + boundary + "\r\n";
    body += "Content-Disposition: form-data; name=\"XML Payload\"\r\n";
    body += "Content-Type: text/xml; charset=\"utf-8\"\r\n\r\n";
    body += xml;
    body += "\r\n--" + boundary + "\r\n";
    body += "Content-Disposition: form-data; name=\"" + name + "\"; filename=\"" + name + "\"\r\n";
    body += "Content-Type: application/octet-stream\r\n";
    body += "Content-Transfer-Encoding: binary\r\n\r\n";
    body += fileBytes;
    body += "--" + boundary + "--\r\n";
    return body;
}

std::optional<QByteArray>
sendImageUploadRequest(DWEbayConnector& connector,
                       const std::shared_ptr<EBayUploadSiteHostedPicturesRequestType>& request, const QString& filePath,
                       const std::atomic<bool>* cancel)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        dw::consoleWrite(dw::format("-[DWEbayConnector sendImageUploadRequest:filePath:] cannot read %@", filePath));
        return std::nullopt;
    }
    const QString fileName = QFileInfo(filePath).fileName();
    request->setPictureName(fileName);
    auto credentials = EBayXMLRequesterCredentialsType::xMLRequesterCredentialsType();
    credentials->setEBayAuthToken(connector.token());
    request->setRequesterCredentials(credentials);

    const QByteArray xml = request->xmlRequestData();
    if (connector.loggingEnabled())
        dw::consoleWrite(withoutToken(QString::fromUtf8(xml)));

    dw::HttpRequest http;
    http.url = connector.APIURL();
    connector.setHeaderFieldsForRequest(http);
    dw::setHeaderValue(http.headerFields, "X-EBAY-API-CALL-NAME", "UploadSiteHostedPictures");
    // A comma before "boundary", as eBay's picture service has always been sent it.
    dw::setHeaderValue(http.headerFields, "Content-Type",
                       QByteArray("multipart/form-data, boundary=") + kDWImageUploadBoundary);
    http.body = imageUploadRequestBody(xml, fileName, file.readAll());
    dw::setHeaderValue(http.headerFields, "Content-Length", QByteArray::number(http.body.size()));
    const int timeout = connector.requestTimeOut() > 0 ? int(connector.requestTimeOut()) : 60;
    http.inactivityTimeoutSeconds = timeout;
    http.cancel = cancel;

    const double length = double(http.body.size());
    postProgress(length, length / 2);
    const dw::HttpResponse response = dw::HttpClient::forCurrentThread().send(http);
    postProgress(length, length);

    if (connector.loggingEnabled())
        dw::consoleWrite(QString::fromUtf8(response.body));
    if (!response.ok()) {
        dw::consoleWrite(dw::format("-[DWEbayConnector sendImageUploadRequest:filePath:] sendSynchronousRequest "
                                    "returned error: %@ (data length: %lu)",
                                    response.errorText, qulonglong(response.body.size())));
        return std::nullopt;
    }
    return response.body;
}

} // namespace dw
