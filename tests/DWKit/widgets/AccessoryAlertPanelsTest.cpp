#include "DWKit/widgets/QMAccessoryAlertPanels.h"
#include "platform/widgets/MessageBoxAlertPresenter.h"
#include "tests/support/ScriptedAlertPresenter.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

TEST(AccessoryAlertPanels, StyleViewsAndResults)
{
    QLineEdit first;
    QLineEdit second;
    dw::test::ScriptedAlertPresenter alerts;
    alerts.answer(2);
    EXPECT_EQ(QMRunCriticalAlertPanelWithAccessoryView(QStringLiteral("Rename"), QStringLiteral("100%d"),
                                                       QStringLiteral("OK"), QStringLiteral("Cancel"),
                                                       QStringLiteral("More"), &first),
              -1);
    alerts.answer(1);
    EXPECT_EQ(QMRunAlertPanelWithView2(QStringLiteral("Two"), QString(), QString(), QString(), QStringLiteral("More"),
                                       nullptr, &second),
              -1);
    EXPECT_EQ(QMRunInformationalAlertPanelWithAccessoryView(QStringLiteral("Info"), QString(), QString(),
                                                            QStringLiteral("Cancel"), QString(), &first),
              1);

    ASSERT_EQ(alerts.alerts().size(), 3);
    EXPECT_EQ(alerts.alerts()[0].style, dw::AlertRequest::Style::Critical);
    EXPECT_EQ(alerts.alerts()[0].informativeText, QStringLiteral("100%d"));
    EXPECT_EQ(alerts.alerts()[0].accessoryViews, QList<void*>{&first});
    EXPECT_EQ(alerts.alerts()[1].accessoryViews, QList<void*>{&second});
    EXPECT_EQ(alerts.alerts()[1].buttons, (QStringList{"OK", "More"}));
    EXPECT_EQ(alerts.alerts()[2].style, dw::AlertRequest::Style::Informational);
}

// The message box borrows the view and gives it back where it was; it must not take it along
// when it goes.
TEST(AccessoryAlertPanels, MessageBoxLendsTheViewBack)
{
    dw::MessageBoxAlertPresenter presenter;
    dw::AlertPresenter* previous = dw::setAlertPresenter(&presenter);
    QWidget panel;
    QPointer<QLineEdit> field = new QLineEdit(&panel);
    field->setGeometry(10, 20, 120, 24);

    bool shownInTheBox = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shownInTheBox = field && field->window() == box && field->isVisibleTo(box);
        for (QAbstractButton* button : box->buttons())
            if (button->text() == QStringLiteral("Cancel"))
                button->click();
    });
    EXPECT_EQ(QMRunAlertPanelWithAccessoryView(QStringLiteral("Rename"), QString(), QStringLiteral("Rename"),
                                               QStringLiteral("Cancel"), QString(), field),
              0);
    dw::setAlertPresenter(previous);

    EXPECT_TRUE(shownInTheBox);
    ASSERT_FALSE(field.isNull());
    EXPECT_EQ(field->parentWidget(), &panel);
    EXPECT_EQ(field->geometry(), QRect(10, 20, 120, 24));
}

// A window that goes while its alert is up takes the box along as its child: the presenter must
// neither delete the box a second time nor answer for a window that is gone.
TEST(AccessoryAlertPanels, AlertsOutlivedByTheirWindowEndQuietly)
{
    dw::MessageBoxAlertPresenter presenter;
    dw::AlertRequest request;
    request.messageText = QStringLiteral("Save changes?");
    request.buttons = {QStringLiteral("Save"), QStringLiteral("Cancel")};

    auto window = std::make_unique<QWidget>();
    window->show();
    request.parentWindow = window.get();
    bool answered = false;
    presenter.beginSheet(request, [&](dw::AlertResponse) { answered = true; });
    window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(answered);

    window = std::make_unique<QWidget>();
    window->show();
    request.parentWindow = window.get();
    QTimer::singleShot(0, [&] { window.reset(); });
    const dw::AlertResponse response = presenter.runModal(request);
    EXPECT_EQ(response.buttonIndex, 1) << "the cancel button";
    EXPECT_FALSE(response.suppressed);
}
