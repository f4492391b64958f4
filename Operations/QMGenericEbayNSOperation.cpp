#include "Operations/QMGenericEbayNSOperation.h"

#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayAbstractResponseType.h"
#include "DWEBay2/types/EBayErrorType.h"
#include "DWKit/NSNotificationCenter+DWExtensions.h"
#include "DWKit/QMLog.h"
#include "DWKit/QMLogManager.h"
#include "model/DWEbayPreferencesManager.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"
#include "platform/core/TypeName.h"

#include <cstdlib>
#include <typeinfo>

namespace {

// eBay's replies begin with an XML declaration; so many bytes are enough to show what came instead.
constexpr qsizetype kReplyPrefixLength = 39;

QString replyPrefix(const QByteArray& data)
{
    return QString::fromUtf8(data.left(kReplyPrefixLength));
}

QString unparsableReplyMessage(const QByteArray& data)
{
    return dw::format(dw::localized("Could not parse eBay response with prefix “%@”."), replyPrefix(data));
}

void announceLogChange()
{
    QMLogManager::sharedInstance()->postEntitiesChangedNotificationFromThread();
}

} // namespace

QMGenericEbayNSOperation::QMGenericEbayNSOperation(const QMEbayConnectorFactory& connectorFactory)
    : m_connector(connectorFactory ? connectorFactory() : nullptr)
{
    DW_ASSERT(m_connector != nullptr, "Need connector");
    // A cancel, or the queues' end on quit, stops a call in flight instead of waiting it out.
    m_connector->setCancelFlag(cancelFlag());
    setIndeterminate(true);
}

QMGenericEbayNSOperation::~QMGenericEbayNSOperation() = default;

QString QMGenericEbayNSOperation::name() const
{
    return QStringLiteral("GenericEbayOperation");
}

QString QMGenericEbayNSOperation::operationDescription() const
{
    return name();
}

QString QMGenericEbayNSOperation::currentTaskName() const
{
    std::lock_guard lock(m_mutex);
    return m_currentTaskName;
}

void QMGenericEbayNSOperation::setCurrentTaskName(const QString& name)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_currentTaskName == name && m_currentTaskName.isNull() == name.isNull())
            return;
        m_currentTaskName = name;
    }
    if (name.isNull())
        return;
    auto self = weak_from_this().lock();
    const auto object = self ? dw::NotificationObject::of(self) : dw::NotificationObject::of(this);
    dw::postNotificationNameToMainThread(dw::NotificationCenter::defaultCenter(),
                                         QLatin1String(kQMGenericEbayNSOperationTaskNameChangedNotification), object,
                                         {}, true);
}

std::shared_ptr<QMErrorEnvelope> QMGenericEbayNSOperation::errorEnvelope() const
{
    std::lock_guard lock(m_mutex);
    return m_errorEnvelope;
}

void QMGenericEbayNSOperation::setErrorEnvelope(const std::shared_ptr<QMErrorEnvelope>& envelope)
{
    std::lock_guard lock(m_mutex);
    m_errorEnvelope = envelope;
}

bool QMGenericEbayNSOperation::suppressErrorMessage() const
{
    std::lock_guard lock(m_mutex);
    return m_suppressErrorMessage;
}

void QMGenericEbayNSOperation::setSuppressErrorMessage(bool suppress)
{
    std::lock_guard lock(m_mutex);
    m_suppressErrorMessage = suppress;
}

bool QMGenericEbayNSOperation::errorOccurred() const
{
    const auto envelope = errorEnvelope();
    return envelope && (envelope->hasError() || envelope->containsWarning());
}

QString QMGenericEbayNSOperation::errorLanguage() const
{
    return DWEbayPreferencesManager::sharedInstance().isRunningInSandbox() ? QStringLiteral("en_US") : QString();
}

QString QMGenericEbayNSOperation::ebayWarningLevel() const
{
    return DWEbayPreferencesManager::sharedInstance().eBayAPIWarningLevelHigh() ? QStringLiteral("High") : QString();
}

QMLogEntryPtr QMGenericEbayNSOperation::logEntry() const
{
    std::lock_guard lock(m_mutex);
    return m_logEntry;
}

void QMGenericEbayNSOperation::addLogEntry(const QMLogEntryPtr& entry)
{
    DW_PARAMETER_ASSERT(entry != nullptr);
    {
        std::lock_guard lock(m_mutex);
        m_logEntry = entry;
    }
    QMLogManager::sharedInstance()->addEntryFromThread(entry);
}

std::optional<QByteArray>
QMGenericEbayNSOperation::sendRequestWithTokenUnlessCancelled(const std::shared_ptr<EBayAbstractRequestType>& request,
                                                              const QString& verb, const QMLogEntryPtr& entry)
{
    // A cancelled run ends its entry too: the activity log must not show it pending for good.
    if (isCancelled()) {
        setCancelledStateForLogEntry(entry);
        return std::nullopt;
    }
    auto reply = connector()->sendRequestWithToken(request, verb);
    if (isCancelled()) {
        setCancelledStateForLogEntry(entry);
        return std::nullopt;
    }
    if (!validateReceivedXMLData(reply, entry))
        return std::nullopt;
    if (isCancelled()) {
        setCancelledStateForLogEntry(entry);
        return std::nullopt;
    }
    return reply;
}

