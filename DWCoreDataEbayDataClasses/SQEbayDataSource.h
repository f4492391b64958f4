#pragma once
// The eBay data operations' source of store files: each call fetches through a downloader of its
// own (set to the categories schema the stores are made for) and saves through the application's
// category data manager.
//
//     SQEbayDataSource::install();   // at start, before any eBay data operation runs

#include "Operations/QMEbayDataSource.h"

class SQEbayDataSource : public QMEbayDataSource
{
public:
    // Makes this source the one the operations use.
    static void install();

    QByteArray categoryTreeDataForSiteID(const QString& siteID) override;
    QByteArray characteristicSetsDataForSiteID(const QString& siteID) override;
    qint64 categoryTreeVersionForSiteID(const QString& siteID) override;
    qint64 attributeDataVersionForSiteID(const QString& siteID) override;
    bool saveCategoryTreeFileData(const QByteArray& data, qint64 siteID) override;
    bool saveCharacteristicSetsFileData(const QByteArray& data, qint64 siteID) override;
};
