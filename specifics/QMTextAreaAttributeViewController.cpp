#include "specifics/QMTextAreaAttributeViewController.h"

#include "specifics/QMKeyViewTextView.h"

#include <QFontMetrics>
#include <QHBoxLayout>

void QMTextAreaAttributeViewController::buildControls(QHBoxLayout* controlArea)
{
    m_textView = new QMKeyViewTextView(attributeView());
    m_textView->setObjectName(QStringLiteral("textView"));
    m_textView->setTabChangesFocus(true);
    m_textView->setFixedHeight(QFontMetrics(m_textView->font()).lineSpacing() * 4 + 12);
    controlArea->addWidget(m_textView, 1);
    setPrincipalControl(m_textView);
}

void QMTextAreaAttributeViewController::installInitialValues()
{
    if (initialValues() && !initialValues()->isEmpty())
        m_textView->setPlainText(initialValues()->first().name());
}

std::optional<QMAttributeViewController::ValueList> QMTextAreaAttributeViewController::selectedValues() const
{
    const QString text = m_textView ? m_textView->toPlainText() : QString();
    if (text.isEmpty())
        return ValueList();
    return ValueList{QMEbayAttributeValue(kQMAttributeValueIdentifier_other, text)};
}

void QMTextAreaAttributeViewController::updateActivityState()
{
    if (m_textView)
        m_textView->setReadOnly(!isActive());
}
