// The questions the application asks of a listing: its pictures and their orders, its state and
// state icon, and the display and sort values of the listings overview.

#include "model/QMEbayItem.h"

#include "model/QMCategoryDataSource.h"
#include "model/QMCategoryNameSource.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayTimeManager.h"
#include "model/QMPreferencesManager.h"

#include "DWKit/NSObject+DWExtensions.h"
#include "DWKit/QMLog.h"

#include "platform/core/Clock.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/Localization.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"

#include <QFileInfo>

namespace {

using Pictures = QList<std::shared_ptr<QMEbayImage>>;

struct StateName
{
    QMEbayItemState state;
    const char* text;
};

const StateName kStates[] = {
    {QMEbayItemStateTemplate, "templateItem"},
    {QMEbayItemStateTemplateWithWarning, "templateItemWithWarning"},
    {QMEbayItemStateTemplateWithError, "templateItemWithError"},
    {QMEbayItemStateAddedTemplate, "addedTemplateItem"},
    {QMEbayItemStateAuctionWithNoBids, "AuctionWithNoBids"},
    {QMEbayItemStateAuction, "auctionItem"},
    {QMEbayItemStateFinished, "finishedAuctionItem"},
    {QMEbayItemStateFinishedSuccessfully, "finishedSuccessfullyAuctionItem"},
};

QStringList addressesOf(const Pictures& pictures, const char* logFormat)
{
    QStringList addresses;
    for (const auto& picture : pictures) {
        if (picture->imageURL().isEmpty()) {
            if (logFormat)
                QMLog(logFormat, picture->name());
            continue;
        }
        addresses << picture->imageURL();
    }
    return addresses;
}

} // namespace

// Pictures

Pictures QMEbayItem::existingImages() const
{
    Pictures result;
    for (const auto& picture : images()) {
        if (picture->isURLBased() || QFileInfo::exists(picture->imageFilePath()))
            result << picture;
    }
    return result;
}

Pictures QMEbayItem::sortedImages() const
{
    Pictures result;
    for (const auto& picture : existingImages()) {
        if (picture->isGalleryImage() && !result.isEmpty())
            result.prepend(picture);
        else
            result << picture;
    }
    return result;
}

Pictures QMEbayItem::imagesForItemDescription() const
{
    const auto& preferences = QMPreferencesManager::sharedInstance();
    Pictures candidates = sortedImages();
    if (!preferences.includeGalleryImageInAuction()) {
        if (const auto gallery = galleryImage())
            candidates.removeOne(gallery);
    }
    const bool useEPS = preferences.useEPS();
    const bool includeFirst = preferences.defaults().boolForKey(QStringLiteral("includeFirstServerImageInDescription"));
    Pictures result;
    for (qsizetype index = 0; index < candidates.size(); ++index) {
        const auto& picture = candidates.at(index);
        // Pictures for eBay's picture service appear in eBay's own gallery, not in the description.
        if (useEPS && !picture->isURLBased())
            continue;
        if (index == 0 && !includeFirst)
            continue;
        result << picture;
    }
    return result;
}

Pictures QMEbayItem::imagesForAddItemRequest() const
{
    const Pictures candidates = sortedImages();
    if (QMPreferencesManager::sharedInstance().useOwnServer() && !candidates.isEmpty())
        return {candidates.first()};
    if (candidates.size() == 1)
        return candidates;
    Pictures result;
    for (const auto& picture : candidates) {
        if (!picture->isURLBased() || result.isEmpty())
            result << picture;
    }
    return result;
}

Pictures QMEbayItem::imagesToBeUploaded() const
{
    Pictures result;
    for (const auto& picture : images()) {
        if (!picture->isURLBased() && QFileInfo::exists(picture->imageFilePath()))
            result << picture;
    }
    return result;
}

QStringList QMEbayItem::imageURLs() const
{
    return addressesOf(sortedImages(), nullptr);
}

QStringList QMEbayItem::auctionImageURLs() const
{
    return addressesOf(auctionImages(), "auctionImageURLs: Image URL nil for image %@");
}

QStringList QMEbayItem::imageURLsForItemDescription() const
{
    return addressesOf(imagesForItemDescription(), "imageURLsForItemDescription: Image URL nil for image %@");
}

