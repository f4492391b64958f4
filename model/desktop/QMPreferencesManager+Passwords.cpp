// The preferences store's passwords, kept in the keychain: those of the user's own picture servers
// and of template sharing.

#include "model/QMPreferencesManager.h"

#include "DWKit/QMLog.h"

#include "platform/core/DWFormat.h"
#include "platform/keychain/Keychain.h"

namespace {

const char* const kSharingPasswordDescription = "Sharing Password for Quillmart";

dw::Keychain::InternetKey ftpKey(const QString& server, const QString& userName)
{
    return {server, userName, QStringLiteral("ftp"), 0, QString()};
}

dw::Keychain::InternetKey webDAVKey(const QString& address, const QString& userName)
{
    return {address, userName,
            address.startsWith(QStringLiteral("https")) ? QStringLiteral("https") : QStringLiteral("http"), 0,
            QString()};
}

QString internetPasswordOrEmpty(const dw::Keychain::InternetKey& key, const char* operation)
{
    QString error;
    const std::optional<QString> password = dw::Keychain::internetPassword(key, &error);
    if (!password) {
        QMLog("%@ keychain lookup failed: %@", QString::fromLatin1(operation), error);
        return QString(QStringLiteral(""));
    }
    return *password;
}

} // namespace

// Picture servers and sharing

QString QMPreferencesManager::webDAVURL() const
{
    return stringFor("WebDAVURL");
}

void QMPreferencesManager::setWebDAVURL(const QString& address)
{
    setObjectFor(address, "WebDAVURL");
}

QString QMPreferencesManager::webDAVUserName() const
{
    return stringFor("WebDAVUserName");
}

void QMPreferencesManager::setWebDAVUserName(const QString& userName)
{
    setObjectFor(userName, "WebDAVUserName");
}

bool QMPreferencesManager::setFTPPassword(const QString& password, const QString& server, const QString& userName,
                                          QString* error)
{
    return dw::Keychain::setInternetPassword(ftpKey(server, userName), password,
                                             dw::format(QStringLiteral("%@ (%@)"), server, userName), error);
}

QString QMPreferencesManager::FTPPasswordForServer(const QString& server, const QString& userName) const
{
    return internetPasswordOrEmpty(ftpKey(server, userName), "FTPPasswordForServer:userName:");
}

QString QMPreferencesManager::defaultFTPassword() const
{
    const QString server = FTPServerAddress();
    const QString userName = FTPUserName();
    if (server.isEmpty() || userName.isEmpty())
        return QString(QStringLiteral(""));
    return FTPPasswordForServer(server, userName);
}

bool QMPreferencesManager::setWebDAVPassword(const QString& password, const QString& address, const QString& userName,
                                             QString* error)
{
    setWebDAVUserName(userName);
    setWebDAVURL(address);
    return dw::Keychain::setInternetPassword(webDAVKey(address, userName), password,
                                             dw::format(QStringLiteral("%@ (%@)"), address, userName), error);
}

QString QMPreferencesManager::webDAVPasswordForURL(const QString& address, const QString& userName) const
{
    return internetPasswordOrEmpty(webDAVKey(address, userName), "webDAVPasswordForURL:userName:");
}

QString QMPreferencesManager::defaultWebDAVPassword() const
{
    const QString address = webDAVURL();
    const QString userName = webDAVUserName();
    if (address.isEmpty() || userName.isEmpty())
        return QString(QStringLiteral(""));
    return webDAVPasswordForURL(address, userName);
}

QString QMPreferencesManager::HTTPURLStringForUploadedWebDAVFile(const QString& filePath) const
{
    QString prefix = webDAVURL();
    if (prefix.isNull())
        prefix = QStringLiteral("");
    return HTTPURLStringForHTTPURLPrefix(prefix, filePath);
}

bool QMPreferencesManager::setSharingPassword(const QString& password, const QString& uniqueID)
{
    const QString service = QString::fromLatin1(kSharingPasswordDescription);
    if (password.isNull()) {
        dw::Keychain::removeGenericPassword(service, uniqueID);
        return true;
    }
    QString error;
    if (!dw::Keychain::setGenericPassword(service, uniqueID, password, service, &error)) {
        QMLog("ERROR in setSharingPassword:forUniqueID: %@", error);
        return false;
    }
    return true;
}

QString QMPreferencesManager::getSharingPasswordForUniqueID(const QString& uniqueID) const
{
    return dw::Keychain::genericPassword(QString::fromLatin1(kSharingPasswordDescription), uniqueID)
        .value_or(QString(QStringLiteral("")));
}

bool QMPreferencesManager::setLocalSharingPassword(const QString& password)
{
    return setSharingPassword(password, sharingUniqueID().toString());
}

QString QMPreferencesManager::getLocalSharingPassword() const
{
    return getSharingPasswordForUniqueID(sharingUniqueID().toString());
}
