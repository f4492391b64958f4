#pragma once
// Turns one listing into the eBay item that the verify and add-item calls send, and wraps that
// item into their requests. It is the one place where the listing's fields meet eBay's element
// names and codes.
//
// Every call builds new objects; nothing is kept between calls. Free text from the listing is
// cleaned of control characters and wrapped as CDATA ("<![CDATA[...]]>"); the XML writer turns
// such a value into a CDATA section split wherever the text itself holds "]]>", so any text
// reaches eBay as it was written. The builder does not validate: the listing validator runs first,
// and a value the listing lacks is simply not sent.
//
// Main thread only: it reads the live listing, its description HTML and the category data. Code on
// a worker thread hands the call to the main thread and waits.
//
//     auto request = QMSimpleAddItemRequestFactory::verifyAddItemRequestForItem(*item, accountID);
//     connector->sendRequestWithToken(request, QStringLiteral("VerifyAddItem"));

#include <QString>
#include <QStringList>
#include <memory>
#include <utility>
#include <vector>

class EBayAddItemRequestType;
class EBayItemType;
class EBayVerifyAddItemRequestType;
class QMEbayImage;
class QMEbayItem;

// Attribute sets whose listings on eBay Motors carry the deposit as attributes.
inline constexpr qint64 kQMPassengerCSSetID = 1137;
inline constexpr qint64 kQMMotorcyclesCSSetID = 1146;
// A listing duration of this many days means "until cancelled".
inline constexpr qint64 kQMGoodTillCancelledDuration = 1000;

class QMSimpleAddItemRequestFactory
{
public:
    QMSimpleAddItemRequestFactory() = delete;

    // A picture of the listing and the address its upload gave it.
    using UploadedPictureAddresses = std::vector<std::pair<std::shared_ptr<QMEbayImage>, QString>>;

    // The request with the built item, detail level "ReturnAll" and, when the preferences ask for
    // it, warning level "High".
    static std::shared_ptr<EBayVerifyAddItemRequestType> verifyAddItemRequestForItem(const QMEbayItem& item,
                                                                                     const QString& accountID);
    static std::shared_ptr<EBayAddItemRequestType> addItemRequestForItem(const QMEbayItem& item,
                                                                         const QString& accountID);
    static bool eBayAPIWarningLevelHigh();

    // The eBay item of the listing. The account ID is that of the upload; it changes nothing in
    // the item.
    static std::shared_ptr<EBayItemType> ebayItemForQMItem(const QMEbayItem& item, const QString& accountID);
    // The same with the given pictures carrying their uploaded addresses for the length of the
    // call; the pictures' own addresses are back in place afterwards, also when the build throws.
    static std::shared_ptr<EBayItemType> ebayItemForQMItem(const QMEbayItem& item, const QString& accountID,
                                                           const UploadedPictureAddresses& uploadedAddresses);

    // The steps of the build, each filling its part of the item from the listing.
    static void addQuantityToItem(EBayItemType& ebayItem, const QMEbayItem& item);
    static void addImagesToItem(EBayItemType& ebayItem, const QMEbayItem& item);
    static void addShippingDetailsToItem(EBayItemType& ebayItem, const QMEbayItem& item, const QString& accountID);
    static void addListingEnhancementsToItem(EBayItemType& ebayItem, const QMEbayItem& item);
    // Adds the site's cross-border text; a site whose table has none is skipped with a log line.
    static void addCrossBorderTradeToItem(EBayItemType& ebayItem, const QString& crossBorderTrade, qint64 siteID);
    static bool itemUsesAdditionalShipping(const QMEbayItem& item);
    static void addReturnPoliciesToItem(EBayItemType& ebayItem, const QMEbayItem& item);
    static void addAttributesToItem(EBayItemType& ebayItem, const QMEbayItem& item);
    static void addCustomSpecificsToRequestItem(const QMEbayItem& item, EBayItemType& ebayItem);
    static QString paymentMethodCodeForLegacyPaymentOption(const QString& option);
    static void addItemConditionToItem(EBayItemType& ebayItem, const QMEbayItem& item);
    // "ISBN", "UPC" or "EAN" by the code's length (and ISBN-13 prefix); null when none fits.
    static QString productCodeTypeForCode(const QString& code);
    static void addProductInformationToItem(EBayItemType& ebayItem, const QMEbayItem& item);

    // "<![CDATA[text]]>"; the writer splits the section where the text holds "]]>".
    static QString stringByAddingCDATATagAroundString(const QString& text);
};
