#include "DWGeneratedObject/DWGeneratedObject.h"

#include "platform/core/DWAssert.h"
#include "platform/core/KeyValueCoding.h"

#include <cstdint>

DWGeneratedObject::DWGeneratedObject() = default;

DWGeneratedObject::~DWGeneratedObject() = default;

const DWGeneratedClass& DWGeneratedObject::staticClass()
{
    static const DWGeneratedClass cls("DWGeneratedObject", nullptr, 0, nullptr, DWGeneratedClass::DataType, false, {},
                                      [] { return std::make_shared<DWGeneratedObject>(); });
    return cls;
}

const DWGeneratedClass& DWGeneratedObject::generatedClass() const
{
    return staticClass();
}

QString DWGeneratedObject::xmlNamespace() const
{
    return QStringLiteral("urn:ebay:apis:eBLBaseComponents");
}

QStringList DWGeneratedObject::requiredNumberElements() const
{
    return {};
}

QString DWGeneratedObject::description() const
{
    return QStringLiteral("<%1: 0x%2>")
        .arg(generatedClass().name())
        .arg(quintptr(reinterpret_cast<std::uintptr_t>(this)), 0, 16);
}

QVariant DWGeneratedObject::fieldValue(int) const
{
    return {};
}

bool DWGeneratedObject::setFieldValue(int, const QVariant&)
{
    return false;
}

bool DWGeneratedObject::appendFieldValue(int, const QVariant&)
{
    return false;
}

void* DWGeneratedObject::fieldStorage(int)
{
    return nullptr;
}

QVariant DWGeneratedObject::valueForKey(const QString& key) const
{
    const int index = generatedClass().fieldIndexForKey(key);
    return index < 0 ? QVariant() : fieldValue(index);
}

bool DWGeneratedObject::setValueForKey(const QVariant& value, const QString& key)
{
    const int index = generatedClass().fieldIndexForKey(key);
    return index >= 0 && setFieldValue(index, value);
}

QVariant DWGeneratedObject::valueForKeyPath(const QString& keyPath) const
{
    const qsizetype dot = keyPath.indexOf(u'.');
    if (dot < 0)
        return valueForKey(keyPath);
    const DWGeneratedObjectPtr next = objectFromVariant(valueForKey(keyPath.left(dot)));
    return next ? next->valueForKeyPath(keyPath.mid(dot + 1)) : QVariant();
}

bool DWGeneratedObject::setValueForKeyPath(const QVariant& value, const QString& keyPath)
{
    const qsizetype dot = keyPath.indexOf(u'.');
    if (dot < 0)
        return setValueForKey(value, keyPath);
    const DWGeneratedObjectPtr next = objectFromVariant(valueForKey(keyPath.left(dot)));
    return next && next->setValueForKeyPath(value, keyPath.mid(dot + 1));
}

namespace {

bool valuesEqual(const QVariant& a, const QVariant& b, DWValueType type)
{
    if (a.isValid() != b.isValid())
        return false;
    if (!a.isValid())
        return true;
    switch (type) {
    case DWValueType::Object: {
        const DWGeneratedObjectPtr x = DWGeneratedObject::objectFromVariant(a);
        const DWGeneratedObjectPtr y = DWGeneratedObject::objectFromVariant(b);
        return x && y && x->isEqual(*y);
    }
    case DWValueType::Text:
        return a.toString() == b.toString();
    case DWValueType::Date:
        return a.toDateTime() == b.toDateTime();
    case DWValueType::Data:
        return a.toByteArray() == b.toByteArray();
    case DWValueType::Bool:
        return a.toBool() == b.toBool();
    case DWValueType::Integer:
        return a.toLongLong() == b.toLongLong();
    case DWValueType::Double:
        return a.toDouble() == b.toDouble();
    }
    return false;
}

} // namespace

bool DWGeneratedObject::isEqual(const DWGeneratedObject& other) const
{
    const DWGeneratedClass& cls = generatedClass();
    if (&cls != &other.generatedClass())
        return false;
    for (int i = 0; i < cls.fieldCount(); ++i) {
        const DWFieldRow& row = cls.field(i);
        const QVariant mine = fieldValue(i);
        const QVariant theirs = other.fieldValue(i);
        if (row.kind != DWFieldKind::Repeated) {
            if (!valuesEqual(mine, theirs, row.valueType))
                return false;
            continue;
        }
        if (mine.isValid() != theirs.isValid())
            return false;
        const QVariantList a = mine.toList();
        const QVariantList b = theirs.toList();
        if (a.size() != b.size())
            return false;
        for (qsizetype k = 0; k < a.size(); ++k) {
            if (!valuesEqual(a.at(k), b.at(k), row.valueType))
                return false;
        }
    }
    return true;
}

