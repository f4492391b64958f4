#pragma once
// The sheet in which the seller chooses the document toolbar's items: the allowed items on the
// left, the toolbar's on the right. Add puts the chosen allowed item after the chosen toolbar item
// (an item of the document's own moves there when the toolbar shows it already: it shows once);
// Remove, Move Up and Move Down act on the toolbar's list, which also takes drags; "Use Default
// Set" puts the default items back. Every change shows at once in every document window and is
// kept; "Done" closes the sheet. Window-modal on its document. Main thread.
//
//     auto* sheet = new QMBToolbarCustomizationSheet(document);
//     sheet->open();

#include <QDialog>

class QMBDocument;
class QListWidget;
class QPushButton;

class QMBToolbarCustomizationSheet : public QDialog
{
    Q_OBJECT

public:
    explicit QMBToolbarCustomizationSheet(QMBDocument* document);

    QListWidget* allowedItemsList() const { return m_allowed; }
    QListWidget* toolbarItemsList() const { return m_items; }
    QStringList toolbarItems() const;

    void addSelectedItem();
    void removeSelectedItem();
    void moveSelectedItem(int offset);
    void useDefaultSet();

private:
    void fillToolbarList(const QStringList& identifiers, int selectedRow);
    void apply();
    void updateButtons();

    QListWidget* m_allowed = nullptr;
    QListWidget* m_items = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_up = nullptr;
    QPushButton* m_down = nullptr;
};
