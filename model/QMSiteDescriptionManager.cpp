#include "model/QMSiteDescriptionManager.h"

#include "model/QMEbayItem.h"

#include "DWKit/QMLog.h"

#include "platform/archive/PropertyList.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"

#include <QHash>
#include <algorithm>

namespace {

// The item-page hosts of eBay's production and sandbox sites differ by one label; a site's own
// address is turned into its sandbox address by swapping them.
const QString kProductionItemHostLabel = QStringLiteral("cgi.ebay");
const QString kSandboxItemHostLabel = QStringLiteral("cgi.sandbox.ebay");
const QString kSandboxItemPageURL = QStringLiteral("https://cgi.sandbox.ebay.com/ws/eBayISAPI.dll");
const QString kSandboxAuthorizeURL = QStringLiteral("https://signin.sandbox.ebay.com/saw-cgi/eBayISAPI.dll");
const QString kFallbackStoreURL = QStringLiteral("https://stores.ebay.com/");

qint64 siteIDOf(const QVariantMap& site)
{
    return dw::integerValue(site.value(QStringLiteral("SiteID")).toString());
}

QString text(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return value.toString();
    default:
        return QString();
    }
}

QVariantList listOf(const QVariant& value)
{
    return value.typeId() == QMetaType::QVariantList ? value.toList() : QVariantList();
}

// A plain accessor's answer from the stored value.
template<typename Answer>
Answer answerAs(const QVariant& value);
template<>
QVariantList answerAs<QVariantList>(const QVariant& value)
{
    return listOf(value);
}
template<>
QString answerAs<QString>(const QVariant& value)
{
    return text(value);
}
template<>
bool answerAs<bool>(const QVariant& value)
{
    return value.toBool();
}
template<>
QVariant answerAs<QVariant>(const QVariant& value)
{
    return value;
}

qint64 numericSiteID(qint64 siteID)
{
    return siteID;
}

qint64 numericSiteID(const QString& siteID)
{
    return dw::integerValue(siteID);
}

bool sameID(const QVariant& stored, const QString& wanted)
{
    return text(stored) == wanted;
}

} // namespace

struct QMSiteDescriptionManager::Table
{
    QVariantList sites;
    QHash<qint64, qsizetype> indexByID; // the first site in table order wins
    QList<qint64> localPickupServiceIDs;
};

QMSiteDescriptionManager::QMSiteDescriptionManager(const QString& tablePath) : m_tablePath(tablePath) {}

QMSiteDescriptionManager::~QMSiteDescriptionManager() = default;

QMSiteDescriptionManager& QMSiteDescriptionManager::sharedInstance()
{
    static QMSiteDescriptionManager manager;
    return manager;
}

int QMSiteDescriptionManager::caseInsensitiveCompareSiteName(const QVariantMap& site, const QVariantMap& other)
{
    const QString name = dw::localized(site.value(QStringLiteral("SiteName")).toString());
    const QString otherName = dw::localized(other.value(QStringLiteral("SiteName")).toString());
    return name.compare(otherName, Qt::CaseInsensitive);
}

std::shared_ptr<const QMSiteDescriptionManager::Table> QMSiteDescriptionManager::table() const
{
    std::lock_guard lock(m_mutex);
    if (m_table)
        return m_table;
    QString error;
    const auto value = dw::plist::readFile(m_tablePath, &error);
    if (!value || value->typeId() != QMetaType::QVariantList) {
        QMLogError("Could not load the eBay sites table %@: %@", m_tablePath,
                   error.isEmpty() ? QStringLiteral("not a list") : error);
        return std::make_shared<const Table>();
    }
    auto loaded = std::make_shared<Table>();
    for (const QVariant& entry : value->toList()) {
        if (entry.typeId() == QMetaType::QVariantMap)
            loaded->sites << entry;
    }
    std::stable_sort(loaded->sites.begin(), loaded->sites.end(), [](const QVariant& a, const QVariant& b) {
        return caseInsensitiveCompareSiteName(a.toMap(), b.toMap()) < 0;
    });
    for (qsizetype i = 0; i < loaded->sites.size(); ++i) {
        const QVariantMap site = loaded->sites[i].toMap();
        const qint64 id = siteIDOf(site);
        if (!loaded->indexByID.contains(id))
            loaded->indexByID.insert(id, i);
    }
    // The first domestic local-pickup service of every site, in table order (duplicates stay).
    for (const QVariant& entry : std::as_const(loaded->sites)) {
        for (const QVariant& service : listOf(entry.toMap().value(QStringLiteral("ShippingServices")))) {
            const QVariantMap s = service.toMap();
            if (!s.value(QStringLiteral("IsInternational")).toBool() &&
                s.value(QStringLiteral("isLocalPickup")).toBool()) {
                const qint64 id = dw::integerValue(text(s.value(QStringLiteral("ServiceID"))));
                if (id != 0)
                    loaded->localPickupServiceIDs << id;
                break;
            }
        }
    }
    m_table = loaded;
    return m_table;
}

