#include "model/QMCategoryNameSource.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"
#include "model/QMStringMessageGenerator.h"

#include "DWKit/QMLog.h"

#include "platform/core/Clock.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/TemporaryXdg.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

using Pictures = QList<std::shared_ptr<QMEbayImage>>;

class ListingQueries : public ::testing::Test
{
protected:
    // A picture file that exists, named after its role in the test.
    std::shared_ptr<QMEbayImage> file(const char* name)
    {
        const QString path = m_xdg.path(QString::fromLatin1(name) + QStringLiteral(".png"));
        QImage(4, 3, QImage::Format_RGB32).save(path);
        auto picture = std::make_shared<QMEbayImage>(path, QString());
        picture->setImageURL(QStringLiteral("https://i.example/") + QString::fromLatin1(name));
        return picture;
    }
    static std::shared_ptr<QMEbayImage> address(const char* name)
    {
        return QMEbayImage::imageWithURL(QStringLiteral("https://i.example/") + QString::fromLatin1(name));
    }
    static QStringList names(const Pictures& pictures)
    {
        QStringList result;
        for (const auto& picture : pictures)
            result << picture->imageURL().section(u'/', -1);
        return result;
    }
    QMPreferencesManager& preferences() { return QMPreferencesManager::sharedInstance(); }

    dw::test::TemporaryXdg m_xdg;
};

class FakeCategories : public QMCategoryNameSource
{
public:
    QString categoryNameForSiteID(qint64 siteID, qint64 categoryID) const override
    {
        ++asked;
        return siteID == 77 && categoryID == 1234 ? QStringLiteral("Lampen") : QString();
    }
    mutable int asked = 0;
};

} // namespace

TEST_F(ListingQueries, PictureOrders)
{
    QMEbayItem item;
    const auto first = file("first");
    const auto second = file("second");
    const auto third = file("third");
    second->setIsGalleryImage(true);
    const auto gone = std::make_shared<QMEbayImage>(m_xdg.path(QStringLiteral("gone.jpg")), QString());
    item.setImages({first, gone, second, third, address("web")});

    EXPECT_EQ(names(item.sortedImages()), (QStringList{"second", "first", "third", "web"}));
    EXPECT_EQ(names(item.imagesToBeUploaded()), (QStringList{"first", "second", "third"}));
    EXPECT_EQ(item.existingImages().size(), 4) << "a file that has gone is left out";
    EXPECT_EQ(item.galleryImage(), second);
    EXPECT_EQ(item.imageURLs(), (QStringList{"https://i.example/second", "https://i.example/first",
                                             "https://i.example/third", "https://i.example/web"}));
}

