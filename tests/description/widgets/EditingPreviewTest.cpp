#include "description/QMDesignTemplateManager.h"
#include "description/QMPreviewGenerator.h"
#include "description/QMPreviewImageCache.h"
#include "description/widgets/QMPreviewWebView.h"
#include "description/widgets/QMWebEditor.h"
#include "description/widgets/QMWebViewFormatController.h"

#include "model/QMApplicationDefaults.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"

#include "platform/core/UserDefaults.h"
#include "platform/widgets/DesktopServices.h"

#include "tests/support/TemporaryXdg.h"
#include "tests/support/preview/PreviewPageDriver.h"

#include "TestScriptBridge.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kDescription = QStringLiteral("qm_htmlediting_description_identifier");

class EditorDelegate final : public QMWebEditorDelegate, public QMPreviewWebViewDelegate
{
public:
    void editorTitleDidChangeForItem(QMWebEditor*, QMEbayItem&) override { ++titleChanges; }
    std::optional<qsizetype> maxTitleLengthForEditor(QMWebEditor*) override { return maxLength; }
    std::optional<bool> editorShouldChangeDescriptionForItem(QMWebEditor*, QMEbayItem&) override
    {
        ++descriptionQuestions;
        return allowDescription;
    }
    void previewWebViewHandleInternalURL(QMPreviewWebView*, const QUrl& url) override { internal << url; }
    void previewWebViewDidDropURLs(QMPreviewWebView*, const QList<QUrl>& urls, const QString& target) override
    {
        dropped = urls;
        dropTarget = target;
    }
    void previewWebViewWillShowContextMenu(QMPreviewWebView*, QMenu*, const QMPreviewPointInfo&) override {}

    std::optional<qsizetype> maxLength = 80;
    std::optional<bool> allowDescription;
    int titleChanges = 0;
    int descriptionQuestions = 0;
    QList<QUrl> internal;
    QList<QUrl> dropped;
    QString dropTarget;
};