QVariantList QMSiteDescriptionManager::siteDescriptions() const
{
    return table()->sites;
}

QVariantMap QMSiteDescriptionManager::siteDescriptionWithID(qint64 siteID) const
{
    const auto t = table();
    const auto it = t->indexByID.constFind(siteID);
    if (it == t->indexByID.constEnd()) {
        QMLogError("couldn't get site description with id %ld", qlonglong(siteID));
        return QVariantMap();
    }
    return t->sites.at(it.value()).toMap();
}

QList<qint64> QMSiteDescriptionManager::allSiteIDs() const
{
    QList<qint64> ids;
    for (const QVariant& site : table()->sites)
        ids << siteIDOf(site.toMap());
    return ids;
}

QVariant QMSiteDescriptionManager::valueForSite(qint64 siteID, const char* key) const
{
    return siteDescriptionWithID(siteID).value(QString::fromLatin1(key));
}

// The plain accessors of model/QMSiteKeys.inc.
#define QM_SITE_KEY(Answer, accessor, SiteID, key)                                                                     \
    Answer QMSiteDescriptionManager::accessor(SiteID siteID) const                                                     \
    {                                                                                                                  \
        return answerAs<Answer>(valueForSite(numericSiteID(siteID), key));                                             \
    }
#include "model/QMSiteKeys.inc"
#undef QM_SITE_KEY

qint64 QMSiteDescriptionManager::defaultCountryIDForSiteID(qint64 siteID) const
{
    return dw::integerValue(defaultCountryIDAsStringForSiteID(siteID));
}

QString QMSiteDescriptionManager::nameForSiteWithID(qint64 siteID) const
{
    return sitenameForSiteID(siteID);
}

QVariantList QMSiteDescriptionManager::excludeLocationsForSiteID(const QString& siteID, const QString& filter) const
{
    const QVariantList all = excludeLocationsForSiteID(siteID);
    if (filter.isEmpty())
        return all;
    QVariantList matching;
    for (const QVariant& location : all) {
        if (text(location.toMap().value(QStringLiteral("name"))).contains(filter, Qt::CaseInsensitive))
            matching << location;
    }
    return matching;
}

QString QMSiteDescriptionManager::schemaSiteCodeForLegacySiteID(qint64 siteID) const
{
    const QString wanted = dw::format(QStringLiteral("%ld"), qlonglong(siteID));
    for (const QVariant& site : table()->sites) {
        const QVariantMap s = site.toMap();
        if (sameID(s.value(QStringLiteral("SiteID")), wanted))
            return text(s.value(QStringLiteral("SiteCode")));
    }
    return QString();
}

qint64 QMSiteDescriptionManager::siteIDForSchemaSiteCode(const QString& code) const
{
    for (const QVariant& site : table()->sites) {
        const QVariantMap s = site.toMap();
        if (text(s.value(QStringLiteral("SiteCode"))) == code)
            return siteIDOf(s);
    }
    return 0;
}

qint64 QMSiteDescriptionManager::siteIDForFindingApiGlobalID(const QString& globalID) const
{
    // Sites that have no global ID (Taiwan, China) leave it empty; an empty ID names none of them.
    if (globalID.isEmpty())
        return 0;
    for (const QVariant& site : table()->sites) {
        const QVariantMap s = site.toMap();
        if (text(s.value(QStringLiteral("findingApiGlobalID"))) == globalID)
            return siteIDOf(s);
    }
    return 0;
}

qint64 QMSiteDescriptionManager::siteIDForSiteName(const QString& name) const
{
    for (const QVariant& site : table()->sites) {
        const QVariantMap s = site.toMap();
        if (text(s.value(QStringLiteral("SiteName"))) == name)
            return siteIDOf(s);
    }
    return 0;
}

