#include "platform/widgets/CellDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace dw {

CellDelegate::CellDelegate(std::unique_ptr<TextFieldCell> prototype, QObject* parent)
    : QStyledItemDelegate(parent), m_prototype(std::move(prototype))
{
    if (!m_prototype)
        m_prototype = std::make_unique<TextFieldCell>();
}

CellDelegate::~CellDelegate() = default;

std::unique_ptr<TextFieldCell> CellDelegate::cellFor(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    std::unique_ptr<TextFieldCell> cell = m_prototype->clone();
    cell->takeValuesFromIndex(index);
    cell->setHighlighted(option.state.testFlag(QStyle::State_Selected));
    cell->setEnabled(option.state.testFlag(QStyle::State_Enabled));
    if (m_willDisplayCell)
        m_willDisplayCell(*cell, index);
    return cell;
}

void CellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // The row's own look first (selection, hover), then the cell over it.
    QStyleOptionViewItem row = option;
    initStyleOption(&row, index);
    row.text.clear();
    row.icon = QIcon();
    row.features &= ~QStyleOptionViewItem::HasDecoration;
    const QWidget* view = option.widget;
    QStyle* style = view ? view->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &row, painter, view);

    std::unique_ptr<TextFieldCell> cell = cellFor(option, index);
    painter->save();
    painter->setClipRect(option.rect);
    cell->drawWithFrame(*painter, QRectF(option.rect), view);
    painter->restore();
}

QSize CellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QSizeF size = cellFor(option, index)->cellSize();
    return QSize(qCeil(size.width()), qCeil(size.height())).expandedTo(QStyledItemDelegate::sizeHint(option, index));
}

void CellDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const
{
    std::unique_ptr<TextFieldCell> cell = cellFor(option, index);
    editor->setGeometry(cell->editingFrame(QRectF(option.rect)).toAlignedRect());
}

} // namespace dw
