#include "shell/QMBToolbarCustomizationSheet.h"

#include "platform/core/Localization.h"
#include "shell/QMBDocument.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kIdentifierRole = Qt::UserRole;

QListWidgetItem* itemFor(const QString& identifier)
{
    auto* item =
        new QListWidgetItem(QMBDocument::toolbarItemIcon(identifier), QMBDocument::toolbarPaletteLabel(identifier));
    item->setData(kIdentifierRole, identifier);
    return item;
}

bool isRepeatable(const QString& identifier)
{
    return identifier == QLatin1String("NSToolbarSpaceItem") || identifier == QLatin1String("NSToolbarSeparatorItem") ||
           identifier == QLatin1String("NSToolbarFlexibleSpaceItem");
}

} // namespace

QMBToolbarCustomizationSheet::QMBToolbarCustomizationSheet(QMBDocument* document) : QDialog(document)
{
    setObjectName(QStringLiteral("toolbarCustomizationSheet"));
    setWindowTitle(dw::localized("Customize Toolbar"));
    setWindowModality(Qt::WindowModal);

    m_allowed = new QListWidget;
    m_allowed->setObjectName(QStringLiteral("allowedToolbarItems"));
    m_allowed->setIconSize(QSize(24, 24));
    for (const QString& identifier : QMBDocument::toolbarAllowedItemIdentifiers())
        m_allowed->addItem(itemFor(identifier));
    m_allowed->setCurrentRow(0);

    m_items = new QListWidget;
    m_items->setObjectName(QStringLiteral("toolbarItems"));
    m_items->setIconSize(QSize(24, 24));
    m_items->setDragDropMode(QAbstractItemView::InternalMove);
    fillToolbarList(QMBDocument::toolbarItemIdentifiers(), 0);

    m_add = new QPushButton(dw::localized("Add"));
    m_add->setObjectName(QStringLiteral("addToolbarItemButton"));
    m_remove = new QPushButton(dw::localized("Remove"));
    m_remove->setObjectName(QStringLiteral("removeToolbarItemButton"));
    m_up = new QPushButton(dw::localized("Move Up"));
    m_up->setObjectName(QStringLiteral("moveToolbarItemUpButton"));
    m_down = new QPushButton(dw::localized("Move Down"));
    m_down->setObjectName(QStringLiteral("moveToolbarItemDownButton"));
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    for (QPushButton* button : {m_add, m_remove, m_up, m_down})
        middle->addWidget(button);
    middle->addStretch();

    auto* explanation = new QLabel(dw::localized("Choose the items of the toolbar: add an item from the left, or "
                                                 "drag the toolbar's items into the order you like."));
    explanation->setWordWrap(true);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(dw::localized("Available items:")), 0, 0);
    grid->addWidget(new QLabel(dw::localized("Toolbar items:")), 0, 2);
    grid->addWidget(m_allowed, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(m_items, 1, 2);

    auto* buttons = new QDialogButtonBox;
    QPushButton* defaults = buttons->addButton(dw::localized("Use Default Set"), QDialogButtonBox::ResetRole);
    defaults->setObjectName(QStringLiteral("useDefaultSetButton"));
    QPushButton* done = buttons->addButton(dw::localized("Done"), QDialogButtonBox::AcceptRole);
    done->setObjectName(QStringLiteral("doneButton"));
    done->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    resize(560, 420);

    connect(m_add, &QPushButton::clicked, this, &QMBToolbarCustomizationSheet::addSelectedItem);
    connect(m_remove, &QPushButton::clicked, this, &QMBToolbarCustomizationSheet::removeSelectedItem);
    connect(m_up, &QPushButton::clicked, this, [this] { moveSelectedItem(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { moveSelectedItem(1); });
    connect(defaults, &QPushButton::clicked, this, &QMBToolbarCustomizationSheet::useDefaultSet);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_allowed, &QListWidget::itemDoubleClicked, this, &QMBToolbarCustomizationSheet::addSelectedItem);
    connect(m_items, &QListWidget::currentRowChanged, this, &QMBToolbarCustomizationSheet::updateButtons);
    // A drag inside the toolbar's list reorders it.
    connect(m_items->model(), &QAbstractItemModel::rowsMoved, this, &QMBToolbarCustomizationSheet::apply);
    updateButtons();
}

QStringList QMBToolbarCustomizationSheet::toolbarItems() const
{
    QStringList identifiers;
    for (int row = 0; row < m_items->count(); ++row)
        identifiers << m_items->item(row)->data(kIdentifierRole).toString();
    return identifiers;
}

void QMBToolbarCustomizationSheet::fillToolbarList(const QStringList& identifiers, int selectedRow)
{
    m_items->clear();
    for (const QString& identifier : identifiers)
        m_items->addItem(itemFor(identifier));
    m_items->setCurrentRow(std::min(selectedRow, int(m_items->count()) - 1));
}

void QMBToolbarCustomizationSheet::addSelectedItem()
{
    const QListWidgetItem* chosen = m_allowed->currentItem();
    if (!chosen)
        return;
    const QString identifier = chosen->data(kIdentifierRole).toString();
    QStringList identifiers = toolbarItems();
    int row = m_items->currentRow() < 0 ? int(identifiers.size()) : m_items->currentRow() + 1;
    if (!isRepeatable(identifier)) {
        const int present = int(identifiers.indexOf(identifier));
        if (present >= 0) {
            identifiers.removeAt(present);
            if (present < row)
                --row;
        }
    }
    identifiers.insert(row, identifier);
    fillToolbarList(identifiers, row);
    apply();
}

void QMBToolbarCustomizationSheet::removeSelectedItem()
{
    const int row = m_items->currentRow();
    if (row < 0)
        return;
    QStringList identifiers = toolbarItems();
    identifiers.removeAt(row);
    fillToolbarList(identifiers, row);
    apply();
}

void QMBToolbarCustomizationSheet::moveSelectedItem(int offset)
{
    const int row = m_items->currentRow();
    const int target = row + offset;
    if (row < 0 || target < 0 || target >= m_items->count())
        return;
    QStringList identifiers = toolbarItems();
    identifiers.move(row, target);
    fillToolbarList(identifiers, target);
    apply();
}

void QMBToolbarCustomizationSheet::useDefaultSet()
{
    fillToolbarList(QMBDocument::toolbarDefaultItemIdentifiers(), 0);
    apply();
}

void QMBToolbarCustomizationSheet::apply()
{
    QMBDocument::setToolbarItemIdentifiers(toolbarItems());
    updateButtons();
}

void QMBToolbarCustomizationSheet::updateButtons()
{
    const int row = m_items->currentRow();
    m_remove->setEnabled(row >= 0);
    m_up->setEnabled(row > 0);
    m_down->setEnabled(row >= 0 && row < m_items->count() - 1);
}
