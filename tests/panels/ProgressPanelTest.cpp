// The upload progress panel: envelope status to card status, one view and one card per envelope,
// heights that only grow, cancel of what still runs, and the error pane.
#include "ScriptedEnvelope.h"

#include "DWKit/widgets/QMContainerView.h"
#include "ProgressAnimationView/QMProgressAnimationView.h"
#include "ProgressAnimationView/QMProgressItemLayer.h"
#include "panels/QMAddItemOperationEnvelopeProgressItem.h"
#include "panels/QMAddItemOperationEnvelopeView.h"
#include "panels/QMAddItemOperationEnvelopeViewController.h"
#include "panels/QMAddItemProgressPanelController.h"
#include "tests/support/TemporaryXdg.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using dw::test::errorEnvelope;
using dw::test::scriptedEnvelope;
using Panel = QMAddItemProgressPanelController;

class Delegate : public QMAddItemProgressPanelControllerDelegate
{
public:
    void addItemProgressPanelControllerDidCancel(QMAddItemProgressPanelController* controller) override
    {
        cancelled << controller;
    }
    QList<QMAddItemProgressPanelController*> cancelled;
};

class ProgressPanelTest : public ::testing::Test
{
protected:
    std::unique_ptr<Panel> m_panel = Panel::progressSheetForParentWindow(
        nullptr, QStringLiteral("Uploading Auctions..."), QStringLiteral("Uploading"));
    dw::test::TemporaryXdg m_xdg;

    uint cardStatus(int index) const { return m_panel->progressItems().at(index)->status(); }
    int animationHeight() const { return m_panel->progressAnimationView()->height(); }
};

TEST(ProgressItemStatus, EnvelopeStatusesMapToCardStatuses)
{
    const struct
    {
        int envelope;
        uint item;
    } rows[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 5}, {5, 6}, {6, 4}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.envelope);
        EXPECT_EQ(QMAddItemOperationEnvelopeProgressItem::itemStatusForEnvelopeStatus(row.envelope), row.item);
    }
    QMAddItemOperationEnvelopeProgressItem item;
    item.setEnvelopeStatus(4);
    item.setEnvelopeStatus(7);
    item.setEnvelopeStatus(-1);
    EXPECT_EQ(item.status(), 5u);
}

TEST_F(ProgressPanelTest, EachEnvelopeGetsAViewAndACardThatFollowsItsStatus)
{
    auto first = scriptedEnvelope(QStringLiteral("First"));
    auto second = scriptedEnvelope(QStringLiteral("Second"));
    m_panel->addViewForEnvelope(first);
    m_panel->addViewForEnvelope(second);
    const auto views = m_panel->envelopeViews();
    ASSERT_EQ(views.size(), 2);
    EXPECT_EQ(views[0]->controller()->envelope(), first);
    EXPECT_EQ(views[1]->controller()->envelope(), second);
    ASSERT_EQ(m_panel->progressItems().size(), 2);
    EXPECT_EQ(m_panel->progressItems()[1]->uuid(), second->envelopeUuid());
    EXPECT_EQ(first->progressPanelController(), m_panel.get());

    second->setStatus(QMAddItemOperationEnvelope::WaitingOnWarnings);
    EXPECT_TRUE(QTest::qWaitFor([this] { return cardStatus(1) == 5; }));
    EXPECT_EQ(cardStatus(0), 0u);
    // The card of a run stopped on warnings drops out of its column.
    EXPECT_LT(m_panel->progressAnimationView()->layerForUuid(second->envelopeUuid())->position().y(), 0);

    // An envelope the panel does not show changes nothing.
    auto stranger = scriptedEnvelope();
    stranger->setStatus(QMAddItemOperationEnvelope::Failed);
    second->setStatus(QMAddItemOperationEnvelope::Failed);
    EXPECT_TRUE(QTest::qWaitFor([this] { return cardStatus(1) == 6; }));
    EXPECT_EQ(cardStatus(0), 0u);
}

TEST_F(ProgressPanelTest, TheWindowGrowsForAStoppedRunAndNeverShrinks)
{
    EXPECT_EQ(m_panel->window()->height(), animationHeight() + 56);
    auto envelope = scriptedEnvelope();
    m_panel->addViewForEnvelope(envelope);
    m_panel->updateViewForEnvelope(envelope);
    EXPECT_EQ(m_panel->window()->height(), animationHeight() + 56);

    // The envelope asks its panel to show its warnings when it stops for them.
    envelope->setErrorEnvelope(errorEnvelope("eBay", {{"21916", "warning", "Check the title."}}));
    envelope->suspendExecution();
    EXPECT_GT(m_panel->containerView()->boundsForAllManagedSubviews().height(), 0);
    // It grows over a few frames, its top edge staying where it was.
    const int top = m_panel->window()->geometry().top();
    EXPECT_LT(m_panel->window()->height(), animationHeight() + 274) << "not at once";
    EXPECT_TRUE(QTest::qWaitFor([this] { return m_panel->window()->height() == animationHeight() + 274; }));
    EXPECT_EQ(m_panel->window()->geometry().top(), top);
    m_panel->updateViewForEnvelope(envelope);
    EXPECT_EQ(m_panel->window()->height(), animationHeight() + 274) << "grown already: no second growth";

    // Once the run is over the envelope's view closes; the window keeps its height.
    envelope->continueExecution();
    envelope->finished = true;
    m_panel->updateViewForEnvelope(envelope);
    EXPECT_EQ(m_panel->containerView()->boundsForAllManagedSubviews().height(), 0);
    EXPECT_EQ(m_panel->window()->height(), animationHeight() + 274);
}

