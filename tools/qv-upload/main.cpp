// qv-upload: runs listing documents through the operation manager the way the application does,
// without a window.
//
//     qv-upload [--verify-only] [--continue-on-warnings] [--api URL] [--pictures URL]
//               [--token TOKEN] [--site ID] DOCUMENT...
//
// --api and --pictures name the Trading API and eBay picture-service addresses in place of those
// of the preferences (so that the tool can be pointed at a local server); the token is that of
// --token or else of the default account. Every status change of an upload prints
// "DOCUMENT: status N"; a run that waits on warnings is continued with --continue-on-warnings and
// cancelled otherwise. At the end one JSON object per document goes to standard output: its
// final status, the eBay item ID, the fees, and every error and warning with its code and texts.
// Exit status: 0 when every document was listed (or verified), 1 otherwise, 2 on wrong usage.
//
// The listings are turned into eBay's requests with the services the application installs (its
// category stores, design templates and description generator), so the tool sends what the
// application would send. The pictures taken out of the documents and their upload copies live in
// a temporary folder of the run, removed at its end, and no upload records are kept of them. A
// listing whose answer from eBay was lost is listed again under the same UUID (shared with the
// application), so a second run cannot list it twice.

#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayAbstractResponseType.h"
#include "DWEBay2/types/EBayAmountType.h"
#include "DWEBay2/types/EBayFeeType.h"
#include "DWEBay2/types/EBayFeesType.h"
#include "Operations/QMAddItemOperation.h"
#include "Operations/QMGenericAddImageOperation.h"
#include "Operations/QMOperationManager.h"
#include "Operations/QMVerifyAddItemOperationEnvelope.h"
#include "model/QMAccountDataSource.h"
#include "model/QMEbayItem.h"
#include "model/QMEbayItemContainer.h"
#include "model/QMError.h"
#include "model/QMErrorEnvelope.h"
#include "model/QMPreferencesManager.h"
#include "modelservices/QMModelServices.h"
#include "platform/core/NotificationCenter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <exception>
#include <map>

namespace {

struct Options
{
    bool verifyOnly = false;
    bool continueOnWarnings = false;
    QString api;
    QString pictures;
    QString token;
    qint64 siteID = -1;
    QStringList documents;
};

int usage()
{
    std::fprintf(stderr, "usage: qv-upload [--verify-only] [--continue-on-warnings] [--api URL] [--pictures URL] "
                         "[--token TOKEN] [--site ID] DOCUMENT...\n");
    return 2;
}

void printLine(FILE* stream, const QString& line)
{
    std::fprintf(stream, "%s\n", line.toUtf8().constData());
    std::fflush(stream);
}

std::optional<Options> parse(const QStringList& arguments)
{
    Options options;
    for (qsizetype index = 0; index < arguments.size(); ++index) {
        const QString& argument = arguments.at(index);
        const bool hasValue = index + 1 < arguments.size();
        if (argument == QLatin1String("--verify-only")) {
            options.verifyOnly = true;
        } else if (argument == QLatin1String("--continue-on-warnings")) {
            options.continueOnWarnings = true;
        } else if (argument == QLatin1String("--api") && hasValue) {
            options.api = arguments.at(++index);
        } else if (argument == QLatin1String("--pictures") && hasValue) {
            options.pictures = arguments.at(++index);
        } else if (argument == QLatin1String("--token") && hasValue) {
            options.token = arguments.at(++index);
        } else if (argument == QLatin1String("--site") && hasValue) {
            bool ok = false;
            options.siteID = arguments.at(++index).toLongLong(&ok);
            if (!ok || options.siteID < 0)
                return std::nullopt;
        } else if (argument.startsWith(QLatin1String("--"))) {
            return std::nullopt;
        } else {
            options.documents << argument;
        }
    }
    if (options.documents.isEmpty())
        return std::nullopt;
    return options;
}

// The token given on the command line, for whatever account the listings name.
class GivenToken final : public QMAccountDataSource
{
public:
    explicit GivenToken(QString token) : m_token(std::move(token)) {}
    QString defaultAccountID() const override { return QStringLiteral("qv-upload"); }
    QString tokenForAccountID(const QString&) const override { return m_token; }
    QString payPalAddressForAccountID(const QString&) const override { return QString(); }

private:
    QString m_token;
};

class Connectors final : public QMOperationManagerDelegate
{
public:
    explicit Connectors(const Options& options)
    {
        const auto& preferences = QMPreferencesManager::sharedInstance();
        m_api = options.api.isEmpty() ? preferences.APIURL() : options.api;
        m_pictures = options.pictures.isEmpty() ? m_api : options.pictures;
        m_siteID = options.siteID >= 0 ? options.siteID : preferences.defaultSiteID();
        m_devID = preferences.devID();
        m_appID = preferences.appID();
        m_certID = preferences.certID();
    }
    std::unique_ptr<DWEbayConnector> standardEbayConnector() override { return connector(m_api); }
    std::unique_ptr<DWEbayConnector> pictureServiceConnector() override { return connector(m_pictures); }

private:
    std::unique_ptr<DWEbayConnector> connector(const QString& url) const
    {
        auto made = std::make_unique<DWEbayConnector>(url, m_siteID, kCompatibilityLevel);
        made->setEbayDeveloperID(m_devID);
        made->setEbayApplicationID(m_appID);
        made->setEbayCertificateID(m_certID);
        return made;
    }
    static constexpr qint64 kCompatibilityLevel = 747;
    QString m_api;
    QString m_pictures;
    qint64 m_siteID = 0;
    QString m_devID;
    QString m_appID;
    QString m_certID;
};

struct Document
{
    QString path;
    std::shared_ptr<QMEbayItem> item;
};

std::shared_ptr<QMEbayItem> readDocument(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return nullptr;
    }
    const auto containers = QMEbayItemContainer::containersFromDocumentData(file.readAll(), error);
    if (!containers)
        return nullptr;
    const auto& container = containers->first();
    // The embedded pictures go to temporary files, from which they are uploaded.
    if (!container->importAndSaveImages(error))
        return nullptr;
    return container->item();
}

