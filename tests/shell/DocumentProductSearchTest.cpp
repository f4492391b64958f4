#include "DWCoreDataEbayDataClasses/SQCategoryCacheManager.h"
#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "DWEBay2/types/EBayGetProductSearchResultsRequestType.h"
#include "DWKit/QMLogManager.h"
#include "DocumentTestFakes.h"
#include "Operations/QMOperationManager.h"
#include "model/QMAccountDataSource.h"
#include "model/QMApplicationDefaults.h"
#include "model/QMEbayItem.h"
#include "platform/core/UserDefaults.h"
#include "productsearch/QMProductSearchPanelController.h"
#include "shell/QMBDocument.h"
#include "shell/QMBDocumentController.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kStores = QStringLiteral(DW_SHELL_TEST_STORES);

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A document of site 77, whose category 345 is catalog-enabled with set 100, category 12 not.
class DocumentProductSearch : public ::testing::Test
{
protected:
    DocumentProductSearch()
    {
        QMLogManager::resetSharedInstance();
        EXPECT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        SQCategoryDataManager::sharedSQCategoryDataManager()->unloadAll();
        SQCategoryCacheManager::resetSharedCacheForTesting();
        const auto categories = QMCategoryDataManager::sharedQMCategoryDataManager();
        EXPECT_TRUE(
            categories->saveCategoryTreeFileData(readFile(kStores + QStringLiteral("/Categories.site77.sqlite")), 77));
        EXPECT_TRUE(categories->saveCharacteristicSetsFileData(
            readFile(kStores + QStringLiteral("/Attributes.site77.sqlite")), 77));
        QMAccountDataSource::install(m_accounts);
        // No products: the panel loads no product page, so no web engine starts.
        m_ebay.setReply(
            QStringLiteral("GetProductSearchResults"),
            R"(<?xml version="1.0" encoding="UTF-8"?><GetProductSearchResultsResponse )"
            R"(xmlns="urn:ebay:apis:eBLBaseComponents"><Ack>Success</Ack></GetProductSearchResultsResponse>)");
        // What the application sets up at start.
        const auto manager = QMOperationManager::sharedQMOperationManager();
        manager->setDelegate(m_connectors);
        manager->setOpenListings([] { return QMBDocumentController::sharedDocumentController().openListings(); });
        manager->setSearchCharacteristicSets([](const QList<qint64>& categoryIDs, qint64 siteID) {
            QStringList sets;
            for (const qint64 set :
                 QMCategoryDataManager::sharedQMCategoryDataManager()->searchCharacteristicSetsForCategoryIDs(
                     categoryIDs, siteID))
                sets << QString::number(set);
            return sets;
        });
        m_document = QMBDocumentController::sharedDocumentController().openUntitledDocumentAndDisplay(false);
        m_document->item()->setSiteID(77);
    }
    ~DocumentProductSearch() override
    {
        QMOperationManager::sharedQMOperationManager()
            ->multiThreadedOperationQueue()
            .waitUntilAllOperationsAreFinished();
        QCoreApplication::processEvents();
        delete m_document;
        QMAccountDataSource::install(nullptr);
        // The stores' files go with the temporary folders: no later test may find them open.
        QMCategoryDataManager::sharedQMCategoryDataManager()->unloadAll();
        SQCategoryDataManager::sharedSQCategoryDataManager()->unloadAll();
        SQCategoryCacheManager::resetSharedCacheForTesting();
        QMLogManager::resetSharedInstance();
    }

    QMProductSearchPanelController* openPanel() const
    {
        return m_document->findChild<QMProductSearchPanelController*>(QStringLiteral("productSearchPanel"));
    }

    dw::test::TemporaryXdg m_xdg;
    dw::test::ScriptedAlertPresenter m_alerts;
    dw::test::FakeTradingApi m_ebay;
    std::shared_ptr<dw::test::FakeConnectors> m_connectors = std::make_shared<dw::test::FakeConnectors>(m_ebay.url());
    std::shared_ptr<FakeAccounts> m_accounts = std::make_shared<FakeAccounts>();
    QMBDocument* m_document = nullptr;
};

} // namespace

TEST_F(DocumentProductSearch, ThePanelOpensOnTheDocumentAndSearchesWithinTheCategorysSets)
{
    m_document->item()->setCategory(345);
    m_document->showPreFilledPanel();
    QMProductSearchPanelController* panel = openPanel();
    ASSERT_TRUE(panel) << "a sheet of the document window";
    EXPECT_TRUE(m_alerts.alerts().isEmpty());

    panel->findChild<QLineEdit*>(QStringLiteral("searchStringTextField"))->setText(QStringLiteral("Canon AE-1"));
    QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("searchButton")), Qt::LeftButton);
    ASSERT_TRUE(m_ebay.waitForRequests(1));
    const auto sent = m_ebay.requests(QStringLiteral("GetProductSearchResults"));
    ASSERT_EQ(sent.size(), 1u);
    const auto request = sent.front().documentAs<EBayGetProductSearchResultsRequestType>();
    ASSERT_TRUE(request) << sent.front().parseError.toStdString();
    EXPECT_TRUE(sent.front().xml.contains("<CharacteristicSetIDs><ID>100</ID>")) << sent.front().xml.constData();
    EXPECT_TRUE(sent.front().xml.contains("Canon AE-1"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !panel->isSearching(); }, 10000));

    panel->reject();
    EXPECT_TRUE(QTest::qWaitFor([&] { return openPanel() == nullptr; }, 5000)) << "it goes when it closes";
    EXPECT_TRUE(m_document->item()->productID().isEmpty()) << "cancelled: the listing is untouched";
}

TEST_F(DocumentProductSearch, NoPanelWithoutACatalogEnabledCategoryOrAToken)
{
    m_document->item()->setCategory(12);
    m_document->showPreFilledPanel();
    EXPECT_FALSE(openPanel());
    EXPECT_EQ(m_alerts.titles(), QStringList{QStringLiteral("No catalog information available")});

    m_alerts.clear();
    m_alerts.answer(1); // the missing token's alert: Cancel
    m_accounts->token.clear();
    m_document->item()->setCategory(345);
    m_document->showPreFilledPanel();
    EXPECT_FALSE(openPanel());
    EXPECT_EQ(m_alerts.titles(), QStringList{QStringLiteral("Missing Token")});
}
