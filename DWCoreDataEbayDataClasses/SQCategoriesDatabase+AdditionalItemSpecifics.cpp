#include "DWCoreDataEbayDataClasses/SQCategoriesDatabase.h"

#include "SQStoreContext_p.h"

#include "platform/core/DWAssert.h"
#include "platform/core/NotificationCenter.h"

#include <QUuid>

std::shared_ptr<SQStoreContext> SQCategoriesDatabase::contextForAdditionalItemSpecifics()
{
    std::lock_guard lock(m_additionalItemSpecificsMutex);
    if (m_contextForAdditionalItemSpecifics)
        return m_contextForAdditionalItemSpecifics;
    QString error;
    const auto model = managedObjectModel();
    std::unique_ptr<dw::sq::Connection> connection;
    if (!model)
        error = QStringLiteral("no model at %1").arg(modelPath());
    else
        connection = dw::sq::Connection::open(QStringLiteral(":memory:"), dw::sq::Connection::Mode::Create, &error);
    if (connection && !connection->execute(model->schema, &error))
        connection.reset();
    if (!connection)
        dw::raiseInternalInconsistency(QStringLiteral("Error adding in memory persistent store: %1").arg(error),
                                       __FILE__, __LINE__);
    m_contextForAdditionalItemSpecifics = std::make_shared<SQStoreContext>(
        std::move(connection), QStringLiteral(":memory:"), QUuid::createUuid().toString(QUuid::WithoutBraces), false);
    m_contextForAdditionalItemSpecifics->setErrorReporter([](const QString& message) {
        dw::NotificationCenter::defaultCenter().post(
            kSQDatabaseErrorOccuredNotification,
            dw::NotificationObject::of(std::make_shared<SQDatabaseError>(SQDatabaseError{message, QString()})));
    });
    return m_contextForAdditionalItemSpecifics;
}

void SQCategoriesDatabase::deleteAdditionalItemSpecifics()
{
    const auto context = contextForAdditionalItemSpecifics();
    std::lock_guard lock(context->mutex());
    // The values stay: an editor may still show a specific of an earlier recommendation, and its
    // values are read through its row ID, which no later specific reuses.
    if (!context->connection().execute(QStringLiteral("DELETE FROM ItemSpecific")))
        context->reportError(context->connection().lastError());
}

SQItemSpecificPtr SQCategoriesDatabase::insertAdditionalItemSpecific(qint64 index, const QString& name,
                                                                     const QStringList& values)
{
    const auto context = contextForAdditionalItemSpecifics();
    qint64 rowID = 0;
    {
        std::lock_guard guard(m_additionalItemSpecificsMutex);
        rowID = ++m_lastAdditionalItemSpecificRowID;
    }
    std::lock_guard lock(context->mutex());
    auto& connection = context->connection();
    dw::sq::Statement specific =
        connection.prepare(QStringLiteral("INSERT INTO ItemSpecific (id, name, \"index\") VALUES (?, ?, ?)"));
    specific.bind(1, rowID).bind(2, name).bind(3, index);
    if (!specific.run()) {
        context->reportError(connection.lastError());
        return nullptr;
    }
    dw::sq::Statement value = connection.prepare(QStringLiteral(
        "INSERT INTO ItemSpecificValue (value, \"index\", confidence, itemSpecific) VALUES (?, ?, 0, ?)"));
    for (qsizetype i = 0; i < values.size(); ++i) {
        value.reset();
        value.bind(1, values.at(i)).bind(2, qint64(i)).bind(3, rowID);
        if (!value.run())
            context->reportError(connection.lastError());
    }
    return context->objectWithRowID<SQItemSpecific>(rowID);
}
