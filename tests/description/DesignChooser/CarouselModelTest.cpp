// The carousel without drawing: texture preparation, the choice of the OpenGL format, the scene's
// geometry and picking, and how the view turns.
#include "DesignFixtures.h"

#include "description/DesignChooser/QMAbstractOpenGLView.h"
#include "description/DesignChooser/QMBlackScroller.h"
#include "description/DesignChooser/QMFlowGeometry.h"
#include "description/DesignChooser/QMFlowView.h"
#include "description/DesignChooser/QMFlowViewArrayController.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

using designs::test::memoryDesign;

namespace {

TEST(CarouselTextures, PicturesAreScaledIntoTheTextureAndCentredAcross)
{
    struct Row
    {
        const char* name;
        QSize picture;
        QSizeF resized;
        double shift;
    } rows[] = {
        {"wide", {300, 150}, {256, 128}, 0},
        {"tall", {150, 300}, {128, 256}, 64},
        {"square and small", {64, 64}, {256, 256}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const double scale = QMAbstractOpenGLView::textureScale(row.picture, QSizeF(256, 256));
        EXPECT_NEAR(row.picture.width() * scale, row.resized.width(), 1e-9);
        EXPECT_NEAR(row.picture.height() * scale, row.resized.height(), 1e-9);
        EXPECT_NEAR(QMAbstractOpenGLView::textureShift(row.picture, QSizeF(256, 256)), row.shift, 1e-9);
    }
    EXPECT_NEAR(QMAbstractOpenGLView::textureScale(QSizeF(300, 150), QSizeF(256, 256)), 0.8533, 1e-4);
}

TEST(CarouselTextures, PreparedBitmapHoldsThePictureOnItsBottomEdge)
{
    QImage tall(150, 300, QImage::Format_RGB32);
    tall.fill(Qt::red);
    const QImage bitmap = QMAbstractOpenGLView::preparedImageRepForImage(tall, {256, 256});
    ASSERT_EQ(bitmap.size(), QSize(256, 256));
    EXPECT_EQ(bitmap.format(), QImage::Format_RGBA8888);
    EXPECT_EQ(qAlpha(bitmap.pixel(10, 128)), 0) << "left of the centred picture";
    EXPECT_EQ(bitmap.pixelColor(128, 128), QColor(Qt::red));
    EXPECT_EQ(qAlpha(bitmap.pixel(250, 128)), 0) << "right of it";

    QImage wide(300, 150, QImage::Format_RGB32);
    wide.fill(Qt::blue);
    const QImage standing = QMAbstractOpenGLView::preparedImageRepForImage(wide, {256, 256});
    EXPECT_EQ(qAlpha(standing.pixel(128, 60)), 0) << "above the picture";
    EXPECT_EQ(standing.pixelColor(128, 200), QColor(Qt::blue)) << "on the bottom edge";

    EXPECT_TRUE(QMAbstractOpenGLView::preparedImageRepForImage(QImage(), {256, 256}).isNull());
}

TEST(CarouselTextures, TextureSidesArePowersOfTwoNotAboveTheBitmap)
{
    EXPECT_EQ(QMAbstractOpenGLView::textureSizeForBitmap({256, 256}), QSize(256, 256));
    EXPECT_EQ(QMAbstractOpenGLView::textureSizeForBitmap({200, 100}), QSize(128, 64));
    EXPECT_EQ(QMAbstractOpenGLView::textureSizeForBitmap({1, 0}), QSize(1, 1));
    EXPECT_EQ(QMAbstractOpenGLView::largestPowerOfTwoNotAbove(255), 128);
}

TEST(CarouselPixelFormat, FallsBackAndAsksForSoftwareWithoutShaders)
{
    const QSet<QByteArray> shaders{"GL_ARB_shader_objects", "GL_ARB_shading_language_100", "GL_ARB_vertex_shader",
                                   "GL_ARB_fragment_shader"};
    // The preferred format works and names the shader extensions.
    QMPixelFormat choice = QMAbstractOpenGLView::choosePixelFormat([&](const QSurfaceFormat&) { return shaders; });
    EXPECT_EQ(choice.format.samples(), 2);
    EXPECT_TRUE(choice.canDrawWithShaders());

    // Without multisampling the fallback format is taken.
    choice = QMAbstractOpenGLView::choosePixelFormat(
        [&](const QSurfaceFormat& format) { return format.samples() > 0 ? std::nullopt : std::optional(shaders); });
    EXPECT_LE(choice.format.samples(), 0);
    EXPECT_EQ(choice.format.redBufferSize(), 8);
    EXPECT_TRUE(choice.canDrawWithShaders());

    // A renderer that lacks one of the four extensions wants the software renderer.
    QSet<QByteArray> noFragmentShader = shaders;
    noFragmentShader.remove("GL_ARB_fragment_shader");
    choice = QMAbstractOpenGLView::choosePixelFormat([&](const QSurfaceFormat&) { return noFragmentShader; });
    EXPECT_TRUE(choice.softwareRendering);
    EXPECT_FALSE(choice.canDrawWithShaders());

    // No context at all.
    choice = QMAbstractOpenGLView::choosePixelFormat([](const QSurfaceFormat&) { return std::nullopt; });
    EXPECT_FALSE(choice.available);
}

TEST(CarouselGeometry, AtMostEightCoversOnEachSide)
{
    auto range = qm::flow::visibleRange(3, 0, 30);
    EXPECT_EQ(range.first, 0);
    EXPECT_EQ(range.last, 11);
    range = qm::flow::visibleRange(20, 0, 30);
    EXPECT_EQ(range.first, 12);
    EXPECT_EQ(range.last, 28);
    range = qm::flow::visibleRange(0, 2.25, 30);
    EXPECT_EQ(range.centre, 2);
    EXPECT_FLOAT_EQ(range.progress, 0.25f);
    EXPECT_TRUE(qm::flow::visibleRange(0, 0, 0).isEmpty()) << "no objects";
}

TEST(CarouselGeometry, CoversStandAsideTurnedAndTheOneEnteringTheFrontComesForward)
{
    struct Row
    {
        const char* name;
        qsizetype index;
        float progress;
        QVector3D position;
        float angle;
    } rows[] = {
        {"front", 5, 0, {0, 0, -0.8f}, 0},
        {"first on the left", 4, 0, {0.9f, 0, 0}, 60},
        {"second on the right", 7, 0, {-1.1f, 0, 0}, -60},
        {"front leaving", 5, 0.5f, {0.45f, 0, -0.4f}, 30},
        {"next entering", 6, 1.0f, {0.0f, 0, -0.8f}, 0},
        {"others slide", 3, 0.5f, {1.2f, 0, 0}, 60},
        {"turning back", 4, -0.5f, {0.45f, 0, -0.4f}, 30},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QVector3D position = qm::flow::coverTranslation(row.index, 5, row.progress);
        EXPECT_NEAR(position.x(), row.position.x(), 1e-5);
        EXPECT_NEAR(position.z(), row.position.z(), 1e-5);
        EXPECT_NEAR(qm::flow::coverRotationAngle(row.index, 5, row.progress), row.angle, 1e-5);
    }
    EXPECT_FLOAT_EQ(qm::flow::coverBrightness(5, 5, 0), 1.125f);
    EXPECT_FLOAT_EQ(qm::flow::coverBrightness(12, 5, 0), 0.125f);
}

TEST(CarouselGeometry, PickingHitsTheCoverUnderThePointAndMissesTheMargin)
{
    const QSizeF bounds(600, 240);
    const auto range = qm::flow::visibleRange(4, 0, 10);
    // The front cover stands in the middle, a little above the centre (the camera looks down).
    EXPECT_EQ(qm::flow::calculateSelectedIndexForMousePointInBounds({300, 100}, bounds, range), 4);
    EXPECT_EQ(qm::flow::calculateSelectedIndexForMousePointInBounds({3, 3}, bounds, range), qm::flow::NotFound);
    EXPECT_EQ(qm::flow::calculateSelectedIndexForMousePointInBounds({300, 235}, bounds, range), qm::flow::NotFound)
        << "below the covers, on the reflection";
    // Positive x is on the viewer's left: earlier covers stand left of the front one.
    const qsizetype left = qm::flow::calculateSelectedIndexForMousePointInBounds({185, 100}, bounds, range);
    const qsizetype right = qm::flow::calculateSelectedIndexForMousePointInBounds({415, 100}, bounds, range);
    EXPECT_EQ(left, 3);
    EXPECT_EQ(right, 5);
    EXPECT_EQ(qm::flow::calculateSelectedIndexForMousePointInBounds({300, 100}, bounds, {}), qm::flow::NotFound);
}

class CarouselView : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QMPixelFormat format;
        m_view = std::make_unique<QMFlowView>(format);
        m_view->resize(600, 240);
        m_view->setNameKeyPath(QStringLiteral("name"));
        m_view->setImageKeyPath(QStringLiteral("templatePreview"));
        QList<std::shared_ptr<QMDesignTemplate>> designs;
        for (const char* name :
             {"Jade", "amber", "Coral", "Ivory", "Denim", "Flint", "Garnet", "Basalt", "Hazel", "Ebony"})
            designs.append(memoryDesign(QString::fromLatin1(name)));
        m_view->setArrayControllerContent(designs);
    }

