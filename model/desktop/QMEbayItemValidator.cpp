#include "model/QMEbayItemValidator.h"

#include "model/QMAccountDataSource.h"
#include "model/QMCategoryDataSource.h"
#include "model/QMEBayBussinessLogic.h"
#include "model/QMEbayAttributeValue.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMEbayTimeManager.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"

#include "DWKit/QMAlertPanels.h"

#include "platform/core/Clock.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWFormat.h"
#include "platform/core/KeyValueCoding.h"
#include "platform/core/Localization.h"
#include "platform/core/UserDefaults.h"

namespace {

// The listing's title as the texts show it: an empty text for a listing without one.
QString titleOf(const QMEbayItem& item)
{
    return item.title().isNull() ? QStringLiteral("") : item.title();
}

// The localized text filled in one pass: what the arguments bring in is never read as a format.
template<class... Args>
QString text(const char* englishFormat, const Args&... args)
{
    return dw::format(dw::localized(englishFormat), args...);
}

// A modal alert with the given buttons (null: leave out); 1 for the first, 0 for the second.
int runAlert(const char* title, const QString& message, const QString& defaultButton = QString(),
             const QString& alternateButton = QString(),
             dw::AlertRequest::Style style = dw::AlertRequest::Style::Warning)
{
    dw::AlertRequest alert;
    alert.style = style;
    alert.messageText = dw::localized(title);
    alert.informativeText = message;
    return dw::runAlertPanel(alert, defaultButton, alternateButton, QString());
}

// Refuses with an alert that has the one button "OK".
bool refuse(const char* title, const QString& message)
{
    runAlert(title, message);
    return false;
}

// Prices are read from the start of their text; a text that does not begin with a number is 0.
double priceOf(const QString& amount)
{
    return dw::doubleValue(amount);
}

} // namespace

QMEbayItemValidator& QMEbayItemValidator::sharedInstance()
{
    static QMEbayItemValidator instance;
    return instance;
}

bool QMEbayItemValidator::verifyPreferenceSettings()
{
    if (!checkIfTokenExists())
        return false;
    const auto& preferences = QMPreferencesManager::sharedInstance();
    if (!preferences.defaultLocation().toString().isEmpty() || !preferences.defaultZIPCode().isEmpty())
        return true;
    return refuse("Incomplete Location", text("Please enter either a city or a ZIP code in the preferences panel."));
}

