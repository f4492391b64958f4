#include "Operations/QMAddItemOperationEnvelope.h"

#include "DWEBay2/types/EBayAbstractResponseType.h"
#include "DWKit/DWOperation/DWNSOperationEnvelopeQueue.h"
#include "DWKit/NSNotificationCenter+DWExtensions.h"
#include "Operations/QMAddDunmerrowImageOperation.h"
#include "Operations/QMAddEPSImageOperation.h"
#include "Operations/QMAddItemOperation.h"
#include "Operations/QMSimpleAddItemRequestFactory.h"
#include "Operations/QMVerifyAddItemOperation.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMErrorEnvelope.h"
#include "model/QMStringMessageGenerator.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"
#include "platform/core/MainThread.h"

#include <QUuid>
#include <exception>
#include <typeinfo>

namespace {

QString uniqueIDOfOperation(const DWNSOperationPtr& operation)
{
    if (const auto itemOperation = std::dynamic_pointer_cast<QMGenericAuctionItemOperation>(operation))
        return itemOperation->itemUniqueID();
    if (const auto verify = std::dynamic_pointer_cast<QMGenericEbayItemTypeOperation>(operation))
        return verify->itemUniqueID();
    if (const auto picture = std::dynamic_pointer_cast<QMGenericAddImageOperation>(operation))
        return picture->itemUniqueID();
    return QString();
}

} // namespace

QMAddItemOperationEnvelope::QMAddItemOperationEnvelope(const QList<DWNSOperationPtr>& firstStage)
    : QMGenericEbayNSOperationEnvelope(firstStage), m_envelopeUuid(QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    if (!firstStage.isEmpty())
        m_itemUuid = uniqueIDOfOperation(firstStage.last());
}

QMAddItemOperationEnvelope::~QMAddItemOperationEnvelope() = default;

void QMAddItemOperationEnvelope::setDelegate(const std::weak_ptr<QMAddItemOperationEnvelopeDelegate>& delegate)
{
    m_delegate = delegate;
    if (m_delegate.expired())
        return;
    if (const auto item = itemWithUniqueID(m_itemUuid)) {
        m_galleryPictureFile = item->pictureFileForProgressAnimation();
        m_galleryImage.reset();
    }
}

const QImage& QMAddItemOperationEnvelope::galleryImage() const
{
    dw::assertMainThread();
    // Decoded when the progress panel first shows the run, not for every listing before the
    // first call goes out: a camera's picture takes tens of milliseconds.
    if (!m_galleryImage)
        m_galleryImage = m_galleryPictureFile ? QMEbayItem::imageForProgressAnimation(*m_galleryPictureFile) : QImage();
    return *m_galleryImage;
}

std::shared_ptr<QMEbayItem> QMAddItemOperationEnvelope::itemWithUniqueID(const QString& uniqueID) const
{
    const auto delegate = m_delegate.lock();
    DW_ASSERT(delegate != nullptr, "Need delegate");
    return delegate->itemWithUniqueID(*this, uniqueID);
}

void QMAddItemOperationEnvelope::setAuctionItemOperation(const std::shared_ptr<QMAddItemOperation>& operation)
{
    m_auctionItemOperation = operation;
}

void QMAddItemOperationEnvelope::setVerifyAddItemOperation(const std::shared_ptr<QMVerifyAddItemOperation>& operation)
{
    m_verifyAddItemOperation = operation;
}

void QMAddItemOperationEnvelope::setAddImageOperations(
    const QList<std::shared_ptr<QMGenericAddImageOperation>>& operations,
    const QList<std::shared_ptr<QMEbayImage>>& pictures)
{
    m_addImageOperations = operations;
    m_pictures.clear();
    for (const auto& picture : pictures)
        m_pictures << picture;
    m_addImageOperationsRemaining = unsigned(operations.size());
}

void QMAddItemOperationEnvelope::setStatus(int status)
{
    if (status == m_status || m_status == Failed || m_status == Finished)
        return;
    m_status = status;
    dw::postNotificationNameToMainThread(dw::NotificationCenter::defaultCenter(),
                                         QLatin1String(kQMAddItemOperationEnvelopeStatusChangedNotification),
                                         dw::NotificationObject::of(shared_from_this()),
                                         {{QLatin1String(kQMAddItemOperationEnvelopeStatusKey), status}}, false);
}

void QMAddItemOperationEnvelope::setCurrentTaskName(const QString& name)
{
    if (name == m_currentTaskName)
        return;
    m_currentTaskName = name;
    if (!name.isNull())
        dw::postNotificationNameToMainThread(dw::NotificationCenter::defaultCenter(),
                                             QLatin1String(kQMAddItemOperationEnvelopeTaskNameChangedNotification),
                                             dw::NotificationObject::of(shared_from_this()), {}, true);
}

