#pragma once
// The listing: everything one document holds about one item to be offered on eBay, from title and
// description to prices, pictures, shipping, buyer requirements, design template and, once the
// item is on eBay, its item ID and results.
//
// Its 126 fields are listed once, in model/QMEbayItemFields.tsv; the members, getters, setters,
// the key-value table, the archive keys and takeValuesFromItem() are generated from that table.
// Every field has a getter named after it and a setter "set" + Name (setSKU for SKU); the cached
// local start and end dates have setters only. Every setter announces the change with
// keyChanged(key), whether or not the value differed; no setter touches wasChanged. Setters with
// more behaviour: the six price setters store the normalised amount (formatMoneyValue), the tax
// setter the tax text (formatTaxOrVATValue), the category setters clear the cached category name,
// the time setters the cached local date, and setUniqueID keeps an equal ID.
//
// A listing is archived under its field names (encodeWithCoder); reading (decodeWithCoder) also
// takes every older form of the archive and migrates it. copy() is such a round trip. The
// description is styled text, stored as RTF, made from the RTF on first use.
//
// Main thread only. Listings are shared through std::shared_ptr; operations on other threads
// refer to one by its uniqueID.
//
//     auto item = std::make_shared<QMEbayItem>();
//     item->setUniqueID(dw::UUID());
//     item->setMinimumBid("12,5");               // "12.50" once the money transformer is registered
//     QObject::connect(item.get(), &QMEbayItem::keyChanged, this, &Document::itemChanged);
//     QByteArray stored = dw::KeyedArchiver::archivedDataWithRootObject(dw::archiveValue(item));

#include "model/QMCategoryDataSource.h"
#include "model/QMEbayProduct.h"

#include "platform/archive/ArchivedObject.h"
#include "platform/core/KeyValueCoding.h"
#include "platform/text/StyledText.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <memory>
#include <optional>

class QImage;

class QMEbayImage;
class QMItemShippingOptions;
class QMYTVideo;

namespace dw {
class KeyedArchiver;
class KeyedUnarchiver;
} // namespace dw

// Set while a document archives its listing, so that the listing also writes its styled
// description beside the RTF (a document keeps both; a copy only the RTF). Per thread, so that a
// copy made on another thread at the same moment is not affected.
extern thread_local bool gEncodeItemDescriptionString;

// Listing states: the integer form of the state texts.
enum QMEbayItemState : int {
    QMEbayItemStateNone = 0,
    QMEbayItemStateTemplate = 1,
    QMEbayItemStateTemplateWithWarning = 2,
    QMEbayItemStateTemplateWithError = 3,
    QMEbayItemStateAddedTemplate = 4,
    QMEbayItemStateAuctionWithNoBids = 10,
    QMEbayItemStateAuction = 11,
    QMEbayItemStateFinished = 20,
    QMEbayItemStateFinishedSuccessfully = 21,
};

// One row of the field table, for code that walks every field (dump tools, tests).
struct QMEbayItemField
{
    QString name;
    QString type;    // the table's type: text, amount, flag, int, texts, data, map, list, ...
    QString archive; // key, step, read, own or "-"
    bool taken;      // copied by takeValuesFromItem()
    QString preview; // how the document's preview follows it: reload, inplace, observe, auction or "-"
};

class QMEbayItem : public QObject, public dw::ArchivedObject, public dw::KeyValueCoding
{
    Q_OBJECT

public:
    // A new listing: state "templateItem", new shipping options, handling time 1 day, 48 hours to
    // deposit, 7 days to full payment, no pictures, no unique ID (its creator assigns one).
    QMEbayItem();
    ~QMEbayItem() override;

    // Every field in declaration order.
    static const QList<QMEbayItemField>& fields();

    // Fields
#include "model/QMEbayItemAccessors.inc"

public:
    // Change flag. setWasChanged() with YES also clears cachedImageValid, even when the flag was
    // set already; setWasChangedToNo() clears the flag only.
    void setWasChangedToYes()
    {
        setWasChanged(true);
    }
    void setWasChangedToNo()
    {
        setWasChanged(false);
    }
    // Takes the boolean value of a number or text ("1", true, 0).
    void setWasChangedWithState(const QVariant& state);

