#include "Operations/QMSimpleAddItemRequestFactory.h"

#include "DWEBay2/types/EBayAddItemRequestType.h"
#include "DWEBay2/types/EBayAmountType.h"
#include "DWEBay2/types/EBayAttributeSetArrayType.h"
#include "DWEBay2/types/EBayAttributeSetType.h"
#include "DWEBay2/types/EBayAttributeType.h"
#include "DWEBay2/types/EBayBestOfferDetailsType.h"
#include "DWEBay2/types/EBayCalculatedShippingRateType.h"
#include "DWEBay2/types/EBayCategoryType.h"
#include "DWEBay2/types/EBayInternationalShippingServiceOptionsType.h"
#include "DWEBay2/types/EBayItemType.h"
#include "DWEBay2/types/EBayMeasureType.h"
#include "DWEBay2/types/EBayNameValueListArrayType.h"
#include "DWEBay2/types/EBayNameValueListType.h"
#include "DWEBay2/types/EBayPaymentDetailsType.h"
#include "DWEBay2/types/EBayPictureDetailsType.h"
#include "DWEBay2/types/EBayProductListingDetailsType.h"
#include "DWEBay2/types/EBayReturnPolicyType.h"
#include "DWEBay2/types/EBayShippingDetailsType.h"
#include "DWEBay2/types/EBayShippingServiceOptionsType.h"
#include "DWEBay2/types/EBayValType.h"
#include "DWEBay2/types/EBayVerifyAddItemRequestType.h"
#include "DWKit/NSString+DWExtensions.h"
#include "DWKit/QMLog.h"
#include "model/DWEbayPreferencesManager.h"
#include "model/QMCategoryDataSource.h"
#include "model/QMCountryDescriptionManager.h"
#include "model/QMEBayBussinessLogic.h"
#include "model/QMEbayAttributeValue.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMItemDescriptionSource.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"
#include "platform/archive/ArchivedObject.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWAssert.h"

#include <QHash>