TEST_F(ProgressPanelTest, CancelStopsOnlyWhatStillRunsAndTellsTheDelegateOnce)
{
    Delegate delegate;
    m_panel->setDelegate(&delegate);
    auto running = scriptedEnvelope(QStringLiteral("Running"));
    auto done = scriptedEnvelope(QStringLiteral("Done"));
    done->finished = true;
    running->setStatus(QMAddItemOperationEnvelope::UploadingPictures);
    done->setStatus(QMAddItemOperationEnvelope::Finished);
    m_panel->addViewForEnvelope(running);
    m_panel->addViewForEnvelope(done);

    m_panel->window()->findChild<QPushButton*>(QStringLiteral("cancelAllButton"))->click();
    EXPECT_TRUE(running->allOperationsCanceled());
    EXPECT_EQ(running->status(), QMAddItemOperationEnvelope::Finished);
    EXPECT_FALSE(done->allOperationsCanceled());
    EXPECT_FALSE(m_panel->window()->isVisible());
    EXPECT_EQ(delegate.cancelled, QList<QMAddItemProgressPanelController*>{m_panel.get()});
    // The delegate dismisses once more: nothing further happens.
    m_panel->dismissSheet();
    EXPECT_EQ(delegate.cancelled.size(), 1);
}

TEST_F(ProgressPanelTest, CancellingAFailedRunLeavesItFailed)
{
    auto failed = scriptedEnvelope();
    failed->setStatus(QMAddItemOperationEnvelope::Failed);
    m_panel->addViewForEnvelope(failed);
    m_panel->doCancel();
    EXPECT_EQ(failed->status(), QMAddItemOperationEnvelope::Failed);
    EXPECT_TRUE(QTest::qWaitFor([this] { return cardStatus(0) == 6; }));
}

TEST_F(ProgressPanelTest, EnvelopesForgetAPanelThatIsGone)
{
    auto envelope = scriptedEnvelope();
    m_panel->addViewForEnvelope(envelope);
    m_panel.reset();
    EXPECT_EQ(envelope->progressPanelController(), nullptr);
    envelope->suspendExecution(); // would reach a destroyed panel otherwise
}

TEST(ErrorPaneTexts, FirstAndSecondLineAndTheAbortButton)
{
    const struct
    {
        const char* name;
        std::shared_ptr<QMErrorEnvelope> errors;
        bool withContinue;
        const char* message;
        const char* question;
        const char* abort;
    } rows[] = {
        {"warnings from the picture service", errorEnvelope("EPS", {{"5", "warning", "w"}}), false,
         "A warning has been received from the eBay image server:", "The current operation succeeded with a warning.",
         "Close"},
        {"an error from a source without a server", errorEnvelope("PayPal", {{"5", "error", "e"}}), true,
         "An error has been received from the :", "The current operation has been canceled.", "Cancel"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Panel::errorMessageStringForErrorEnvelope(*row.errors), QString::fromLatin1(row.message));
        EXPECT_EQ(Panel::errorQuestionStringForErrorEnvelope(*row.errors, row.withContinue),
                  QString::fromLatin1(row.question));
        EXPECT_EQ(Panel::abortButtonTitleForErrorEnvelope(*row.errors, row.withContinue),
                  QString::fromLatin1(row.abort));
    }
}

TEST(ErrorPane, ShowsTheErrorsUntilAButtonIsPressed)
{
    dw::test::TemporaryXdg xdg;
    QString shown;
    QString abortTitle;
    bool continueVisible = true;
    QTimer::singleShot(0, [&] {
        QDialog* pane = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QLatin1String("addItemProgressPanel") && window->isVisible())
                pane = qobject_cast<QDialog*>(window);
        }
        ASSERT_NE(pane, nullptr);
        shown = pane->findChild<QLabel*>(QStringLiteral("errorMessageField"))->text();
        auto* abort = pane->findChild<QPushButton*>(QStringLiteral("abortButton"));
        abortTitle = abort->text();
        continueVisible = pane->findChild<QPushButton*>(QStringLiteral("continueButton"))->isVisible();
        abort->click();
    });
    Panel::displayPanelForError(errorEnvelope("eBay", {{"87", "error", "No leaf category."}}), nullptr);
    EXPECT_EQ(shown, "An error has been received from the eBay server:");
    EXPECT_EQ(abortTitle, "Close");
    EXPECT_FALSE(continueVisible);
}

} // namespace