qint64 QMSiteDescriptionManager::currencyIDForSchemaCurrencyCode(const QString& code, qint64 siteID) const
{
    return currencyIDForCurrencyCode(code, siteID);
}

qint64 QMSiteDescriptionManager::currencyIDForCurrencyCode(const QString& code, qint64 siteID) const
{
    for (const QVariant& currency : currenciesForSiteID(siteID)) {
        const QVariantMap c = currency.toMap();
        if (text(c.value(QStringLiteral("CurrencyCode"))) == code)
            return dw::integerValue(text(c.value(QStringLiteral("CurrencyID"))));
    }
    return 0;
}

QString QMSiteDescriptionManager::currencyNameForCurrencyID(qint64 currencyID, qint64 siteID) const
{
    const QString wanted = dw::format(QStringLiteral("%ld"), qlonglong(currencyID));
    for (const QVariant& currency : currenciesForSiteID(siteID)) {
        const QVariantMap c = currency.toMap();
        if (sameID(c.value(QStringLiteral("CurrencyID")), wanted))
            return text(c.value(QStringLiteral("CurrencyName")));
    }
    return QString();
}

QString QMSiteDescriptionManager::currencyCodeForCurrencyID(qint64 currencyID, qint64 siteID) const
{
    const QVariantList currencies = currenciesForSiteID(siteID);
    if (currencies.isEmpty())
        return QString();
    const QString wanted = dw::format(QStringLiteral("%ld"), qlonglong(currencyID));
    for (const QVariant& currency : currencies) {
        const QVariantMap c = currency.toMap();
        if (sameID(c.value(QStringLiteral("CurrencyID")), wanted))
            return text(c.value(QStringLiteral("CurrencyCode")));
    }
    return text(currencies.first().toMap().value(QStringLiteral("CurrencyCode")));
}

qint64 QMSiteDescriptionManager::firstCurrencyIDForSiteID(qint64 siteID) const
{
    const QVariantList currencies = currenciesForSiteID(siteID);
    if (currencies.isEmpty())
        return 0;
    return dw::integerValue(text(currencies.first().toMap().value(QStringLiteral("CurrencyID"))));
}

QString QMSiteDescriptionManager::currencyNameForCurrencyCode(const QString& code) const
{
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_cachedCurrencyNames.constFind(code);
        if (it != m_cachedCurrencyNames.constEnd())
            return it.value().toString();
    }
    for (const QVariant& site : table()->sites) {
        // Looked up in the site's own entry, so that sites without the currency log nothing.
        for (const QVariant& currency : listOf(site.toMap().value(QStringLiteral("Currencies")))) {
            const QVariantMap c = currency.toMap();
            if (text(c.value(QStringLiteral("CurrencyCode"))) != code)
                continue;
            const QString name = text(c.value(QStringLiteral("CurrencyName")));
            if (name.isNull())
                continue;
            std::lock_guard lock(m_mutex);
            m_cachedCurrencyNames.insert(code, name);
            return name;
        }
    }
    return QString();
}

void QMSiteDescriptionManager::setCachedCurrencyName(const QString& name, const QString& code)
{
    std::lock_guard lock(m_mutex);
    m_cachedCurrencyNames.insert(code, name);
}

QString QMSiteDescriptionManager::paymentOptionNameStringForOptions(const QStringList& optionIDs, qint64 siteID) const
{
    QStringList names;
    for (const QVariant& option : allowedPaymentOptionsForSiteID(siteID)) {
        const QVariantMap o = option.toMap();
        if (optionIDs.contains(text(o.value(QStringLiteral("OptionID")))))
            names << text(o.value(QStringLiteral("OptionName")));
    }
    return names.join(QStringLiteral(", "));
}

QStringList QMSiteDescriptionManager::allowedPaymentOptionsFromSelectedOptions(const QStringList& optionIDs,
                                                                               qint64 siteID) const
{
    QStringList allowed;
    for (const QVariant& option : allowedPaymentOptionsForSiteID(siteID)) {
        const QString id = text(option.toMap().value(QStringLiteral("OptionID")));
        if (optionIDs.contains(id))
            allowed << id;
    }
    return allowed;
}

