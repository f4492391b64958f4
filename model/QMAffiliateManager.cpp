#include "model/QMAffiliateManager.h"

#include "model/DWEbayPreferencesManager.h"

#include "DWKit/NSBundle+DWExtensions.h"
#include "DWKit/QMLog.h"

#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWFormat.h"

namespace {

// The tables are our own configuration, but a site ID or flag written as text still counts.
qint64 integerOf(const QVariant& value)
{
    return value.typeId() == QMetaType::QString ? dw::integerValue(value.toString()) : value.toLongLong();
}

bool flagOf(const QVariant& value)
{
    return value.typeId() == QMetaType::QString ? dw::boolValue(value.toString()) : value.toBool();
}

QString textOf(const QVariant& value)
{
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

} // namespace

QMAffiliateManager::QMAffiliateManager()
    : m_affiliatesInfoDictionary(DWEbayPreferencesManager::sharedInstance().decryptedAffiliateDictionary())
{}

QMAffiliateManager::QMAffiliateManager(const QVariantMap& affiliatesInfoDictionary)
    : m_affiliatesInfoDictionary(affiliatesInfoDictionary)
{}

QMAffiliateManager& QMAffiliateManager::sharedInstance()
{
    static QMAffiliateManager instance;
    return instance;
}

QVariantList QMAffiliateManager::partners() const
{
    return m_affiliatesInfoDictionary.value(QStringLiteral("trackingPartners")).toList();
}

std::optional<QMAffiliateTrackingDetails> QMAffiliateManager::affiliateTrackingForSiteID(qint64 siteID,
                                                                                         bool forGetSearchResult) const
{
    const QVariantMap partner = trackingPartnerInfoForSiteID(siteID, forGetSearchResult);
    if (partner.isEmpty())
        return std::nullopt;
    QMAffiliateTrackingDetails details;
    details.trackingID = textOf(partner.value(QStringLiteral("trackingID")));
    details.trackingPartnerCode = textOf(partner.value(QStringLiteral("ebayTrackingPartnerCode")));
    details.applicationDeviceType = QStringLiteral("Desktop");
    details.affiliateUserID = textOf(partner.value(QStringLiteral("affiliateUserID")));
    if (details.affiliateUserID.isEmpty())
        details.affiliateUserID = dw::format(QStringLiteral("%@_%ld"), dw::bundleName(), qlonglong(siteID));
    return details;
}

QVariantMap QMAffiliateManager::trackingPartnerInfoForSiteID(qint64 siteID, bool forGetSearchResult) const
{
    QVariantMap flaggedPartner;
    for (const QVariant& partnerValue : partners()) {
        const QVariantMap partner = partnerValue.toMap();
        for (const QVariant& siteValue : partner.value(QStringLiteral("sites")).toList()) {
            const QVariantMap site = siteValue.toMap();
            if (integerOf(site.value(QStringLiteral("siteID"))) != siteID)
                continue;
            if (!forGetSearchResult || !flagOf(site.value(QStringLiteral("ignoreForGetSearchResult"))))
                return partner;
            flaggedPartner = partner;
        }
    }
    return flaggedPartner;
}

QVariantMap QMAffiliateManager::affiliateInfoForSiteID(qint64 siteID) const
{
    for (const QVariant& partnerValue : partners()) {
        for (const QVariant& siteValue : partnerValue.toMap().value(QStringLiteral("sites")).toList()) {
            const QVariantMap site = siteValue.toMap();
            if (integerOf(site.value(QStringLiteral("siteID"))) == siteID)
                return site;
        }
    }
    return QVariantMap();
}

QString QMAffiliateManager::registerNewUserURLForSiteID(qint64 siteID) const
{
    const QVariantMap site = affiliateInfoForSiteID(siteID);
    if (site.isEmpty()) {
        // A site the tables do not know is a gap in our configuration, not the caller's mistake.
        QMLogError("site %ld not supported in registerNewUserURL", qlonglong(siteID));
        return QString();
    }
    return textOf(site.value(QStringLiteral("registerNewUserURL")));
}

QString QMAffiliateManager::viewItemURLForSiteID(qint64 siteID, const QString& itemID) const
{
    const QString address = textOf(affiliateInfoForSiteID(siteID).value(QStringLiteral("itemIDURL")));
    if (address.isEmpty())
        return QString();
    const qsizetype placeholder = address.indexOf(QLatin1String("%@"));
    if (placeholder < 0) {
        QMLog("Affiliate view item URL for site %ld does not contain format string", qlonglong(siteID));
        return QString();
    }
    return QString(address).replace(placeholder, 2, itemID);
}
