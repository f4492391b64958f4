#include "description/QMDesignTemplateManager.h"
#include "description/QMPreviewGenerator.h"
#include "description/QMPreviewImageCache.h"

#include "model/QMApplicationDefaults.h"
#include "model/QMCategoryDataSource.h"
#include "model/QMEbayAttributeValue.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMItemShippingOptions.h"

#include "platform/core/UserDefaults.h"

#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

// Attribute sets of one category: a set of two attributes, and a return-policy set that pages
// never show.
class FakeAttributes final : public QMCategoryDataSource
{
public:
    std::optional<QMCategoryInfo> categoryForCategoryID(qint64, qint64) const override { return std::nullopt; }
    bool completeDataAvailableForSiteID(qint64) const override { return true; }
    QList<qint64> characteristicSetIDsForCategoryIDs(const QList<qint64>&, qint64) const override { return {10, 20}; }
    std::optional<QList<QMCategoryAttribute>> sortedAttributesForAttributeSet(qint64 setID, qint64) const override
    {
        QMCategoryAttribute brand;
        brand.identifier = 1;
        brand.label = QStringLiteral("Brand");
        QMCategoryAttribute model;
        model.identifier = 2;
        model.label = QStringLiteral("Model");
        model.labelVisible = false;
        QMCategoryAttribute returns;
        returns.identifier = 3;
        returns.label = QStringLiteral("Returns");
        if (setID == 20)
            return QList<QMCategoryAttribute>{returns};
        return QList<QMCategoryAttribute>{brand, model};
    }
    QString cachedCategoryPathForSiteID(qint64, qint64 categoryID) const override
    {
        return categoryID == 15230 ? QStringLiteral("Cameras & Photo \u203a Film Cameras") : QString();
    }
    QString characteristicSetNameForSetID(qint64 setID, qint64) const override
    {
        return setID == 10 ? QStringLiteral("Cameras") : QStringLiteral("Camera Return Policy");
    }
};

class PreviewGenerator : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        QMDesignTemplateManager::sharedInstance().registerDesignTemplates();
        QMPreviewImageCache::sharedCache() = QMPreviewImageCache();
    }
    void TearDown() override { QMCategoryDataSource::install(nullptr); }

    QString picture(const QString& name, int width, int height)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const QString path = m_xdg.path(name);
        EXPECT_TRUE(image.save(path));
        return path;
    }

    std::shared_ptr<QMEbayItem> listing()
    {
        auto item = std::make_shared<QMEbayItem>();
        item->setUniqueID(QStringLiteral("9C1D3A52-3E43-4C8E-9A4B-8E8F1D3B2A11"));
        item->setTitle(QStringLiteral("Rangefinder camera"));
        item->setImages({std::make_shared<QMEbayImage>(picture(QStringLiteral("front.png"), 1600, 1200), QString()),
                         std::make_shared<QMEbayImage>(picture(QStringLiteral("back.png"), 300, 200), QString()),
                         QMEbayImage::imageWithURL(QStringLiteral("https://pics.example/lens.jpg"))});
        return item;
    }

    // Merges a page template of our own (the user default the preferences read first).
    QString merge(const std::shared_ptr<QMEbayItem>& item, const QString& pageTemplate)
    {
        const QString path = m_xdg.path(QStringLiteral("page.html"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(pageTemplate.toUtf8());
        file.close();
        dw::UserDefaults::standard().setObject(path, QStringLiteral("unencodedPreviewTemplatePath"));
        return QMPreviewGenerator::previewGeneratorForItem(item)->htmlPreview();
    }

    dw::test::TemporaryXdg m_xdg;
};

} // namespace

TEST_F(PreviewGenerator, PagePicturesAreScaledCopiesAndTheListingKeepsItsAddresses)
{
    auto item = listing();
    const auto generator = QMPreviewGenerator::previewGeneratorForItem(item);
    const auto& pictures = item->images();

    const QString front = generator->pageAddressForPicture(*pictures.at(0));
    ASSERT_TRUE(QUrl(front).isLocalFile());
    const QString copy = QUrl(front).toLocalFile();
    EXPECT_NE(copy, pictures.at(0)->imageFilePath());
    EXPECT_TRUE(copy.contains(QStringLiteral("QuillmartTemporaryImages")));
    const QImage scaled(copy);
    EXPECT_LE(std::max(scaled.width(), scaled.height()), 500) << "the normal preview size";
    EXPECT_EQ(generator->pageAddressForPicture(*pictures.at(2)), QStringLiteral("https://pics.example/lens.jpg"));

    // The stored pictures are untouched: a document saved now keeps no preview address.
    EXPECT_TRUE(pictures.at(0)->imageURL().isEmpty());
    EXPECT_TRUE(pictures.at(1)->imageURL().isEmpty());
    EXPECT_EQ(generator->firstImage()->imageURL(), front);
    EXPECT_EQ(generator->valueForKey(QStringLiteral("firstImageURL")).toString(), front);
    EXPECT_EQ(generator->pictureForPageAddress(front), pictures.at(0));
    EXPECT_EQ(generator->pictureForPageAddress(QStringLiteral("https://pics.example/lens.jpg")), pictures.at(2));
    EXPECT_EQ(generator->pictureForPageAddress(QUrl::fromLocalFile(m_xdg.path(QStringLiteral("other.png"))).toString()),
              nullptr);

    // A second build reuses the copies.
    const auto again = QMPreviewGenerator::previewGeneratorForItem(item);
    EXPECT_EQ(again->pageAddressForPicture(*pictures.at(0)), front);
    EXPECT_EQ(QMPreviewImageCache::sharedCache().validImageIDs().size(), 2);
}