void DWGeneratedObject::clear()
{
    const DWGeneratedClass& cls = generatedClass();
    for (int i = 0; i < cls.fieldCount(); ++i) {
        [[maybe_unused]] const bool cleared = setFieldValue(i, QVariant());
    }
}

QVariant DWGeneratedObject::variantFromObject(const DWGeneratedObjectPtr& object)
{
    return object ? QVariant::fromValue(object) : QVariant();
}

DWGeneratedObjectPtr DWGeneratedObject::objectFromVariant(const QVariant& value)
{
    if (value.metaType() != QMetaType::fromType<DWGeneratedObjectPtr>())
        return nullptr;
    return value.value<DWGeneratedObjectPtr>();
}

void DWGeneratedObject::assertItemPresent(bool present)
{
    DW_ASSERT(present, "Invalid parameter not satisfying: item");
}

namespace {

// An unset value is acceptable for a field (allowUnset) but never as an array item.
bool itemFromVariant(const QVariant& value, QString& item, bool allowUnset)
{
    if (!value.isValid()) {
        item = QString();
        return allowUnset;
    }
    if (value.metaType() != QMetaType::fromType<QString>())
        return false;
    item = value.toString();
    return true;
}

bool itemFromVariant(const QVariant& value, QDateTime& item, bool allowUnset)
{
    if (!value.isValid()) {
        item = QDateTime();
        return allowUnset;
    }
    if (value.metaType() != QMetaType::fromType<QDateTime>() || !value.toDateTime().isValid())
        return false;
    item = value.toDateTime();
    return true;
}

bool itemFromVariant(const QVariant& value, QByteArray& item, bool allowUnset)
{
    if (!value.isValid()) {
        item = QByteArray();
        return allowUnset;
    }
    if (value.metaType() != QMetaType::fromType<QByteArray>() || value.toByteArray().isNull())
        return false;
    item = value.toByteArray();
    return true;
}

bool isList(const QVariant& value)
{
    return value.metaType() == QMetaType::fromType<QVariantList>() ||
           value.metaType() == QMetaType::fromType<QStringList>();
}

template<class T>
QVariant plainArrayVariant(const DWArray<T>& array)
{
    if (!array)
        return {};
    QVariantList items;
    items.reserve(array->size());
    for (const T& item : *array)
        items.append(QVariant(item));
    return items;
}

template<class T>
bool assignPlainArray(DWArray<T>& field, const QVariant& value)
{
    if (!value.isValid()) {
        field.reset();
        return true;
    }
    if (!isList(value))
        return false;
    auto list = std::make_shared<QList<T>>();
    for (const QVariant& itemValue : value.toList()) {
        T item;
        if (!itemFromVariant(itemValue, item, false))
            return false;
        list->append(item);
    }
    field = std::move(list);
    return true;
}

template<class T>
bool appendPlainItem(DWArray<T>& field, const QVariant& value)
{
    T item;
    if (!itemFromVariant(value, item, false))
        return false;
    if (!field)
        field = std::make_shared<QList<T>>();
    field->append(item);
    return true;
}

bool isPresent(const QString& item)
{
    return !item.isNull();
}

bool isPresent(const QDateTime& item)
{
    return item.isValid();
}

bool isPresent(const QByteArray& item)
{
    return !item.isNull();
}

} // namespace

QVariant DWGeneratedObject::textVariant(const QString& value)
{
    return value.isNull() ? QVariant() : QVariant(value);
}

QVariant DWGeneratedObject::dateVariant(const QDateTime& value)
{
    return value.isValid() ? QVariant(value) : QVariant();
}

QVariant DWGeneratedObject::dataVariant(const QByteArray& value)
{
    return value.isNull() ? QVariant() : QVariant(value);
}

QVariant DWGeneratedObject::boolVariant(bool value)
{
    return QVariant(value);
}

QVariant DWGeneratedObject::integerVariant(qint64 value)
{
    return QVariant(qlonglong(value));
}

QVariant DWGeneratedObject::doubleVariant(double value)
{
    return QVariant(value);
}

