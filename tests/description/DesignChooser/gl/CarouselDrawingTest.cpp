// The carousel drawn with OpenGL on a real display: black while empty, covers once loaded, and a
// double click on the front cover chosen through the view's own events.
#include "DesignFixtures.h"

#include "description/DesignChooser/QMBlackScroller.h"
#include "description/DesignChooser/QMFlowView.h"
#include "description/DesignChooser/QMFlowViewArrayController.h"

#include <QOpenGLContext>
#include <QScopeGuard>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using TemplatePtr = std::shared_ptr<QMDesignTemplate>;

struct Chosen : QMFlowViewDelegate
{
    void flowViewSelectionChangedTo(QMFlowDisplay*, const TemplatePtr& design) override { chosen.append(design); }
    QList<TemplatePtr> chosen;
};

int litPixels(const QImage& image)
{
    int lit = 0;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            const QRgb pixel = image.pixel(x, y);
            if (qRed(pixel) + qGreen(pixel) + qBlue(pixel) > 30)
                ++lit;
        }
    }
    return lit;
}

class CarouselDrawing : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QMPixelFormat format = QMAbstractOpenGLView::defaultPixelFormat();
        ASSERT_TRUE(format.canDrawWithShaders()) << "this display offers no OpenGL with shaders (is Mesa installed?)";
        m_view = std::make_unique<QMFlowView>(format);
        m_view->setNameKeyPath(QStringLiteral("name"));
        m_view->setImageKeyPath(QStringLiteral("templatePreview"));
        m_view->setShouldDrawSelectedFrame(true);
        m_view->setDelegate(&m_chosen);
        m_view->resize(600, 240);
        m_view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void load(int count)
    {
        QList<TemplatePtr> designs;
        const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan, Qt::magenta};
        for (int i = 0; i < count; ++i)
            designs.append(designs::test::memoryDesign(QStringLiteral("Design %1").arg(i), {}, colours[i % 6]));
        m_view->setArrayControllerContent(designs);
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_view->loadedTextureCount() == count; }, 10000));
    }

    void finishTurn()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !m_view->animation()->isAnimating(); }, 5000));
    }

    Chosen m_chosen;
    std::unique_ptr<QMFlowView> m_view;
};

TEST_F(CarouselDrawing, EmptyCarouselIsBlackAndALoadedOneShowsItsCovers)
{
    const QImage empty = m_view->grabFramebuffer();
    ASSERT_FALSE(empty.isNull());
    EXPECT_EQ(litPixels(empty), 0);

    load(6);
    const QImage loaded = m_view->grabFramebuffer();
    EXPECT_GT(litPixels(loaded), 1000);
    // The front cover (the first design, red) in the middle, a little above the centre.
    const QColor front = loaded.pixelColor(300, 110);
    EXPECT_GT(front.red(), 100);
    EXPECT_LT(front.green(), 80);
}

TEST_F(CarouselDrawing, CoversAndTheirReflectionsEndAboveTheScrollerAtTheChoosersHeight)
{
    // The height the document gives the carousel under its keyword bar and above its layouts.
    m_view->resize(720, 196);
    load(6);
    const QImage loaded = m_view->grabFramebuffer();
    const QRect scroller = m_view->scroller()->geometry();
    EXPECT_LE(m_view->sceneRect().bottom(), scroller.top());
    EXPECT_EQ(litPixels(loaded.copy(0, scroller.top(), loaded.width(), loaded.height() - scroller.top())), 0)
        << "nothing of the scene lies behind the scroller or below it";
    EXPECT_GT(litPixels(loaded.copy(m_view->sceneRect())), 1000);
}

TEST_F(CarouselDrawing, DoubleClickOnASideCoverTurnsToItAndOnTheFrontCoverChoosesIt)
{
    load(6);
    const QPoint front(300, 110), right(415, 110);
    QTest::mouseDClick(m_view.get(), Qt::LeftButton, Qt::NoModifier, right);
    finishTurn();
    EXPECT_EQ(m_view->arrayController()->selectionIndex(), 1);
    EXPECT_EQ(m_view->arrayController()->enabledIndex(), QMFlowViewArrayController::NotFound)
        << "a side cover is only turned to";

    QTest::mouseDClick(m_view.get(), Qt::LeftButton, Qt::NoModifier, front);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_chosen.chosen.isEmpty(); }, 2000));
    EXPECT_EQ(m_chosen.chosen, QList<TemplatePtr>{m_view->arrayController()->objectAtIndex(1)});
    EXPECT_EQ(m_view->arrayController()->enabledIndex(), 1);
}

TEST_F(CarouselDrawing, MovedIntoAnotherWindowItDrawsItsCoversAgainAndGoesCleanly)
{
    load(6);
    // Unless contexts are shared (as they are beside a web view), another window gives the view a
    // new context, and the old one's textures go with it.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, false);
    const auto restore = qScopeGuard([] { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); });
    int replaced = 0;
    QObject::connect(m_view->context(), &QOpenGLContext::aboutToBeDestroyed, [&] { ++replaced; });
    QWidget host;
    host.resize(600, 240);
    m_view->setParent(&host);
    m_view->move(0, 0);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    ASSERT_EQ(replaced, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_view->loadedTextureCount() == 6; }, 10000));
    const QImage moved = m_view->grabFramebuffer();
    EXPECT_GT(litPixels(moved), 1000);
    const QColor front = moved.pixelColor(300, 110);
    EXPECT_GT(front.red(), 100);
    EXPECT_LT(front.green(), 80);
    // Its last context ends after the view's own parts: nothing of the view may run then.
    m_view.reset();
}

} // namespace
