#pragma once
// Reads the download server's current version numbers of a site's category store and
// characteristic-sets store, so that the application can tell whether its stores are out of date.
// No eBay call is made: the connector only names the site.
//
// Results (read after the ended notification): categoryTreeVersion and attributeDataVersion, 0 for
// a version that could not be read. Unless both are read, the operation ends in failure (error
// envelope, log entry "failure"), keeping the one that was read; cancelled, it reports both as 0.
//
//     auto operation = std::make_shared<QMGetEbayDataVersionsOperation>(factory, true);
//     envelopeQueue.addOperation(operation);

#include "Operations/QMGenericEbayNSOperation.h"

#include <atomic>

class QMGetEbayDataVersionsOperation : public QMGenericEbayNSOperation
{
public:
    QMGetEbayDataVersionsOperation(const QMEbayConnectorFactory& connectorFactory, bool silent);

    QString name() const override;
    QString operationDescription() const override;

    // No progress panel and no "eBay Data Up To Date" message for this run.
    bool runSilent() const { return m_runSilent; }
    void setRunSilent(bool silent) { m_runSilent = silent; }
    qint64 categoryTreeVersion() const { return m_categoryTreeVersion; }
    qint64 attributeDataVersion() const { return m_attributeDataVersion; }

protected:
    void internalMain() override;

private:
    std::atomic<bool> m_runSilent;
    std::atomic<qint64> m_categoryTreeVersion = 0;
    std::atomic<qint64> m_attributeDataVersion = 0;
};
