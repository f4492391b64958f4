#pragma once
// Where the store's gateway lives. The host is configuration: the user default "DWPStoreBaseURL"
// (scheme, host and port, for instance "http://127.0.0.1:8080" for the fake gateway) or else the
// maker's placeholder. "DWPUseTestServer" picks the test gateway instead of the live one.

#include "DWPayment/DWPaymentExport.h"

#include <QUrl>

inline constexpr const char* DWPStoreBaseURLKey = "DWPStoreBaseURL";
inline constexpr const char* DWPUseTestServerKey = "DWPUseTestServer";
// The card processor's host (scheme, host and port), whose card popup page the payment page opens.
inline constexpr const char* DWPCardPopupBaseURLKey = "DWPCardPopupBaseURL";

namespace dw::payment {
DWPAYMENT_EXPORT QUrl storeBaseURL();
DWPAYMENT_EXPORT bool useTestServer();
// The XML gateway and the direct-debit return page, live or test by the switch.
DWPAYMENT_EXPORT QUrl gatewayURL();
DWPAYMENT_EXPORT QUrl easydebitURL();
DWPAYMENT_EXPORT QUrl gatewayURL(bool testServer);
DWPAYMENT_EXPORT QUrl easydebitURL(bool testServer);
// The schema every generated document names: always http on the store's host.
DWPAYMENT_EXPORT QString schemaLocationURL();
// The card processor's popup page for the card's details: while it is open the buyer cannot go back.
DWPAYMENT_EXPORT QUrl cardPopupURL();
// The catalogue and the extra-payment-methods page the application opens the store with.
DWPAYMENT_EXPORT QUrl catalogueURL();
DWPAYMENT_EXPORT QUrl alternatePaymentMethodsURL();
} // namespace dw::payment
