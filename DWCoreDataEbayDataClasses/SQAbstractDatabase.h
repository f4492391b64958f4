#pragma once
// The common base of the local category-data stores: one SQLite file read (or, for the path
// cache, written) through a schema of ours.
//
// The schema ("model") is an SQL file among the resources (resources/models/*.sql): one table per
// entity with columns named as the entity's attributes, a column per to-one relationship holding
// the row ID of the other object, join tables for many-to-many relationships, the indexes (they
// must be in the file, since a read-only store cannot add them later) and a table "dw_metadata"
// naming the model and its schema version. A store file fits a model when its metadata names the
// same model and version and it has every table and column of the model.
//
// Everything is opened lazily, on the first managedObjectContext(). A store that cannot be opened
// is handled in one of two ways: the strong form throws dw::InternalInconsistency ("Error adding
// persistent store: ..."), the weak form deletes a damaged or outdated file (so that the next
// download replaces it) and answers null. A file is deleted only when it was opened and does not
// fit the model: when the fault is ours (no model among the resources) or the file cannot be opened
// at all (no permission, gone), the weak form answers null and leaves the file as it is. Read-only
// subclasses use the weak form, the path cache the strong one. Failed queries post "SQDatabaseErrorOccured" with an SQDatabaseError as object.
//
// A store's objects and queries may be used from any thread; every use of the file goes under the
// store's own lock.
//
//     SQCategoriesDatabase store(77);          // a subclass
//     if (store.managedObjectContext()) ...    // the file is open and fits the model

#include "DWCoreDataEbayDataClasses/SQManagedObject.h"

#include <QHash>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <mutex>

inline const QString kSQDatabaseErrorOccuredNotification = QStringLiteral("SQDatabaseErrorOccured");

// A parsed model: the schema file's statements and what they define.
struct SQStoreModel
{
    QString name;                       // dw_metadata "model"
    qint64 version = 0;                 // dw_metadata "schemaVersion"
    QString schema;                     // the SQL that creates an empty store
    QHash<QString, QStringList> tables; // table name → column names

    // Loads and checks a schema file; null (and a reason) when it cannot be read or run.
    static std::shared_ptr<const SQStoreModel> load(const QString& path, QString* reason = nullptr);
};

class SQAbstractDatabase
{
public:
    // The model path may not be null ("nil != inModelPath"). Opens nothing.
    SQAbstractDatabase(const QString& modelPath, const QString& databasePath);
    virtual ~SQAbstractDatabase();
    SQAbstractDatabase(const SQAbstractDatabase&) = delete;
    SQAbstractDatabase& operator=(const SQAbstractDatabase&) = delete;

    const QString& modelPath() const { return m_modelPath; }
    void setModelPath(const QString& path) { m_modelPath = path; }
    const QString& databasePath() const { return m_databasePath; }
    void setDatabasePath(const QString& path) { m_databasePath = path; }

    // The model, loaded on first use; null (with a log line) when it cannot be built, and tried
    // again at the next call.
    std::shared_ptr<const SQStoreModel> managedObjectModel();
    // Opens the file against the model: read-only stores need a file that fits; a writable store
    // creates a missing file. Throws dw::InternalInconsistency when it cannot.
    std::shared_ptr<SQStoreContext> strongPersistentStoreCoordinator();
    // The same, but null instead of the exception; the file is deleted when it opened and does not
    // fit the model, and kept otherwise.
    std::shared_ptr<SQStoreContext> weakPersistentStoreCoordinator();
    // The form the store uses: strong here, weak in the read-only subclasses.
    virtual std::shared_ptr<SQStoreContext> persistentStoreCoordinator();
    // {"readOnly": true} for the read-only stores; empty (writable) here.
    virtual QVariantMap persistentStoreOptions() const;
    // The options of the downloaded stores, which are never written.
    static QVariantMap readOnlyStoreOptions();
    // The open store; null while it cannot be opened (a later call tries again).
    std::shared_ptr<SQStoreContext> managedObjectContext();

    // A folder of the stores inside the application support folder, made when `create` is set (an
    // assertion failure when it cannot be made).
    static QString supportFolderPath(const QString& name, bool create);
    // A schema file among the resources ("models/<name>").
    static QString modelFilePath(const QString& name);

    // Posts "SQDatabaseErrorOccured" with the error as object.
    void postErrorOccurredNotificationForError(const QString& message) const;
    // The object of an ID given by objectIDURIRepresentation(); null for a text that names no
    // object of this store.
    SQManagedObjectPtr objectForManagedObjectIDURIRepresentation(const QString& uri);
    // Every object of an entity, unsorted; an error comes back through `error` and is not posted.
    QList<SQManagedObjectPtr> allObjectsWithEntityName(const QString& entityName, QString* error);
    // Reads every object handed out so far again from the file.
    void faultAllEntries();

protected:
    bool isReadOnly() const;
    // The objects of an entity by name, for allObjectsWithEntityName() and object IDs; subclasses
    // answer for the entities of their model.
    virtual QList<SQManagedObjectPtr> fetchEntity(const QString& entityName, const QString& where, qint64 rowID,
                                                  bool* ok);

private:
    // Throws as strongPersistentStoreCoordinator() does; `damaged` tells whether the file itself
    // was at fault (it opened and does not fit the model).
    std::shared_ptr<SQStoreContext> openStore(bool* damaged);

    QString m_modelPath;
    QString m_databasePath;
    std::shared_ptr<const SQStoreModel> m_model;
    std::shared_ptr<SQStoreContext> m_coordinator;
    std::shared_ptr<SQStoreContext> m_context;
    std::recursive_mutex m_openMutex; // a store may be opened from the main thread and a saving worker
};
