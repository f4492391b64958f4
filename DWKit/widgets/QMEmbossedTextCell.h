#pragma once
// A text cell whose text stands over a white copy of itself one point lower, as if embossed. An
// empty text draws nothing at all. Main thread.

#include "platform/widgets/TextFieldCell.h"

class QMEmbossedTextCell : public dw::TextFieldCell
{
public:
    std::unique_ptr<dw::TextFieldCell> clone() const override;
    void drawWithFrame(QPainter& painter, const QRectF& frame, const QWidget* controlView) override;
};
