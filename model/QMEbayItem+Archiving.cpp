// The listing's keyed archive: writing, reading with the migrations of older forms, copies, and
// taking the values of another listing.

#include "model/QMEbayItem.h"

#include "model/QMArchiveValues_p.h"
#include "model/QMCountryDescriptionManager.h"
#include "model/QMEbayAttributeValue.h"
#include "model/QMEbayImage.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMPreferencesManager.h"
#include "model/QMYTVideo.h"

#include "DWKit/NSString+DWExtensions.h"
#include "DWKit/QMLog.h"

#include "platform/archive/ArchivedAttributedString.h"
#include "platform/archive/ArchivedDecimalNumber.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/text/RtfCodec.h"

#include <mutex>

namespace {

const QString kOwner = QStringLiteral("QMEbayItem");

QString key(const char* name)
{
    return QString::fromLatin1(name);
}

// The text under a key that a reading step reads "when present": nullopt when the key is absent
// or holds a value of another class (logged), so that the step's default applies; a stored nil
// stays nil.
std::optional<QString> presentText(dw::KeyedUnarchiver& coder, const QString& name)
{
    if (!coder.containsValueForKey(name))
        return std::nullopt;
    const QVariant value = coder.decodeObjectForKey(name);
    if (!value.isValid())
        return QString();
    if (value.typeId() != QMetaType::QString) {
        qm::archive::logWrongClass(kOwner, name, value);
        return std::nullopt;
    }
    return value.toString();
}

} // namespace

// Writing

void QMEbayItem::encodeWithCoder(dw::KeyedArchiver& coder) const
{
    encodeFields(coder);
    encodeWithCoderAdditions(coder);
}

void QMEbayItem::encodeWithCoderAdditions(dw::KeyedArchiver& coder) const
{
    coder.encodeInt(counterType(), key("counter"));
    coder.encodeObject(dw::rtf::write(itemDescriptionString()), key("itemDescriptionRTFData"));
    if (gEncodeItemDescriptionString) {
        coder.encodeObject(QVariant::fromValue(dw::archivedAttributedString(itemDescriptionString())),
                           key("itemDescriptionString"));
    }
}

// Reading

std::shared_ptr<QMEbayItem> QMEbayItem::decodeWithCoder(dw::KeyedUnarchiver& coder)
{
    std::shared_ptr<QMEbayItem> item(new QMEbayItem(DecodingTag{}));
    item->initWithCoder(coder);
    return item;
}

void QMEbayItem::initWithCoder(dw::KeyedUnarchiver& coder)
{
    decodeFields(coder);
    m_itemDescriptionRTFData = qm::archive::decodeData(coder, key("itemDescriptionRTFData"), kOwner);
    initWithCoderAdditions(coder);
}

QString QMEbayItem::decodeAmount(dw::KeyedUnarchiver& coder, const QString& name)
{
    const QVariant value = coder.decodeObjectForKey(name);
    if (!value.isValid())
        return QString();
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    if (value.typeId() == qMetaTypeId<dw::ArchivedDecimalNumber>()) {
        m_repairedAmountKeys << name;
        return value.value<dw::ArchivedDecimalNumber>().text;
    }
    qm::archive::logWrongClass(kOwner, name, value);
    return QString();
}

