#include "platform/keychain/Keychain.h"

#include "SecretAttributes_p.h"

#include <libsecret/secret.h>

namespace dw::Keychain {

namespace {

const SecretSchema* genericSchema()
{
    static const SecretSchema schema = {"org.quillmart.Vodar.GenericPassword",
                                        SECRET_SCHEMA_NONE,
                                        {
                                            {"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
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

const SecretSchema* internetSchema()
{
    static const SecretSchema schema = {"org.quillmart.Vodar.InternetPassword",
                                        SECRET_SCHEMA_NONE,
                                        {
                                            {"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"protocol", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"port", SECRET_SCHEMA_ATTRIBUTE_INTEGER},
                                            {"path", SECRET_SCHEMA_ATTRIBUTE_STRING},
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

using Attributes = SecretAttributes;

void fillGeneric(Attributes& attributes, const QString& service, const QString& account)
{
    attributes.add("service", service);
    attributes.add("account", account);
}

void fillInternet(Attributes& attributes, const InternetKey& key)
{
    attributes.add("server", key.server);
    attributes.add("account", key.account);
    attributes.add("protocol", key.protocol);
    attributes.add("port", QString::number(key.port));
    attributes.add("path", key.path);
}

bool takeError(GError* gerror, QString* error)
{
    if (!gerror)
        return false;
    if (error)
        *error = QStringLiteral("keychain: %1").arg(QString::fromUtf8(gerror->message));
    g_error_free(gerror);
    return true;
}

std::optional<QString> lookup(const SecretSchema* schema, const Attributes& attributes, QString* error)
{
    GError* gerror = nullptr;
    gchar* secret = secret_password_lookupv_sync(schema, attributes.table(), nullptr, &gerror);
    if (takeError(gerror, error))
        return std::nullopt;
    if (!secret) {
        if (error)
            *error = QStringLiteral("keychain: no such item");
        return std::nullopt;
    }
    QString result = QString::fromUtf8(secret);
    secret_password_free(secret);
    return result;
}

bool store(const SecretSchema* schema, const Attributes& attributes, const QString& password, const QString& label,
           QString* error)
{
    GError* gerror = nullptr;
    const QByteArray secret = password.toUtf8();
    const QByteArray name = label.toUtf8();
    // The Secret Service replaces an item with equal attributes in one step, so the old
    // password survives a failed store.
    const gboolean ok = secret_password_storev_sync(schema, attributes.table(), SECRET_COLLECTION_DEFAULT,
                                                    name.constData(), secret.constData(), nullptr, &gerror);
    if (takeError(gerror, error))
        return false;
    if (!ok && error)
        *error = QStringLiteral("keychain: the item could not be stored");
    return ok;
}

bool clear(const SecretSchema* schema, const Attributes& attributes, QString* error)
{
    GError* gerror = nullptr;
    secret_password_clearv_sync(schema, attributes.table(), nullptr, &gerror);
    return !takeError(gerror, error);
}

} // namespace

std::optional<QString> genericPassword(const QString& service, const QString& account, QString* error)
{
    Attributes attributes;
    fillGeneric(attributes, service, account);
    return lookup(genericSchema(), attributes, error);
}

bool setGenericPassword(const QString& service, const QString& account, const QString& password, const QString& label,
                        QString* error)
{
    Attributes attributes;
    fillGeneric(attributes, service, account);
    return store(genericSchema(), attributes, password, label, error);
}

bool removeGenericPassword(const QString& service, const QString& account, QString* error)
{
    Attributes attributes;
    fillGeneric(attributes, service, account);
    return clear(genericSchema(), attributes, error);
}

std::optional<QString> internetPassword(const InternetKey& key, QString* error)
{
    Attributes attributes;
    fillInternet(attributes, key);
    return lookup(internetSchema(), attributes, error);
}

bool setInternetPassword(const InternetKey& key, const QString& password, const QString& label, QString* error)
{
    Attributes attributes;
    fillInternet(attributes, key);
    return store(internetSchema(), attributes, password, label, error);
}

bool removeInternetPassword(const InternetKey& key, QString* error)
{
    Attributes attributes;
    fillInternet(attributes, key);
    return clear(internetSchema(), attributes, error);
}

std::optional<InternetCredentials> internetCredentials(const QString& server, const QString& protocol, int port,
                                                       QString* error)
{
    Attributes attributes;
    attributes.add("server", server);
    attributes.add("protocol", protocol);
    attributes.add("port", QString::number(port));
    GError* gerror = nullptr;
    GList* items = secret_service_search_sync(
        nullptr, internetSchema(), attributes.table(),
        static_cast<SecretSearchFlags>(SECRET_SEARCH_UNLOCK | SECRET_SEARCH_LOAD_SECRETS), nullptr, &gerror);
    if (takeError(gerror, error))
        return std::nullopt;
    std::optional<InternetCredentials> result;
    if (items) {
        auto* item = static_cast<SecretItem*>(items->data);
        GHashTable* itemAttributes = secret_item_get_attributes(item);
        const auto* account = static_cast<const char*>(g_hash_table_lookup(itemAttributes, "account"));
        SecretValue* secret = secret_item_get_secret(item);
        const char* text = secret ? secret_value_get_text(secret) : nullptr;
        if (account && text)
            result = InternetCredentials{QString::fromUtf8(account), QString::fromUtf8(text)};
        if (secret)
            secret_value_unref(secret);
        g_hash_table_unref(itemAttributes);
    }
    g_list_free_full(items, g_object_unref);
    if (!result && error)
        *error = QStringLiteral("keychain: no such item");
    return result;
}

} // namespace dw::Keychain
