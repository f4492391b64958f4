#pragma once
// The outline cell of the document window's listing parts: a picture left of the text and,
// optionally, a capsule-shaped coloured background behind the text, an item-count badge at the
// right end and a strike-through line.
//
// Backgrounds are rendered into images once per colour, size and selection state and cached;
// copies of a cell (one per row) share the cache. A change of row width discards the cached
// images of every colour. Frames are in the view's coordinates, y down. Main thread.
//
//     auto cell = std::make_unique<QMTreeItemCell>();
//     cell->setDisplayFlatBackgroundColor(true);
//     auto* delegate = new dw::CellDelegate(std::move(cell), upgradesTable);

#include "platform/widgets/TextFieldCell.h"

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <memory>

class QMTreeItemCell : public dw::TextFieldCell
{
public:
    QMTreeItemCell();
    ~QMTreeItemCell() override;

    std::unique_ptr<dw::TextFieldCell> clone() const override;
    // Also takes the picture from Qt::DecorationRole when the model gives one.
    void takeValuesFromIndex(const QModelIndex& index) override;

    QImage image() const { return m_image; }
    void setImage(const QImage& image) { m_image = image; }
    bool displayItemCount() const { return m_displayItemCount; }
    void setDisplayItemCount(bool display) { m_displayItemCount = display; }
    qint64 itemCount() const { return m_itemCount; }
    void setItemCount(qint64 count) { m_itemCount = count; }
    bool displayFlatBackgroundColor() const { return m_displayFlatBackgroundColor; }
    void setDisplayFlatBackgroundColor(bool flat) { m_displayFlatBackgroundColor = flat; }
    bool strikeThrough() const { return m_strikeThrough; }
    void setStrikeThrough(bool strike) { m_strikeThrough = strike; }
    // backgroundColor() (invalid: none) is the capsule's colour.

    QSizeF cellSize() const override;
    QRectF imageFrameForCellFrame(const QRectF& frame) const;
    QRectF editingFrame(const QRectF& frame) override;
    void drawWithFrame(QPainter& painter, const QRectF& frame, const QWidget* controlView) override;

    QPainterPath backgroundFillPathForCellFrame(const QRectF& frame) const;
    // The cached background of that size in points, colour and state (made when missing), drawn
    // for a screen of that device pixel ratio.
    QImage backgroundImageOfSize(const QSizeF& size, const QColor& color, bool isSelectedCell,
                                 qreal devicePixelRatio = 1);
    QImage createBackgroundImageInRect(const QRectF& rect, const QColor& color, bool isSelectedCell,
                                       qreal devicePixelRatio = 1) const;
    void drawBackgroundImageInFrame(QPainter& painter, const QRectF& frame);

    // The badge's place at the right end of a frame, for a count.
    static qreal badgeWidthForCount(qint64 count);

private:
    struct BackgroundCache;

    QImage m_image;
    bool m_displayItemCount = false;
    qint64 m_itemCount = 0;
    bool m_displayFlatBackgroundColor = false;
    bool m_strikeThrough = false;
    std::shared_ptr<BackgroundCache> m_backgrounds;
};
