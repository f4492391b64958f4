#include "model/DWEbayPreferencesManager.h"

#include "model/QMPreferencesManager.h"

#include "DWKit/QMLog.h"

#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/UserDefaults.h"

namespace {

const QString kDebugKey = QStringLiteral("debug");
const QString kAlwaysShowIntroKey = QStringLiteral("alwaysShowIntro");
const QString kSandboxKey = QStringLiteral("isRunningInSandbox");
const QString kSiteIDKey = QStringLiteral("siteID");
const QString kDefaultAccountIDKey = QStringLiteral("defaultAccountID");
const QString kCategoriesLastCheckKey = QStringLiteral("categoriesLastCheck");
const QString kCategoriesCheckIntervalKey = QStringLiteral("categoriesCheckInterval");
const QString kWarningLevelHighKey = QStringLiteral("eBayAPIWarningLevelHigh");
const QString kWarningCodeIgnoreListKey = QStringLiteral("ebayWarningCodeIgnoreList");

// Used only when the registered defaults lack a host (a damaged installation); the addresses
// then still point at eBay's and PayPal's public services rather than at nothing.
struct HostFallback
{
    const char* key;
    const char* production;
    const char* sandbox;
};
constexpr HostFallback kHostFallbacks[] = {
    {"eBayAPIHost", "api.ebay.com", "api.sandbox.ebay.com"},
    {"eBayOpenAPIHost", "open.api.ebay.com", "open.api.sandbox.ebay.com"},
    {"eBayServicesHost", "svcs.ebay.com", "svcs.ebay.com"},
    {"PayPalAPIHost", "api-3t.paypal.com", "api-3t.sandbox.paypal.com"},
};

} // namespace

DWEbayPreferencesManager::DWEbayPreferencesManager(dw::UserDefaults* defaults) : m_defaults(defaults) {}

// Nothing to flush: the user defaults write every change to disk at once.
DWEbayPreferencesManager::~DWEbayPreferencesManager() = default;

DWEbayPreferencesManager& DWEbayPreferencesManager::sharedInstance()
{
    return QMPreferencesManager::sharedInstance();
}

dw::UserDefaults& DWEbayPreferencesManager::defaults() const
{
    return m_defaults ? *m_defaults : dw::UserDefaults::standard();
}

bool DWEbayPreferencesManager::synchronize()
{
    return defaults().synchronize();
}

bool DWEbayPreferencesManager::debugModeEnabled() const
{
    return defaults().boolForKey(kDebugKey);
}

bool DWEbayPreferencesManager::alwaysShowIntro() const
{
    return defaults().boolForKey(kAlwaysShowIntroKey);
}

void DWEbayPreferencesManager::setAlwaysShowIntro(bool value)
{
    defaults().setBool(value, kAlwaysShowIntroKey);
}

bool DWEbayPreferencesManager::isRunningInSandbox() const
{
    return defaults().boolForKey(kSandboxKey);
}

void DWEbayPreferencesManager::setIsRunningInSandbox(bool value)
{
    defaults().setBool(value, kSandboxKey);
}

qint64 DWEbayPreferencesManager::defaultSiteID() const
{
    return defaults().integerForKey(kSiteIDKey);
}

void DWEbayPreferencesManager::setDefaultSiteID(qint64 siteID)
{
    defaults().setInteger(siteID, kSiteIDKey);
}

QString DWEbayPreferencesManager::defaultSiteIDAsString() const
{
    return dw::format(QStringLiteral("%ld"), qlonglong(defaultSiteID()));
}

