// The preferences store's secrets: the eBay developer keys, the program's enciphered resources and
// the passwords kept in the keychain.

#include "model/QMPreferencesManager.h"

#include "DWKit/DWCrypter.h"
#include "DWKit/QMLog.h"

#include "platform/archive/PropertyList.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/UserDefaults.h"
#include "platform/keychain/Keychain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <mutex>

namespace {

const char* const kSharingPasswordDescription = "Sharing Password for Quillmart";

struct Resources
{
    std::mutex mutex;
    QString folder = QStringLiteral(":/enciphered/");
    QHash<QString, QVariantMap> tables; // only tables that decrypted
    QHash<QString, QString> texts;      // only texts that decrypted
};

Resources& resources()
{
    static Resources instance;
    return instance;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The plaintext of an enciphered resource; nullopt (and a console line naming the resource, never
// its contents) when it is missing or does not decrypt with the program's key.
std::optional<QByteArray> decryptedResource(const QString& folder, const QString& name)
{
    const QString path = folder + name + QStringLiteral(".enc");
    const QByteArray enciphered = readAll(path);
    if (enciphered.isEmpty()) {
        QMLogError("enciphered resource %@ is missing", name);
        return std::nullopt;
    }
    const QByteArray key = readAll(QStringLiteral(":/enciphered/ResourceKey.der"));
    if (key.isEmpty()) {
        QMLogError("the key of the enciphered resources is missing");
        return std::nullopt;
    }
    const auto crypter = DWCrypterNewWithData(key, 0);
    std::optional<QByteArray> plain = DWCreateDecryptedDataFromBytes(*crypter, enciphered);
    if (!plain)
        QMLogError("enciphered resource %@ does not decrypt", name);
    return plain;
}

std::optional<QVariantMap> decryptedTable(const QString& folder, const QString& name)
{
    const std::optional<QByteArray> plain = decryptedResource(folder, name);
    if (!plain)
        return std::nullopt;
    const std::optional<QVariant> table = dw::plist::read(*plain);
    if (!table || table->typeId() != QMetaType::QVariantMap) {
        QMLogError("Could not decrypt %@: it holds no dictionary", name);
        return std::nullopt;
    }
    return table->toMap();
}

// Decrypted once and kept; a table that does not decrypt is asked for again next time.
QVariantMap cachedTable(const char* name)
{
    Resources& r = resources();
    const QString key = QString::fromLatin1(name);
    std::lock_guard lock(r.mutex);
    if (const auto it = r.tables.constFind(key); it != r.tables.constEnd())
        return *it;
    const std::optional<QVariantMap> table = decryptedTable(r.folder, key);
    if (!table)
        return QVariantMap();
    r.tables.insert(key, *table);
    return *table;
}

QString textOfMap(const QVariantMap& map, const char* key)
{
    const QVariant value = map.value(QString::fromLatin1(key));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

// The contents of a file a user default names, when it exists.
std::optional<QString> overridingFile(const dw::UserDefaults& defaults, const char* key)
{
    QString path = defaults.stringForKey(QString::fromLatin1(key));
    if (path.startsWith(QStringLiteral("~/")) || path == QStringLiteral("~"))
        path = QDir::homePath() + path.mid(1);
    path = QDir::cleanPath(path);
    if (path.isEmpty() || path == QStringLiteral(".") || !QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(file.readAll());
    return utf8.hasError() ? QString() : text;
}

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

void QMPreferencesManager::setEncipheredResourceFolder(const QString& folder)
{
    Resources& r = resources();
    std::lock_guard lock(r.mutex);
    r.folder = folder.endsWith(u'/') ? folder : folder + u'/';
    r.tables.clear();
    r.texts.clear();
}

// Developer keys

QString QMPreferencesManager::appID() const
{
    return isRunningInSandbox() ? QString::fromLatin1(kQMSandboxAppID) : textOfMap(decryptedIDDictionary(), "AppID");
}

QString QMPreferencesManager::certID() const
{
    return isRunningInSandbox() ? QString::fromLatin1(kQMSandboxCertID) : textOfMap(decryptedIDDictionary(), "CertID");
}

QString QMPreferencesManager::devID() const
{
    return isRunningInSandbox() ? QString::fromLatin1(kQMSandboxDevID) : textOfMap(decryptedIDDictionary(), "DevID");
}

// Enciphered tables

QVariantMap QMPreferencesManager::decryptedIDDictionary() const
{
    return cachedTable("prodKey");
}

QVariantMap QMPreferencesManager::decryptedImageserverDictionary() const
{
    return cachedTable("imageserver");
}

QVariantMap QMPreferencesManager::decryptedYouTubeDictionary() const
{
    return cachedTable("youtube");
}

QVariantMap QMPreferencesManager::decryptedAffiliateDictionary() const
{
    return cachedTable("affiliate");
}

QVariantMap QMPreferencesManager::decryptedTwitterDictionary() const
{
    return cachedTable("twitter");
}

std::optional<QVariantMap> QMPreferencesManager::decryptedReturnPolicyMigration() const
{
    Resources& r = resources();
    QString folder;
    {
        std::lock_guard lock(r.mutex);
        folder = r.folder;
    }
    return decryptedTable(folder, QStringLiteral("ReturnPolicyMigration"));
}

QString QMPreferencesManager::decryptedStringFromFileAtPath(const QString& name) const
{
    DW_ASSERT(!name.isEmpty(), "no filename in decryptedStringFromFileAtPath");
    Resources& r = resources();
    std::lock_guard lock(r.mutex);
    if (const auto it = r.texts.constFind(name); it != r.texts.constEnd())
        return *it;
    const std::optional<QByteArray> plain = decryptedResource(r.folder, name);
    if (!plain)
        return QString();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(*plain);
    if (utf8.hasError()) {
        QMLogError("enciphered resource %@ is no UTF-8 text", name);
        return QString();
    }
    r.texts.insert(name, text);
    return text;
}

QString QMPreferencesManager::dunmerrowFreeImageServerUsername() const
{
    return valueForDunmerrowFreeImageServerKey(QStringLiteral("username")).toString();
}

QString QMPreferencesManager::dunmerrowFreeImageServerPassword() const
{
    return valueForDunmerrowFreeImageServerKey(QStringLiteral("password")).toString();
}

QVariant QMPreferencesManager::valueForDunmerrowFreeImageServerKey(const QString& key) const
{
    return decryptedImageserverDictionary().value(key);
}

QVariant QMPreferencesManager::dunmerrowFreeImageServerInfoURLs() const
{
    return decryptedImageserverDictionary().value(QStringLiteral("serverInfoURLs"));
}

QVariant QMPreferencesManager::twitterConsumerKey() const
{
    return decryptedTwitterDictionary().value(QStringLiteral("ConsumerKey"));
}

QVariant QMPreferencesManager::twitterConsumerSecret() const
{
    return decryptedTwitterDictionary().value(QStringLiteral("ConsumerSecret"));
}

// Page templates

QString QMPreferencesManager::googleMapsTemplate() const
{
    return decryptedStringFromFileAtPath(QStringLiteral("googleMaps"));
}

QString QMPreferencesManager::dlTemplate() const
{
    return decryptedStringFromFileAtPath(QStringLiteral("DLDescriptionTemplate"));
}

void QMPreferencesManager::cachePreviewTemplate() const
{
    decryptedStringFromFileAtPath(QStringLiteral("previewTemplate"));
    decryptedStringFromFileAtPath(QStringLiteral("previewJavascript"));
}

QString QMPreferencesManager::previewTemplate() const
{
    if (const std::optional<QString> text = overridingFile(defaults(), "unencodedPreviewTemplatePath"))
        return *text;
    return decryptedStringFromFileAtPath(QStringLiteral("previewTemplate"));
}

QString QMPreferencesManager::webEditingPreviewJavascript() const
{
    if (const std::optional<QString> text = overridingFile(defaults(), "unencodedJavascriptTemplatePath"))
        return *text;
    return decryptedStringFromFileAtPath(QStringLiteral("previewJavascript"));
}

// Keychain

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