void QMEbayItem::initWithCoderAdditions(dw::KeyedUnarchiver& coder)
{
    // 1. The description: the RTF data wins; older forms stored styled text, RTF under another
    // key, or plain text.
    if (!coder.containsValueForKey(key("itemDescriptionRTFData"))) {
        const QVariant styled = coder.decodeObjectForKey(key("itemDescriptionString"));
        if (styled.typeId() == qMetaTypeId<dw::ArchivedAttributedString>()) {
            m_itemDescriptionString = dw::styledText(styled.value<dw::ArchivedAttributedString>());
        } else if (coder.containsValueForKey(key("itemDescription"))) {
            setItemDescriptionAsData(qm::archive::decodeData(coder, key("itemDescription"), kOwner));
        } else {
            if (styled.isValid())
                qm::archive::logWrongClass(kOwner, key("itemDescriptionString"), styled);
            m_itemDescriptionString =
                dw::StyledText(qm::archive::decodeText(coder, key("itemDescriptionAsNSString"), kOwner));
        }
    }

    // 2. Durations that eBay no longer offers.
    if (m_duration == 60 || m_duration == 90 || m_duration == 120)
        m_duration = 30;

    // 3.
    m_counterType = coder.containsValueForKey(key("counter")) ? coder.decodeIntForKey(key("counter")) : 1;

    // 4. Older forms named the country by its abbreviation.
    const QString abbreviation = qm::archive::decodeText(coder, key("countryAbb"), kOwner);
    if (!abbreviation.isNull())
        m_countryID = QMCountryDescriptionManager::sharedInstance().countryIDForCountryAbb(abbreviation);
    else
        m_countryID = qm::archive::decodeText(coder, key("countryID"), kOwner);
    if (m_countryID.isNull())
        m_countryID = QMPreferencesManager::sharedInstance().defaultCountryIDAsString();

    // 5.
    m_useStartingBid =
        coder.containsValueForKey(key("useStartingBid")) ? coder.decodeBoolForKey(key("useStartingBid")) : true;
    m_convertDescriptionToHTML = coder.containsValueForKey(key("convertDescriptionToHTML"))
                                     ? coder.decodeBoolForKey(key("convertDescriptionToHTML"))
                                     : true;

    // 6. Older forms held one domestic service and an insurance flag of their own.
    m_shippingOptions = qm::archive::decodeObject<QMItemShippingOptions>(coder, key("shippingOptions"), kOwner);
    if (!m_shippingOptions) {
        m_shippingOptions = std::make_shared<QMItemShippingOptions>();
        if (coder.containsValueForKey(key("shippingService")) && coder.containsValueForKey(key("shippingCost"))) {
            const QVariant service = coder.decodeObjectForKey(key("shippingService"));
            const QVariant cost = coder.decodeObjectForKey(key("shippingCost"));
            // Numbers and texts both occur; anything else cannot make a service row.
            const auto usable = [](const QVariant& v) { return v.isValid() && v.canConvert<QString>(); };
            if (usable(service) && usable(cost)) {
                m_shippingOptions->addDomesticShippingServiceWithID(service.toString(), cost.toString(), false,
                                                                    QStringLiteral("0.00"));
            } else {
                qm::archive::logWrongClass(kOwner, usable(service) ? key("shippingCost") : key("shippingService"),
                                           usable(service) ? cost : service);
            }
        }
        if (coder.decodeBoolForKey(key("shippingCostIncludesInsurance")))
            m_shippingOptions->setInsuranceOption(3);
    }

    // 7.
    m_storeItem =
        coder.containsValueForKey(key("storeItem")) ? coder.decodeBoolForKey(key("storeItem")) : m_useStoreListing;

    // 8.
    m_taxStateOrSystem = presentText(coder, key("taxStateOrSystem")).value_or(QStringLiteral("__NoSalesTax__"));

    // 9. Without an ID every read makes a new listing.
    if (const std::optional<QString> id = presentText(coder, key("uniqueID")))
        m_uniqueID = *id;
    else
        m_uniqueID = dw::UUID();

    // The prices of older forms were decimal numbers; they are read as their text.
    for (const QString& name : std::as_const(m_repairedAmountKeys))
        QMLog("found NSDecimalNumber for %@ for item %@", name, m_uniqueID);

    // 10. Older forms kept the sale flags on the listing.
    if (coder.containsValueForKey(key("paymentInstructionSend"))) {
        updateTransactionsWithPaymentInstructionSend(
            coder.decodeBoolForKey(key("paymentInstructionSend")), coder.decodeBoolForKey(key("paid")),
            coder.decodeBoolForKey(key("shipped")), coder.decodeBoolForKey(key("feedbackGiven")));
    }

    // 11.
    m_dispatchTimeMax =
        coder.containsValueForKey(key("dispatchTimeMax")) ? coder.decodeIntForKey(key("dispatchTimeMax")) : 1;

    // 12. Older forms knew only the one item ID.
    if (const std::optional<QStringList> ids =
            coder.containsValueForKey(key("startedAuctionItemIDs"))
                ? qm::archive::decodeTexts(coder, key("startedAuctionItemIDs"), kOwner)
                : std::nullopt) {
        m_startedAuctionItemIDs = *ids;
    } else {
        m_startedAuctionItemIDs = QStringList();
        if (!m_itemID.isEmpty())
            addStartedAuctionItemID(m_itemID);
    }

    // 13.
    if (coder.containsValueForKey(key("includeStockPhoto"))) {
        m_includeStockPhoto = coder.decodeBoolForKey(key("includeStockPhoto"));
        m_includeAdditionalInformation = coder.decodeBoolForKey(key("includeAdditionalInformation"));
    } else {
        m_includeStockPhoto = m_listWithProductID;
        m_includeAdditionalInformation = m_listWithProductID;
    }

    // 14. Older forms had a flag per enhancement.
    const char* const oldFlags[] = {"highlight", "border", "boldTitle", "featured"};
    if (std::any_of(std::begin(oldFlags), std::end(oldFlags),
                    [&](const char* flag) { return coder.containsValueForKey(key(flag)); })) {
        const std::pair<const char*, const char*> codes[] = {{"highlight", "Highlight"},
                                                             {"boldTitle", "BoldTitle"},
                                                             {"border", "Border"},
                                                             {"featured", "GalleryFeatured"}};
        for (const auto& [flag, code] : codes) {
            if (coder.decodeBoolForKey(key(flag)))
                addListingEnhancement(key(code));
        }
    } else {
        m_listingEnhancements =
            qm::archive::decodeTexts(coder, key("listingEnhancements"), kOwner).value_or(QStringList());
    }

    // 15. Older forms stored the store category numbers alone.
    const int storeCategory = coder.decodeIntForKey(key("storeCategoryNumber"));
    if (storeCategory != 0 && m_storeCategoryIdentifier.isEmpty()) {
        m_storeCategoryIdentifier = dw::format(
            QStringLiteral("%@#%d"), QMPreferencesManager::sharedInstance().defaultAccountID(), storeCategory);
    }
    const int storeCategory2 = coder.decodeIntForKey(key("storeCategory2Number"));
    if (storeCategory2 != 0 && m_storeCategory2Identifier.isEmpty()) {
        m_storeCategory2Identifier = dw::format(
            QStringLiteral("%@#%d"), QMPreferencesManager::sharedInstance().defaultAccountID(), storeCategory2);
    }

    // 16.
    if (!coder.containsValueForKey(key("hoursToDeposit")))
        m_hoursToDeposit = 48;
    if (!coder.containsValueForKey(key("daysToFullPayment")))
        m_daysToFullPayment = 7;
    if (!coder.containsValueForKey(key("depositAmount")))
        m_depositAmount = QStringLiteral("100.00");

    // 17. Through the setter, so that an older amount is normalised.
    const qsizetype repairedBefore = m_repairedAmountKeys.size();
    const QString minimum = decodeAmount(coder, key("minimumBid"));
    if (m_repairedAmountKeys.size() > repairedBefore)
        QMLog("found NSDecimalNumber for %@ for item %@", key("minimumBid"), m_uniqueID);
    setMinimumBid(minimum);

    // A repaired price is written back as text at the next save.
    if (!m_repairedAmountKeys.isEmpty())
        setWasChangedToYes();

    // 18. Older forms kept the return policy in an attribute set.
    if (!coder.containsValueForKey(key("returnPolicyAccepted"))) {
        setCachedAttributeSetNames(QString());
        updateReturnPolicyIfNeeded();
    }

    // 19. A later edition may keep pictures of a kind this one does not know; they stay in their
    // place, so that saving the listing here does not lose them.
    m_images.clear();
    for (const QVariant& element : qm::archive::decodeList(coder, key("images"), kOwner).value_or(QVariantList())) {
        if (auto picture = dw::archivedObjectCast<QMEbayImage>(element))
            m_images << picture;
        else if (element.typeId() == qMetaTypeId<dw::ArchivedObjectPtr>() && element.value<dw::ArchivedObjectPtr>())
            m_images << QMEbayImage::keepingUnknownObject(element.value<dw::ArchivedObjectPtr>());
        else
            qm::archive::logWrongClass(kOwner, key("images"), element);
    }
}

