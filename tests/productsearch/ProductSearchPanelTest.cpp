#include "productsearch/QMCaptureView.h"
#include "productsearch/QMProductSearchPanelController.h"

#include "DWEBay2/DWEbayConnector.h"
#include "DWKit/DWOperation/DWNSOperationQueue.h"
#include "DWKit/QMLogManager.h"
#include "Operations/QMGetProductSearchResultsOperation.h"
#include "model/QMApplicationDefaults.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"
#include "tests/support/barcode/SyntheticBarcode.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class ProductSearchPanelTest : public ::testing::Test
{
protected:
    ProductSearchPanelTest()
    {
        QMLogManager::resetSharedInstance();
        EXPECT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        m_item->setUniqueID(QStringLiteral("listing-1"));
        m_item->setTitle(QStringLiteral("Old camera"));
    }
    ~ProductSearchPanelTest() override { QMLogManager::resetSharedInstance(); }

    // A panel whose searches are recorded and, with set IDs, run against the fake Trading API.
    std::unique_ptr<QMProductSearchPanelController> makePanel(QStringList setIDs = {})
    {
        return std::make_unique<QMProductSearchPanelController>(
            m_item, [this, setIDs](const std::shared_ptr<QMEbayItem>& item, const QStringList& queries) {
                m_searches.append(queries);
                if (!setIDs.isEmpty())
                    m_queue.addOperation(makeOperation(item->uniqueID(), queries, setIDs));
            });
    }

    std::shared_ptr<QMGetProductSearchResultsOperation>
    makeOperation(const QString& uniqueID, const QStringList& queries, const QStringList& setIDs)
    {
        return std::make_shared<QMGetProductSearchResultsOperation>(
            [this] {
                auto connector = std::make_unique<DWEbayConnector>(m_ebay.url(), 0, 747);
                connector->setToken(QStringLiteral("token"));
                return connector;
            },
            uniqueID, queries, setIDs);
    }

    void search(QMProductSearchPanelController& panel, const QString& text)
    {
        panel.findChild<QLineEdit*>(QStringLiteral("searchStringTextField"))->setText(text);
        QTest::mouseClick(panel.findChild<QPushButton*>(QStringLiteral("searchButton")), Qt::LeftButton);
    }

    dw::test::TemporaryXdg m_xdg;
    dw::test::ScopedEnv m_noCamera{"QV_CAMERA_FRAMES", m_xdg.path(QStringLiteral("no-such-folder")).toUtf8()};
    dw::test::FakeTradingApi m_ebay;
    DWNSOperationQueue m_queue;
    std::shared_ptr<QMEbayItem> m_item = std::make_shared<QMEbayItem>();
    QList<QStringList> m_searches;
};

TEST_F(ProductSearchPanelTest, SearchesEachNewTextOrCodeOnce)
{
    auto panel = makePanel();
    EXPECT_EQ(panel->findChild<QLineEdit*>(QStringLiteral("searchStringTextField"))->text(), "Old camera");
    EXPECT_FALSE(panel->hasCameraRow());
    for (const char* text : {"canon", "canon", "lens", "canon", "", ""})
        search(*panel, QString::fromLatin1(text));
    EXPECT_EQ(m_searches, (QList<QStringList>{{"canon"}, {"lens"}, {"canon"}, {""}}));
    EXPECT_TRUE(panel->isSearching());

    // A book code searches for itself and its ISBN-10, any other code twice; a code that stays in
    // front of the camera searches once.
    m_searches.clear();
    for (const char* code : {"9780306406157", "9780306406157", "036000291452"})
        panel->barcodeReaderFoundBarcode(nullptr, QString::fromLatin1(code));
    EXPECT_EQ(m_searches, (QList<QStringList>{{"9780306406157", "0306406152"}, {"036000291452", "036000291452"}}));
    EXPECT_EQ(panel->findChild<QLineEdit*>(QStringLiteral("searchStringTextField"))->text(), "036000291452");
}

