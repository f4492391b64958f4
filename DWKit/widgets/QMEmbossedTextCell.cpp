#include "DWKit/widgets/QMEmbossedTextCell.h"

std::unique_ptr<dw::TextFieldCell> QMEmbossedTextCell::clone() const
{
    return std::make_unique<QMEmbossedTextCell>(*this);
}

void QMEmbossedTextCell::drawWithFrame(QPainter& painter, const QRectF& frame, const QWidget* controlView)
{
    if (stringValue().isEmpty())
        return;
    dw::TextFieldCell white(*this);
    white.setTextColor(Qt::white);
    white.setEnabled(true);
    white.drawInteriorWithFrame(painter, frame.translated(0, 1), controlView);
    dw::TextFieldCell::drawWithFrame(painter, frame, controlView);
}
