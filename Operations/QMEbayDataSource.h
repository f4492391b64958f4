#pragma once
// What the eBay data operations need of the category-data layer above them: the ready-made store
// files and their version numbers from the download server, and the saving of a downloaded store
// in place of the site's old one.
//
// The category-data layer installs its source at start (SQEbayDataSource::install()). Until then
// no store can be fetched: every download is empty, every version 0, and nothing is saved. The
// calls block on the network and run on the operations' worker threads.

#include <QByteArray>
#include <QString>
#include <memory>

class QMEbayDataSource
{
public:
    virtual ~QMEbayDataSource() = default;

    // The store file as the server has it (gzip-compressed); empty when it cannot be had.
    virtual QByteArray categoryTreeDataForSiteID(const QString& siteID) = 0;
    virtual QByteArray characteristicSetsDataForSiteID(const QString& siteID) = 0;
    // The server's version number; 0 when it cannot be read.
    virtual qint64 categoryTreeVersionForSiteID(const QString& siteID) = 0;
    virtual qint64 attributeDataVersionForSiteID(const QString& siteID) = 0;
    // Puts an inflated store file in place; false (the old store kept) when it is no store.
    virtual bool saveCategoryTreeFileData(const QByteArray& data, qint64 siteID) = 0;
    virtual bool saveCharacteristicSetsFileData(const QByteArray& data, qint64 siteID) = 0;

    // The installed source, or one that has nothing.
    static std::shared_ptr<QMEbayDataSource> installed();
    // Null goes back to the source that has nothing.
    static void install(std::shared_ptr<QMEbayDataSource> source);
};