namespace {

using Factory = QMSimpleAddItemRequestFactory;

constexpr qint64 kEBayMotorsSiteID = 100;
constexpr qint64 kCanadaSiteID = 2;
constexpr qint64 kDepositAmountAttributeID = 10733;
constexpr qint64 kDepositFlagAttributeID = 10734;

QString cleaned(const QString& text)
{
    return dw::stringByRemovingControlCharacters(text);
}

QString cleanedCData(const QString& text)
{
    return Factory::stringByAddingCDATATagAroundString(cleaned(text));
}

std::shared_ptr<EBayAmountType> amount(const QString& text)
{
    return EBayAmountType::amountTypeWithStringContents(text);
}

bool isPositiveNumber(const QString& text)
{
    return dw::doubleValue(text) > 0;
}

std::shared_ptr<EBayCategoryType> categoryWithID(qint64 categoryID)
{
    auto category = EBayCategoryType::categoryType();
    category->setCategoryID(QString::number(categoryID));
    return category;
}

bool categoryAllows(qint64 categoryID, qint64 siteID, bool (QMCategoryDataSource::*flag)(qint64, qint64) const)
{
    const auto source = QMCategoryDataSource::installed();
    return source && (source.get()->*flag)(categoryID, siteID);
}

void addListingTypeAndPrices(EBayItemType& ebayItem, const QMEbayItem& item)
{
    if (item.useStoreListing())
        return;
    if (item.hasVariations()) {
        ebayItem.setListingType(QStringLiteral("FixedPriceItem"));
        return;
    }
    if (!item.useStartingBid() && item.buyItNow()) {
        ebayItem.setListingType(QStringLiteral("FixedPriceItem"));
        ebayItem.setStartPrice(amount(item.buyItNowPrice()));
        return;
    }
    if (item.useStartingBid()) {
        const bool single = !item.useQuantity() || item.quantity() == 1;
        ebayItem.setListingType(single ? QStringLiteral("Chinese") : QStringLiteral("Dutch"));
        ebayItem.setStartPrice(amount(item.minimumBid()));
        if (item.buyItNow())
            ebayItem.setBuyItNowPrice(amount(item.buyItNowPrice()));
    }
}

void addPayment(EBayItemType& ebayItem, const QMEbayItem& item)
{
    const auto& sites = QMSiteDescriptionManager::sharedInstance();
    const qint64 siteID = item.siteID();
    for (const QString& option : sites.allowedPaymentOptionsFromSelectedOptions(item.paymentOptions(), siteID))
        ebayItem.addPaymentMethods(Factory::paymentMethodCodeForLegacyPaymentOption(option));
    const bool payPal = item.paymentOptions().contains(QStringLiteral("PayPalAccepted"));
    if (payPal)
        ebayItem.setPayPalEmailAddress(cleanedCData(item.payPalAddress()));
    if (siteID == kEBayMotorsSiteID && item.useDeposit()) {
        auto details = EBayPaymentDetailsType::paymentDetailsType();
        details->setDaysToFullPayment(item.daysToFullPayment());
        details->setHoursToDeposit(item.hoursToDeposit());
        ebayItem.setPaymentDetails(details);
    }
    ebayItem.setAutoPay(item.autoPay() && item.buyItNow() && payPal && sites.autoPaySupportedOnSiteWithID(siteID));
}

void addHitCounter(EBayItemType& ebayItem, const QMEbayItem& item)
{
    // Counter type 1, every new listing's, is eBay's basic counter; eBay knows no other name for it.
    static const QStringList counters = {QStringLiteral("NoHitCounter"), QStringLiteral("BasicStyle"),
                                         QStringLiteral("RetroStyle"), QStringLiteral("HiddenStyle")};
    if (item.counterType() >= 0 && item.counterType() < counters.size())
        ebayItem.setHitCounter(counters.at(item.counterType()));
}

void addReservePriceAndBestOffer(EBayItemType& ebayItem, const QMEbayItem& item)
{
    const bool pureBuyItNow = !item.useStartingBid() && item.buyItNow();
    const bool reserve =
        item.useReservePrice() && !pureBuyItNow &&
        categoryAllows(item.category(), item.siteID(), &QMCategoryDataSource::categoryIDSupportsReservedPrice);
    ebayItem.setReservePrice(amount(reserve ? item.reservePrice() : QStringLiteral("0")));

    auto bestOffer = EBayBestOfferDetailsType::bestOfferDetailsType();
    bestOffer->setBestOfferEnabled(
        item.useBestOffer() && pureBuyItNow &&
        categoryAllows(item.category(), item.siteID(), &QMCategoryDataSource::categoryIDSupportsBestOffer));
    ebayItem.setBestOfferDetails(bestOffer);
}

// One domestic or international service row, as both kinds share it.
template<class Service>
void fillService(Service& service, const QString& legacyID, qsizetype index, qint64 siteID)
{
    service.setShippingService(QMSiteDescriptionManager::sharedInstance().shippingServiceCodeForLegacyShippingID(
        legacyID, QString::number(siteID)));
    service.setShippingServicePriority(index + 1);
}

void addCalculatedRate(EBayShippingDetailsType& details, const QMItemShippingOptions& options, qint64 siteID)
{
    const auto& sites = QMSiteDescriptionManager::sharedInstance();
    const bool domestic = options.usesCalculatedShipping() && options.domesticShippingServiceCount() > 0;
    const bool international =
        options.usesCalculatedShippingInternational() && options.internationalShippingServiceCount() > 0;
    if (!domestic && !international)
        return;
    auto rate = EBayCalculatedShippingRateType::calculatedShippingRateType();
    rate->setShippingPackage(sites.shippingPackageForShippingType(options.shippingType(), siteID));
    rate->setOriginatingPostalCode(cleanedCData(options.shipFromZipCode()));
    const bool metric = sites.metricShippingUnitsUsedOnSiteWithID(siteID);
    const QString system = metric ? QStringLiteral("Metric") : QStringLiteral("English");
    const QString lengthUnit = metric ? QStringLiteral("cm") : QStringLiteral("inches");
    rate->setMeasurementUnit(system);
    if (isPositiveNumber(options.packageLength()))
        rate->setPackageLength(EBayMeasureType::measureTypeWithContents(options.packageLength(), lengthUnit, system));
    if (isPositiveNumber(options.packageDepth()))
        rate->setPackageDepth(EBayMeasureType::measureTypeWithContents(options.packageDepth(), lengthUnit, system));
    if (isPositiveNumber(options.packageWidth()))
        rate->setPackageWidth(EBayMeasureType::measureTypeWithContents(options.packageWidth(), lengthUnit, system));
    rate->setWeightMajor(EBayMeasureType::measureTypeWithContents(
        options.packagePounds(), metric ? QStringLiteral("kg") : QStringLiteral("lbs"), system));
    rate->setWeightMinor(EBayMeasureType::measureTypeWithContents(
        options.packageOunces(), metric ? QStringLiteral("gm") : QStringLiteral("oz"), system));
    if (domestic)
        rate->setPackagingHandlingCosts(amount(options.packagingHandlingCosts()));
    if (international)
        rate->setInternationalPackagingHandlingCosts(amount(options.packagingHandlingCostsInternational()));
    details.setCalculatedShippingRate(rate);
}

QString shippingType(const QMItemShippingOptions& options)
{
    const bool domesticCalculated = options.usesCalculatedShipping();
    if (options.internationalShippingServiceCount() == 0)
        return domesticCalculated ? QStringLiteral("Calculated") : QStringLiteral("Flat");
    const bool internationalCalculated = options.usesCalculatedShippingInternational();
    if (domesticCalculated && !internationalCalculated)
        return QStringLiteral("CalculatedDomesticFlatInternational");
    if (!domesticCalculated && internationalCalculated)
        return QStringLiteral("FlatDomesticCalculatedInternational");
    return domesticCalculated ? QStringLiteral("Calculated") : QStringLiteral("Flat");
}

// The values of an attribute's chosen values, whichever form the listing stored them in.
QList<QMEbayAttributeValue> chosenValues(const QVariant& stored)
{
    QList<QMEbayAttributeValue> values;
    for (const QVariant& value : stored.toList()) {
        if (const auto object = dw::archivedObjectCast<QMEbayAttributeValue>(value))
            values << *object;
    }
    return values;
}

class ScopedPictureAddresses
{
public:
    explicit ScopedPictureAddresses(const Factory::UploadedPictureAddresses& addresses)
    {
        for (const auto& [picture, address] : addresses) {
            if (!picture)
                continue;
            m_previous.emplace_back(picture, picture->imageURL());
            picture->setImageURL(address);
        }
    }
    ~ScopedPictureAddresses()
    {
        for (auto it = m_previous.rbegin(); it != m_previous.rend(); ++it)
            it->first->setImageURL(it->second);
    }
    ScopedPictureAddresses(const ScopedPictureAddresses&) = delete;
    ScopedPictureAddresses& operator=(const ScopedPictureAddresses&) = delete;

private:
    Factory::UploadedPictureAddresses m_previous;
};

} // namespace

