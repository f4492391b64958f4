#pragma once
// An attribute chosen in a list of its allowed values: a checkbox per value, or, for input type 5,
// radio buttons of which exactly one is on after a click. The list is the controller's "table":
// one row per allowed value with the columns "state" and "name". Reports the ticked values in the
// order of the allowed values; identifiers of stored values that are no longer allowed are neither
// shown nor reported. Main thread.

#include "specifics/QMAttributeViewController.h"

#include <QStringList>

#include <QAbstractButton>
#include <QScrollArea>
#include <QVBoxLayout>

class QMCheckboxAttributeViewController : public QMAttributeViewController
{
    Q_OBJECT

public:
    using QMAttributeViewController::QMAttributeViewController;

    QString nibName() const override { return QStringLiteral("CheckboxAttributeView"); }
    bool isRadioAttribute() const;
    void installAllowedValues() override;
    void installInitialValues() override;
    std::optional<ValueList> selectedValues() const override;

    // The table's data: one row per allowed value; "name" gives its title, "state" whether it is
    // ticked; any other column nil.
    int numberOfRows() const { return int(allowedValues().size()); }
    QVariant objectValue(const QString& column, int row) const;
    // An edit of a row (a click on its button): a radio row becomes the one ticked row, a checkbox
    // row toggles. Announces the change.
    void setObjectValue(int row);
    void reloadData();

    const QStringList& selectedValueIDs() const { return m_selectedValueIDs; }
    QScrollArea* tableView() const { return m_tableView; }
    // The button of a row; null outside the rows.
    QAbstractButton* buttonForRow(int row) const;

protected:
    void buildControls(QHBoxLayout* controlArea) override;

private:
    QPointer<QScrollArea> m_tableView;
    QPointer<QVBoxLayout> m_rowsLayout;
    QList<QPointer<QAbstractButton>> m_buttons;
    QStringList m_selectedValueIDs;
};
