#pragma once
// The attribute table that libsecret's calls take, owning its strings for the duration of one
// call. Private to the keychain files.

#include <QString>
#include <libsecret/secret.h>

namespace dw::Keychain {

class SecretAttributes
{
public:
    SecretAttributes() : m_table(g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free)) {}
    ~SecretAttributes() { g_hash_table_unref(m_table); }
    SecretAttributes(const SecretAttributes&) = delete;
    SecretAttributes& operator=(const SecretAttributes&) = delete;

    void add(const char* name, const QString& value)
    {
        g_hash_table_insert(m_table, g_strdup(name), g_strdup(value.toUtf8().constData()));
    }
    GHashTable* table() const { return m_table; }

private:
    GHashTable* m_table;
};

} // namespace dw::Keychain