std::shared_ptr<EBayVerifyAddItemRequestType>
QMSimpleAddItemRequestFactory::verifyAddItemRequestForItem(const QMEbayItem& item, const QString& accountID)
{
    auto request = EBayVerifyAddItemRequestType::verifyAddItemRequestType();
    DW_ASSERT(request != nullptr, "request nil");
    request->setItem(ebayItemForQMItem(item, accountID));
    request->addDetailLevel(QStringLiteral("ReturnAll"));
    if (eBayAPIWarningLevelHigh())
        request->setWarningLevel(QStringLiteral("High"));
    return request;
}

std::shared_ptr<EBayAddItemRequestType> QMSimpleAddItemRequestFactory::addItemRequestForItem(const QMEbayItem& item,
                                                                                             const QString& accountID)
{
    auto request = EBayAddItemRequestType::addItemRequestType();
    request->setItem(ebayItemForQMItem(item, accountID));
    request->addDetailLevel(QStringLiteral("ReturnAll"));
    if (eBayAPIWarningLevelHigh())
        request->setWarningLevel(QStringLiteral("High"));
    return request;
}

bool QMSimpleAddItemRequestFactory::eBayAPIWarningLevelHigh()
{
    return QMPreferencesManager::sharedInstance().eBayAPIWarningLevelHigh();
}

