#include "description/QMDescriptionHTMLSanitizer.h"
#include "description/QMDesignTemplateManager.h"
#include "description/QMPreviewGenerator.h"
#include "description/QMPreviewImageCache.h"
#include "description/widgets/QMPreviewWebView.h"

#include "model/QMApplicationDefaults.h"
#include "model/QMEbayItem.h"

#include "platform/core/UserDefaults.h"

#include "tests/support/HostileDescriptions.h"
#include "tests/support/TemporaryXdg.h"
#include "tests/support/preview/PreviewPageDriver.h"

#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <gtest/gtest.h>

namespace {

// Evaluates script in one world of a page and waits for the answer.
QVariant evaluateIn(QWebEnginePage& page, quint32 world, const QString& script)
{
    bool done = false;
    QVariant result;
    page.runJavaScript(script, world, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    (void)dw::test::waitUntil([&] { return done; });
    return result;
}

// Loads the markup as a page's body in a plain page (no security policy), lets the page run
// until its load and the tasks queued by then are through, and answers
// whether a script of the page set the marker.
class PlainPage
{
public:
    PlainPage() : m_page(new QWebEnginePage(&m_profile)) {}
    ~PlainPage() { delete m_page; }

    bool scriptRan(const QString& body, bool waitForMarker)
    {
        QSignalSpy loaded(m_page, &QWebEnginePage::loadFinished);
        // A local base: the description's missing pictures fail at once and no request leaves.
        m_page->setHtml(QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body>%1"
                                       "<p id=\"end\">end</p></body></html>")
                            .arg(body),
                        QUrl::fromLocalFile(m_xdg.path(QStringLiteral("page.html"))));
        if (!loaded.wait(20000))
            return true; // no answer counts as a fault
        if (waitForMarker)
            return dw::test::waitUntil([&] { return marker(); }, 10000);
        evaluateIn(*m_page, QWebEngineScript::ApplicationWorld,
                   QStringLiteral("setTimeout(function () { setTimeout(function () {"
                                  " document.documentElement.setAttribute('data-settled', '1'); }, 0); }, 0); 1"));
        EXPECT_TRUE(dw::test::waitUntil([&] {
            return evaluateIn(*m_page, QWebEngineScript::ApplicationWorld,
                              QStringLiteral("document.documentElement.getAttribute('data-settled') === '1'"))
                .toBool();
        }));
        return marker();
    }

private:
    bool marker()
    {
        return evaluateIn(*m_page, QWebEngineScript::ApplicationWorld,
                          QStringLiteral("document.documentElement.dataset.ran === '1'"))
            .toBool();
    }

    dw::test::TemporaryXdg m_xdg;
    QWebEngineProfile m_profile;
    QWebEnginePage* m_page;
};

} // namespace

// The marker is set only by script: the raw markup of the vectors that fire by themselves sets
// it in the same page, so a page that stays unmarked after the sanitizer shows that none ran.
TEST(HostileContent, SanitizedVectorsRunNothingInARealPage)
{
    PlainPage page;
    const QStringList firesByItself = {QStringLiteral("script element"),
                                       QStringLiteral("error handler"),
                                       QStringLiteral("toggle handler"),
                                       QStringLiteral("svg load handler"),
                                       QStringLiteral("frame source document"),
                                       QStringLiteral("noscript title that ends its element"),
                                       QStringLiteral("svg style holding markup"),
                                       QStringLiteral("comment that hides a picture"),
                                       QStringLiteral("style sheet that ends itself early")};
    for (const dw::test::HostileDescription& vector : dw::test::hostileDescriptions()) {
        SCOPED_TRACE(vector.name);
        if (firesByItself.contains(QLatin1String(vector.name))) {
            EXPECT_TRUE(page.scriptRan(vector.html, true)) << "the raw markup runs its script";
        }
        EXPECT_FALSE(page.scriptRan(QMDescriptionHTMLSanitizer::sanitizedHTML(vector.html), false));
    }
}

