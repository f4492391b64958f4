#include "DWKit/QMAlertPanels.h"
#include "platform/core/DWAssert.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"

#include <gtest/gtest.h>

TEST(AlertPanels, ButtonResults)
{
    struct Row
    {
        const char* name;
        QString alternate;
        QString other;
        int answer;
        QStringList buttons;
        int result;
    } rows[] = {
        {"default", "Cancel", "More", 0, {"Delete", "Cancel", "More"}, 1},
        {"alternate", "Cancel", "More", 1, {"Delete", "Cancel", "More"}, 0},
        {"other", "Cancel", "More", 2, {"Delete", "Cancel", "More"}, -1},
        {"other without alternate", QString(), "More", 1, {"Delete", "More"}, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        dw::test::TemporaryXdg xdg;
        dw::test::ScriptedAlertPresenter alerts;
        alerts.answer(row.answer);
        EXPECT_EQ(QMRunAlertPanelWithSuppressionPreferencesKey(
                      QStringLiteral("Delete Images?"), QStringLiteral("Save 50%d now, %@"), QStringLiteral("Delete"),
                      row.alternate, row.other, QStringLiteral("warnDelete")),
                  row.result);
        ASSERT_EQ(alerts.alerts().size(), 1);
        const dw::AlertRequest& shown = alerts.alerts().first();
        EXPECT_EQ(shown.messageText, QStringLiteral("Delete Images?"));
        EXPECT_EQ(shown.informativeText, QStringLiteral("Save 50%d now, %@")) << "a message is no format";
        EXPECT_EQ(shown.buttons, row.buttons);
        EXPECT_TRUE(shown.showsSuppressionButton);
        EXPECT_FALSE(dw::UserDefaults::standard().hasKey(QStringLiteral("warnDelete")));
    }
}

TEST(AlertPanels, SuppressedForGoodOnceTicked)
{
    dw::test::TemporaryXdg xdg;
    dw::test::ScriptedAlertPresenter alerts;
    auto run = [] {
        return QMRunAlertPanelWithSuppressionPreferencesKey(QStringLiteral("Free Shipping Warning"), QString(),
                                                            QString(), QStringLiteral("Cancel"), QString(),
                                                            QStringLiteral("warnFreeShipping"));
    };
    alerts.answer(1, true);
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(alerts.alerts().first().buttons, (QStringList{"OK", "Cancel"}));
    EXPECT_TRUE(dw::UserDefaults::standard().boolForKey(QStringLiteral("warnFreeShipping")));
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(alerts.alerts().size(), 1);

    EXPECT_THROW(QMRunAlertPanelWithSuppressionPreferencesKey(QStringLiteral("t"), QStringLiteral("m"),
                                                              QStringLiteral("OK"), QString(), QString(), QString()),
                 dw::InternalInconsistency);
}