std::shared_ptr<EBayItemType>
QMSimpleAddItemRequestFactory::ebayItemForQMItem(const QMEbayItem& item, const QString& accountID,
                                                 const UploadedPictureAddresses& uploadedAddresses)
{
    const ScopedPictureAddresses scoped(uploadedAddresses);
    return ebayItemForQMItem(item, accountID);
}

std::shared_ptr<EBayItemType> QMSimpleAddItemRequestFactory::ebayItemForQMItem(const QMEbayItem& item,
                                                                               const QString& accountID)
{
    const auto& sites = QMSiteDescriptionManager::sharedInstance();
    const qint64 siteID = item.siteID();
    auto ebayItem = EBayItemType::itemType();

    if (item.category() > 0)
        ebayItem->setPrimaryCategory(categoryWithID(item.category()));
    if (item.category2() > 0)
        ebayItem->setSecondaryCategory(categoryWithID(item.category2()));
    ebayItem->setSite(sites.schemaSiteCodeForLegacySiteID(siteID));
    const QString country = QMCountryDescriptionManager::sharedInstance().countryAbbForCountryID(item.countryID());
    if (!country.isEmpty())
        ebayItem->setCountry(country);
    if (!item.location().isEmpty())
        ebayItem->setLocation(cleanedCData(item.location()));
    const bool homeCountry = dw::integerValue(item.countryID()) == sites.defaultCountryIDForSiteID(siteID);
    ebayItem->setRegionID(homeCountry ? QString::number(item.region()) : QStringLiteral("0"));
    ebayItem->setCurrency(sites.currencyCodeForCurrencyID(item.currency(), siteID));

    ebayItem->setTitle(cleanedCData(item.title()));
    if (siteID == kEBayMotorsSiteID || siteID == kCanadaSiteID)
        ebayItem->setSellerProvidedTitle(cleanedCData(item.title()));
    ebayItem->setDescription(cleanedCData(QMItemDescriptionSource::installed()->eBayDescriptionForItem(item)));
    ebayItem->setListingDuration(item.duration() == kQMGoodTillCancelledDuration
                                     ? QStringLiteral("GTC")
                                     : QStringLiteral("Days_%1").arg(item.duration()));

    addListingTypeAndPrices(*ebayItem, item);
    addQuantityToItem(*ebayItem, item);
    addImagesToItem(*ebayItem, item);
    addShippingDetailsToItem(*ebayItem, item, accountID);
    addPayment(*ebayItem, item);
    ebayItem->setPrivateListing(item.privateAuction());
    addHitCounter(*ebayItem, item);
    if (!item.subTitle().isNull())
        ebayItem->setSubTitle(cleanedCData(item.subTitle()));
    addListingEnhancementsToItem(*ebayItem, item);
    addReservePriceAndBestOffer(*ebayItem, item);

    if (!item.customItemSpecifics().isEmpty())
        addCustomSpecificsToRequestItem(item, *ebayItem);
    else
        addAttributesToItem(*ebayItem, item);
    addReturnPoliciesToItem(*ebayItem, item);
    if (item.useZipPostalCode())
        ebayItem->setPostalCode(cleanedCData(item.zipPostalCode()));
    if (item.useDispatchTimeMax())
        ebayItem->setDispatchTimeMax(item.dispatchTimeMax());
    addItemConditionToItem(*ebayItem, item);
    addProductInformationToItem(*ebayItem, item);
    return ebayItem;
}

void QMSimpleAddItemRequestFactory::addQuantityToItem(EBayItemType& ebayItem, const QMEbayItem& item)
{
    // Sending 1 for a listing of several would list only one of them, and a multi-item auction
    // ("Dutch") with a quantity of 1 is refused by eBay.
    ebayItem.setQuantity(item.useQuantity() && item.quantity() > 1 ? item.quantity() : 1);
}

