#include "../model/FakeCategoryData.h"

#include "model/QMApplicationDefaults.h"
#include "model/QMEbayItem.h"
#include "platform/core/UserDefaults.h"
#include "shell/QMBDocument.h"
#include "shell/QMBDocumentController.h"
#include "shell/QMBFileChooser.h"
#include "shell/QMBSettingsPane.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class DocumentWindow : public ::testing::Test
{
protected:
    DocumentWindow()
    {
        EXPECT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        QMBFileChooser::setSaveChooser([this](QWidget*, const QString&, const QString&, const QString&) {
            return m_xdg.path(QStringLiteral("saved%1.qvlisting").arg(++m_saves));
        });
    }
    ~DocumentWindow() override
    {
        QMBFileChooser::setSaveChooser({});
        for (auto* document : documents().documents())
            delete document;
    }

    static QMBDocumentController& documents() { return QMBDocumentController::sharedDocumentController(); }
    // The seller changes the listing: from then on the document has something to save.
    static void edit(QMBDocument* document)
    {
        document->item()->setTitle(QStringLiteral("Folding camera"));
        ASSERT_TRUE(document->isDocumentEdited());
    }

    static QStringList entries(const QComboBox* popup)
    {
        QStringList titles;
        for (int i = 0; i < popup->count(); ++i)
            titles << popup->itemText(i);
        return titles;
    }

    dw::test::TemporaryXdg m_xdg;
    dw::test::ScriptedAlertPresenter m_alerts;
    int m_saves = 0;
};

} // namespace

