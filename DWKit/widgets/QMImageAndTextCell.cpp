#include "DWKit/widgets/QMImageAndTextCell.h"

#include "DWKit/widgets/CellImageStrip_p.h"

#include <QIcon>
#include <QModelIndex>
#include <QPainter>
#include <QPixmap>
#include <cmath>

std::unique_ptr<dw::TextFieldCell> QMImageAndTextCell::clone() const
{
    return std::make_unique<QMImageAndTextCell>(*this);
}

void QMImageAndTextCell::takeValuesFromIndex(const QModelIndex& index)
{
    dw::TextFieldCell::takeValuesFromIndex(index);
    const QVariant decoration = index.data(Qt::DecorationRole);
    if (decoration.typeId() == QMetaType::QImage)
        m_image = decoration.value<QImage>();
    else if (decoration.typeId() == QMetaType::QPixmap)
        m_image = decoration.value<QPixmap>().toImage();
    else if (decoration.typeId() == QMetaType::QIcon)
        m_image = decoration.value<QIcon>().pixmap(QSize(16, 16)).toImage();
}

QSizeF QMImageAndTextCell::cellSize() const
{
    QSizeF size = dw::TextFieldCell::cellSize();
    size.rwidth() += dw::cells::stripWidth(m_image);
    return size;
}

QRectF QMImageAndTextCell::imageFrameForCellFrame(const QRectF& frame) const
{
    return dw::cells::centredImageFrame(frame, m_image);
}

QRectF QMImageAndTextCell::editingFrame(const QRectF& frame)
{
    return frame.adjusted(dw::cells::stripWidth(m_image), 0, 0, 0);
}

void QMImageAndTextCell::drawWithFrame(QPainter& painter, const QRectF& cellFrame, const QWidget* controlView)
{
    QRectF frame = cellFrame;
    if (!m_image.isNull()) {
        const QSizeF picture = dw::cells::pointSize(m_image);
        const QRectF strip(frame.x(), frame.y(), picture.width() + dw::cells::kImageGap, frame.height());
        frame.adjust(strip.width(), 0, 0, 0);
        if (drawsBackground() && backgroundColor().isValid())
            painter.fillRect(strip, backgroundColor());
        // Item views are flipped: these are the bottom edges the picture is placed by.
        const qreal bottom = m_valignTop ? strip.y() + std::floor(picture.height())
                                         : strip.y() + std::ceil((strip.height() + picture.height()) / 2);
        painter.drawImage(QPointF(strip.x() + dw::cells::kImageGap, bottom - picture.height()), m_image);
    }
    dw::TextFieldCell::drawWithFrame(painter, frame, controlView);
}
