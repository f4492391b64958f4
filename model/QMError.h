#pragma once
// One error or warning that an eBay call or a picture upload reports to the user: eBay's code,
// the long and the short message and the level. The listing's title is added by the operation
// that knows it and is not archived.
//
// A plain value object, archived under the keys "code", "message", "shortMessage" and "level".
// Built on the operation's thread and read on the main thread afterwards; it is not changed by
// two threads at once.
//
//     auto error = QMError::errorWithCode(QString(), dw::localized("The upload failed."), kQMErrorLevelError);

#include "platform/archive/ArchivedObject.h"

#include <QString>
#include <memory>

namespace dw {
class KeyedUnarchiver;
}

inline constexpr const char* kQMErrorLevelError = "error";
inline constexpr const char* kQMErrorLevelWarning = "warning";
// The code under which eBay hands over a free message of its own rather than a failure.
inline constexpr const char* kQMErrorCodeEbayMessage = "1";

// The fields of one of eBay's error records that the error model reads. The operations fill it
// from the reply's error records; the model stays free of the eBay types.
struct QMEBayErrorRecord
{
    QString severityCode; // "Error", "Warning" or anything else
    QString errorCode;
    QString longMessage;
    QString shortMessage;
};

class QMError : public dw::ArchivedObject
{
public:
    QMError() = default;
    QMError(const QString& code, const QString& message, const QString& level);
    // Level "error" for severity "Error", "warning" for "Warning", none for any other severity.
    explicit QMError(const QMEBayErrorRecord& record);

    static std::shared_ptr<QMError> errorWithEBayError(const QMEBayErrorRecord& record);
    static std::shared_ptr<QMError> errorWithCode(const QString& code, const QString& message, const QString& level);

    const QString& code() const { return m_code; }
    void setCode(const QString& code) { m_code = code; }
    const QString& message() const { return m_message; }
    void setMessage(const QString& message) { m_message = message; }
    const QString& shortMessage() const { return m_shortMessage; }
    void setShortMessage(const QString& shortMessage) { m_shortMessage = shortMessage; }
    const QString& level() const { return m_level; }
    void setLevel(const QString& level) { m_level = level; }
    const QString& itemTitle() const { return m_itemTitle; }
    void setItemTitle(const QString& itemTitle) { m_itemTitle = itemTitle; }

    bool isError() const { return m_level == QLatin1String(kQMErrorLevelError); }
    bool isWarning() const { return m_level == QLatin1String(kQMErrorLevelWarning); }

    QStringList archiveClassChain() const override { return {QStringLiteral("QMError"), QStringLiteral("NSObject")}; }
    void encodeWithCoder(dw::KeyedArchiver& coder) const override;
    static std::shared_ptr<QMError> decodeWithCoder(dw::KeyedUnarchiver& coder);

private:
    QString m_code;
    QString m_message;
    QString m_shortMessage;
    QString m_level;
    QString m_itemTitle;
};