void QMSimpleAddItemRequestFactory::addImagesToItem(EBayItemType& ebayItem, const QMEbayItem& item)
{
    const QStringList addresses = item.imageURLsForAddItemRequest();
    if (addresses.isEmpty())
        return;
    auto pictures = EBayPictureDetailsType::pictureDetailsType();
    if (const auto gallery = item.galleryImage()) {
        const QStringList& enhancements = item.listingEnhancements();
        if (enhancements.contains(QStringLiteral("GalleryFeatured")))
            pictures->setGalleryType(QStringLiteral("Featured"));
        else if (enhancements.contains(QStringLiteral("GalleryPlus")))
            pictures->setGalleryType(QStringLiteral("Plus"));
        else
            pictures->setGalleryType(QStringLiteral("Gallery"));
        pictures->setGalleryURL(cleanedCData(gallery->imageURL()));
    }
    if (QMPreferencesManager::sharedInstance().useOwnServer()) {
        pictures->addPictureURL(cleanedCData(addresses.first()));
    } else {
        for (const QString& address : addresses)
            pictures->addPictureURL(cleanedCData(address));
        if (item.photoDisplayType() == 2)
            pictures->setPhotoDisplay(QStringLiteral("SuperSize"));
        else if (item.photoDisplayType() == 3)
            pictures->setPhotoDisplay(QStringLiteral("PicturePack"));
    }
    ebayItem.setPictureDetails(pictures);
}

bool QMSimpleAddItemRequestFactory::itemUsesAdditionalShipping(const QMEbayItem& item)
{
    return item.useQuantity() && item.quantity() > 1;
}

void QMSimpleAddItemRequestFactory::addShippingDetailsToItem(EBayItemType& ebayItem, const QMEbayItem& item,
                                                             const QString& accountID)
{
    Q_UNUSED(accountID);
    const auto optionsPointer = item.shippingOptions();
    if (!optionsPointer)
        return;
    const QMItemShippingOptions& options = *optionsPointer;
    const qint64 siteID = item.siteID();

    if (options.localPickupOnly()) {
        ebayItem.addShipToLocations(QStringLiteral("None"));
        return;
    }
    if (options.shippingTermsInDescription()) {
        ebayItem.setShippingTermsInDescription(true);
        for (const QString& location : options.shipToLocations())
            ebayItem.addShipToLocations(cleaned(location));
        return;
    }
    auto details = EBayShippingDetailsType::shippingDetailsType();
    if (options.isFreightShipping()) {
        details->setShippingType(QStringLiteral("FreightFlat"));
        details->addShippingServiceOptions(EBayShippingServiceOptionsType::shippingServiceOptionsType());
        ebayItem.setShippingDetails(details);
        return;
    }
    details->setShippingType(shippingType(options));
    addCalculatedRate(*details, options, siteID);

    const bool additional = itemUsesAdditionalShipping(item);
    const bool domesticFlat = !options.usesCalculatedShipping();
    for (qsizetype i = 0; i < options.domesticShippingServiceCount(); ++i) {
        auto service = EBayShippingServiceOptionsType::shippingServiceOptionsType();
        fillService(*service, options.idOfDomesticShippingServiceAtIndex(i), i, siteID);
        if (domesticFlat) {
            service->setShippingServiceCost(amount(options.feeForDomesticShippingServiceAtIndex(i)));
            if (additional && options.usesAdditionalFeeForDomesticShippingServiceAtIndex(i)) {
                const QString fee = options.additionalFeeForDomesticShippingServiceAtIndex(i);
                service->setShippingServiceAdditionalCost(
                    amount(fee.isNull() ? options.feeForDomesticShippingServiceAtIndex(i) : fee));
            }
            const QString surcharge = options.surchargeFeeForDomesticShippingServiceAtIndex(i);
            if (options.usesSurchargeFeeForDomesticShippingServiceAtIndex(i) && !surcharge.isEmpty() &&
                QMEBayBussinessLogic::shippingSurchargeAvailableOnSiteWithID(siteID, service->shippingService()))
                service->setShippingSurcharge(amount(surcharge));
        }
        details->addShippingServiceOptions(service);
    }

    // eBay needs to know where an international service ships to; without ship-to locations the
    // listing is sent with its domestic services only.
    if (!options.shipToLocations().isEmpty()) {
        for (const QString& location : options.shipToLocations())
            ebayItem.addShipToLocations(cleaned(location));
        const bool internationalFlat = !options.usesCalculatedShippingInternational();
        for (qsizetype i = 0; i < options.internationalShippingServiceCount(); ++i) {
            auto service = EBayInternationalShippingServiceOptionsType::internationalShippingServiceOptionsType();
            fillService(*service, options.idOfInternationalShippingServiceAtIndex(i), i, siteID);
            if (internationalFlat) {
                service->setShippingServiceCost(amount(options.feeForInternationalShippingServiceAtIndex(i)));
                if (additional && options.usesAdditionalFeeForInternationalShippingServiceAtIndex(i)) {
                    const QString fee = options.additionalFeeForInternationalShippingServiceAtIndex(i);
                    service->setShippingServiceAdditionalCost(
                        amount(fee.isNull() ? options.feeForInternationalShippingServiceAtIndex(i) : fee));
                }
            }
            const QStringList own = options.shipToLocationsForInternationalServiceAtIndex(i);
            const bool special = options.usesSpecialShipToLocationsForInternationalServiceAtIndex(i) && !own.isEmpty();
            for (const QString& location : special ? own : options.shipToLocations())
                service->addShipToLocation(cleaned(location));
            details->addInternationalShippingServiceOption(service);
        }
    }

    if (!item.checkoutInstructions().isEmpty())
        details->setPaymentInstructions(cleanedCData(item.checkoutInstructions()));
    for (const QString& location : options.excludeLocations())
        details->addExcludeShipToLocation(cleaned(location));
    ebayItem.setShippingDetails(details);
}

