#include "SQStoreContext_p.h"

SQStoreContext::SQStoreContext(std::unique_ptr<dw::sq::Connection> connection, QString path, QString identifier,
                               bool readOnly)
    : m_connection(std::move(connection)), m_path(std::move(path)), m_identifier(std::move(identifier)),
      m_readOnly(readOnly)
{}

SQStoreContext::~SQStoreContext() = default;

void SQStoreContext::reportError(const QString& message) const
{
    if (m_errorReporter)
        m_errorReporter(message);
}

std::vector<QVariant> SQStoreContext::readValues(const dw::sq::Statement& row, const SQEntityDescription& entity)
{
    const int count = int(entity.attributes.size() + entity.relationships.size());
    std::vector<QVariant> values;
    values.reserve(size_t(count));
    for (int column = 1; column <= count; ++column)
        values.push_back(row.value(column));
    return values;
}

QList<qint64> SQStoreContext::rowIDs(const QString& sql, const std::function<void(dw::sq::Statement&)>& bind)
{
    std::lock_guard lock(mutex());
    QList<qint64> ids;
    dw::sq::Statement statement = m_connection->prepare(sql);
    if (statement.isValid() && bind)
        bind(statement);
    while (statement.next())
        ids.append(statement.integer(0));
    if (!statement.isValid() || statement.hasError())
        reportError(m_connection->lastError());
    return ids;
}

qint64 SQStoreContext::integerResult(const QString& sql, qint64 fallback, bool* ok,
                                     const std::function<void(dw::sq::Statement&)>& bind)
{
    std::lock_guard lock(mutex());
    dw::sq::Statement statement = m_connection->prepare(sql);
    if (statement.isValid() && bind)
        bind(statement);
    qint64 result = fallback;
    if (statement.next())
        result = statement.integer(0);
    const bool succeeded = statement.isValid() && !statement.hasError();
    if (!succeeded)
        reportError(m_connection->lastError());
    if (ok)
        *ok = succeeded;
    return succeeded ? result : fallback;
}

QList<SQManagedObjectPtr> SQStoreContext::registeredObjects()
{
    std::lock_guard lock(mutex());
    QList<SQManagedObjectPtr> objects;
    for (const auto& entity : std::as_const(m_objects)) {
        for (const auto& weak : entity) {
            if (auto object = weak.lock())
                objects.append(std::move(object));
        }
    }
    return objects;
}

void SQStoreContext::refreshRegisteredObjects()
{
    std::lock_guard lock(mutex());
    for (const SQManagedObjectPtr& object : registeredObjects()) {
        const SQEntityDescription& entity = object->entity();
        dw::sq::Statement statement = m_connection->prepare(
            QStringLiteral("SELECT %1 FROM \"%2\" WHERE id = ?").arg(entity.columnList(), entity.name));
        statement.bind(1, object->rowID());
        if (statement.next())
            object->replaceValues(readValues(statement, entity));
    }
}
