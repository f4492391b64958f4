// The animated progress view's layer model, read without drawing: where cards go by status,
// the depth ladder of a column, the drop of stopped and failed cards, progress and caption, the
// progress bar's slide, and the card's geometry.
#include "ProgressAnimationView/QMProgressAnimationView.h"
#include "ProgressAnimationView/QMProgressBarLayer.h"
#include "ProgressAnimationView/QMProgressItemLayer.h"
#include "ProgressAnimationView/QMProgressItemListModel.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

class Item : public QMProgressAnimationItemProtocol
{
public:
    explicit Item(QString uuid, uint status = 0) : m_uuid(std::move(uuid)), m_status(status) {}
    QImage image() const override { return m_image; }
    uint status() const override { return m_status; }
    QString uuid() const override { return m_uuid; }
    void setStatus(uint status)
    {
        m_status = status;
        Q_EMIT statusChanged();
    }

private:
    QString m_uuid;
    uint m_status;
    QImage m_image;
};

class ProgressAnimationViewTest : public ::testing::Test
{
protected:
    ProgressAnimationViewTest() { m_view.bindItems(&m_items); }

    std::shared_ptr<Item> add(uint status)
    {
        auto item = std::make_shared<Item>(QStringLiteral("item-%1").arg(m_items.rowCount()), status);
        m_items.appendItem(item);
        return item;
    }
    QMProgressItemLayer& card(const std::shared_ptr<Item>& item) { return *m_view.layerForUuid(item->uuid()); }

    QMProgressItemListModel m_items;
    QMProgressAnimationView m_view{QSize(625, 200)};
};

TEST_F(ProgressAnimationViewTest, CardsStandInTheColumnOfTheirStatus)
{
    // 625 × 200: the stage line at y = 120, the columns at 0.2, 0.5 and 0.8 of the width.
    const struct
    {
        uint status;
        QPointF position;
    } rows[] = {{0, {-100, 120}}, {1, {125, 120}}, {2, {312.5, 120}}, {3, {500, 120}}, {4, {725, 120}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.status);
        const auto item = add(row.status);
        EXPECT_EQ(card(item).position(), row.position);
        EXPECT_EQ(card(item).zPosition(), 0);
        EXPECT_EQ(card(item).opacity(), 1);
        EXPECT_FALSE(card(item).isHidden());
    }
}

TEST_F(ProgressAnimationViewTest, AFailingCardDropsBelowItsColumnOnce)
{
    const auto item = add(1);
    item->setStatus(6);
    EXPECT_EQ(card(item).position(), QPointF(125, -60));
    // Further arrangements leave a dropped card where it is.
    add(0);
    m_view.rearrangeItems();
    EXPECT_EQ(card(item).position(), QPointF(125, -60));
}

TEST_F(ProgressAnimationViewTest, StoppedCardsDropAgainWhenTheyFailAndReturnWhenResumed)
{
    const auto stopped = add(1);
    stopped->setStatus(5);
    EXPECT_EQ(card(stopped).position(), QPointF(125, -60));
    stopped->setStatus(2);
    EXPECT_EQ(card(stopped).position(), QPointF(312.5, 120));
    stopped->setStatus(5);
    stopped->setStatus(6);
    EXPECT_EQ(card(stopped).position(), QPointF(312.5, -240));
}

TEST_F(ProgressAnimationViewTest, ACardThatArrivesFailedKeepsThePlaceItWasMadeIn)
{
    const auto item = add(6);
    EXPECT_EQ(card(item).position(), QPointF(57, 65));
}

TEST_F(ProgressAnimationViewTest, ColumnsQueueCardsIntoDepthAndHideThoseBeyondTheSeventh)
{
    QList<std::shared_ptr<Item>> verifying;
    for (int i = 0; i < 9; ++i)
        verifying << add(1);
    for (int place = 0; place < 7; ++place) {
        SCOPED_TRACE(place);
        EXPECT_FLOAT_EQ(card(verifying[place]).zPosition(), -150.0f * float(place));
        EXPECT_FLOAT_EQ(card(verifying[place]).obscurity(), 0.1f * float(place));
        EXPECT_EQ(card(verifying[place]).opacity(), 1);
    }
    for (int place = 7; place < 9; ++place) {
        SCOPED_TRACE(place);
        EXPECT_FLOAT_EQ(card(verifying[place]).zPosition(), -900.1f);
        EXPECT_EQ(card(verifying[place]).opacity(), 0);
        EXPECT_EQ(card(verifying[place]).position(), QPointF(125, 120));
    }
    const int visible = int(std::count_if(verifying.begin(), verifying.end(),
                                          [this](const auto& item) { return card(item).opacity() > 0; }));
    EXPECT_EQ(visible, 7);
}

TEST_F(ProgressAnimationViewTest, ProgressCountsStepsAndTheCaptionCountsListingsLeft)
{
    EXPECT_EQ(m_view.globalProgress(), 0);
    EXPECT_EQ(m_view.textLayer().text, "Processing Auctions (0 of 0 left)");
    for (uint status : {0u, 2u, 3u, 4u, 6u})
        add(status);
    // Steps 0 + 1 + 2 + 3 + 3 of 15.
    EXPECT_FLOAT_EQ(m_view.globalProgress(), 0.6f);
    EXPECT_EQ(m_view.textLayer().text, "Processing Auctions (3 of 5 left)");
    // The bar follows a moment later.
    EXPECT_TRUE(QTest::qWaitFor([this] { return m_view.progressBarLayer()->progress() == 0.6f; }));
}

