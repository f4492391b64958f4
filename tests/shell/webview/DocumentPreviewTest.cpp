#include "description/DesignChooser/QMDesignFlowUIController.h"
#include "description/DesignChooser/QMFlowGeometry.h"
#include "description/DesignChooser/QMFlowView.h"
#include "description/DesignChooser/QMFlowViewArrayController.h"
#include "description/QMDesignTemplate.h"
#include "description/QMDesignTemplateManager.h"
#include "description/widgets/QMPreviewWebView.h"
#include "description/widgets/QMWebEditor.h"

#include "model/QMApplicationDefaults.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMItemShippingOptions.h"

#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"

#include "shell/QMBDocument.h"
#include "shell/QMBDocumentController.h"
#include "shell/QMBSettingsPaneController.h"
#include "shell/QMBWebViewScriptObject.h"

#include "tests/support/HostileDescriptions.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"
#include "tests/support/preview/PreviewPageDriver.h"

#include <QDir>
#include <QImage>
#include <QMenu>
#include <QTest>
#include <QUndoStack>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

class DocumentPreview : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        dw::UserDefaults::standard().setBool(true, QStringLiteral("HideDeleteImageWarning"));
        auto& designs = QMDesignTemplateManager::sharedInstance();
        designs.setMinimumQMTemplateVersion(214);
        designs.registerDesignTemplates();
        m_document = QMBDocumentController::sharedDocumentController().openUntitledDocumentAndDisplay(true);
        ASSERT_TRUE(m_document);
        item()->setTitle(QStringLiteral("Folding camera"));
        item()->setItemDescriptionString(dw::StyledText(QStringLiteral("Bellows are light-tight.")));
        item()->setImages({std::make_shared<QMEbayImage>(picture(QStringLiteral("front"), Qt::darkBlue), QString()),
                           std::make_shared<QMEbayImage>(picture(QStringLiteral("side"), Qt::darkRed), QString())});
        ASSERT_TRUE(m_document->auctionWebView()) << "a display shows web pages";
        dw::test::PreviewPageDriver::show(m_document->auctionWebView());
        m_document->resize(1280, 900);
        reload();
    }

    void TearDown() override
    {
        for (auto* document : QMBDocumentController::sharedDocumentController().documents())
            delete document;
    }

    std::shared_ptr<QMEbayItem> item() const { return m_document->item(); }
    QMPreviewWebView* view() const { return m_document->auctionWebView(); }
    dw::test::PreviewPageDriver page() const { return dw::test::PreviewPageDriver(view()); }

    QString picture(const QString& name, QColor color)
    {
        QImage image(640, 480, QImage::Format_RGB32);
        image.fill(color);
        const QString path = m_xdg.path(name + QStringLiteral(".png"));
        EXPECT_TRUE(image.save(path));
        return path;
    }

    // Waits for the page that the listing as it is now gives.
    void reload()
    {
        m_document->reloadAuctionPreview();
        const int generation = view()->loadGeneration();
        ASSERT_TRUE(dw::test::waitUntil([&] { return view()->loadGeneration() > generation; }));
        ASSERT_TRUE(page().waitForConnection());
        ASSERT_TRUE(page().waitFor(QStringLiteral("qmEditor.settings.enabled")));
    }

    QString pageAddress(int index) const
    {
        return page()
            .evaluate(QStringLiteral("document.querySelectorAll('img.qv-thumb')[%1].src").arg(index))
            .toString();
    }

    // Calls the bridge as a script of the page does.
    void callBridge(const QString& call)
    {
        page().evaluate(QStringLiteral("(QuillmartScriptObject.%1, 1)").arg(call));
        page().evaluate(QStringLiteral("1"));
    }

    dw::test::TemporaryXdg m_xdg;
    dw::test::ScriptedAlertPresenter m_alerts;
    QMBDocument* m_document = nullptr;
};

} // namespace

