#include "model/QMEbayItem.h"

#include "model/QMEbayImage.h"
#include "model/QMEbayItemFieldValues_p.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMPictureCodec.h"
#include "model/QMReturnPolicyUpdater.h"
#include "model/QMYTVideo.h"

#include "DWKit/QMLog.h"

#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Paths.h"
#include "platform/core/ValueTransformer.h"
#include "platform/text/RtfCodec.h"

#include <QDir>

thread_local bool gEncodeItemDescriptionString = false;

QMEbayItem::QMEbayItem()
{
    applyInitDefaults();
}

QMEbayItem::QMEbayItem(DecodingTag) {}

QMEbayItem::~QMEbayItem() = default;

// Setters with behaviour of their own

void QMEbayItem::setWasChanged(bool value)
{
    m_wasChanged = value;
    didChangeValueForKey(QStringLiteral("wasChanged"));
    if (m_wasChanged)
        setCachedImageValid(false);
}

void QMEbayItem::setWasChangedWithState(const QVariant& state)
{
    if (state.typeId() == QMetaType::QString)
        setWasChanged(dw::boolValue(state.toString()));
    else
        setWasChanged(state.toBool());
}

void QMEbayItem::setUniqueID(const QString& value)
{
    // An equal ID is kept: operations hold on to the text they were given.
    if (value != m_uniqueID || value.isNull() != m_uniqueID.isNull())
        m_uniqueID = value;
    didChangeValueForKey(QStringLiteral("uniqueID"));
}

void QMEbayItem::setCategory(int value)
{
    setCachedCategoryName(QString());
    m_category = value;
    didChangeValueForKey(QStringLiteral("category"));
}

void QMEbayItem::setCategory2(int value)
{
    setCachedCategory2Name(QString());
    m_category2 = value;
    didChangeValueForKey(QStringLiteral("category2"));
}

void QMEbayItem::setStartTime(const QString& value)
{
    m_startTime = value;
    setLocalStartDate(QDateTime());
    didChangeValueForKey(QStringLiteral("startTime"));
}

void QMEbayItem::setEndTime(const QString& value)
{
    m_endTime = value;
    setLocalEndDate(QDateTime());
    didChangeValueForKey(QStringLiteral("endTime"));
}

void QMEbayItem::setImages(const QList<std::shared_ptr<QMEbayImage>>& value)
{
    m_images = value;
    didChangeValueForKey(QStringLiteral("images"));
}

void QMEbayItem::setImagesFromValue(const QVariant& value)
{
    if (value.isValid() && value.typeId() != QMetaType::QVariantList) {
        QMLog("trying to set image array object to non-array object for item %@ - ignored", title());
        return;
    }
    setImages(qm::fields::objects<QMEbayImage>(value));
}

// Description

const dw::StyledText& QMEbayItem::itemDescriptionString() const
{
    if (!m_itemDescriptionString && !m_itemDescriptionRTFData.isNull())
        m_itemDescriptionString = dw::rtf::read(m_itemDescriptionRTFData);
    if (!m_itemDescriptionString)
        m_itemDescriptionString = dw::StyledText();
    return *m_itemDescriptionString;
}

void QMEbayItem::setItemDescriptionString(const dw::StyledText& value)
{
    m_itemDescriptionString = value;
    didChangeValueForKey(QStringLiteral("itemDescriptionString"));
}

const dw::StyledText* QMEbayItem::itemDescriptionStringNoConversion() const
{
    return m_itemDescriptionString ? &*m_itemDescriptionString : nullptr;
}

QString QMEbayItem::itemDescriptionAsString() const
{
    return itemDescriptionString().text();
}

void QMEbayItem::setItemDescriptionAsData(const QByteArray& rtf)
{
    setItemDescriptionString(dw::rtf::read(rtf).value_or(dw::StyledText()));
}

QByteArray QMEbayItem::itemDescriptionAsData() const
{
    return dw::rtf::write(itemDescriptionString());
}

