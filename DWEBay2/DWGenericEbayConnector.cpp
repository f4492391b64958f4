#include "DWEBay2/DWGenericEbayConnector.h"

#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/network/NetworkReachability.h"

#include <chrono>

namespace {

// A resolver that takes longer than this counts as no network: callers ask before a download and
// must not keep the user waiting on a dead link.
constexpr std::chrono::seconds kReachabilityBound{5};

} // namespace

DWGenericEbayConnector::DWGenericEbayConnector(const QString& APIURL, qint64 siteID, qint64 apiVersion)
    : m_siteID(siteID), m_apiVersion(apiVersion), m_APIURL(APIURL)
{}

DWGenericEbayConnector::~DWGenericEbayConnector() = default;

QString DWGenericEbayConnector::APIServerName()
{
    DW_ASSERT(false, "[DWGenericEbayConnector APIURL] needs to be overwritten in subclass");
    return {};
}

bool DWGenericEbayConnector::networkReachableForServer(const QString& hostName)
{
    DW_ASSERT(!hostName.isEmpty() && !hostName.contains(QChar(u'\0')),
              "Failed to create SCNetworkReachabilityRef for host: %@", hostName);
    const std::optional<unsigned> flags = dw::reachabilityFlagsForHost(hostName, kReachabilityBound);
    if (!flags)
        return false;
    return (*flags & dw::kReachabilityReachable) && !(*flags & dw::kReachabilityConnectionRequired);
}

bool DWGenericEbayConnector::ebayAPIReachable()
{
    return networkReachableForServer(APIServerName());
}

std::optional<QByteArray> DWGenericEbayConnector::sendRequestString(const QString&, const QString&)
{
    return std::nullopt;
}

void DWGenericEbayConnector::setHeaderFieldsForRequest(dw::HttpRequest&, const QString&) const {}

void DWGenericEbayConnector::setHeaderFieldsForRequest(dw::HttpRequest& request) const
{
    setHeaderFieldsForRequest(request, QString());
}