QVariantList QMSiteDescriptionManager::shippingServicesForSiteID(const QString& siteID, bool international) const
{
    QVariantList result;
    for (const QVariant& service : shippingServicesForSiteID(siteID)) {
        QVariantMap copy = service.toMap();
        if (copy.value(QStringLiteral("isDeprecated")).toBool()) {
            copy.insert(QStringLiteral("ServiceName"),
                        dw::format(QStringLiteral("%@ (%@)"), copy.value(QStringLiteral("ServiceName")),
                                   dw::localized("Discontinued")));
        }
        if (copy.value(QStringLiteral("IsInternational")).toBool() == international)
            result << copy;
    }
    return result;
}

QVariantList QMSiteDescriptionManager::domesticShippingServicesForSiteID(const QString& siteID) const
{
    return shippingServicesForSiteID(siteID, false);
}

QVariantList QMSiteDescriptionManager::internationalShippingServicesForSiteID(const QString& siteID) const
{
    return shippingServicesForSiteID(siteID, true);
}

QString QMSiteDescriptionManager::serviceNameForShippingServiceID(const QString& serviceID, qint64 siteID,
                                                                  bool international) const
{
    const QString site = dw::format(QStringLiteral("%ld"), qlonglong(siteID));
    for (const QVariant& service : shippingServicesForSiteID(site, international)) {
        const QVariantMap s = service.toMap();
        if (sameID(s.value(QStringLiteral("ServiceID")), serviceID))
            return text(s.value(QStringLiteral("ServiceName")));
    }
    return QString();
}

qint64 QMSiteDescriptionManager::serviceIDForShippingServiceName(const QString& name, qint64 siteID,
                                                                 bool international) const
{
    const QString site = dw::format(QStringLiteral("%ld"), qlonglong(siteID));
    for (const QVariant& service : shippingServicesForSiteID(site, international)) {
        const QVariantMap s = service.toMap();
        if (text(s.value(QStringLiteral("ServiceName"))) == name)
            return dw::integerValue(text(s.value(QStringLiteral("ServiceID"))));
    }
    return 0;
}

QString QMSiteDescriptionManager::shippingServiceCodeForLegacyShippingID(const QString& serviceID,
                                                                         const QString& siteID) const
{
    for (const QVariant& service : shippingServicesForSiteID(siteID)) {
        const QVariantMap s = service.toMap();
        if (sameID(s.value(QStringLiteral("ServiceID")), serviceID))
            return text(s.value(QStringLiteral("ServiceCode")));
    }
    return QString();
}

QString QMSiteDescriptionManager::legacyShippingIDForShippingServiceCode(const QString& code,
                                                                         const QString& siteID) const
{
    for (const QVariant& service : shippingServicesForSiteID(siteID)) {
        const QVariantMap s = service.toMap();
        if (text(s.value(QStringLiteral("ServiceCode"))) == code)
            return text(s.value(QStringLiteral("ServiceID")));
    }
    return QString();
}

QVariantMap QMSiteDescriptionManager::shippingServiceWithServiceCode(const QString& code, const QString& siteID) const
{
    for (const QVariant& service : shippingServicesForSiteID(siteID)) {
        const QVariantMap s = service.toMap();
        if (text(s.value(QStringLiteral("ServiceCode"))) == code)
            return s;
    }
    return QVariantMap();
}

QString QMSiteDescriptionManager::shippingServiceNameForCode(const QString& code) const
{
    for (const QVariant& site : table()->sites) {
        for (const QVariant& service : listOf(site.toMap().value(QStringLiteral("ShippingServices")))) {
            const QVariantMap s = service.toMap();
            if (text(s.value(QStringLiteral("ServiceCode"))) == code)
                return text(s.value(QStringLiteral("ServiceName")));
        }
    }
    return QString();
}

qsizetype QMSiteDescriptionManager::indexOfShippingServiceWithID(const QString& serviceID, const QVariantList& services)
{
    for (qsizetype i = 0; i < services.size(); ++i) {
        if (sameID(services[i].toMap().value(QStringLiteral("ServiceID")), serviceID))
            return i;
    }
    return 0;
}

bool QMSiteDescriptionManager::hasOfShippingServiceWithID(const QString& serviceID, const QVariantList& services)
{
    return std::any_of(services.begin(), services.end(), [&](const QVariant& service) {
        return sameID(service.toMap().value(QStringLiteral("ServiceID")), serviceID);
    });
}

