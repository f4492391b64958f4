#include "DWKit/NSBundle+DWExtensions.h"
#include "description/QMDescriptionGenerator.h"
#include "description/QMDesignTemplateManager.h"
#include "description/QMTextBlockManager.h"
#include "description/QMWebEditingProxyEbayItem.h"

#include "model/QMApplicationDefaults.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMItemDescriptionSource.h"
#include "model/QMPreferencesManager.h"
#include "model/QMYTVideo.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/text/RtfCodec.h"

#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

const QString kStyle = QStringLiteral(
    "padding-top: inherit; font-size: inherit; text-align: inherit; clear: inherit; font-weight: inherit;");

class DescriptionGenerator : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        auto& manager = QMDesignTemplateManager::sharedInstance();
        manager.setMinimumQMTemplateVersion(214);
        manager.registerDesignTemplates();
    }

    static std::shared_ptr<QMEbayItem> listing(const QString& description, const QStringList& pictureNames = {})
    {
        auto item = std::make_shared<QMEbayItem>();
        item->setUniqueID(QStringLiteral("3F2504E0-4F89-11D3-9A0C-0305E82C3301"));
        item->setTitle(QStringLiteral("Lamp"));
        item->setItemDescriptionString(dw::StyledText(description));
        QList<std::shared_ptr<QMEbayImage>> pictures;
        for (const QString& name : pictureNames)
            pictures << QMEbayImage::imageWithURL(QStringLiteral("http://pics.example/%1.jpg").arg(name));
        item->setImages(pictures);
        return item;
    }

    static QString describe(const std::shared_ptr<QMEbayItem>& item, bool editing = false, bool resolve = true)
    {
        return QMDescriptionGenerator::descriptionForItem(item, true, true, true, true, editing, false, resolve);
    }

    static void writeUserDesign(const QString& name, const QString& identifier, const QString& body,
                                bool autoInclude = false)
    {
        const QString folder = QDir(QMDesignTemplateManager::userTemplatesDirectory()).filePath(name);
        ASSERT_TRUE(dw::paths::ensureFolder(folder));
        QFile info(folder + QStringLiteral("/Info.plist"));
        ASSERT_TRUE(info.open(QIODevice::WriteOnly));
        info.write(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
                                  "<key>CFBundleName</key><string>%1</string><key>CFBundleIdentifier</key>"
                                  "<string>%2</string><key>CFBundleVersion</key><string>1.0</string>"
                                  "<key>QMAutoIncludeImages</key><%3/></dict></plist>")
                       .arg(name, identifier, autoInclude ? QStringLiteral("true") : QStringLiteral("false"))
                       .toUtf8());
        QFile file(folder + QStringLiteral("/body.html"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(body.toUtf8());
    }

    static QString markerAddress()
    {
        return QUrl::fromLocalFile(
                   QDir(dw::paths::resourcesFolder()).filePath(QStringLiteral("images/image_dropzone_marker.png")))
            .toString();
    }

    dw::test::TemporaryXdg m_xdg;
};

} // namespace

TEST_F(DescriptionGenerator, VersionMarkerEndsEveryDescription)
{
    // The build's own version: "0.1.0 (1)" for build 1 of version 0.1.0.
    EXPECT_EQ(QMDescriptionGenerator::quillmartIndicatorString(),
              QStringLiteral("<div style=\"position: absolute !important; top: -5px; width: 1px; height: 1px; "
                             "overflow: hidden !important; font-size: 1px !important; line-height: 1px "
                             "!important;\">&nbsp;_qmrx_vers_%1 (QM %2 (%1))</div>\n")
                  .arg(dw::bundleVersion(), dw::versionString()));
    EXPECT_EQ(describe(listing(QStringLiteral("Hello [[item.title]]"))),
              QStringLiteral("Hello Lamp") + QMDescriptionGenerator::quillmartIndicatorString());
}

