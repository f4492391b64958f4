#include "DWCoreDataEbayDataClasses/SQEbayDataDownloader.h"

#include "DWKit/QMLog.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWAssert.h"
#include "platform/core/UserDefaults.h"
#include "platform/network/HttpClient.h"

SQEbayDataDownloader::SQEbayDataDownloader() = default;

QString SQEbayDataDownloader::categoryTreeRemoteRecourcePathForSiteID(const QString& siteID) const
{
    return QStringLiteral("CategoryData/v%1/Categories_v%2.site%3.sqlite.gz")
        .arg(m_categoryFileFormatVersion)
        .arg(m_coreDataCategoriesSchemaVersion)
        .arg(siteID);
}

QString SQEbayDataDownloader::characteristicSetsRemoteRecourcePathForSiteID(const QString& siteID) const
{
    return QStringLiteral("CharacteristicSets/v%1/CharacteristicSets_v%2.site%3.sqlite.gz")
        .arg(m_characteristicSetsFileFormatVersion)
        .arg(m_coreDataCharacteristicSetsSchemaVersion)
        .arg(siteID);
}

QString SQEbayDataDownloader::categoryTreeVersionRemotePathForSiteID(const QString& siteID) const
{
    return QStringLiteral("CategoryData/v%1/Categories.site%2.version").arg(m_categoryFileFormatVersion).arg(siteID);
}

QString SQEbayDataDownloader::attributeDataVersionRemotePathForSiteID(const QString& siteID) const
{
    return QStringLiteral("CharacteristicSets/v%1/CharacteristicSets.site%2.version")
        .arg(m_characteristicSetsFileFormatVersion)
        .arg(siteID);
}

QByteArray SQEbayDataDownloader::categoryTreeDataForSiteID(const QString& siteID) const
{
    return dataForRemoteResource(categoryTreeRemoteRecourcePathForSiteID(siteID));
}

QByteArray SQEbayDataDownloader::characteristicSetsDataForSiteID(const QString& siteID) const
{
    return dataForRemoteResource(characteristicSetsRemoteRecourcePathForSiteID(siteID));
}

qint64 SQEbayDataDownloader::categoryTreeVersionForSiteID(const QString& siteID) const
{
    return dw::integerValue(stringForRemoteResource(categoryTreeVersionRemotePathForSiteID(siteID)));
}

qint64 SQEbayDataDownloader::attributeDataVersionForSiteID(const QString& siteID) const
{
    return dw::integerValue(stringForRemoteResource(attributeDataVersionRemotePathForSiteID(siteID)));
}

QByteArray SQEbayDataDownloader::allVersionsData() const
{
    return dataForRemoteResource(QStringLiteral("CategoryData/AllVersions.plist.gz"));
}

QStringList SQEbayDataDownloader::resourceBaseURLs() const
{
    return dw::UserDefaults::standard().stringArrayForKey(QStringLiteral("SQEbayDataDownloadBaseURLs"));
}

void SQEbayDataDownloader::setTimeouts(int connectSeconds, int inactivitySeconds)
{
    m_connectTimeoutSeconds = connectSeconds;
    m_inactivityTimeoutSeconds = inactivitySeconds;
}

QByteArray SQEbayDataDownloader::dataForRemoteResource(const QString& relativePath) const
{
    DW_ASSERT(!m_downloadToFile, "Do not use if downloadToFile is YES");
    QByteArray data;
    dw::HttpClient client;
    for (const QString& base : resourceBaseURLs()) {
        const QString address = QStringLiteral("%1/%2").arg(base, relativePath);
        QMLog("trying to download data from URL: %@", address);
        dw::HttpRequest request;
        request.url = address;
        request.connectTimeoutSeconds = m_connectTimeoutSeconds;
        request.inactivityTimeoutSeconds = m_inactivityTimeoutSeconds;
        request.followRedirects = true;
        const dw::HttpResponse response = client.send(request);
        // An error page is no store file: only a successful answer counts as content.
        data = response.ok() && response.status >= 200 && response.status < 300 ? response.body : QByteArray();
        if (!data.isEmpty()) {
            QMLog("downloaded %lu bytes from URL: %@", qulonglong(data.size()), address);
            return data;
        }
    }
    return data;
}

QString SQEbayDataDownloader::stringForRemoteResource(const QString& relativePath) const
{
    const QByteArray data = dataForRemoteResource(relativePath);
    if (data.isEmpty())
        return {};
    const QString text = QString::fromUtf8(data);
    QMLog("QMEbayDownloader: got string %@ for %@ resource", text, relativePath);
    return text;
}