QString QMEbayItem::privateCommentAsString() const
{
    if (privateComment().isEmpty())
        return QString();
    return dw::rtf::plainText(privateComment()).value_or(QString());
}

// Formatting

QVariant QMEbayItem::formatMoneyValue(const QVariant& value)
{
    const auto transformer = dw::ValueTransformer::valueTransformerForName(QStringLiteral("QMEbayMoneyTransformer"));
    return transformer ? transformer->transformedValue(value) : value;
}

QString QMEbayItem::formatMoneyText(const QString& value)
{
    if (value.isNull())
        return value;
    return formatMoneyValue(value).toString();
}

QString QMEbayItem::formatTaxOrVATValue(const QVariant& value)
{
    float number = 0;
    if (value.typeId() == QMetaType::QString)
        number = dw::floatValue(value.toString().replace(u',', u'.'));
    else if (value.isValid())
        number = value.toFloat();
    if (number == 0)
        return QStringLiteral("0.000");
    return dw::decimalText(double(number), 3);
}

// List edits

void QMEbayItem::addListingEnhancement(const QString& code)
{
    if (listingEnhancements().contains(code))
        return;
    setListingEnhancements(QStringList(listingEnhancements()) << code);
}

void QMEbayItem::removeListingEnhancement(const QString& code)
{
    if (!listingEnhancements().contains(code))
        return;
    QStringList list = listingEnhancements();
    list.removeAll(code);
    setListingEnhancements(list);
}

void QMEbayItem::addPaymentOption(const QString& code)
{
    if (paymentOptions().contains(code))
        return;
    setPaymentOptions(QStringList(paymentOptions()) << code);
}

void QMEbayItem::removePaymentOption(const QString& code)
{
    if (!paymentOptions().contains(code))
        return;
    QStringList list = paymentOptions();
    list.removeAll(code);
    setPaymentOptions(list);
}

void QMEbayItem::addStartedAuctionItemID(const QString& itemID)
{
    if (itemID.isNull() || startedAuctionItemIDs().contains(itemID))
        return;
    setStartedAuctionItemIDs(QStringList(startedAuctionItemIDs()) << itemID);
}

void QMEbayItem::removeStartedAuctionItemID(const QString& itemID)
{
    QStringList list = startedAuctionItemIDs();
    list.removeAll(itemID);
    setStartedAuctionItemIDs(list);
}

void QMEbayItem::addNewTransaction(const QVariant& record)
{
    setTransactions(QVariantList(transactions()) << record);
}

void QMEbayItem::updateTransactionsWithPaymentInstructionSend(bool paymentInstructionSend, bool paid, bool shipped,
                                                              bool feedbackGiven)
{
    QVariantList records = transactions();
    bool changed = false;
    for (QVariant& record : records) {
        if (record.typeId() != QMetaType::QVariantMap)
            continue;
        QVariantMap fields = record.toMap();
        const std::pair<bool, const char*> flags[] = {{paymentInstructionSend, "paymentInstructionSend"},
                                                      {paid, "paid"},
                                                      {shipped, "shipped"},
                                                      {feedbackGiven, "feedbackGiven"}};
        for (const auto& [flag, key] : flags) {
            if (flag) {
                fields.insert(QString::fromLatin1(key), true);
                changed = true;
            }
        }
        record = fields;
    }
    if (changed)
        setTransactions(records);
}

QStringList QMEbayItem::buyerNamesAndUserIDs() const
{
    QStringList names;
    for (const QVariant& record : transactions())
        names << dw::valueForKey(record, QStringLiteral("nameAndUserID")).toString();
    return names;
}

// Shipping shortcuts

void QMEbayItem::setPseudoAddDomesticShippingService(const QVariantMap& service)
{
    if (service.isEmpty() || !shippingOptions())
        return;
    const QVariant additional = service.value(QString::fromLatin1(kQMShippingOptions_serviceAdditionalFee));
    shippingOptions()->addDomesticShippingServiceWithID(
        service.value(QString::fromLatin1(kQMShippingOptions_serviceID)).toString(),
        service.value(QString::fromLatin1(kQMShippingOptions_serviceFee)).toString(), additional.isValid(),
        additional.isValid() ? additional.toString() : QStringLiteral("0.00"));
}

