#pragma once
// Reading a URL's query, and URLs for socket addresses.
//
//     const QVariantMap query = dw::parsedQuery(QUrl(QStringLiteral("qv://host/x?a=1&b")));   // a = "1", b = ""

#include <QByteArray>
#include <QUrl>
#include <QVariantMap>

namespace dw {

// The query split at "&" and each part at "="; a part without "=" maps to ""; extra "=" fields
// are ignored; a later key wins. Nothing is percent-decoded ("x=%20" keeps "%20"). No query gives
// an empty map, an empty query one entry "" = "".
QVariantMap parsedQuery(const QUrl& url);

// "<scheme>://<address>:<port>" for a socket address as the system stores it (struct sockaddr_in
// or sockaddr_in6), the IPv6 address in square brackets. nil for data that is no such address
// (too short, another family) or port 0. An empty scheme is a caller error (DW_ASSERT).
QString URLStringFromSockAddrData(const QByteArray& socketAddress, const QString& scheme);
QUrl URLFromSockAddrData(const QByteArray& socketAddress, const QString& scheme);

} // namespace dw
