#pragma once
// Draws the rows of a list or outline view with a cell (TextFieldCell or a subclass): for each
// row a copy of the prototype takes the row's values from the model, is highlighted when the row
// is selected, may be adjusted by a hook (as a view's delegate adjusts a cell before it is
// shown), and draws itself. Editing uses the frame the cell gives. Main thread.
//
//     auto* delegate = new dw::CellDelegate(std::make_unique<QMTreeItemCell>(), outline);
//     delegate->setWillDisplayCell([](dw::TextFieldCell& cell, const QModelIndex& index) {
//         static_cast<QMTreeItemCell&>(cell).setBackgroundColor(feeColourFor(index));
//     });
//     outline->setItemDelegate(delegate);

#include "platform/widgets/TextFieldCell.h"

#include <QStyledItemDelegate>
#include <functional>
#include <memory>

namespace dw {

class CellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using WillDisplayCell = std::function<void(TextFieldCell& cell, const QModelIndex& index)>;

    CellDelegate(std::unique_ptr<TextFieldCell> prototype, QObject* parent = nullptr);
    ~CellDelegate() override;

    TextFieldCell& prototype() const { return *m_prototype; }
    void setWillDisplayCell(WillDisplayCell hook) { m_willDisplayCell = std::move(hook); }

    // The configured copy of the prototype for a row.
    std::unique_ptr<TextFieldCell> cellFor(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

private:
    std::unique_ptr<TextFieldCell> m_prototype;
    WillDisplayCell m_willDisplayCell;
};

} // namespace dw
