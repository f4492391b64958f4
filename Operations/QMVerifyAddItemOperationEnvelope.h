#pragma once
// The envelope of a verify-only run: its verify operations run side by side; it numbers them for
// the progress window's title as they start, adds up their listing fees and, once all have ended,
// collects every listing's fee record for the fee panel. Like every envelope of eBay operations it
// gathers their errors and warnings once all have ended, and says whether the one who started it
// wants to see its progress.
//
//     auto envelope = std::make_shared<QMVerifyAddItemOperationEnvelope>(verifyOperations);
//     envelope->setShowFeePanel(true);
//     envelopeQueue.addOperationEnvelope(envelope);
//     ... once finished: envelope->fees(), envelope->grandTotalFee()
//
// Main thread, like every envelope once it is queued.

#include "Operations/QMGenericEbayNSOperationEnvelope.h"

#include <QString>
#include <QVariantMap>
#include <optional>

class QMVerifyAddItemOperationEnvelope : public QMGenericEbayNSOperationEnvelope
{
public:
    using QMGenericEbayNSOperationEnvelope::QMGenericEbayNSOperationEnvelope;

    void willStartOperation(const DWNSOperationPtr& operation) override;
    void postprocessOperation(const DWNSOperationPtr& operation) override;

    // Listing unique ID -> that listing's fee record, for every verification that gave one.
    void collectFees();

    const QString& eventUniqueID() const { return m_eventUniqueID; }
    void setEventUniqueID(const QString& uniqueID) { m_eventUniqueID = uniqueID; }
    bool showFeePanel() const { return m_showFeePanel; }
    void setShowFeePanel(bool value) { m_showFeePanel = value; }
    bool runningFromStartAuctionsPanel() const { return m_runningFromStartAuctionsPanel; }
    void setRunningFromStartAuctionsPanel(bool value) { m_runningFromStartAuctionsPanel = value; }
    float grandTotalFee() const { return m_grandTotalFee; }
    // Unset until all operations have ended (and for an envelope without operations).
    const std::optional<QVariantMap>& fees() const { return m_fees; }
    // "Verifying template 2 of 3" (or "Getting Fees for Template ..."): the title of the progress
    // window, handed to the envelope's progress panel as each verification starts.
    const QString& progressTitle() const { return m_progressTitle; }

private:
    QString m_eventUniqueID;
    bool m_showFeePanel = false;
    bool m_runningFromStartAuctionsPanel = false;
    float m_grandTotalFee = 0;
    std::optional<QVariantMap> m_fees;
    QString m_progressTitle;
};
