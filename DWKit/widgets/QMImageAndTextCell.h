#pragma once
// A list cell with a picture left of its text, vertically centred or at the top. Frames are in
// the view's coordinates, y down. Main thread.

#include "platform/widgets/TextFieldCell.h"

#include <QImage>

class QMImageAndTextCell : public dw::TextFieldCell
{
public:
    std::unique_ptr<dw::TextFieldCell> clone() const override;
    // Also takes the picture from Qt::DecorationRole when the model gives one.
    void takeValuesFromIndex(const QModelIndex& index) override;

    QImage image() const { return m_image; }
    void setImage(const QImage& image) { m_image = image; }
    bool valignTop() const { return m_valignTop; }
    void setValignTop(bool top) { m_valignTop = top; }

    QSizeF cellSize() const override;
    QRectF imageFrameForCellFrame(const QRectF& frame) const;
    QRectF editingFrame(const QRectF& frame) override;
    void drawWithFrame(QPainter& painter, const QRectF& frame, const QWidget* controlView) override;

private:
    QImage m_image;
    bool m_valignTop = false;
};
