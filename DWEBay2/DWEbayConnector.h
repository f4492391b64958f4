#pragma once
// The Trading API client: sends one request document to eBay and hands back the raw reply.
//
// One connector per operation, used from that operation's thread only (several operations send
// at once, each through its own connector). A send is one synchronous HTTP POST to APIURL() with
// eBay's header fields; it blocks the calling thread, so it never runs on the main thread. The
// reply's bytes come back whatever the HTTP status (a 500 with an error document is a reply);
// eBay's own errors are inside them, for the caller to read through the response class. When no
// reply arrives (refused, name not resolved, nothing moved for requestTimeOut() seconds) the
// result is nullopt and one console line says why. The time-out counts inactivity, never the
// whole exchange, so a slow upload of many megabytes is not cut off while it moves.
//
//     DWEbayConnector connector(endpoint, siteID, 747);
//     connector.setToken(token);
//     connector.setEbayDeveloperID(devID);
//     connector.setEbayApplicationID(appID);
//     connector.setEbayCertificateID(certID);
//     auto request = EBayGetItemRecommendationsRequestType::getItemRecommendationsRequestType();
//     ...
//     const auto bytes = connector.sendRequestWithToken(request, QStringLiteral("GetItemRecommendations"));
//     if (!bytes)
//         return networkFailure();
//     auto response = EBayGetItemRecommendationsResponseType::requestWithXMLData(*bytes, &error);
//
// With loggingEnabled() the request and reply texts go to the console with every token cut out:
// the text of each eBayAuthToken, RESTToken, SecretID, SessionID and Password element, and the
// connector's own token wherever else it stands.
//
// Debug replay: when the replay settings are on, a send is answered from a saved file in their
// folder instead of the network: "<key>_#<n>.xml", else "<key>.xml", where the key is the call
// name (followed by "_<page number>" for the paged calls) and n counts the sends of that key in
// this process. Without such a file the request goes out as usual.
//
// Broken preconditions throw dw::InternalInconsistency: a send without a request or call name,
// sendRequestWithToken() without a token.

#include "DWEBay2/DWEBayExport.h"
#include "DWEBay2/DWEbayReplaySettings.h"
#include "DWEBay2/DWGenericEbayConnector.h"
#include "platform/network/HttpClient.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class DWGeneratedObject;
class EBayAbstractRequestType;

class DWEBAY_EXPORT DWEbayConnector : public DWGenericEbayConnector
{
public:
    DWEbayConnector(const QString& APIURL, qint64 siteID, qint64 apiVersion);
    ~DWEbayConnector() override;

    // The production API host that ebayAPIReachable() checks ("api.ebay.com" unless the program
    // configures another); requests always go to APIURL(). Any thread.
    static QString APIServerName();
    static void setAPIServerName(const QString& hostName);
    static bool ebayAPIReachable();

    // Makes the connector's token the request's requester credentials (replacing any), then
    // sendRequest(). Throws "cannot add nil token to request" when no token is set.
    std::optional<QByteArray> sendRequestWithToken(const std::shared_ptr<EBayAbstractRequestType>& request,
                                                   const QString& verb);
    // Sends the request as it is: for calls that need no token or whose caller set the credentials.
    // The document goes out as the object writes its bytes, never through a text.
    std::optional<QByteArray> sendRequest(const std::shared_ptr<EBayAbstractRequestType>& request, const QString& verb);
    // Sends a request document; verb is the call name ("AddItem"), empty for none.
    std::optional<QByteArray> sendRequestString(const QString& requestString, const QString& verb) override;

    using DWGenericEbayConnector::setHeaderFieldsForRequest;
    // Method "POST" and, in this order: compatibility level, session certificate
    // ("dev;app;cert"), developer, application and certificate names, site ID, content type, the
    // call name (only when verb is not empty) and "Connection: close". A field that the request
    // already has takes the new value where it stands.
    void setHeaderFieldsForRequest(dw::HttpRequest& request, const QString& verb) const override;

    // The saved reply for this request when the replay is on and a file for it exists; nullopt
    // otherwise. Counts the lookup for the request's key whether or not a file is found.
    std::optional<QByteArray> staticResponseForRequestString(const QString& requestString, const QString& verb);
    // Forgets every replay count of the process (tests).
    static void resetSavedResponseCounters();

    const QString& ebayDeveloperID() const { return m_ebayDeveloperID; }
    void setEbayDeveloperID(const QString& developerID) { m_ebayDeveloperID = developerID; }
    const QString& ebayCertificateID() const { return m_ebayCertificateID; }
    void setEbayCertificateID(const QString& certificateID) { m_ebayCertificateID = certificateID; }
    const QString& token() const { return m_token; }
    void setToken(const QString& token) { m_token = token; }
    // Seconds without any byte moving after which a send gives up; 0 or less means 60.
    double requestTimeOut() const { return m_requestTimeOut; }
    void setRequestTimeOut(double seconds) { m_requestTimeOut = seconds; }
    // The header fields of the last HTTP reply; a failed send or a replayed one leaves them.
    const dw::HttpHeaderFields& responseHeaderFields() const { return m_responseHeaderFields; }

    // Carried for callers; the connector itself never writes them.
    const QString& lastEbayErrorMessage() const { return m_lastEbayErrorMessage; }
    void setLastEbayErrorMessage(const QString& message) { m_lastEbayErrorMessage = message; }
    const QString& lastEbayErrorCode() const { return m_lastEbayErrorCode; }
    void setLastEbayErrorCode(const QString& code) { m_lastEbayErrorCode = code; }
    bool downloadToFile() const { return m_downloadToFile; }
    void setDownloadToFile(bool downloadToFile) { m_downloadToFile = downloadToFile; }
    const QString& downloadedFilePath() const { return m_downloadedFilePath; }
    void setDownloadedFilePath(const QString& path) { m_downloadedFilePath = path; }
    const QString& downloadError() const { return m_downloadError; }
    void setDownloadError(const QString& error) { m_downloadError = error; }

    const std::shared_ptr<const DWEbayReplaySettings>& replaySettings() const { return m_replaySettings; }
    // nullptr restores the standard settings.
    void setReplaySettings(std::shared_ptr<const DWEbayReplaySettings> settings);

private:
    // Sends body; text is the same document when the caller has it as text, else null, and is then
    // made from body only for the console.
    std::optional<QByteArray> sendBody(QByteArray body, const QString& text, const QString& verb);
    // The replay's lookup; readRequest fills the call's request object from the document sent.
    std::optional<QByteArray> staticResponse(const QString& verb,
                                             const std::function<void(DWGeneratedObject&)>& readRequest);

    QString m_ebayDeveloperID;
    QString m_ebayCertificateID;
    QString m_token;
    double m_requestTimeOut = 0;
    dw::HttpHeaderFields m_responseHeaderFields;
    QString m_lastEbayErrorMessage;
    QString m_lastEbayErrorCode;
    bool m_downloadToFile = false;
    QString m_downloadedFilePath;
    QString m_downloadError;
    std::shared_ptr<const DWEbayReplaySettings> m_replaySettings;
    dw::HttpClient m_client;
};
