#pragma once
// The open store behind a database object: its SQLite connection, the identity map that keeps one
// object per row, and the fetch helpers the entity classes use. Private to this folder.

#include "DWCoreDataEbayDataClasses/SQManagedObject.h"
#include "SQLiteConnection_p.h"

#include <QHash>
#include <functional>
#include <memory>
#include <mutex>

class SQStoreContext : public std::enable_shared_from_this<SQStoreContext>
{
public:
    SQStoreContext(std::unique_ptr<dw::sq::Connection> connection, QString path, QString identifier, bool readOnly);
    ~SQStoreContext();

    dw::sq::Connection& connection() { return *m_connection; }
    std::recursive_mutex& mutex() { return m_connection->mutex(); }
    const QString& path() const { return m_path; }
    const QString& identifier() const { return m_identifier; }
    bool isReadOnly() const { return m_readOnly; }

    // Posts "SQDatabaseErrorOccured" for a failed query (the database object installs the poster).
    void reportError(const QString& message) const;
    void setErrorReporter(std::function<void(const QString&)> reporter) { m_errorReporter = std::move(reporter); }

    // The object of the row the statement stands on: column 0 the row ID, then the entity's
    // columns in description order. An object already handed out for that row is returned as is.
    template<class T>
    std::shared_ptr<T> objectFromRow(const dw::sq::Statement& row)
    {
        const SQEntityDescription& entity = T::entityDescription();
        const qint64 rowID = row.integer(0);
        auto& objects = m_objects[entity.name];
        if (const auto it = objects.constFind(rowID); it != objects.constEnd()) {
            if (auto existing = it->lock())
                return std::static_pointer_cast<T>(existing);
        }
        auto object = std::make_shared<T>(shared_from_this(), rowID, readValues(row, entity));
        objects.insert(rowID, object);
        return object;
    }

    // Objects of T matching a WHERE clause (may be empty, may hold "?" placeholders that `bind`
    // fills) in row order; an error is reported and ends the list early. `ok` says whether it ran.
    template<class T>
    QList<std::shared_ptr<T>> fetch(const QString& where, const std::function<void(dw::sq::Statement&)>& bind = {},
                                    bool* ok = nullptr)
    {
        const SQEntityDescription& entity = T::entityDescription();
        std::lock_guard lock(mutex());
        QString sql = QStringLiteral("SELECT %1 FROM \"%2\"").arg(entity.columnList(), entity.name);
        if (!where.isEmpty())
            sql += QStringLiteral(" WHERE ") + where;
        QList<std::shared_ptr<T>> result;
        dw::sq::Statement statement = m_connection->prepare(sql);
        if (statement.isValid() && bind)
            bind(statement);
        while (statement.next())
            result.append(objectFromRow<T>(statement));
        const bool succeeded = statement.isValid() && !statement.hasError();
        if (!succeeded)
            reportError(m_connection->lastError());
        if (ok)
            *ok = succeeded;
        return result;
    }

    template<class T>
    std::shared_ptr<T> fetchFirst(const QString& where, const std::function<void(dw::sq::Statement&)>& bind = {},
                                  bool* ok = nullptr)
    {
        const auto found =
            fetch<T>(where.isEmpty() ? QStringLiteral("1 LIMIT 1") : where + QStringLiteral(" LIMIT 1"), bind, ok);
        return found.isEmpty() ? nullptr : found.first();
    }

    // The object of a row ID, from the map or the store; null for 0 or a missing row.
    template<class T>
    std::shared_ptr<T> objectWithRowID(qint64 rowID)
    {
        if (rowID == 0)
            return nullptr;
        std::lock_guard lock(mutex());
        const auto& objects = m_objects[T::entityDescription().name];
        if (const auto it = objects.constFind(rowID); it != objects.constEnd()) {
            if (auto existing = it->lock())
                return std::static_pointer_cast<T>(existing);
        }
        return fetchFirst<T>(QStringLiteral("id = ?"), [rowID](dw::sq::Statement& s) { s.bind(1, rowID); });
    }

    // Row IDs from a query of one integer column.
    QList<qint64> rowIDs(const QString& sql, const std::function<void(dw::sq::Statement&)>& bind = {});
    // The integer of a query of one value; `fallback` on error (reported) or without a row.
    qint64 integerResult(const QString& sql, qint64 fallback, bool* ok = nullptr,
                         const std::function<void(dw::sq::Statement&)>& bind = {});

    // Every object handed out and still alive.
    QList<SQManagedObjectPtr> registeredObjects();
    // Reads every registered object's values again from the store.
    void refreshRegisteredObjects();

private:
    static std::vector<QVariant> readValues(const dw::sq::Statement& row, const SQEntityDescription& entity);

    std::unique_ptr<dw::sq::Connection> m_connection;
    QString m_path;
    QString m_identifier;
    bool m_readOnly;
    std::function<void(const QString&)> m_errorReporter;
    QHash<QString, QHash<qint64, std::weak_ptr<SQManagedObject>>> m_objects;
};

// A fetched list as plain managed objects.
template<class T>
QList<SQManagedObjectPtr> asObjects(const QList<std::shared_ptr<T>>& list)
{
    return {list.begin(), list.end()};
}
