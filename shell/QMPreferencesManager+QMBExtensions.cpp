#include "shell/QMPreferencesManager+QMBExtensions.h"

#include "DWKit/NSString+DWExtensions.h"
#include "model/QMEbayItem.h"
#include "model/QMPreferencesManager.h"
#include "platform/core/Localization.h"
#include "platform/core/UserDefaults.h"

namespace QMBPreferences {

namespace {
constexpr const char* kLastUsedCategoryIDKey = "lastUsedCategoryID";

QStringList texts(const QVariantList& values)
{
    QStringList result;
    for (const QVariant& value : values)
        result.append(value.toString());
    return result;
}
} // namespace

std::shared_ptr<QMEbayItem> standardEbayItemPlain(const QMPreferencesManager& preferences)
{
    auto item = std::make_shared<QMEbayItem>();
    item->setDuration(int(preferences.defaultAuctionDuration()));
    item->setTitle(dw::localized("New Auction Template"));
    item->setMinimumBid(preferences.defaultMinimumBid().toString());
    item->setPrivateAuction(preferences.isPrivateAuctionByDefault());
    item->setCountryID(QString::number(int(preferences.defaultCountryID())));
    item->setSiteID(int(preferences.defaultSiteID()));
    item->setCurrency(int(preferences.defaultCurrencyID()));
    item->setQuantity(1);
    item->setRegion(int(preferences.defaultRegionID()));
    item->setLocation(preferences.defaultLocation().toString());
    item->setPaymentOptions(texts(preferences.defaultPaymentOptions()));
    item->setBuyItNowPrice(preferences.defaultBuyItNowPrice().toString());
    item->setBuyItNow(preferences.useBuyItNowByDefault());
    item->setUseStartingBid(preferences.useStartingBidByDefault());
    item->setConvertDescriptionToHTML(false);
    item->setUseReservePrice(preferences.useReservePriceByDefault());
    item->setReservePrice(preferences.defaultReservePrice().toString());
    item->setShippingOptions(preferences.defaultShippingOptionsForSiteID(QString::number(preferences.defaultSiteID())));
    item->setCounterType(int(preferences.defaultCounterType()));
    item->setTaxStateOrSystem(QStringLiteral("__NoSalesTax__"));
    item->setWasChanged(true);
    item->setUniqueID(dw::UUID());
    item->setDepositAmount(QStringLiteral("100.00"));

    if (preferences.defaultUseDesignTemplate()) {
        item->setUseDesignTemplate(true);
        item->setDesignTemplateIdentifier(preferences.defaultDesignTemplateIdentifier().toString());
    }
    if (const QString zip = preferences.defaultZIPCode(); !zip.isEmpty()) {
        item->setUseZipPostalCode(true);
        item->setZipPostalCode(zip);
    }
    item->setUseDispatchTimeMax(preferences.useDispatchTimeMaxByDefault());
    item->setDispatchTimeMax(int(preferences.defaultDispatchTimeMax()));
    item->setReturnPolicyAccepted(preferences.returnPolicyAccepted());
    item->setReturnPolicyDescription(preferences.returnPolicyDescription().toString());
    item->setReturnPolicyReturnsWithinOption(preferences.returnPolicyReturnsWithinOption().toString());
    item->setReturnPolicyShippingCostPaidByOption(preferences.returnPolicyShippingCostPaidByOption().toString());
    item->setReturnPolicyRefundOption(preferences.returnPolicyRefundOption().toString());
    return item;
}

qint64 lastUsedCategoryID(const QMPreferencesManager& preferences)
{
    return preferences.defaults().integerForKey(QLatin1String(kLastUsedCategoryIDKey));
}

void setLastUsedCategoryID(QMPreferencesManager& preferences, qint64 categoryID)
{
    preferences.defaults().setInteger(categoryID, QLatin1String(kLastUsedCategoryIDKey));
}

} // namespace QMBPreferences
