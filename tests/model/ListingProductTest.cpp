#include "model/QMApplicationDefaults.h"
#include "model/QMEbayItem.h"

#include "platform/core/UserDefaults.h"
#include "tests/support/TemporaryXdg.h"

#include <gtest/gtest.h>

namespace {

QMEbayProduct productWithTitle(const QString& title)
{
    return {.identifier = QStringLiteral("99:2:1785:1"),
            .title = title,
            .minPrice = QStringLiteral("1.00"),
            .maxPrice = QStringLiteral("2.00"),
            .stockPhotoURL = QStringLiteral("http://photos.invalid/1.jpg"),
            .detailsURL = QStringLiteral("http://details.invalid/1"),
            .characteristicsSetID = {}};
}

TEST(ListingProduct, AFoundProductFillsTheListingAsThePreferencesSay)
{
    dw::test::TemporaryXdg xdg;
    ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
    auto& defaults = dw::UserDefaults::standard();
    const QString longTitle(81, u'x');
    for (const bool useTitle : {true, false}) {
        SCOPED_TRACE(useTitle);
        defaults.setBool(useTitle, QStringLiteral("useSearchedProductTitle"));
        defaults.setBool(!useTitle, QStringLiteral("includeProductStockPhoto"));
        defaults.setBool(useTitle, QStringLiteral("useProductStockPhotoAsGalleryImage"));
        defaults.setBool(!useTitle, QStringLiteral("includeAdditionalProductInformation"));
        QMEbayItem item;
        item.setTitle(QStringLiteral("Mine"));
        item.setWasChangedToNo();
        item.fillWithProductInformation(productWithTitle(longTitle));
        EXPECT_EQ(item.title(), useTitle ? QString(80, u'x') : QStringLiteral("Mine"));
        EXPECT_EQ(item.prefilledTitle(), longTitle);
        EXPECT_EQ(item.productID(), "99:2:1785:1");
        EXPECT_EQ(item.prefilledPhotoURL(), "http://photos.invalid/1.jpg");
        EXPECT_EQ(item.prefilledDetailsURL(), "http://details.invalid/1");
        EXPECT_TRUE(item.listWithProductID());
        EXPECT_EQ(item.includeStockPhoto(), !useTitle);
        EXPECT_EQ(item.galleryStockPhoto(), useTitle);
        EXPECT_EQ(item.includeAdditionalInformation(), !useTitle);
        EXPECT_TRUE(item.wasChanged());
    }
    dw::UserDefaults::resetStandard();
}

} // namespace
