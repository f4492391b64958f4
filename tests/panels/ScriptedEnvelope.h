#pragma once
// Add-item envelopes in a chosen state, without running anything: whether all their operations
// are over is set by the test; suspension, status, errors and the listing's title are the
// envelope's own.

#include "DWEBay2/DWEbayConnector.h"
#include "Operations/QMAddItemOperation.h"
#include "Operations/QMAddItemOperationEnvelope.h"
#include "model/QMErrorEnvelope.h"

#include <memory>

namespace dw::test {

class ScriptedEnvelope : public QMAddItemOperationEnvelope
{
public:
    bool allOperationsFinishedOrCanceled() const override { return finished; }
    bool finished = false;
};

// An envelope whose listing stage carries the title (none: no listing stage at all).
inline std::shared_ptr<ScriptedEnvelope> scriptedEnvelope(const QString& title = QStringLiteral("Leica M3"))
{
    auto envelope = std::make_shared<ScriptedEnvelope>();
    auto listing = std::make_shared<QMAddItemOperation>(
        [] { return std::make_unique<DWEbayConnector>(QStringLiteral("http://127.0.0.1:9/"), 0, 747); },
        QVariantMap{{QStringLiteral("title"), title}, {QStringLiteral("uniqueID"), QStringLiteral("listing")}},
        QStringLiteral("seller"), false, true);
    envelope->setAuctionItemOperation(listing);
    // As if the listing stage had been queued: continuing starts nothing.
    envelope->setOperations({listing});
    return envelope;
}

struct Record
{
    const char* code;
    const char* level;
    const char* message;
};

inline std::shared_ptr<QMErrorEnvelope> errorEnvelope(const char* source, std::initializer_list<Record> records,
                                                      const QString& eBayMessage = {})
{
    auto envelope = std::make_shared<QMErrorEnvelope>(QString::fromLatin1(source), QStringLiteral("AddItem"));
    QMErrorList errors;
    for (const Record& record : records)
        errors << QMError::errorWithCode(QString::fromLatin1(record.code), QString::fromUtf8(record.message),
                                         QString::fromLatin1(record.level));
    envelope->setErrors(errors);
    envelope->setEBayMessage(eBayMessage);
    return envelope;
}

} // namespace dw::test