namespace {

class PreviewPageSecurity : public ::testing::Test
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
        m_item->setUniqueID(QStringLiteral("0C1D2E3F-4A5B-4C6D-8E7F-901A2B3C4D5E"));
        m_item->setTitle(QStringLiteral("Brass lamp"));
        m_item->setItemDescriptionString(dw::StyledText(QStringLiteral("Polished.")));
        m_item->setSiteID(0);
        m_item->setCurrency(1);
        m_item->setBuyItNow(true);
        m_item->setUseStartingBid(false);
        m_item->setBuyItNowPrice(QStringLiteral("249.00"));
        m_view = std::make_unique<QMPreviewWebView>();
        dw::test::PreviewPageDriver::show(m_view.get());
        m_view->loadPreviewHTML(QMPreviewGenerator::previewGeneratorForItem(m_item)->htmlPreview());
        ASSERT_TRUE(page().waitForConnection());
    }

    dw::test::PreviewPageDriver page() const { return dw::test::PreviewPageDriver(m_view.get()); }
    QVariant inPage(const QString& script) const
    {
        return evaluateIn(*m_view->page(), QWebEngineScript::MainWorld, script);
    }

    dw::test::TemporaryXdg m_xdg;
    std::shared_ptr<QMEbayItem> m_item;
    std::unique_ptr<QMPreviewWebView> m_view;
};

} // namespace

TEST_F(PreviewPageSecurity, PageContentReachesNeitherTheChannelNorTheEditingScript)
{
    // The editing world has the channel's transport and the editing script ...
    EXPECT_TRUE(
        page().evaluate(QStringLiteral("!!(qt && qt.webChannelTransport) && typeof qmEditor === 'object'")).toBool());
    // ... the page's own world, where everything of the page runs, has neither, nor the bridge.
    EXPECT_EQ(inPage(QStringLiteral("[typeof qt, typeof QWebChannel, typeof qmEditor, typeof qmPreview,"
                                    " typeof QuillmartScriptObject, typeof imagedeletebuttonclicked].join()"))
                  .toString(),
              QStringLiteral("undefined,undefined,undefined,undefined,undefined,undefined"));
}

TEST_F(PreviewPageSecurity, OnlyThePagesOwnScriptRuns)
{
    // The page's own script ran: it wrote the price as a buyer reads it.
    EXPECT_TRUE(page().waitFor(QStringLiteral("document.querySelector('.qv-price').textContent.trim() === '$249.00'")));

    // A script element without the page's nonce does not run; with it, it does.
    const QString insert = QStringLiteral("(function(){ var s = document.createElement('script'); %1"
                                          " s.textContent = 'document.documentElement.dataset.%2 = 1';"
                                          " document.body.appendChild(s); return document.documentElement.dataset.%2 ||"
                                          " 'no'; })()");
    EXPECT_EQ(inPage(insert.arg(QString(), QStringLiteral("foreign"))).toString(), QStringLiteral("no"));
    EXPECT_EQ(inPage(insert.arg(QStringLiteral("s.nonce = document.querySelector('script[nonce]').nonce;"),
                                QStringLiteral("own")))
                  .toString(),
              QStringLiteral("1"));

    // Inline handlers and frames are refused: the policy reports each refusal.
    page().evaluate(QStringLiteral(
        "(function(){ window.refused = []; document.addEventListener('securitypolicyviolation', function (e) {"
        " window.refused.push(e.effectiveDirective); });"
        " var box = document.createElement('div');"
        " box.innerHTML = '<img src=\"missing.png\" onerror=\"document.documentElement.dataset.ran = 1\">"
        "<iframe src=\"https://frames.example/\"></iframe>'; document.body.appendChild(box); return 1; })()"));
    ASSERT_TRUE(page().waitFor(QStringLiteral("window.refused.indexOf('frame-src') >= 0 &&"
                                              " window.refused.indexOf('script-src-attr') >= 0")))
        << page().evaluate(QStringLiteral("window.refused.join()")).toString().toStdString();
    EXPECT_FALSE(page().evaluate(QStringLiteral("'ran' in document.documentElement.dataset")).toBool());
}
