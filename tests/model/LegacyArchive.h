#pragma once
// Archives in the form older editions wrote, made by the tests: objects of any class name with
// exactly the keys the test gives. Scalars (booleans, integers) are stored in place, as
// encodeBool/encodeInt store them; wrap every object value (text, data, lists, numbers stored as
// objects, other objects) in ref(), as encodeObject stores it.

#include "platform/archive/ArchivedObject.h"
#include "platform/archive/KeyedArchiver.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <memory>

inline QVariant ref(const QVariant& value)
{
    return QVariant::fromValue(dw::ArchiveReference{value});
}

inline dw::ArchivedObjectPtr legacyObject(const QString& className, const QVariantMap& fields)
{
    return std::make_shared<dw::OpaqueArchivedObject>(QStringList{className, QStringLiteral("NSObject")}, fields);
}

inline QByteArray legacyArchive(const QString& className, const QVariantMap& fields)
{
    return dw::KeyedArchiver::archivedDataWithRootObject(dw::archiveValue(legacyObject(className, fields)));
}
