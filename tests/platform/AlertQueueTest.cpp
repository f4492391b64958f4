#include "platform/core/AlertPresenter.h"
#include "tests/support/ScriptedAlertPresenter.h"

#include <QObject>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

dw::AlertRequest alert(const char* title)
{
    dw::AlertRequest request;
    request.messageText = QString::fromLatin1(title);
    return request;
}

// A presenter whose sheets stay open until the test answers them, or are dropped unanswered.
class HeldSheets final : public dw::AlertPresenter
{
public:
    HeldSheets() : m_previous(dw::setAlertPresenter(this)) {}
    ~HeldSheets() override { dw::setAlertPresenter(m_previous); }

    dw::AlertResponse runModal(const dw::AlertRequest& request) override
    {
        titles << request.messageText;
        return {};
    }
    void beginSheet(const dw::AlertRequest& request, std::function<void(dw::AlertResponse)> handler) override
    {
        titles << request.messageText;
        handlers.push_back(std::move(handler));
    }

    QStringList titles;
    std::vector<std::function<void(dw::AlertResponse)>> handlers;

private:
    dw::AlertPresenter* m_previous;
};

} // namespace

TEST(AlertQueue, ReportsArrivingDuringAModalAlertFollowItInOrder)
{
    dw::test::ScriptedAlertPresenter alerts;
    alerts.answer(0);
    alerts.answer(1);
    alerts.answer(0);
    QList<int> answers;
    QStringList shownWhileFirstOpen;
    alerts.setWhileOpen([&](const dw::AlertRequest& request) {
        if (request.messageText != QLatin1String("eBay Error"))
            return;
        dw::queueAlert(alert("Resource Download Error"), [&](dw::AlertResponse r) { answers << r.buttonIndex; });
        dw::queueAlert(alert("Keychain Error"), [&](dw::AlertResponse r) { answers << r.buttonIndex; });
        shownWhileFirstOpen = alerts.titles();
    });

    dw::queueAlert(alert("eBay Error"), [&](dw::AlertResponse r) { answers << r.buttonIndex; });

    EXPECT_EQ(shownWhileFirstOpen, QStringList{QStringLiteral("eBay Error")}) << "nothing opened inside the first";
    EXPECT_EQ(alerts.titles(), QStringList{QStringLiteral("eBay Error")}) << "the first one's caller goes on first";
    EXPECT_EQ(answers, QList<int>{0});
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.size() == 3; }, 5000));
    EXPECT_EQ(alerts.titles(), (QStringList{QStringLiteral("eBay Error"), QStringLiteral("Resource Download Error"),
                                            QStringLiteral("Keychain Error")}));
    EXPECT_EQ(answers, (QList<int>{0, 1, 0}));
    EXPECT_FALSE(dw::isAlertOpen());
}

TEST(AlertQueue, AQueuedAlertOfAClosedWindowIsDropped)
{
    dw::test::ScriptedAlertPresenter alerts;
    auto window = std::make_unique<QObject>();
    bool handled = false;
    alerts.setWhileOpen([&](const dw::AlertRequest& request) {
        if (request.messageText == QLatin1String("Question"))
            dw::queueAlert(
                alert("Upload Failed"), [&](dw::AlertResponse) { handled = true; }, window.get());
    });
    (void)dw::alertPresenter().runModal(alert("Question"));
    window.reset();
    dw::queueAlert(alert("Later"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return alerts.titles().size() == 2; }, 5000));
    EXPECT_EQ(alerts.titles(), (QStringList{QStringLiteral("Question"), QStringLiteral("Later")}));
    EXPECT_FALSE(handled);
}

TEST(AlertQueue, AnOpenSheetHoldsTheQueueUntilAnsweredOrDropped)
{
    HeldSheets sheets;
    int window = 0; // any non-null parent makes a sheet
    dw::AlertRequest sheet = alert("Verification passed");
    sheet.parentWindow = &window;
    bool sheetAnswered = false;
    dw::queueAlert(sheet, [&](dw::AlertResponse) { sheetAnswered = true; });
    EXPECT_TRUE(dw::isAlertOpen());
    dw::queueAlert(alert("eBay Error"));
    QTest::qWait(0);
    EXPECT_EQ(sheets.titles, QStringList{QStringLiteral("Verification passed")});

    sheets.handlers.front()({});
    EXPECT_TRUE(sheetAnswered);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheets.titles.size() == 2; }, 5000));
    EXPECT_FALSE(dw::isAlertOpen());

    // A sheet whose window went takes its handler along unanswered: the queue goes on all the same.
    dw::queueAlert(sheet);
    dw::queueAlert(alert("Keychain Error"));
    sheets.handlers.clear();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheets.titles.size() == 4; }, 5000));
    EXPECT_EQ(sheets.titles.last(), QStringLiteral("Keychain Error"));
    EXPECT_FALSE(dw::isAlertOpen());
}