QStringList QMEbayItem::imageURLsForAddItemRequest() const
{
    return addressesOf(imagesForAddItemRequest(), nullptr);
}

std::shared_ptr<QMEbayImage> QMEbayItem::galleryImage() const
{
    for (const auto& picture : images()) {
        if (picture->isGalleryImage())
            return picture;
    }
    return nullptr;
}

void QMEbayItem::toggleGalleryImage(const std::shared_ptr<QMEbayImage>& picture)
{
    if (!picture || !images().contains(picture))
        return;
    if (picture->isGalleryImage()) {
        picture->setIsGalleryImage(false);
        return;
    }
    for (const auto& other : images())
        other->setIsGalleryImage(false);
    picture->setIsGalleryImage(true);
}

void QMEbayItem::unloadCachedImages()
{
    for (const auto& picture : images())
        picture->unloadImage();
}

QString QMEbayItem::pictureFileForProgressAnimation() const
{
    std::shared_ptr<QMEbayImage> picture = galleryImage();
    if (!picture) {
        const Pictures sorted = sortedImages();
        if (!sorted.isEmpty())
            picture = sorted.first();
    }
    return picture ? picture->imageFilePath() : QString();
}

// State

bool QMEbayItem::isTemplate() const
{
    const QString& text = state();
    if (text.isEmpty())
        return true;
    for (const StateName& entry : kStates) {
        if (entry.state <= QMEbayItemStateAddedTemplate && text == QLatin1String(entry.text))
            return true;
    }
    return false;
}

bool QMEbayItem::updateItemState()
{
    if (isTemplate())
        return false;
    const QDateTime end = QMEbayTimeManager::sharedInstance().localDateFromEbayDateString(endTime());
    const double timeLeft = end.isValid() ? double(dw::now().msecsTo(end)) / 1000.0 : 0.0;
    QString newState;
    if (timeLeft >= 0) {
        newState = bidCount() == 0 && quantitySold() == 0 ? QStringLiteral("AuctionWithNoBids")
                                                          : QStringLiteral("auctionItem");
    } else if (buyItNow()) {
        newState = quantitySold() > 0 ? QStringLiteral("finishedSuccessfullyAuctionItem")
                                      : QStringLiteral("finishedAuctionItem");
    } else if (bidCount() <= 0) {
        newState = QStringLiteral("finishedAuctionItem");
    } else if (useReservePrice() && dw::doubleValue(currentBid()) < dw::doubleValue(reservePrice())) {
        newState = QStringLiteral("finishedAuctionItem");
    } else {
        newState = QStringLiteral("finishedSuccessfullyAuctionItem");
    }
    bool changed = false;
    dw::changeValue(*this, newState, QStringLiteral("state"), &changed);
    if (changed)
        setWasChangedToYes();
    return changed;
}

bool QMEbayItem::hasEnded()
{
    updateItemState();
    return state() == QLatin1String("finishedSuccessfullyAuctionItem") ||
           state() == QLatin1String("finishedAuctionItem");
}

bool QMEbayItem::endedSuccessfully()
{
    updateItemState();
    return state() == QLatin1String("finishedSuccessfullyAuctionItem");
}

void QMEbayItem::resetErrorState()
{
    setState(startedAuctionItemIDs().isEmpty() ? QStringLiteral("templateItem") : QStringLiteral("addedTemplateItem"));
}

QMEbayItemState QMEbayItem::itemState() const
{
    if (state().isNull())
        return QMEbayItemStateNone;
    return itemStateForDeprecatedStateString(state());
}

void QMEbayItem::setItemState(int value)
{
    setState(deprecatedStateStringForItemState(value));
}

QMEbayItemState QMEbayItem::itemStateForDeprecatedStateString(const QString& text)
{
    if (text.isNull()) {
        QMLog("Found nil deprecated state");
        return QMEbayItemStateNone;
    }
    for (const StateName& entry : kStates) {
        if (text == QLatin1String(entry.text))
            return entry.state;
    }
    return QMEbayItemStateTemplate;
}

QString QMEbayItem::deprecatedStateStringForItemState(int value)
{
    for (const StateName& entry : kStates) {
        if (entry.state == value && entry.state != QMEbayItemStateTemplate)
            return QString::fromLatin1(entry.text);
    }
    return QStringLiteral("templateItem");
}

