#pragma once
// An attribute typed as free text over several lines. Reports the text as a value of identifier
// -6 ("other"), or an empty list when it is empty. While inactive the text stays readable but
// cannot be edited. Typing announces nothing. Main thread.

#include "specifics/QMAttributeViewController.h"

#include "specifics/QMKeyViewTextView.h"

class QMTextAreaAttributeViewController : public QMAttributeViewController
{
    Q_OBJECT

public:
    using QMAttributeViewController::QMAttributeViewController;

    QString nibName() const override { return QStringLiteral("TextAreaAttributeView"); }
    void installInitialValues() override;
    std::optional<ValueList> selectedValues() const override;
    void updateActivityState() override;

    QMKeyViewTextView* textView() const { return m_textView; }

protected:
    void buildControls(QHBoxLayout* controlArea) override;

private:
    QPointer<QMKeyViewTextView> m_textView;
};