class EditingPreview : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        auto& designs = QMDesignTemplateManager::sharedInstance();
        designs.setMinimumQMTemplateVersion(214);
        designs.registerDesignTemplates();
        QMPreviewImageCache::sharedCache() = QMPreviewImageCache();

        m_item = std::make_shared<QMEbayItem>();
        m_item->setUniqueID(QStringLiteral("5B0C9A11-7D5E-4C0A-8E6F-1F2A3B4C5D6E"));
        m_item->setTitle(QStringLiteral("Rangefinder camera"));
        m_item->setItemDescriptionString(dw::StyledText(QStringLiteral("Works well.")));
        m_item->setUseDesignTemplate(true);
        m_item->setDesignTemplateIdentifier(QStringLiteral("com.quillmart.design.harbour-blue"));
        QList<std::shared_ptr<QMEbayImage>> pictures;
        for (const QString& name : {QStringLiteral("front"), QStringLiteral("back"), QStringLiteral("lens")})
            pictures << std::make_shared<QMEbayImage>(picture(name), QString());
        m_item->setImages(pictures);

        m_view = std::make_unique<QMPreviewWebView>();
        m_view->setDelegate(&m_delegate);
        m_editor = std::make_unique<QMWebEditor>(m_view.get(), &m_delegate);
        m_bridge = std::make_unique<TestScriptBridge>(m_editor.get());
        m_view->registerChannelObject(QStringLiteral("QuillmartScriptObject"), m_bridge.get());
        m_format = std::make_unique<QMWebViewFormatController>();
        m_format->setWebview(m_view.get());
        m_format->setDelegate(m_editor.get());
        m_editor->enableWebEditing(true, m_item);
        dw::test::PreviewPageDriver::show(m_view.get());
        load();
    }

    void TearDown() override
    {
        m_format.reset();
        m_view.reset();
        m_bridge.reset();
        m_editor.reset();
        dw::setDesktopURLOpener({});
    }

    QString picture(const QString& name)
    {
        QImage image(800, 600, QImage::Format_RGB32);
        image.fill(QColor(40, 90, 160));
        const QString path = m_xdg.path(name + QStringLiteral(".png"));
        EXPECT_TRUE(image.save(path));
        return path;
    }

    void load()
    {
        m_generator = QMPreviewGenerator::previewGeneratorForItem(m_item);
        m_view->loadPreviewHTML(m_generator->htmlPreview());
        ASSERT_TRUE(page().waitForConnection());
        ASSERT_TRUE(page().waitFor(QStringLiteral("qmEditor.settings.enabled")));
    }

    dw::test::PreviewPageDriver page() const { return dw::test::PreviewPageDriver(m_view.get()); }
    QString js(const QString& expression) const { return page().evaluate(expression).toString(); }
    QString descriptionDivHTML() const
    {
        return js(QStringLiteral("document.getElementById('%1').firstChild.innerHTML").arg(kDescription));
    }
    QString storedDescription() const { return m_item->itemDescriptionString().text(); }

    // Clicks into an element and waits until the page has taken the click (the page handles
    // input and script calls on separate ways, so a script may otherwise run before the click).
    void clickInto(const QString& selector)
    {
        page().click(selector);
        ASSERT_TRUE(page().waitFor(
            QStringLiteral("(function(){ var e = document.querySelector(%1); var a = document.activeElement;"
                           " return a === e || (e && e.contains(a)) || (a && a.contains(e)); })()")
                .arg(QMPreviewWebView::scriptLiteral(selector))));
    }

    // Puts the caret at the end of the description's text, as a click there does, once editing
    // the description is allowed.
    void focusDescription()
    {
        clickInto(QStringLiteral("#") + kDescription);
        ASSERT_TRUE(
            dw::test::waitUntil([this] { return m_editor->webviewEditingCurrentNodeID() == kDescription; }, 10000));
        ASSERT_TRUE(page().waitFor(QStringLiteral("!qmEditor.descriptionCheckPending")));
        page().placeCaretAtEnd(QStringLiteral("#") + kDescription + QStringLiteral(" > div"));
    }

    dw::test::TemporaryXdg m_xdg;
    std::shared_ptr<QMEbayItem> m_item;
    std::shared_ptr<QMPreviewGenerator> m_generator;
    EditorDelegate m_delegate;
    std::unique_ptr<QMPreviewWebView> m_view;
    std::unique_ptr<QMWebEditor> m_editor;
    std::unique_ptr<TestScriptBridge> m_bridge;
    std::unique_ptr<QMWebViewFormatController> m_format;
};

} // namespace

TEST_F(EditingPreview, PageShowsTheListingsFilePictures)
{
    ASSERT_TRUE(
        page().waitFor(QStringLiteral("Array.from(document.images).every(function (i) { return i.complete; })")));
    EXPECT_EQ(page().evaluate(QStringLiteral("document.querySelectorAll('img.qv-thumb').length")).toInt(), 3);
    EXPECT_TRUE(page()
                    .evaluate(QStringLiteral("Array.from(document.querySelectorAll('img.qv-thumb, #qv-main-picture'))"
                                             ".every(function (i) { return i.naturalWidth > 0; })"))
                    .toBool());
    EXPECT_EQ(js(QStringLiteral("document.getElementById('qv-main-picture').getAttribute('src')")),
              m_generator->pageAddressForPicture(*m_item->images().at(0)));
    EXPECT_GT(page().evaluate(QStringLiteral("document.getElementById('qv-main-picture').naturalWidth")).toInt(), 0);
}

