#include "DWKit/widgets/NSPopUpButton+DWExtensions.h"

#include "platform/core/DWAssert.h"
#include "platform/core/KeyValueCoding.h"

#include <QMetaMethod>
#include <QMetaProperty>
#include <memory>

namespace dw {

namespace {

enum class BindingKind { Tag, Object, Index, Value };

std::optional<BindingKind> kindOf(const QString& binding)
{
    if (binding == QLatin1String("selectedTag"))
        return BindingKind::Tag;
    if (binding == QLatin1String("selectedObject"))
        return BindingKind::Object;
    if (binding == QLatin1String("selectedIndex"))
        return BindingKind::Index;
    if (binding == QLatin1String("selectedValue"))
        return BindingKind::Value;
    return std::nullopt;
}

QString bindingObjectName(const QString& binding)
{
    return QStringLiteral("dw_binding_") + binding;
}

} // namespace

namespace popup_detail {

// One binding of one pop-up: a child of the pop-up, so that it goes with it; the connections
// use it as context, so that unbinding (deleting it) cuts them.
class PopUpBinding : public QObject
{
    Q_OBJECT

public:
    PopUpBinding(QComboBox* popUp, BindingKind kind, BindingInfo info)
        : QObject(popUp), m_popUp(popUp), m_kind(kind), m_info(std::move(info))
    {}

    const BindingInfo& info() const { return m_info; }

    void establish()
    {
        QObject::connect(m_popUp, &QComboBox::activated, this, [this](int index) { writeBack(index); });
        QObject* observed = m_info.observedObject;
        const QMetaObject* meta = observed->metaObject();
        const int propertyIndex = meta->indexOfProperty(m_info.keyPath.toLatin1().constData());
        if (propertyIndex >= 0 && meta->property(propertyIndex).hasNotifySignal()) {
            const QMetaMethod refresh = staticMetaObject.method(staticMetaObject.indexOfSlot("show()"));
            QObject::connect(observed, meta->property(propertyIndex).notifySignal(), this, refresh);
        }
        // Model objects announce changes by key name.
        const int keyChanged = meta->indexOfSignal("keyChanged(QString)");
        if (keyChanged >= 0) {
            const QMetaMethod refresh = staticMetaObject.method(staticMetaObject.indexOfSlot("keyChanged(QString)"));
            QObject::connect(observed, meta->method(keyChanged), this, refresh);
        }
        show();
    }

public Q_SLOTS:
    void keyChanged(const QString& key)
    {
        if (key == m_info.keyPath.section(u'.', 0, 0))
            show();
    }

    void show()
    {
        if (!m_info.observedObject)
            return;
        const QVariant value = observedValue();
        int index = -1;
        switch (m_kind) {
        case BindingKind::Tag:
            index = value.isValid() ? m_popUp->findData(value.toLongLong(), Qt::UserRole) : -1;
            if (index < 0 && value.isValid())
                index = m_popUp->findData(value, Qt::UserRole);
            break;
        case BindingKind::Object:
            index = m_popUp->findData(value, kRepresentedObjectRole);
            break;
        case BindingKind::Index:
            index = value.isValid() ? value.toInt() : -1;
            if (index >= m_popUp->count())
                index = -1;
            break;
        case BindingKind::Value:
            index = m_popUp->findText(value.toString());
            break;
        }
        m_popUp->setCurrentIndex(index);
    }

private:
    QVariant observedValue() const
    {
        if (const auto* model = dynamic_cast<const KeyValueCoding*>(m_info.observedObject.data()))
            return model->valueForKeyPath(m_info.keyPath);
        return m_info.observedObject->property(m_info.keyPath.toLatin1().constData());
    }

    void writeBack(int index)
    {
        if (!m_info.observedObject || index < 0)
            return;
        QVariant value;
        switch (m_kind) {
        case BindingKind::Tag:
            value = m_popUp->itemData(index, Qt::UserRole);
            break;
        case BindingKind::Object:
            value = m_popUp->itemData(index, kRepresentedObjectRole);
            break;
        case BindingKind::Index:
            value = index;
            break;
        case BindingKind::Value:
            value = m_popUp->itemText(index);
            break;
        }
        if (auto* model = dynamic_cast<KeyValueCoding*>(m_info.observedObject.data()))
            model->setValueForKey(value, m_info.keyPath);
        else
            m_info.observedObject->setProperty(m_info.keyPath.toLatin1().constData(), value);
    }

    QComboBox* m_popUp;
    BindingKind m_kind;
    BindingInfo m_info;
};

} // namespace popup_detail

namespace {

using popup_detail::PopUpBinding;

PopUpBinding* findBinding(const QComboBox* popUp, const QString& binding)
{
    return popUp ? popUp->findChild<PopUpBinding*>(bindingObjectName(binding), Qt::FindDirectChildrenOnly) : nullptr;
}

} // namespace

void selectItemRepresentingObject(QComboBox* popUp, const QVariant& object)
{
    if (popUp)
        popUp->setCurrentIndex(popUp->findData(object, kRepresentedObjectRole));
}

void bind(QComboBox* popUp, const QString& binding, QObject* observed, const QString& keyPath,
          const QVariantMap& options)
{
    DW_PARAMETER_ASSERT(popUp != nullptr);
    DW_PARAMETER_ASSERT(observed != nullptr);
    const std::optional<BindingKind> kind = kindOf(binding);
    DW_ASSERT(kind.has_value(), "a pop-up has no binding named %@", binding);
    unbind(popUp, binding);
    auto* record = new PopUpBinding(popUp, *kind, BindingInfo{observed, keyPath, options});
    record->setObjectName(bindingObjectName(binding));
    record->establish();
}

void unbind(QComboBox* popUp, const QString& binding)
{
    if (PopUpBinding* record = findBinding(popUp, binding)) {
        record->setObjectName(QString());
        QObject::disconnect(popUp, nullptr, record, nullptr);
        std::unique_ptr<PopUpBinding> doomed(record);
    }
}

std::optional<BindingInfo> infoForBinding(const QComboBox* popUp, const QString& binding)
{
    if (const PopUpBinding* record = findBinding(popUp, binding))
        return record->info();
    return std::nullopt;
}

void updateBinding(QComboBox* popUp, const QString& binding)
{
    DW_ASSERT(!binding.isEmpty(), "Invalid parameter not satisfying: 0 < [inBinding length]");
    const std::optional<BindingInfo> info = infoForBinding(popUp, binding);
    if (!info || !info->observedObject)
        return;
    unbind(popUp, binding);
    bind(popUp, binding, info->observedObject, info->keyPath, info->options);
}

} // namespace dw

#include "NSPopUpButton+DWExtensions.moc"
