#pragma once
// What the document tests put in place of the application's accounts and connectors: one account
// "seller" with a token (and a PayPal address), and connectors that reach a fake Trading API.

#include "DWEBay2/DWEbayConnector.h"
#include "Operations/QMOperationManager.h"
#include "model/QMAccountDataSource.h"

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