void addErrors(QJsonArray& list, QList<const QMError*>& seen, const std::shared_ptr<QMErrorEnvelope>& envelope)
{
    if (!envelope)
        return;
    for (const auto& error : envelope->errors()) {
        if (!error || seen.contains(error.get()))
            continue;
        seen << error.get();
        list.append(QJsonObject{{QStringLiteral("code"), error->code()},
                                {QStringLiteral("level"), error->level()},
                                {QStringLiteral("message"), error->message()},
                                {QStringLiteral("shortMessage"), error->shortMessage()}});
    }
    if (!envelope->eBayMessage().isEmpty() && !seen.contains(nullptr)) {
        seen << nullptr;
        list.append(QJsonObject{{QStringLiteral("code"), QString()},
                                {QStringLiteral("level"), QStringLiteral("message")},
                                {QStringLiteral("message"), envelope->eBayMessage()},
                                {QStringLiteral("shortMessage"), QString()}});
    }
}

QJsonObject feesOfResponse(const std::shared_ptr<EBayAbstractResponseType>& response)
{
    QJsonObject fees;
    if (!response)
        return fees;
    const auto all = std::dynamic_pointer_cast<EBayFeesType>(
        DWGeneratedObject::objectFromVariant(response->valueForKey(QStringLiteral("fees"))));
    if (!all || !all->fees())
        return fees;
    for (const auto& fee : *all->fees()) {
        if (fee && fee->fee())
            fees.insert(fee->name(), QString::number(fee->fee()->contents(), 'f', 2));
    }
    return fees;
}

bool accepted(const std::shared_ptr<EBayAbstractResponseType>& response)
{
    return response && (response->ack() == QLatin1String("Success") || response->ack() == QLatin1String("Warning"));
}