void QMSimpleAddItemRequestFactory::addListingEnhancementsToItem(EBayItemType& ebayItem, const QMEbayItem& item)
{
    if (item.listingEnhancements().isEmpty())
        return;
    const auto& sites = QMSiteDescriptionManager::sharedInstance();
    const qint64 siteID = item.siteID();
    auto chosen = std::make_shared<QList<QString>>();
    for (const QVariant& entry : sites.allowedListingEnhancementsForSiteID(siteID)) {
        const QString option = entry.toMap().value(QStringLiteral("OptionID")).toString();
        if (sites.isGalleryListingEnhancement(option, siteID) || !item.listingEnhancements().contains(option))
            continue;
        if (option == QLatin1String("CrossBorderTrade"))
            addCrossBorderTradeToItem(ebayItem, sites.crossBorderTradeStringForSite(siteID), siteID);
        else
            chosen->append(option);
    }
    ebayItem.setListingEnhancements(chosen);
}

void QMSimpleAddItemRequestFactory::addCrossBorderTradeToItem(EBayItemType& ebayItem, const QString& crossBorderTrade,
                                                              qint64 siteID)
{
    // A site table without the value is our data's fault, not the user's: the listing goes out
    // without the enhancement rather than not at all.
    if (crossBorderTrade.isEmpty()) {
        QMLog("No crossBorderTrade value found for site id %@; the enhancement is left out", siteID);
        return;
    }
    ebayItem.addCrossBorderTrade(crossBorderTrade);
}

void QMSimpleAddItemRequestFactory::addReturnPoliciesToItem(EBayItemType& ebayItem, const QMEbayItem& item)
{
    const auto& sites = QMSiteDescriptionManager::sharedInstance();
    const qint64 siteID = item.siteID();
    auto policy = EBayReturnPolicyType::returnPolicyType();
    if (item.returnPolicyAccepted()) {
        policy->setReturnsAcceptedOption(QStringLiteral("ReturnsAccepted"));
        const QString description = cleaned(item.returnPolicyDescription());
        if (!description.isEmpty())
            policy->setDescription(stringByAddingCDATATagAroundString(description));
        if (sites.supportsReturnPolicyShippingCostPaidByOnSiteID(siteID))
            policy->setShippingCostPaidByOption(item.returnPolicyShippingCostPaidByOption());
        if (sites.supportsReturnPolicyReturnsWithinOnSiteID(siteID))
            policy->setReturnsWithinOption(item.returnPolicyReturnsWithinOption());
        if (sites.supportsReturnPolicyRefundDetailsOnSiteID(siteID))
            policy->setRefundOption(item.returnPolicyRefundOption());
    } else if (sites.requiresReturnPolicyOnSiteID(siteID) && !item.listAsClassifiedAd()) {
        policy->setReturnsAcceptedOption(QStringLiteral("ReturnsNotAccepted"));
    }
    ebayItem.setReturnPolicy(policy);
}