TEST_F(EditingPreview, TypingIntoTheTitleUpdatesTheListingAndTheOtherCopy)
{
    clickInto(QStringLiteral("#qm_htmlediting_title_preview"));
    page().key(Qt::Key_End);
    page().type(QStringLiteral(" M3"));
    ASSERT_TRUE(
        dw::test::waitUntil([this] { return m_item->title() == QStringLiteral("Rangefinder camera M3"); }, 10000));
    EXPECT_EQ(js(QStringLiteral("document.getElementById('qm_htmlediting_title_design').textContent")),
              QStringLiteral("Rangefinder camera M3"));
    EXPECT_GT(m_delegate.titleChanges, 0);

    // In the design's copy Return ends the editing and adds nothing.
    clickInto(QStringLiteral("#qm_htmlediting_title_design"));
    page().placeCaretAtEnd(QStringLiteral("#qm_htmlediting_title_design"));
    page().type(QStringLiteral("!"));
    ASSERT_TRUE(
        dw::test::waitUntil([this] { return m_item->title() == QStringLiteral("Rangefinder camera M3!"); }, 10000));
    page().key(Qt::Key_Return);
    ASSERT_TRUE(dw::test::waitUntil([this] { return m_editor->webviewEditingCurrentNodeID().isEmpty(); }, 10000));
    EXPECT_EQ(m_item->title(), QStringLiteral("Rangefinder camera M3!"));
    EXPECT_EQ(js(QStringLiteral("document.getElementById('qm_htmlediting_title_preview').value")),
              QStringLiteral("Rangefinder camera M3!"));
}

TEST_F(EditingPreview, TitleKeepsItsLengthLimit)
{
    m_delegate.maxLength = 20;
    m_item->setTitle(QStringLiteral("Nineteen characters"));
    load();
    clickInto(QStringLiteral("#qm_htmlediting_title_preview"));
    page().key(Qt::Key_End);
    QSignalSpy refused(m_view.get(), &QMPreviewWebView::inputRefused);
    page().type(QStringLiteral("!?"));
    ASSERT_TRUE(refused.wait(10000));
    EXPECT_EQ(m_item->title(), QStringLiteral("Nineteen characters!"));

    // Pasting two characters into a full title is refused as a whole.
    QApplication::clipboard()->setText(QStringLiteral("ab"));
    page().key(Qt::Key_Backspace);
    ASSERT_TRUE(
        dw::test::waitUntil([this] { return m_item->title() == QStringLiteral("Nineteen characters"); }, 10000));
    page().key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(refused.wait(10000));
    EXPECT_EQ(m_item->title(), QStringLiteral("Nineteen characters"));
}

TEST_F(EditingPreview, DescriptionEditStoresTheDivisionsInnerHTML)
{
    focusDescription();
    page().type(QStringLiteral(" Shutter <fine>."));
    ASSERT_TRUE(dw::test::waitUntil([this] { return storedDescription().contains(QStringLiteral("fine")); }, 10000));
    ASSERT_TRUE(dw::test::waitUntil([this] { return storedDescription() == descriptionDivHTML(); }, 10000));
    EXPECT_EQ(storedDescription(), QStringLiteral("Works well. Shutter &lt;fine&gt;."));
    EXPECT_FALSE(m_item->convertDescriptionToHTML());
    EXPECT_EQ(m_delegate.descriptionQuestions, 1) << "asked once, before the first change";
}

TEST_F(EditingPreview, DescriptionRefusedByTheDelegateStaysAsItWas)
{
    m_delegate.allowDescription = false;
    clickInto(QStringLiteral("#") + kDescription);
    ASSERT_TRUE(dw::test::waitUntil([this] { return m_delegate.descriptionQuestions > 0; }, 10000));
    page().placeCaretAtEnd(QStringLiteral("#") + kDescription + QStringLiteral(" > div"));
    page().type(QStringLiteral("xyz"));
    page().evaluate(QStringLiteral("1"));
    EXPECT_EQ(storedDescription(), QStringLiteral("Works well."));
    EXPECT_FALSE(descriptionDivHTML().contains(QStringLiteral("xyz")));
}

TEST_F(EditingPreview, NothingThatRunsReachesTheStoredDescription)
{
    focusDescription();
    // A page script that bypasses the editing script and reports markup of its own.
    page().evaluate(QStringLiteral("(function(){ new QWebChannel(qt.webChannelTransport, function (c) {"
                                   " c.objects.QMPreviewPagePort.descriptionDidChange(%1,"
                                   " '<b onclick=\"steal()\">sale</b><script>steal()</script>'); }); return 1; })()")
                        .arg(m_view->loadGeneration()));
    ASSERT_TRUE(dw::test::waitUntil([this] { return storedDescription().contains(QStringLiteral("sale")); }, 10000));
    EXPECT_EQ(storedDescription(), QStringLiteral("<b>sale</b>"));
}

