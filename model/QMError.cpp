#include "model/QMError.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

namespace {

// A stored field that is not text (a damaged or foreign archive) reads as no value.
QString decodedText(dw::KeyedUnarchiver& coder, const QString& key)
{
    const QVariant value = coder.decodeObjectForKey(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

} // namespace

QMError::QMError(const QString& code, const QString& message, const QString& level)
    : m_code(code), m_message(message), m_level(level)
{}

QMError::QMError(const QMEBayErrorRecord& record)
    : m_code(record.errorCode), m_message(record.longMessage), m_shortMessage(record.shortMessage)
{
    if (record.severityCode == QLatin1String("Error"))
        m_level = QLatin1String(kQMErrorLevelError);
    else if (record.severityCode == QLatin1String("Warning"))
        m_level = QLatin1String(kQMErrorLevelWarning);
}

std::shared_ptr<QMError> QMError::errorWithEBayError(const QMEBayErrorRecord& record)
{
    return std::make_shared<QMError>(record);
}

std::shared_ptr<QMError> QMError::errorWithCode(const QString& code, const QString& message, const QString& level)
{
    return std::make_shared<QMError>(code, message, level);
}

void QMError::encodeWithCoder(dw::KeyedArchiver& coder) const
{
    coder.encodeObject(m_code, QStringLiteral("code"));
    coder.encodeObject(m_message, QStringLiteral("message"));
    coder.encodeObject(m_shortMessage, QStringLiteral("shortMessage"));
    coder.encodeObject(m_level, QStringLiteral("level"));
}

std::shared_ptr<QMError> QMError::decodeWithCoder(dw::KeyedUnarchiver& coder)
{
    auto error = std::make_shared<QMError>();
    error->m_code = decodedText(coder, QStringLiteral("code"));
    error->m_message = decodedText(coder, QStringLiteral("message"));
    error->m_shortMessage = decodedText(coder, QStringLiteral("shortMessage"));
    error->m_level = decodedText(coder, QStringLiteral("level"));
    return error;
}
