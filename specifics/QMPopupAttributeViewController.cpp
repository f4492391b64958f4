#include "specifics/QMPopupAttributeViewController.h"

#include "platform/core/CocoaNumbers.h"
#include "platform/core/Localization.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>

void QMPopupAttributeViewController::buildControls(QHBoxLayout* controlArea)
{
    m_popup = new QComboBox(attributeView());
    m_popup->setObjectName(QStringLiteral("popup"));
    m_popup->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_popup->setMinimumContentsLength(12);
    m_otherValueField = new QLineEdit(attributeView());
    m_otherValueField->setObjectName(QStringLiteral("otherValueField"));
    m_otherValueField->setPlaceholderText(dw::localized("Your own value"));
    controlArea->addWidget(m_popup);
    controlArea->addWidget(m_otherValueField, 1);
    controlArea->addStretch();
    connect(m_popup, &QComboBox::activated, this, &QMPopupAttributeViewController::popupChanged);
    setPrincipalControl(m_popup);
}

void QMPopupAttributeViewController::installAllowedValues()
{
    m_popup->clear();
    for (const auto& value : allowedValues()) {
        const QString title = titleOfValue(*value);
        // Equal titles are told apart by a number, so that each item can be chosen; the choice is
        // read by index, so the number never reaches the result.
        QString unique = title;
        for (qint64 n = 2; m_popup->findText(unique, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0; ++n)
            unique = title + QStringLiteral(" (%1)").arg(n);
        m_popup->addItem(unique);
    }
    m_otherValueField->setVisible(attribute()->hasValueWithIdentifier(kQMAttributeValueIdentifier_other));
    m_otherValueField->setEnabled(false);
}

void QMPopupAttributeViewController::installInitialValues()
{
    if (!initialValues() || initialValues()->isEmpty())
        return;
    const QMEbayAttributeValue& stored = initialValues()->first();
    const qint64 identifier = dw::integerValue(stored.identifier());
    const auto& allowed = allowedValues();
    for (qsizetype i = 0; i < allowed.size(); ++i) {
        if (allowed.at(i)->integerIdentifier() != identifier)
            continue;
        m_popup->setCurrentIndex(int(i));
        if (identifier == kQMAttributeValueIdentifier_other) {
            m_otherValueField->setEnabled(true);
            m_otherValueField->setText(stored.name());
        }
        return;
    }
}

void QMPopupAttributeViewController::popupChanged()
{
    const int index = m_popup->currentIndex();
    if (index >= 0 && index < allowedValues().size() &&
        allowedValues().at(index)->integerIdentifier() == kQMAttributeValueIdentifier_other) {
        m_otherValueField->setEnabled(true);
        m_otherValueField->setFocus(Qt::OtherFocusReason);
    } else {
        m_otherValueField->setEnabled(false);
    }
    postValueChangedNotification();
}

std::optional<QMAttributeViewController::ValueList> QMPopupAttributeViewController::selectedValues() const
{
    const int index = m_popup ? m_popup->currentIndex() : -1;
    if (index < 0 || index >= allowedValues().size())
        return ValueList();
    const auto& value = allowedValues().at(index);
    const bool other = value->integerIdentifier() == kQMAttributeValueIdentifier_other;
    return ValueList{
        QMEbayAttributeValue(value->integerIdentifier(), other ? m_otherValueField->text() : value->name())};
}
