#pragma once
// One listing's card in the upload progress panel's animation: the envelope's gallery picture,
// its uuid and an item status, which the panel moves along with the envelope's status.
//
// The two statuses are different enumerations that agree only on 0 to 3:
//
//   envelope status   0 new  1 verifying  2 pictures  3 adding  4 waiting on warnings  5 failed  6 finished
//   item status       0      1            2           3        5                      6         4
//
// (the item's 4 is "finished", 5 "stopped on warnings", 6 "failed"). They meet only through
// itemStatusForEnvelopeStatus(). Main thread.
//
//     auto item = QMAddItemOperationEnvelopeProgressItem::itemWithEnvelope(*envelope);
//     item->setEnvelopeStatus(envelope->status());

#include "ProgressAnimationView/QMProgressAnimationItemProtocol.h"

#include <memory>
#include <optional>

class QMAddItemOperationEnvelope;

class QMAddItemOperationEnvelopeProgressItem : public QMProgressAnimationItemProtocol
{
    Q_OBJECT

public:
    static std::shared_ptr<QMAddItemOperationEnvelopeProgressItem>
    itemWithEnvelope(const QMAddItemOperationEnvelope& envelope);
    // The item status of an envelope status; none for a value outside 0 to 6.
    static std::optional<uint> itemStatusForEnvelopeStatus(int envelopeStatus);

    QImage image() const override { return m_image; }
    void setImage(const QImage& image);
    uint status() const override { return m_status; }
    void setStatus(uint status);
    QString uuid() const override { return m_uuid; }
    void setUuid(const QString& uuid) { m_uuid = uuid; }

    // Maps and stores; an envelope status outside 0 to 6 leaves the item as it is.
    void setEnvelopeStatus(int envelopeStatus);

private:
    QImage m_image;
    uint m_status = 0;
    QString m_uuid;
};