QVariant DWGeneratedObject::objectVariant(const DWGeneratedObjectPtr& value)
{
    return variantFromObject(value);
}

QVariant DWGeneratedObject::arrayVariant(const DWArray<QString>& array)
{
    return plainArrayVariant(array);
}

QVariant DWGeneratedObject::arrayVariant(const DWArray<QDateTime>& array)
{
    return plainArrayVariant(array);
}

QVariant DWGeneratedObject::arrayVariant(const DWArray<QByteArray>& array)
{
    return plainArrayVariant(array);
}

bool DWGeneratedObject::assignText(QString& field, const QVariant& value)
{
    return itemFromVariant(value, field, true);
}

bool DWGeneratedObject::assignDate(QDateTime& field, const QVariant& value)
{
    return itemFromVariant(value, field, true);
}

bool DWGeneratedObject::assignData(QByteArray& field, const QVariant& value)
{
    return itemFromVariant(value, field, true);
}

// Scalars have no unset state: an invalid QVariant stores 0 or NO.
bool DWGeneratedObject::assignBool(bool& field, const QVariant& value)
{
    if (value.isValid() && !dw::isNumberValue(value))
        return false;
    field = value.isValid() && value.toBool();
    return true;
}

bool DWGeneratedObject::assignInteger(qint64& field, const QVariant& value)
{
    if (value.isValid() && !dw::isNumberValue(value))
        return false;
    field = value.isValid() ? value.toLongLong() : 0;
    return true;
}

bool DWGeneratedObject::assignDouble(double& field, const QVariant& value)
{
    if (value.isValid() && !dw::isNumberValue(value))
        return false;
    field = value.isValid() ? value.toDouble() : 0.0;
    return true;
}

bool DWGeneratedObject::assignArray(DWArray<QString>& field, const QVariant& value)
{
    return assignPlainArray(field, value);
}

bool DWGeneratedObject::assignArray(DWArray<QDateTime>& field, const QVariant& value)
{
    return assignPlainArray(field, value);
}

bool DWGeneratedObject::assignArray(DWArray<QByteArray>& field, const QVariant& value)
{
    return assignPlainArray(field, value);
}

bool DWGeneratedObject::appendArrayItem(DWArray<QString>& field, const QVariant& item)
{
    return appendPlainItem(field, item);
}

bool DWGeneratedObject::appendArrayItem(DWArray<QDateTime>& field, const QVariant& item)
{
    return appendPlainItem(field, item);
}

bool DWGeneratedObject::appendArrayItem(DWArray<QByteArray>& field, const QVariant& item)
{
    return appendPlainItem(field, item);
}

void DWGeneratedObject::addArrayItem(DWArray<QString>& field, const QString& item)
{
    assertItemPresent(isPresent(item));
    if (!field)
        field = std::make_shared<QList<QString>>();
    field->append(item);
}

void DWGeneratedObject::addArrayItem(DWArray<QDateTime>& field, const QDateTime& item)
{
    assertItemPresent(isPresent(item));
    if (!field)
        field = std::make_shared<QList<QDateTime>>();
    field->append(item);
}

void DWGeneratedObject::addArrayItem(DWArray<QByteArray>& field, const QByteArray& item)
{
    assertItemPresent(isPresent(item));
    if (!field)
        field = std::make_shared<QList<QByteArray>>();
    field->append(item);
}

bool DWGeneratedObject::objectOfClass(const QVariant& value, const DWGeneratedClass& cls, bool allowUnset,
                                      DWGeneratedObjectPtr& object)
{
    if (!value.isValid()) {
        object.reset();
        return allowUnset;
    }
    DWGeneratedObjectPtr candidate = objectFromVariant(value);
    if (!candidate || !candidate->generatedClass().isSubclassOf(cls))
        return false;
    object = std::move(candidate);
    return true;
}

bool DWGeneratedObject::objectsOfClass(const QVariant& value, const DWGeneratedClass& cls,
                                       QList<DWGeneratedObjectPtr>& objects, bool& isUnset)
{
    isUnset = !value.isValid();
    if (isUnset)
        return true;
    if (!isList(value))
        return false;
    for (const QVariant& item : value.toList()) {
        DWGeneratedObjectPtr object;
        if (!objectOfClass(item, cls, false, object))
            return false;
        objects.append(object);
    }
    return true;
}
