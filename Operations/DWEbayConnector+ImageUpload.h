#pragma once
// Sending a picture to eBay's "UploadSiteHostedPictures" call: a multipart body with the request
// document and the picture's bytes, posted with the connector's endpoint, header fields and token.
//
//     auto request = EBayUploadSiteHostedPicturesRequestType::uploadSiteHostedPicturesRequestType();
//     request->setPictureSet(QStringLiteral("Standard"));
//     const auto reply = dw::sendImageUploadRequest(connector, request, copyPath, cancelFlag);
//     if (!reply) ...                                 // no answer (console line says why)
//
// On the caller's (worker) thread; blocks for the exchange, which has the connector's connect
// and inactivity time-outs. The token never reaches the console.

#include <QByteArray>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>

class DWEbayConnector;
class EBayUploadSiteHostedPicturesRequestType;

inline constexpr const char* kDWEPSProgressNotification = "DWEPSProgressNotification";
inline constexpr const char* kDWImageUploadBoundary = "0xqUiLlMaRtbOuNdArY";

namespace dw {

// The body as eBay reads it: the XML part, then the file part, the closing delimiter straight
// after the file's last byte.
QByteArray imageUploadRequestBody(const QByteArray& xml, const QString& fileName, const QByteArray& fileBytes);

// Sets the request's picture name and credentials and sends it with the file; the reply's bytes,
// nullopt on a transport error or when the file cannot be read.
std::optional<QByteArray>
sendImageUploadRequest(DWEbayConnector& connector,
                       const std::shared_ptr<EBayUploadSiteHostedPicturesRequestType>& request, const QString& filePath,
                       const std::atomic<bool>* cancel = nullptr);

} // namespace dw
