#pragma once
// The base of every operation that talks to eBay.
//
// Each operation gets a connector of its own from the factory it is made with (never one shared
// with another operation), sends its call on its worker thread and reports the outcome in two
// places: an error envelope on the operation, which envelopes, the document and the panels read
// after the ended notification, and one activity-log entry whose state goes from "pending" to
// "success", "warning", "failure" or "cancel". The base supplies what every call shares: the
// request settings (warning level, error language), the check of a raw reply before it is parsed,
// the reading of a reply into its response class, and the turning of a failed reply into an error
// envelope and a log state.
//
// Whatever the work throws (an assertion, a reader's exception) ends the operation as a failure:
// the error envelope holds the reason and the log entry reads "failure", never "success".
//
//     class GetUserOperation : public QMGenericEbayNSOperation {
//         using QMGenericEbayNSOperation::QMGenericEbayNSOperation;
//         QString name() const override { return dw::localized("Get User"); }
//         void internalMain() override {
//             auto entry = QMLogEntry::logEntryOfType(QStringLiteral("getUser"));
//             addLogEntry(entry);
//             const auto reply = connector()->sendRequestWithToken(request, QStringLiteral("GetUser"));
//             if (!validateReceivedXMLData(reply, entry))
//                 return;
//             auto response = responseFromData<EBayGetUserResponseType>(*reply, entry);
//             if (!response)
//                 return;
//             if (response->ack() != QLatin1String("Success"))
//                 return completeOperationWithFailedResponse(response, entry);
//             setSuccessStateForLogEntry(entry);
//         }
//     };
//
// The work runs on the operation's worker thread; the task-name notification is delivered on the
// main thread while the worker waits. The other accessors may be used from any thread.

#include "DWKit/DWOperation/DWNSOperation.h"
#include "DWKit/QMLogEntry.h"
#include "model/QMErrorEnvelope.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class DWEbayConnector;
class EBayAbstractRequestType;
class EBayAbstractResponseType;

// Makes a new connector, set up with the application's eBay credentials, on every call.
using QMEbayConnectorFactory = std::function<std::unique_ptr<DWEbayConnector>()>;

inline constexpr const char* kQMGenericEbayNSOperationTaskNameChangedNotification =
    "GenericEbayNSOperationTaskNameChanged";

class QMGenericEbayNSOperation : public DWNSOperation
{
public:
    // Asks the factory for the operation's connector; a factory that gives none is a caller error
    // (DW_ASSERT). The operation starts indeterminate.
    explicit QMGenericEbayNSOperation(const QMEbayConnectorFactory& connectorFactory);
    ~QMGenericEbayNSOperation() override;

    // The operation's own connector, for its worker thread.
    DWEbayConnector* connector() const { return m_connector.get(); }

    // "GenericEbayOperation" here; each operation answers its own localised name, which is also
    // the "operation" of its error envelopes.
    virtual QString name() const;
    virtual QString operationDescription() const;

    QString currentTaskName() const;
    // Stores a different name and, when it is not null, posts the task-name notification on the
    // main thread and waits until it has been delivered.
    void setCurrentTaskName(const QString& name);
    std::shared_ptr<QMErrorEnvelope> errorEnvelope() const;
    void setErrorEnvelope(const std::shared_ptr<QMErrorEnvelope>& envelope);
    // The user is not to be shown this operation's errors.
    bool suppressErrorMessage() const;
    void setSuppressErrorMessage(bool suppress);
    // The error envelope holds at least one error or warning.
    bool errorOccurred() const;

    // "en_US" against eBay's sandbox, else null (the request then names no language).
    QString errorLanguage() const;
    // "High" when the preferences ask for it, else null.
    QString ebayWarningLevel() const;

    // The operation's activity-log entry: addLogEntry() hands it to the log (waiting for the main
    // thread) and remembers it, so that a failure the work did not foresee still reaches it.
    QMLogEntryPtr logEntry() const;
    void addLogEntry(const QMLogEntryPtr& entry);

    // Checks a raw reply before any parsing: no reply or an empty one is a network error, one that
    // does not begin with an XML declaration cannot be eBay's. On such a reply the error envelope
    // says so, the entry (when given) reads "failure", and the answer is false. No reply at all
    // from a cancelled operation (its call was stopped) is no error: the entry reads "cancel".
    [[nodiscard]] bool validateReceivedXMLData(const std::optional<QByteArray>& data, const QMLogEntryPtr& entry);
    // Sends the request with the connector's token and checks the reply as above. No reply when the
    // work is to stop: cancelled before or after the call (the entry then reads "cancel"), or a
    // reply that does not pass the check.
    [[nodiscard]] std::optional<QByteArray>
    sendRequestWithTokenUnlessCancelled(const std::shared_ptr<EBayAbstractRequestType>& request, const QString& verb,
                                        const QMLogEntryPtr& entry);
    // The reply read into its response class; null, with the failure recorded as above, when it
    // does not read (a reply cut off after its declaration, say).
    template<class Response>
    std::shared_ptr<Response> responseFromData(const QByteArray& data, const QMLogEntryPtr& entry)
    {
        QString error;
        auto response = Response::requestWithXMLData(data, &error);
        if (!response)
            reportUnreadableReply(data, error, entry);
        return response;
    }
    // eBay's errors of the reply become the error envelope (warnings on the ignore list left out);
    // the entry reads "warning" for an acknowledgement "Warning", else "cancel" when the operation
    // was cancelled, else "failure".
    void completeOperationWithFailedResponse(const std::shared_ptr<EBayAbstractResponseType>& response,
                                             const QMLogEntryPtr& entry);

    // Sets the state unless the entry already reads "failure" (a failure stays one), and tells
    // the log that entries changed.
    void setState(const QString& state, const QMLogEntryPtr& entry);
    void setSuccessStateForLogEntry(const QMLogEntryPtr& entry);
    void setCancelledStateForLogEntry(const QMLogEntryPtr& entry);

    // A successful reply that carries a message of eBay's becomes a warning, so that the user
    // sees the message: its error list becomes one warning with code "1" that points to it.
    static void promoteEBayMessageToWarning(EBayAbstractResponseType& response);

protected:
    // Every concrete operation has its own; the base throws "Must be implemented in subclasses".
    void internalMain() override;
    void operationDidThrow(const QString& reason) override;

private:
    void reportProblem(const QString& message, const QMLogEntryPtr& entry);
    void reportUnreadableReply(const QByteArray& data, const QString& parseError, const QMLogEntryPtr& entry);

    std::unique_ptr<DWEbayConnector> m_connector;
    mutable std::mutex m_mutex;
    QString m_currentTaskName;
    std::shared_ptr<QMErrorEnvelope> m_errorEnvelope;
    bool m_suppressErrorMessage = false;
    QMLogEntryPtr m_logEntry;
};
