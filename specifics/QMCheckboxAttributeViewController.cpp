#include "specifics/QMCheckboxAttributeViewController.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

constexpr qint64 kRadioInputType = 5;
// Longer lists scroll inside the row rather than making it taller than a screen.
constexpr int kMaximumVisibleRows = 6;

} // namespace

bool QMCheckboxAttributeViewController::isRadioAttribute() const
{
    return presentationInstruction() && presentationInstruction()->inputType() == kRadioInputType;
}

void QMCheckboxAttributeViewController::buildControls(QHBoxLayout* controlArea)
{
    m_tableView = new QScrollArea(attributeView());
    m_tableView->setObjectName(QStringLiteral("tableView"));
    m_tableView->setWidgetResizable(true);
    m_tableView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* rows = new QWidget;
    rows->setObjectName(QStringLiteral("tableRows"));
    rows->setBackgroundRole(QPalette::Base);
    m_rowsLayout = new QVBoxLayout(rows);
    m_rowsLayout->setContentsMargins(6, 4, 6, 4);
    m_rowsLayout->setSpacing(2);
    m_rowsLayout->addStretch();
    m_tableView->setWidget(rows);

    // The height fits the values the attribute starts with; a dependency only ever narrows them.
    const int shown = std::clamp(int(allowedValues().size()), 1, kMaximumVisibleRows);
    const int rowHeight = QCheckBox(QStringLiteral("X")).sizeHint().height() + m_rowsLayout->spacing();
    m_tableView->setFixedHeight(shown * rowHeight + 8 + 2 * m_tableView->frameWidth());
    controlArea->addWidget(m_tableView, 1);
    setPrincipalControl(m_tableView);
}

QVariant QMCheckboxAttributeViewController::objectValue(const QString& column, int row) const
{
    if (row < 0 || row >= numberOfRows())
        return {};
    const auto& value = allowedValues().at(row);
    if (column == QLatin1String("name"))
        return titleOfValue(*value);
    if (column == QLatin1String("state"))
        return m_selectedValueIDs.contains(value->identifier());
    return {};
}

void QMCheckboxAttributeViewController::setObjectValue(int row)
{
    if (row < 0 || row >= numberOfRows())
        return;
    const QString identifier = allowedValues().at(row)->identifier();
    if (isRadioAttribute())
        m_selectedValueIDs = {identifier};
    else if (m_selectedValueIDs.contains(identifier))
        m_selectedValueIDs.removeAll(identifier);
    else
        m_selectedValueIDs.append(identifier);
    reloadData();
    postValueChangedNotification();
}

void QMCheckboxAttributeViewController::reloadData()
{
    if (!m_rowsLayout)
        return;
    bool sameRows = m_buttons.size() == numberOfRows();
    for (int row = 0; sameRows && row < numberOfRows(); ++row)
        sameRows =
            m_buttons.at(row) && m_buttons.at(row)->text() == objectValue(QStringLiteral("name"), row).toString();
    if (!sameRows) {
        // A dependency cascade started by a click here may narrow these very values: the clicked
        // button must outlive its own signal.
        for (const auto& button : std::as_const(m_buttons)) {
            if (!button)
                continue;
            m_rowsLayout->removeWidget(button);
            button->hide();
            button->deleteLater();
        }
        m_buttons.clear();
        for (int row = 0; row < numberOfRows(); ++row) {
            QAbstractButton* button = nullptr;
            const QString title = objectValue(QStringLiteral("name"), row).toString();
            if (isRadioAttribute()) {
                auto* radio = new QRadioButton(title);
                // The controller decides which button is on.
                radio->setAutoExclusive(false);
                button = radio;
            } else {
                button = new QCheckBox(title);
            }
            button->setObjectName(QStringLiteral("valueButton%1").arg(row));
            connect(button, &QAbstractButton::clicked, this, [this, row] { setObjectValue(row); });
            m_rowsLayout->insertWidget(row, button);
            m_buttons.append(button);
        }
    }
    for (int row = 0; row < numberOfRows(); ++row)
        m_buttons.at(row)->setChecked(objectValue(QStringLiteral("state"), row).toBool());
}

QAbstractButton* QMCheckboxAttributeViewController::buttonForRow(int row) const
{
    return row >= 0 && row < m_buttons.size() ? m_buttons.at(row).data() : nullptr;
}

void QMCheckboxAttributeViewController::installAllowedValues()
{
    reloadData();
}

void QMCheckboxAttributeViewController::installInitialValues()
{
    m_selectedValueIDs.clear();
    if (initialValues()) {
        for (const QMEbayAttributeValue& value : *initialValues())
            m_selectedValueIDs.append(value.identifier());
    }
    reloadData();
}

std::optional<QMAttributeViewController::ValueList> QMCheckboxAttributeViewController::selectedValues() const
{
    ValueList values;
    for (const auto& value : allowedValues()) {
        if (m_selectedValueIDs.contains(value->identifier()))
            values.append(valueFromAllowedValue(*value));
    }
    return values;
}