void QMAddItemOperationEnvelope::envelopeWillBeAddedToQueue(DWNSOperationEnvelopeQueue* queue)
{
    QMGenericEbayNSOperationEnvelope::envelopeWillBeAddedToQueue(queue);
    // A scheduled upload without pictures starts with the listing stage, which needs its item now.
    if (m_auctionItemOperation && operations().size() == 1 && operations().first() == m_auctionItemOperation)
        prepareAuctionItemOperation();
}

void QMAddItemOperationEnvelope::willStartOperation(const DWNSOperationPtr& operation)
{
    m_startedOperations.insert(operation.get());
    const auto& type = typeid(*operation);
    if (type == typeid(QMVerifyAddItemOperation)) {
        setCurrentTaskName(QMStringMessageGenerator::addItemVerificationMessageString());
        setStatus(Verifying);
        if (const auto delegate = m_delegate.lock())
            delegate->verificationWillStart(*this);
    } else if (type == typeid(QMAddDunmerrowImageOperation)) {
        setCurrentTaskName(QMStringMessageGenerator::dunmerrowsImageServerUploadMessageString());
        setStatus(UploadingPictures);
    } else if (type == typeid(QMAddEPSImageOperation)) {
        setCurrentTaskName(QMStringMessageGenerator::epsUploadMessageString());
        setStatus(UploadingPictures);
    } else if (type == typeid(QMAddItemOperation)) {
        setCurrentTaskName(QMStringMessageGenerator::addItemMessageString());
        m_allOperationsStarted = true;
        setStatus(AddingItem);
    }
}

void QMAddItemOperationEnvelope::postprocessOperation(const DWNSOperationPtr& operation)
{
    m_endedOperations.insert(operation.get());
    collectErrorEnvelopes();
    const auto picture = std::dynamic_pointer_cast<QMGenericAddImageOperation>(operation);
    if (m_verifyAddItemOperation && operation == m_verifyAddItemOperation) {
        showWarningOrErrorForVerifyAddItemOperation(*m_verifyAddItemOperation);
        if (!m_suspended && !m_allOperationsCanceled)
            startOperationsAfterSuccessfulVerification();
    } else if (picture && m_addImageOperations.contains(picture)) {
        if (m_addImageOperationsRemaining > 0)
            --m_addImageOperationsRemaining;
        if (picture->errorOccurred()) {
            const auto errors = picture->errorEnvelope();
            showError(errors);
            // Warnings alone let the listing go out; only a real error fails it (a run the user
            // abandoned ends as cancelled).
            if (errors->hasError() && !m_abandoned)
                setStatus(Failed);
        }
        if (!m_suspended && !m_allOperationsCanceled && m_addImageOperationsRemaining == 0 && m_auctionItemOperation &&
            prepareAuctionItemOperation())
            startOperations({m_auctionItemOperation});
    } else if (m_auctionItemOperation && operation == m_auctionItemOperation) {
        const auto errors = m_auctionItemOperation->errorEnvelope();
        if (errors && (errors->hasError() || (errors->containsWarning() && !m_verifyAddItemOperation)))
            showError(errors);
        // A run the user abandoned ends as cancelled, whatever the listing call could tell.
        if (errors && errors->hasError() && !m_abandoned)
            setStatus(Failed);
        if (!m_suspended)
            setStatus(Finished);
    }
    // A run that will start nothing more and waits for nobody is over: without this a run stopped
    // while messages are suppressed would never count as finished.
    if (m_allOperationsCanceled && !m_suspended)
        m_allOperationsStarted = true;
}

bool QMAddItemOperationEnvelope::allOperationsFinishedOrCanceled() const
{
    return m_allOperationsStarted && QMGenericEbayNSOperationEnvelope::allOperationsFinishedOrCanceled();
}

void QMAddItemOperationEnvelope::envelopeWillFinish()
{
    QMGenericEbayNSOperationEnvelope::envelopeWillFinish();
    // Whichever way the run ended (the listing's answer, a cancel, a run given up), the envelope
    // is complete; a failure stays one.
    setStatus(Finished);
    m_finishedPosted = true;
}

void QMAddItemOperationEnvelope::showWarningOrErrorForVerifyAddItemOperation(const QMVerifyAddItemOperation& operation)
{
    // A verification the user cancelled has nothing to show: the run is over, not failed.
    if (m_abandoned || operation.isCancelled()) {
        m_allOperationsCanceled = true;
        return;
    }
    const auto response = operation.response();
    const QString ack = response ? response->ack() : QString();
    if (ack == QLatin1String("Success"))
        return;
    if (ack == QLatin1String("Warning")) {
        if (suppressErrorMessage())
            return;
        const auto errors = operation.errorEnvelope();
        if (!errors || !errors->containsWarning())
            return;
        setStatus(WaitingOnWarnings);
        suspendExecution();
        return;
    }
    // A failure, or no readable reply at all: the listing must not go out on continuing either.
    m_allOperationsCanceled = true;
    setStatus(Failed);
    if (!suppressErrorMessage())
        suspendExecution();
}