void QMSimpleAddItemRequestFactory::addAttributesToItem(EBayItemType& ebayItem, const QMEbayItem& item)
{
    const auto source = QMCategoryDataSource::installed();
    if (!source)
        return;
    const qint64 siteID = item.siteID();
    QList<qint64> categories{item.category()};
    if (item.category2() > 0)
        categories << item.category2();
    const QList<qint64> allowed = source->characteristicSetIDsForCategoryIDs(categories, siteID);

    auto sets = EBayAttributeSetArrayType::attributeSetArrayType();
    const QVariantMap attributeSets = item.attributeSets();
    for (auto it = attributeSets.cbegin(); it != attributeSets.cend(); ++it) {
        const qint64 setID = dw::integerValue(it.key());
        const QVariantMap values = it.value().toMap().value(QStringLiteral("values")).toMap();
        if (values.isEmpty() || !allowed.contains(setID))
            continue;
        auto set = EBayAttributeSetType::attributeSetType();
        set->setAttributeSetID(setID);
        if ((setID == kQMPassengerCSSetID || setID == kQMMotorcyclesCSSetID) && siteID == kEBayMotorsSiteID &&
            item.useDeposit()) {
            auto depositAmount = EBayAttributeType::attributeType();
            depositAmount->setAttributeID(kDepositAmountAttributeID);
            auto amountValue = EBayValType::valType();
            amountValue->setValueLiteral(cleanedCData(item.depositAmount()));
            depositAmount->addValue(amountValue);
            set->addAttribute(depositAmount);
            auto depositFlag = EBayAttributeType::attributeType();
            depositFlag->setAttributeID(kDepositFlagAttributeID);
            auto flagValue = EBayValType::valType();
            flagValue->setValueLiteral(QStringLiteral("1"));
            depositFlag->addValue(flagValue);
            set->addAttribute(depositFlag);
        }
        QHash<qint64, QMCategoryAttribute> known;
        for (const auto& attribute :
             source->sortedAttributesForAttributeSet(setID, siteID).value_or(QList<QMCategoryAttribute>{}))
            known.insert(attribute.identifier, attribute);
        for (auto value = values.cbegin(); value != values.cend(); ++value) {
            const qint64 attributeID = dw::integerValue(value.key());
            const auto found = known.constFind(attributeID);
            const QList<QMEbayAttributeValue> chosen = chosenValues(value.value());
            if (found == known.cend() || found->editType == QMCategoryAttribute::kNotSentEditType || chosen.isEmpty())
                continue;
            auto attribute = EBayAttributeType::attributeType();
            attribute->setAttributeID(attributeID);
            for (const QMEbayAttributeValue& chosenValue : chosen) {
                auto val = EBayValType::valType();
                if (const qint64 id = dw::integerValue(chosenValue.identifier()); id != 0)
                    val->setValueID(id);
                val->setValueLiteral(cleanedCData(chosenValue.name()));
                attribute->addValue(val);
            }
            set->addAttribute(attribute);
        }
        sets->addAttributeSet(set);
    }
    if (sets->attributeSets() && !sets->attributeSets()->isEmpty())
        ebayItem.setAttributeSetArray(sets);
}

void QMSimpleAddItemRequestFactory::addCustomSpecificsToRequestItem(const QMEbayItem& item, EBayItemType& ebayItem)
{
    auto specifics = EBayNameValueListArrayType::nameValueListArrayType();
    const qint64 siteID = item.siteID();
    const QVariantMap& custom = item.customItemSpecifics();
    for (auto it = custom.cbegin(); it != custom.cend(); ++it) {
        const QString value = it.value().toString();
        if ((siteID == kEBayMotorsSiteID || siteID == kCanadaSiteID) && it.key().toLower() == QLatin1String("vin")) {
            ebayItem.setVIN(cleanedCData(value));
            continue;
        }
        auto entry = EBayNameValueListType::nameValueListType();
        entry->setName(cleanedCData(it.key()));
        entry->addValue(cleanedCData(value));
        specifics->addNameValueList(entry);
    }
    ebayItem.setItemSpecifics(specifics);
}

