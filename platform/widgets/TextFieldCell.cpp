#include "platform/widgets/TextFieldCell.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QModelIndex>
#include <QPainter>
#include <QPalette>
#include <QWidget>

namespace dw {

namespace {
constexpr qreal kTextInset = 2.0;
} // namespace

TextFieldCell::TextFieldCell() : m_font(QApplication::font()) {}

TextFieldCell::~TextFieldCell() = default;

std::unique_ptr<TextFieldCell> TextFieldCell::clone() const
{
    return std::make_unique<TextFieldCell>(*this);
}

void TextFieldCell::takeValuesFromIndex(const QModelIndex& index)
{
    m_stringValue = index.data(Qt::DisplayRole).toString();
    const QVariant font = index.data(Qt::FontRole);
    if (font.isValid())
        m_font = font.value<QFont>();
    const QVariant colour = index.data(Qt::ForegroundRole);
    if (colour.canConvert<QColor>() && colour.value<QColor>().isValid())
        m_textColor = colour.value<QColor>();
}

QSizeF TextFieldCell::cellSize() const
{
    const QFontMetricsF metrics(m_font);
    return {metrics.horizontalAdvance(m_stringValue) + 2 * kTextInset, metrics.height() + 2};
}

void TextFieldCell::drawWithFrame(QPainter& painter, const QRectF& frame, const QWidget* controlView)
{
    if (m_drawsBackground && m_backgroundColor.isValid())
        painter.fillRect(frame, m_backgroundColor);
    drawInteriorWithFrame(painter, frame, controlView);
}

void TextFieldCell::drawInteriorWithFrame(QPainter& painter, const QRectF& frame, const QWidget* controlView)
{
    if (m_stringValue.isEmpty() || frame.width() <= 2 * kTextInset)
        return;
    const QPalette palette = controlView ? controlView->palette() : QApplication::palette();
    QColor colour = m_textColor;
    if (!colour.isValid())
        colour = palette.color(m_highlighted ? QPalette::HighlightedText : QPalette::Text);
    if (!m_enabled)
        colour = palette.color(QPalette::Disabled, QPalette::Text);
    const QRectF textFrame = frame.adjusted(kTextInset, 0, -kTextInset, 0);
    const QFontMetricsF metrics(m_font);
    painter.save();
    painter.setFont(m_font);
    painter.setPen(colour);
    painter.drawText(textFrame, Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(m_stringValue, Qt::ElideRight, textFrame.width()));
    painter.restore();
}

QRectF TextFieldCell::editingFrame(const QRectF& frame)
{
    return frame;
}

} // namespace dw
