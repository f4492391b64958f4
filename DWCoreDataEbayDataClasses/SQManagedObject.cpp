#include "SQManagedObject.h"

#include "SQStoreContext_p.h"

int SQEntityDescription::indexOfKey(const QString& key) const
{
    const int attribute = int(attributes.indexOf(key));
    if (attribute >= 0)
        return attribute;
    const int relationship = int(relationships.indexOf(key));
    return relationship >= 0 ? int(attributes.size()) + relationship : -1;
}

QString SQEntityDescription::columnList() const
{
    QString list = QStringLiteral("id");
    for (const QString& column : attributes)
        list += QStringLiteral(", \"") + column + QLatin1Char('"');
    for (const QString& column : relationships)
        list += QStringLiteral(", \"") + column + QLatin1Char('"');
    return list;
}

SQManagedObject::SQManagedObject(std::shared_ptr<SQStoreContext> context, const SQEntityDescription& entity,
                                 qint64 rowID, std::vector<QVariant> values)
    : m_context(std::move(context)), m_entity(&entity), m_rowID(rowID), m_values(std::move(values))
{}

SQManagedObject::~SQManagedObject() = default;

QString SQManagedObject::objectIDURIRepresentation() const
{
    return QStringLiteral("x-coredata://%1/%2/p%3").arg(m_context->identifier(), m_entity->name).arg(m_rowID);
}

QVariant SQManagedObject::value(int index) const
{
    std::lock_guard lock(m_context->mutex());
    return index >= 0 && size_t(index) < m_values.size() ? m_values[size_t(index)] : QVariant();
}

QVariant SQManagedObject::valueForKey(const QString& key) const
{
    return value(m_entity->indexOfKey(key));
}

bool SQManagedObject::setValueForKey(const QVariant&, const QString&)
{
    return false;
}

void SQManagedObject::replaceValues(std::vector<QVariant> values)
{
    std::lock_guard lock(m_context->mutex());
    m_values = std::move(values);
}

qint64 SQManagedObject::relationshipRowID(const QString& relationship) const
{
    return value(m_entity->indexOfKey(relationship)).toLongLong();
}
