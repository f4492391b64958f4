#include "DWKit/widgets/QMImageAndTextCell.h"
#include "DWKit/widgets/QMTreeItemCell.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/widgets/CellDelegate.h"

#include <QApplication>
#include <QListView>
#include <QPainter>
#include <QStandardItemModel>
#include <gtest/gtest.h>

namespace {

const QColor kFee = QColor::fromRgbF(0.36f, 75 / 255.0f, 145 / 255.0f);
const QColor kBadge = QColor::fromRgbF(137 / 255.0f, 153 / 255.0f, 188 / 255.0f);

QImage draw(dw::TextFieldCell& cell, QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    cell.drawWithFrame(painter, QRectF(QPointF(0, 0), size), nullptr);
    return image;
}

// The number of pixels in a row that have (about) the colour.
int runOf(const QImage& image, int y, const QColor& colour)
{
    int count = 0;
    for (int x = 0; x < image.width(); ++x) {
        const QColor pixel = image.pixelColor(x, y);
        if (pixel.alpha() > 250 && std::abs(pixel.red() - colour.red()) < 3 &&
            std::abs(pixel.blue() - colour.blue()) < 3)
            ++count;
    }
    return count;
}

// From the first to the last pixel of (about) the colour in a row.
int extentOf(const QImage& image, int y, const QColor& colour)
{
    int first = -1, last = -1;
    for (int x = 0; x < image.width(); ++x) {
        const QColor pixel = image.pixelColor(x, y);
        if (pixel.alpha() > 250 && std::abs(pixel.red() - colour.red()) < 3 &&
            std::abs(pixel.blue() - colour.blue()) < 3) {
            if (first < 0)
                first = x;
            last = x;
        }
    }
    return first < 0 ? 0 : last - first + 1;
}

QImage square(int size, QColor colour)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

} // namespace

TEST(QMTreeItemCell, BadgeIsAtLeastTwentyPointsWide)
{
    struct Row
    {
        qint64 count;
        bool wide;
    };
    for (const Row& row : {Row{7, false}, Row{123456789, true}}) {
        SCOPED_TRACE(row.count);
        QMTreeItemCell cell;
        cell.setDisplayItemCount(true);
        cell.setItemCount(row.count);
        const QImage image = draw(cell, QSize(200, 20));
        const int middle = 7; // of the badge's height
        const int width = extentOf(image, middle, kBadge);
        if (row.wide) {
            EXPECT_GT(width, 40);
            EXPECT_NEAR(width, QMTreeItemCell::badgeWidthForCount(row.count), 3);
        } else {
            EXPECT_NEAR(width, 20, 2); // the anti-aliased ends count less
        }
        EXPECT_GT(image.pixelColor(199 - width / 2, middle).alpha(), 250) << "the badge sits at the right end";

        cell.setHighlighted(true);
        EXPECT_NEAR(extentOf(draw(cell, QSize(200, 20)), middle, Qt::white), width, 1)
            << "a selected row's badge is white";
    }
}

TEST(QMTreeItemCell, SelectedRowShowsOnlyTheCapsuleOutline)
{
    QMTreeItemCell cell;
    cell.setBackgroundColor(kFee);
    const QImage plain = draw(cell, QSize(160, 18));
    EXPECT_GT(plain.pixelColor(80, 9).alpha(), 250) << "filled capsule";
    EXPECT_EQ(plain.pixelColor(1, 9).alpha(), 0) << "3 points left free";

    cell.setHighlighted(true);
    const QImage selected = draw(cell, QSize(160, 18));
    EXPECT_EQ(selected.pixelColor(80, 9).alpha(), 0) << "no fill";
    EXPECT_GT(selected.pixelColor(80, 0).alpha(), 100) << "a 2-point outline";
}

