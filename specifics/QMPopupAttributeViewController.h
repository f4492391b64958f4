#pragma once
// An attribute chosen from a pop-up of its allowed values; an attribute that has the value "other"
// (-6) gets a text field beside the pop-up for a value of the user's own, enabled while "other"
// is chosen. Reports the chosen value (identifier -6 with the field's text for "other"), or an
// empty list when nothing is chosen. Main thread.

#include "specifics/QMAttributeViewController.h"

#include <QComboBox>
#include <QLineEdit>

class QMPopupAttributeViewController : public QMAttributeViewController
{
    Q_OBJECT

public:
    using QMAttributeViewController::QMAttributeViewController;

    QString nibName() const override { return QStringLiteral("PopupAttributeView"); }
    void installAllowedValues() override;
    void installInitialValues() override;
    std::optional<ValueList> selectedValues() const override;
    // The pop-up's action: the user chose an item.
    void popupChanged();

    QComboBox* popup() const { return m_popup; }
    QLineEdit* otherValueField() const { return m_otherValueField; }

protected:
    void buildControls(QHBoxLayout* controlArea) override;

private:
    QPointer<QComboBox> m_popup;
    QPointer<QLineEdit> m_otherValueField;
};