TEST_F(DocumentPreview, TheBridgeOffersExactlyItsEightOperations)
{
    // What the page sees of the object, leaving out what the channel's own script adds to every
    // object and what every object of the toolkit has (which the channel does not let the page
    // delete or rename).
    const QStringList seen =
        page()
            .evaluate(QStringLiteral(
                "(function(){ var o = QuillmartScriptObject, own = ['unwrapQObject', 'unwrapProperties',"
                " 'propertyUpdate', 'signalEmitted', 'toJSON', 'deleteLater', 'destroyed', 'objectNameChanged'];"
                " return Object.keys(o).filter(function (k) { return k.indexOf('__') !== 0 && k.indexOf('(') < 0"
                " && own.indexOf(k) < 0 && k !== 'objectName'; }).sort(); })()"))
            .toStringList();
    QStringList expected = QMBWebViewScriptObject::webScriptNames();
    expected.sort();
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(page()
                    .evaluate(QStringLiteral("typeof QuillmartScriptObject.document === 'undefined' && "
                                             "typeof QuillmartScriptObject.item === 'undefined'"))
                    .toBool());
    callBridge(QStringLiteral("deleteLater()"));
    EXPECT_TRUE(m_document->webviewScriptObject()) << "the page cannot delete the bridge";
}

TEST_F(DocumentPreview, InternalAddressesRunTheirCommandAndThePageStays)
{
    page().evaluate(
        QStringLiteral("(function(){ var a = document.createElement('a'); a.id = 'condition'; a.textContent = 'Used';"
                       " a.href = 'qminternal:/x/setCurrentItemConditionTo_3000'; a.style.fontSize = '30px';"
                       " document.body.insertBefore(a, document.body.firstChild); return 1; })()"));
    page().click(QStringLiteral("#condition"));
    ASSERT_TRUE(dw::test::waitUntil([this] { return item()->conditionID() == 3000; }));
    EXPECT_EQ(view()->url().scheme(), QStringLiteral("qmpreview")) << "the link did not navigate";

    struct Case
    {
        const char* address;
        std::function<bool()> done;
    };
    item()->setSubTitle(QStringLiteral("Complete with case"));
    const Case cases[] = {
        {"qminternal:/setCurrentItemHandlingTime_?parameter=2",
         [this] { return item()->useDispatchTimeMax() && item()->dispatchTimeMax() == 2; }},
        {"qminternal:/webviewRemoveSubtitleAction_", [this] { return item()->subTitle().isEmpty(); }},
        {"qminternal:/setCurrentItemConditionTo", [this] { return item()->conditionID() == 3000; }},
        {"qminternal:/noSuchCommand_", [] { return true; }},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.address);
        m_document->handleInternalURL(QUrl(QString::fromLatin1(row.address)));
        EXPECT_TRUE(row.done());
    }
    EXPECT_EQ(view()->url().scheme(), QStringLiteral("qmpreview"));
}

TEST_F(DocumentPreview, ChangesReloadOnceAndTheTitleFollowsWithoutReload)
{
    const int generation = view()->loadGeneration();
    item()->setTitle(QStringLiteral("Folding camera, 6x9"));
    ASSERT_TRUE(page().waitFor(
        QStringLiteral("document.getElementById('qm_htmlediting_title_preview').value === 'Folding camera, 6x9'")));
    item()->setPrivateComment(QByteArray("bought in 1998"));
    page().evaluate(QStringLiteral("1"));
    EXPECT_EQ(view()->loadGeneration(), generation) << "neither shows a changed page";

    item()->setMinimumBid(QStringLiteral("40.00"));
    item()->setUseStartingBid(true);
    item()->setQuantity(2);
    m_document->setItemWasChanged(false);
    ASSERT_TRUE(dw::test::waitUntil([&] { return view()->loadGeneration() > generation; }));
    ASSERT_TRUE(page().waitForConnection());
    EXPECT_EQ(view()->loadGeneration(), generation + 1) << "three changes in one turn, one new page";
    EXPECT_FALSE(m_document->isDocumentEdited()) << "a new page alone changes nothing";
    EXPECT_TRUE(page().evaluate(QStringLiteral("document.body.textContent.indexOf('40.00') >= 0")).toBool());
}

