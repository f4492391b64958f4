#pragma once
// Fetches the ready-made category and attribute store files and their version numbers from the
// download server. The files are gzip-compressed SQLite stores under fixed relative paths, each
// with a ".version" text beside it; the downloader tries its base addresses in order and takes the
// first answer with content. It neither inflates nor stores anything.
//
// Blocking: use it on a worker thread, one downloader per operation. Exchanges have a connect and
// an inactivity time-out; a reply that is not 2xx counts as no content, so the next base is tried.
//
//     SQEbayDataDownloader downloader;
//     downloader.setCoreDataCategoriesSchemaVersion(kSQCategoriesDatabaseSchemaVersion);
//     const QByteArray gz = downloader.categoryTreeDataForSiteID(QStringLiteral("77"));

#include <QByteArray>
#include <QString>
#include <QStringList>

class SQEbayDataDownloader
{
public:
    SQEbayDataDownloader();

    qint64 categoryFileFormatVersion() const { return m_categoryFileFormatVersion; }
    void setCategoryFileFormatVersion(qint64 version) { m_categoryFileFormatVersion = version; }
    qint64 characteristicSetsFileFormatVersion() const { return m_characteristicSetsFileFormatVersion; }
    void setCharacteristicSetsFileFormatVersion(qint64 version) { m_characteristicSetsFileFormatVersion = version; }
    qint64 coreDataCategoriesSchemaVersion() const { return m_coreDataCategoriesSchemaVersion; }
    void setCoreDataCategoriesSchemaVersion(qint64 version) { m_coreDataCategoriesSchemaVersion = version; }
    qint64 coreDataCharacteristicSetsSchemaVersion() const { return m_coreDataCharacteristicSetsSchemaVersion; }
    void setCoreDataCharacteristicSetsSchemaVersion(qint64 version)
    {
        m_coreDataCharacteristicSetsSchemaVersion = version;
    }
    // File-mode downloads are not performed; with the flag set every data call is an assertion
    // failure.
    bool downloadToFile() const { return m_downloadToFile; }
    void setDownloadToFile(bool flag) { m_downloadToFile = flag; }

    QString categoryTreeRemoteRecourcePathForSiteID(const QString& siteID) const;
    QString characteristicSetsRemoteRecourcePathForSiteID(const QString& siteID) const;
    QString categoryTreeVersionRemotePathForSiteID(const QString& siteID) const;
    QString attributeDataVersionRemotePathForSiteID(const QString& siteID) const;

    // The compressed store file; empty when no base answered with content.
    QByteArray categoryTreeDataForSiteID(const QString& siteID) const;
    QByteArray characteristicSetsDataForSiteID(const QString& siteID) const;
    // The version number; 0 when no base answered (or the text is not a number).
    qint64 categoryTreeVersionForSiteID(const QString& siteID) const;
    qint64 attributeDataVersionForSiteID(const QString& siteID) const;
    QByteArray allVersionsData() const;

    QByteArray dataForRemoteResource(const QString& relativePath) const;
    // The data as UTF-8 text; null without data.
    QString stringForRemoteResource(const QString& relativePath) const;
    // The two base addresses, in order: the user default "SQEbayDataDownloadBaseURLs".
    QStringList resourceBaseURLs() const;

    // Time-outs of each exchange (seconds).
    void setTimeouts(int connectSeconds, int inactivitySeconds);

private:
    qint64 m_categoryFileFormatVersion = 2;
    qint64 m_characteristicSetsFileFormatVersion = 1;
    qint64 m_coreDataCategoriesSchemaVersion = 2;
    qint64 m_coreDataCharacteristicSetsSchemaVersion = 2;
    bool m_downloadToFile = false;
    int m_connectTimeoutSeconds = 30;
    int m_inactivityTimeoutSeconds = 60;
};
