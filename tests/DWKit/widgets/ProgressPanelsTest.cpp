#include "DWKit/widgets/QMProgressPanelController.h"
#include "DWKit/widgets/QMProgressView.h"
#include "DWKit/widgets/QMSaveProgressPanelController.h"

#include <QApplication>
#include <QMainWindow>
#include <gtest/gtest.h>

TEST(QMProgressPanelController, PanelRunsInItsOwnSessionUntilDismissed)
{
    auto panel = QMProgressPanelController::progressPanelWithTitle(QStringLiteral("Upload"),
                                                                   QStringLiteral("Uploading pictures"), QString());
    ASSERT_TRUE(panel->modalSession());
    EXPECT_TRUE(panel->modalSession()->isRunning());
    EXPECT_EQ(QApplication::activeModalWidget(), panel->window());
    EXPECT_EQ(panel->window()->windowTitle(), QStringLiteral("Upload"));
    EXPECT_EQ(panel->messageField()->text(), QStringLiteral("Uploading pictures"));
    EXPECT_EQ(panel->informationField()->text(), QString());
    EXPECT_EQ(panel->modalSession()->run(), dw::ModalSession::Response::Continue);

    const std::shared_ptr<dw::ModalSession> session = panel->modalSession();
    panel->dismissSheet();
    EXPECT_FALSE(session->isRunning());
    EXPECT_FALSE(panel->window()->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    panel->dismissSheet(); // a second dismissal ends nothing more
    EXPECT_EQ(session->run(), dw::ModalSession::Response::Ended);
}

TEST(QMProgressPanelController, SheetBlocksOnlyItsWindow)
{
    QMainWindow document;
    document.show();
    auto sheet =
        QMProgressPanelController::progressSheetForParentWindow(&document, QStringLiteral("Verifying"), QString());
    EXPECT_TRUE(sheet->isSheet());
    EXPECT_EQ(sheet->window()->parentWidget(), &document);
    EXPECT_EQ(sheet->window()->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(sheet->window()->isVisible());
    EXPECT_TRUE(sheet->progressBar()->isIndeterminate());
    EXPECT_TRUE(sheet->progressBar()->isAnimating());
    EXPECT_EQ(sheet->modalSession(), nullptr);

    sheet->dismissSheet();
    sheet->dismissSheet();
    EXPECT_FALSE(sheet->window()->isVisible());
}

TEST(QMSaveProgressPanelController, ShownTwiceHiddenOnceLeavesNoSession)
{
    QMSaveProgressPanelController::hideProgressPanel(); // without a show: only orders the panel out
    QMSaveProgressPanelController* panel = QMSaveProgressPanelController::sharedQMSaveProgressPanelController();
    EXPECT_FALSE(panel->window()->isVisible());

    QMSaveProgressPanelController::showProgressPanelWithMessage(QStringLiteral("Saving"));
    const std::shared_ptr<dw::ModalSession> first = panel->modalSession();
    QMSaveProgressPanelController::showProgressPanelWithMessage(QStringLiteral("Saving more"));
    EXPECT_EQ(panel->modalSession(), first) << "no second session";
    EXPECT_EQ(panel->tabView()->currentWidget()->objectName(), QStringLiteral("spinning"));
    EXPECT_TRUE(panel->spinningProgressIndicator()->isAnimating());
    EXPECT_EQ(panel->message(), QStringLiteral("Saving more"));

    QMSaveProgressPanelController::hideProgressPanel();
    EXPECT_EQ(panel->modalSession(), nullptr);
    EXPECT_FALSE(first->isRunning());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(panel->window()->isVisible());
    EXPECT_FALSE(panel->spinningProgressIndicator()->isAnimating());
}

TEST(QMSaveProgressPanelController, BarRunsFromZeroToTheMaximum)
{
    QMSaveProgressPanelController::showProgressPanelWithMessage(QStringLiteral("Downloading"), 12.0);
    QMSaveProgressPanelController* panel = QMSaveProgressPanelController::sharedQMSaveProgressPanelController();
    EXPECT_EQ(panel->tabView()->currentWidget()->objectName(), QStringLiteral("bar"));
    dw::ProgressIndicator* bar = panel->barProgressIndicator();
    EXPECT_FALSE(bar->isIndeterminate());
    EXPECT_DOUBLE_EQ(bar->minValue(), 0);
    EXPECT_DOUBLE_EQ(bar->maxValue(), 12);
    EXPECT_DOUBLE_EQ(bar->doubleValue(), 0);
    EXPECT_TRUE(panel->modalSession());

    QMSaveProgressPanelController::showProgressPanelWithMessage(QStringLiteral("Plain"), false);
    QMSaveProgressPanelController::hideProgressPanel();
    EXPECT_EQ(panel->modalSession(), nullptr);
}

TEST(QMProgressView, DarkGradientAndStoppedWheel)
{
    QMProgressView view;
    view.resize(300, 120);
    view.setMessage(QStringLiteral("Loading preview"));
    EXPECT_EQ(view.textField()->text(), QStringLiteral("Loading preview"));
    EXPECT_EQ(view.progressIndicator()->size(), QSize(64, 64));
    EXPECT_EQ(view.progressIndicator()->color(), QColor(Qt::white));

    view.startProgressAnimation();
    view.progressIndicator()->animateProgressTimer();
    view.stopProgressAnimation();
    EXPECT_DOUBLE_EQ(view.progressIndicator()->doubleValue(), 0);
    EXPECT_EQ(view.progressIndicator()->animationTimer(), nullptr);

    const QImage strip = view.grab().toImage();
    EXPECT_NEAR(qGray(strip.pixel(2, 0)), 127, 2) << "light grey at the top edge";
    EXPECT_NEAR(qGray(strip.pixel(2, 119)), 66, 2) << "dark grey at the bottom edge";
}
