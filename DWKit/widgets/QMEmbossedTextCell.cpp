#include "DWKit/widgets/QMEmbossedTextCell.h"

#include "platform/widgets/ReadableColors.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

std::unique_ptr<dw::TextFieldCell> QMEmbossedTextCell::clone() const
{
    return std::make_unique<QMEmbossedTextCell>(*this);
}

void QMEmbossedTextCell::drawWithFrame(QPainter& painter, const QRectF& frame, const QWidget* controlView)
{
    if (stringValue().isEmpty())
        return;
    // The emboss is a light line under dark text; under a dark theme's light text it is a dark one.
    const QPalette palette = controlView ? controlView->palette() : QApplication::palette();
    dw::TextFieldCell emboss(*this);
    emboss.setTextColor(dw::isDarkPalette(palette) ? Qt::black : Qt::white);
    emboss.setEnabled(true);
    emboss.drawInteriorWithFrame(painter, frame.translated(0, 1), controlView);
    dw::TextFieldCell::drawWithFrame(painter, frame, controlView);
}