    // Description
    // The stored styled description or null; creates nothing.
    const dw::StyledText* itemDescriptionStringNoConversion() const;
    QString itemDescriptionAsString() const;
    // Reads RTF into the description; bytes that are no RTF give an empty description.
    void setItemDescriptionAsData(const QByteArray& rtf);
    // RTF of the whole description, without document attributes.
    QByteArray itemDescriptionAsData() const;
    void setMetaItemDescription(const dw::StyledText& text)
    {
        setItemDescriptionString(text);
    }
    QString privateCommentAsString() const;

    // Formatting. formatMoneyValue() is the transform of the value transformer registered as
    // "QMEbayMoneyTransformer", or the value unchanged while none is registered.
    static QVariant formatMoneyValue(const QVariant& value);
    // "###0.000": "," read as ".", single precision, three decimals; nil counts as 0.
    static QString formatTaxOrVATValue(const QVariant& value);

    // List edits: each sets a new list through the field's setter, so observers hear one change;
    // an add of a present entry or a remove of an absent one changes and announces nothing.
    void addListingEnhancement(const QString& code);
    void removeListingEnhancement(const QString& code);
    void addPaymentOption(const QString& code);
    void removePaymentOption(const QString& code);
    void addStartedAuctionItemID(const QString& itemID);
    void removeStartedAuctionItemID(const QString& itemID);
    void removeAttributes()
    {
        setAttributeSets(QVariantMap());
    }

    // Sale records. Records are whatever the archive held; those that are dictionaries take the
    // flags under "paymentInstructionSend", "paid", "shipped" and "feedbackGiven" and name their
    // buyer under "nameAndUserID". A NO flag leaves a record's value alone.
    void addNewTransaction(const QVariant& record);
    bool hasTransactions() const
    {
        return !transactions().isEmpty();
    }
    void updateTransactionsWithPaymentInstructionSend(bool paymentInstructionSend, bool paid, bool shipped,
                                                      bool feedbackGiven);
    QStringList buyerNamesAndUserIDs() const;

    // Shipping shortcuts set by key from the panels: a service row (nil ignored) appended through
    // the shipping options, with "0.00" as additional fee when the row has none.
    void setPseudoAddDomesticShippingService(const QVariantMap& service);
    void setPseudoAddInternationalShippingService(const QVariantMap& service);

    // The pictures from a key-value value: nil gives none, a list its pictures; any other value is
    // ignored with a console line and the pictures stay.
    void setImagesFromValue(const QVariant& value);

    // Hands the listing to the shared return-policy updater.
    void updateReturnPolicyIfNeeded();

    // Identity and debugging
    QString description() const;
    qint64 storeCategoryNumber() const
    {
        return 0;
    }
    qint64 storeCategoryNumber2() const
    {
        return 0;
    }
    // Not supported by this class: a programming error.
    void managedItem() const;
    // "~/Library/Application Support/Quillmart/SavedAuctions/" of the fixed data folder, and a
    // saved listing's file in it ("<unique ID>.qmdata"). Nothing reads or writes these files.
    static QString savedDataFolder();
    static QString pathForSavedItemWithUniqueID(const QString& uniqueID);

    // Copies every field but wasChanged, the RTF data, the unique ID, the cached local dates and
    // representsRemoteItem through the setters, in declaration order; objects are shared, not
    // copied. Ends with takeValuesFromItemAddition().
    void takeValuesFromItem(const QMEbayItem& other);

    // A deep copy through the archive: the same unique ID, unchanged (wasChanged NO).
    std::shared_ptr<QMEbayItem> copy() const;

    // Archiving
    QStringList archiveClassChain() const override
    {
        return {QStringLiteral("QMEbayItem"), QStringLiteral("NSObject")};
    }
    void encodeWithCoder(dw::KeyedArchiver& coder) const override;
    // A listing read from an archive, with every migration of older keys applied.
    static std::shared_ptr<QMEbayItem> decodeWithCoder(dw::KeyedUnarchiver& coder);
    // Reads this (empty) listing from the coder; for subclasses that decode themselves.
    void initWithCoder(dw::KeyedUnarchiver& coder);
    // Registers the listing (also under the older class name "QMBJEBayItem") and every record class
    // it holds with the unarchiver. May be called any number of times.
    static void registerArchiveClasses();

