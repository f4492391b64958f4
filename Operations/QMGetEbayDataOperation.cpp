#include "Operations/QMGetEbayDataOperation.h"

#include "DWEBay2/DWEbayConnector.h"
#include "DWKit/NSData+DWExtensions.h"
#include "Operations/QMEbayDataSource.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"

QMGetEbayDataOperation::QMGetEbayDataOperation(const QMEbayConnectorFactory& connectorFactory,
                                               bool downloadCategoryTree, bool downloadCharacteristicSets)
    : QMGenericEbayNSOperation(connectorFactory), m_downloadCategoryTree(downloadCategoryTree),
      m_downloadCharacteristicSets(downloadCharacteristicSets)
{}

QString QMGetEbayDataOperation::name() const
{
    return dw::localized("Get eBay Data");
}

QString QMGetEbayDataOperation::operationDescription() const
{
    return dw::localized("Getting Categories");
}

void QMGetEbayDataOperation::reportFailure(const QString& message, const QMLogEntryPtr& entry)
{
    setErrorEnvelope(QMErrorEnvelope::errorEnvelopeWithMessage(message, QString(), name()));
    dw::consoleWrite(dw::format("%@ failed: %@", QStringLiteral("QMGetEbayDataOperation"), message));
    setState(QLatin1String(kQMLogEntryStateFailure), entry);
}

namespace {

// The store file with every gzip layer taken off; empty when a layer does not inflate.
QByteArray inflated(const QByteArray& download)
{
    if (download.isEmpty())
        return {};
    return dw::inflateGzipWhilePossible(download).value_or(QByteArray());
}

} // namespace

void QMGetEbayDataOperation::internalMain()
{
    const auto source = QMEbayDataSource::installed();
    const qint64 siteID = connector()->siteID();
    const QString site = QString::number(siteID);
    auto entry = QMLogEntry::getCategoryDataLogEntryForSiteID(siteID);
    addLogEntry(entry);

    // A store that arrives but cannot be put in place is as much a failure as one that never
    // arrives: the site would keep its old data while the log said the download succeeded.
    if (downloadCategoryTree()) {
        const QByteArray data = inflated(source->categoryTreeDataForSiteID(site));
        if (data.isEmpty() || !source->saveCategoryTreeFileData(data, siteID)) {
            reportFailure(dw::format(dw::localized("Error while getting categories for site %ld"), siteID), entry);
            setDownloadCharacteristicSets(false);
        }
    }
    if (downloadCharacteristicSets()) {
        const QByteArray data = inflated(source->characteristicSetsDataForSiteID(site));
        if (data.isEmpty() || !source->saveCharacteristicSetsFileData(data, siteID))
            reportFailure(dw::localized("Error while getting attribute data"), entry);
    }
    setSuccessStateForLogEntry(entry);
}
