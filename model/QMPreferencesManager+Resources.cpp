// The preferences store's enciphered resources: the eBay developer keys, the settings of the
// services the program uses and its page templates. Deciphering them takes libcrypto, which the
// model's desktop part brings (QMResourceDecipherer).

#include "model/QMPreferencesManager.h"

#include "model/QMResourceDecipherer.h"

#include "DWKit/QMLog.h"

#include "platform/archive/PropertyList.h"
#include "platform/core/DWAssert.h"
#include "platform/core/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <mutex>

namespace {

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
    std::optional<QByteArray> plain = QMResourceDecipherer::installed()->decipher(key, enciphered);
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
