// The VAT-ID and e-mail checks of a transaction: started on the main thread, run in the
// background, applied back on the main thread.
#include "DWPayment/DWPTransaction.h"

#include "DWPayment/DWPLog.h"
#include "DWPayment/DWPMailTester.h"
#include "DWPayment/DWPVatIdTester.h"

#include "platform/core/BackgroundWork.h"
#include "platform/core/Localization.h"
#include "platform/core/MainThread.h"

#include <QPointer>
#include <exception>

namespace {

QString storeText(const char* english)
{
    return dw::localized(english, "DWPayment");
}

// Runs `work` on a thread of its own (checks never wait for each other, so a burst of typing does
// not queue behind slow ones). A result that finds no application any more (the program is ending)
// has nobody to go to and is dropped.
void runCheck(std::function<std::function<void()>()> work)
{
    dw::runInBackground([work = std::move(work)] {
        try {
            dw::postToMain(work());
        } catch (const std::exception& e) {
            qCWarning(lcPayment) << "WARN - a store check failed:" << e.what();
        }
    });
}

QVariantMap vatCheckResult(const QString& country, const QString& vatId)
{
    const QString normalized = DWPVatIdTester::normalizeVatId(vatId);
    if (!DWPVatIdTester::vatIdMatchesCountry(normalized, country)) {
        return {{QStringLiteral("vatValidity"), false},
                {QStringLiteral("vatErrorOnServer"), false},
                {QStringLiteral("vatStatus"), storeText("VAT ID not valid for selected country")}};
    }
    QString fault;
    const bool valid = DWPVatIdTester::isValidVatId(vatId, &fault);
    const bool serverError = !valid && !fault.isNull();
    return {{QStringLiteral("vatValidity"), valid},
            {QStringLiteral("vatErrorOnServer"), serverError},
            {QStringLiteral("vatStatus"),
             serverError ? storeText("server error during validation") : QString(QLatin1String(""))}};
}

} // namespace

void DWPTransaction::checkVatId()
{
    setVatStatusString(storeText("Checking…"));
    m_isCheckingVat = true;
    announce(QStringLiteral("isCheckingVat"));
    // Only the latest check may set the result: the buyer may type on while a slow one runs.
    const quint64 generation = ++m_vatCheckGeneration;
    QPointer<DWPTransaction> self(this);
    runCheck([self, generation, country = m_userCountry, vatId = m_userVatId]() -> std::function<void()> {
        const QVariantMap result = vatCheckResult(country, vatId);
        return [self, generation, result] {
            if (self && self->m_vatCheckGeneration == generation)
                self->checkVatIdFinished(result);
        };
    });
}

void DWPTransaction::checkVatIdFinished(const QVariantMap& result)
{
    m_isVatValid = result.value(QStringLiteral("vatValidity")).toBool();
    announce(QStringLiteral("isVatValid"));
    setVatErrorOnServer(result.value(QStringLiteral("vatErrorOnServer")).toBool());
    setVatStatusString(m_userUsesVatId ? result.value(QStringLiteral("vatStatus")).toString()
                                       : QString(QLatin1String("")));
    m_isCheckingVat = false;
    announce(QStringLiteral("isCheckingVat"));
}

void DWPTransaction::checkMailValidity()
{
    setMailStatusString(storeText("Checking…"));
    m_isCheckingMail = true;
    announce(QStringLiteral("isCheckingMail"));
    const quint64 generation = ++m_mailCheckGeneration;
    QPointer<DWPTransaction> self(this);
    runCheck([self, generation, mail = m_userMail]() -> std::function<void()> {
        const bool valid = DWPMailTester::isNotInvalidMailAddress(mail);
        return [self, generation, valid] {
            if (self && self->m_mailCheckGeneration == generation)
                self->checkMailValidityFinished(valid);
        };
    });
}

void DWPTransaction::checkMailValidityFinished(bool valid)
{
    m_isMailValid = valid;
    announce(QStringLiteral("isMailValid"));
    if (valid || !DWPMailTester::isPlausibleMailAddress(m_userMail))
        setMailStatusString(QString(QLatin1String("")));
    else
        setMailStatusString(storeText("We could not verify this address."));
    m_isCheckingMail = false;
    announce(QStringLiteral("isCheckingMail"));
}