void QMAddItemOperationEnvelope::startOperationsAfterSuccessfulVerification()
{
    if (!m_addImageOperations.isEmpty() && m_addImageOperationsRemaining > 0) {
        QList<DWNSOperationPtr> pictures;
        for (const auto& operation : m_addImageOperations)
            pictures << operation;
        startOperations(pictures);
        collectErrorEnvelopes();
    } else if (m_auctionItemOperation && !operations().contains(m_auctionItemOperation)) {
        if (prepareAuctionItemOperation())
            startOperations({m_auctionItemOperation});
        collectErrorEnvelopes();
    }
}

void QMAddItemOperationEnvelope::startOperations(const QList<DWNSOperationPtr>& operationsToStart)
{
    QList<DWNSOperationPtr> all = operations();
    QList<DWNSOperationPtr> added;
    for (const auto& operation : operationsToStart) {
        if (all.contains(operation) || operation->wasEnqueued())
            continue;
        all << operation;
        added << operation;
    }
    if (added.isEmpty())
        return;
    setOperations(all);
    DW_ASSERT(queue() != nullptr, "Need queue");
    for (const auto& operation : added)
        queue()->addOperation(operation);
}

std::shared_ptr<QMEbayImage> QMAddItemOperationEnvelope::pictureForOperation(const QMEbayItem& item,
                                                                             qsizetype operationIndex) const
{
    if (operationIndex < m_pictures.size()) {
        const auto picture = m_pictures.at(operationIndex).lock();
        return picture && item.imageRefs().contains(picture) ? picture : nullptr;
    }
    return item.imageAtIndex(m_addImageOperations.at(operationIndex)->imageIndex());
}

bool QMAddItemOperationEnvelope::prepareAuctionItemOperation()
{
    dw::assertMainThread();
    DW_ASSERT(m_auctionItemOperation != nullptr, "Need auctionItemOperation");
    const auto item = itemWithUniqueID(m_auctionItemOperation->itemUniqueID());
    if (!item) {
        abandonWithError(dw::localized("The listing was closed before it could be sent to eBay."));
        return false;
    }
    QMSimpleAddItemRequestFactory::UploadedPictureAddresses uploaded;
    for (qsizetype index = 0; index < m_addImageOperations.size(); ++index) {
        const auto picture = pictureForOperation(*item, index);
        if (!picture) {
            abandonWithError(dw::format(dw::localized("A picture of the listing “%@” was removed before the listing "
                                                      "could be sent to eBay."),
                                        item->title()));
            return false;
        }
        const QString address = m_addImageOperations.at(index)->uploadedImageURL();
        if (!address.isEmpty())
            uploaded.emplace_back(picture, address);
    }
    DW_ASSERT(!m_auctionItemOperation->accountID().isEmpty(), "Need accountID in %@ for item '%@'",
              QStringLiteral("QMAddItemOperation"), item->title());
    try {
        // The builder lends the uploaded addresses to the pictures for the build only.
        m_auctionItemOperation->buildItemType(*item, uploaded);
    } catch (const std::exception& e) {
        abandonWithError(QString::fromUtf8(e.what()));
        return false;
    }
    return true;
}

void QMAddItemOperationEnvelope::abandonWithError(const QString& message)
{
    m_abandonError = QMErrorEnvelope::errorEnvelopeWithMessage(
        message, QStringLiteral("eBay"), m_auctionItemOperation ? m_auctionItemOperation->name() : QString());
    m_allOperationsCanceled = true;
    m_allOperationsStarted = true;
    if (m_auctionItemOperation)
        m_auctionItemOperation->cancel();
    setStatus(Failed);
    collectErrorEnvelopes();
}

