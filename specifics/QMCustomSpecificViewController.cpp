#include "specifics/QMCustomSpecificViewController.h"

#include "platform/core/Localization.h"
#include "platform/core/NotificationCenter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

namespace {

constexpr int kInitialRowWidth = 560;
constexpr int kNameWidth = 170;

} // namespace

std::unique_ptr<QMCustomSpecificViewController>
QMCustomSpecificViewController::specificsControllerForName(const QString& name, const QString& value,
                                                           const QStringList& suggestedValues, bool canChangeName,
                                                           bool showActivationCheckbox)
{
    return std::make_unique<QMCustomSpecificViewController>(name, value, suggestedValues, canChangeName,
                                                            showActivationCheckbox);
}

QMCustomSpecificViewController::QMCustomSpecificViewController(QString name, QString value, QStringList suggestedValues,
                                                               bool canChangeName, bool showActivationCheckbox)
    : m_specificName(std::move(name)), m_value(std::move(value)), m_suggestedValues(std::move(suggestedValues)),
      m_canChangeSpecificName(canChangeName), m_showActivationCheckbox(showActivationCheckbox)
{}

QMCustomSpecificViewController::~QMCustomSpecificViewController()
{
    if (m_view && !m_view->parent())
        delete m_view;
}

void QMCustomSpecificViewController::loadNib()
{
    if (m_view)
        return;
    m_view = new QWidget;
    m_view->setObjectName(QStringLiteral("customSpecificRow"));
    auto* row = new QHBoxLayout(m_view);
    row->setContentsMargins(12, 4, 8, 4);
    row->setSpacing(8);

    m_activationCheckbox = new QCheckBox(m_view);
    m_activationCheckbox->setObjectName(QStringLiteral("activationCheckbox"));
    m_activationCheckbox->setToolTip(dw::localized("Apply this detail to the listings"));
    m_activationCheckbox->setChecked(m_valueActivated);
    m_activationCheckbox->setVisible(m_showActivationCheckbox);
    connect(m_activationCheckbox, &QCheckBox::toggled, this, [this](bool on) { m_valueActivated = on; });
    row->addWidget(m_activationCheckbox);

    m_nameField = new QLineEdit(m_specificName, m_view);
    m_nameField->setObjectName(QStringLiteral("nameField"));
    m_nameField->setFixedWidth(kNameWidth);
    m_nameField->setPlaceholderText(dw::localized("Name"));
    connect(m_nameField, &QLineEdit::textEdited, this, [this](const QString& text) { m_specificName = text; });
    row->addWidget(m_nameField);

    m_valueBox = new QComboBox(m_view);
    m_valueBox->setObjectName(QStringLiteral("valueBox"));
    m_valueBox->setEditable(true);
    m_valueBox->setInsertPolicy(QComboBox::NoInsert);
    m_valueBox->lineEdit()->setPlaceholderText(dw::localized("Value"));
    m_valueBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    row->addWidget(m_valueBox, 1);

    m_removeButton = new QToolButton(m_view);
    m_removeButton->setObjectName(QStringLiteral("removeButton"));
    m_removeButton->setText(QStringLiteral("\u2212"));
    m_removeButton->setToolTip(dw::localized("Remove this detail"));
    m_removeButton->setAutoRaise(true);
    connect(m_removeButton, &QToolButton::clicked, this, &QMCustomSpecificViewController::remove);
    row->addWidget(m_removeButton);

    // awakeFromNib: the suggested values, then the stored value on top of them.
    updateValueComboBox();
    m_valueBox->setEditText(m_value);
    connect(m_valueBox, &QComboBox::editTextChanged, this, [this](const QString& text) { m_value = text; });
    if (!m_canChangeSpecificName) {
        // A name that eBay suggests is a label, not a field.
        m_nameField->setReadOnly(true);
        m_nameField->setFrame(false);
        m_nameField->setFocusPolicy(Qt::NoFocus);
        m_nameField->setBackgroundRole(QPalette::Window);
        m_nameField->setToolTip(m_specificName);
    }
    m_view->resize(kInitialRowWidth, row->sizeHint().height());
}

void QMCustomSpecificViewController::updateValueComboBox()
{
    if (!m_valueBox)
        return;
    const QString shown = m_valueBox->currentText();
    m_valueBox->addItems(m_suggestedValues);
    m_valueBox->setMaxVisibleItems(std::max(1, int(m_suggestedValues.size())));
    // Adding items must not replace what the row shows.
    m_valueBox->setEditText(shown);
}

void QMCustomSpecificViewController::remove()
{
    dw::NotificationCenter::defaultCenter().post(kQMRemoveCustomSpecificViewControllerNotification,
                                                 dw::NotificationObject::of(this));
}

void QMCustomSpecificViewController::setSpecificName(const QString& name)
{
    m_specificName = name;
    if (m_nameField && m_nameField->text() != name)
        m_nameField->setText(name);
}

void QMCustomSpecificViewController::setValue(const QString& value)
{
    m_value = value;
    if (m_valueBox && m_valueBox->currentText() != value)
        m_valueBox->setEditText(value);
}

void QMCustomSpecificViewController::setValueActivated(bool activated)
{
    m_valueActivated = activated;
    if (m_activationCheckbox)
        m_activationCheckbox->setChecked(activated);
}
