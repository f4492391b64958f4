#pragma once
// What the document tests put in place of the application's accounts and connectors: one account
// "seller" with a token (and a PayPal address), connectors that reach a fake Trading API (shared with
// the other tests that make eBay calls), and the one shipping service a listing needs to pass the
// local checks.

#include "model/QMAccountDataSource.h"
#include "model/QMEbayItem.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMSiteDescriptionManager.h"
#include "tests/support/ebay/FakeConnectors.h"

class FakeAccounts final : public QMAccountDataSource
{
public:
    QString defaultAccountID() const override { return defaultAccount; }
    QString tokenForAccountID(const QString& accountID) const override
    {
        return accountID == QLatin1String("seller") ? token : QString();
    }
    QString payPalAddressForAccountID(const QString&) const override { return QStringLiteral("ann@example.com"); }

    QString defaultAccount = QStringLiteral("seller");
    QString token = QStringLiteral("token-of-seller");
};

// Ships the listing with the site's first domestic service, for 4.90.
inline void shipWithTheSitesFirstService(QMEbayItem& item, const QString& siteID)
{
    const QString service = QMSiteDescriptionManager::sharedInstance()
                                .domesticShippingServicesForSiteID(siteID)
                                .first()
                                .toMap()
                                .value(QStringLiteral("ServiceID"))
                                .toString();
    item.shippingOptions()->removeAllDomesticServices();
    item.shippingOptions()->addDomesticShippingServiceWithID(service, QStringLiteral("4.90"), false,
                                                             QStringLiteral("0"));
}