TEST_F(ProductSearchPanelTest, ListsTheProductsFoundAndOKFillsTheListing)
{
    m_ebay.setReply(QStringLiteral("GetProductSearchResults"),
                    R"(<?xml version="1.0" encoding="UTF-8"?><GetProductSearchResultsResponse)"
                    R"( xmlns="urn:ebay:apis:eBLBaseComponents"><Ack>Success</Ack><ProductSearchResult>)"
                    R"(<AttributeSet><ProductFamilies><FamilyMembers productID="P1" title="Canon AE-1">)"
                    R"(<MinPrice>4999</MinPrice><MaxPrice>19999</MaxPrice></FamilyMembers>)"
                    R"(<FamilyMembers productID="P2" title="Canon A-1"><MinPrice>100</MinPrice></FamilyMembers>)"
                    R"(</ProductFamilies></AttributeSet></ProductSearchResult></GetProductSearchResultsResponse>)");
    QList<std::shared_ptr<QMEbayItem>> changed{nullptr};
    QMProductSearchPanelController* panel = QMProductSearchPanelController::showPanelForItem(
        m_item,
        [this](const std::shared_ptr<QMEbayItem>& item, const QStringList& queries) {
            m_queue.addOperation(makeOperation(item->uniqueID(), queries, {"1785"}));
        },
        nullptr, [&](const QList<std::shared_ptr<QMEbayItem>>& items) { changed = items; });
    auto* ok = panel->findChild<QPushButton*>(QStringLiteral("okButton"));
    EXPECT_FALSE(ok->isEnabled());

    // Another listing's failed search leaves this panel searching.
    search(*panel, QStringLiteral("canon"));
    m_queue.addOperation(makeOperation(QStringLiteral("listing-2"), {QStringLiteral("x")}, {}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->products().size() == 2; }, 10000));
    EXPECT_FALSE(panel->isSearching());
    ASSERT_TRUE(panel->selectedProduct());
    EXPECT_EQ(panel->selectedProduct()->identifier, "P1");
    EXPECT_EQ(panel->selectedProduct()->maxPrice, "199.99");
    EXPECT_TRUE(ok->isEnabled());

    QTest::mouseClick(ok, Qt::LeftButton);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed.first(), m_item);
    EXPECT_EQ(m_item->productID(), "P1");
    EXPECT_EQ(m_item->prefilledTitle(), "Canon AE-1");
}

TEST_F(ProductSearchPanelTest, TheCameraRowScansCodesFromThePictureFolder)
{
    QDir().mkpath(m_xdg.path(QStringLiteral("camera")));
    dw::test::photographBarcode(dw::test::renderEan13(QStringLiteral("4006381333931"), 4, 300),
                                {.seed = 5, .blur = 1, .noise = 2, .tilt = 0.02, .rotation = 1, .lightFalloff = 0.1})
        .save(m_xdg.path(QStringLiteral("camera/frame.png")));
    dw::test::ScopedEnv camera("QV_CAMERA_FRAMES", m_xdg.path(QStringLiteral("camera")).toUtf8());
    auto panel = makePanel();
    ASSERT_TRUE(panel->hasCameraRow());
    auto* cameraRow = panel->findChild<QTableWidget*>(QStringLiteral("iSightTableView"));
    cameraRow->selectRow(0);
    EXPECT_TRUE(panel->isSetupDone());
    // Codes are reported half a second after the camera started at the earliest.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_searches.isEmpty(); }, 10000));
    EXPECT_EQ(m_searches, (QList<QStringList>{{"4006381333931", "4006381333931"}}));
    EXPECT_FALSE(panel->captureView()->image().isNull());
}

TEST_F(ProductSearchPanelTest, ThePanelKeepsItsSizeUnderBarcodeWindow)
{
    auto& defaults = dw::UserDefaults::standard();
    {
        auto panel = makePanel();
        panel->show();
        panel->resize(710, 520);
        panel->hide();
    }
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("NSWindow Frame BarcodeWindow")).section(u' ', -2),
              QStringLiteral("710 520"));
    auto again = makePanel();
    EXPECT_EQ(again->size(), QSize(710, 520));
}

TEST_F(ProductSearchPanelTest, TheStandAloneScannerRunsUntilOKOrSaysThereIsNoCamera)
{
    dw::test::ScriptedAlertPresenter alerts;
    QMBarcodeScannerController::showPanelForParentWindow(nullptr);
    ASSERT_EQ(alerts.titles(), QStringList{QStringLiteral("No Camera Found")});
    EXPECT_TRUE(
        alerts.alerts().first().informativeText.startsWith(QStringLiteral("Quillmart couldn\u2019t find any camera.")));
    EXPECT_EQ(alerts.alerts().first().style, dw::AlertRequest::Style::Critical);

    QDir().mkpath(m_xdg.path(QStringLiteral("camera")));
    dw::test::renderEan13(QStringLiteral("4006381333931"), 4, 300).save(m_xdg.path(QStringLiteral("camera/frame.png")));
    dw::test::ScopedEnv camera("QV_CAMERA_FRAMES", m_xdg.path(QStringLiteral("camera")).toUtf8());
    bool shownWithPicture = false;
    QElapsedTimer waited;
    waited.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* scanner = qobject_cast<QMBarcodeScannerController*>(window);
            if (!scanner || !scanner->isVisible())
                continue;
            shownWithPicture = !scanner->captureView()->image().isNull();
            // Given up after a while, so that a scanner that never shows a picture fails the test.
            if (shownWithPicture || waited.elapsed() > 10000)
                QTest::mouseClick(scanner->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
        }
    });
    poll.start(10);
    QMBarcodeScannerController::showPanelForParentWindow(nullptr);
    EXPECT_TRUE(shownWithPicture) << "OK ended the run once the camera's picture showed";
    EXPECT_EQ(alerts.alerts().size(), 1);
    EXPECT_TRUE(dw::UserDefaults::standard().hasKey(QStringLiteral("NSWindow Frame BarcodeScanner")));
}

} // namespace
