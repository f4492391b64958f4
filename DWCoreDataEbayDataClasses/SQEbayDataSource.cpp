#include "DWCoreDataEbayDataClasses/SQEbayDataSource.h"

#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "DWCoreDataEbayDataClasses/SQEbayDataDownloader.h"

namespace {

SQEbayDataDownloader downloader()
{
    SQEbayDataDownloader result;
    result.setCoreDataCategoriesSchemaVersion(kSQCategoriesDatabaseSchemaVersion);
    return result;
}

} // namespace

void SQEbayDataSource::install()
{
    QMEbayDataSource::install(std::make_shared<SQEbayDataSource>());
}

QByteArray SQEbayDataSource::categoryTreeDataForSiteID(const QString& siteID)
{
    return downloader().categoryTreeDataForSiteID(siteID);
}

QByteArray SQEbayDataSource::characteristicSetsDataForSiteID(const QString& siteID)
{
    return downloader().characteristicSetsDataForSiteID(siteID);
}

qint64 SQEbayDataSource::categoryTreeVersionForSiteID(const QString& siteID)
{
    return downloader().categoryTreeVersionForSiteID(siteID);
}

qint64 SQEbayDataSource::attributeDataVersionForSiteID(const QString& siteID)
{
    return downloader().attributeDataVersionForSiteID(siteID);
}

bool SQEbayDataSource::saveCategoryTreeFileData(const QByteArray& data, qint64 siteID)
{
    return QMCategoryDataManager::sharedQMCategoryDataManager()->saveCategoryTreeFileData(data, siteID);
}

bool SQEbayDataSource::saveCharacteristicSetsFileData(const QByteArray& data, qint64 siteID)
{
    return QMCategoryDataManager::sharedQMCategoryDataManager()->saveCharacteristicSetsFileData(data, siteID);
}