TEST_F(EditingPreview, AnswersOfAnOlderPageAreDropped)
{
    const int older = m_view->loadGeneration();
    bool answered = false;
    m_view->runScript(QStringLiteral("1"), [&](const QVariant&) { answered = true; });
    load();
    page().evaluate(
        QStringLiteral("(function(){ new QWebChannel(qt.webChannelTransport, function (c) {"
                       " c.objects.QMPreviewPagePort.descriptionDidChange(%1, 'stale');"
                       " c.objects.QMPreviewPagePort.descriptionDidChange(%2, 'current'); }); return 1; })()")
            .arg(older)
            .arg(m_view->loadGeneration()));
    ASSERT_TRUE(dw::test::waitUntil([this] { return storedDescription() == QStringLiteral("current"); }, 10000));
    EXPECT_FALSE(answered);
}

TEST_F(EditingPreview, LinksNeverNavigateThePage)
{
    QList<QUrl> opened;
    dw::setDesktopURLOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    const QUrl shown = m_view->url();
    page().evaluate(QStringLiteral(
        "(function(){ [['https', 'https://shop.example/about'], ['file', 'file:///etc/passwd']].forEach(function (l) {"
        " var a = document.createElement('a'); a.id = 'link-' + l[0]; a.href = l[1]; a.textContent = l[0];"
        " a.style.display = 'block'; a.style.fontSize = '30px'; document.body.insertBefore(a, "
        "document.body.firstChild); });"
        " return 1; })()"));
    page().click(QStringLiteral("a[href^=\"qminternal:\"]"));
    ASSERT_TRUE(dw::test::waitUntil([this] { return !m_delegate.internal.isEmpty(); }, 10000));
    EXPECT_EQ(m_delegate.internal.first().scheme(), QStringLiteral("qminternal"));
    EXPECT_EQ(m_delegate.internal.first().path(), QStringLiteral("/webviewAddSubtitleAction_"));

    page().click(QStringLiteral("#link-https"));
    ASSERT_TRUE(dw::test::waitUntil([&] { return !opened.isEmpty(); }, 10000));
    EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("https://shop.example/about"))});
    page().click(QStringLiteral("#link-file"));
    page().evaluate(QStringLiteral("1"));
    EXPECT_EQ(opened.size(), 1) << "a file address never reaches the desktop";
    EXPECT_EQ(m_view->url(), shown);
    EXPECT_TRUE(m_view->isPageConnected());
    EXPECT_TRUE(page().evaluate(QStringLiteral("!!document.getElementById('link-file')")).toBool());
}

TEST_F(EditingPreview, PastingAPictureIntoTheDescriptionInsertsNone)
{
    focusDescription();
    auto* data = new QMimeData;
    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(Qt::red);
    data->setImageData(image);
    data->setHtml(QStringLiteral("<img src=\"file:///etc/passwd\"><b>bold</b>"));
    QApplication::clipboard()->setMimeData(data);
    page().key(Qt::Key_V, Qt::ControlModifier);
    // The program pastes through a script of its own, which stores the description.
    ASSERT_TRUE(dw::test::waitUntil([this] { return storedDescription().contains(QStringLiteral("bold")); }, 10000));
    EXPECT_FALSE(descriptionDivHTML().contains(QStringLiteral("<img")));
    EXPECT_FALSE(storedDescription().contains(QStringLiteral("<img")));
    EXPECT_TRUE(storedDescription().contains(QStringLiteral("<b>bold</b>"))) << "the markup's formatting stays";

    // Plain text pastes as the seller sees it.
    QApplication::clipboard()->setText(QStringLiteral(" <i>as typed</i>"));
    page().key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(
        dw::test::waitUntil([this] { return storedDescription().contains(QStringLiteral("as typed")); }, 10000));
    EXPECT_TRUE(storedDescription().contains(QStringLiteral("&lt;i&gt;as typed&lt;/i&gt;")));
}