TEST_F(PreviewGenerator, ChangedPictureSizeMakesNewCopies)
{
    auto item = listing();
    auto& cache = QMPreviewImageCache::sharedCache();
    const QString normal =
        QMPreviewGenerator::previewGeneratorForItem(item)->pageAddressForPicture(*item->images().at(0));
    const QSizeF normalSize = cache.lastSize();

    item->setPhotoDisplayType(2);
    const QString supersize =
        QMPreviewGenerator::previewGeneratorForItem(item)->pageAddressForPicture(*item->images().at(0));
    EXPECT_NE(cache.lastSize(), normalSize);
    EXPECT_NE(supersize, normal);
    EXPECT_TRUE(cache.validImageIDs().isEmpty());
    EXPECT_EQ(cache.validSupersizeImageIDs().size(), 2);
    EXPECT_GT(QImage(QUrl(supersize).toLocalFile()).width(), QImage(QUrl(normal).toLocalFile()).width());

    item->setPhotoDisplayType(0);
    QMPreviewGenerator::previewGeneratorForItem(item);
    EXPECT_TRUE(cache.validSupersizeImageIDs().isEmpty());
    EXPECT_EQ(cache.validImageIDs().size(), 2);
}

TEST_F(PreviewGenerator, CacheForgetsCopiesOfRemovedOrVanishedPictures)
{
    auto item = listing();
    auto& cache = QMPreviewImageCache::sharedCache();
    const QString first =
        QMPreviewGenerator::previewGeneratorForItem(item)->pageAddressForPicture(*item->images().at(0));

    cache.removeValidImageID(QStringLiteral("/not/held.png"));
    cache.setLastSize(cache.lastSize());
    EXPECT_EQ(cache.validImageIDs().size(), 2) << "an equal size and an unknown ID change nothing";

    cache.removeValidImageID(item->images().at(0)->imageFilePath());
    const QString remade =
        QMPreviewGenerator::previewGeneratorForItem(item)->pageAddressForPicture(*item->images().at(0));
    EXPECT_NE(remade, first);

    // A copy whose file was cleared away with the temporary folder is made again.
    ASSERT_TRUE(QFile::remove(QUrl(remade).toLocalFile()));
    const QString again =
        QMPreviewGenerator::previewGeneratorForItem(item)->pageAddressForPicture(*item->images().at(0));
    EXPECT_TRUE(QFileInfo::exists(QUrl(again).toLocalFile()));

    cache.invalidateImageIDsForItem(*item);
    EXPECT_TRUE(cache.validImageIDs().isEmpty());
}

TEST_F(PreviewGenerator, ListingWithoutPicturesHasNoFirstPicture)
{
    auto item = listing();
    item->setImages({});
    const auto generator = QMPreviewGenerator::previewGeneratorForItem(item);
    EXPECT_EQ(generator->firstImage(), nullptr);
    EXPECT_FALSE(generator->valueForKey(QStringLiteral("firstImageURL")).isValid());
    EXPECT_EQ(merge(item, QStringLiteral("[[if firstImageURL]]picture[[else]]none[[endif]]")), QStringLiteral("none"));
}

TEST_F(PreviewGenerator, PageTextsAndPlainFieldsAreHTMLText)
{
    QMCategoryDataSource::install(std::make_shared<FakeAttributes>());
    auto item = listing();
    item->setTitle(QStringLiteral("Caf\u00e9 <b>lamp</b> & \"shade\""));
    item->setCategory(15230);
    EXPECT_EQ(merge(item, QStringLiteral("[[QMItem_specifics]]|[[QMHelp_&_Contact]]|[[itemTitle]]|[[itemSubTitle]]|"
                                         "[[primaryCategoryPath]]|[[secondaryCategoryPath]]")),
              QStringLiteral("Item specifics|Help &amp; Contact|Caf&#233; &lt;b&gt;lamp&lt;/b&gt; &amp; "
                             "&quot;shade&quot;||Cameras &amp; Photo &#8250; Film Cameras|"));
}