int runUploads(QCoreApplication& app, const Options& options, const QList<Document>& documents,
               QMOperationManager& manager, const QString& accountID)
{
    QList<std::shared_ptr<QMEbayItem>> items;
    for (const auto& document : documents)
        items << document.item;
    std::map<const void*, QString> pathOf;
    std::map<const void*, int> finished;
    auto& center = dw::NotificationCenter::defaultCenter();
    const dw::ScopedObservation statusObservation(
        center,
        center.addObserver(QLatin1String(kQMAddItemOperationEnvelopeStatusChangedNotification), nullptr,
                           [&](const dw::Notification& note) {
                               const auto found = pathOf.find(note.object.identity);
                               if (found == pathOf.end())
                                   return;
                               const int status =
                                   note.userInfo.value(QLatin1String(kQMAddItemOperationEnvelopeStatusKey)).toInt();
                               printLine(stdout, QStringLiteral("%1: status %2").arg(found->second).arg(status));
                           }));
    QList<std::shared_ptr<QMAddItemOperationEnvelope>> envelopes;
    const auto allFinished = [&] {
        for (const auto& envelope : envelopes) {
            if (finished[envelope.get()] == 0)
                return false;
        }
        return true;
    };
    const dw::ScopedObservation finishedObservation(
        center,
        center.addObserver(
            QLatin1String(kDWNSOperationEnvelopeQueueEnvelope_finished), nullptr, [&](const dw::Notification& note) {
                const auto envelope =
                    note.userInfo.value(QLatin1String(kDWNSUserInfoKeyEnvelope)).value<DWNSOperationEnvelopePtr>();
                ++finished[envelope.get()];
                if (allFinished())
                    app.quit();
            }));
    // The status notifications are delivered later, so the envelopes are known by then.
    envelopes = manager.addAddItemOperationsForEbayItems(
        items, int(QMPreferencesManager::sharedInstance().defaultImageUploadingSystemTag()), false, false, false, false,
        accountID);
    for (qsizetype index = 0; index < envelopes.size(); ++index)
        pathOf[envelopes.at(index).get()] = documents.at(index).path;

    QTimer waiting;
    QObject::connect(&waiting, &QTimer::timeout, [&] {
        for (const auto& envelope : envelopes) {
            if (!envelope->suspended())
                continue;
            const bool onlyWarnings = !envelope->allOperationsCanceled();
            if (!(options.continueOnWarnings && onlyWarnings))
                envelope->cancelAllOperations();
            envelope->continueExecution();
        }
    });
    waiting.start(20);
    if (!allFinished())
        app.exec();

    bool allListed = true;
    for (qsizetype index = 0; index < envelopes.size(); ++index) {
        const auto& envelope = envelopes.at(index);
        QJsonArray errors;
        QList<const QMError*> seen;
        if (const auto& verify = envelope->verifyAddItemOperation())
            addErrors(errors, seen, verify->errorEnvelope());
        for (const auto& upload : envelope->addImageOperations())
            addErrors(errors, seen, upload->errorEnvelope());
        const auto& add = envelope->auctionItemOperation();
        addErrors(errors, seen, add->errorEnvelope());
        addErrors(errors, seen, envelope->errorEnvelope());
        const auto response = add->addItemResponse();
        const QString itemID = response ? response->valueForKey(QStringLiteral("itemID")).toString() : QString();
        const bool listed = envelope->status() == QMAddItemOperationEnvelope::Finished && accepted(response) &&
                            !itemID.isEmpty() && !(add->errorEnvelope() && add->errorEnvelope()->hasError());
        allListed = allListed && listed;
        const QJsonObject result{{QStringLiteral("document"), documents.at(index).path},
                                 {QStringLiteral("status"), envelope->status()},
                                 {QStringLiteral("listed"), listed},
                                 {QStringLiteral("itemID"), itemID.isEmpty() ? QJsonValue() : QJsonValue(itemID)},
                                 {QStringLiteral("fees"), feesOfResponse(response)},
                                 {QStringLiteral("errors"), errors}};
        printLine(stdout, QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Compact)));
    }
    return allListed ? 0 : 1;
}