bool QMEbayItemValidator::itemCanBeAdded(QMEbayItem& item, bool displayFreeShippingWarning)
{
    const auto categories = QMCategoryDataSource::installed();
    const auto& preferences = QMPreferencesManager::sharedInstance();
    const auto& sites = QMSiteDescriptionManager::sharedInstance();
    const qint64 siteID = item.siteID();
    const QString siteText = dw::format(QStringLiteral("%ld"), qlonglong(siteID));
    const QString currencyName = sites.currencyNameForCurrencyID(item.currency(), siteID);
    const QString title = titleOf(item);
    const auto categoryExists = [&](qint64 categoryID) {
        return categories && categories->categoryExistsForSiteID(categoryID, siteID);
    };

    if (item.title().isEmpty())
        return refuse("Missing Auction Title", text("Please enter a title for auction “%@”.", title));
    if (item.title().size() > kMaximumTitleLength)
        return refuse(
            "Auction Title",
            text("The title of auction “%1$@” is too long. Please enter a title shorter than %2$d characters.", title,
                 kMaximumTitleLength));
    if (item.category() == 0)
        return refuse("No Category Specified", text("Please specify at least one category for auction “%@”.", title));
    if (!categoryExists(item.category()))
        return refuse("Invalid Category",
                      text("The selected category from auction “%@” does not exist any more. Please download the last "
                           "version of the categories data and select another category.",
                           title));
    if (item.category2() != 0 && !categoryExists(item.category2()))
        return refuse("Invalid Second Category",
                      text("The selected second category from auction “%@” does not exist any more. Please download "
                           "the last version of the categories data and select another category.",
                           title));
    if (item.itemDescriptionAsString().isEmpty() && !item.listWithProductID())
        return refuse("Missing Auction Description", text("Please enter a description for auction “%@”.", title));
    if (!item.buyItNow() && !item.useStartingBid())
        return refuse("Missing Price Information",
                      text("Please enter either a starting bid or a Buy It Now price for auction “%@”.", title));
    if (item.useStartingBid() && priceOf(item.minimumBid()) < kMinimumPrice)
        return refuse("Starting Bid", text("Please enter a starting bid greater than %1$f %2$@ for auction “%3$@”.",
                                           kMinimumPrice, currencyName, title));
    if (item.buyItNow() && priceOf(item.buyItNowPrice()) < kMinimumPrice)
        return refuse("Buy It Now Price",
                      text("Please enter a Buy It Now price greater than %1$f %2$@ for auction “%3$@”.", kMinimumPrice,
                           currencyName, title));
    if (item.paymentOptions().isEmpty() && !item.listAsClassifiedAd())
        return refuse("Missing Payment Options",
                      text("Please specify at least one payment method for auction “%@”.", title));
    if (item.useReservePrice() && QMEBayBussinessLogic::reservePriceAllowedForItem(item) && item.useStartingBid() &&
        priceOf(item.reservePrice()) <= priceOf(item.minimumBid()))
        return refuse("Reserve price too low",
                      text("Reserve price of auction “%@” has to be greater than the auctions starting bid.", title));
    if (item.location().isEmpty() && item.zipPostalCode().isEmpty())
        return refuse("Incomplete Location", text("Please enter either a city or a ZIP code for auction “%@”.", title));
    if (!checkEbaySchedulerTimeForItem(item))
        return false;

    const QList<std::shared_ptr<QMEbayImage>> toUpload = item.imagesToBeUploadedIncludeVariationImages();
    const auto gallery = item.galleryImage();
    if (preferences.useEPS() && gallery && gallery->isURLBased() && item.hasGalleryImage() && !toUpload.isEmpty())
        return refuse(
            "Image Error",
            text("If you are using eBay’s picture service (EPS) for image storage, you can’t use an URL based "
                 "image as gallery image, if you also have other images that need to be uploaded to eBay "
                 "for auction %@.",
                 title));

    const bool noPercentage = item.taxOrVatPercent().isEmpty();
    const QString taxState = item.taxStateOrSystem();
    const bool realTaxState =
        taxState != QLatin1String("__NoSalesTax__") && taxState != QLatin1String("__UseTaxTable__");
    if (sites.siteSupportsTaxTableOrTax(siteText) && realTaxState && noPercentage)
        return refuse("Sales Tax Error", text("Please enter a sales tax rate for auction “%@”.", title));
    else if (sites.siteSupportsVATPercent(siteText) && item.useVAT() && noPercentage)
        return refuse("Missing VAT", text("Please enter a sales tax rate for auction “%@”.", title));

    if (preferences.useDunmerrowImageServer() && toUpload.size() > kMaximumFreePictureServiceImages)
        return refuse("Image Error", text("Quillmart’s Free Picture Service supports only %d images per auction.",
                                          kMaximumFreePictureServiceImages));
    if (preferences.useDotMac()) {
        const int answer = runAlert("MobileMe Error",
                                    text("Apple has set the shutdown date for MobileMe to June 30th, 2012. Therefore "
                                         "it is no longer available for image storage in Quillmart. Please choose "
                                         "another image service in the Preferences."),
                                    dw::localized("OK"), dw::localized("Open Preferences..."));
        if (answer == 0 && m_delegate)
            m_delegate->displayImageServicePreferences();
        return false;
    }
    if (item.checkoutInstructions().size() > kMaximumPaymentInstructionsLength)
        return refuse("Payment Instructions too long",
                      text("Your payment instructions exceed the 500 character limit. Please shorten it."));
    if (!verifyRequiredAttributesForItem(item))
        return false;

    const auto& shipping = item.shippingOptions();
    const bool localPickupOnly = shipping && shipping->localPickupOnly();
    const bool hasDomesticService = shipping && shipping->domesticShippingServiceCount() > 0;
    if (sites.oneDomesticShippingServiceRequiredOnSiteWithID(siteID) && !item.listAsClassifiedAd() &&
        !localPickupOnly && !hasDomesticService)
        return refuse("Required Domestic Shipping Service",
                      text("You did not specify a domestic shipping service. Please specify a shipping service for "
                           "auction “%@”.",
                           title));
    if (!shippingServicesAreKnown(item))
        return false;

    const bool freight = shipping && shipping->isFreightShipping();
    const auto& defaults = preferences.defaults();
    if (displayFreeShippingWarning && item.hasFreeShippingService() && !freight &&
        !defaults.boolForKey(QStringLiteral("HideFreeShippingWarning")) && m_delegate &&
        m_delegate->displayFreeShippingWarningForItem(item) == 1)
        return false;
    if (displayFreeShippingWarning && freight && m_delegate &&
        !defaults.boolForKey(QStringLiteral("HideFreightShippingWarning")) &&
        m_delegate->displayFreightShippingWarningForItem(item) == 1)
        return false;

    if (item.useStartingBid() && !item.listAsClassifiedAd() && (item.duration() == 30 || item.duration() == 1000))
        return refuse("Listing Duration",
                      text("A duration of 30 days or “Good ’Til Canceled” is only supported for fixed price listings. "
                           "Please change the duration or remove the starting bid for auction “%@”.",
                           title));
    if (QMEBayBussinessLogic::itemRequiresConditionFlag(item) && item.conditionID() == 0)
        return refuse("Missing Condition",
                      text("You did not select a value from the condition popup in the inspector window for auction "
                           "“%@”.",
                           title));
    return true;
}

