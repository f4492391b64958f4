#pragma once
// The base of the Trading API connector: endpoint, eBay site, compatibility level, application ID,
// the logging switch, and whether the API host can be reached.
//
// A connector is made per operation, configured, used for one or a few sends from that
// operation's thread and then dropped; it is not shared between threads. The subclass
// DWEbayConnector is the one that sends; this base only holds what every eBay connector shares.
//
//     if (DWEbayConnector::ebayAPIReachable())
//         ...                                        // ask the server for new versions
//
// Broken preconditions (asking the base for its server name, a host name that cannot be checked)
// throw dw::InternalInconsistency; network failures never do.

#include "DWEBay2/DWEBayExport.h"
#include "platform/network/HttpClient.h"

#include <QByteArray>
#include <QString>
#include <optional>

class DWEBAY_EXPORT DWGenericEbayConnector
{
public:
    DWGenericEbayConnector(const QString& APIURL, qint64 siteID, qint64 apiVersion);
    virtual ~DWGenericEbayConnector();
    DWGenericEbayConnector(const DWGenericEbayConnector&) = delete;
    DWGenericEbayConnector& operator=(const DWGenericEbayConnector&) = delete;

    // The host of the API that ebayAPIReachable() checks. The base has none and throws
    // "[DWGenericEbayConnector APIURL] needs to be overwritten in subclass".
    static QString APIServerName();
    // True when hostName resolves and this machine has a route to it, within a few seconds; a
    // resolver that takes longer gives false. An empty host name throws.
    static bool networkReachableForServer(const QString& hostName);
    // networkReachableForServer() of APIServerName(); the base throws as APIServerName() does.
    static bool ebayAPIReachable();

    // Sends one request document and returns the reply's bytes, whatever the HTTP status;
    // nullopt when no reply arrived. The base sends nothing and returns nullopt.
    virtual std::optional<QByteArray> sendRequestString(const QString& requestString, const QString& verb);
    // Puts the API's method and header fields on request; the call name only for a non-empty
    // verb. The base sets nothing.
    virtual void setHeaderFieldsForRequest(dw::HttpRequest& request, const QString& verb) const;
    // The same without a call name, for a caller that builds its own request to the endpoint and
    // names the call itself (the multipart picture upload).
    void setHeaderFieldsForRequest(dw::HttpRequest& request) const;

    qint64 siteID() const { return m_siteID; }
    void setSiteID(qint64 siteID) { m_siteID = siteID; }
    qint64 apiVersion() const { return m_apiVersion; }
    void setApiVersion(qint64 apiVersion) { m_apiVersion = apiVersion; }
    // The endpoint address (production or sandbox, path "/ws/api.dll"); every send goes here.
    const QString& APIURL() const { return m_APIURL; }
    void setAPIURL(const QString& APIURL) { m_APIURL = APIURL; }
    const QString& ebayApplicationID() const { return m_ebayApplicationID; }
    void setEbayApplicationID(const QString& applicationID) { m_ebayApplicationID = applicationID; }
    // Request and response texts go to the console (with every token cut out) when set.
    bool loggingEnabled() const { return m_loggingEnabled; }
    void setLoggingEnabled(bool enabled) { m_loggingEnabled = enabled; }

private:
    qint64 m_siteID = 0;
    qint64 m_apiVersion = 0;
    QString m_APIURL;
    QString m_ebayApplicationID;
    bool m_loggingEnabled = false;
};