TEST_F(DocumentPreview, DoubleClickOnTheFrontDesignSetsItAndReloadsOnce)
{
    QMDesignFlowUIController* chooser = m_document->designFlowController();
    ASSERT_TRUE(chooser);
    ASSERT_TRUE(chooser->usesCarousel()) << "a display with OpenGL shows the carousel";
    auto* carousel = dynamic_cast<QMFlowView*>(chooser->previewFlowView());
    ASSERT_TRUE(carousel);
    // A design the listing does not use comes to the front.
    QMFlowViewArrayController* designs = carousel->arrayController();
    qsizetype other = 0;
    while (other < designs->count() && item()->useDesignTemplate() &&
           designs->objectAtIndex(other)->identifier() == item()->designTemplateIdentifier())
        ++other;
    ASSERT_LT(other, designs->count());
    carousel->selectObjectAtIndex(other, false, false);
    const auto front = designs->objectAtIndex(other);

    const QRect scene = carousel->sceneRect();
    const QPoint onFront(scene.center().x(), scene.top() + scene.height() * 2 / 5);
    ASSERT_EQ(qm::flow::calculateSelectedIndexForMousePointInBounds(onFront, scene.size(), carousel->visibleRange()),
              other);
    const int generation = view()->loadGeneration();
    QTest::mouseDClick(carousel, Qt::LeftButton, Qt::NoModifier, onFront);
    ASSERT_TRUE(dw::test::waitUntil([&] { return view()->loadGeneration() > generation; }));
    ASSERT_TRUE(page().waitForConnection());
    page().evaluate(QStringLiteral("1"));
    EXPECT_TRUE(item()->useDesignTemplate());
    EXPECT_EQ(item()->designTemplateIdentifier(), front->identifier());
    EXPECT_EQ(designs->objectAtIndex(designs->enabledIndex()), front);
    EXPECT_EQ(view()->loadGeneration(), generation + 1) << "one new page for the new design";
}

TEST_F(DocumentPreview, RevertShowsTheSavedListingInThePage)
{
    const QString path = m_xdg.path(QStringLiteral("Camera.qvlisting"));
    ASSERT_TRUE(m_document->writeToFile(path));
    m_document->setFileName(path);
    item()->setTitle(QStringLiteral("Folding camera, sold"));
    const QString titleShown = QStringLiteral("document.getElementById('qm_htmlediting_title_preview').value");
    ASSERT_TRUE(page().waitFor(titleShown + QStringLiteral(" === 'Folding camera, sold'")));

    const int generation = view()->loadGeneration();
    QMBDocumentController::sharedDocumentController().revertDocumentToSaved(m_document);
    ASSERT_EQ(item()->title(), QStringLiteral("Folding camera"));
    ASSERT_TRUE(dw::test::waitUntil([&] { return view()->loadGeneration() > generation; }));
    ASSERT_TRUE(page().waitForConnection());
    EXPECT_TRUE(page().waitFor(titleShown + QStringLiteral(" === 'Folding camera'")));
    EXPECT_FALSE(m_document->isDocumentEdited());
}

