#include "DWCoreDataEbayDataClasses/SQAbstractDatabase.h"

#include "SQStoreContext_p.h"

#include "DWKit/QMLog.h"
#include "platform/core/DWAssert.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

namespace {

QString metadataValue(dw::sq::Connection& connection, const QString& key)
{
    dw::sq::Statement statement = connection.prepare(QStringLiteral("SELECT value FROM dw_metadata WHERE key = ?"));
    statement.bind(1, key);
    return statement.next() ? statement.text(0) : QString();
}

QHash<QString, QStringList> tablesOf(dw::sq::Connection& connection)
{
    QHash<QString, QStringList> tables;
    dw::sq::Statement list =
        connection.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                                          "'sqlite_%'"));
    QStringList names;
    while (list.next())
        names.append(list.text(0));
    for (const QString& name : std::as_const(names)) {
        dw::sq::Statement columns = connection.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)"));
        columns.bind(1, name);
        QStringList columnNames;
        while (columns.next())
            columnNames.append(columns.text(0));
        tables.insert(name, columnNames);
    }
    return tables;
}

// Why a file does not fit a model; null when it fits.
QString mismatch(dw::sq::Connection& connection, const SQStoreModel& model)
{
    const QString name = metadataValue(connection, QStringLiteral("model"));
    const QString version = metadataValue(connection, QStringLiteral("schemaVersion"));
    if (name != model.name || version != QString::number(model.version))
        return QStringLiteral("the store holds model %1 version %2, not %3 version %4")
            .arg(name.isEmpty() ? QStringLiteral("(none)") : name, version.isEmpty() ? QStringLiteral("-") : version,
                 model.name)
            .arg(model.version);
    const auto tables = tablesOf(connection);
    for (auto it = model.tables.constBegin(); it != model.tables.constEnd(); ++it) {
        const auto found = tables.constFind(it.key());
        if (found == tables.constEnd())
            return QStringLiteral("the store has no table %1").arg(it.key());
        for (const QString& column : it.value()) {
            if (!found->contains(column))
                return QStringLiteral("the store's table %1 has no column %2").arg(it.key(), column);
        }
    }
    return {};
}

} // namespace

std::shared_ptr<const SQStoreModel> SQStoreModel::load(const QString& path, QString* reason)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (reason)
            *reason = file.errorString();
        return nullptr;
    }
    auto model = std::make_shared<SQStoreModel>();
    model->schema = QString::fromUtf8(file.readAll());
    QString error;
    auto scratch = dw::sq::Connection::open(QStringLiteral(":memory:"), dw::sq::Connection::Mode::Create, &error);
    if (!scratch || !scratch->execute(model->schema, &error)) {
        if (reason)
            *reason = error;
        return nullptr;
    }
    model->name = metadataValue(*scratch, QStringLiteral("model"));
    model->version = metadataValue(*scratch, QStringLiteral("schemaVersion")).toLongLong();
    model->tables = tablesOf(*scratch);
    model->tables.remove(QStringLiteral("dw_metadata"));
    if (model->name.isEmpty()) {
        if (reason)
            *reason = QStringLiteral("the schema names no model");
        return nullptr;
    }
    return model;
}

SQAbstractDatabase::SQAbstractDatabase(const QString& modelPath, const QString& databasePath)
    : m_modelPath(modelPath), m_databasePath(databasePath)
{
    if (modelPath.isNull())
        dw::raiseInternalInconsistency(QStringLiteral("Invalid parameter not satisfying: nil != inModelPath"), __FILE__,
                                       __LINE__);
}

SQAbstractDatabase::~SQAbstractDatabase() = default;

QString SQAbstractDatabase::supportFolderPath(const QString& name, bool create)
{
    const QString folder = QDir::cleanPath(dw::paths::applicationSupportFolder() + QLatin1Char('/') + name);
    if (create && !dw::paths::ensureFolder(folder))
        dw::raiseInternalInconsistency(
            QStringLiteral("Failed to create application support directory '%1'.").arg(folder), __FILE__, __LINE__);
    return folder;
}

QString SQAbstractDatabase::modelFilePath(const QString& name)
{
    return QDir::cleanPath(dw::paths::resourcesFolder() + QStringLiteral("/models/") + name);
}

std::shared_ptr<const SQStoreModel> SQAbstractDatabase::managedObjectModel()
{
    std::lock_guard lock(m_openMutex);
    if (!m_model) {
        m_model = SQStoreModel::load(m_modelPath);
        if (!m_model)
            QMLog("could not build model from path %@", m_modelPath);
    }
    return m_model;
}

bool SQAbstractDatabase::isReadOnly() const
{
    return persistentStoreOptions().value(QStringLiteral("readOnly")).toBool();
}