qint64 QMSiteDescriptionManager::localPickupShippingServiceIDForSiteID(qint64 siteID) const
{
    for (const QVariant& service : listOf(valueForSite(siteID, "ShippingServices"))) {
        const QVariantMap s = service.toMap();
        if (!s.value(QStringLiteral("IsInternational")).toBool() && s.value(QStringLiteral("isLocalPickup")).toBool())
            return dw::integerValue(text(s.value(QStringLiteral("ServiceID"))));
    }
    return 0;
}

bool QMSiteDescriptionManager::shippingServiceIdIsLocalPickup(qint64 serviceID) const
{
    return table()->localPickupServiceIDs.contains(serviceID);
}

QString QMSiteDescriptionManager::shippingPackageForShippingType(qint64 shippingType, qint64 siteID) const
{
    for (const QVariant& package : allowedShippingPackagesForSiteID(siteID)) {
        const QVariantMap p = package.toMap();
        if (dw::integerValue(text(p.value(QStringLiteral("shippingType")))) == shippingType)
            return text(p.value(QStringLiteral("shippingPackage")));
    }
    return QString();
}

QVariantMap QMSiteDescriptionManager::itemDurationForSiteID(const QString& siteID) const
{
    QVariantMap durations;
    for (const QVariant& entry : listOf(valueForSite(dw::integerValue(siteID), "Durations"))) {
        const QVariantMap e = entry.toMap();
        durations.insert(text(e.value(QStringLiteral("ItemDurationID"))), e.value(QStringLiteral("ItemDurationName")));
    }
    return durations;
}

QVariantMap QMSiteDescriptionManager::classifiedAdDurationsForSiteID(const QString& siteID) const
{
    QVariantMap durations;
    for (const QVariant& entry : listOf(valueForSite(dw::integerValue(siteID), "ClassifiedAdDurations"))) {
        const QVariantMap e = entry.toMap();
        durations.insert(text(e.value(QStringLiteral("AdDurationID"))), e.value(QStringLiteral("AdDurationName")));
    }
    return durations;
}

bool QMSiteDescriptionManager::classifiedAdFormatSupportOnSiteWithID(qint64 siteID) const
{
    return !listOf(valueForSite(siteID, "ClassifiedAdDurations")).isEmpty();
}

QString QMSiteDescriptionManager::auctionsURLForSiteID(qint64 siteID, bool isRunningInSandbox) const
{
    const QString address = text(valueForSite(siteID, "AuctionsURL"));
    if (!isRunningInSandbox)
        return address;
    if (address.contains(kProductionItemHostLabel))
        return QString(address).replace(kProductionItemHostLabel, kSandboxItemHostLabel);
    return kSandboxItemPageURL;
}

QString QMSiteDescriptionManager::authorizeURLForSiteID(qint64 siteID, bool isRunningInSandbox) const
{
    if (isRunningInSandbox)
        return kSandboxAuthorizeURL;
    return text(valueForSite(siteID, "AuthorizeURL"));
}

QString QMSiteDescriptionManager::dunmerrowEbayStoreURLForSiteWithID(qint64 siteID) const
{
    const QString address = text(valueForSite(siteID, "dunmerrowEbayStoreURL"));
    return address.isEmpty() ? kFallbackStoreURL : address;
}

bool QMSiteDescriptionManager::isGalleryListingEnhancement(const QString& optionID, qint64 siteID) const
{
    for (const QVariant& enhancement : allowedListingEnhancementsForSiteID(siteID)) {
        const QVariantMap e = enhancement.toMap();
        if (text(e.value(QStringLiteral("OptionID"))) == optionID &&
            e.value(QStringLiteral("GalleryEnhancement")).toBool())
            return true;
    }
    return false;
}

void QMSiteDescriptionManager::addGalleryListingEnhancement(const QString& optionID, QStringList& enhancements,
                                                            qint64 siteID) const
{
    if (isGalleryListingEnhancement(optionID, siteID)) {
        enhancements.removeIf([&](const QString& existing) { return isGalleryListingEnhancement(existing, siteID); });
    }
    if (!enhancements.contains(optionID))
        enhancements << optionID;
}

void QMSiteDescriptionManager::addGalleryListingEnhancement(const QString& optionID, QMEbayItem& item) const
{
    const qint64 siteID = item.siteID();
    if (isGalleryListingEnhancement(optionID, siteID)) {
        for (const QString& existing : QStringList(item.listingEnhancements())) {
            if (isGalleryListingEnhancement(existing, siteID))
                item.removeListingEnhancement(existing);
        }
    }
    item.addListingEnhancement(optionID);
}