bool QMEbayItemValidator::checkEbaySchedulerTimeForItem(QMEbayItem& item)
{
    if (!item.useScheduleTime())
        return true;
    const QString title = titleOf(item);
    // A time text that cannot be read is as good as none: eBay would not take it either.
    const QDateTime start =
        item.ebayScheduleTime().isEmpty()
            ? QDateTime()
            : QMEbayTimeManager::sharedInstance().localDateFromEbayDateString(item.ebayScheduleTime());
    if (!start.isValid())
        return refuse("eBay Start Time",
                      text("Please enter a start time for the eBay scheduler for auction “%@”.", title));
    if (start >= dw::now())
        return true;
    return refuse("eBay Start Time",
                  text("Please enter a start time for the eBay scheduler in the future (auction “%@”).", title));
}

bool QMEbayItemValidator::shippingServicesAreKnown(QMEbayItem& item)
{
    const auto& shipping = item.shippingOptions();
    // Only where the request lists its services: local pickup, terms in the description and
    // freight send none.
    if (!shipping || shipping->localPickupOnly() || shipping->shippingTermsInDescription() ||
        shipping->isFreightShipping())
        return true;
    const auto& sites = QMSiteDescriptionManager::sharedInstance();
    const QString siteID = QString::number(item.siteID());
    const auto known = [&](const QString& serviceID) {
        return !sites.shippingServiceCodeForLegacyShippingID(serviceID, siteID).isEmpty();
    };
    for (qsizetype i = 0; i < shipping->domesticShippingServiceCount(); ++i) {
        if (!known(shipping->idOfDomesticShippingServiceAtIndex(i)))
            return refuse("Unknown Shipping Service",
                          text("Domestic shipping option %1$ld of auction “%2$@” names a shipping service that eBay "
                               "does not offer on this site. Please choose another service for this option.",
                               qint64(i + 1), titleOf(item)));
    }
    // International services go out only with ship-to locations.
    if (shipping->shipToLocations().isEmpty())
        return true;
    for (qsizetype i = 0; i < shipping->internationalShippingServiceCount(); ++i) {
        if (!known(shipping->idOfInternationalShippingServiceAtIndex(i)))
            return refuse("Unknown Shipping Service",
                          text("International shipping option %1$ld of auction “%2$@” names a shipping service that "
                               "eBay does not offer on this site. Please choose another service for this option.",
                               qint64(i + 1), titleOf(item)));
    }
    return true;
}

