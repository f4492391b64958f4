#include "specifics/QMAttributeViewController.h"

#include "specifics/QMCheckboxAttributeViewController.h"
#include "specifics/QMDateAttributeViewController.h"
#include "specifics/QMPopupAttributeViewController.h"
#include "specifics/QMSingleCheckboxAttributeViewController.h"
#include "specifics/QMTextAreaAttributeViewController.h"
#include "specifics/QMTextFieldAttributeViewController.h"

#include "DWKit/QMLog.h"
#include "platform/core/NotificationCenter.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <type_traits>

namespace {

// The width a row is laid out at before its column gives it the real one; the column keeps the
// height and follows its own width.
constexpr int kInitialRowWidth = 560;
constexpr int kLabelWidth = 170;

enum InputType : qint64 {
    kPopupInputType = 1,
    kCheckboxInputType = 2,
    kTextFieldInputType = 3,
    kTextAreaInputType = 4,
    kRadioInputType = 5,
    kMultipleCheckboxInputType = 6,
};
constexpr qint64 kDateAttributeType = 3;
constexpr quint64 kRequiredRuleType = 3;

} // namespace

std::unique_ptr<QMAttributeViewController> QMAttributeViewController::controllerForAttribute(
    const SQAttributePtr& attribute, const QList<SQAttributeValuePtr>& allowedValues,
    const std::optional<ValueList>& initialValues, const SQAttributePresentationInstructionPtr& presentationInstruction,
    const SQAttributeSetPtr& attributeSet, const StorePtr& dataStore)
{
    if (!attribute)
        return nullptr;
    const auto make = [&](auto kind) -> std::unique_ptr<QMAttributeViewController> {
        return std::make_unique<typename decltype(kind)::type>(attribute, allowedValues, initialValues,
                                                               presentationInstruction, attributeSet, dataStore);
    };
    if (attribute->type() == kDateAttributeType)
        return make(std::type_identity<QMDateAttributeViewController>());
    const std::optional<qint64> inputType =
        presentationInstruction ? std::optional(presentationInstruction->inputType()) : std::nullopt;
    switch (inputType.value_or(0)) {
    case kPopupInputType:
        return make(std::type_identity<QMPopupAttributeViewController>());
    case kCheckboxInputType:
    case kMultipleCheckboxInputType:
        if (allowedValues.size() == 1)
            return make(std::type_identity<QMSingleCheckboxAttributeViewController>());
        return make(std::type_identity<QMCheckboxAttributeViewController>());
    case kTextFieldInputType:
        return make(std::type_identity<QMTextFieldAttributeViewController>());
    case kTextAreaInputType:
        return make(std::type_identity<QMTextAreaAttributeViewController>());
    case kRadioInputType:
        return make(std::type_identity<QMCheckboxAttributeViewController>());
    default:
        QMLog("unknown attribute input type: %@ for attribute %@",
              inputType ? QString::number(*inputType) : QStringLiteral("(null)"), attribute->label());
        return nullptr;
    }
}

QMAttributeViewController::QMAttributeViewController(SQAttributePtr attribute, QList<SQAttributeValuePtr> allowedValues,
                                                     std::optional<ValueList> initialValues,
                                                     SQAttributePresentationInstructionPtr presentationInstruction,
                                                     SQAttributeSetPtr attributeSet, StorePtr dataStore)
    : m_attribute(std::move(attribute)), m_allowedValues(std::move(allowedValues)),
      m_initialValues(std::move(initialValues)), m_presentationInstruction(std::move(presentationInstruction)),
      m_attributeSet(std::move(attributeSet)), m_dataStore(std::move(dataStore)),
      m_isActive(m_attribute && m_attribute->visibility() == 1)
{}

QMAttributeViewController::~QMAttributeViewController()
{
    // A row that no column has taken is still ours.
    if (m_attributeView && !m_attributeView->parent())
        delete m_attributeView;
}

