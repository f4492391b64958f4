#include "specifics/QMTextFieldAttributeViewController.h"

#include "specifics/QMKeyViewTextField.h"

#include <QHBoxLayout>

void QMTextFieldAttributeViewController::buildControls(QHBoxLayout* controlArea)
{
    m_textField = new QMKeyViewTextField(attributeView());
    m_textField->setObjectName(QStringLiteral("textField"));
    controlArea->addWidget(m_textField, 1);
    setPrincipalControl(m_textField);
}

void QMTextFieldAttributeViewController::installInitialValues()
{
    if (initialValues() && !initialValues()->isEmpty())
        m_textField->setText(initialValues()->first().name());
}

std::optional<QMAttributeViewController::ValueList> QMTextFieldAttributeViewController::selectedValues() const
{
    const QString text = m_textField ? m_textField->text() : QString();
    if (text.isEmpty())
        return std::nullopt;
    return ValueList{QMEbayAttributeValue(QStringLiteral("0"), text)};
}