bool QMEbayItemValidator::verifyRequiredAttributesForItem(QMEbayItem& item)
{
    const auto categories = QMCategoryDataSource::installed();
    const qint64 siteID = item.siteID();
    if (QMEBayBussinessLogic::itemCanUseCustomSpecifics(item) || !categories ||
        !categories->completeDataAvailableForSiteID(siteID))
        return true;
    QList<qint64> categoryIDs{item.category()};
    if (item.category2() != 0)
        categoryIDs << item.category2();
    const QList<qint64> setIDs = categories->characteristicSetIDsForCategoryIDs(categoryIDs, siteID);
    for (qint64 setID : setIDs) {
        const auto attributes = categories->sortedAttributesForAttributeSet(setID, siteID);
        if (!attributes)
            continue;
        const QString setKey = dw::format(QStringLiteral("%ld"), qlonglong(setID));
        const QVariantMap values = item.attributeForSetID(setKey).value(QStringLiteral("values")).toMap();
        for (const QMCategoryAttribute& attribute : *attributes) {
            for (qint64 ruleType : attribute.validationRuleTypes) {
                if (ruleType != QMCategoryAttribute::kRequiredRuleType)
                    continue;
                const QVariant chosen =
                    values.value(dw::format(QStringLiteral("%ld"), qlonglong(attribute.identifier)));
                if (!chosen.toList().isEmpty())
                    continue;
                const bool missing = attribute.visibility != QMCategoryAttribute::kDependentVisibility ||
                                     dependencyForAttribute(attribute, *attributes, values);
                if (!missing)
                    continue;
                const int answer = runAlert("Attribute Validation Error",
                                            text("You did not enter a required attribute. Please select a value for "
                                                 "the attribute “%@”.",
                                                 attribute.label),
                                            dw::localized("OK"), dw::localized("Show Attribute Panel"));
                if (answer == 0 && m_delegate)
                    m_delegate->displayAttributePanelForItem(item);
                return false;
            }
        }
    }
    return true;
}

bool QMEbayItemValidator::dependencyForAttribute(const QMCategoryAttribute& attribute,
                                                 const QList<QMCategoryAttribute>& attributes,
                                                 const QVariantMap& values) const
{
    for (const QMCategoryAttribute& other : attributes) {
        if (other.identifier == attribute.identifier)
            continue;
        const QVariant chosen = values.value(dw::format(QStringLiteral("%ld"), qlonglong(other.identifier)));
        for (const QMAttributeDependency& dependency : other.dependencies) {
            if (dependency.childAttributeIdentifier == attribute.identifier &&
                attributeValueList(chosen, dependency.parentValueIdentifier))
                return true;
        }
    }
    return false;
}

bool QMEbayItemValidator::attributeValueList(const QVariant& values, const QString& identifier)
{
    for (const QVariant& value : values.toList()) {
        QString valueID;
        if (const auto attributeValue = dw::archivedObjectCast<QMEbayAttributeValue>(value))
            valueID = attributeValue->identifier();
        else
            valueID = dw::valueForKey(value, QStringLiteral("identifier")).toString();
        if (!valueID.isNull() && valueID == identifier)
            return true;
    }
    return false;
}

bool QMEbayItemValidator::checkIfTokenExistsForAccountID(const QString& accountID, bool showWarningPanel)
{
    // The token itself decides: a default account that has none cannot reach eBay.
    const auto accounts = QMAccountDataSource::installed();
    QString token;
    if (accounts) {
        const QString account = accountID.isEmpty() ? accounts->defaultAccountID() : accountID;
        if (!account.isEmpty())
            token = accounts->tokenForAccountID(account);
    }
    if (!token.isEmpty())
        return true;
    if (showWarningPanel) {
        const int answer =
            runAlert("Missing Token",
                     text("To connect to the eBay system you first have to authorize Quillmart for your eBay account "
                          "and retrieve an access token."),
                     dw::localized("Authorize Quillmart"), dw::localized("Cancel"));
        if (answer == 1 && m_delegate)
            m_delegate->displayTokenPanel();
    }
    return false;
}

bool QMEbayItemValidator::checkToken(const QString& token, bool displayWarning)
{
    if (!token.isEmpty())
        return true;
    if (displayWarning)
        runAlert("Access Error", text("Quillmart could not read the eBay access token from your account’s keychain."),
                 dw::localized("OK"), QString(), dw::AlertRequest::Style::Critical);
    return false;
}

bool QMEbayItemValidator::prepareItemForAddItem(QMEbayItem& item, const QString& accountID, bool showPayPalWarning)
{
    item.setStartedAccountID(accountID);
    if (!item.paymentOptions().contains(QStringLiteral("PayPalAccepted")))
        return true;
    const auto accounts = QMAccountDataSource::installed();
    const QString address = accounts ? accounts->payPalAddressForAccountID(accountID) : QString();
    if (!address.isEmpty()) {
        item.setPayPalAddress(address);
        return true;
    }
    if (showPayPalWarning)
        runAlert("Missing PayPal Address",
                 text("You have enabled PayPal as a payment option. Please enter your PayPal e-mail address in the "
                      "“Accounts” section in Quillmart’s preferences."));
    return false;
}