TEST_F(ProgressAnimationViewTest, AStatusBeyondTheClustersLeavesTheCardWhereItIs)
{
    const auto item = add(2);
    item->setStatus(9);
    EXPECT_EQ(card(item).position(), QPointF(312.5, 120));
    EXPECT_EQ(m_view.textLayer().text, "Processing Auctions (1 of 1 left)");
}

TEST_F(ProgressAnimationViewTest, RemovedItemsTakeTheirCardsAlong)
{
    add(1);
    add(2);
    EXPECT_EQ(m_view.itemSublayers().size(), 2);
    m_items.removeAllItems();
    EXPECT_TRUE(m_view.itemSublayers().isEmpty());
    m_view.unbindItems();
    EXPECT_TRUE(m_view.items().isEmpty());
}

TEST_F(ProgressAnimationViewTest, CardsAreDrawnBackToFrontAndShrinkWithDepth)
{
    QList<std::shared_ptr<Item>> verifying;
    for (int i = 0; i < 3; ++i)
        verifying << add(1);
    for (const auto& item : verifying)
        card(item).finishAnimations();
    const auto order = m_view.layersInDrawingOrder();
    ASSERT_EQ(order.size(), 3);
    EXPECT_EQ(order.first(), &card(verifying[2]));
    EXPECT_EQ(order.last(), &card(verifying[0]));

    const QPolygonF front = m_view.projectedQuadForLayer(card(verifying[0]));
    const QPolygonF back = m_view.projectedQuadForLayer(card(verifying[2]));
    EXPECT_LT(back.boundingRect().width(), front.boundingRect().width());
    // The stage leans back: cards further away stand higher on the screen (smaller y).
    EXPECT_LT(back.boundingRect().center().y(), front.boundingRect().center().y());
}

TEST(ProgressStage, TransformHasThePerspectiveAndTheTilt)
{
    QMProgressAnimationView view(QSize(625, 200));
    const QMTransform3D& stage = view.sublayerTransform();
    // The perspective entry -0.0005 of the stage, seen through the tilt of 0.1 about the x axis.
    EXPECT_NEAR(stage.m34, -0.0005 * std::cos(0.1), 1e-12);
    EXPECT_NEAR(stage.m24, -0.0005 * std::sin(0.1), 1e-12);
    EXPECT_NEAR(stage.m22, std::cos(0.1), 1e-6);
    EXPECT_NEAR(stage.m23, std::sin(0.1), 1e-6);
    // A point on the axis at depth 0 stays where it is.
    EXPECT_EQ(stage.project(0, 0, 0), QPointF(0, 0));
}

TEST(ProgressBarLayer, ContentSlidesUnderTheFrameAndProgressIsClamped)
{
    // Images for a double-density screen have twice the pixels and the same size in points: the
    // bar is laid out in points all the same.
    for (const qreal ratio : {1.0, 2.0}) {
        SCOPED_TRACE(ratio);
        QImage frame(QSize(600, 34) * ratio, QImage::Format_ARGB32);
        frame.setDevicePixelRatio(ratio);
        QImage content(QSize(1164, 34) * ratio, QImage::Format_ARGB32);
        content.setDevicePixelRatio(ratio);
        QMProgressBarLayer bar(625, frame, content);
        EXPECT_EQ(bar.originOfProgressContent(), 12.5);
        EXPECT_EQ(bar.frameSize(), QSizeF(600, 34));
        const struct
        {
            float progress;
            float stored;
            qreal centre;
        } rows[] = {
            {0.0f, 0.0f, 51.5}, {0.5f, 0.5f, 332.5}, {1.0f, 1.0f, 613.5}, {1.7f, 1.0f, 613.5}, {-0.2f, 0.0f, 51.5}};
        for (const auto& row : rows) {
            SCOPED_TRACE(row.progress);
            bar.setProgress(row.progress);
            EXPECT_EQ(bar.progress(), row.stored);
            EXPECT_EQ(bar.contentPositionX(), row.centre);
        }
    }
}

TEST(ProgressItemLayer, PhotoSquareAndCentredCrop)
{
    EXPECT_EQ(QMProgressItemLayer::maxPhotoRectForFrameSize(QSizeF(114, 130)), QRectF(6, 21, 102, 102));
    EXPECT_EQ(QMProgressItemLayer::sourceSquareForPictureSize(QSizeF(400, 300)), QRectF(50, 0, 300, 300));
    EXPECT_EQ(QMProgressItemLayer::sourceSquareForPictureSize(QSizeF(300, 400)), QRectF(0, 50, 300, 300));
}

TEST(ProgressItemLayer, ModelValuesAreSetAtOnceAndThePresentationGlides)
{
    QMProgressItemLayer layer;
    layer.setPosition({10, 10});
    EXPECT_EQ(layer.presentationPosition(), QPointF(10, 10)); // not yet presented: it jumps
    layer.setPresented(true);
    layer.setPosition({200, 10});
    EXPECT_EQ(layer.position(), QPointF(200, 10));
    EXPECT_TRUE(layer.isAnimating());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !layer.isAnimating(); }));
    EXPECT_EQ(layer.presentationPosition(), QPointF(200, 10));
}

} // namespace