    // Key-value coding: every field by name, and the read-only queries of the overview.
    QVariant valueForKey(const QString& key) const override;
    bool setValueForKey(const QVariant& value, const QString& key) override;

    // Pictures (new lists; see QMEbayItem+Queries.cpp for the orders)
    QList<std::shared_ptr<QMEbayImage>> existingImages() const;
    QList<std::shared_ptr<QMEbayImage>> auctionImages() const
    {
        return existingImages();
    }
    QList<std::shared_ptr<QMEbayImage>> sortedImages() const;
    QList<std::shared_ptr<QMEbayImage>> imagesForItemDescription() const;
    QList<std::shared_ptr<QMEbayImage>> imagesForAddItemRequest() const;
    QList<std::shared_ptr<QMEbayImage>> imagesToBeUploaded() const;
    QStringList imageURLs() const;
    QStringList auctionImageURLs() const;
    QStringList imageURLsForItemDescription() const;
    QStringList imageURLsForAddItemRequest() const;
    std::shared_ptr<QMEbayImage> galleryImage() const;
    bool hasGalleryImage() const
    {
        return galleryImage() != nullptr;
    }
    void toggleGalleryImage(const std::shared_ptr<QMEbayImage>& picture);
    void unloadCachedImages();
    QImage imageForProgressAnimation() const;
    // The two steps of imageForProgressAnimation(): which picture file (null: none), and its image
    // (the NoPicture picture for none), so that a caller can decode it only when it is shown.
    QString pictureFileForProgressAnimation() const;
    static QImage imageForProgressAnimation(const QString& pictureFile);

    // State
    bool isTemplate() const;
    bool isAuction() const
    {
        return !isTemplate();
    }
    // Brings an item on eBay up to date from its end time and results; true when the state text
    // changed (the listing is then marked changed). Templates are left alone.
    bool updateItemState();
    bool hasEnded();
    bool endedSuccessfully();
    void resetErrorState();
    QMEbayItemState itemState() const;
    void setItemState(int state);
    static QMEbayItemState itemStateForDeprecatedStateString(const QString& state);
    static QString deprecatedStateStringForItemState(int state);
    QImage stateIndicatorImage();
    QImage image();
    static QImage imageForState(const QString& state, bool isStoreItem, bool isFixedPriceItem);
    // The name of that image in the resources ("BINTemplateItemState", "AuctionItemState", ...).
    static QString imageNameForState(const QString& state, bool isStoreItem, bool isFixedPriceItem);

    // Overview values
    QString categoryName();
    QString category2Name();
    QString indicatedStartingBid() const;
    QString indicatedBuyItNow() const;
    QString indicatedQuantity() const;
    double currentBidSorting() const;
    double buyItNowSorting() const;
    int quantitySorting() const;
    int startingBidSorting() const;
    int soldSorting() const
    {
        return quantitySold();
    }
    double profit() const;

    // Other questions
    bool hasCategory2() const
    {
        return category2() > 0;
    }
    QVariantList categories() const
    {
        return {category(), category2()};
    }
    // Whether the primary category (else the second one) of the listing's site takes custom item
    // specifics; false without a primary category or category data.
    bool canUseCustomSpecifics() const;
    QString siteIDAsString() const
    {
        return QString::number(siteID());
    }
    bool hasSubTitle() const
    {
        return !subTitle().isEmpty();
    }
    QVariantMap attributeForSetID(const QString& setID) const;
    // The chosen values of the set: attribute ID to its list of QMEbayAttributeValue.
    QVariant attributeValuesForSetID(const QString& setID) const;
    int attributeCount() const;

