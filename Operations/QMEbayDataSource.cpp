#include "Operations/QMEbayDataSource.h"

#include "platform/core/Installable.h"

namespace {

class NoEbayData : public QMEbayDataSource
{
public:
    QByteArray categoryTreeDataForSiteID(const QString&) override { return {}; }
    QByteArray characteristicSetsDataForSiteID(const QString&) override { return {}; }
    qint64 categoryTreeVersionForSiteID(const QString&) override { return 0; }
    qint64 attributeDataVersionForSiteID(const QString&) override { return 0; }
    bool saveCategoryTreeFileData(const QByteArray&, qint64) override { return false; }
    bool saveCharacteristicSetsFileData(const QByteArray&, qint64) override { return false; }
};

dw::Installable<QMEbayDataSource>& slot()
{
    static dw::Installable<QMEbayDataSource> instance(std::make_shared<NoEbayData>());
    return instance;
}

} // namespace

std::shared_ptr<QMEbayDataSource> QMEbayDataSource::installed()
{
    return slot().installed();
}

void QMEbayDataSource::install(std::shared_ptr<QMEbayDataSource> source)
{
    slot().install(std::move(source));
}