// A listing someone else made, whose description tries every way in: once the page has loaded
// and settled, nothing ran, the listing is as it was and the page shows the description.
TEST_F(DocumentPreview, AHostileDescriptionRunsNothingAndChangesNothing)
{
    QString description = QStringLiteral("<p>Bellows are light-tight.</p>");
    for (const dw::test::HostileDescription& vector : dw::test::hostileDescriptions())
        description += vector.html;
    // What the page's own world could do with the channel if a script ran there.
    description +=
        QStringLiteral("<img src=\"missing.png\" onerror=\"new QWebChannel(qt.webChannelTransport, function (c) {"
                       " c.objects.QMPreviewPagePort.fieldDidChange(1, 'qm_htmlediting_title_design', 'taken'); })\">");
    item()->setSubTitle(QStringLiteral("Mint"));
    item()->setItemDescriptionString(dw::StyledText(description));
    const QString path = m_xdg.path(QStringLiteral("Hostile.qvlisting"));
    ASSERT_TRUE(m_document->writeToFile(path));

    QString error;
    QMBDocument* opened =
        QMBDocumentController::sharedDocumentController().openDocumentWithContentsOfFile(path, true, &error);
    ASSERT_TRUE(opened) << qPrintable(error);
    ASSERT_NE(opened, m_document);
    dw::test::PreviewPageDriver::show(opened->auctionWebView());
    const dw::test::PreviewPageDriver openedPage(opened->auctionWebView());
    ASSERT_TRUE(openedPage.waitForConnection());
    ASSERT_TRUE(openedPage.waitFor(QStringLiteral("qmEditor.settings.enabled")));
    ASSERT_TRUE(
        openedPage.waitFor(QStringLiteral("Array.from(document.images).every(function (i) { return i.complete; })")));
    // Settled: the tasks queued by the page's load are through (asked again of a page that a
    // reload replaced meanwhile).
    ASSERT_TRUE(openedPage.waitFor(QStringLiteral(
        "(function(){ var root = document.documentElement; if (!window.settleAsked) { window.settleAsked = true;"
        " setTimeout(function () { setTimeout(function () { root.setAttribute('data-settled', '1'); }, 0); }, 0); }"
        " return root.getAttribute('data-settled') === '1'; })()")));

    EXPECT_FALSE(openedPage.evaluate(QStringLiteral("'ran' in document.documentElement.dataset")).toBool());
    EXPECT_EQ(opened->item()->title(), QStringLiteral("Folding camera"));
    EXPECT_EQ(opened->item()->subTitle(), QStringLiteral("Mint"));
    EXPECT_FALSE(opened->isDocumentEdited());
    EXPECT_TRUE(openedPage
                    .evaluate(QStringLiteral("document.getElementById('qm_htmlediting_description_identifier')"
                                             ".textContent.indexOf('Bellows are light-tight.') >= 0"))
                    .toBool());
    // The listing's pictures show, in the page and in the description.
    EXPECT_TRUE(openedPage
                    .evaluate(QStringLiteral(
                        "(function(){ var t = Array.from(document.querySelectorAll('img.qv-thumb'));"
                        " var d = Array.from(document.querySelectorAll('.qv-description-frame img[src^=\"file:\"]'));"
                        " return t.length === 2 && d.length >= 1 &&"
                        " t.concat(d).every(function (i) { return i.naturalWidth > 0; }); })()"))
                    .toBool());
    EXPECT_FALSE(opened->item()->itemDescriptionString().text().contains(QStringLiteral("onerror")));
}

TEST_F(DocumentPreview, PricesShowAsABuyerReadsThem)
{
    const struct Row
    {
        int site;
        int currency;
        const char* price;
        const char* fee;
        const char* shown; // the price, then the shipping fee
    } rows[] = {
        {0, 1, "249.00", "4.90", "$249.00|$4.90"},
        {3, 3, "1249.5", "0.00", "£1,249.50|£0.00"},
        {77, 7, "12.5", "4.90", "€12.50|€4.90"},
        {0, 7, "12.50", "4.90", "€12.50|€4.90"},      // a currency the site does not name
        {77, 7, "12,50", "4.90", "Euro 12,50|€4.90"}, // an amount the page cannot read stays as written
        {0, 99, "249.00", "4.90", "249.00| 4.90"},    // an unknown currency too
    };
    item()->setBuyItNow(true);
    item()->setUseStartingBid(false);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.currency);
        item()->setSiteID(row.site);
        item()->setCurrency(row.currency);
        item()->setBuyItNowPrice(QLatin1String(row.price));
        item()->shippingOptions()->removeAllDomesticServices();
        item()->shippingOptions()->addDomesticShippingServiceWithID(QStringLiteral("1"), QLatin1String(row.fee), false,
                                                                    QStringLiteral("0"));
        reload();
        EXPECT_EQ(page()
                      .evaluate(QStringLiteral("document.querySelector('.qv-price').textContent + '|' + "
                                               "document.querySelector('.qv-shipping-table td').textContent"))
                      .toString()
                      .trimmed()
                      .toStdString(),
                  row.shown);
    }
}