void QMAttributeViewController::loadNib()
{
    if (m_attributeView)
        return;
    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("attributeRow%1").arg(m_attribute->identifier()));
    auto* grid = new QGridLayout(row);
    grid->setContentsMargins(12, 6, 12, 6);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(2);

    m_labelTextField = new QLabel(row);
    m_labelTextField->setObjectName(QStringLiteral("labelTextField"));
    m_labelTextField->setFixedWidth(kLabelWidth);
    m_labelTextField->setWordWrap(true);
    m_labelTextField->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // As tall as a one-line control, so that the label stands level with the control's first line.
    m_labelTextField->setMinimumHeight(QLineEdit().sizeHint().height());
    grid->addWidget(m_labelTextField, 0, 0, Qt::AlignTop);

    auto* controlArea = new QHBoxLayout;
    controlArea->setSpacing(8);
    grid->addLayout(controlArea, 0, 1);
    grid->setColumnStretch(1, 1);

    m_bottomMessageField = new QLabel(row);
    m_bottomMessageField->setObjectName(QStringLiteral("bottomMessageField"));
    m_bottomMessageField->setWordWrap(true);
    QFont small = m_bottomMessageField->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_bottomMessageField->setFont(small);
    m_bottomMessageField->setForegroundRole(QPalette::PlaceholderText);
    grid->addWidget(m_bottomMessageField, 1, 1);

    m_attributeView = row;
    buildControls(controlArea);
    awakeFromNib();
    row->resize(kInitialRowWidth,
                grid->hasHeightForWidth() ? grid->heightForWidth(kInitialRowWidth) : grid->sizeHint().height());
}

void QMAttributeViewController::awakeFromNib()
{
    QString label;
    // Only whether the store gives the flag at all counts, not its value.
    if (m_attribute->hasLabelVisible() && !m_attribute->label().isEmpty()) {
        label = m_attribute->label();
        if (m_attribute->hasRuleWithType(kRequiredRuleType))
            label += QLatin1Char('*');
        label += QLatin1Char(':');
    }
    if (m_labelTextField)
        m_labelTextField->setText(label);
    if (m_bottomMessageField) {
        m_bottomMessageField->setText(m_attribute->messageBottom());
        m_bottomMessageField->setVisible(!m_attribute->messageBottom().isEmpty());
    }
    setLabelColor(QColor());
    installAllowedValues();
    installInitialValues();
    updateActivityState();
}

void QMAttributeViewController::updateActivityState()
{
    if (m_principalControl)
        m_principalControl->setEnabled(m_isActive);
}

void QMAttributeViewController::postValueChangedNotification()
{
    dw::NotificationCenter::defaultCenter().post(kQMAttributeValueChangedNotification,
                                                 dw::NotificationObject::of(this));
}

void QMAttributeViewController::setIsErroneous(bool erroneous)
{
    m_isErroneous = erroneous;
    setLabelColor(erroneous ? QColor(Qt::red) : QColor());
}

void QMAttributeViewController::setLabelColor(const QColor& color)
{
    m_labelColor = color;
    if (!m_labelTextField)
        return;
    // Without a colour of its own the label takes the theme's text colour, dark or light.
    if (!color.isValid()) {
        m_labelTextField->setPalette(QPalette());
        return;
    }
    QPalette palette = m_labelTextField->palette();
    palette.setColor(QPalette::WindowText, color);
    m_labelTextField->setPalette(palette);
}

void QMAttributeViewController::validateAttributeRules()
{
    setIsErroneous(false);
    m_lastErroneousRule = nullptr;
    const ValueList values = selectedValues().value_or(ValueList());
    for (const auto& rule : m_attribute->validationRules()) {
        if (!rule->validateValues(values)) {
            setIsErroneous(true);
            m_lastErroneousRule = rule;
            return;
        }
    }
}

QMEbayAttributeValue QMAttributeViewController::valueFromAllowedValue(const SQAttributeValue& value)
{
    QMEbayAttributeValue chosen(value.integerIdentifier(), value.name());
    chosen.setDisplayName(value.displayName());
    return chosen;
}

QString QMAttributeViewController::titleOfValue(const SQAttributeValue& value)
{
    return value.displayName().isEmpty() ? value.name() : value.displayName();
}