    QString frontName() const { return m_view->arrayController()->selectedObject()->name(); }

    std::unique_ptr<QMFlowView> m_view;
};

TEST_F(CarouselView, ObjectsAreShownByNameIgnoringCase)
{
    const auto& arranged = m_view->arrayController()->arrangedObjects();
    ASSERT_EQ(arranged.size(), 10);
    EXPECT_EQ(arranged.at(0)->name(), QStringLiteral("amber"));
    EXPECT_EQ(arranged.at(1)->name(), QStringLiteral("Basalt"));
    EXPECT_EQ(m_view->textField()->text(), QStringLiteral("amber"));
}

TEST_F(CarouselView, TurnRunsThroughEveryPositionWithTheEasing)
{
    m_view->selectObjectAtIndex(3, false, false);
    m_view->selectObjectAtIndex(7, true, false);
    EXPECT_EQ(m_view->textField()->text(), m_view->arrayController()->objectAtIndex(7)->name()) << "named at once";
    QList<qsizetype> centres;
    for (int step = 0; step <= 100; ++step) {
        m_view->animation()->setCurrentProgress(step / 100.0);
        const auto range = m_view->visibleRange();
        EXPECT_GE(range.progress, 0.0f);
        EXPECT_LT(range.progress, 1.0f);
        if (centres.isEmpty() || centres.last() != range.centre)
            centres.append(range.centre);
    }
    EXPECT_EQ(centres, (QList<qsizetype>{3, 4, 5, 6, 7}));
    // The ease-out: a tenth of the time covers almost half the way.
    m_view->animation()->setCurrentProgress(0.1);
    EXPECT_NEAR(m_view->animation()->currentValue(), (1 - std::pow(0.9, 6)) * 4, 1e-9);
    m_view->animation()->stopAnimation();
    m_view->animationDidEnd(m_view->animation());
    EXPECT_EQ(m_view->arrayController()->selectionIndex(), 7);
    EXPECT_EQ(m_view->visibleRange().centre, 7);
}

