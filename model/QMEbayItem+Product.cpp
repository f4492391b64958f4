#include "model/QMEbayItem.h"
#include "model/QMPreferencesManager.h"

namespace {
constexpr qsizetype kMaxTitleLength = 80; // eBay's limit for a listing title
}

void QMEbayItem::fillWithProductInformation(const QMEbayProduct& product)
{
    const auto& preferences = QMPreferencesManager::sharedInstance();
    if (preferences.useSearchedProductTitle())
        setTitle(product.title.left(kMaxTitleLength));
    setProductID(product.identifier);
    setPrefilledProductTitle(product.title);
    setPrefilledProductStockPhotoURL(product.stockPhotoURL);
    setPrefilledProductDetailsURL(product.detailsURL);
    setListWithProductID(true);
    setIncludeStockPhoto(preferences.includeProductStockPhoto());
    setIncludeAdditionalInformation(preferences.includeAdditionalProductInformation());
    setGalleryStockPhoto(preferences.useProductStockPhotoAsGalleryImage());
    setWasChangedToYes();
}