bool QMGenericEbayNSOperation::validateReceivedXMLData(const std::optional<QByteArray>& data,
                                                       const QMLogEntryPtr& entry)
{
    // A call stopped by the cancel: nothing went wrong, and nothing is to be read.
    if (!data && isCancelled()) {
        setCancelledStateForLogEntry(entry);
        return false;
    }
    if (!data || data->isEmpty()) {
        reportProblem(dw::localized("A network error occurred while trying to connect to the eBay server. Please "
                                    "check your internet connection and try again."),
                      entry);
        return false;
    }
    if (!replyPrefix(*data).toLower().startsWith(QLatin1String("<?xml"))) {
        reportProblem(unparsableReplyMessage(*data), entry);
        return false;
    }
    return true;
}

void QMGenericEbayNSOperation::reportUnreadableReply(const QByteArray& data, const QString& parseError,
                                                     const QMLogEntryPtr& entry)
{
    dw::consoleWrite(dw::format("%@: could not read eBay's reply: %@", dw::typeName(typeid(*this)), parseError));
    reportProblem(unparsableReplyMessage(data), entry);
}

void QMGenericEbayNSOperation::reportProblem(const QString& message, const QMLogEntryPtr& entry)
{
    const auto envelope = QMErrorEnvelope::errorEnvelopeWithMessage(message, QLatin1String(kQMErrorSourceEBay), name());
    setErrorEnvelope(envelope);
    if (!entry)
        return;
    entry->setState(QLatin1String(kQMLogEntryStateFailure));
    entry->setErrorEnvelope(envelope);
    announceLogChange();
}

void QMGenericEbayNSOperation::completeOperationWithFailedResponse(
    const std::shared_ptr<EBayAbstractResponseType>& response, const QMLogEntryPtr& entry)
{
    DW_PARAMETER_ASSERT(response != nullptr);
    QMLog("%@ got first %@: %@", dw::typeName(typeid(*this)), response->firstErrorSeverityCode(),
          response->firstErrorMessage());
    QList<QMEBayErrorRecord> records;
    if (const auto& errors = response->errorss()) {
        for (const auto& error : *errors) {
            if (error)
                records.append(
                    {error->severityCode(), error->errorCode(), error->longMessage(), error->shortMessage()});
        }
    }
    const auto envelope = QMErrorEnvelope::errorEnvelopeWithEBayErrors(records, name(), response->message());
    setErrorEnvelope(envelope);
    if (!entry)
        return;
    if (response->ack() == QLatin1String("Warning"))
        entry->setState(QLatin1String(kQMLogEntryStateWarning));
    else if (isCancelled())
        entry->setState(QLatin1String(kQMLogEntryStateCancel));
    else
        entry->setState(QLatin1String(kQMLogEntryStateFailure));
    entry->setErrorEnvelope(envelope);
    announceLogChange();
}

void QMGenericEbayNSOperation::setState(const QString& state, const QMLogEntryPtr& entry)
{
    if (!entry)
        return;
    if (entry->state() != QLatin1String(kQMLogEntryStateFailure))
        entry->setState(state);
    announceLogChange();
}

void QMGenericEbayNSOperation::setSuccessStateForLogEntry(const QMLogEntryPtr& entry)
{
    setState(QLatin1String(kQMLogEntryStateSuccess), entry);
}

void QMGenericEbayNSOperation::setCancelledStateForLogEntry(const QMLogEntryPtr& entry)
{
    setState(QLatin1String(kQMLogEntryStateCancel), entry);
}

void QMGenericEbayNSOperation::promoteEBayMessageToWarning(EBayAbstractResponseType& response)
{
    if (response.ack() != QLatin1String("Success") || response.message().isEmpty())
        return;
    const QString text = dw::localized("eBay has a message for you. Click “More Info” to see it.");
    auto error = EBayErrorType::errorType();
    error->setShortMessage(text);
    error->setLongMessage(text);
    error->setErrorCode(QLatin1String(kQMErrorCodeEbayMessage));
    error->setErrorClassification(QStringLiteral("RequestError"));
    error->setSeverityCode(QStringLiteral("Warning"));
    response.setErrorss(std::make_shared<QList<std::shared_ptr<EBayErrorType>>>(QList{error}));
    response.setAck(QStringLiteral("Warning"));
}

void QMGenericEbayNSOperation::internalMain()
{
    DW_ASSERT(false, "Must be implemented in subclasses");
}

void QMGenericEbayNSOperation::operationDidThrow(const QString& reason)
{
    // Whatever the work had recorded, the call did not go through: the envelope says why and the
    // entry reads "failure", also when the work had already marked it a success.
    const auto envelope = QMErrorEnvelope::errorEnvelopeWithMessage(reason, QLatin1String(kQMErrorSourceEBay), name());
    setErrorEnvelope(envelope);
    const auto entry = logEntry();
    if (!entry)
        return;
    entry->setState(QLatin1String(kQMLogEntryStateFailure));
    entry->setErrorEnvelope(envelope);
    announceLogChange();
}