TEST_F(DocumentPreview, TheWholeTitleIsInView)
{
    const char* fits = "(function(){ var t = document.getElementById('qm_htmlediting_title_preview');"
                       " return t.clientHeight >= t.scrollHeight && t.rows >= 2; })()";
    for (const char* title :
         {"Camera", "Antique solid brass desk lamp with green glass shade, fully rewired, working"}) {
        SCOPED_TRACE(title);
        item()->setTitle(QLatin1String(title));
        reload();
        EXPECT_TRUE(page().evaluate(QLatin1String(fits)).toBool());
    }
    m_document->resize(700, 900);
    EXPECT_TRUE(dw::test::waitUntil([&] { return page().evaluate(QLatin1String(fits)).toBool(); }))
        << "a narrower page gives the title more lines";
}

TEST_F(DocumentPreview, NothingRunsOffTheSideOfThePage)
{
    item()->setUseStartingBid(true);
    item()->setMinimumBid(QStringLiteral("1249.00"));
    item()->setBuyItNow(true);
    item()->setBuyItNowPrice(QStringLiteral("1349.00"));
    item()->setUseBestOffer(true);
    for (const int width : {1280, 1024, 800}) {
        SCOPED_TRACE(width);
        m_document->resize(width, 800);
        reload();
        EXPECT_TRUE(dw::test::waitUntil([&] {
            return page()
                .evaluate(
                    QStringLiteral("document.documentElement.scrollWidth <= document.documentElement.clientWidth"))
                .toBool();
        })) << page().evaluate(QStringLiteral("document.documentElement.scrollWidth")).toInt();
    }
}

TEST_F(DocumentPreview, PreviewAddressesStayOutOfTheListing)
{
    const QString first = pageAddress(0);
    ASSERT_TRUE(QUrl(first).isLocalFile());
    EXPECT_NE(QUrl(first).toLocalFile(), item()->images().at(0)->imageFilePath());
    for (const auto& picture : item()->images())
        EXPECT_TRUE(picture->imageURL().isEmpty());
    EXPECT_EQ(m_document->ebayImageForPreviewAddress(first), item()->images().at(0));
}

TEST_F(DocumentPreview, PagePicturesSwapButNoOtherFileComesIn)
{
    const auto front = item()->images().at(0);
    const auto side = item()->images().at(1);
    callBridge(
        QStringLiteral("addImageUrlsByReplacingUrl([%1], %2)")
            .arg(QMPreviewWebView::scriptLiteral(pageAddress(0)), QMPreviewWebView::scriptLiteral(pageAddress(1))));
    ASSERT_TRUE(dw::test::waitUntil([&] { return item()->images().value(0) == side; }));
    EXPECT_EQ(item()->images().value(1), front);
    ASSERT_TRUE(page().waitForConnection());

    // A picture file the listing does not hold, outside the program's temporary folder, and a file
    // that is no picture, are refused; the drop-zone marker is skipped.
    const QString outside = QUrl::fromLocalFile(picture(QStringLiteral("elsewhere"), Qt::green)).toString();
    QDir().mkpath(dw::paths::temporaryFolder());
    const QString notPicture = QDir(dw::paths::temporaryFolder()).filePath(QStringLiteral("notes.png"));
    QFile file(notPicture);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("no picture");
    file.close();
    const QString marker =
        QUrl::fromLocalFile(
            QDir(dw::paths::resourcesFolder()).filePath(QStringLiteral("images/image_dropzone_marker.png")))
            .toString();
    callBridge(QStringLiteral("addImageURLs([%1, %2, 'file:///etc/passwd', %3])")
                   .arg(QMPreviewWebView::scriptLiteral(outside),
                        QMPreviewWebView::scriptLiteral(QUrl::fromLocalFile(notPicture).toString()),
                        QMPreviewWebView::scriptLiteral(marker)));
    EXPECT_EQ(item()->images().size(), 2);

    // A picture dragged in from elsewhere lands in the temporary folder first and is taken.
    QImage dragged(100, 80, QImage::Format_RGB32);
    dragged.fill(Qt::yellow);
    const QString inside = QDir(dw::paths::temporaryFolder()).filePath(QStringLiteral("dragged.png"));
    ASSERT_TRUE(dragged.save(inside));
    callBridge(QStringLiteral("addImageURLs([%1])")
                   .arg(QMPreviewWebView::scriptLiteral(QUrl::fromLocalFile(inside).toString())));
    ASSERT_TRUE(dw::test::waitUntil([&] { return item()->images().size() == 3; }));
}

