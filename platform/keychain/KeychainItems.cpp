#include "platform/keychain/KeychainItems.h"

#include "SecretAttributes_p.h"

#include <libsecret/secret.h>

namespace dw::Keychain {

struct GenericItem::Private
{
    ~Private()
    {
        if (item)
            g_object_unref(item);
    }
    SecretItem* item = nullptr;
    ItemAttributes attributes;
    QString label;
    QDateTime created;
    QString password;
};

struct GenericItemAccess
{
    static GenericItem make(SecretItem* item)
    {
        GenericItem result;
        result.d = std::make_shared<GenericItem::Private>();
        result.d->item = SECRET_ITEM(g_object_ref(item));
        return result;
    }
    static GenericItem::Private& data(const GenericItem& item) { return *item.d; }
    // The item's handle; null, with a failure, for an item no search gave.
    static SecretItem* handle(const GenericItem& item, KeychainFailure* failure)
    {
        if (item.d && item.d->item)
            return item.d->item;
        if (failure)
            *failure = {KeychainFailure::NotFound, QStringLiteral("keychain: no such item")};
        return nullptr;
    }
};

GenericItem::GenericItem() = default;
GenericItem::~GenericItem() = default;
GenericItem::GenericItem(const GenericItem&) = default;
GenericItem& GenericItem::operator=(const GenericItem&) = default;

QString GenericItem::attribute(const QString& name) const
{
    return d ? d->attributes.value(name) : QString();
}

QString GenericItem::label() const
{
    return d ? d->label : QString();
}

QDateTime GenericItem::creationDate() const
{
    return d ? d->created : QDateTime();
}

QString GenericItem::password() const
{
    return d ? d->password : QString();
}

namespace {

const SecretSchema* itemSchema()
{
    static const SecretSchema schema = {"org.quillmart.Vodar.GenericItem",
                                        SECRET_SCHEMA_NONE,
                                        {
                                            {"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"generic", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"description", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                        },
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return &schema;
}

// The item's attributes as libsecret takes them.
class AttributeTable : public SecretAttributes
{
public:
    explicit AttributeTable(const ItemAttributes& attributes)
    {
        for (auto it = attributes.begin(); it != attributes.end(); ++it)
            add(it.key().toUtf8().constData(), it.value());
    }
};

void fail(KeychainFailure* failure, KeychainFailure::Kind kind, const QString& message)
{
    if (failure)
        *failure = {kind, message};
}

// True when there was an error; it is consumed and described.
bool takeError(GError* gerror, KeychainFailure* failure)
{
    if (!gerror)
        return false;
    KeychainFailure::Kind kind = KeychainFailure::Other;
    if (gerror->domain == SECRET_ERROR) {
        if (gerror->code == SECRET_ERROR_NO_SUCH_OBJECT)
            kind = KeychainFailure::NotFound;
        else if (gerror->code == SECRET_ERROR_IS_LOCKED)
            kind = KeychainFailure::Locked;
    }
    fail(failure, kind, QStringLiteral("keychain: %1").arg(QString::fromUtf8(gerror->message)));
    g_error_free(gerror);
    return true;
}

SecretService* service(KeychainFailure* failure)
{
    GError* gerror = nullptr;
    SecretService* result = secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, &gerror);
    if (takeError(gerror, failure))
        return nullptr;
    return result;
}

// The unlocked default collection (a reference the caller drops), or null.
SecretCollection* defaultCollection(SecretService* secretService, KeychainFailure* failure)
{
    GError* gerror = nullptr;
    SecretCollection* collection = secret_collection_for_alias_sync(secretService, SECRET_COLLECTION_DEFAULT,
                                                                    SECRET_COLLECTION_NONE, nullptr, &gerror);
    if (takeError(gerror, failure))
        return nullptr;
    if (!collection) {
        fail(failure, KeychainFailure::NoDefaultKeychain, QStringLiteral("keychain: there is no default keyring"));
        return nullptr;
    }
    if (secret_collection_get_locked(collection)) {
        GList* objects = g_list_append(nullptr, collection);
        const gint unlocked = secret_service_unlock_sync(secretService, objects, nullptr, nullptr, &gerror);
        g_list_free(objects);
        const bool failed = takeError(gerror, failure);
        if (!failed && unlocked < 1)
            fail(failure, KeychainFailure::Locked, QStringLiteral("keychain: the default keyring is locked"));
        if (failed || unlocked < 1) {
            g_object_unref(collection);
            return nullptr;
        }
    }
    return collection;
}

void readItem(GenericItem::Private& data)
{
    if (GHashTable* attributes = secret_item_get_attributes(data.item)) {
        GHashTableIter iter;
        gpointer key = nullptr;
        gpointer value = nullptr;
        g_hash_table_iter_init(&iter, attributes);
        while (g_hash_table_iter_next(&iter, &key, &value))
            data.attributes.insert(QString::fromUtf8(static_cast<const char*>(key)),
                                   QString::fromUtf8(static_cast<const char*>(value)));
        g_hash_table_unref(attributes);
    }
    if (gchar* label = secret_item_get_label(data.item)) {
        data.label = QString::fromUtf8(label);
        g_free(label);
    }
    if (const guint64 created = secret_item_get_created(data.item))
        data.created = QDateTime::fromSecsSinceEpoch(qint64(created), Qt::UTC);
    if (SecretValue* value = secret_item_get_secret(data.item)) {
        gsize length = 0;
        const gchar* bytes = secret_value_get(value, &length);
        data.password = QString::fromUtf8(bytes, qsizetype(length));
        secret_value_unref(value);
    }
}

} // namespace

std::optional<std::vector<GenericItem>> findGenericItems(const ItemAttributes& match, KeychainFailure* failure)
{
    SecretService* secretService = service(failure);
    if (!secretService)
        return std::nullopt;
    const AttributeTable table(match);
    GError* gerror = nullptr;
    const auto flags = SecretSearchFlags(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK | SECRET_SEARCH_LOAD_SECRETS);
    GList* found = secret_service_search_sync(secretService, itemSchema(), table.table(), flags, nullptr, &gerror);
    g_object_unref(secretService);
    if (takeError(gerror, failure))
        return std::nullopt;
    std::vector<GenericItem> items;
    for (GList* node = found; node; node = node->next) {
        GenericItem item = GenericItemAccess::make(SECRET_ITEM(node->data));
        readItem(GenericItemAccess::data(item));
        items.push_back(item);
    }
    g_list_free_full(found, g_object_unref);
    return items;
}

bool createGenericItem(const ItemAttributes& attributes, const QString& label, const QString& password,
                       KeychainFailure* failure)
{
    SecretService* secretService = service(failure);
    if (!secretService)
        return false;
    SecretCollection* collection = defaultCollection(secretService, failure);
    g_object_unref(secretService);
    if (!collection)
        return false;
    const AttributeTable table(attributes);
    const QByteArray secret = password.toUtf8();
    SecretValue* value = secret_value_new(secret.constData(), secret.size(), "text/plain");
    GError* gerror = nullptr;
    SecretItem* item = secret_item_create_sync(collection, itemSchema(), table.table(), label.toUtf8().constData(),
                                               value, SECRET_ITEM_CREATE_NONE, nullptr, &gerror);
    secret_value_unref(value);
    g_object_unref(collection);
    if (takeError(gerror, failure))
        return false;
    if (!item) {
        fail(failure, KeychainFailure::Other, QStringLiteral("keychain: the item could not be created"));
        return false;
    }
    g_object_unref(item);
    return true;
}

bool setGenericItemPassword(const GenericItem& item, const QString& password, KeychainFailure* failure)
{
    SecretItem* secretItem = GenericItemAccess::handle(item, failure);
    if (!secretItem)
        return false;
    const QByteArray secret = password.toUtf8();
    SecretValue* value = secret_value_new(secret.constData(), secret.size(), "text/plain");
    GError* gerror = nullptr;
    secret_item_set_secret_sync(secretItem, value, nullptr, &gerror);
    secret_value_unref(value);
    return !takeError(gerror, failure);
}

bool setGenericItemAttributes(const GenericItem& item, const ItemAttributes& attributes, const QString& label,
                              KeychainFailure* failure)
{
    SecretItem* secretItem = GenericItemAccess::handle(item, failure);
    if (!secretItem)
        return false;
    const AttributeTable table(attributes);
    GError* gerror = nullptr;
    secret_item_set_attributes_sync(secretItem, itemSchema(), table.table(), nullptr, &gerror);
    if (takeError(gerror, failure))
        return false;
    if (!label.isNull()) {
        secret_item_set_label_sync(secretItem, label.toUtf8().constData(), nullptr, &gerror);
        if (takeError(gerror, failure))
            return false;
    }
    return true;
}

bool deleteGenericItem(const GenericItem& item, KeychainFailure* failure)
{
    SecretItem* secretItem = GenericItemAccess::handle(item, failure);
    if (!secretItem)
        return false;
    GError* gerror = nullptr;
    secret_item_delete_sync(secretItem, nullptr, &gerror);
    return !takeError(gerror, failure);
}

bool canAccessDefaultCollection(KeychainFailure* failure)
{
    SecretService* secretService = service(failure);
    if (!secretService)
        return false;
    SecretCollection* collection = defaultCollection(secretService, failure);
    g_object_unref(secretService);
    if (!collection)
        return false;
    g_object_unref(collection);
    return true;
}

} // namespace dw::Keychain
