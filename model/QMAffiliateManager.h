#pragma once
// The affiliate tables per eBay site: which tracking partner and details go with eBay requests,
// where a new eBay user registers, and how an item page address with affiliate tracking is formed.
//
// The tables are the program's enciphered resource "affiliate", taken once from the preferences
// store when the manager is made, and read-only afterwards. Their form: "trackingPartners", a list
// of partners ({"trackingID", "ebayTrackingPartnerCode", "affiliateUserID", "sites"}), each site
// entry {"siteID", "ignoreForGetSearchResult", "registerNewUserURL", "itemIDURL"}; partners and
// their sites are searched in order. Main thread.
//
//     auto tracking = QMAffiliateManager::sharedInstance().affiliateTrackingForSiteID(77);
//     if (tracking) ... // the operations copy it into eBay's affiliate tracking details

#include <QString>
#include <QVariantMap>
#include <optional>

// What the operations put into eBay's affiliate tracking details of a request.
struct QMAffiliateTrackingDetails
{
    QString trackingID;
    QString trackingPartnerCode;
    QString applicationDeviceType;
    QString affiliateUserID;
};

class QMAffiliateManager
{
public:
    // The tables of the shared preferences store.
    QMAffiliateManager();
    explicit QMAffiliateManager(const QVariantMap& affiliatesInfoDictionary);

    static QMAffiliateManager& sharedInstance();

    const QVariantMap& affiliatesInfoDictionary() const { return m_affiliatesInfoDictionary; }

    // The chosen partner's details, device type "Desktop"; a partner without an affiliate user ID
    // gets "<bundle name>_<site ID>". Nullopt when no partner lists the site.
    std::optional<QMAffiliateTrackingDetails> affiliateTrackingForSiteID(qint64 siteID,
                                                                         bool forGetSearchResult = false) const;
    // Not for search results: the first partner that lists the site. For search results: the
    // first partner that lists it without "ignoreForGetSearchResult", else the last one that lists
    // it with that flag. Empty when no partner lists the site.
    QVariantMap trackingPartnerInfoForSiteID(qint64 siteID, bool forGetSearchResult) const;
    // The first site entry of the site over all partners; empty when none.
    QVariantMap affiliateInfoForSiteID(qint64 siteID) const;
    // Null when the site has no entry (with a console line) or its entry no address.
    QString registerNewUserURLForSiteID(qint64 siteID) const;
    // The entry's "itemIDURL" with the item ID put in for its "%@", literally: nothing else in the
    // address or the ID is read as a format. Null when the site has no entry or no address, and
    // (with a console line) when the address holds no "%@".
    QString viewItemURLForSiteID(qint64 siteID, const QString& itemID) const;

private:
    QVariantList partners() const;

    QVariantMap m_affiliatesInfoDictionary;
};
