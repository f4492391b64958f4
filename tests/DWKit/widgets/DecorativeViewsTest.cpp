#include "DWKit/widgets/QMAppIconView.h"
#include "DWKit/widgets/QMBackgroundColorView.h"
#include "DWKit/widgets/QMEmbossedTextCell.h"
#include "DWKit/widgets/QMRoundedBackgroundView.h"
#include "DWKit/widgets/QMShadowedSeparator.h"
#include "DWKit/widgets/QMStepsView.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

QImage transparentGrab(QWidget& view)
{
    view.setAttribute(Qt::WA_TranslucentBackground);
    view.setAutoFillBackground(false);
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

bool isBlue(const QColor& c)
{
    return c.alpha() > 200 && c.blue() > c.red() + 60;
}

bool isGrey(const QColor& c)
{
    return c.alpha() > 200 && std::abs(c.blue() - c.red()) < 10;
}

} // namespace

TEST(QMStepsView, MarksTheCurrentStepAndFollowsTheSelection)
{
    QStackedWidget pages;
    for (const char* name : {"welcome", "site", "finish"}) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(name));
        pages.addWidget(page);
    }
    QMStepsView steps;
    steps.resize(200, 100);
    steps.setTabView(&pages);

    const int dotX = 6;
    const auto rowMiddle = [](int row) { return QMStepsView::kRowHeight * row + 14; };
    QImage image = transparentGrab(steps);
    EXPECT_TRUE(isBlue(image.pixelColor(dotX, rowMiddle(0))));
    EXPECT_TRUE(isGrey(image.pixelColor(dotX, rowMiddle(1))));
    EXPECT_TRUE(isGrey(image.pixelColor(dotX, rowMiddle(2))));
    EXPECT_EQ(image.pixelColor(dotX, rowMiddle(3)).alpha(), 0) << "three rows only";

    pages.setCurrentIndex(2);
    image = transparentGrab(steps);
    EXPECT_TRUE(isGrey(image.pixelColor(dotX, rowMiddle(0))));
    EXPECT_TRUE(isBlue(image.pixelColor(dotX, rowMiddle(2))));
}

TEST(DecorativeViews, BackgroundLineWinsOverTheFrame)
{
    QMBackgroundColorView view;
    view.resize(50, 30);
    view.setDrawFrame(true);
    const QImage image = transparentGrab(view);
    EXPECT_EQ(qGray(image.pixel(25, 0)), 163) << "the top line, grey 0.64";
    EXPECT_EQ(qGray(image.pixel(25, 29)), 222) << "no frame at the bottom, only the background";
    view.setDrawLine(false);
    EXPECT_EQ(qGray(transparentGrab(view).pixel(25, 29)), 163) << "the frame once the line is off";
}

TEST(DecorativeViews, RoundedPanelStandsAboveTheBottom)
{
    QMRoundedBackgroundView view;
    view.resize(100, 60);
    const QImage image = transparentGrab(view);
    // y-up 19.5 to 59.5 is rows 0.5 to 40.5 from the top.
    EXPECT_GT(image.pixelColor(50, 20).alpha(), 150);
    EXPECT_GT(image.pixelColor(50, 1).alpha(), 0) << "the outline half a point below the top";
    EXPECT_EQ(image.pixelColor(50, 45).alpha(), 0);
    EXPECT_EQ(image.pixelColor(5, 20).alpha(), 0) << "10 points in from the side";
}

TEST(DecorativeViews, SeparatorHasANearlyWhiteLowerLine)
{
    QMShadowedSeparator separator;
    separator.resize(40, 2);
    const QImage image = transparentGrab(separator);
    EXPECT_EQ(qGray(image.pixel(20, 0)), 186);
    EXPECT_GT(qGray(image.pixel(20, 1)), 240);
}

TEST(DecorativeViews, EmbossedTextAndAppIcon)
{
    QImage canvas(120, 24, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QMEmbossedTextCell cell;
    cell.setDrawsBackground(true);
    cell.setBackgroundColor(Qt::red);
    {
        QPainter painter(&canvas);
        cell.drawWithFrame(painter, QRectF(0, 0, 120, 24), nullptr);
    }
    EXPECT_EQ(canvas.pixelColor(60, 12).alpha(), 0) << "an empty text draws neither text nor background";

    cell.setStringValue(QStringLiteral("Step one"));
    cell.setTextColor(Qt::black);
    cell.setDrawsBackground(false);
    {
        QPainter painter(&canvas);
        cell.drawWithFrame(painter, QRectF(0, 0, 120, 24), nullptr);
    }
    int white = 0, dark = 0;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const QColor c = canvas.pixelColor(x, y);
            white += c.alpha() > 200 && qGray(c.rgb()) > 240;
            dark += c.alpha() > 200 && qGray(c.rgb()) < 40;
        }
    }
    EXPECT_GT(white, 5) << "the white copy shows below the text";
    EXPECT_GT(dark, 5);

    QMAppIconView icon;
    ASSERT_FALSE(icon.icon().isNull()) << "the application icon is among the resources";
    icon.resize(200, 200);
    const QImage drawn = transparentGrab(icon);
    EXPECT_GT(drawn.pixelColor(64, 200 - 64).alpha(), 200) << "at the lower-left corner";
    EXPECT_EQ(drawn.pixelColor(64, 30).alpha(), 0);
}
