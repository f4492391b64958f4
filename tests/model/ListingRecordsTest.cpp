#include "model/QMEbayAttributeValue.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayImageTransformerHooks.h"
#include "model/QMEbayItem.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMYTVideo.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Paths.h"
#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <semaphore>
#include <thread>

TEST(ShippingOptions, NewOptionsStartWithTheirDefaults)
{
    QMItemShippingOptions options;
    EXPECT_EQ(options.shippingType(), 1);
    EXPECT_EQ(options.insuranceFee(), QStringLiteral("0"));
    EXPECT_EQ(options.shipFromZipCode(), QStringLiteral(""));
    EXPECT_FALSE(options.shipFromZipCode().isNull());
    EXPECT_EQ(options.packagingHandlingCostsInternational(), QStringLiteral("0"));
    EXPECT_TRUE(options.domesticShippingDiscountProfileID().isNull());
    EXPECT_TRUE(options.usesStandardShipping());
    EXPECT_TRUE(options.idOfFirstDomesticShippingService().isNull());
}

TEST(ShippingOptions, FeesAreStoredWithADecimalPoint)
{
    QMItemShippingOptions options;
    options.addDomesticShippingServiceWithID(QStringLiteral("301"), QStringLiteral("3,50"), true,
                                             QStringLiteral("1,00"));
    EXPECT_EQ(options.feeForDomesticShippingServiceAtIndex(0), QStringLiteral("3.50"));
    EXPECT_EQ(options.additionalFeeForDomesticShippingServiceAtIndex(0), QStringLiteral("1.00"));
    EXPECT_EQ(options.surchargeFeeForDomesticShippingServiceAtIndex(0), QStringLiteral("0.00"));
    EXPECT_FALSE(options.usesSurchargeFeeForDomesticShippingServiceAtIndex(0));
    options.setFee(QStringLiteral("4,25"), 0);
    EXPECT_EQ(options.feeForFirstDomesticShippingService(), QStringLiteral("4.25"));
}

TEST(ShippingOptions, BadIndexesAndMissingValuesAreProgrammingErrors)
{
    QMItemShippingOptions options;
    options.addInternationalShippingServiceWithID(QStringLiteral("50302"), QStringLiteral("9"), false,
                                                  QStringLiteral("0"));
    auto message = [](auto&& call) {
        try {
            call();
        } catch (const dw::InternalInconsistency& e) {
            return e.message();
        }
        return QString();
    };
    EXPECT_EQ(message([&] { options.feeForDomesticShippingServiceAtIndex(0); }),
              QStringLiteral("shipping service index out of bounds"));
    EXPECT_EQ(message([&] { options.removeInternationalShippingServiceAtIndex(1); }),
              QStringLiteral("international shipping service index out of bounds"));
    EXPECT_EQ(message([&] { options.addDomesticShippingServiceWithID(QString(), "1", false, "0"); }),
              QStringLiteral("cannot add new shipping service with (nil) id"));
    EXPECT_EQ(message([&] { options.addInternationalShippingServiceWithID("50302", QString(), false, "0"); }),
              QStringLiteral("cannot add new shipping service with (nil) fee"));
    EXPECT_THROW(options.domesticShippingService0(), dw::NamedException);
}

TEST(ShippingOptions, FreightAndDuplicates)
{
    QMItemShippingOptions options;
    options.addDomesticShippingServiceWithID(QStringLiteral("80029"), QStringLiteral("0"), false, QStringLiteral("0"));
    EXPECT_TRUE(options.isFreightShipping());
    options.addInternationalShippingServiceWithID(QStringLiteral("50001"), QStringLiteral("10"), false,
                                                  QStringLiteral("0"));
    EXPECT_FALSE(options.isFreightShipping());
    EXPECT_TRUE(options.usesShippingServiceWithID(50001));
    EXPECT_FALSE(options.hasDomesticShippingServiceWithID(50001));
    EXPECT_FALSE(options.hasDuplicatedService());
    options.addDomesticShippingServiceWithID(QStringLiteral("080029"), QStringLiteral("5"), false, QStringLiteral("0"));
    EXPECT_TRUE(options.hasDuplicatedService());
}

