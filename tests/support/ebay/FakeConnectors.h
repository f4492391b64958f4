#pragma once
// Connectors to a fake Trading API for an operation manager under test: every eBay call of the
// manager reaches the fake's address, and a call the fake never answers fails after 10 s instead
// of hanging the test. Header-only: only the tests that already link the operations use it.

#include "DWEBay2/DWEbayConnector.h"
#include "Operations/QMOperationManager.h"

#include <QString>
#include <memory>

namespace dw::test {

class FakeConnectors final : public QMOperationManagerDelegate
{
public:
    explicit FakeConnectors(QString url, qint64 siteID = 0) : m_url(std::move(url)), m_siteID(siteID) {}
    std::unique_ptr<DWEbayConnector> standardEbayConnector() override
    {
        auto connector = std::make_unique<DWEbayConnector>(m_url, m_siteID, 747);
        connector->setRequestTimeOut(10);
        return connector;
    }

private:
    QString m_url;
    qint64 m_siteID;
};

} // namespace dw::test
