// The keyword bar: badges laid out left to right, the chevron and its menu, selection by click.
#include "description/DesignChooser/QMKeywordArrayController.h"
#include "description/DesignChooser/QMKeywordView.h"
#include "platform/core/DWAssert.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace {

// Keywords short enough that every badge has the minimum middle of 70 points: 88 wide.
const QStringList kKeywords{QStringLiteral("Alpha"), QStringLiteral("Beta"),    QStringLiteral("Gamma"),
                            QStringLiteral("Delta"), QStringLiteral("Epsilon"), QStringLiteral("Zeta")};

struct Recorder : QMKeywordViewDelegate
{
    void keywordViewDidSelectKeyword(QMKeywordView*, const QString& keyword) override { calls << "select " + keyword; }
    void keywordViewDidUnselectKeyword(QMKeywordView*, const QString& keyword) override
    {
        calls << "unselect " + keyword;
    }
    void keywordViewDidUnselectKeywords(QMKeywordView*, const QStringList& keywords) override
    {
        calls << "unselect all " + keywords.join(u',');
    }
    std::optional<QString> keywordViewTooltipForKeyword(QMKeywordView*, const QString& keyword) override
    {
        return "About " + keyword;
    }
    QStringList calls;
};

void mouse(QWidget* widget, QEvent::Type type, QPointF point, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(type, point, widget->mapToGlobal(point), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(widget, &event);
}

class KeywordBar : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_keywords.setContent(kKeywords);
        m_bar.setArrayController(&m_keywords);
        m_bar.setDelegate(&m_recorder);
        m_bar.resize(300, 26);
    }

    QPointF centreOf(qsizetype index) { return m_bar.rectForKeywordAtIndex(index).center(); }

    QMKeywordArrayController m_keywords;
    QMKeywordView m_bar;
    Recorder m_recorder;
};

TEST_F(KeywordBar, BadgesStandInARowWithTheirMinimumWidth)
{
    EXPECT_EQ(m_bar.rectForKeywordAtIndex(0), QRectF(4, 4, 88, 18));
    EXPECT_EQ(m_bar.rectForKeywordAtIndex(1), QRectF(96, 4, 88, 18));
    EXPECT_THROW(m_bar.rectForKeywordAtIndex(6), dw::InternalInconsistency);
    EXPECT_EQ(m_bar.keywordAtPoint(centreOf(1)), QStringLiteral("Beta"));
    EXPECT_TRUE(m_bar.keywordAtPoint({2, 13}).isNull()) << "the spacing before the first badge";
}

TEST_F(KeywordBar, BadgeBeforeTheChevronNeedsRoomForIt)
{
    // Badges end at 92, 184, 276; a fourth would end at 368. After the third, a bar of 300 leaves
    // exactly 2 × 4 + 16 points, which is not enough for the chevron beside it.
    struct Row
    {
        int width;
        QStringList hidden;
    } rows[] = {
        {300, kKeywords.mid(2)},
        {301, kKeywords.mid(3)},
        {600, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.width);
        m_bar.resize(row.width, 26);
        m_bar.grab();
        EXPECT_EQ(m_bar.overflowKeywords(), row.hidden);
        EXPECT_EQ(m_bar.lastChevronRect().isEmpty(), row.hidden.isEmpty());
    }
}

TEST_F(KeywordBar, ChevronMenuListsExactlyTheHiddenKeywords)
{
    m_keywords.setSelectedObjects({QStringLiteral("Delta")});
    m_bar.grab();
    std::unique_ptr<QMenu> menu(m_bar.makeOverflowMenu());
    QStringList titles, checked;
    for (QAction* item : menu->actions()) {
        titles << item->text();
        if (item->isChecked())
            checked << item->text();
    }
    EXPECT_EQ(titles, kKeywords.mid(2));
    EXPECT_EQ(checked, QStringList{QStringLiteral("Delta")});
    EXPECT_EQ(menu->actions().at(1)->toolTip(), QStringLiteral("About Delta"));

    menu->actions().at(2)->trigger(); // Epsilon
    EXPECT_EQ(m_keywords.selectedObjects(), QStringList{QStringLiteral("Epsilon")});
}

TEST_F(KeywordBar, ClicksSelectByTheBarsRules)
{
    struct Row
    {
        const char* name;
        bool multiple;
        bool empty;
        QStringList before;
        QString clicked;
        QStringList after;
        QStringList calls;
    } rows[] = {
        {"single replaces", false, false, {"Alpha"}, "Beta", {"Beta"}, {"unselect all Alpha", "select Beta"}},
        {"single keeps its only keyword", false, false, {"Alpha"}, "Alpha", {"Alpha"}, {}},
        {"multiple adds", true, false, {"Alpha"}, "Beta", {"Alpha", "Beta"}, {"select Beta"}},
        {"multiple keeps the last one", true, false, {"Alpha"}, "Alpha", {"Alpha"}, {}},
        {"multiple removes one of several", true, false, {"Alpha", "Beta"}, "Alpha", {"Beta"}, {"unselect Alpha"}},
        {"empty selection allowed", false, true, {"Alpha"}, "Alpha", {}, {"unselect Alpha"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_bar.setAllowsMultipleSelection(row.multiple);
        m_bar.setAllowsEmptySelection(row.empty);
        m_keywords.setSelectedObjects(row.before);
        m_recorder.calls.clear();
        const qsizetype index = kKeywords.indexOf(row.clicked);
        mouse(&m_bar, QEvent::MouseButtonPress, centreOf(index));
        mouse(&m_bar, QEvent::MouseButtonRelease, centreOf(index));
        EXPECT_EQ(m_keywords.selectedObjects(), row.after);
        EXPECT_EQ(m_recorder.calls, row.calls);
    }
}

TEST_F(KeywordBar, ReleaseOffTheBadgeSelectsNothingUnlessTheMouseCameBack)
{
    mouse(&m_bar, QEvent::MouseButtonPress, centreOf(1));
    EXPECT_EQ(m_bar.clickedKeyword(), QStringLiteral("Beta"));
    mouse(&m_bar, QEvent::MouseMove, centreOf(0));
    EXPECT_TRUE(m_bar.clickedKeyword().isNull());
    mouse(&m_bar, QEvent::MouseButtonRelease, centreOf(0));
    EXPECT_TRUE(m_keywords.selectedObjects().isEmpty());

    mouse(&m_bar, QEvent::MouseButtonPress, centreOf(1));
    mouse(&m_bar, QEvent::MouseMove, {150, 40});
    mouse(&m_bar, QEvent::MouseMove, centreOf(1));
    mouse(&m_bar, QEvent::MouseButtonRelease, centreOf(1));
    EXPECT_EQ(m_keywords.selectedObjects(), QStringList{QStringLiteral("Beta")});
    EXPECT_TRUE(m_bar.clickedKeyword().isNull());
}

TEST_F(KeywordBar, SelectionKeepsTheListsOrderAndSurvivesANewListWherePossible)
{
    m_keywords.setSelectedObjects({QStringLiteral("Zeta"), QStringLiteral("Beta"), QStringLiteral("Nope")});
    EXPECT_EQ(m_keywords.selectedObjects(), (QStringList{QStringLiteral("Beta"), QStringLiteral("Zeta")}));
    m_keywords.setContent({QStringLiteral("Zeta"), QStringLiteral("Omega")});
    EXPECT_EQ(m_keywords.selectedObjects(), QStringList{QStringLiteral("Zeta")});
}

} // namespace