std::shared_ptr<SQStoreContext> SQAbstractDatabase::openStore(bool* damaged)
{
    *damaged = false;
    const auto model = managedObjectModel();
    const bool readOnly = isReadOnly();
    QString error;
    std::unique_ptr<dw::sq::Connection> connection;
    if (!model) {
        error = QStringLiteral("no model");
    } else if (readOnly) {
        connection = dw::sq::Connection::open(m_databasePath, dw::sq::Connection::Mode::ReadOnly, &error, damaged);
    } else {
        const bool exists = QFileInfo::exists(m_databasePath);
        connection = dw::sq::Connection::open(m_databasePath, dw::sq::Connection::Mode::Create, &error);
        if (connection && !exists) {
            const QString schema =
                QStringLiteral("BEGIN; %1; INSERT OR REPLACE INTO dw_metadata VALUES ('uuid', '%2'); "
                               "COMMIT;")
                    .arg(model->schema, QUuid::createUuid().toString(QUuid::WithoutBraces));
            if (!connection->execute(schema, &error))
                connection.reset();
        }
    }
    if (connection) {
        error = mismatch(*connection, *model);
        if (!error.isEmpty()) {
            connection.reset();
            *damaged = true;
        }
    }
    if (!connection) {
        dw::raiseInternalInconsistency(QStringLiteral("Error adding persistent store: %1\n%2")
                                           .arg(error, QStringLiteral("{NSFilePath = \"%1\"}").arg(m_databasePath)),
                                       __FILE__, __LINE__);
    }
    QString identifier = metadataValue(*connection, QStringLiteral("uuid"));
    if (identifier.isEmpty())
        identifier = QFileInfo(m_databasePath).completeBaseName();
    auto context = std::make_shared<SQStoreContext>(std::move(connection), m_databasePath, identifier, readOnly);
    context->setErrorReporter([path = m_databasePath](const QString& message) {
        dw::NotificationCenter::defaultCenter().post(
            kSQDatabaseErrorOccuredNotification,
            dw::NotificationObject::of(std::make_shared<SQDatabaseError>(SQDatabaseError{message, path})));
    });
    return context;
}

std::shared_ptr<SQStoreContext> SQAbstractDatabase::strongPersistentStoreCoordinator()
{
    std::lock_guard lock(m_openMutex);
    bool damaged = false;
    if (!m_coordinator)
        m_coordinator = openStore(&damaged);
    return m_coordinator;
}

std::shared_ptr<SQStoreContext> SQAbstractDatabase::weakPersistentStoreCoordinator()
{
    std::lock_guard lock(m_openMutex);
    if (m_coordinator)
        return m_coordinator;
    bool damaged = false;
    try {
        m_coordinator = openStore(&damaged);
        return m_coordinator;
    } catch (const dw::InternalInconsistency& failure) {
        // A damaged or outdated store is removed, so that it counts as absent and the next
        // download writes a fresh one. One we could not judge (our model missing, a file that
        // would not open) is the seller's data all the same: it stays.
        if (!damaged) {
            QMLog("Could not open store at path %@, keeping it: %@", m_databasePath, QString::fromUtf8(failure.what()));
            return nullptr;
        }
        QFile file(m_databasePath);
        if (file.exists() && !file.remove())
            QMLog("Could not delete file at path %@: %@", m_databasePath, file.errorString());
        return nullptr;
    }
}

std::shared_ptr<SQStoreContext> SQAbstractDatabase::persistentStoreCoordinator()
{
    return strongPersistentStoreCoordinator();
}

QVariantMap SQAbstractDatabase::persistentStoreOptions() const
{
    return {};
}

QVariantMap SQAbstractDatabase::readOnlyStoreOptions()
{
    return {{QStringLiteral("readOnly"), true}, {QStringLiteral("migrateAutomatically"), true}};
}

std::shared_ptr<SQStoreContext> SQAbstractDatabase::managedObjectContext()
{
    std::lock_guard lock(m_openMutex);
    if (!m_context)
        m_context = persistentStoreCoordinator();
    return m_context;
}

void SQAbstractDatabase::postErrorOccurredNotificationForError(const QString& message) const
{
    dw::NotificationCenter::defaultCenter().post(
        kSQDatabaseErrorOccuredNotification,
        dw::NotificationObject::of(std::make_shared<SQDatabaseError>(SQDatabaseError{message, m_databasePath})));
}

SQManagedObjectPtr SQAbstractDatabase::objectForManagedObjectIDURIRepresentation(const QString& uri)
{
    // x-coredata://<store>/<entity>/p<row>
    static const QString scheme = QStringLiteral("x-coredata://");
    if (uri.isNull() || !uri.startsWith(scheme))
        return nullptr;
    const QStringList parts = uri.mid(scheme.size()).split(QLatin1Char('/'));
    const auto context = managedObjectContext();
    if (parts.size() != 3 || !context || parts[0] != context->identifier() || !parts[2].startsWith(QLatin1Char('p')))
        return nullptr;
    bool numeric = false;
    const qint64 rowID = parts[2].mid(1).toLongLong(&numeric);
    if (!numeric)
        return nullptr;
    bool ok = false;
    const auto found = fetchEntity(parts[1], QStringLiteral("id = ?"), rowID, &ok);
    return found.isEmpty() ? nullptr : found.first();
}

QList<SQManagedObjectPtr> SQAbstractDatabase::allObjectsWithEntityName(const QString& entityName, QString* error)
{
    if (!managedObjectContext()) {
        if (error)
            *error = QStringLiteral("The store at %1 is not open").arg(m_databasePath);
        return {};
    }
    bool ok = false;
    auto objects = fetchEntity(entityName, QString(), 0, &ok);
    if (!ok && error)
        *error = QStringLiteral("Cannot fetch entity %1").arg(entityName);
    return objects;
}

QList<SQManagedObjectPtr> SQAbstractDatabase::fetchEntity(const QString&, const QString&, qint64, bool* ok)
{
    if (ok)
        *ok = false;
    return {};
}

void SQAbstractDatabase::faultAllEntries()
{
    if (const auto context = managedObjectContext())
        context->refreshRegisteredObjects();
}
