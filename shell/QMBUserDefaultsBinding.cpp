#include "shell/QMBUserDefaultsBinding.h"

#include "panels/QMLocalizedAmounts.h"
#include "platform/core/MainThread.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QThread>

QMBUserDefaultsBinding::QMBUserDefaultsBinding(QObject* parent, dw::UserDefaults* defaults)
    : QObject(parent), m_defaults(defaults)
{
    dw::NotificationCenter::defaultCenter().addObserver(
        QLatin1String(dw::kUserDefaultsDidChangeNotification), nullptr,
        [this](const dw::Notification& note) {
            const QString key = note.userInfo.value(QStringLiteral("key")).toString();
            // Upload threads write the picture counter; the controls live on the main thread.
            if (QThread::currentThread() == thread())
                defaultsChanged(key);
            else
                dw::postToMain(this, [this, key] { defaultsChanged(key); });
        },
        this);
}

dw::UserDefaults& QMBUserDefaultsBinding::defaults() const
{
    return m_defaults ? *m_defaults : dw::UserDefaults::standard();
}

QMBUserDefaultsBinding::~QMBUserDefaultsBinding()
{
    dw::NotificationCenter::defaultCenter().removeObserversOwnedBy(this);
}

void QMBUserDefaultsBinding::bindText(QLineEdit* field, const QString& key)
{
    m_bindings.append({field, key});
    const Binding binding = m_bindings.last();
    connect(field, &QLineEdit::editingFinished, this, [this, binding] { write(binding); });
    show(binding);
}

void QMBUserDefaultsBinding::bindAmount(QLineEdit* field, const QString& key)
{
    m_bindings.append({field, key, false, true});
    const Binding binding = m_bindings.last();
    field->setValidator(qm::newAmountValidator(field));
    connect(field, &QLineEdit::editingFinished, this, [this, binding] { write(binding); });
    show(binding);
}

void QMBUserDefaultsBinding::bindCheckBox(QAbstractButton* checkBox, const QString& key, bool inverted)
{
    m_bindings.append({checkBox, key, inverted});
    const Binding binding = m_bindings.last();
    connect(checkBox, &QAbstractButton::toggled, this, [this, binding] { write(binding); });
    show(binding);
}

void QMBUserDefaultsBinding::bindInteger(QSpinBox* spinBox, const QString& key)
{
    m_bindings.append({spinBox, key});
    const Binding binding = m_bindings.last();
    connect(spinBox, &QSpinBox::valueChanged, this, [this, binding] { write(binding); });
    show(binding);
}

void QMBUserDefaultsBinding::bindTag(QComboBox* popUp, const QString& key)
{
    m_bindings.append({popUp, key});
    const Binding binding = m_bindings.last();
    connect(popUp, &QComboBox::activated, this, [this, binding] { write(binding); });
    show(binding);
}

void QMBUserDefaultsBinding::show(const Binding& binding)
{
    if (!binding.control)
        return;
    const bool wasShowing = m_showing;
    m_showing = true;
    if (auto* field = qobject_cast<QLineEdit*>(binding.control)) {
        QString text = defaults().stringForKey(binding.key);
        if (binding.amount)
            text = qm::typedTextFromStoredAmount(text);
        if (field->text() != text)
            field->setText(text);
    } else if (auto* checkBox = qobject_cast<QAbstractButton*>(binding.control)) {
        checkBox->setChecked(defaults().boolForKey(binding.key) != binding.inverted);
    } else if (auto* spinBox = qobject_cast<QSpinBox*>(binding.control)) {
        spinBox->setValue(int(defaults().integerForKey(binding.key)));
    } else if (auto* popUp = qobject_cast<QComboBox*>(binding.control)) {
        popUp->setCurrentIndex(popUp->findData(defaults().integerForKey(binding.key)));
    }
    m_showing = wasShowing;
}

void QMBUserDefaultsBinding::write(const Binding& binding)
{
    if (m_showing || !binding.control)
        return;
    if (auto* field = qobject_cast<QLineEdit*>(binding.control)) {
        QString value = field->text();
        if (binding.amount) {
            value = qm::storedAmountFromTypedText(value);
            if (value.isNull()) {
                show(binding);
                return;
            }
        }
        if (defaults().stringForKey(binding.key) == value && defaults().objectForKey(binding.key).isValid()) {
            if (binding.amount)
                show(binding);
            return;
        }
        defaults().setObject(value, binding.key);
        if (binding.amount)
            show(binding);
    } else if (auto* checkBox = qobject_cast<QAbstractButton*>(binding.control)) {
        defaults().setBool(checkBox->isChecked() != binding.inverted, binding.key);
    } else if (auto* spinBox = qobject_cast<QSpinBox*>(binding.control)) {
        defaults().setInteger(spinBox->value(), binding.key);
    } else if (auto* popUp = qobject_cast<QComboBox*>(binding.control)) {
        const QVariant tag = popUp->currentData();
        if (!tag.isValid())
            return;
        defaults().setInteger(tag.toLongLong(), binding.key);
    }
    if (m_changed)
        m_changed(binding.key);
}

void QMBUserDefaultsBinding::commitEditing()
{
    for (const Binding& binding : std::as_const(m_bindings)) {
        if (qobject_cast<QLineEdit*>(binding.control))
            write(binding);
    }
}

void QMBUserDefaultsBinding::refresh()
{
    for (const Binding& binding : std::as_const(m_bindings))
        show(binding);
}

void QMBUserDefaultsBinding::defaultsChanged(const QString& key)
{
    for (const Binding& binding : std::as_const(m_bindings)) {
        // A field being edited keeps what the user typed.
        if (binding.key != key ||
            (binding.control && binding.control->hasFocus() && qobject_cast<QLineEdit*>(binding.control)))
            continue;
        show(binding);
    }
}