QString QMSimpleAddItemRequestFactory::paymentMethodCodeForLegacyPaymentOption(const QString& option)
{
    static const QHash<QString, QString> codes = {
        {QStringLiteral("CashOnPickupAccepted"), QStringLiteral("CashOnPickup")},
        {QStringLiteral("MOCashiers"), QStringLiteral("MOCC")},
        {QStringLiteral("MoneyXferAcceptedinCheckout"), QStringLiteral("MoneyXferAcceptedInCheckout")},
        {QStringLiteral("PayPalAccepted"), QStringLiteral("PayPal")},
        {QStringLiteral("PaymentOther"), QStringLiteral("Other")},
        {QStringLiteral("VisaMaster"), QStringLiteral("VisaMC")},
    };
    return codes.value(option, option);
}

void QMSimpleAddItemRequestFactory::addItemConditionToItem(EBayItemType& ebayItem, const QMEbayItem& item)
{
    const qint64 conditionID = item.valueForKey(QStringLiteral("conditionID")).toLongLong();
    if (conditionID != 0 && QMEBayBussinessLogic::itemSupportsConditionFlag(item))
        ebayItem.setConditionID(conditionID);
}

QString QMSimpleAddItemRequestFactory::productCodeTypeForCode(const QString& code)
{
    switch (code.size()) {
    case 10:
        return QStringLiteral("ISBN");
    case 13:
        return code.startsWith(QLatin1String("978")) || code.startsWith(QLatin1String("979")) ? QStringLiteral("ISBN")
                                                                                              : QStringLiteral("EAN");
    case 12:
        return QStringLiteral("UPC");
    case 8:
        return QStringLiteral("EAN");
    default:
        return QString();
    }
}

void QMSimpleAddItemRequestFactory::addProductInformationToItem(EBayItemType& ebayItem, const QMEbayItem& item)
{
    std::shared_ptr<EBayProductListingDetailsType> details;
    auto ensureDetails = [&details] {
        if (!details)
            details = EBayProductListingDetailsType::productListingDetailsType();
        return details;
    };
    if (!item.productID().isEmpty() && item.listWithProductID()) {
        ensureDetails()->setProductID(cleanedCData(item.productID()));
        details->setIncludeStockPhotoURL(item.includeStockPhoto());
        details->setIncludePrefilledItemInformation(item.includeAdditionalInformation());
        if (item.includeStockPhoto() && item.galleryStockPhoto()) {
            details->setUseStockPhotoURLAsGallery(true);
            if (!ebayItem.pictureDetails())
                ebayItem.setPictureDetails(EBayPictureDetailsType::pictureDetailsType());
            ebayItem.pictureDetails()->setGalleryType(QStringLiteral("Gallery"));
        }
    }
    const QString code = cleaned(item.productBarCode()).trimmed();
    if (!code.isEmpty()) {
        ensureDetails()->setListIfNoProduct(true);
        details->setUseFirstProduct(true);
        QString type = productCodeTypeForCode(code);
        if (type.isEmpty()) {
            QMLog("Could not get explicit product code type for code %@. Setting UPC instead.", code);
            type = QStringLiteral("UPC");
        }
        const QString value = stringByAddingCDATATagAroundString(code);
        if (type == QLatin1String("ISBN"))
            details->setISBN(value);
        else if (type == QLatin1String("EAN"))
            details->setEAN(value);
        else
            details->setUPC(value);
    }
    ebayItem.setProductListingDetails(details);
}

QString QMSimpleAddItemRequestFactory::stringByAddingCDATATagAroundString(const QString& text)
{
    return QStringLiteral("<![CDATA[") + text + QStringLiteral("]]>");
}