TEST_F(EditingPreview, PastingRichTextKeepsItsFormatting)
{
    struct Row
    {
        const char* name;
        const char* type;
        QByteArray data;
        QStringList stored;
    };
    const Row rows[] = {
        {"rich text",
         "text/rtf",
         QByteArrayLiteral("{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;}\\f0\\fs24 {\\b Sturdy} and "
                           "{\\i quiet}.}"),
         {QStringLiteral("<b><font size=\"3\" face=\"Helvetica\">Sturdy</font></b>"), QStringLiteral("<i>quiet</i>")}},
        {"markup of another program",
         "text/html",
         QByteArrayLiteral("<meta charset=\"utf-8\"><!--StartFragment--><b>Solid</b> <u>oak</u>"
                           "<img src=\"https://pics.example/a.jpg\" onerror=\"steal()\"><script>steal()</script>"
                           "<!--EndFragment-->"),
         {QStringLiteral("<b>Solid</b>"), QStringLiteral("<u>oak</u>")}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_item->setItemDescriptionString(dw::StyledText(QStringLiteral("Works well.")));
        load();
        focusDescription();
        auto* data = new QMimeData;
        data->setData(QLatin1String(row.type), row.data);
        QApplication::clipboard()->setMimeData(data);
        page().key(Qt::Key_V, Qt::ControlModifier);
        ASSERT_TRUE(dw::test::waitUntil([&] { return storedDescription().contains(row.stored.last()); }, 10000))
            << qPrintable(storedDescription());
        for (const QString& part : row.stored)
            EXPECT_TRUE(storedDescription().contains(part)) << qPrintable(storedDescription());
        EXPECT_TRUE(storedDescription().startsWith(QStringLiteral("Works well.")));
        for (const char* gone : {"<img", "script", "steal", "StartFragment"})
            EXPECT_FALSE(storedDescription().contains(QLatin1String(gone))) << qPrintable(storedDescription());
    }
}

// A size or a line height keeps the selection, so that the next command acts on the same text.
TEST_F(EditingPreview, SizeAndLineHeightKeepTheSelection)
{
    const QString selectAll =
        QStringLiteral("(function(){ var d = document.getElementById('%1').firstChild; var r = document.createRange();"
                       " r.selectNodeContents(d); var s = window.getSelection(); s.removeAllRanges(); s.addRange(r);"
                       " return 1; })()")
            .arg(kDescription);
    const QString selected = QStringLiteral("window.getSelection().toString()");

    focusDescription();
    page().evaluate(selectAll);
    m_format->fontSizeMenuAction(QStringLiteral("18"));
    ASSERT_TRUE(dw::test::waitUntil([this] { return storedDescription().contains(QStringLiteral("18px")); }, 10000));
    EXPECT_EQ(js(selected), QStringLiteral("Works well."));
    m_format->boldAction();
    ASSERT_TRUE(dw::test::waitUntil([this] { return storedDescription().contains(QStringLiteral("<b>")); }, 10000));
    EXPECT_EQ(js(QStringLiteral("document.querySelector('#%1 b').textContent").arg(kDescription)),
              QStringLiteral("Works well."))
        << qPrintable(storedDescription());

    m_item->setItemDescriptionString(dw::StyledText(QStringLiteral("Works well.")));
    load();
    focusDescription();
    page().evaluate(selectAll);
    m_format->lineHeightMenuAction(QStringLiteral("1.5"));
    ASSERT_TRUE(dw::test::waitUntil([this] { return storedDescription().contains(QStringLiteral("150%")); }, 10000));
    EXPECT_EQ(js(selected), QStringLiteral("Works well."));
    m_format->fontSizeMenuAction(QStringLiteral("24"));
    ASSERT_TRUE(dw::test::waitUntil([this] { return storedDescription().contains(QStringLiteral("24px")); }, 10000));
    m_format->toggleBulletList();
    ASSERT_TRUE(dw::test::waitUntil([this] { return storedDescription().contains(QStringLiteral("<ul")); }, 10000));
    EXPECT_EQ(page().evaluate(QStringLiteral("document.querySelectorAll('#%1 li').length").arg(kDescription)).toInt(),
              1)
        << "no empty item above the text: " << qPrintable(storedDescription());
    EXPECT_EQ(js(QStringLiteral("document.querySelector('#%1 li').textContent").arg(kDescription)),
              QStringLiteral("Works well."));
}

TEST_F(EditingPreview, ToolbarListsAndIndentationWriteTheirMarkup)
{
    m_item->setItemDescriptionString(dw::StyledText(QStringLiteral("<div>one</div><div>two</div>")));
    load();
    focusDescription();
    page().evaluate(
        QStringLiteral("(function(){ var d = document.getElementById('%1').firstChild; var r = document.createRange();"
                       " r.setStart(d.firstChild.firstChild, 0); r.setEnd(d.lastChild.firstChild, 3);"
                       " var s = window.getSelection(); s.removeAllRanges(); s.addRange(r); return 1; })()")
            .arg(kDescription));
    m_format->toggleBulletList();
    const QString list = QStringLiteral("<ul style=\"margin: 0 0 0 17px; padding: 0;\"><li>one</li><li>two</li></ul>");
    ASSERT_TRUE(dw::test::waitUntil([&] { return storedDescription().contains(list); }, 10000))
        << qPrintable(storedDescription());
    EXPECT_FALSE(storedDescription().contains(QStringLiteral("<div>one</div>")));

    page().placeCaretAtEnd(QStringLiteral("li:last-child"));
    m_format->increaseListElementIndention();
    ASSERT_TRUE(dw::test::waitUntil(
        [&] { return storedDescription().contains(QStringLiteral("<li style=\"margin:0 0 0 15px\">two</li>")); },
        10000))
        << qPrintable(storedDescription());
    m_format->increaseListElementIndention();
    ASSERT_TRUE(dw::test::waitUntil(
        [&] { return storedDescription().contains(QStringLiteral("<li style=\"margin:0 0 0 30px\">two</li>")); },
        10000));
    m_format->decreaseListElementIndention();
    m_format->decreaseListElementIndention();
    ASSERT_TRUE(dw::test::waitUntil(
        [&] { return storedDescription().contains(QStringLiteral("<li style=\"\">two</li>")); }, 10000))
        << qPrintable(storedDescription());

    // Out of the list again: the item becomes a division of its own.
    m_format->toggleBulletList();
    ASSERT_TRUE(
        dw::test::waitUntil([&] { return storedDescription().contains(QStringLiteral("<div>two</div>")); }, 10000))
        << qPrintable(storedDescription());
    EXPECT_TRUE(storedDescription().contains(QStringLiteral("<li>one</li></ul>")));
}

TEST_F(EditingPreview, ToolbarFollowsTheSelection)
{
    m_item->setItemDescriptionString(dw::StyledText(QStringLiteral("<b>strong</b> plain")));
    load();
    focusDescription();
    page().evaluate(
        QStringLiteral("(function(){ var b = document.querySelector('#%1 b'); var r = document.createRange();"
                       " r.setStart(b.firstChild, 1); r.collapse(true); var s = window.getSelection();"
                       " s.removeAllRanges(); s.addRange(r); return 1; })()")
            .arg(kDescription));
    ASSERT_TRUE(dw::test::waitUntil([this] { return m_format->selectionHasBold(); }, 10000));
    EXPECT_TRUE(m_format->currentSelectionAllowsEditing());

    // In the title the toolbar has nothing to do and keeps its flags.
    clickInto(QStringLiteral("#qm_htmlediting_title_design"));
    ASSERT_TRUE(dw::test::waitUntil([this] { return !m_format->currentSelectionAllowsEditing(); }, 10000));
    EXPECT_TRUE(m_format->selectionHasBold());
}
