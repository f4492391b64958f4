#pragma once
// What one operation reports: the errors and warnings of an eBay reply or of a picture upload,
// where they came from and which operation produced them. Every operation reports through one;
// the activity log keeps it with its entry, the progress panel and the error sheets read it.
//
// Built from eBay's error records, warnings whose codes the user (or the program's bundled list)
// chose to ignore are left out; errors are always kept. Archived under "source", "operation" and
// "errors"; the eBay message is not archived. A value object: built on the operation's thread,
// read on the main thread afterwards.
//
//     auto envelope = QMErrorEnvelope::errorEnvelopeWithEBayErrors(records, QStringLiteral("AddItem"), message);
//     if (envelope->representsEBayMessage()) ...   // only eBay's free message, not a failure
//     else if (envelope->hasError()) show(envelope->firstError()->message());

#include "model/QMError.h"

#include "platform/archive/ArchivedObject.h"

#include <QList>
#include <QString>
#include <memory>

inline constexpr const char* kQMErrorSourceEBay = "eBay";
inline constexpr const char* kQMErrorSourcePayPal = "PayPal";
inline constexpr const char* kQMErrorSourceEPS = "EPS";
inline constexpr const char* kQMErrorSourceFTP = "FTP";
inline constexpr const char* kQMErrorSourceMobileMe = "MobileMe";
inline constexpr const char* kQMErrorSourceWebDAV = "WebDav";
inline constexpr const char* kQMErrorSourceDunmerrowFreeImageServer = "Quillmart's Picture Service";

using QMErrorList = QList<std::shared_ptr<QMError>>;

class QMErrorEnvelope : public dw::ArchivedObject
{
public:
    QMErrorEnvelope() = default;
    QMErrorEnvelope(const QString& source, const QString& operation);

    // Source "eBay"; the records in order, warnings on the ignore list left out (asked of the
    // shared preferences store).
    static std::shared_ptr<QMErrorEnvelope> errorEnvelopeWithEBayErrors(const QList<QMEBayErrorRecord>& records,
                                                                        const QString& operation,
                                                                        const QString& eBayMessage);
    // One error of the program's own: no code, level "error".
    static std::shared_ptr<QMErrorEnvelope> errorEnvelopeWithMessage(const QString& message, const QString& source,
                                                                     const QString& operation);

    const QString& source() const { return m_source; }
    void setSource(const QString& source) { m_source = source; }
    const QString& operation() const { return m_operation; }
    void setOperation(const QString& operation) { m_operation = operation; }
    const QMErrorList& errors() const { return m_errors; }
    void setErrors(const QMErrorList& errors) { m_errors = errors; }
    const QString& eBayMessage() const { return m_eBayMessage; }
    void setEBayMessage(const QString& message) { m_eBayMessage = message; }

    // The first error of level "error"; null when there is none. An error without a level is
    // neither an error nor a warning to these questions.
    std::shared_ptr<QMError> firstError() const;
    bool hasError() const { return firstError() != nullptr; }
    bool hasErrorWithCode(const QString& code) const;
    // Every error has level "error" (true for no errors at all).
    bool isError() const;
    bool containsWarning() const;
    // Every error has level "warning" (true for no errors at all).
    bool containsOnlyWarnings() const;
    // The whole result is eBay's free message: one warning with code "1" and a non-empty message.
    bool representsEBayMessage() const;

    QStringList archiveClassChain() const override
    {
        return {QStringLiteral("QMErrorEnvelope"), QStringLiteral("NSObject")};
    }
    void encodeWithCoder(dw::KeyedArchiver& coder) const override;
    static std::shared_ptr<QMErrorEnvelope> decodeWithCoder(dw::KeyedUnarchiver& coder);
    // Registers QMError and QMErrorEnvelope with the unarchiver; may be called any number of times.
    static void registerArchiveClasses();

private:
    QString m_source;
    QString m_operation;
    QMErrorList m_errors;
    QString m_eBayMessage;
};
