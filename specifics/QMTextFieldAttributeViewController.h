#pragma once
// An attribute typed as free text on one line. Reports the text as a value of identifier "0", or
// nothing at all (nullopt) when it is empty, which leaves the attribute out of its set's values.
// Typing announces nothing. Main thread.

#include "specifics/QMAttributeViewController.h"

#include "specifics/QMKeyViewTextField.h"

class QMTextFieldAttributeViewController : public QMAttributeViewController
{
    Q_OBJECT

public:
    using QMAttributeViewController::QMAttributeViewController;

    QString nibName() const override { return QStringLiteral("TextFieldAttributeView"); }
    void installInitialValues() override;
    std::optional<ValueList> selectedValues() const override;

    QMKeyViewTextField* textField() const { return m_textField; }

protected:
    void buildControls(QHBoxLayout* controlArea) override;

private:
    QPointer<QMKeyViewTextField> m_textField;
};