void QMEbayItem::registerArchiveClasses()
{
    static std::once_flag once;
    std::call_once(once, [] {
        QMEbayImage::registerArchiveClass();
        QMItemShippingOptions::registerArchiveClass();
        QMEbayAttributeValue::registerArchiveClass();
        QMYTVideo::registerArchiveClass();
        dw::KeyedUnarchiver::registerClass(
            QStringLiteral("QMEbayItem"), [](dw::KeyedUnarchiver& coder) -> dw::ArchivedObjectPtr {
                // Data that breaks a precondition fails this read
                // only; it never takes the program down.
                try {
                    return decodeWithCoder(coder);
                } catch (const std::exception& e) {
                    coder.failWithError(QStringLiteral("listing cannot be read: ") + QString::fromUtf8(e.what()));
                    return nullptr;
                }
            });
        // The class name of the listing in documents of an earlier edition.
        dw::KeyedUnarchiver::registerClassAlias(QStringLiteral("QMBJEBayItem"), QStringLiteral("QMEbayItem"));
    });
}

// Copies

std::shared_ptr<QMEbayItem> QMEbayItem::copy() const
{
    registerArchiveClasses();
    // The archiver only reads the listing; it gets a pointer that owns nothing.
    const std::shared_ptr<QMEbayItem> self(std::shared_ptr<QMEbayItem>{}, const_cast<QMEbayItem*>(this));
    const QByteArray data = dw::KeyedArchiver::archivedDataWithRootObject(dw::archiveValue(self));
    QString error;
    const std::optional<QVariant> root = dw::KeyedUnarchiver::unarchiveObjectWithData(data, &error);
    std::shared_ptr<QMEbayItem> copy = root ? dw::archivedObjectCast<QMEbayItem>(*root) : nullptr;
    DW_ASSERT(copy, "a listing did not read back from its own archive: %@", error);
    return copy;
}

void QMEbayItem::takeValuesFromItem(const QMEbayItem& other)
{
    takeFieldValuesFromItem(other);
    takeValuesFromItemAddition(other);
}

void QMEbayItem::takeValuesFromItemAddition(const QMEbayItem& other)
{
    if (other.itemDescriptionRTFData().isNull())
        setItemDescriptionString(other.itemDescriptionString());
}
