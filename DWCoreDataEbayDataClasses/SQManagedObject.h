#pragma once
// One row of a category-data store as an object: the stores hand out one object per row (an
// identity map), so two lookups of the same category give the same object, and an object keeps
// its store's connection alive, so it stays readable after the manager has replaced the store.
//
// Attribute values are read by key (dw::KeyValueCoding) under the attribute names of the store's
// entity; relationships are fetched from the store when asked. Objects are read-only unless their
// store is writable. Any thread: each use of the store goes under the store's lock.
//
//     const auto category = store->categoryForCategoryID(20081);
//     const QString name = category->valueForKey(QStringLiteral("name")).toString();

#include "platform/core/KeyValueCoding.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

class SQStoreContext;

// The attribute columns and to-one relationship columns of one entity, as its table holds them.
struct SQEntityDescription
{
    QString name;
    QStringList attributes;    // columns read into the object, in this order
    QStringList relationships; // to-one relationship columns (row IDs), read after the attributes

    int indexOfKey(const QString& key) const; // -1 when the entity has no such column
    QString columnList() const;               // "id", then every column quoted, comma-separated
};

class SQManagedObject : public dw::KeyValueCoding, public std::enable_shared_from_this<SQManagedObject>
{
public:
    SQManagedObject(std::shared_ptr<SQStoreContext> context, const SQEntityDescription& entity, qint64 rowID,
                    std::vector<QVariant> values);
    ~SQManagedObject() override;

    const SQEntityDescription& entity() const { return *m_entity; }
    qint64 rowID() const { return m_rowID; }
    // The store that holds the object.
    const std::shared_ptr<SQStoreContext>& context() const { return m_context; }
    // "x-coredata://<store identifier>/<entity>/p<row ID>": stable for the file's life.
    QString objectIDURIRepresentation() const;

    QVariant valueForKey(const QString& key) const override;
    // Read-only stores refuse every change (false); the writable cache stores it.
    bool setValueForKey(const QVariant& value, const QString& key) override;

    // Values as read; refreshed from the store by SQAbstractDatabase::faultAllEntries().
    QVariant value(int index) const;
    qint64 integerValue(int index) const { return value(index).toLongLong(); }
    QString textValue(int index) const { return value(index).toString(); }
    void replaceValues(std::vector<QVariant> values);

protected:
    // The row ID held in a to-one relationship column; 0 when empty.
    qint64 relationshipRowID(const QString& relationship) const;

private:
    std::shared_ptr<SQStoreContext> m_context;
    const SQEntityDescription* m_entity;
    qint64 m_rowID;
    std::vector<QVariant> m_values;
};

using SQManagedObjectPtr = std::shared_ptr<SQManagedObject>;

// What a failed query posts as the object of "SQDatabaseErrorOccured".
struct SQDatabaseError
{
    QString message;
    QString path;
};
