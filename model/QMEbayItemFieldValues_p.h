#pragma once
// Conversions between the listing's field types and the values that key-value coding and keyed
// archives carry, for the generated field code. Main thread, like the listing.

#include "platform/archive/ArchivedAttributedString.h"
#include "platform/archive/ArchivedObject.h"
#include "platform/core/KeyValueCoding.h"
#include "platform/text/StyledText.h"

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <memory>

namespace qm::fields {

// Text elements of a list value; anything else gives an empty list.
inline QStringList texts(const QVariant& value)
{
    QStringList result;
    for (const QVariant& element : value.toList()) {
        if (element.typeId() == QMetaType::QString)
            result << element.toString();
    }
    return result;
}

inline QVariant dateValue(const QDateTime& date)
{
    return date.isValid() ? QVariant(date) : QVariant();
}

inline QVariant styledValue(const dw::StyledText& text)
{
    return QVariant::fromValue(text);
}

// A styled text from a value: styled text itself, an archived attributed string or plain text.
inline dw::StyledText styledText(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<dw::StyledText>())
        return value.value<dw::StyledText>();
    if (value.metaType() == QMetaType::fromType<dw::ArchivedAttributedString>())
        return dw::styledText(value.value<dw::ArchivedAttributedString>());
    return dw::StyledText(value.toString());
}

// Records as key-value values: as nested objects when they answer key-value lookups, else as the
// archive values they are.
template<class T>
QVariant objectValue(const std::shared_ptr<T>& object)
{
    if constexpr (std::is_base_of_v<dw::KeyValueCoding, T>)
        return dw::objectValue(std::static_pointer_cast<dw::KeyValueCoding>(object));
    else
        return dw::archiveValue(object);
}

template<class T>
QVariant objectsValue(const QList<std::shared_ptr<T>>& objects)
{
    QVariantList list;
    list.reserve(objects.size());
    for (const auto& object : objects)
        list << objectValue(object);
    return list;
}

template<class T>
std::shared_ptr<T> object(const QVariant& value)
{
    if (std::shared_ptr<T> archived = dw::archivedObjectCast<T>(value))
        return archived;
    return std::dynamic_pointer_cast<T>(dw::objectFromValue(value));
}

// The elements of class T of a list value; others are left out.
template<class T>
QList<std::shared_ptr<T>> objects(const QVariant& value)
{
    QList<std::shared_ptr<T>> result;
    for (const QVariant& element : value.toList()) {
        if (std::shared_ptr<T> typed = object<T>(element))
            result << typed;
    }
    return result;
}

template<class T>
QVariant archiveList(const QList<std::shared_ptr<T>>& objects)
{
    QVariantList list;
    list.reserve(objects.size());
    for (const auto& object : objects)
        list << dw::archiveValue(object);
    return list;
}

} // namespace qm::fields
