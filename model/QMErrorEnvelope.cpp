#include "model/QMErrorEnvelope.h"

#include "model/DWEbayPreferencesManager.h"

#include "DWKit/QMLog.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <algorithm>
#include <mutex>

namespace {

QString decodedText(dw::KeyedUnarchiver& coder, const QString& key)
{
    const QVariant value = coder.decodeObjectForKey(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

} // namespace

QMErrorEnvelope::QMErrorEnvelope(const QString& source, const QString& operation)
    : m_source(source), m_operation(operation)
{}

std::shared_ptr<QMErrorEnvelope> QMErrorEnvelope::errorEnvelopeWithEBayErrors(const QList<QMEBayErrorRecord>& records,
                                                                              const QString& operation,
                                                                              const QString& eBayMessage)
{
    auto envelope = std::make_shared<QMErrorEnvelope>(QLatin1String(kQMErrorSourceEBay), operation);
    const auto& preferences = DWEbayPreferencesManager::sharedInstance();
    QMErrorList errors;
    for (const QMEBayErrorRecord& record : records) {
        if (record.severityCode == QLatin1String("Warning") && preferences.warningCodeIsOnIgnoreList(record.errorCode))
            continue;
        errors.append(QMError::errorWithEBayError(record));
    }
    envelope->m_errors = errors;
    envelope->m_eBayMessage = eBayMessage;
    return envelope;
}

std::shared_ptr<QMErrorEnvelope>
QMErrorEnvelope::errorEnvelopeWithMessage(const QString& message, const QString& source, const QString& operation)
{
    auto envelope = std::make_shared<QMErrorEnvelope>(source, operation);
    envelope->m_errors = {QMError::errorWithCode(QString(), message, QLatin1String(kQMErrorLevelError))};
    return envelope;
}

std::shared_ptr<QMError> QMErrorEnvelope::firstError() const
{
    const auto found =
        std::find_if(m_errors.cbegin(), m_errors.cend(), [](const auto& error) { return error && error->isError(); });
    return found != m_errors.cend() ? *found : nullptr;
}

bool QMErrorEnvelope::hasErrorWithCode(const QString& code) const
{
    // A missing code matches nothing, as nil equals nothing in the key-value search.
    if (code.isNull())
        return false;
    return std::any_of(m_errors.cbegin(), m_errors.cend(),
                       [&](const auto& error) { return error && !error->code().isNull() && error->code() == code; });
}

bool QMErrorEnvelope::isError() const
{
    return std::all_of(m_errors.cbegin(), m_errors.cend(), [](const auto& error) { return error && error->isError(); });
}

bool QMErrorEnvelope::containsWarning() const
{
    return std::any_of(m_errors.cbegin(), m_errors.cend(),
                       [](const auto& error) { return error && error->isWarning(); });
}

bool QMErrorEnvelope::containsOnlyWarnings() const
{
    return std::all_of(m_errors.cbegin(), m_errors.cend(),
                       [](const auto& error) { return error && error->isWarning(); });
}

bool QMErrorEnvelope::representsEBayMessage() const
{
    if (m_errors.size() != 1 || !m_errors.first())
        return false;
    const QMError& error = *m_errors.first();
    return error.code() == QLatin1String(kQMErrorCodeEbayMessage) && error.isWarning() && !m_eBayMessage.isEmpty();
}

void QMErrorEnvelope::encodeWithCoder(dw::KeyedArchiver& coder) const
{
    coder.encodeObject(m_source, QStringLiteral("source"));
    coder.encodeObject(m_operation, QStringLiteral("operation"));
    QVariantList errors;
    for (const auto& error : m_errors)
        errors.append(dw::archiveValue(error));
    coder.encodeObject(errors, QStringLiteral("errors"));
}

std::shared_ptr<QMErrorEnvelope> QMErrorEnvelope::decodeWithCoder(dw::KeyedUnarchiver& coder)
{
    auto envelope = std::make_shared<QMErrorEnvelope>();
    envelope->m_source = decodedText(coder, QStringLiteral("source"));
    envelope->m_operation = decodedText(coder, QStringLiteral("operation"));
    const QVariant errors = coder.decodeObjectForKey(QStringLiteral("errors"));
    for (const QVariant& value : errors.toList()) {
        if (auto error = dw::archivedObjectCast<QMError>(value))
            envelope->m_errors.append(std::move(error));
        else
            QMLogError("QMErrorEnvelope: skipping an archived error of class %@", dw::archiveClassName(value));
    }
    return envelope;
}

void QMErrorEnvelope::registerArchiveClasses()
{
    static std::once_flag once;
    std::call_once(once, [] {
        dw::KeyedUnarchiver::registerClass(
            QStringLiteral("QMError"),
            [](dw::KeyedUnarchiver& coder) -> dw::ArchivedObjectPtr { return QMError::decodeWithCoder(coder); });
        dw::KeyedUnarchiver::registerClass(
            QStringLiteral("QMErrorEnvelope"),
            [](dw::KeyedUnarchiver& coder) -> dw::ArchivedObjectPtr { return decodeWithCoder(coder); });
    });
}
