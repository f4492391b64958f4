#pragma once
// One row of the custom item specifics: the specific's name (editable only for names that eBay does
// not suggest), its value typed or chosen from the suggested values, an activation checkbox when
// several listings are edited at once, and a remove button, which posts
// "QMRemoveCustomSpecificViewController" (object: the controller) for the list to act on. The
// user's edits go straight into specificName(), value() and valueActivated(). Main thread.
//
//     auto row = QMCustomSpecificViewController::specificsControllerForName(
//         QStringLiteral("Brand"), QStringLiteral("Canon"), {"Canon", "Nikon"}, false, false);
//     row->loadNib();
//     list->addManagedViews({row->specificView()});

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>

inline const QString kQMRemoveCustomSpecificViewControllerNotification =
    QStringLiteral("QMRemoveCustomSpecificViewController");

class QMCustomSpecificViewController : public QObject
{
    Q_OBJECT

public:
    // A row that takes part in the result (valueActivated() true).
    static std::unique_ptr<QMCustomSpecificViewController>
    specificsControllerForName(const QString& name, const QString& value, const QStringList& suggestedValues,
                               bool canChangeName, bool showActivationCheckbox);
    QMCustomSpecificViewController(QString name, QString value, QStringList suggestedValues, bool canChangeName,
                                   bool showActivationCheckbox);
    ~QMCustomSpecificViewController() override;

    // Builds the row ("CustomSpecificView") and fills it. Once.
    void loadNib();
    QString nibName() const { return QStringLiteral("CustomSpecificView"); }
    // Appends the suggested values to the value box's list (items already there stay).
    void updateValueComboBox();
    // The remove button's action.
    void remove();

    QWidget* specificView() const { return m_view; }
    QLineEdit* nameField() const { return m_nameField; }
    QComboBox* valueBox() const { return m_valueBox; }
    QCheckBox* activationCheckbox() const { return m_activationCheckbox; }
    QToolButton* removeButton() const { return m_removeButton; }

    const QString& specificName() const { return m_specificName; }
    void setSpecificName(const QString& name);
    const QString& value() const { return m_value; }
    void setValue(const QString& value);
    bool canChangeSpecificName() const { return m_canChangeSpecificName; }
    const QStringList& suggestedValues() const { return m_suggestedValues; }
    void setSuggestedValues(const QStringList& values) { m_suggestedValues = values; }
    bool showActivationCheckbox() const { return m_showActivationCheckbox; }
    bool valueActivated() const { return m_valueActivated; }
    void setValueActivated(bool activated);

private:
    QString m_specificName;
    QString m_value;
    QStringList m_suggestedValues;
    bool m_canChangeSpecificName;
    bool m_showActivationCheckbox;
    bool m_valueActivated = true;

    QPointer<QWidget> m_view;
    QPointer<QLineEdit> m_nameField;
    QPointer<QComboBox> m_valueBox;
    QPointer<QCheckBox> m_activationCheckbox;
    QPointer<QToolButton> m_removeButton;
};