TEST_F(ListingQueries, PicturesOfTheDescriptionAndOfTheRequest)
{
    struct Case
    {
        const char* name;
        qint64 uploadSystem;
        bool includeGallery;
        bool includeFirst;
        const char* pictures; // f: file, g: gallery file, a: address only
        QStringList description;
        QStringList request;
    };
    const Case cases[] = {
        {"eBay's picture service: no file in the description", 300, true, true, "fga", {"a2"}, {"g1", "f0"}},
        {"own server, first left out", 302, true, false, "fgff", {"f0", "f2", "f3"}, {"g1"}},
        {"own server, first included", 302, true, true, "ff", {"f0", "f1"}, {"f0"}},
        {"gallery picture kept out of the description", 304, false, true, "fgf", {"f0", "f2"}, {"g1"}},
        {"one address-only picture", 304, true, true, "a", {"a0"}, {"a0"}},
        {"an address after a file", 304, true, true, "fa", {"f0", "a1"}, {"f0"}},
        {"an address before the files", 300, true, true, "aff", {"a0"}, {"a0", "f1", "f2"}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        preferences().setDefaultImageUploadingSystemTag(row.uploadSystem);
        preferences().defaults().setBool(row.includeGallery, QStringLiteral("includeGalleryImageInAuction"));
        preferences().defaults().setBool(row.includeFirst, QStringLiteral("includeFirstServerImageInDescription"));
        Pictures pictures;
        for (int i = 0; row.pictures[i]; ++i) {
            const QByteArray name = QByteArray(1, row.pictures[i]) + QByteArray::number(i);
            auto picture = row.pictures[i] == 'a' ? address(name.constData()) : file(name.constData());
            picture->setIsGalleryImage(row.pictures[i] == 'g');
            pictures << picture;
        }
        QMEbayItem item;
        item.setImages(pictures);
        EXPECT_EQ(names(item.imagesForItemDescription()), row.description);
        EXPECT_EQ(names(item.imagesForAddItemRequest()), row.request);
    }
}

TEST_F(ListingQueries, AddressListsSkipPicturesWithoutAnAddress)
{
    QMSetLogLevel(2);
    QMEbayItem item;
    auto unsent = std::make_shared<QMEbayImage>(m_xdg.path(QStringLiteral("x.png")), QString());
    QImage(2, 2, QImage::Format_RGB32).save(unsent->imageFilePath());
    item.setImages({unsent, address("web")});
    dw::ScopedConsoleCapture console;
    EXPECT_EQ(item.auctionImageURLs(), QStringList{QStringLiteral("https://i.example/web")});
    EXPECT_TRUE(console.contains(QStringLiteral("auctionImageURLs: Image URL nil for image x.png")));
    QMResetCachedLogLevel();
}

TEST_F(ListingQueries, TheGalleryPictureToggles)
{
    QMEbayItem item;
    const auto a = address("a");
    const auto b = address("b");
    a->setIsGalleryImage(true);
    item.setImages({a, b});
    item.toggleGalleryImage(b);
    EXPECT_FALSE(a->isGalleryImage());
    EXPECT_TRUE(b->isGalleryImage());
    item.toggleGalleryImage(b);
    EXPECT_FALSE(item.hasGalleryImage());
    const auto stranger = address("c");
    item.toggleGalleryImage(stranger);
    EXPECT_FALSE(stranger->isGalleryImage());
}

TEST_F(ListingQueries, StateFollowsTheResultsOnEBay)
{
    dw::ManualClock clock(QDateTime::fromString(QStringLiteral("2026-03-01T12:00:00Z"), Qt::ISODate));
    dw::ScopedClock useClock(clock);
    struct Case
    {
        const char* name;
        const char* endTime;
        bool buyItNow;
        int bids;
        int sold;
        bool reserve;
        const char* currentBid;
        const char* expected;
    };
    const Case cases[] = {
        {"running without bids", "2026-03-02 12:00:00", false, 0, 0, false, "0", "AuctionWithNoBids"},
        {"running with a sale", "2026-03-02 12:00:00", true, 0, 1, false, "0", "auctionItem"},
        {"no end time counts as running", "", false, 3, 0, false, "5", "auctionItem"},
        {"fixed price ended unsold", "2026-02-01 12:00:00", true, 0, 0, false, "0", "finishedAuctionItem"},
        {"fixed price ended sold", "2026-02-01 12:00:00", true, 0, 2, false, "0", "finishedSuccessfullyAuctionItem"},
        {"auction ended without bids", "2026-02-01 12:00:00", false, 0, 0, false, "0", "finishedAuctionItem"},
        {"reserve not met", "2026-02-01 12:00:00", false, 2, 0, true, "40", "finishedAuctionItem"},
        {"reserve met", "2026-02-01 12:00:00", false, 2, 0, true, "50", "finishedSuccessfullyAuctionItem"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        QMEbayItem item;
        item.setState(QStringLiteral("auctionItem"));
        item.setEndTime(QString::fromLatin1(row.endTime));
        item.setBuyItNow(row.buyItNow);
        item.setBidCount(row.bids);
        item.setQuantitySold(row.sold);
        item.setUseReservePrice(row.reserve);
        item.setReservePrice(QStringLiteral("50.00"));
        item.setCurrentBid(QString::fromLatin1(row.currentBid));
        const bool changed = item.updateItemState();
        EXPECT_EQ(item.state(), QLatin1String(row.expected));
        EXPECT_EQ(changed, item.wasChanged());
        EXPECT_EQ(changed, row.expected != QLatin1String("auctionItem"));
        EXPECT_FALSE(item.updateItemState()) << "a second call finds nothing to change";
    }

    QMEbayItem templateItem;
    templateItem.setEndTime(QStringLiteral("2026-02-01 12:00:00"));
    EXPECT_FALSE(templateItem.updateItemState());
    EXPECT_EQ(templateItem.state(), QStringLiteral("templateItem"));
    EXPECT_FALSE(templateItem.hasEnded());

    templateItem.setStartedAuctionItemIDs({QStringLiteral("1")});
    templateItem.setState(QStringLiteral("templateItemWithError"));
    templateItem.resetErrorState();
    EXPECT_EQ(templateItem.state(), QStringLiteral("addedTemplateItem"));
}

TEST_F(ListingQueries, StateNumbersAndIcons)
{
    QMSetLogLevel(2);
    dw::ScopedConsoleCapture console;
    EXPECT_EQ(QMEbayItem::itemStateForDeprecatedStateString(QStringLiteral("finishedAuctionItem")), 20);
    EXPECT_EQ(QMEbayItem::itemStateForDeprecatedStateString(QStringLiteral("somethingElse")), 1);
    EXPECT_EQ(QMEbayItem::itemStateForDeprecatedStateString(QString()), 0);
    EXPECT_TRUE(console.contains(QStringLiteral("Found nil deprecated state")));
    EXPECT_EQ(QMEbayItem::deprecatedStateStringForItemState(5), QStringLiteral("templateItem"));
    EXPECT_EQ(QMEbayItem::deprecatedStateStringForItemState(21), QStringLiteral("finishedSuccessfullyAuctionItem"));
    QMResetCachedLogLevel();

    struct Case
    {
        const char* state;
        bool store;
        bool fixedPrice;
        const char* image;
    };
    const Case icons[] = {
        {"templateItem", false, true, "BINTemplateItemState"},
        {"templateItemWithWarning", true, false, "StoreTemplateWithWarningItemState"},
        {"addedTemplateItem", true, true, "BINTemplateItemState"},
        {"auctionItem", true, true, "AuctionItemState"},
        {"", false, false, "TemplateItemState"},
    };
    for (const Case& row : icons) {
        SCOPED_TRACE(row.state);
        EXPECT_EQ(QMEbayItem::imageNameForState(QString::fromLatin1(row.state), row.store, row.fixedPrice),
                  QLatin1String(row.image));
        EXPECT_FALSE(QMEbayItem::imageForState(QString::fromLatin1(row.state), row.store, row.fixedPrice).isNull());
    }

    QMEbayItem listed;
    listed.setState(QString());
    listed.setItemID(QStringLiteral("110"));
    listed.setBuyItNow(true);
    listed.setUseStartingBid(false);
    EXPECT_EQ(listed.stateIndicatorImage().size(),
              QMEbayItem::imageForState(QStringLiteral("auctionItem"), false, true).size());
    listed.setItemState(QMEbayItemStateFinished);
    EXPECT_EQ(listed.itemState(), QMEbayItemStateFinished);
    EXPECT_FALSE(QMEbayItem().imageForProgressAnimation().isNull()) << "the NoPicture picture";
}

TEST_F(ListingQueries, CategoryNamesAreLookedUpOnceAndCached)
{
    QMEbayItem item;
    EXPECT_EQ(item.categoryName(), QStringLiteral("Category not set"));
    item.setSiteID(77);
    item.setCategory(1234);
    item.setCategory2(999);
    EXPECT_EQ(item.category2Name(), QStringLiteral("Category not found")) << "no category store installed";

    const auto categories = std::make_shared<FakeCategories>();
    QMCategoryNameSource::install(categories);
    EXPECT_EQ(item.valueForKey(QStringLiteral("categoryName")).toString(), QStringLiteral("Lampen"));
    EXPECT_EQ(item.categoryName(), QStringLiteral("Lampen"));
    EXPECT_EQ(categories->asked, 1);
    EXPECT_EQ(item.cachedCategoryName(), QStringLiteral("Lampen"));
    item.setCategory2(1234);
    EXPECT_EQ(item.category2Name(), QStringLiteral("Lampen"));
    QMCategoryNameSource::install(nullptr);
}

TEST_F(ListingQueries, OverviewValues)
{
    QMEbayItem item;
    EXPECT_EQ(item.indicatedStartingBid(), QStringLiteral("--"));
    EXPECT_EQ(item.startingBidSorting(), -1);
    EXPECT_EQ(item.indicatedQuantity(), QStringLiteral("1"));
    EXPECT_EQ(item.buyItNowSorting(), 0.0);
    EXPECT_EQ(item.profit(), 0.0);
    item.setUseStartingBid(true);
    item.setMinimumBid(QStringLiteral("12.99"));
    item.setUseQuantity(true);
    item.setQuantity(4);
    item.setCurrentBid(QStringLiteral("30.00"));
    item.setListingFee(QStringLiteral("0.35"));
    EXPECT_EQ(item.startingBidSorting(), 12);
    EXPECT_EQ(item.valueForKey(QStringLiteral("quantitySorting")).toInt(), 4);
    EXPECT_DOUBLE_EQ(item.currentBidSorting(), 0.003) << "nothing sold yet: ranks below every sale";
    item.setBidCount(1);
    EXPECT_DOUBLE_EQ(item.currentBidSorting(), 30.0);
    EXPECT_DOUBLE_EQ(item.profit(), -0.35);
    EXPECT_EQ(item.categories(), (QVariantList{0, 0}));

    item.setAttributeSets(
        {{QStringLiteral("1"),
          QVariantMap{{QStringLiteral("values"),
                       QVariantMap{{QStringLiteral("10"), QVariantList{}}, {QStringLiteral("11"), QVariantList{}}}}}},
         {QStringLiteral("2"),
          QVariantMap{{QStringLiteral("values"), QVariantMap{{QStringLiteral("20"), QVariantList{}}}}}}});
    EXPECT_EQ(item.attributeCount(), 3);
    item.removeAttributes();
    EXPECT_EQ(item.attributeCount(), 0);
}

TEST_F(ListingQueries, AGalleryEnhancementReplacesTheOtherOnTheListing)
{
    QMEbayItem item;
    item.setSiteID(0);
    item.setListingEnhancements({QStringLiteral("BoldTitle"), QStringLiteral("GalleryPlus")});
    auto& sites = QMSiteDescriptionManager::sharedInstance();
    sites.addGalleryListingEnhancement(QStringLiteral("GalleryFeatured"), item);
    sites.addGalleryListingEnhancement(QStringLiteral("Highlight"), item);
    sites.addGalleryListingEnhancement(QStringLiteral("Highlight"), item);
    EXPECT_EQ(item.listingEnhancements(), (QStringList{QStringLiteral("BoldTitle"), QStringLiteral("GalleryFeatured"),
                                                       QStringLiteral("Highlight")}));
}

TEST(ProgressTexts, TitlesAndAddressesFollowTheText)
{
    EXPECT_EQ(QMStringMessageGenerator::relistingItemMessageForItemTitle(QStringLiteral("Oak lamp")),
              QStringLiteral("Relisting Auction Oak lamp"));
    EXPECT_EQ(QMStringMessageGenerator::addingItemMessageForItemTitle(QString()),
              QStringLiteral("Adding Auction to eBay System"));
    EXPECT_EQ(QMStringMessageGenerator::ftpUploadMessageStringForFTPAddress(QStringLiteral("ftp.example.org")),
              QStringLiteral("Uploading image to FTP server at ftp.example.org"));
}
