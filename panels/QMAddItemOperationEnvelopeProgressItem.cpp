#include "panels/QMAddItemOperationEnvelopeProgressItem.h"

#include "Operations/QMAddItemOperationEnvelope.h"
#include "platform/widgets/ApplicationImage.h"

#include <QGuiApplication>

std::shared_ptr<QMAddItemOperationEnvelopeProgressItem>
QMAddItemOperationEnvelopeProgressItem::itemWithEnvelope(const QMAddItemOperationEnvelope& envelope)
{
    auto item = std::make_shared<QMAddItemOperationEnvelopeProgressItem>();
    item->setEnvelopeStatus(envelope.status());
    // An envelope made without its listing has no picture: the card shows the placeholder.
    item->m_image = envelope.galleryImage().isNull()
                        ? dw::applicationImage(QStringLiteral("NoPicture"), qApp->devicePixelRatio())
                        : envelope.galleryImage();
    item->m_uuid = envelope.envelopeUuid();
    return item;
}

std::optional<uint> QMAddItemOperationEnvelopeProgressItem::itemStatusForEnvelopeStatus(int envelopeStatus)
{
    static constexpr uint kItemStatus[] = {0, 1, 2, 3, 5, 6, 4};
    if (envelopeStatus < 0 || envelopeStatus > 6)
        return std::nullopt;
    return kItemStatus[envelopeStatus];
}

void QMAddItemOperationEnvelopeProgressItem::setImage(const QImage& image)
{
    m_image = image;
    Q_EMIT imageChanged();
}

void QMAddItemOperationEnvelopeProgressItem::setStatus(uint status)
{
    m_status = status;
    Q_EMIT statusChanged();
}

void QMAddItemOperationEnvelopeProgressItem::setEnvelopeStatus(int envelopeStatus)
{
    if (const auto status = itemStatusForEnvelopeStatus(envelopeStatus))
        setStatus(*status);
}