void QMEbayItem::setPseudoAddInternationalShippingService(const QVariantMap& service)
{
    if (service.isEmpty() || !shippingOptions())
        return;
    const QVariant additional = service.value(QString::fromLatin1(kQMShippingOptions_serviceAdditionalFee));
    shippingOptions()->addInternationalShippingServiceWithID(
        service.value(QString::fromLatin1(kQMShippingOptions_serviceID)).toString(),
        service.value(QString::fromLatin1(kQMShippingOptions_serviceFee)).toString(), additional.isValid(),
        additional.isValid() ? additional.toString() : QStringLiteral("0.00"));
}

void QMEbayItem::updateReturnPolicyIfNeeded()
{
    QMReturnPolicyUpdater::sharedInstance().updateReturnPolicyInItemIfNeeded(*this);
}

// Identity and debugging

QString QMEbayItem::description() const
{
    QString text = dw::format(QStringLiteral("<%@>:\n"), archiveClassName());
    text += dw::format(QStringLiteral("uniqueID: %@\n"), uniqueID());
    text += dw::format(QStringLiteral("title: %@\n"), title());
    text += dw::format(QStringLiteral("subTitle: %@\n"), subTitle());
    text += dw::format(QStringLiteral("images: %u\n"), unsigned(images().size()));
    text += dw::format(QStringLiteral("siteID: %d\n"), siteID());
    text += dw::format(QStringLiteral("countryID: %@\n"), countryID());
    text += dw::format(QStringLiteral("region: %d\n"), region());
    text += dw::format(QStringLiteral("itemID: %@\n"), itemID());
    text +=
        dw::format(QStringLiteral("startedAuctionItemIDs: %@\n"), startedAuctionItemIDs().join(QStringLiteral(", ")));
    text += dw::format(QStringLiteral("location: %@\n"), location());
    text += dw::format(QStringLiteral("minimumBid: %@\n"), minimumBid());
    text += dw::format(QStringLiteral("endTime: %@\n"), endTime());
    text += dw::format(QStringLiteral("startTime: %@\n"), startTime());
    text += dw::format(QStringLiteral("listingFee: %@\n"), listingFee());
    text += dw::format(QStringLiteral("currentBid: %@\n"), currentBid());
    text += dw::format(QStringLiteral("buyer: %@\n"), buyer());
    text += dw::format(QStringLiteral("buyerEmailAddress: %@\n"), buyerEmailAddress());
    text += dw::format(QStringLiteral("unansweredQuestionsCount: %d\n"), unansweredQuestionsCount());
    text += dw::format(QStringLiteral("bidCount: %d\n"), bidCount());
    text += dw::format(QStringLiteral("quantitySold: %d\n"), quantitySold());
    text += dw::format(QStringLiteral("state: %@\n"), state());
    return text;
}

void QMEbayItem::managedItem() const
{
    DW_ASSERT(false, "managedItem for QMEbayItem called");
}

QString QMEbayItem::savedDataFolder()
{
    // Computed at each call: the data folder follows $XDG_DATA_HOME, which tests redirect.
    return QDir::cleanPath(dw::paths::fixedDataFolder() + QStringLiteral("/SavedAuctions")) + u'/';
}

QString QMEbayItem::pathForSavedItemWithUniqueID(const QString& uniqueID)
{
    return savedDataFolder() + uniqueID + QStringLiteral(".qmdata");
}

// Key-value coding