TEST_F(CarouselView, IndexesOutsideTheObjectsAreIgnored)
{
    m_view->selectObjectAtIndex(2, false, false);
    m_view->selectObjectAtIndex(10, false, false);
    m_view->selectObjectAtIndex(-1, true, false);
    EXPECT_EQ(m_view->arrayController()->selectionIndex(), 2);

    m_view->setArrayControllerContent({});
    EXPECT_TRUE(m_view->visibleRange().isEmpty());
    m_view->selectObjectAtIndex(0, true, false);
    EXPECT_FALSE(m_view->animation()->isAnimating());
    EXPECT_EQ(m_view->textField()->text(), QString());
}

TEST_F(CarouselView, TypingTurnsToTheFirstNameAtOrAfterTheText)
{
    struct Row
    {
        const char* typed;
        const char* front;
    } rows[] = {{"co", "Coral"}, {"D", "Denim"}, {"ca", "Coral"}, {"zz", "Jade"}, {"EB", "Ebony"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromLatin1(row.typed));
        QCoreApplication::sendEvent(m_view.get(), &press);
        m_view->selectObjectWithSavedKeystrokes();
        m_view->animation()->stopAnimation();
        m_view->animationDidEnd(m_view->animation());
        EXPECT_EQ(frontName(), QString::fromLatin1(row.front));
        EXPECT_TRUE(m_view->savedKeystrokes().isEmpty());
    }
}

TEST_F(CarouselView, ScrollerFollowsTheFrontAndTurnsTheRow)
{
    QMBlackScroller* scroller = m_view->scroller();
    EXPECT_NEAR(scroller->knobProportion(), 0.1, 1e-9);
    EXPECT_NEAR(scroller->lineScroll(), 1.0 / 9, 1e-6);
    m_view->selectObjectAtIndex(3, false, false);
    EXPECT_NEAR(scroller->floatValue(), 3.0 / 9, 1e-9);
    scroller->setFloatValue(0.7);                     // as a drag would
    EXPECT_EQ(m_view->animation()->toSelection(), 6); // floor(9 × 0.7 + 0.5)

    m_view->setArrayControllerContent({memoryDesign(QStringLiteral("Only"))});
    EXPECT_EQ(scroller->knobProportion(), 1.0);
    EXPECT_EQ(scroller->lineScroll(), 0.0f);
    EXPECT_EQ(scroller->floatValue(), 0.0);
}

TEST_F(CarouselView, ReplacingTheContentWhileLoadingDropsTheOldTextures)
{
    for (int round = 0; round < 20; ++round) {
        QList<std::shared_ptr<QMDesignTemplate>> designs;
        for (int i = 0; i < 8; ++i)
            designs.append(memoryDesign(QStringLiteral("Design %1 %2").arg(round).arg(i), {}, Qt::green, {640, 480}));
        m_view->setArrayControllerContent(designs);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_view->isLoadingTextures(); }, 10000));
    QCoreApplication::processEvents();
    // Only the last content's eight bitmaps arrived; earlier ones were dropped.
    EXPECT_EQ(m_view->loadedTextureCount(), 8);
}

} // namespace
