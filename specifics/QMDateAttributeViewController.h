#pragma once
// A date attribute (attribute type 3): day and month pop-ups and a year pop-up or year field, as
// the attribute's date format says ("d", "m" and "y" in any case; "m" short month names, "M" long
// ones; the format "c" reads as "D-M-Y" with a free year field). Reports one value of identifier
// "0" whose name is the digits year, month, day (as far as shown, e.g. "20090307") and whose
// display name joins the parts' titles with "-"; an empty list while the year is missing or not
// four characters. Stored dates are read by position: year in characters 1-4, month 5-6, day 7-8.
// Main thread.

#include "specifics/QMAttributeViewController.h"

#include <QComboBox>
#include <QLineEdit>

class QMDateAttributeViewController : public QMAttributeViewController
{
    Q_OBJECT

public:
    using QMAttributeViewController::QMAttributeViewController;

    QString nibName() const override { return QStringLiteral("DateAttributeView"); }
    void awakeFromNib() override;
    void installAllowedValues() override;
    void installInitialValues() override;
    std::optional<ValueList> selectedValues() const override;
    void updateActivityState() override;
    // The action of the three pop-ups.
    void popupChanged();

    QString dateFormat() const;
    bool hasDayPopup() const;
    bool hasMonthPopup() const;
    bool hasYearPopup() const;
    bool hasYearField() const;

    QComboBox* dayPopup() const { return m_dayPopup; }
    QComboBox* monthPopup() const { return m_monthPopup; }
    QComboBox* yearPopup() const { return m_yearPopup; }
    QLineEdit* yearField() const { return m_yearField; }

protected:
    void buildControls(QHBoxLayout* controlArea) override;

private:
    QPointer<QComboBox> m_dayPopup;
    QPointer<QComboBox> m_monthPopup;
    QPointer<QComboBox> m_yearPopup;
    QPointer<QLineEdit> m_yearField;
};
