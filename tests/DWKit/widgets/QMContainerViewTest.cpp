#include "DWKit/widgets/QMContainerView.h"
#include "DWKit/widgets/QMSpecialScrollView.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

QWidget* viewOfSize(int width, int height)
{
    auto* view = new QWidget;
    view->resize(width, height);
    return view;
}

struct Column
{
    QMContainerView container;

    Column()
    {
        container.resize(300, 200);
        container.show();
    }

    QList<int> tops() const
    {
        QList<int> result;
        for (QWidget* view : container.managedViews())
            result << view->y();
        return result;
    }
};

} // namespace

TEST(QMContainerView, StacksOnlyOnceLoaded)
{
    Column column;
    QWidget* early = viewOfSize(120, 40);
    column.container.addManagedViews({early, viewOfSize(80, 60)});
    EXPECT_EQ(early->parentWidget(), nullptr) << "nothing is laid out before the scroll view exists";
    EXPECT_EQ(column.container.boundsForAllManagedSubviews(), QRect(0, 0, 120, 100));

    column.container.awakeFromNib();
    EXPECT_EQ(column.tops(), QList<int>({0, 40}));
    column.container.addManagedViews({viewOfSize(50, 30)});
    EXPECT_EQ(column.tops(), QList<int>({0, 40, 100}));

    const int columnWidth = column.container.documentView()->width();
    EXPECT_GT(columnWidth, 200);
    for (QWidget* view : column.container.managedViews()) {
        EXPECT_EQ(view->width(), columnWidth);
        EXPECT_TRUE(view->isVisible());
    }
    EXPECT_EQ(column.container.documentView()->height(), 130);
    EXPECT_EQ(column.container.boundsForAllManagedSubviews(), QRect(0, 0, columnWidth, 130))
        << "the first view's own width, which the column has forced";

    column.container.resize(400, 200);
    QApplication::processEvents();
    EXPECT_EQ(column.container.managedViews().constFirst()->width(), column.container.documentView()->width());
    EXPECT_GT(column.container.documentView()->width(), columnWidth) << "the column follows the container's width";
}

TEST(QMContainerView, EmptyColumnHasNoHeight)
{
    Column column;
    column.container.awakeFromNib();
    EXPECT_EQ(column.container.boundsForAllManagedSubviews(), QRect());
    EXPECT_EQ(column.container.documentView()->height(), 0);
}

TEST(QMContainerView, RemovingAndRealigningCloseTheGaps)
{
    Column column;
    column.container.awakeFromNib();
    QWidget* first = viewOfSize(100, 50);
    QWidget* second = viewOfSize(100, 70);
    QWidget* third = viewOfSize(100, 30);
    column.container.addManagedViews({first, second, third});

    column.container.removeManagedView(second);
    EXPECT_EQ(column.tops(), QList<int>({0, 50}));
    EXPECT_TRUE(second->isHidden());
    EXPECT_EQ(second->parentWidget(), &column.container) << "a removed view is neither lost nor deleted";

    first->resize(first->width(), 90);
    column.container.realignAllManagedViews();
    EXPECT_EQ(column.tops(), QList<int>({0, 90}));

    // A hidden view keeps its place in the stack and stays hidden.
    third->hide();
    column.container.realignAllManagedViews();
    EXPECT_TRUE(third->isHidden());
}

TEST(QMContainerView, RealignKeepsTheVerticalOffsetAndScrollsToViews)
{
    Column column;
    column.container.awakeFromNib();
    QList<QWidget*> views;
    for (int i = 0; i < 10; ++i)
        views << viewOfSize(100, 80);
    column.container.addManagedViews(views);
    QApplication::processEvents();
    QScrollBar* vertical = column.container.scrollView()->verticalScrollBar();
    ASSERT_GT(vertical->maximum(), 300);

    vertical->setValue(170);
    column.container.realignAllManagedViews();
    EXPECT_EQ(vertical->value(), 170);
    EXPECT_EQ(column.container.scrollView()->horizontalScrollBar()->value(), 0);

    column.container.scrollManagedViewToVisible(views.at(3)); // 240..320, inside 170..
    EXPECT_EQ(vertical->value(), 170) << "a wholly visible view does not scroll";
    column.container.scrollManagedViewToVisible(views.at(7));
    EXPECT_EQ(vertical->value(), 560) << "the view's top becomes the top of the visible area";
}

TEST(QMSpecialScrollView, UnusedWheelTurnScrollsTheEnclosingView)
{
    QScrollArea outer;
    outer.resize(200, 200);
    auto* page = new QWidget;
    page->resize(180, 1000);
    auto* inner = new QMSpecialScrollView(page);
    inner->setGeometry(0, 0, 180, 100);
    auto* innerContent = new QWidget;
    innerContent->resize(160, 300);
    inner->setWidget(innerContent);
    outer.setWidget(page);
    outer.show();
    QApplication::processEvents();

    auto turn = [&](int steps) {
        const QPointF at(10, 10);
        QWheelEvent wheel(at, inner->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120 * steps), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(inner->viewport(), &wheel);
    };
    turn(1);
    EXPECT_GT(inner->verticalScrollBar()->value(), 0);
    EXPECT_EQ(outer.verticalScrollBar()->value(), 0) << "the inner view could scroll itself";

    inner->verticalScrollBar()->setValue(inner->verticalScrollBar()->maximum());
    turn(1);
    EXPECT_GT(outer.verticalScrollBar()->value(), 0) << "at its end the inner view passes the turn on";
    EXPECT_FALSE(inner->scrollClipViewGetCalled());
}
