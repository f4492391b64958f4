#include "panels/QMOptionsWindowController.h"

#include "model/QMPreferencesManager.h"

#include "platform/core/Localization.h"
#include "platform/widgets/DialogButtons.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

const QString kOptionID = QStringLiteral("OptionID");
const QString kEnabled = QStringLiteral("enabled");

QString displayName(const QVariantMap& description)
{
    const QString name = description.value(QStringLiteral("OptionName")).toString();
    return dw::localized(name.isEmpty() ? description.value(kOptionID).toString() : name);
}

} // namespace

QMOptionsWindowController::QMOptionsWindowController(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("optionsPanel"));
    setWindowTitle(dw::localized("Payment Options"));

    auto* intro = new QLabel(dw::localized("Payment methods you accept:"), this);
    m_optionsTable = new QListWidget(this);
    m_optionsTable->setObjectName(QStringLiteral("optionsTable"));
    m_optionsTable->setSelectionMode(QAbstractItemView::NoSelection);
    m_optionsTable->setMinimumSize(320, 200);
    m_optionsTable->setSpacing(2);
    connect(m_optionsTable, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        rowChanged(m_optionsTable->row(item), item->checkState() == Qt::Checked);
    });

    const auto buttons = dw::DialogButtons::okCancel(this);
    auto* makeDefaults = buttons.box->addButton(dw::localized("Save as Default"), QDialogButtonBox::ResetRole);
    makeDefaults->setObjectName(QStringLiteral("makeDefaultsButton"));
    m_makeDefaultsButton = makeDefaults;
    connect(makeDefaults, &QPushButton::clicked, this, &QMOptionsWindowController::makeDefaults);
    connect(buttons.cancel, &QPushButton::clicked, this, &QMOptionsWindowController::doCancel);
    connect(buttons.ok, &QPushButton::clicked, this, &QMOptionsWindowController::doOK);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_optionsTable, 1);
    layout->addWidget(buttons.box);
}

QMOptionsWindowController::~QMOptionsWindowController() = default;

std::optional<QStringList> QMOptionsWindowController::runSheetForWindow(QWidget* parentWindow,
                                                                        const QStringList& selectedOptions,
                                                                        const QVariantList& allowedOptionsDescriptions,
                                                                        bool invokedFromPreferencesPanel)
{
    QMOptionsWindowController sheet(parentWindow);
    sheet.setAllowedOptionsDescriptions(allowedOptionsDescriptions);
    sheet.setSelectedOptions(selectedOptions);
    sheet.setInvokedFromPreferencesPanel(invokedFromPreferencesPanel);
    sheet.setWindowModality(parentWindow ? Qt::WindowModal : Qt::ApplicationModal);
    if (sheet.exec() != QDialog::Accepted)
        return std::nullopt;
    return sheet.selectedOptions();
}

void QMOptionsWindowController::setAllowedOptionsDescriptions(const QVariantList& descriptions)
{
    m_allowedOptionsDescriptions = descriptions;
}

void QMOptionsWindowController::setSelectedOptions(const QStringList& optionIDs)
{
    if (m_hasSelectedOptions && optionIDs == m_selectedOptions)
        return;
    m_hasSelectedOptions = true;
    m_selectedOptions = optionIDs;
    m_selectedOptionsDescription.clear();
    for (const QVariant& entry : m_allowedOptionsDescriptions) {
        QVariantMap row = entry.toMap();
        row.insert(kEnabled, optionIDs.contains(row.value(kOptionID).toString()));
        m_selectedOptionsDescription << row;
    }
    reloadTable();
}

QStringList QMOptionsWindowController::selectedOptions() const
{
    QStringList chosen;
    for (const QVariantMap& row : m_selectedOptionsDescription) {
        if (row.value(kEnabled).toBool())
            chosen << row.value(kOptionID).toString();
    }
    return chosen;
}

void QMOptionsWindowController::setInvokedFromPreferencesPanel(bool value)
{
    m_invokedFromPreferencesPanel = value;
    // From the preferences, OK itself stores the defaults.
    m_makeDefaultsButton->setVisible(!value);
}

void QMOptionsWindowController::reloadTable()
{
    const QSignalBlocker blocker(m_optionsTable);
    m_optionsTable->clear();
    for (const QVariantMap& row : m_selectedOptionsDescription) {
        auto* item = new QListWidgetItem(displayName(row), m_optionsTable);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(row.value(kEnabled).toBool() ? Qt::Checked : Qt::Unchecked);
    }
}

void QMOptionsWindowController::rowChanged(int row, bool ticked)
{
    if (row < 0 || row >= m_selectedOptionsDescription.size())
        return;
    m_selectedOptionsDescription[row].insert(kEnabled, ticked);
}

void QMOptionsWindowController::doOK()
{
    accept();
}

void QMOptionsWindowController::doCancel()
{
    reject();
}

void QMOptionsWindowController::makeDefaults()
{
    QVariantList ids;
    for (const QString& id : selectedOptions())
        ids << id;
    QMPreferencesManager::sharedInstance().setDefaultPaymentOptions(ids);
}