QString QMEbayItem::imageNameForState(const QString& state, bool isStoreItem, bool isFixedPriceItem)
{
    static const std::pair<const char*, const char*> names[] = {
        {"AuctionWithNoBids", "AuctionWithNoBidsItemState"},
        {"auctionItem", "AuctionItemState"},
        {"finishedAuctionItem", "FinishedAuctionItemState"},
        {"finishedSuccessfullyAuctionItem", "FinishedSuccessfullyAuctionItemState"},
        {"templateItemWithWarning", "TemplateWithWarningItemState"},
        {"templateItemWithError", "TemplateWithErrorItemState"},
    };
    QString name = QStringLiteral("TemplateItemState");
    for (const auto& [text, image] : names) {
        if (state == QLatin1String(text))
            name = QString::fromLatin1(image);
    }
    if (name.startsWith(QLatin1String("Template"))) {
        if (isFixedPriceItem)
            name.prepend(QLatin1String("BIN"));
        else if (isStoreItem)
            name.prepend(QLatin1String("Store"));
    }
    return name;
}

// Overview values

bool QMEbayItem::canUseCustomSpecifics() const
{
    if (category() < 1)
        return false;
    const auto source = QMCategoryDataSource::installed();
    if (!source)
        return false;
    const auto allows = [&](qint64 categoryID) {
        const auto found = source->categoryForCategoryID(categoryID, siteID());
        return found && found->supportsCustomSpecifics;
    };
    return allows(category()) || (hasCategory2() && allows(category2()));
}

QString QMEbayItem::categoryName()
{
    if (!cachedCategoryName().isNull())
        return cachedCategoryName();
    QString name = dw::localized("Category not set");
    if (category() != 0) {
        const auto source = QMCategoryNameSource::installed();
        name = source ? source->categoryNameForSiteID(siteID(), category()) : QString();
        if (name.isNull())
            name = dw::localized("Category not found");
    }
    setCachedCategoryName(name);
    return name;
}

QString QMEbayItem::category2Name()
{
    if (!cachedCategory2Name().isNull())
        return cachedCategory2Name();
    QString name = dw::localized("Category not set");
    if (category2() != 0) {
        const auto source = QMCategoryNameSource::installed();
        name = source ? source->categoryNameForSiteID(siteID(), category2()) : QString();
        if (name.isNull())
            name = dw::localized("Category not found");
    }
    setCachedCategory2Name(name);
    return name;
}

QString QMEbayItem::indicatedStartingBid() const
{
    return useStartingBid() ? minimumBid() : QStringLiteral("--");
}

QString QMEbayItem::indicatedBuyItNow() const
{
    return buyItNow() ? buyItNowPrice() : QStringLiteral("--");
}

QString QMEbayItem::indicatedQuantity() const
{
    return useQuantity() ? QString::number(quantity()) : QStringLiteral("1");
}

double QMEbayItem::currentBidSorting() const
{
    const double bid = dw::doubleValue(currentBid());
    // Listings with neither bids nor sales sort below every listing with some.
    return bidCount() == 0 && quantitySold() == 0 ? bid / 10000.0 : bid;
}

double QMEbayItem::buyItNowSorting() const
{
    return dw::doubleValue(indicatedBuyItNow());
}

int QMEbayItem::quantitySorting() const
{
    return dw::intValue(indicatedQuantity());
}

int QMEbayItem::startingBidSorting() const
{
    return useStartingBid() ? dw::intValue(indicatedStartingBid()) : -1;
}

double QMEbayItem::profit() const
{
    return listingFee().isEmpty() ? 0.0 : -dw::doubleValue(listingFee());
}

// Attribute sets

QVariantMap QMEbayItem::attributeForSetID(const QString& setID) const
{
    return attributeSets().value(setID).toMap();
}

QVariant QMEbayItem::attributeValuesForSetID(const QString& setID) const
{
    return attributeForSetID(setID).value(QStringLiteral("values"));
}

int QMEbayItem::attributeCount() const
{
    int count = 0;
    for (const QVariant& set : attributeSets()) {
        const QVariant values = set.toMap().value(QStringLiteral("values"));
        if (values.typeId() == QMetaType::QVariantMap)
            count += int(values.toMap().size());
        else if (values.typeId() == QMetaType::QVariantList)
            count += int(values.toList().size());
    }
    return count;
}