TEST(ShippingOptions, FreeShippingIgnoresLocalPickupAndCalculatedCosts)
{
    struct Row
    {
        const char* name;
        const char* domesticID;
        const char* domesticFee;
        bool calculatedDomestic;
        const char* internationalFee; // nullptr: no international service
        bool expected;
    };
    const Row rows[] = {
        {"flat zero fee", "301", "0.00", false, nullptr, true},
        {"zero fee but local pickup", "311", "0.00", false, nullptr, false},
        {"paid domestic", "301", "2.50", false, nullptr, false},
        {"calculated domestic, free abroad", "301", "0", true, "0", true},
        {"paid domestic, paid abroad", "301", "2.50", false, "7", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QMItemShippingOptions options;
        options.setUsesCalculatedShipping(row.calculatedDomestic);
        options.addDomesticShippingServiceWithID(QLatin1String(row.domesticID), QLatin1String(row.domesticFee), false,
                                                 QStringLiteral("0"));
        if (row.internationalFee)
            options.addInternationalShippingServiceWithID(QStringLiteral("50302"), QLatin1String(row.internationalFee),
                                                          false, QStringLiteral("0"));
        EXPECT_EQ(options.hasFreeShippingService(), row.expected);
    }
    QMItemShippingOptions terms;
    terms.addDomesticShippingServiceWithID(QStringLiteral("301"), QStringLiteral("0"), false, QStringLiteral("0"));
    terms.setShippingTermsInDescription(true);
    EXPECT_FALSE(terms.hasFreeShippingService());
}

TEST(ShippingOptions, Summary)
{
    QMItemShippingOptions options;
    options.setUsesCalculatedShipping(true);
    options.setShipFromZipCode(QStringLiteral("95125"));
    options.addDomesticShippingServiceWithID(QStringLiteral("1"), QStringLiteral("0"), false, QStringLiteral("0"));
    options.addDomesticShippingServiceWithID(QStringLiteral("5"), QStringLiteral("0"), false, QStringLiteral("0"));
    options.addInternationalShippingServiceWithID(QStringLiteral("50011"), QStringLiteral("0"), false,
                                                  QStringLiteral("0"));
    EXPECT_EQ(options.summary(),
              QStringLiteral("Calculated from 95125\nDomestic: 2 Services, International: 1 Services"));
    options.setLocalPickupOnly(true);
    EXPECT_EQ(options.summary(), QStringLiteral("Local Pickup Only"));
}

TEST(ShippingOptions, ACopySharesNothingWithTheOriginal)
{
    QMItemShippingOptions original;
    original.addDomesticShippingServiceWithID(QStringLiteral("301"), QStringLiteral("3.50"), false,
                                              QStringLiteral("0"));
    original.addInternationalShippingServiceWithID(QStringLiteral("50302"), QStringLiteral("9"), false,
                                                   QStringLiteral("0"));
    original.addShipToLocation(QStringLiteral("Europe"));
    const auto copy = original.copy();
    copy->setFee(QStringLiteral("1.00"), 0);
    copy->setShipToLocations({QStringLiteral("DE")}, 0);
    copy->addShipToLocation(QStringLiteral("Asia"));
    EXPECT_EQ(original.feeForDomesticShippingServiceAtIndex(0), QStringLiteral("3.50"));
    EXPECT_TRUE(original.shipToLocationsForInternationalServiceAtIndex(0).isEmpty());
    EXPECT_EQ(original.shipToLocations(), QStringList{QStringLiteral("Europe")});
    EXPECT_EQ(copy->shipToLocationsForInternationalServiceAtIndex(0), QStringList{QStringLiteral("DE")});
}

TEST(ShippingOptions, ChangesAnnounceTheirKeyAndTheValuesDerivedFromIt)
{
    using Options = QMItemShippingOptions;
    const QStringList domesticRows = {"domesticShippingServices", "domesticShippingService0",
                                      "domesticShippingService1", "domesticShippingService2"};
    struct Row
    {
        const char* name;
        std::function<void(Options&)> change;
        QStringList announced;
    };
    const Row rows[] = {
        {"calculated at home",
         [](Options& o) { o.setUsesCalculatedShipping(true); },
         {"usesCalculatedShipping", "needsPackageInfo"}},
        {"calculated at home, as it was",
         [](Options& o) { o.setUsesCalculatedShipping(false); },
         {"usesCalculatedShipping"}},
        {"calculated abroad",
         [](Options& o) { o.setUsesCalculatedShippingInternational(true); },
         {"usesCalculatedShippingInternational", "needsPackageInfo"}},
        {"local pickup", [](Options& o) { o.setLocalPickupOnly(true); }, {"localPickupOnly", "usesStandardShipping"}},
        {"terms in the description",
         [](Options& o) { o.setShippingTermsInDescription(true); },
         {"shippingTermsInDescription", "usesStandardShipping"}},
        {"insurance", [](Options& o) { o.setInsuranceOption(2); }, {"insuranceOption", "needsInsuranceFee"}},
        {"insurance abroad",
         [](Options& o) { o.setInsuranceOptionInternational(1); },
         {"insuranceOptionInternational", "needsInsuranceFeeInternational"}},
        {"the panel's insurance choice", [](Options& o) { o.setNeedsInsuranceFee(true); }, {"needsInsuranceFee"}},
        {"package depth", [](Options& o) { o.setPackageDepth(QStringLiteral("12")); }, {"packageDepth"}},
        {"service added", [](Options& o) { o.addDomesticShippingServiceWithID("302", "1", false, "0"); }, domesticRows},
        {"service removed", [](Options& o) { o.removeDomesticShippingServiceAtIndex(0); }, domesticRows},
        {"fee changed", [](Options& o) { o.setFee(QStringLiteral("4,00"), 0); }, domesticRows},
        {"fee set as it was", [](Options& o) { o.setFee(QStringLiteral("3,50"), 0); }, {"domesticShippingServices"}},
        {"row abroad",
         [](Options& o) { o.setShipToLocations({QStringLiteral("DE")}, 0); },
         {"internationalShippingServices"}},
        {"ship-to location added",
         [](Options& o) { o.addShipToLocation(QStringLiteral("Asia")); },
         {"shipToLocations"}},
        {"exclusions", [](Options& o) { o.setExcludeLocations({QStringLiteral("PO Box")}); }, {"excludeLocations"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Options options;
        options.addDomesticShippingServiceWithID(QStringLiteral("301"), QStringLiteral("3.50"), false,
                                                 QStringLiteral("0"));
        options.addInternationalShippingServiceWithID(QStringLiteral("50302"), QStringLiteral("9"), false,
                                                      QStringLiteral("0"));
        QStringList announced;
        QObject::connect(&options, &Options::keyChanged, [&](const QString& key) { announced << key; });
        row.change(options);
        EXPECT_EQ(announced, row.announced);
    }
}

TEST(AttributeValue, IdentifiersAsText)
{
    EXPECT_EQ(QMEbayAttributeValue(qint64(-6), QStringLiteral("Other")).identifier(), QStringLiteral("-6"));
    QMEbayAttributeValue padded(QStringLiteral("007"), QStringLiteral("Bond"));
    padded.setDisplayName(QStringLiteral("James"));
    const QMEbayAttributeValue copy = QMEbayAttributeValue::withAttributeValue(padded);
    EXPECT_EQ(copy.identifier(), QStringLiteral("7"));
    EXPECT_EQ(copy.displayName(), QStringLiteral("James"));
    EXPECT_EQ(QMEbayAttributeValue::withAttributeValue(QMEbayAttributeValue(QStringLiteral("red"), {})).identifier(),
              QStringLiteral("0"));
    EXPECT_EQ(padded.description(), QStringLiteral("QMEbayAttributeValue: id:007, name:Bond, displayName:James"));
}

TEST(Video, EmbedTagIsEscapedAndRecordsAreUnique)
{
    const auto media = QMYTMedia::mediaWithUrl(QStringLiteral("http://v.example/x?a=1&b=\"2\""),
                                               QStringLiteral("application/x-shockwave-flash"), QStringLiteral("5"));
    const QString tag = media->htmlEmbedTag();
    EXPECT_EQ(tag.count(QStringLiteral("http://v.example/x?a=1&amp;b=&quot;2&quot;")), 2);
    EXPECT_EQ(tag.count(QStringLiteral("application/x-shockwave-flash")), 1);
    EXPECT_EQ(tag.count(u'\n'), 3);
    EXPECT_FALSE(tag.contains(QStringLiteral("\"2\"")));
    EXPECT_NE(QMYTVideo().uniqueID(), QMYTVideo().uniqueID());
}

TEST(Picture, PathsAreStoredWithTheHomeFolderAbbreviated)
{
    dw::test::TemporaryXdg xdg;
    const QString home = dw::paths::homeFolder();
    QMEbayImage inHome(home + QStringLiteral("/Pictures/lamp.jpg"), QString());
    EXPECT_EQ(inHome.storedImageFilePath(), QStringLiteral("~/Pictures/lamp.jpg"));
    EXPECT_EQ(inHome.imageFilePath(), home + QStringLiteral("/Pictures/lamp.jpg"));
    EXPECT_EQ(inHome.name(), QStringLiteral("lamp.jpg"));
    QMEbayImage outside(QStringLiteral("/srv/pictures/lamp.jpg"), QString());
    EXPECT_EQ(outside.storedImageFilePath(), QStringLiteral("/srv/pictures/lamp.jpg"));
}

TEST(Picture, LoadsLazilyAndDropsThePictureWhenThePathChanges)
{
    dw::test::TemporaryXdg xdg;
    const QString wide = xdg.path(QStringLiteral("wide.png"));
    const QString tall = xdg.path(QStringLiteral("tall.png"));
    QImage(40, 20, QImage::Format_RGB32).save(wide);
    QImage(20, 40, QImage::Format_RGB32).save(tall);
    QMEbayImage picture(wide, QString());
    EXPECT_EQ(picture.thumbWidth(), QStringLiteral("180"));
    picture.setImageFilePath(tall);
    EXPECT_EQ(picture.thumbWidth(), QStringLiteral("135"));
    EXPECT_EQ(picture.image().height(), 40);
    QMEbayImage missing(xdg.path(QStringLiteral("gone.jpg")), QString());
    EXPECT_TRUE(missing.image().isNull());
    EXPECT_EQ(missing.EPSPreviewWidth(), QStringLiteral("300"));

    auto address = QMEbayImage::imageWithURL(QStringLiteral("https://i.example/p.jpg"));
    address->setImage(QImage(10, 10, QImage::Format_RGB32));
    address->unloadImage();
    EXPECT_FALSE(address->image().isNull());
}

TEST(Picture, AnchorsAndThumbnailPaths)
{
    EXPECT_EQ(QMEbayImage(QStringLiteral("/p/IMG-0001-large.jpg"), QString()).anchor(), QStringLiteral("AIMG0001lar"));
    EXPECT_EQ(QMEbayImage(QStringLiteral("/p/a-b.jpg"), QString()).anchor(), QStringLiteral("Aab"));
    EXPECT_EQ(QMEbayImage::imageWithURL(QStringLiteral("https://i.example/p.jpg"))->anchor(),
              QStringLiteral("https://i.example/p.jpg"));
    EXPECT_EQ(QMEbayImage::thumbnailPathForImageAtPath(QStringLiteral("/p/lamp.large.JPG")),
              QStringLiteral("/p/lamp.large_thumb.jpg"));
}

TEST(Picture, CopyingNeverChangesTheOriginal)
{
    QMEbayImage original(QStringLiteral("/srv/p/lamp.jpg"), QString());
    original.setIsGalleryImage(true);
    original.setImageURL(QStringLiteral("https://i.example/lamp.jpg"));
    const auto copy = original.copy();
    EXPECT_TRUE(original.storedThumbFilePath().isEmpty());
    EXPECT_EQ(copy->storedThumbFilePath(), original.storedThumbFilePath());
    EXPECT_EQ(copy->imageFilePath(), original.imageFilePath());
    EXPECT_TRUE(copy->isGalleryImage());
    EXPECT_EQ(copy->imageURL(), original.imageURL());
    copy->setImageFilePath(QStringLiteral("/srv/p/other.jpg"));
    copy->setName(QStringLiteral("other"));
    EXPECT_EQ(original.imageFilePath(), QStringLiteral("/srv/p/lamp.jpg"));
    EXPECT_EQ(original.name(), QStringLiteral("lamp.jpg"));
}

namespace {

template<class T>
std::shared_ptr<T> archivedCopy(const std::shared_ptr<T>& object)
{
    QMEbayItem::registerArchiveClasses();
    const auto root = dw::KeyedUnarchiver::unarchiveObjectWithData(
        dw::KeyedArchiver::archivedDataWithRootObject(dw::archiveValue(object)));
    return root ? dw::archivedObjectCast<T>(*root) : nullptr;
}

class RecordingHooks : public QMEbayImageTransformerHooks
{
public:
    QString generateAndBackupThumbnailFromFullSizeImageAtPath(const QString& imagePath) override
    {
        asked << imagePath;
        return QStringLiteral("/made/thumb.jpg");
    }
    QStringList asked;
};

} // namespace

TEST(RecordArchives, PicturesKeepTheirFieldsAndGetAThumbnailPathWhenRead)
{
    dw::test::TemporaryXdg xdg;
    auto withThumb = std::make_shared<QMEbayImage>(dw::paths::homeFolder() + QStringLiteral("/p/lamp.jpg"),
                                                   dw::paths::homeFolder() + QStringLiteral("/p/lamp_t.jpg"));
    withThumb->setIsGalleryImage(true);
    withThumb->setImageURL(QStringLiteral("https://i.example/lamp.jpg"));
    const auto copy = archivedCopy(withThumb);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->storedImageFilePath(), QStringLiteral("~/p/lamp.jpg"));
    EXPECT_EQ(copy->storedThumbFilePath(), QStringLiteral("~/p/lamp_t.jpg"));
    EXPECT_EQ(copy->name(), QStringLiteral("lamp.jpg"));
    EXPECT_TRUE(copy->isGalleryImage());
    EXPECT_EQ(copy->imageURL(), withThumb->imageURL());

    const auto hooks = std::make_shared<RecordingHooks>();
    QMEbayImageTransformerHooks::install(hooks);
    const auto fileOnly = archivedCopy(std::make_shared<QMEbayImage>(QStringLiteral("/srv/p/vase.png"), QString()));
    const auto addressOnly = archivedCopy(QMEbayImage::imageWithURL(QStringLiteral("https://i.example/v.jpg")));
    QMEbayImageTransformerHooks::install(nullptr);
    EXPECT_EQ(fileOnly->thumbFilePath(), QStringLiteral("/made/thumb.jpg"));
    EXPECT_TRUE(addressOnly->thumbFilePath().isEmpty());
    EXPECT_EQ(hooks->asked, QStringList{QStringLiteral("/srv/p/vase.png")});

    // The built-in hooks only compute where the thumbnail belongs.
    const auto builtIn = archivedCopy(std::make_shared<QMEbayImage>(xdg.path(QStringLiteral("vase.png")), QString()));
    EXPECT_EQ(builtIn->thumbFilePath(), xdg.path(QStringLiteral("vase_thumb.jpg")));
    EXPECT_FALSE(QFileInfo::exists(builtIn->thumbFilePath()));

    EXPECT_EQ(copy->valueForKey(QStringLiteral("anchor")).toString(), QStringLiteral("Alamp"));
    EXPECT_EQ(copy->valueForKey(QStringLiteral("thumbWidth")).toString(), QStringLiteral("135"));
}

namespace {

// Hooks that hold a picture reader inside the thumbnail call until the test lets it go, and tell
// whether they were destroyed while still in use.
class BlockingHooks : public QMEbayImageTransformerHooks
{
public:
    explicit BlockingHooks(std::atomic<bool>& destroyedInUse) : m_destroyedInUse(destroyedInUse) {}
    ~BlockingHooks() override { m_destroyedInUse = m_inUse.load(); }
    QString generateAndBackupThumbnailFromFullSizeImageAtPath(const QString&) override
    {
        m_inUse = true;
        entered.release();
        leave.acquire();
        const QString answer = m_answer;
        m_inUse = false;
        return answer;
    }
    std::binary_semaphore entered{0};
    std::binary_semaphore leave{0};

private:
    std::atomic<bool>& m_destroyedInUse;
    std::atomic<bool> m_inUse{false};
    const QString m_answer = QStringLiteral("/blocked/thumb.jpg");
};

} // namespace

TEST(RecordArchives, HooksReplacedWhileAReaderUsesThemLiveUntilItIsDone)
{
    const auto picture = std::make_shared<QMEbayImage>(QStringLiteral("/srv/p/vase.png"), QString());
    QMEbayItem::registerArchiveClasses();
    const QByteArray stored = dw::KeyedArchiver::archivedDataWithRootObject(dw::archiveValue(picture));
    std::atomic<bool> destroyedInUse{false};
    auto blocking = std::make_shared<BlockingHooks>(destroyedInUse);
    BlockingHooks* const hooks = blocking.get();
    QMEbayImageTransformerHooks::install(std::move(blocking));

    std::shared_ptr<QMEbayImage> readOnWorker;
    std::thread reader([&] {
        readOnWorker = dw::archivedObjectCast<QMEbayImage>(*dw::KeyedUnarchiver::unarchiveObjectWithData(stored));
    });
    hooks->entered.acquire();
    const auto replacement = std::make_shared<RecordingHooks>();
    QMEbayImageTransformerHooks::install(replacement);
    hooks->leave.release();
    reader.join();
    EXPECT_FALSE(destroyedInUse);
    ASSERT_TRUE(readOnWorker);
    EXPECT_EQ(readOnWorker->thumbFilePath(), QStringLiteral("/blocked/thumb.jpg"));

    const auto readAfter = archivedCopy(picture);
    QMEbayImageTransformerHooks::install(nullptr);
    EXPECT_EQ(readAfter->thumbFilePath(), QStringLiteral("/made/thumb.jpg"));
    EXPECT_EQ(QMEbayImageTransformerHooks::installed()->generateAndBackupThumbnailFromFullSizeImageAtPath(
                  QStringLiteral("/p/a.png")),
              QStringLiteral("/p/a_thumb.jpg"));
}

TEST(RecordArchives, AttributeValuesAndVideos)
{
    auto value = std::make_shared<QMEbayAttributeValue>(QStringLiteral("007"), QStringLiteral("Bond"));
    const auto noDisplayName = archivedCopy(value);
    ASSERT_TRUE(noDisplayName);
    EXPECT_EQ(noDisplayName->identifier(), QStringLiteral("007"));
    EXPECT_TRUE(noDisplayName->displayName().isNull());
    value->setDisplayName(QStringLiteral("James"));
    EXPECT_EQ(archivedCopy(value)->displayName(), QStringLiteral("James"));

    auto video = std::make_shared<QMYTVideo>();
    video->setTitle(QStringLiteral("Lamp"));
    video->setThumbURL(QStringLiteral("https://v.example/t.jpg"));
    const auto videoCopy = archivedCopy(video);
    ASSERT_TRUE(videoCopy);
    EXPECT_EQ(videoCopy->uniqueID(), video->uniqueID());
    EXPECT_EQ(videoCopy->thumbURL(), video->thumbURL());
    EXPECT_EQ(videoCopy->defaultMedia(), nullptr);
}
