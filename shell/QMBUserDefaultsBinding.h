#pragma once
// Controls of the preferences window and the first-run assistant bound to user-defaults keys,
// the stand-in of the platform's shared user-defaults controller.
//
// A bound control shows the key's value (written or registered) and writes the user's change back:
// check boxes, spin boxes and pop-ups at once, text fields when editing ends or when the window
// commits its pending edits (commitEditing(), before a pane is left or the window closes). A key
// written elsewhere while the control is shown refreshes it. Main thread.
//
//     QMBUserDefaultsBinding bindings(window);
//     bindings.bindText(locationField, QStringLiteral("location"));
//     bindings.bindCheckBox(markFeesCheckBox, QStringLiteral("markExtraFees"));
//     ...
//     bindings.commitEditing();

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QAbstractButton;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QWidget;

namespace dw {
class UserDefaults;
}

class QMBUserDefaultsBinding : public QObject
{
    Q_OBJECT

public:
    // Reads and writes `defaults` (when null, the standard defaults of the moment), which must
    // outlive it.
    explicit QMBUserDefaultsBinding(QObject* parent = nullptr, dw::UserDefaults* defaults = nullptr);
    ~QMBUserDefaultsBinding() override;

    // Text; an empty field writes "" (the key then reads empty, not its registered value).
    void bindText(QLineEdit* field, const QString& key);
    // A money amount: shown in the seller's locale, stored locale-independently ("4.90"); text
    // without a number stores nothing and shows the stored amount again.
    void bindAmount(QLineEdit* field, const QString& key);
    void bindCheckBox(QAbstractButton* checkBox, const QString& key, bool inverted = false);
    void bindInteger(QSpinBox* spinBox, const QString& key);
    // The selected item's tag (item data); a stored tag without an item leaves nothing selected.
    void bindTag(QComboBox* popUp, const QString& key);
    // Called after the user's change of any bound control has been written, with its key.
    void setChangeHandler(std::function<void(const QString& key)> handler) { m_changed = std::move(handler); }

    // Writes every text field whose text differs from its key's value.
    void commitEditing();
    // Shows every key's value again.
    void refresh();

private:
    struct Binding
    {
        QPointer<QWidget> control;
        QString key;
        bool inverted = false;
        bool amount = false;
    };
    void show(const Binding& binding);
    void write(const Binding& binding);
    void defaultsChanged(const QString& key);

    dw::UserDefaults& defaults() const;

    dw::UserDefaults* m_defaults;
    QList<Binding> m_bindings;
    std::function<void(const QString&)> m_changed;
    // Set while a control is shown, so that showing a value does not write it back.
    bool m_showing = false;
};
