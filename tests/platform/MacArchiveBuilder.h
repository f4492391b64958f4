#pragma once
// Builds keyed archives entry by entry, the way the platform's own archiver lays them out, so that
// tests can read files "written elsewhere" and damaged ones without checked-in binaries.

#include "platform/archive/PropertyList.h"

#include <QByteArray>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

class MacArchiveBuilder
{
public:
    static QVariantMap uid(qlonglong index) { return {{QStringLiteral("CF$UID"), index}}; }

    int add(const QVariant& entry)
    {
        m_objects.append(entry);
        return int(m_objects.size() - 1);
    }
    // An entry filled in later, for objects that refer to ones added after them.
    int reserve() { return add(QString()); }
    void set(int index, const QVariant& entry) { m_objects[index] = entry; }

    int classEntry(const QStringList& chain)
    {
        return add(QVariantMap{{QStringLiteral("$classname"), chain.first()}, {QStringLiteral("$classes"), chain}});
    }
    // An object entry: its fields plus "$class".
    static QVariantMap object(int classIndex, QVariantMap fields)
    {
        fields.insert(QStringLiteral("$class"), uid(classIndex));
        return fields;
    }

    QVariantMap topLevel(int root) const
    {
        return {{QStringLiteral("$archiver"), QStringLiteral("NSKeyedArchiver")},
                {QStringLiteral("$version"), 100000},
                {QStringLiteral("$top"), QVariantMap{{QStringLiteral("root"), uid(root)}}},
                {QStringLiteral("$objects"), m_objects}};
    }
    QByteArray bytes(int root, dw::plist::Format format = dw::plist::Format::Binary) const
    {
        return dw::plist::write(topLevel(root), format);
    }

private:
    QVariantList m_objects{QStringLiteral("$null")};
};
