#pragma once
// Everything the program knows about an eBay site: names and codes, currencies, durations,
// payment options, listing enhancements, shipping services and packages, tax and return-policy
// options and the site's feature flags.
//
// The answers come from one read-only table compiled into the program (resources/tables/sites.json,
// see tools/qv-tables). It is loaded on first use, sorted by the sites' display names, and kept for
// the life of the process; loading is locked, so any thread may ask first. A table that cannot be
// read gives empty answers and is tried again at the next call.
//
// Site dictionaries, currency, service and option entries are handed out as QVariantMap with the
// table's keys ("SiteID", "ShippingServices", "ServiceName", ...). A site ID that no site has is
// bad data, not a programming error: the lookup logs "couldn't get site description with id N"
// and every answer for it is empty, 0 or false, so a document with an odd site still opens.
//
//     auto& sites = QMSiteDescriptionManager::sharedInstance();
//     QString name = sites.sitenameForSiteID(77);                       // "Germany"
//     QVariantList services = sites.domesticShippingServicesForSiteID("3");

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <memory>
#include <mutex>

class QMEbayItem;

class QMSiteDescriptionManager
{
public:
    // `tablePath` is the compiled table; the shared manager reads the one built into the program.
    explicit QMSiteDescriptionManager(const QString& tablePath = QStringLiteral(":/tables/sites.data"));
    ~QMSiteDescriptionManager();
    QMSiteDescriptionManager(const QMSiteDescriptionManager&) = delete;
    QMSiteDescriptionManager& operator=(const QMSiteDescriptionManager&) = delete;

    static QMSiteDescriptionManager& sharedInstance();

    // The table, sorted by the sites' localized names (case-insensitively).
    QVariantList siteDescriptions() const;
    // The site with that ID; an empty map (and a log line) when no site has it.
    QVariantMap siteDescriptionWithID(qint64 siteID) const;
    QList<qint64> allSiteIDs() const;
    // Orders two site dictionaries by their localized "SiteName", case-insensitively (< 0, 0, > 0).
    static int caseInsensitiveCompareSiteName(const QVariantMap& site, const QVariantMap& other);

    // The plain accessors, one key each: one per row of model/QMSiteKeys.inc. A missing key reads
    // as an empty list, a null text, false or an invalid value.
#define QM_SITE_KEY(Answer, accessor, SiteID, key) Answer accessor(SiteID siteID) const;
#include "model/QMSiteKeys.inc"
#undef QM_SITE_KEY

    // The site's name (the same as sitenameForSiteID).
    QString nameForSiteWithID(qint64 siteID) const;
    qint64 defaultCountryIDForSiteID(qint64 siteID) const;
    // The exclude locations whose "name" contains the filter, case-insensitively; all of them for
    // an empty filter.
    QVariantList excludeLocationsForSiteID(const QString& siteID, const QString& filter) const;

    // Site codes and names; unknown ones give a null text or 0.
    QString schemaSiteCodeForLegacySiteID(qint64 siteID) const;
    qint64 siteIDForSchemaSiteCode(const QString& code) const;
    qint64 siteIDForFindingApiGlobalID(const QString& globalID) const;
    qint64 siteIDForSiteName(const QString& name) const;

    // Currencies
    qint64 currencyIDForSchemaCurrencyCode(const QString& code, qint64 siteID) const;
    qint64 currencyIDForCurrencyCode(const QString& code, qint64 siteID) const;
    QString currencyNameForCurrencyID(qint64 currencyID, qint64 siteID) const;
    // The site's first currency stands in for an ID the site does not have.
    QString currencyCodeForCurrencyID(qint64 currencyID, qint64 siteID) const;
    qint64 firstCurrencyIDForSiteID(qint64 siteID) const;
    // Cached; a name is looked up over all sites in table order.
    QString currencyNameForCurrencyCode(const QString& code) const;
    void setCachedCurrencyName(const QString& name, const QString& code);

    // Payment options, always in the site's order.
    QString paymentOptionNameStringForOptions(const QStringList& optionIDs, qint64 siteID) const;
    QStringList allowedPaymentOptionsFromSelectedOptions(const QStringList& optionIDs, qint64 siteID) const;

    // Shipping services. The lists of one kind are copies whose discontinued services carry
    // " (Discontinued)" (localized) after their names.
    QVariantList shippingServicesForSiteID(const QString& siteID, bool international) const;
    QVariantList domesticShippingServicesForSiteID(const QString& siteID) const;
    QVariantList internationalShippingServicesForSiteID(const QString& siteID) const;
    QString serviceNameForShippingServiceID(const QString& serviceID, qint64 siteID, bool international) const;
    qint64 serviceIDForShippingServiceName(const QString& name, qint64 siteID, bool international) const;
    QString shippingServiceCodeForLegacyShippingID(const QString& serviceID, const QString& siteID) const;
    QString legacyShippingIDForShippingServiceCode(const QString& code, const QString& siteID) const;
    QVariantMap shippingServiceWithServiceCode(const QString& code, const QString& siteID) const;
    QString shippingServiceNameForCode(const QString& code) const;
    // 0 when no service has the ID (the same as the first position, as the panels expect).
    static qsizetype indexOfShippingServiceWithID(const QString& serviceID, const QVariantList& services);
    static bool hasOfShippingServiceWithID(const QString& serviceID, const QVariantList& services);
    qint64 localPickupShippingServiceIDForSiteID(qint64 siteID) const;
    bool shippingServiceIdIsLocalPickup(qint64 serviceID) const;
    QString shippingPackageForShippingType(qint64 shippingType, qint64 siteID) const;

    // Durations: day count (or "GTC") to label key.
    QVariantMap itemDurationForSiteID(const QString& siteID) const;
    QVariantMap classifiedAdDurationsForSiteID(const QString& siteID) const;
    bool classifiedAdFormatSupportOnSiteWithID(qint64 siteID) const;

    // Addresses
    QString auctionsURLForSiteID(qint64 siteID, bool isRunningInSandbox) const;
    QString authorizeURLForSiteID(qint64 siteID, bool isRunningInSandbox) const;
    QString dunmerrowEbayStoreURLForSiteWithID(qint64 siteID) const;

    // Listing enhancements
    bool isGalleryListingEnhancement(const QString& optionID, qint64 siteID) const;
    // Adds the option to a listing's enhancements; a gallery enhancement first replaces every other
    // gallery enhancement of the site, so a listing holds at most one. An option already there is
    // not added twice.
    void addGalleryListingEnhancement(const QString& optionID, QStringList& enhancements, qint64 siteID) const;
    // The same on a listing of its own site, through the listing's list edits.
    void addGalleryListingEnhancement(const QString& optionID, QMEbayItem& item) const;

private:
    struct Table;
    std::shared_ptr<const Table> table() const;
    QVariant valueForSite(qint64 siteID, const char* key) const;

    QString m_tablePath;
    mutable std::mutex m_mutex;
    mutable std::shared_ptr<const Table> m_table;
    mutable QVariantMap m_cachedCurrencyNames;
};
