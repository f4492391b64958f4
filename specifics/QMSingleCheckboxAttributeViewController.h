#pragma once
// An attribute with exactly one value, shown as one checkbox with the value's name beside it; a
// click on the name toggles the box too. Reports the value while the box is on, else an empty
// list. Main thread.

#include "specifics/QMAttributeViewController.h"

#include <QCheckBox>

class QMSingleCheckboxAttributeViewController : public QMAttributeViewController
{
    Q_OBJECT

public:
    using QMAttributeViewController::QMAttributeViewController;

    QString nibName() const override { return QStringLiteral("SingleCheckboxAttributeView"); }
    // More than one allowed value is an assertion failure.
    void installAllowedValues() override;
    void installInitialValues() override;
    std::optional<ValueList> selectedValues() const override;
    void checkboxClicked();
    void nameFieldClicked();

    QCheckBox* checkbox() const { return m_checkbox; }
    QLabel* nameField() const { return m_nameField; }

protected:
    void buildControls(QHBoxLayout* controlArea) override;

private:
    QPointer<QCheckBox> m_checkbox;
    QPointer<QLabel> m_nameField;
};
