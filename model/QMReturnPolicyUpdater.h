#pragma once
// Moves the return policy of older listings, kept as values of a site's return-policy attribute
// set, into the five return-policy fields of the listing.
//
// Which set, attributes and value IDs mean what comes from a migration table per site ("default"
// holds what a site's entry leaves out), an enciphered resource of the program read through the
// preferences store. A missing or unreadable table means there is nothing to migrate. Main thread
// (listings are read there).
//
//     QMReturnPolicyUpdater::sharedInstance().updateReturnPolicyInItemIfNeeded(*item);

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <memory>
#include <optional>

class QMEbayItem;

class QMReturnPolicyUpdater
{
public:
    // With a table, that table; without, the preferences store's on first use.
    explicit QMReturnPolicyUpdater(std::optional<QVariantMap> table = std::nullopt);

    static QMReturnPolicyUpdater& sharedInstance();
    // Replaces the shared updater (tests); null makes a new one that reads the table again.
    static void setSharedInstance(std::unique_ptr<QMReturnPolicyUpdater> updater);

    // The table, fetched once and kept; empty when there is none.
    const QVariantMap& decryptedReturnPolicyMigration();
    // The site's return-policy set ID; null, with a console line, when the table has none.
    QString returnPolicyAttributeSetIDForSiteID(qint64 siteID);
    static QVariant valueFromSiteInfo(const QVariantMap& siteInfo, const QString& key, const QVariantMap& fallbackInfo);

    // Fills the return-policy fields from the attribute set when the listing carries the site's
    // set and none of the fields is filled in yet; the attribute values stay in the listing.
    void updateReturnPolicyInItemIfNeeded(QMEbayItem& item);

private:
    std::optional<QVariantMap> m_table;
};
