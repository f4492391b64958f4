#pragma once
// Reading the values of the model's keyed archives with their expected class.
//
// Archives come from files, so a key may hold a value of another class than its field: such a
// value is dropped (the field keeps its default, as if the key were absent) and the console gets
// one line naming the key, the class found and the reading class. A missing key or nil is no
// error. Main thread, like the decoders that call these.

#include "platform/archive/ArchivedObject.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <optional>

namespace qm::archive {

// The console line for a value of the wrong class under `key` of an object of class `owner`.
void logWrongClass(const QString& owner, const QString& key, const QVariant& value);

// The value under `key` when it has the meta type `typeId`; nullopt when absent, nil or wrong.
std::optional<QVariant> decodeOfType(dw::KeyedUnarchiver& coder, const QString& key, int typeId, const QString& owner);

QString decodeText(dw::KeyedUnarchiver& coder, const QString& key, const QString& owner);
QByteArray decodeData(dw::KeyedUnarchiver& coder, const QString& key, const QString& owner);
// Only the text elements of a list; a list with other elements keeps its text elements.
std::optional<QStringList> decodeTexts(dw::KeyedUnarchiver& coder, const QString& key, const QString& owner);
std::optional<QVariantList> decodeList(dw::KeyedUnarchiver& coder, const QString& key, const QString& owner);
std::optional<QVariantMap> decodeMap(dw::KeyedUnarchiver& coder, const QString& key, const QString& owner);

// The object of class T under `key`; null when absent, nil or of another class (logged).
template<class T>
std::shared_ptr<T> decodeObject(dw::KeyedUnarchiver& coder, const QString& key, const QString& owner)
{
    const QVariant value = coder.decodeObjectForKey(key);
    if (!value.isValid())
        return nullptr;
    std::shared_ptr<T> object = dw::archivedObjectCast<T>(value);
    if (!object)
        logWrongClass(owner, key, value);
    return object;
}

// The objects of class T in the list under `key`; elements of other classes are dropped (logged).
template<class T>
std::optional<QList<std::shared_ptr<T>>> decodeObjects(dw::KeyedUnarchiver& coder, const QString& key,
                                                       const QString& owner)
{
    const std::optional<QVariantList> list = decodeList(coder, key, owner);
    if (!list)
        return std::nullopt;
    QList<std::shared_ptr<T>> objects;
    for (const QVariant& element : *list) {
        if (std::shared_ptr<T> object = dw::archivedObjectCast<T>(element))
            objects << object;
        else
            logWrongClass(owner, key, element);
    }
    return objects;
}

// A text as an archive value: nil for a null text, so that nil survives a round trip.
inline QVariant textValue(const QString& text)
{
    return text.isNull() ? QVariant() : QVariant(text);
}

inline QVariant dataValue(const QByteArray& data)
{
    return data.isNull() ? QVariant() : QVariant(data);
}

} // namespace qm::archive