TEST(QMTreeItemCell, BackgroundsAreCachedBySizeAndColour)
{
    QMTreeItemCell cell;
    std::unique_ptr<dw::TextFieldCell> copy = cell.clone();
    auto& row = static_cast<QMTreeItemCell&>(*copy);

    const QImage first = cell.backgroundImageOfSize(QSizeF(120, 18), kFee, false);
    EXPECT_EQ(row.backgroundImageOfSize(QSizeF(120, 18), kFee, false).cacheKey(), first.cacheKey())
        << "copies share the images";
    const QImage taller = row.backgroundImageOfSize(QSizeF(120, 30), kFee, false);
    EXPECT_EQ(taller.height(), 30) << "a row of another height gets its own image";
    EXPECT_NE(cell.backgroundImageOfSize(QSizeF(120, 18), kFee, true).cacheKey(), first.cacheKey());

    cell.backgroundImageOfSize(QSizeF(140, 18), kFee, false);
    EXPECT_NE(cell.backgroundImageOfSize(QSizeF(120, 18), kFee, false).cacheKey(), first.cacheKey())
        << "a change of width discarded the images";

    dw::ScopedConsoleCapture console;
    EXPECT_FALSE(cell.backgroundImageOfSize(QSizeF(0.5, 18), kFee, false).isNull());
    EXPECT_TRUE(console.contains(QStringLiteral("warning -- image size too small")));
}

TEST(QMTreeItemCell, PictureColumnAndEditingFrames)
{
    QMTreeItemCell cell;
    cell.setStringValue(QStringLiteral("Fees"));
    dw::TextFieldCell plainText;
    plainText.setStringValue(QStringLiteral("Fees"));
    EXPECT_DOUBLE_EQ(cell.cellSize().width(), plainText.cellSize().width() + 3);
    EXPECT_EQ(cell.imageFrameForCellFrame(QRectF(0, 0, 100, 20)), QRectF());
    EXPECT_EQ(cell.editingFrame(QRectF(10, 0, 100, 20)), QRectF(13, 0, 97, 20));

    cell.setImage(square(16, Qt::red));
    EXPECT_EQ(cell.imageFrameForCellFrame(QRectF(10, 0, 100, 21)), QRectF(13, 3, 16, 16));
    EXPECT_EQ(cell.editingFrame(QRectF(10, 0, 100, 20)), QRectF(29, 0, 81, 20));

    cell.setBackgroundColor(kFee);
    EXPECT_EQ(cell.editingFrame(QRectF(10, 0, 100, 20)), QRectF(35, 0, 73, 20)) << "inside the capsule";
    EXPECT_EQ(cell.backgroundColor(), QColor(Qt::white));
}

TEST(QMImageAndTextCell, PictureCentredOrAtTheTop)
{
    QMImageAndTextCell cell;
    cell.setImage(square(8, Qt::red));
    EXPECT_EQ(cell.imageFrameForCellFrame(QRectF(0, 0, 50, 20)), QRectF(3, 6, 8, 8));

    const QImage centred = draw(cell, QSize(50, 20));
    EXPECT_EQ(centred.pixelColor(5, 6), QColor(Qt::red));
    EXPECT_EQ(centred.pixelColor(5, 5).alpha(), 0);

    cell.setValignTop(true);
    const QImage top = draw(cell, QSize(50, 20));
    EXPECT_EQ(top.pixelColor(5, 0), QColor(Qt::red));
    EXPECT_EQ(top.pixelColor(5, 8).alpha(), 0);

    cell.setStringValue(QStringLiteral("x"));
    EXPECT_GT(cell.cellSize().width(), 11);
}

TEST(CellDelegate, RowsAreDrawnByConfiguredCopies)
{
    QStandardItemModel model;
    model.appendRow(new QStandardItem(QStringLiteral("Gallery Plus")));
    model.appendRow(new QStandardItem(QStringLiteral("Subtitle")));
    QListView view;
    view.setModel(&model);
    auto prototype = std::make_unique<QMTreeItemCell>();
    prototype->setDisplayFlatBackgroundColor(true);
    auto* delegate = new dw::CellDelegate(std::move(prototype), &view);
    delegate->setWillDisplayCell([](dw::TextFieldCell& cell, const QModelIndex& index) {
        if (index.row() == 0)
            cell.setBackgroundColor(kFee);
    });
    view.setItemDelegate(delegate);
    view.resize(200, 100);
    view.show();
    QApplication::processEvents();

    const QImage picture = view.viewport()->grab().toImage();
    const QRect first = view.visualRect(model.index(0, 0));
    const QRect second = view.visualRect(model.index(1, 0));
    EXPECT_GT(runOf(picture, first.center().y(), kFee), 100) << "the hook's colour fills the first row's capsule";
    EXPECT_EQ(runOf(picture, second.center().y(), kFee), 0);
    EXPECT_EQ(static_cast<QMTreeItemCell&>(delegate->prototype()).backgroundColor(), QColor())
        << "the prototype stays as it was";
}
