// The document's "Edit Item Specifics…" command opens the real item-specifics sheet on site 77's
// stores: Cancel leaves the listing as it was, OK writes the sheet's result into it.

#include "DWCoreDataEbayDataClasses/SQCategoryCacheManager.h"
#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "DWKit/QMLogManager.h"
#include "model/QMApplicationDefaults.h"
#include "model/QMEbayItem.h"
#include "panels/QMAttributePanelController.h"
#include "platform/core/UserDefaults.h"
#include "shell/QMBDocument.h"
#include "shell/QMBDocumentController.h"
#include "shell/QMBSettingsPaneController.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"

#include "ShellTestSupport.h"

#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

#ifdef DW_CATEGORY_TEST_STORES

namespace {

class DocumentItemSpecifics : public ::testing::Test
{
protected:
    DocumentItemSpecifics()
    {
        QMLogManager::resetSharedInstance();
        EXPECT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        SQCategoryDataManager::sharedSQCategoryDataManager()->unloadAll();
        SQCategoryCacheManager::resetSharedCacheForTesting();
        dw::test::saveCompleteCategoryDataOfSite77();
        m_document = QMBDocumentController::sharedDocumentController().openUntitledDocumentAndDisplay(false);
        m_document->item()->setSiteID(77);
        m_document->item()->setCategory(345);
    }
    ~DocumentItemSpecifics() override
    {
        delete m_document;
        // The stores' files go with the temporary folders: no later test may find them open.
        QMCategoryDataManager::sharedQMCategoryDataManager()->unloadAll();
        SQCategoryDataManager::sharedSQCategoryDataManager()->unloadAll();
        SQCategoryCacheManager::resetSharedCacheForTesting();
        QMLogManager::resetSharedInstance();
    }

    // Runs the command; once the sheet's own loop turns, notes its tabs and presses the button.
    QStringList editPressing(const char* button)
    {
        QStringList tabs;
        QTimer::singleShot(0, m_document, [this, button, &tabs] {
            auto* sheet = m_document->findChild<QMAttributePanelController*>();
            ASSERT_TRUE(sheet && sheet->isVisible());
            for (int i = 0; i < sheet->tabView()->count(); ++i)
                tabs.append(sheet->tabView()->tabText(i));
            sheet->findChild<QPushButton*>(QLatin1String(button))->click();
            if (sheet->isVisible()) {
                ADD_FAILURE() << "the sheet stays open: " << m_alerts.titles().join(u',').toStdString();
                sheet->reject();
            }
        });
        m_document->editItemAttributes();
        return tabs;
    }

    dw::test::TemporaryXdg m_xdg;
    dw::test::ScriptedAlertPresenter m_alerts;
    QMBDocument* m_document = nullptr;
};

} // namespace

TEST_F(DocumentItemSpecifics, TheCommandOpensTheSheetAndTakesItsResultOnlyOnOK)
{
    const QVariantMap before{{QStringLiteral("100"), QVariantMap{{QStringLiteral("version"), QStringLiteral("1")}}}};
    m_document->item()->setAttributeSets(before);

    // The category's own set and the site-wide set it does not exclude.
    EXPECT_EQ(editPressing("cancelButton"), QStringList({"Alpha site-wide", "Books"}));
    EXPECT_EQ(m_document->item()->attributeSets(), before);

    editPressing("okButton");
    const QVariantMap books = m_document->item()->attributeSets().value(QStringLiteral("100")).toMap();
    EXPECT_EQ(books.value(QStringLiteral("version")), QVariant(QStringLiteral("8")));
    EXPECT_TRUE(books.value(QStringLiteral("values")).toMap().contains(QStringLiteral("2")));
    EXPECT_TRUE(m_alerts.alerts().isEmpty());
}

#endif

#ifdef DW_SHELL_TEST_STORES

TEST(DocumentItemSpecificsNames, NameTheCategoriesSetsAndCustomDetails)
{
    QMLogManager::resetSharedInstance();
    dw::test::TemporaryXdg xdg;
    dw::test::ScriptedAlertPresenter alerts;
    ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
    SQCategoryDataManager::sharedSQCategoryDataManager()->unloadAll();
    SQCategoryCacheManager::resetSharedCacheForTesting();
    const auto read = [](const char* name) {
        QFile file(QStringLiteral(DW_SHELL_TEST_STORES) + u'/' + QLatin1String(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const auto categories = QMCategoryDataManager::sharedQMCategoryDataManager();
    ASSERT_TRUE(categories->saveCategoryTreeFileData(read("Categories.site3.sqlite"), 3));
    ASSERT_TRUE(categories->saveCharacteristicSetsFileData(read("Attributes.site3.sqlite"), 3));
    QMCategoryDataManager::installAsModelSource(categories);
    auto* document = QMBDocumentController::sharedDocumentController().openUntitledDocumentAndDisplay(false);
    document->item()->setSiteID(3);

    const struct Row
    {
        qint64 category;
        const char* names;
    } rows[] = {
        {50, "Custom Details"}, // custom details and no attribute set: nothing "Not available"
        {51, "Timepieces"},
        {52, "Custom Details, Timepieces"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.category);
        document->item()->setCategory(row.category);
        document->computeAndUpdateAttributeSetNamesForItem(document->item());
        EXPECT_EQ(document->settingsPaneController()->currentItemAttributeSetNames().toStdString(), row.names);
    }

    delete document;
    QMCategoryDataManager::installAsModelSource(nullptr);
    categories->unloadAll();
    SQCategoryDataManager::sharedSQCategoryDataManager()->unloadAll();
    SQCategoryCacheManager::resetSharedCacheForTesting();
    QMLogManager::resetSharedInstance();
}

#endif