int runVerifications(QCoreApplication& app, const QList<Document>& documents, QMOperationManager& manager,
                     const QString& accountID)
{
    QList<std::shared_ptr<QMEbayItem>> items;
    for (const auto& document : documents)
        items << document.item;
    const auto envelope =
        manager.addVerifyAddItemOperationsForEbayItems(items, accountID, QString(), true, false, false);
    QTimer waiting;
    QObject::connect(&waiting, &QTimer::timeout, [&] {
        if (envelope->fees().has_value() || envelope->queue() == nullptr)
            app.quit();
    });
    waiting.start(20);
    app.exec();

    bool allVerified = true;
    for (qsizetype index = 0; index < envelope->operations().size(); ++index) {
        const auto verify = std::dynamic_pointer_cast<QMVerifyAddItemOperation>(envelope->operations().at(index));
        QJsonArray errors;
        QList<const QMError*> seen;
        addErrors(errors, seen, verify->errorEnvelope());
        const bool verified =
            accepted(verify->response()) && !(verify->errorEnvelope() && verify->errorEnvelope()->hasError());
        allVerified = allVerified && verified;
        const QJsonObject result{{QStringLiteral("document"), documents.at(index).path},
                                 {QStringLiteral("status"),
                                  verified ? QMAddItemOperationEnvelope::Finished : QMAddItemOperationEnvelope::Failed},
                                 {QStringLiteral("verified"), verified},
                                 {QStringLiteral("itemID"), QJsonValue()},
                                 {QStringLiteral("fees"), feesOfResponse(verify->response())},
                                 {QStringLiteral("errors"), errors}};
        printLine(stdout, QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Compact)));
    }
    return allVerified ? 0 : 1;
}

int run(QCoreApplication& app, const Options& options)
{
    // What the application installs, so that a listing goes out here as it does from there.
    if (!options.token.isEmpty())
        QMAccountDataSource::install(std::make_shared<GivenToken>(options.token));
    QString servicesError;
    if (!QMModelServices::install(options.token.isEmpty() ? QMModelServices::Accounts::Keychain
                                                          : QMModelServices::Accounts::AlreadyInstalled,
                                  &servicesError))
        printLine(stderr, QStringLiteral("qv-upload: warning: %1").arg(servicesError));
    QMEbayItemContainer::registerArchiveClass();
    QList<Document> documents;
    for (const QString& path : options.documents) {
        QString error;
        const auto item = readDocument(path, &error);
        if (!item) {
            printLine(stderr, QStringLiteral("qv-upload: %1: %2").arg(path, error));
            return 1;
        }
        documents << Document{path, item};
    }

    const auto accounts = QMAccountDataSource::installed();
    const QString accountID = accounts ? accounts->defaultAccountID() : QString();
    if (accountID.isEmpty() || accounts->tokenForAccountID(accountID).isEmpty()) {
        printLine(stderr, QStringLiteral("qv-upload: no token: pass --token or sign in to an eBay account"));
        return 1;
    }

    const auto connectors = std::make_shared<Connectors>(options);
    const auto manager = QMOperationManager::create();
    manager->setDelegate(connectors);
    QMModelServices::configureOperationManager(*manager);
    QList<std::shared_ptr<QMEbayItem>> open;
    for (const auto& document : documents)
        open << document.item;
    manager->setOpenListings([open] { return open; });
    return options.verifyOnly ? runVerifications(app, documents, *manager, accountID)
                              : runUploads(app, options, documents, *manager, accountID);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const auto options = parse(app.arguments().mid(1));
    if (!options)
        return usage();

    // The run's pictures (taken out of the documents, and their upload copies) go to a folder of
    // the run's own, which goes with it.
    QTemporaryDir pictures(QDir::tempPath() + QStringLiteral("/qv-upload-XXXXXX"));
    if (!pictures.isValid()) {
        printLine(stderr, QStringLiteral("qv-upload: no temporary folder: %1").arg(pictures.errorString()));
        return 1;
    }
    qputenv("TMPDIR", QFile::encodeName(pictures.path()));
    QMGenericAddImageOperation::setKeepsImageInformations(false);
    try {
        return run(app, *options);
    } catch (const std::exception& e) {
        printLine(stderr, QStringLiteral("qv-upload: cannot go on: %1").arg(QString::fromUtf8(e.what())));
        return 1;
    }
}
