#pragma once
// The maker's picture server, reached over WebDAV. Where it is comes from a server-information
// property list (possibly gzipped) downloaded from the first of the configured addresses that
// gives one with "baseURL", "uploadFolder" and "downloadFolder"; it is kept for 600 seconds.
// Pictures go to "<baseURL><uploadFolder>/[paid/]yyyy/MM/dd/XX/<UUID>.<ext>" (the date in CET,
// XX a random folder "00" to "FF") and are seen at the same path under downloadFolder.
//
//     auto adapter = QMDunmerrowImageAdapter::webDAVAdapter();
//     QString user, password, error;
//     if (!adapter->getServerInfoForUser(&user, &password, &error)) ...
//     ... connectToURI(...) ...
//     QString address;
//     if (adapter->uploadFile(copyPath, &address, false, &error)) ...
//
// The server's account, its host name and the information addresses are configuration (the
// preferences' enciphered server table unless setServerConfiguration() says otherwise). One
// thread at a time, except that the server information is refreshed under the adapter's lock.

#include "Operations/QMWebDAVAdapter.h"

#include <QDateTime>
#include <QStringList>
#include <mutex>
#include <optional>

struct QMDunmerrowServerConfiguration
{
    QStringList serverInfoURLs;
    QString username;
    QString password;
    QString hostName;
};

class QMDunmerrowImageAdapter : public QMWebDAVAdapter
{
public:
    static std::shared_ptr<QMDunmerrowImageAdapter> webDAVAdapter();
    // One adapter for the process, made on first use; the pool makes its own per connection.
    static std::shared_ptr<QMDunmerrowImageAdapter> sharedAdapter();

    // The configuration in force; nullopt goes back to the preferences' table.
    static QMDunmerrowServerConfiguration serverConfiguration();
    static void setServerConfiguration(const std::optional<QMDunmerrowServerConfiguration>& configuration);

    // True when baseURL, uploadFolder and downloadFolder are known (downloaded when missing or
    // older than 600 s); the server's account comes back through user and password.
    [[nodiscard]] bool getServerInfoForUser(QString* user, QString* password, QString* error);
    // "00" to "FF".
    static QString randomSubfolder();
    // "yyyy/MM/dd" of now in CET.
    static QString dateFolder();
    // Stores the file under a new name; address is its public address. Without server
    // information the call is a caller error.
    [[nodiscard]] bool uploadFile(const QString& localPath, QString* address, bool paidService, QString* error);

    QDateTime lastUpdate() const;
    QString baseURL() const;
    QString downloadFolder() const;
    QString uploadFolder() const;

    static constexpr qint64 kServerInfoLifetimeSeconds = 600;

private:
    mutable std::mutex m_mutex;
    QDateTime m_lastUpdate;
    QString m_baseURL;
    QString m_downloadFolder;
    QString m_uploadFolder;
};