TEST_F(DocumentWindow, ClosingAnEditedDocumentAsksFirst)
{
    const struct
    {
        const char* name;
        int answer; // Save, Cancel, Don't Save
        bool closes;
        bool saved;
    } rows[] = {{"Save", 0, true, true}, {"Cancel", 1, false, false}, {"Don't Save", 2, true, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const int savesBefore = m_saves;
        auto* document = documents().openUntitledDocumentAndDisplay(false);
        edit(document);
        m_alerts.clear();
        m_alerts.answer(row.answer);
        EXPECT_EQ(documents().closeDocument(document), row.closes);
        ASSERT_EQ(m_alerts.alerts().size(), 1);
        EXPECT_TRUE(m_alerts.titles().first().startsWith(QStringLiteral("Do you want to save the changes")));
        EXPECT_EQ(documents().documents().contains(document), !row.closes);
        EXPECT_EQ(m_saves > savesBefore, row.saved);
        if (row.saved) {
            EXPECT_TRUE(QFileInfo::exists(m_xdg.path(QStringLiteral("saved%1.qvlisting").arg(m_saves))));
        }
        if (!row.closes)
            delete document;
    }

    // Nothing to ask about an unchanged document, saved or new and untouched, also on quit.
    auto* saved = documents().openUntitledDocumentAndDisplay(false);
    edit(saved);
    ASSERT_TRUE(documents().saveDocument(saved));
    m_alerts.clear();
    EXPECT_TRUE(documents().closeDocument(saved));
    auto* untouched = documents().openUntitledDocumentAndDisplay(true);
    EXPECT_FALSE(untouched->isWindowModified());
    EXPECT_TRUE(documents().closeDocument(untouched));
    documents().openUntitledDocumentAndDisplay(true);
    EXPECT_TRUE(documents().reviewUnsavedDocumentsAndQuit());
    EXPECT_TRUE(m_alerts.alerts().isEmpty());
}

TEST_F(DocumentWindow, ClosingTheWindowSaysWhetherTheDocumentWent)
{
    // Quit closes every window and gives up at the first one that reports it stayed open.
    for (const auto& [answer, closes] : {std::pair{1, false}, std::pair{2, true}}) { // Cancel, Don't Save
        SCOPED_TRACE(answer);
        auto* document = documents().openUntitledDocumentAndDisplay(true);
        edit(document);
        m_alerts.clear();
        m_alerts.answer(answer);
        EXPECT_EQ(document->close(), closes);
        EXPECT_EQ(documents().documents().contains(document), !closes);
        if (!closes)
            delete document;
    }
}

TEST_F(DocumentWindow, QuittingReviewsEveryUnsavedDocumentAndStopsAtCancel)
{
    auto* clean = documents().openUntitledDocumentAndDisplay(false);
    ASSERT_TRUE(documents().saveDocument(clean));
    auto* first = documents().openUntitledDocumentAndDisplay(false);
    auto* second = documents().openUntitledDocumentAndDisplay(false);
    auto* third = documents().openUntitledDocumentAndDisplay(false);
    for (auto* document : {first, second, third})
        edit(document);

    m_alerts.answer(2); // the first reviewed: Don't Save
    m_alerts.answer(1); // the next: Cancel
    EXPECT_FALSE(documents().reviewUnsavedDocumentsAndQuit());
    EXPECT_EQ(m_alerts.alerts().size(), 2) << "the review stops at Cancel";
    EXPECT_EQ(documents().documents().size(), 3);
    EXPECT_TRUE(documents().documents().contains(clean));

    m_alerts.clear();
    m_alerts.answer(2);
    m_alerts.answer(2);
    EXPECT_TRUE(documents().reviewUnsavedDocumentsAndQuit());
    EXPECT_EQ(m_alerts.alerts().size(), 2);
    EXPECT_EQ(documents().documents(), QList<QMBDocument*>{clean}) << "an unchanged document is not asked about";
}

// A file that is refused takes no number from the next new document, and new windows do not stand
// on top of one another.
TEST_F(DocumentWindow, NewDocumentsAreNumberedInTurnAndCascaded)
{
    const auto number = [](const QMBDocument* document) {
        const QString name = document->displayName();
        return name == QStringLiteral("Untitled") ? 1 : name.mid(QStringLiteral("Untitled ").size()).toInt();
    };
    auto* first = documents().openUntitledDocumentAndDisplay(true);
    const QString broken = m_xdg.path(QStringLiteral("broken.qvlisting"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a listing");
    file.close();
    QString error;
    EXPECT_EQ(documents().openDocumentWithContentsOfFile(broken, true, &error), nullptr);
    EXPECT_FALSE(error.isEmpty());
    auto* second = documents().openUntitledDocumentAndDisplay(true);
    auto* third = documents().openUntitledDocumentAndDisplay(true);
    EXPECT_EQ(number(second), number(first) + 1) << second->displayName().toStdString();
    EXPECT_EQ(number(third), number(first) + 2);
    EXPECT_EQ(second->windowTitle(), second->displayName() + QStringLiteral("[*]"));

    EXPECT_NE(second->pos(), first->pos());
    EXPECT_NE(third->pos(), first->pos());
    EXPECT_NE(third->pos(), second->pos());
}

TEST_F(DocumentWindow, TheWindowFrameIsKeptUnderItsDefaultsKey)
{
    auto* document = documents().openUntitledDocumentAndDisplay(true);
    document->setGeometry(QRect(40, 50, 900, 600));
    ASSERT_TRUE(documents().saveDocument(document));
    document->close();
    EXPECT_EQ(dw::UserDefaults::standard().objectForKey(QStringLiteral("NSWindow Frame MainDocumentWindow")).toString(),
              QStringLiteral("40 50 900 600"));
    auto* next = documents().openUntitledDocumentAndDisplay(true);
    EXPECT_EQ(next->geometry(), QRect(40, 50, 900, 600));
}

TEST_F(DocumentWindow, ConditionsAreThoseBothCategoriesOffer)
{
    ScopedCategoryData categories;
    categories->addCategory(0, categoryWithConditions(10, {{condition(1000, "New", 0), condition(3000, "Used", 2)}}));
    categories->addCategory(0,
                            categoryWithConditions(20, {{condition(1500, "New other", 1), condition(1000, "New", 0)}}));
    categories->addCategory(0, categoryWithConditions(30, std::nullopt));
    auto* document = documents().openUntitledDocumentAndDisplay(false);
    const QComboBox* popup = document->settingsPane()->conditionPopup;
    const auto& item = document->item();
    const struct
    {
        const char* name;
        int category;
        int category2;
        QStringList entries;
        bool enabled;
    } rows[] = {
        {"one category", 10, 0, {"Do not use", "", "New", "Used"}, true},
        {"both categories", 10, 20, {"Do not use", "", "New"}, true},
        {"a category without conditions", 30, 0, {"Not available"}, false},
        {"no category", 0, 0, {"Not available"}, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        item->setCategory(row.category);
        item->setCategory2(row.category2);
        document->updateConditionPopupForItem(item);
        EXPECT_EQ(entries(popup), row.entries);
        EXPECT_EQ(popup->isEnabled(), row.enabled);
    }
    item->setCategory(10);
    item->setCategory2(0);
    item->setConditionID(3000);
    document->updateConditionPopupForItem(item);
    EXPECT_EQ(popup->currentText(), QStringLiteral("Used"));
}

TEST_F(DocumentWindow, DurationsEndWithGoodTilCancelledAndFallBackToTheDefault)
{
    auto* document = documents().openUntitledDocumentAndDisplay(false);
    const auto& item = document->item();
    const QComboBox* popup = document->settingsPane()->durationPopup;
    item->setBuyItNow(false);
    document->updateDurationPopupForItem(item);
    EXPECT_EQ(popup->itemData(popup->count() - 1).toInt(), 1000) << "Good 'Til Cancelled ends the list";
    EXPECT_EQ(popup->currentData().toInt(), item->duration());

    item->setDuration(4); // not offered
    document->updateDurationPopupForItem(item);
    EXPECT_EQ(item->duration(), 7) << "the default duration, which the site offers";
}

TEST_F(DocumentWindow, ALongTitleShowsItsStartWhenTheDocumentOpens)
{
    const QString title =
        QStringLiteral("Antique solid brass desk lamp with green glass shade, fully rewired, working");
    auto* document = documents().openUntitledDocumentAndDisplay(false);
    document->item()->setTitle(title);
    ASSERT_TRUE(documents().saveDocument(document));
    const QString path = document->fileName();
    delete document;

    document = documents().openDocumentWithContentsOfFile(path, true);
    ASSERT_TRUE(document);
    const QLineEdit* field = document->settingsPane()->titleLineEdit;
    EXPECT_EQ(field->text(), title);
    EXPECT_EQ(field->cursorPosition(), 0) << "the start of the title is in view";
}