TEST_F(DocumentPreview, PicturesDroppedOnTheMarkerAreAppendedAndInventoryPicturesTakeNone)
{
    const QList<QUrl> files{QUrl::fromLocalFile(picture(QStringLiteral("a"), Qt::cyan)),
                            QUrl::fromLocalFile(picture(QStringLiteral("b"), Qt::magenta))};
    view()->dropURLsAtPoint(files, page().centreOf(QStringLiteral("img.qv-dropzone")));
    ASSERT_TRUE(dw::test::waitUntil([&] { return item()->images().size() == 4; }));
    ASSERT_TRUE(page().waitForConnection());

    page().evaluate(QStringLiteral(
        "(function(){ var i = document.createElement('img'); i.id = 'inventory'; i.width = 80; i.height = 80;"
        " i.src = 'https://pics.example/x.jpg?inventoryImage=YES';"
        " document.body.insertBefore(i, document.body.firstChild); return 1; })()"));
    view()->dropURLsAtPoint(files, page().centreOf(QStringLiteral("#inventory")));
    page().evaluate(QStringLiteral("1"));
    EXPECT_EQ(item()->images().size(), 4);
}

TEST_F(DocumentPreview, ContextMenuOfAListingPictureOffersItsCommandsFirst)
{
    QMenu menu;
    menu.addAction(QStringLiteral("Copy"));
    QMPreviewPointInfo info;
    info.isImage = true;
    info.source = pageAddress(1);
    ASSERT_TRUE(view()->delegate());
    view()->delegate()->previewWebViewWillShowContextMenu(view(), &menu, info);
    QStringList titles;
    for (QAction* action : menu.actions())
        titles << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(titles.mid(0, 8),
              (QStringList{QStringLiteral("Remove Image"), QStringLiteral("Mark as Gallery Image"), QStringLiteral("-"),
                           QStringLiteral("Rotate Clockwise"), QStringLiteral("Rotate Counter Clockwise"),
                           QStringLiteral("-"), QStringLiteral("Add Subtitle"), QStringLiteral("-")}));
    EXPECT_EQ(m_document->settingsPaneController()->selectedImages(),
              QList<std::shared_ptr<QMEbayImage>>{item()->images().at(1)});
    EXPECT_TRUE(titles.contains(QStringLiteral("Copy")));
}

TEST_F(DocumentPreview, StyledDescriptionIsConvertedOnceAllowedAndTheStepUndoes)
{
    dw::TextAttributes bold;
    bold.font = dw::TextFont{QStringLiteral("Helvetica"), 12, true, false};
    const dw::StyledText styled(QStringLiteral("Strong bellows"), bold);
    item()->setItemDescriptionString(styled);
    item()->setConvertDescriptionToHTML(true);
    reload();
    m_alerts.answer(0);
    auto* editor = m_document->webEditor();
    ASSERT_TRUE(editor);
    page().click(QStringLiteral("#qm_htmlediting_description_identifier"));
    ASSERT_TRUE(dw::test::waitUntil([this] { return !item()->convertDescriptionToHTML(); }));
    EXPECT_EQ(m_alerts.titles(), QStringList{QStringLiteral("Enable Editing in Preview Mode?")});
    EXPECT_TRUE(item()->itemDescriptionString().text().contains(QStringLiteral("<b>"))) << "the HTML, not plain text";
    QMWebEditor::undoManagerForWebView()->undo();
    EXPECT_TRUE(item()->convertDescriptionToHTML());
    EXPECT_EQ(item()->itemDescriptionString().text(), styled.text());
}