namespace {

using Query = QVariant (*)(QMEbayItem& item);

// The questions of the listings overview that are read by key.
const QHash<QString, Query>& queries()
{
    static const QHash<QString, Query> table = {
        {QStringLiteral("categoryName"), [](QMEbayItem& item) { return QVariant(item.categoryName()); }},
        {QStringLiteral("category2Name"), [](QMEbayItem& item) { return QVariant(item.category2Name()); }},
        {QStringLiteral("indicatedStartingBid"),
         [](QMEbayItem& item) { return QVariant(item.indicatedStartingBid()); }},
        {QStringLiteral("indicatedBuyItNow"), [](QMEbayItem& item) { return QVariant(item.indicatedBuyItNow()); }},
        {QStringLiteral("indicatedQuantity"), [](QMEbayItem& item) { return QVariant(item.indicatedQuantity()); }},
        {QStringLiteral("currentBidSorting"), [](QMEbayItem& item) { return QVariant(item.currentBidSorting()); }},
        {QStringLiteral("buyItNowSorting"), [](QMEbayItem& item) { return QVariant(item.buyItNowSorting()); }},
        {QStringLiteral("quantitySorting"), [](QMEbayItem& item) { return QVariant(item.quantitySorting()); }},
        {QStringLiteral("startingBidSorting"), [](QMEbayItem& item) { return QVariant(item.startingBidSorting()); }},
        {QStringLiteral("soldSorting"), [](QMEbayItem& item) { return QVariant(item.soldSorting()); }},
        {QStringLiteral("profit"), [](QMEbayItem& item) { return QVariant(item.profit()); }},
        {QStringLiteral("hasCategory2"), [](QMEbayItem& item) { return QVariant(item.hasCategory2()); }},
        {QStringLiteral("categories"), [](QMEbayItem& item) { return QVariant(item.categories()); }},
        {QStringLiteral("siteIDAsString"), [](QMEbayItem& item) { return QVariant(item.siteIDAsString()); }},
        {QStringLiteral("hasSubTitle"), [](QMEbayItem& item) { return QVariant(item.hasSubTitle()); }},
        {QStringLiteral("attributeCount"), [](QMEbayItem& item) { return QVariant(item.attributeCount()); }},
        {QStringLiteral("itemState"), [](QMEbayItem& item) { return QVariant(int(item.itemState())); }},
        {QStringLiteral("isTemplate"), [](QMEbayItem& item) { return QVariant(item.isTemplate()); }},
        {QStringLiteral("isAuction"), [](QMEbayItem& item) { return QVariant(item.isAuction()); }},
        {QStringLiteral("hasGalleryImage"), [](QMEbayItem& item) { return QVariant(item.hasGalleryImage()); }},
        {QStringLiteral("hasTransactions"), [](QMEbayItem& item) { return QVariant(item.hasTransactions()); }},
        {QStringLiteral("itemDescriptionAsString"),
         [](QMEbayItem& item) { return QVariant(item.itemDescriptionAsString()); }},
        {QStringLiteral("stateIndicatorImage"),
         [](QMEbayItem& item) { return QMPictureCodec::installed()->stateIndicatorImage(item); }},
        {QStringLiteral("image"),
         [](QMEbayItem& item) { return QMPictureCodec::installed()->stateIndicatorImage(item); }},
    };
    return table;
}

} // namespace

QVariant QMEbayItem::valueForKey(const QString& key) const
{
    if (const auto it = queries().constFind(key); it != queries().constEnd()) {
        // Some answers fill a cache (category names) or bring the state up to date, as the same
        // questions asked directly do; the listing is never const where it is read by key.
        return (*it)(const_cast<QMEbayItem&>(*this));
    }
    if (std::optional<QVariant> answer = previewValueForKey(*this, key))
        return *answer;
    return fieldValueForKey(key);
}

bool QMEbayItem::setValueForKey(const QVariant& value, const QString& key)
{
    if (setFieldValueForKey(value, key))
        return true;
    if (key == QStringLiteral("pseudoAddDomesticShippingService")) {
        setPseudoAddDomesticShippingService(value.toMap());
        return true;
    }
    if (key == QStringLiteral("pseudoAddInternationalShippingService")) {
        setPseudoAddInternationalShippingService(value.toMap());
        return true;
    }
    return false;
}