QString DWEbayPreferencesManager::defaultAccountID() const
{
    const QVariant value = defaults().objectForKey(modifiedSandboxDefaultsKeyForKey(kDefaultAccountIDKey));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

void DWEbayPreferencesManager::setDefaultAccountID(const QString& accountID)
{
    const QString key = modifiedSandboxDefaultsKeyForKey(kDefaultAccountIDKey);
    if (accountID.isNull())
        defaults().removeObjectForKey(key);
    else
        defaults().setObject(accountID, key);
}

QDateTime DWEbayPreferencesManager::categoriesLastCheckDate() const
{
    const QVariant value = defaults().objectForKey(modifiedDefaultsKeyForKey(kCategoriesLastCheckKey));
    return value.typeId() == QMetaType::QDateTime ? value.toDateTime() : QDateTime();
}

void DWEbayPreferencesManager::setCategoriesLastCheckDate(const QDateTime& date)
{
    const QString key = modifiedDefaultsKeyForKey(kCategoriesLastCheckKey);
    if (date.isValid())
        defaults().setObject(date.toUTC(), key);
    else
        defaults().removeObjectForKey(key);
    synchronize();
}

qint64 DWEbayPreferencesManager::categoriesCheckInterval() const
{
    return defaults().integerForKey(kCategoriesCheckIntervalKey);
}

void DWEbayPreferencesManager::setCategoriesCheckInterval(qint64 days)
{
    defaults().setInteger(days, kCategoriesCheckIntervalKey);
}

bool DWEbayPreferencesManager::eBayAPIWarningLevelHigh() const
{
    return defaults().boolForKey(kWarningLevelHighKey);
}

bool DWEbayPreferencesManager::warningCodeIsOnIgnoreList(const QString& code) const
{
    return defaults().arrayForKey(kWarningCodeIgnoreListKey).contains(QVariant(code));
}

void DWEbayPreferencesManager::addWarningCodeToIgnoreList(const QString& code)
{
    QVariantList list = defaults().arrayForKey(kWarningCodeIgnoreListKey);
    if (list.contains(QVariant(code)))
        return;
    list.append(code);
    defaults().setObject(list, kWarningCodeIgnoreListKey);
    synchronize();
}

void DWEbayPreferencesManager::forgetWarningIgnoreList()
{
    defaults().setObject(QVariantList(), kWarningCodeIgnoreListKey);
}

QString DWEbayPreferencesManager::modifiedSandboxDefaultsKeyForKey(const QString& key) const
{
    DW_ASSERT(!key.isNull(), "key cannot be nil here");
    return isRunningInSandbox() ? key + QStringLiteral(".sandbox") : key;
}

QString DWEbayPreferencesManager::modifiedDefaultsKeyForKey(const QString& key) const
{
    DW_ASSERT(!key.isNull(), "key cannot be nil here");
    QString result = key + dw::format(QStringLiteral(".site%ld"), qlonglong(defaultSiteID()));
    if (isRunningInSandbox())
        result += QStringLiteral(".sandbox");
    return result;
}

QString DWEbayPreferencesManager::hostForKey(const char* key) const
{
    const QString name = QString::fromLatin1(key);
    const QString host = defaults().stringForKey(modifiedSandboxDefaultsKeyForKey(name)).trimmed();
    if (!host.isEmpty())
        return host;
    for (const HostFallback& fallback : kHostFallbacks) {
        if (name == QLatin1String(fallback.key))
            return QString::fromLatin1(isRunningInSandbox() ? fallback.sandbox : fallback.production);
    }
    return QString();
}

QString DWEbayPreferencesManager::APIURL() const
{
    return QStringLiteral("https://") + hostForKey("eBayAPIHost") + QStringLiteral("/ws/api.dll");
}

QString DWEbayPreferencesManager::ESAPIURL() const
{
    return QStringLiteral("http://") + hostForKey("eBayOpenAPIHost") + QStringLiteral("/shopping?");
}

QString DWEbayPreferencesManager::EFAPIURL() const
{
    // The Finding API has no sandbox of its own: the production address serves both modes.
    const QString key = QStringLiteral("eBayServicesHost");
    QString host = defaults().stringForKey(key).trimmed();
    if (host.isEmpty())
        host = QStringLiteral("svcs.ebay.com");
    return QStringLiteral("http://") + host + QStringLiteral("/services/search/FindingService/v1");
}

QString DWEbayPreferencesManager::paypalAPIURL() const
{
    return QStringLiteral("https://") + hostForKey("PayPalAPIHost") + QStringLiteral("/2.0/");
}

QString DWEbayPreferencesManager::ruName() const
{
    DW_ASSERT(false, "no ruName for this app specified");
    return QString();
}

QVariantMap DWEbayPreferencesManager::decryptedAffiliateDictionary() const
{
    DW_ASSERT(false, "overwrite decryptedAffiliateDictionary in subclass");
    return QVariantMap();
}

bool DWEbayPreferencesManager::shouldLogXMLRequests() const
{
    return ShouldLog(5);
}