void QMAddItemOperationEnvelope::collectErrorEnvelopes()
{
    if (m_auctionItemOperation && operations().contains(m_auctionItemOperation) && !m_abandonError) {
        setErrorEnvelope(m_auctionItemOperation->errorEnvelope());
        return;
    }
    if (!m_addImageOperations.isEmpty() && operations().contains(m_addImageOperations.first())) {
        QMErrorList errors;
        QString message;
        QString source;
        for (const auto& operation : m_addImageOperations) {
            const auto envelope = gatherErrorsOfOperation(*operation, errors, message);
            if (envelope && source.isNull())
                source = envelope->source();
        }
        if (m_abandonError)
            errors << m_abandonError->errors();
        if (errors.isEmpty() && message.isEmpty()) {
            setErrorEnvelope(nullptr);
            return;
        }
        auto envelope = QMErrorEnvelope::errorEnvelopeWithMessage(
            QString(), source.isNull() ? QStringLiteral("eBay") : source, m_addImageOperations.first()->name());
        envelope->setErrors(errors);
        envelope->setEBayMessage(message);
        setErrorEnvelope(envelope);
        return;
    }
    QMGenericEbayNSOperationEnvelope::collectErrorEnvelopes();
    if (m_abandonError) {
        if (!errorEnvelope()) {
            setErrorEnvelope(m_abandonError);
        } else if (!errorEnvelope()->errors().contains(m_abandonError->errors().first())) {
            auto envelope = std::make_shared<QMErrorEnvelope>(errorEnvelope()->source(), errorEnvelope()->operation());
            envelope->setEBayMessage(errorEnvelope()->eBayMessage());
            envelope->setErrors(errorEnvelope()->errors() + m_abandonError->errors());
            setErrorEnvelope(envelope);
        }
    }
}

void QMAddItemOperationEnvelope::showError(const std::shared_ptr<QMErrorEnvelope>& errorEnvelope)
{
    // After the user's cancel nobody waits for the run any more: it ends, and the errors stay in
    // the error envelope.
    if (!suppressErrorMessage() && !m_abandoned)
        suspendExecution();
    if (errorEnvelope && errorEnvelope->hasError())
        m_allOperationsCanceled = true;
}

void QMAddItemOperationEnvelope::suspendExecution()
{
    m_suspended = true;
    updateViewInProgressPanel();
}

void QMAddItemOperationEnvelope::continueExecution()
{
    // The panel's abort cancels and then continues, also when the run was not waiting: it ends as
    // soon as what still runs has stopped.
    if (!m_suspended && !m_abandoned)
        return;
    m_suspended = false;
    if (m_allOperationsCanceled) {
        m_allOperationsStarted = true;
        updateViewInProgressPanel();
    } else {
        startOperationsAfterSuccessfulVerification();
    }
    // An operation still in flight ends soon (it was cancelled); the queue finishes the run once its
    // end has been handled here.
    if (allOperationsFinishedOrCanceled() && !operationsInFlight()) {
        setStatus(Finished);
        postFinishedOnce();
    }
}

bool QMAddItemOperationEnvelope::operationsInFlight() const
{
    for (const auto& operation : operations()) {
        if (m_startedOperations.contains(operation.get()) && !m_endedOperations.contains(operation.get()))
            return true;
    }
    return false;
}

void QMAddItemOperationEnvelope::cancelAllOperations()
{
    m_abandoned = true;
    if (m_auctionItemOperation)
        m_auctionItemOperation->cancel();
    for (const auto& operation : m_addImageOperations)
        operation->cancel();
    if (m_verifyAddItemOperation)
        m_verifyAddItemOperation->cancel();
    m_allOperationsCanceled = true;
}

void QMAddItemOperationEnvelope::postFinishedOnce()
{
    // The queue lets go of an envelope when it posts the finished notification itself; one that is
    // no longer queued has been reported already.
    if (m_finishedPosted || !queue())
        return;
    m_finishedPosted = true;
    const auto self = shared_from_this();
    dw::postNotificationNameToMainThread(dw::NotificationCenter::defaultCenter(),
                                         QLatin1String(kDWNSOperationEnvelopeQueueEnvelope_finished),
                                         dw::NotificationObject::of(self),
                                         {{QLatin1String(kDWNSUserInfoKeyEnvelope), QVariant::fromValue(self)}}, false);
    queue()->removeFinishedOrCanceledEnvelope(self);
}

unsigned QMAddItemOperationEnvelope::stageCount() const
{
    return (m_auctionItemOperation ? 1u : 0u) + (m_verifyAddItemOperation ? 1u : 0u) +
           unsigned(m_addImageOperations.size());
}

float QMAddItemOperationEnvelope::progress() const
{
    float sum = 0;
    if (m_auctionItemOperation)
        sum += m_auctionItemOperation->progress();
    if (m_verifyAddItemOperation)
        sum += m_verifyAddItemOperation->progress();
    for (const auto& operation : m_addImageOperations)
        sum += operation->progress();
    return sum;
}

bool QMAddItemOperationEnvelope::containsOperation(const DWNSOperationPtr& operation) const
{
    if (!operation)
        return false;
    if (operation == m_auctionItemOperation || operation == m_verifyAddItemOperation)
        return true;
    const auto picture = std::dynamic_pointer_cast<QMGenericAddImageOperation>(operation);
    return picture && m_addImageOperations.contains(picture);
}
