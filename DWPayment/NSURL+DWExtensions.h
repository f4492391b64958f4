#pragma once
// The store's URL helpers: a URL's query as a map, and whether a URL can be read now.
//
//     dw::payment::parsedQuery(QUrl(QStringLiteral("dwpms://ignore?a=1&b")));   // a = "1", b = ""
//
// The application's kit has an operation of the same name; the store keeps its own (it links only
// the platform), in a namespace of its own.

#include "DWPayment/DWPaymentExport.h"

#include <QUrl>
#include <QVariantMap>

namespace dw::payment {

// The query split at every "&", each part at every "=": one element maps to "", two or more map
// the first to the second (the rest is dropped). Nothing is percent-decoded; a later key replaces
// an earlier one. No query gives an empty map, an empty query the empty key with "". Any thread.
DWPAYMENT_EXPORT QVariantMap parsedQuery(const QUrl& url);

// A file URL: a readable file exists at its path. Any other URL: a HEAD request (redirects
// followed, 13 s without an answer give up) ends in an HTTP status 200. Every failure is false,
// without saying why. Blocks for up to the time-out: worker threads only.
DWPAYMENT_EXPORT bool isReachable(const QUrl& url);

} // namespace dw::payment