TEST_F(DescriptionGenerator, StyledDescriptionBecomesHTML)
{
    auto item = listing(QString());
    dw::TextAttributes attributes;
    attributes.font = dw::TextFont{QStringLiteral("Helvetica"), 12, false, false};
    attributes.alignment = dw::TextAlignment::Left;
    item->setItemDescriptionString(dw::StyledText(QStringLiteral("caf\u00e9\nopen"), attributes));
    item->setConvertDescriptionToHTML(true);
    EXPECT_EQ(describe(item),
              QStringLiteral("<div align=\"left\"><font size=\"3\" face=\"Helvetica\">caf\u00e9<br>open</font></div>") +
                  QMDescriptionGenerator::quillmartIndicatorString());
}

TEST_F(DescriptionGenerator, PicturesAndVideosFollowTheText)
{
    auto item = listing(QStringLiteral("Text"), {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    auto video = std::make_shared<QMYTVideo>();
    video->setDefaultMedia(QMYTMedia::mediaWithUrl(QStringLiteral("https://video.example/v/abc"),
                                                   QStringLiteral("application/x-shockwave-flash"),
                                                   QStringLiteral("5")));
    item->setVideos({video});
    // The video's plug-in object is active content, which eBay refuses: the sanitizer leaves its
    // place empty.
    EXPECT_EQ(describe(item),
              QStringLiteral("Text<div align=\"center\">\n<img src=\"http://pics.example/2.jpg\"><br><br>\n"
                             "<img src=\"http://pics.example/3.jpg\"><br><br>\n</div><br><br>"
                             "<br><br><div align=\"center\">\n\n\n</div><br><br>") +
                  QMDescriptionGenerator::quillmartIndicatorString());
}

TEST_F(DescriptionGenerator, EditingPreviewMarksTextAndPictures)
{
    auto item = listing(QStringLiteral("Text"), {QStringLiteral("1"), QStringLiteral("2")});
    EXPECT_EQ(describe(item, true),
              QStringLiteral("<span id=\"qm_htmlediting_description_identifier\" style=\"%1\"><div>Text</div></span>"
                             "<div align=\"center\">\n"
                             "%3<img src=\"http://pics.example/2.jpg\"><br><br></span>\n"
                             "%3<img src=\"%2\"><br><br></span>\n</div><br><br>")
                      .arg(kStyle, markerAddress(), QString::fromLatin1(kQMDescriptionDropableImageStartElement)) +
                  QMDescriptionGenerator::quillmartIndicatorString());

    writeUserDesign(QStringLiteral("Plain.designTemplate"), QStringLiteral("test.plain"),
                    QStringLiteral("<h1>[[item.title]]</h1><img src=\"[[index auctionImageURLs 0]]\">[[description]]"));
    QMDesignTemplateManager::sharedInstance().registerDesignTemplates();
    item->setUseDesignTemplate(true);
    item->setDesignTemplateIdentifier(QStringLiteral("test.plain"));
    item->setItemDescriptionString(dw::StyledText());
    item->setTitle(QString());
    const QString html = describe(item, true);
    EXPECT_EQ(html, QStringLiteral("<h1><span id=\"qm_htmlediting_title_design\" style=\"%1\">Click here to enter a "
                                   "title</span></h1>%3<img "
                                   "src=\"http://pics.example/2.jpg\"></span><span "
                                   "id=\"qm_htmlediting_description_identifier\" style=\"%1\"><div>%2</div></span>")
                            .arg(kStyle, QMWebEditingProxyEbayItem::fillerDescription().text(),
                                 QString::fromLatin1(kQMDescriptionDropableImageStartElement)) +
                        QMDescriptionGenerator::quillmartIndicatorString());
    EXPECT_TRUE(item->itemDescriptionString().isEmpty());
    EXPECT_EQ(item->images().size(), 2);
}

TEST_F(DescriptionGenerator, SecondaryPlaceholdersResolvedOnlyWhenAsked)
{
    auto item = listing(QStringLiteral("{{item.title}} [[item.title]]"));
    EXPECT_EQ(describe(item, false, false),
              QStringLiteral("{{item.title}} Lamp") + QMDescriptionGenerator::quillmartIndicatorString());
    EXPECT_EQ(describe(item, false, true),
              QStringLiteral("Lamp Lamp") + QMDescriptionGenerator::quillmartIndicatorString());
}

TEST_F(DescriptionGenerator, FooterLinksToTheStoreOutsideTheHomeSites)
{
    auto& preferences = QMPreferencesManager::sharedInstance();
    preferences.defaults().setBool(true, QStringLiteral("includeFooterInDescription"));
    preferences.setDefaultFooterString(QStringLiteral("Listed with ") + QMDescriptionGenerator::productPageAnchor() +
                                       QStringLiteral("Quillmart</a>"));
    struct Row
    {
        int site;
        QString footer;
    };
    const Row rows[] = {
        {0, QStringLiteral("Listed with <a href=\"https://www.quillmart.example/vodar/\">Quillmart</a>")},
        {100, QStringLiteral("Listed with <a href=\"https://www.quillmart.example/vodar/\">Quillmart</a>")},
        {77, QStringLiteral("Listed with <a href=\"https://stores.ebay.com/\">Quillmart</a>")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.site);
        auto item = listing(QStringLiteral("Text "));
        item->setSiteID(row.site);
        EXPECT_EQ(describe(item),
                  QStringLiteral("Text ") + row.footer + QMDescriptionGenerator::quillmartIndicatorString());
    }
}

TEST_F(DescriptionGenerator, DesignsReachOnlyHarmlessPreferencesAndTheTextBlocks)
{
    auto& preferences = QMPreferencesManager::sharedInstance();
    preferences.setReturnPolicyDescription(QStringLiteral("30 days"));
    preferences.setFTPUserName(QStringLiteral("ann"));
    ASSERT_TRUE(QMTextBlockManager::sharedInstance().saveTextBlocks(
        {QVariantMap{{QStringLiteral("name"), QStringLiteral("Shipping terms")},
                     {QStringLiteral("message"), dw::rtf::write(dw::StyledText(QStringLiteral("Free shipping")))}}}));
    dw::ScopedConsoleCapture capture;
    EXPECT_EQ(describe(listing(QStringLiteral("[[preferences.returnPolicyDescription]]|[[preferences.FTPUserName]]|"
                                              "[[preferences.appID]]|[[textblocks.Shipping_terms]]|"
                                              "[[textblocks.shipping_terms]]|[[textblocks.SHIPPING_TERMS]]"))),
              QStringLiteral("30 days|||Free shipping|Free shipping|Unknown text block") +
                  QMDescriptionGenerator::quillmartIndicatorString());
    EXPECT_TRUE(capture.contains(QStringLiteral("Unknown key \"FTPUserName\"")));
}

TEST_F(DescriptionGenerator, EditingProxySharesThePicturesOfTheListing)
{
    auto item = listing(QString(), {QStringLiteral("1"), QStringLiteral("2")});
    item->setTitle(QStringLiteral("Caf\u00e9"));
    auto proxy = QMWebEditingProxyEbayItem::itemWithRealItem(item);
    ASSERT_EQ(proxy->images().size(), 3);
    EXPECT_EQ(proxy->images().at(0), item->images().at(0));
    EXPECT_EQ(proxy->images().at(1), item->images().at(1));
    EXPECT_EQ(proxy->images().at(2), QMWebEditingProxyEbayItem::dropZoneMarkerImage());
    EXPECT_EQ(proxy->valueForKey(QStringLiteral("title")).toString(),
              QStringLiteral("<span id=\"qm_htmlediting_title_design\" style=\"%1\">Caf&#233;</span>").arg(kStyle));
    EXPECT_FALSE(proxy->itemDescriptionString().isEmpty());

    QMPreferencesManager::sharedInstance().defaults().setBool(true, QStringLiteral("hidePreviewImageDropzoneMarker"));
    EXPECT_EQ(QMWebEditingProxyEbayItem::itemWithRealItem(item)->images(), item->images());
}

// Every built-in design, in every layout and in the editing preview, merges without a parse error
// or a key the generator does not offer.
TEST_F(DescriptionGenerator, BuiltInDesignsMergeCleanly)
{
    auto& manager = QMDesignTemplateManager::sharedInstance();
    ASSERT_GE(manager.designTemplates().size(), 6);
    auto item =
        listing(QStringLiteral("<p>A fine lamp.</p>"), {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    item->setSubTitle(QStringLiteral("Restored"));
    item->setLocation(QStringLiteral("Portland"));
    item->setUseDesignTemplate(true);
    for (const auto& design : manager.designTemplates()) {
        if (!design->path().startsWith(QMDesignTemplateManager::builtInTemplatesDirectory()))
            continue;
        EXPECT_FALSE(design->staticPreview().isNull()) << design->name().toStdString();
        item->setDesignTemplateIdentifier(design->identifier());
        for (const QString& layout : QStringList{QString()} + design->layoutNames()) {
            for (const bool editing : {false, true}) {
                SCOPED_TRACE(QString(design->name() + u' ' + layout + (editing ? u'E' : u'-')).toStdString());
                item->setDesignLayoutName(layout);
                dw::ScopedConsoleCapture capture;
                const QString html = describe(item, editing);
                EXPECT_TRUE(capture.lines().isEmpty()) << capture.lines().join(u'\n').toStdString();
                EXPECT_TRUE(html.contains(QStringLiteral("A fine lamp.")));
                EXPECT_FALSE(html.contains(QStringLiteral("[[")));
            }
        }
    }
}

// A bought design, the seller's text and the fields merged into them are data: what reaches eBay
// and the preview is the sanitizer's markup, whichever of them brought the script.
TEST_F(DescriptionGenerator, NothingThatRunsComesThroughADesignTheTextOrAField)
{
    writeUserDesign(QStringLiteral("Bought.designTemplate"), QStringLiteral("test.bought"),
                    QStringLiteral("<style>h1 { color: navy; background: url(javascript:x) }</style>"
                                   "<h1 onclick=\"steal()\">[[item.title]]</h1><script>steal()</script>"
                                   "<iframe src=\"https://frames.example/\"></iframe>[[description]]"));
    QMDesignTemplateManager::sharedInstance().registerDesignTemplates();
    auto item = listing(QStringLiteral("<p>Solid <b>oak</b><img src=\"x\" onerror=\"steal()\"></p>"));
    item->setTitle(QStringLiteral("Lamp <img src=x onerror=steal()>"));
    item->setUseDesignTemplate(true);
    item->setDesignTemplateIdentifier(QStringLiteral("test.bought"));
    EXPECT_EQ(describe(item), QStringLiteral("<style>h1 { color: navy;}</style><h1>Lamp <img src=\"x\"></h1>"
                                             "<p>Solid <b>oak</b><img src=\"x\"></p>") +
                                  QMDescriptionGenerator::quillmartIndicatorString());
}

TEST_F(DescriptionGenerator, IsWhatTheRequestBuilderSendsOnceInstalled)
{
    auto item = listing(QStringLiteral("Hello [[item.title]]"), {QStringLiteral("1"), QStringLiteral("2")});
    const QString plain = QMItemDescriptionSource::installed()->eBayDescriptionForItem(*item);
    QMDescriptionGenerator::installAsItemDescriptionSource();
    EXPECT_EQ(QMItemDescriptionSource::installed()->eBayDescriptionForItem(*item), describe(item));
    EXPECT_NE(plain, describe(item)) << "the built-in source knows no design, pictures or footer";
    QMItemDescriptionSource::install(nullptr);
}
