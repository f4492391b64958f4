#pragma once
// The eBay layer's view of the settings: default site and account, sandbox switch, service
// endpoints, the category-check date and the user's list of ignored eBay warnings.
//
// All state lives in the user defaults; the object itself holds only which defaults it reads
// (the process's standard defaults unless a test hands it its own). Two key rules make a stored
// key differ from its base name: the sandbox suffix (".sandbox" while in sandbox mode) and the
// site-and-sandbox suffix (".site<default site>" and then ".sandbox"). Both read the mode and the
// site at the moment the key is built, so switching either makes the same accessor reach
// another stored value.
//
// Getters may run on any thread (the user defaults are thread-safe); setters belong to the main
// thread. The process's one object is a QMPreferencesManager, whichever class is asked first.
//
//     auto& prefs = DWEbayPreferencesManager::sharedInstance();
//     if (prefs.isRunningInSandbox()) ...
//     prefs.setCategoriesLastCheckDate(dw::now());   // stored under "categoriesLastCheck.site77"

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace dw {
class UserDefaults;
}

class DWEbayPreferencesManager
{
public:
    // `defaults` null: the process's standard user defaults, looked up at each use so that a
    // reset of the standard defaults (tests) never leaves a dangling reference.
    explicit DWEbayPreferencesManager(dw::UserDefaults* defaults = nullptr);
    virtual ~DWEbayPreferencesManager();
    DWEbayPreferencesManager(const DWEbayPreferencesManager&) = delete;
    DWEbayPreferencesManager& operator=(const DWEbayPreferencesManager&) = delete;

    // The process's one preferences object (always a QMPreferencesManager), made on first use
    // under a lock.
    static DWEbayPreferencesManager& sharedInstance();

    dw::UserDefaults& defaults() const;
    bool synchronize();

    bool debugModeEnabled() const;
    bool alwaysShowIntro() const;
    void setAlwaysShowIntro(bool value);
    bool isRunningInSandbox() const;
    void setIsRunningInSandbox(bool value);

    qint64 defaultSiteID() const;
    void setDefaultSiteID(qint64 siteID);
    QString defaultSiteIDAsString() const;

    QString defaultAccountID() const;
    void setDefaultAccountID(const QString& accountID);

    // Null when the current site and mode have no stored date. The setter synchronizes at once.
    QDateTime categoriesLastCheckDate() const;
    void setCategoriesLastCheckDate(const QDateTime& date);
    qint64 categoriesCheckInterval() const;
    void setCategoriesCheckInterval(qint64 days);

    bool eBayAPIWarningLevelHigh() const;

    virtual bool warningCodeIsOnIgnoreList(const QString& code) const;
    void addWarningCodeToIgnoreList(const QString& code);
    void forgetWarningIgnoreList();

    // The key rules. A null key is a programming error ("key cannot be nil here").
    QString modifiedSandboxDefaultsKeyForKey(const QString& key) const;
    QString modifiedDefaultsKeyForKey(const QString& key) const;

    // Service endpoints of the current mode. The host names are configuration (registered
    // defaults); the schemes and paths are fixed.
    QString APIURL() const;
    QString ESAPIURL() const;
    QString EFAPIURL() const;
    QString paypalAPIURL() const;

    // The application's eBay redirect name; only the application's own store knows one.
    virtual QString ruName() const;
    virtual QVariantMap decryptedAffiliateDictionary() const;

    // Whether the console log lets XML request dumps (level 5) through.
    bool shouldLogXMLRequests() const;

protected:
    QString hostForKey(const char* key) const;

private:
    dw::UserDefaults* m_defaults;
};