TEST_F(PreviewGenerator, ShippingRowsInternationalFirstWithAdditionalFeeForQuantities)
{
    auto item = listing();
    auto options = std::make_shared<QMItemShippingOptions>();
    options->addDomesticShippingServiceWithID(QStringLiteral("1"), QStringLiteral("4.50"), false, QStringLiteral("1"));
    options->addInternationalShippingServiceWithID(QStringLiteral("50"), QStringLiteral("19.00"), false,
                                                   QStringLiteral("5"));
    item->setShippingOptions(options);
    const QString spacer =
        QStringLiteral("<td><img width=\"20\" height=\"1\" src=\"https://pics.ebaystatic.com/aw/pics/s.gif\"></td>");
    const QString currency =
        QMPreviewGenerator::previewGeneratorForItem(item)->valueForKey(QStringLiteral("currentCurrency")).toString();
    EXPECT_EQ(merge(item, QStringLiteral("[[shippingOptions]]")),
              QStringLiteral("<tr><td valign=\"top\">%1 19.00</td>%2</tr><tr><td valign=\"top\">%1 4.50</td>%2</tr>")
                  .arg(currency, spacer));
    item->setUseQuantity(true);
    const QString rows = merge(item, QStringLiteral("[[shippingOptions]]"));
    EXPECT_EQ(rows.count(QStringLiteral("<td")), 8);
    EXPECT_TRUE(rows.contains(QStringLiteral("+ %1 5").arg(currency)));
}

TEST_F(PreviewGenerator, ItemSpecificsAreTwoColumnRows)
{
    QMCategoryDataSource::install(std::make_shared<FakeAttributes>());
    auto item = listing();
    item->setCategory(15230);
    auto value = [](const QString& name, const QString& display) {
        auto chosen = std::make_shared<QMEbayAttributeValue>(QStringLiteral("1"), name);
        chosen->setDisplayName(display);
        return dw::archiveValue(chosen);
    };
    item->setAttributeSets(
        {{QStringLiteral("10"),
          QVariantMap{
              {QStringLiteral("values"),
               QVariantMap{{QStringLiteral("1"), QVariantList{value(QStringLiteral("leica"), QStringLiteral("Leica"))}},
                           {QStringLiteral("2"), QVariantList{value(QStringLiteral("M3"), QString())}}}}}},
         {QStringLiteral("20"),
          QVariantMap{{QStringLiteral("values"),
                       QVariantMap{{QStringLiteral("3"), QVariantList{value(QStringLiteral("30"), QString())}}}}}}});
    item->setCustomItemSpecifics({{QStringLiteral("Film"), QStringLiteral("35mm")},
                                  {QStringLiteral("Era"), QStringLiteral("1950s")},
                                  {QStringLiteral("Case"), QStringLiteral("<leather>")}});

    const QVariantList sets = QMPreviewGenerator::previewGeneratorForItem(item)->attributeSets();
    ASSERT_EQ(sets.size(), 2) << "the return-policy set is never shown; custom specifics come last";
    const QVariantMap cameras = sets.at(0).toMap();
    EXPECT_EQ(cameras.value(QStringLiteral("name")), QStringLiteral("Cameras"));
    const QVariantList rows = cameras.value(QStringLiteral("rows")).toList();
    ASSERT_EQ(rows.size(), 1);
    const QVariantMap row = rows.at(0).toMap();
    EXPECT_EQ(row.value(QStringLiteral("leftRow")).toMap().value(QStringLiteral("name")), QStringLiteral("Brand:"));
    EXPECT_EQ(row.value(QStringLiteral("leftRow")).toMap().value(QStringLiteral("value")), QStringLiteral("Leica"));
    EXPECT_EQ(row.value(QStringLiteral("rightRow")).toMap().value(QStringLiteral("name")), QStringLiteral(""));
    EXPECT_EQ(row.value(QStringLiteral("rightRow")).toMap().value(QStringLiteral("value")), QStringLiteral("M3"));

    const QVariantMap custom = sets.at(1).toMap();
    EXPECT_EQ(custom.value(QStringLiteral("name")), QStringLiteral(" "));
    const QVariantList customRows = custom.value(QStringLiteral("rows")).toList();
    ASSERT_EQ(customRows.size(), 2);
    const QVariantMap last = customRows.at(1).toMap();
    EXPECT_EQ(last.value(QStringLiteral("rightRow")),
              QVariant(QVariantMap{{QStringLiteral("name"), QStringLiteral(" ")},
                                   {QStringLiteral("value"), QStringLiteral(" ")}}))
        << "an odd number of entries ends with the blank filler";
    EXPECT_TRUE(merge(item, QStringLiteral("[[foreach s attributeSets]][[foreach r s.rows]][[r.leftRow.value]];"
                                           "[[endforeach]][[endforeach]]"))
                    .contains(QStringLiteral("&lt;leather&gt;")));
}
