#pragma once
// Downloads a site's category store, its characteristic-sets (item specifics) store or both from
// the maker's download server and puts them in place of the site's old ones. No eBay call is made:
// the connector only names the site.
//
// The files come through the installed QMEbayDataSource, gzip-compressed (every gzip layer is
// inflated). A store that cannot be had, inflated or saved fills the error envelope and marks the
// activity-log entry "failure"; when the category store fails, the characteristic sets are not
// fetched (downloadCharacteristicSets reads false afterwards).
//
//     auto operation = std::make_shared<QMGetEbayDataOperation>(factory, true, true);
//     operation->setRunSilent(true);
//     envelopeQueue.addOperation(operation);

#include "Operations/QMGenericEbayNSOperation.h"

#include <atomic>

class QMGetEbayDataOperation : public QMGenericEbayNSOperation
{
public:
    QMGetEbayDataOperation(const QMEbayConnectorFactory& connectorFactory, bool downloadCategoryTree,
                           bool downloadCharacteristicSets);

    QString name() const override;
    QString operationDescription() const override;

    bool runSilent() const { return m_runSilent; }
    void setRunSilent(bool silent) { m_runSilent = silent; }
    bool downloadCategoryTree() const { return m_downloadCategoryTree; }
    void setDownloadCategoryTree(bool download) { m_downloadCategoryTree = download; }
    bool downloadCharacteristicSets() const { return m_downloadCharacteristicSets; }
    void setDownloadCharacteristicSets(bool download) { m_downloadCharacteristicSets = download; }

protected:
    void internalMain() override;

private:
    void reportFailure(const QString& message, const QMLogEntryPtr& entry);

    std::atomic<bool> m_runSilent = false;
    std::atomic<bool> m_downloadCategoryTree;
    std::atomic<bool> m_downloadCharacteristicSets;
};
