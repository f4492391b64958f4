#include "Operations/QMGetEbayDataVersionsOperation.h"

#include "DWEBay2/DWEbayConnector.h"
#include "Operations/QMEbayDataSource.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"

QMGetEbayDataVersionsOperation::QMGetEbayDataVersionsOperation(const QMEbayConnectorFactory& connectorFactory,
                                                               bool silent)
    : QMGenericEbayNSOperation(connectorFactory), m_runSilent(silent)
{}

QString QMGetEbayDataVersionsOperation::name() const
{
    return dw::localized("Get eBay Data");
}

QString QMGetEbayDataVersionsOperation::operationDescription() const
{
    return dw::localized("Getting Categories Version");
}

void QMGetEbayDataVersionsOperation::internalMain()
{
    const auto source = QMEbayDataSource::installed();
    const qint64 siteID = connector()->siteID();
    const QString site = QString::number(siteID);
    auto entry = QMLogEntry::getCategoryDataVersionLogEntryForSiteID(siteID);
    addLogEntry(entry);

    if (!isCancelled())
        m_categoryTreeVersion = source->categoryTreeVersionForSiteID(site);
    if (m_categoryTreeVersion != 0) {
        if (isCancelled()) {
            m_categoryTreeVersion = 0;
            m_attributeDataVersion = 0;
        } else {
            m_attributeDataVersion = source->attributeDataVersionForSiteID(site);
            if (m_attributeDataVersion != 0) {
                setSuccessStateForLogEntry(entry);
                return;
            }
        }
    }
    const QString message =
        dw::format("%@ failed: could not get data versions", QStringLiteral("QMGetEbayDataVersionsOperation"));
    setErrorEnvelope(QMErrorEnvelope::errorEnvelopeWithMessage(message, QString(), name()));
    dw::consoleWrite(message);
    setState(QLatin1String(kQMLogEntryStateFailure), entry);
}
