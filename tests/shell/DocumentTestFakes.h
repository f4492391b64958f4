#pragma once
// What the document tests put in place of the application's accounts and connectors: one account
// "seller" with a token (and a PayPal address), connectors that reach a fake Trading API, and the
// one shipping service a listing needs to pass the local checks.

#include "DWEBay2/DWEbayConnector.h"
#include "Operations/QMOperationManager.h"
#include "model/QMAccountDataSource.h"
#include "model/QMEbayItem.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMSiteDescriptionManager.h"

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

class FakeApiConnectors final : public QMOperationManagerDelegate
{
public:
    explicit FakeApiConnectors(QString url) : m_url(std::move(url)) {}
    std::unique_ptr<DWEbayConnector> standardEbayConnector() override
    {
        auto connector = std::make_unique<DWEbayConnector>(m_url, 0, 747);
        connector->setRequestTimeOut(10);
        return connector;
    }

private:
    QString m_url;
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