    // Preview: what the page preview (by key, under these names) and the operations read of a
    // listing. The snapshot is what an operation carries instead of the listing: "uniqueID",
    // "siteID" (always), "photoDisplayType" (when not 0), "title" and "itemID", each only when its
    // value exists; operations find the listing again by "uniqueID".
    QVariantMap infoDictionaryForOperations() const;
    // The styled description as HTML, through the description layer's converter.
    QString itemDescriptionAsHTMLString() const;
    bool hasFreeShippingService() const;
    // eBay's rules put as questions to this listing (QMEBayBussinessLogic).
    bool bestOfferAllowed() const;
    bool reservePriceAllowed() const;
    bool conditionsSupported() const;
    std::optional<QList<QMCategoryCondition>> allowedConditions() const;
    int handlingTime() const
    {
        return dispatchTimeMax();
    }
    // Display types 2 (SuperSize) and 3 (PicturePack).
    bool usesSupersize() const
    {
        return photoDisplayType() == 2 || photoDisplayType() == 3;
    }
    // A listing has no item variations here: the pictures to upload are its own.
    QList<std::shared_ptr<QMEbayImage>> imagesToBeUploadedIncludeVariationImages() const
    {
        return imagesToBeUploaded();
    }
    QList<std::shared_ptr<QMEbayImage>> allVariationProductImages() const
    {
        return imagesToBeUploaded();
    }
    bool hasVariations() const
    {
        return false;
    }
    // Null when the index is not below the number of pictures.
    std::shared_ptr<QMEbayImage> imageAtIndex(qsizetype index) const;
    // The pictures, each once.
    QList<std::shared_ptr<QMEbayImage>> imageRefs() const;
    // The name of the chosen condition among those both categories offer; null without a
    // category, "Not supported" when no condition is offered, "Not set" when none is chosen
    // (both localized).
    QString conditionName() const;

    // Product search (QMEbayItem+Product.cpp): shorter names of the prefilled product fields.
    QString prefilledTitle() const
    {
        return prefilledProductTitle();
    }
    void setPrefilledTitle(const QString& title)
    {
        setPrefilledProductTitle(title);
    }
    QString prefilledPhotoURL() const
    {
        return prefilledProductStockPhotoURL();
    }
    void setPrefilledPhotoURL(const QString& url)
    {
        setPrefilledProductStockPhotoURL(url);
    }
    QString prefilledDetailsURL() const
    {
        return prefilledProductDetailsURL();
    }
    void setPrefilledDetailsURL(const QString& url)
    {
        setPrefilledProductDetailsURL(url);
    }
    // Links the listing with a catalogue product: its ID, title, photo and details, and the
    // product choices of the preferences; the title becomes the listing's (cut to eBay's 80
    // characters) when the preferences say so. Marks the listing changed. Main thread.
    void fillWithProductInformation(const QMEbayProduct& product);

Q_SIGNALS:
    // A field changed through its setter (also when it was set to the value it had).
    void keyChanged(const QString& key);

protected:
    struct DecodingTag
    {};
    // An empty listing, without the defaults of a new one, to be filled by initWithCoder().
    explicit QMEbayItem(DecodingTag);

    // Hooks of subclasses; each base version does the listing's own part.
    virtual void encodeWithCoderAdditions(dw::KeyedArchiver& coder) const;
    virtual void initWithCoderAdditions(dw::KeyedUnarchiver& coder);
    virtual void takeValuesFromItemAddition(const QMEbayItem& other);

    void didChangeValueForKey(const QString& key)
    {
        Q_EMIT keyChanged(key);
    }

private:
    // Generated from the field table
    void applyInitDefaults();
    QVariant fieldValueForKey(const QString& key) const;
    bool setFieldValueForKey(const QVariant& value, const QString& key);
    void encodeFields(dw::KeyedArchiver& coder) const;
    void decodeFields(dw::KeyedUnarchiver& coder);
    void takeFieldValuesFromItem(const QMEbayItem& other);

    // The preview's questions by key (QMEbayItem+Preview.cpp); nullopt for other keys.
    static std::optional<QVariant> previewValueForKey(const QMEbayItem& item, const QString& key);

    static QString formatMoneyText(const QString& value);
    // A price as text; an older archive's decimal number is taken as its text and remembered, so
    // that the repair is logged once the unique ID is known.
    QString decodeAmount(dw::KeyedUnarchiver& coder, const QString& key);

    QStringList m_repairedAmountKeys;

#include "model/QMEbayItemMembers.inc"
};
