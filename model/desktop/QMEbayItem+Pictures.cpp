// The pictures a listing shows: the one of its progress card and its state icon.

#include "model/QMEbayItem.h"

#include "model/desktop/QMResourcePicture.h"

#include <QImage>

QImage QMEbayItem::imageForProgressAnimation(const QString& pictureFile)
{
    if (pictureFile.isNull())
        return qmResourcePicture(QStringLiteral("NoPicture"));
    return QImage(pictureFile);
}

QImage QMEbayItem::imageForProgressAnimation() const
{
    return imageForProgressAnimation(pictureFileForProgressAnimation());
}

QImage QMEbayItem::stateIndicatorImage()
{
    QString text = state();
    if (!text.isEmpty() || itemID().isEmpty()) {
        updateItemState();
        text = state();
    } else {
        text = QStringLiteral("auctionItem");
    }
    return imageForState(text, useStoreListing() && storeItem(), buyItNow() && !useStartingBid());
}

QImage QMEbayItem::image()
{
    return stateIndicatorImage();
}

QImage QMEbayItem::imageForState(const QString& state, bool isStoreItem, bool isFixedPriceItem)
{
    return qmResourcePicture(imageNameForState(state, isStoreItem, isFixedPriceItem));
}
