#include "Operations/QMOperationManager.h"

#include "DWEBay2/DWEbayConnector.h"
#include "Operations/QMAddDunmerrowImageOperation.h"
#include "Operations/QMAddEPSImageOperation.h"
#include "Operations/QMAddItemOperation.h"
#include "Operations/QMFetchTokenOperation.h"
#include "Operations/QMGetEbayDataOperation.h"
#include "Operations/QMGetEbayDataVersionsOperation.h"
#include "Operations/QMGetItemRecommendationsOperation.h"
#include "Operations/QMGetProductSearchResultsOperation.h"
#include "Operations/QMGetSessionIDOperation.h"
#include "Operations/QMSimpleAddItemRequestFactory.h"
#include "Operations/QMVerifyAddItemOperationEnvelope.h"
#include "model/QMAccountDataSource.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"
#include "platform/core/DWAssert.h"
#include "platform/core/MainThread.h"
#include "platform/core/UserDefaults.h"

#include <QSet>
#include <QThread>
#include <algorithm>

namespace {

// Where the placeholder addresses of pictures not yet uploaded point; only their paths matter.
constexpr const char* kPlaceholderEPSHost = "https://i.ebayimg.com";
constexpr const char* kPlaceholderOwnHost = "https://www.quillmart.com";

} // namespace

QMOperationManager::QMOperationManager()
{
    m_singleThreadedOperationQueue.setMaxConcurrentOperationCount(1);
    m_multiThreadedOperationQueue.setMaxConcurrentOperationCount(maxConcurrentOperationsFromDefaults());
    m_monitor.registerOperationQueue(&m_singleThreadedOperationQueue);
    m_monitor.registerOperationQueue(&m_multiThreadedOperationQueue);
}

QMOperationManager::~QMOperationManager()
{
    m_monitor.unregisterOperationQueue(&m_multiThreadedOperationQueue);
    m_monitor.unregisterOperationQueue(&m_singleThreadedOperationQueue);
}

std::shared_ptr<QMOperationManager> QMOperationManager::sharedQMOperationManager()
{
    static const std::shared_ptr<QMOperationManager> shared = create();
    return shared;
}

std::shared_ptr<QMOperationManager> QMOperationManager::create()
{
    return std::shared_ptr<QMOperationManager>(new QMOperationManager());
}

int QMOperationManager::maxConcurrentOperationsFromDefaults()
{
    const qint64 width = dw::UserDefaults::standard().integerForKey(QLatin1String(kQMMaxConcurrentOperationsKey));
    return width < 1 ? kQMDefaultMaxConcurrentOperations : int(std::min<qint64>(width, 1024));
}

void QMOperationManager::setDelegate(const std::weak_ptr<QMOperationManagerDelegate>& delegate)
{
    DW_ASSERT(!delegate.expired(), "QMOperationManager delegate does not respond to standardEbayConnector");
    m_delegate = delegate;
}

void QMOperationManager::stopAllOperationQueues()
{
    m_singleThreadedOperationQueue.cancelAllOperations();
    m_multiThreadedOperationQueue.cancelAllOperations();
}

void QMOperationManager::removeFinishedOrCanceledEnvelope(const DWNSOperationEnvelopePtr& envelope)
{
    m_multiThreadedOperationQueue.removeFinishedOrCanceledEnvelope(envelope);
}

void QMOperationManager::addMultiThreadedOperation(const DWNSOperationPtr& operation)
{
    m_multiThreadedOperationQueue.addOperation(operation);
}

void QMOperationManager::runOperationSynchronously(const DWNSOperationPtr& operation)
{
    operation->setQueuePriority(DWNSOperation::VeryHigh);
    m_multiThreadedOperationQueue.addOperation(operation);
    operation->waitUntilFinished();
}

QString QMOperationManager::tokenForAccountID(const QString& accountID)
{
    const auto accounts = QMAccountDataSource::installed();
    if (!accounts)
        return QString();
    // No account named: the seller's default one.
    return accounts->tokenForAccountID(accountID.isEmpty() ? accounts->defaultAccountID() : accountID);
}

QMEbayConnectorFactory QMOperationManager::connectorFactory(const QString& token, bool pictureService,
                                                            qint64 siteID) const
{
    return [delegate = m_delegate, token, pictureService, siteID]() -> std::unique_ptr<DWEbayConnector> {
        const auto supplier = delegate.lock();
        DW_ASSERT(supplier != nullptr, "Need delegate");
        auto connector = pictureService ? supplier->pictureServiceConnector() : supplier->standardEbayConnector();
        if (connector) {
            connector->setToken(token);
            if (siteID >= 0)
                connector->setSiteID(siteID);
        }
        return connector;
    };
}

void QMOperationManager::addGetProductSearchResultsOperationForItem(const QMEbayItem& item,
                                                                    const QStringList& queryStrings)
{
    dw::assertMainThread();
    QList<qint64> categoryIDs{item.category()};
    if (item.category2() > 0)
        categoryIDs << item.category2();
    const QStringList setIDs =
        m_searchCharacteristicSets ? m_searchCharacteristicSets(categoryIDs, item.siteID()) : QStringList();
    const auto accounts = QMAccountDataSource::installed();
    const QString token = accounts ? accounts->tokenForAccountID(accounts->defaultAccountID()) : QString();
    m_multiThreadedOperationQueue.addOperation(std::make_shared<QMGetProductSearchResultsOperation>(
        connectorFactory(token, false, item.siteID()), item.uniqueID(), queryStrings, setIDs));
}

std::shared_ptr<QMGetSessionIDOperation> QMOperationManager::addGetSessionIDOperation()
{
    dw::assertMainThread();
    auto operation = std::make_shared<QMGetSessionIDOperation>(connectorFactory(QString()));
    operation->setRuName(QMPreferencesManager::sharedInstance().ruName());
    m_multiThreadedOperationQueue.addOperation(operation);
    return operation;
}

void QMOperationManager::addFetchTokenOperationForSessionID(const QString& sessionID, const QString& accountName,
                                                            const QString& accountID, bool executeGetUserRequest)
{
    dw::assertMainThread();
    // Every caller needs the user record to know the account's site, so it is always read.
    (void)executeGetUserRequest;
    auto operation = std::make_shared<QMFetchTokenOperation>(connectorFactory(QString()));
    operation->setSessionID(sessionID);
    operation->setAccountName(accountName);
    operation->setAccountID(accountID);
    operation->setExecuteGetUserRequest(true);
    m_singleThreadedOperationQueue.addOperation(operation);
}

void QMOperationManager::addFetchTokenOperationForUser(const QString& username, const QString& secretID,
                                                       const QString& accountName, const QString& accountID,
                                                       bool executeGetUserRequest)
{
    dw::assertMainThread();
    auto operation = std::make_shared<QMFetchTokenOperation>(connectorFactory(QString()));
    operation->setUsername(username);
    operation->setSecretID(secretID);
    operation->setAccountName(accountName);
    operation->setAccountID(accountID);
    operation->setExecuteGetUserRequest(executeGetUserRequest);
    m_singleThreadedOperationQueue.addOperation(operation);
}

void QMOperationManager::addGetCurrenteBayDataVersionsOperationSilent(bool silent)
{
    dw::assertMainThread();
    m_multiThreadedOperationQueue.addOperation(
        std::make_shared<QMGetEbayDataVersionsOperation>(connectorFactory(tokenForAccountID(QString())), silent));
}

void QMOperationManager::addGetCurrenteBayDataOperationForSiteID(qint64 siteID, bool includingCategoryTree,
                                                                 bool characteristicSets, bool runSilent)
{
    dw::assertMainThread();
    auto operation = std::make_shared<QMGetEbayDataOperation>(
        connectorFactory(tokenForAccountID(QString()), false, siteID), includingCategoryTree, characteristicSets);
    operation->setRunSilent(runSilent);
    m_multiThreadedOperationQueue.addOperation(operation);
}

void QMOperationManager::addGetItemRecommendationsOperationForAccountID(const QString& accountID,
                                                                        const QMEbayItem& item)
{
    dw::assertMainThread();
    auto operation = std::make_shared<QMGetItemRecommendationsOperation>(
        connectorFactory(tokenForAccountID(accountID), false, item.siteID()), item.infoDictionaryForOperations(),
        accountID);
    operation->setCategoryID(item.category());
    m_singleThreadedOperationQueue.addOperation(operation);
}

std::shared_ptr<QMVerifyAddItemOperationEnvelope> QMOperationManager::addVerifyAddItemOperationsForEbayItems(
    const QList<std::shared_ptr<QMEbayItem>>& items, const QString& accountID, const QString& eventUniqueID,
    bool showFeePanel, bool showProgressPanel, bool runningFromStartAuctionsPanel)
{
    dw::assertMainThread();
    if (items.isEmpty())
        return nullptr;
    const bool useEPS = QMPreferencesManager::sharedInstance().useEPS();
    const auto& sites = QMSiteDescriptionManager::sharedInstance();
    const auto factory = connectorFactory(tokenForAccountID(accountID));
    QList<DWNSOperationPtr> verifications;
    for (const auto& item : items) {
        auto verify =
            std::make_shared<QMVerifyAddItemOperation>(factory, item->infoDictionaryForOperations(), accountID);
        verify->setDelegate(weak_from_this());
        verify->setCurrencyName(sites.currencyNameForCurrencyID(item->currency(), item->siteID()));
        verify->setUseGeneratedEPSImageURLs(useEPS);
        verify->setRunningFromStartAuctionsPanel(runningFromStartAuctionsPanel);
        verifications << verify;
    }
    auto envelope = std::make_shared<QMVerifyAddItemOperationEnvelope>(verifications);
    envelope->setEventUniqueID(eventUniqueID);
    envelope->setShowFeePanel(showFeePanel);
    envelope->setRunningFromStartAuctionsPanel(runningFromStartAuctionsPanel);
    envelope->setShowProgressPanel(showProgressPanel);
    m_multiThreadedOperationQueue.addOperationEnvelope(envelope);
    return envelope;
}

QList<std::shared_ptr<QMAddItemOperationEnvelope>> QMOperationManager::addAddItemOperationsForEbayItems(
    const QList<std::shared_ptr<QMEbayItem>>& items, int imageUploadSystem, bool showProgressPanel,
    bool suppressErrorMessages, bool suppressSwitchingToAuctions, bool scheduled, const QString& accountID)
{
    dw::assertMainThread();
    QList<std::shared_ptr<QMAddItemOperationEnvelope>> envelopes;
    if (items.isEmpty())
        return envelopes;
    const bool useEPS = QMPreferencesManager::sharedInstance().useEPS();
    const QString token = tokenForAccountID(accountID);
    const auto factory = connectorFactory(token);
    bool picturesToUpload = false;
    for (const auto& item : items) {
        const QVariantMap info = item->infoDictionaryForOperations();
        std::shared_ptr<QMVerifyAddItemOperation> verify;
        if (!scheduled) {
            verify = std::make_shared<QMVerifyAddItemOperation>(factory, info, accountID);
            verify->setDelegate(weak_from_this());
            verify->setUseGeneratedEPSImageURLs(useEPS);
            m_verificationsInLine.push_back(verify);
        }
        auto add = std::make_shared<QMAddItemOperation>(factory, info, accountID, scheduled, !scheduled);
        add->setSuppressErrorMessage(suppressErrorMessages);

        QList<std::shared_ptr<QMGenericAddImageOperation>> uploads;
        QList<std::shared_ptr<QMEbayImage>> pictures;
        for (const auto& picture : item->imagesToBeUploadedIncludeVariationImages()) {
            if (pictures.contains(picture))
                continue;
            auto upload =
                addImageOperationForImageUploadSystem(imageUploadSystem, *item, picture, token, suppressErrorMessages);
            if (verify)
                upload->addDependency(verify);
            add->addDependency(upload);
            uploads << upload;
            pictures << picture;
        }
        picturesToUpload = picturesToUpload || !uploads.isEmpty();

        QList<DWNSOperationPtr> firstStage;
        if (verify)
            firstStage << verify;
        else if (!uploads.isEmpty())
            for (const auto& upload : uploads)
                firstStage << upload;
        else
            firstStage << add;
        auto envelope = std::make_shared<QMAddItemOperationEnvelope>(firstStage);
        envelope->setDelegate(weak_from_this());
        envelope->setAddImageOperations(uploads, pictures);
        envelope->setVerifyAddItemOperation(verify);
        envelope->setShowProgressPanel(showProgressPanel);
        envelope->setAuctionItemOperation(add);
        envelope->setSuppressSwitchingToAuctions(suppressSwitchingToAuctions);
        envelope->setScheduledOperation(scheduled);
        envelope->setSuppressErrorMessage(suppressErrorMessages);
        envelopes << envelope;
    }
    unsigned overall = 0;
    for (const auto& envelope : envelopes)
        overall += envelope->stageCount();
    for (const auto& envelope : envelopes) {
        envelope->setOverallStageCount(overall);
        m_multiThreadedOperationQueue.addOperationEnvelope(envelope);
    }
    if (picturesToUpload)
        removeExpiredUploadedPictures();
    return envelopes;
}

std::shared_ptr<QMGenericAddImageOperation>
QMOperationManager::addImageOperationForImageUploadSystem(int imageUploadSystem, const QMEbayItem& item,
                                                          const std::shared_ptr<QMEbayImage>& image,
                                                          const QString& token, bool suppressErrorMessage)
{
    DW_ASSERT(imageUploadSystem != kQMImageUploadingSystemDotMac,
              "MobileMe/.Mac no longer available as an image service");
    std::shared_ptr<QMGenericAddImageOperation> operation;
    if (imageUploadSystem == kQMImageUploadingSystemDunmerrowImageServer)
        operation = std::make_shared<QMAddDunmerrowImageOperation>(connectorFactory(token));
    else
        operation = std::make_shared<QMAddEPSImageOperation>(connectorFactory(token, true));
    operation->setItemInfo(item.infoDictionaryForOperations());
    QVariantMap imageInfo = image->infoDictionaryForOperations();
    if (!imageInfo.contains(QStringLiteral("index"))) {
        const qsizetype index = item.images().indexOf(image);
        if (index >= 0)
            imageInfo.insert(QStringLiteral("index"), qulonglong(index));
    }
    operation->setImageInfo(imageInfo);
    operation->setSuppressErrorMessage(suppressErrorMessage);
    return operation;
}

std::shared_ptr<QMEbayItem> QMOperationManager::itemWithUniqueID(const QString& uniqueID) const
{
    if (!m_openListings || uniqueID.isEmpty())
        return nullptr;
    for (const auto& item : m_openListings()) {
        if (item && item->uniqueID() == uniqueID)
            return item;
    }
    return nullptr;
}

std::shared_ptr<QMEbayItem> QMOperationManager::itemWithUniqueID(const QMAddItemOperationEnvelope&,
                                                                 const QString& uniqueID)
{
    return itemWithUniqueID(uniqueID);
}

std::shared_ptr<QMEbayItem> QMOperationManager::itemWithUniqueID(const QMVerifyAddItemOperation&,
                                                                 const QString& uniqueID)
{
    return itemWithUniqueID(uniqueID);
}

std::shared_ptr<EBayItemType> QMOperationManager::itemTypeForVerifyAddItemOperation(const QMVerifyAddItemOperation&,
                                                                                    const QMEbayItem& item,
                                                                                    bool useGeneratedEPSImageURLs,
                                                                                    const QString& accountID)
{
    return itemTypeForVerifyAddItemFromQMItem(item, useGeneratedEPSImageURLs, accountID);
}

void QMOperationManager::verificationWillStart(const QMAddItemOperationEnvelope&)
{
    dw::assertMainThread();
    // The queue starts verifications in the order they were queued; each start builds ahead what
    // is needed to keep as many ready as run at once. The main thread is mostly idle during a run,
    // while each wait of a worker for it holds back a call.
    const int ahead = std::max(1, m_multiThreadedOperationQueue.maxConcurrentOperationCount());
    int ready = 0;
    for (auto it = m_verificationsInLine.begin(); it != m_verificationsInLine.end() && ready < ahead;) {
        const auto verify = it->lock();
        const bool over = !verify || verify->isCancelled() || verify->isFinished();
        if (over || (verify->isExecuting() && verify->itemType())) {
            it = m_verificationsInLine.erase(it);
            continue;
        }
        // A listing closed meanwhile, or a build that fails, is left to the call to report.
        if (!verify->itemType() && !verify->prepareItemTypeAhead()) {
            it = m_verificationsInLine.erase(it);
            continue;
        }
        if (!verify->isExecuting())
            ++ready;
        ++it;
    }
}

std::shared_ptr<EBayItemType> QMOperationManager::itemTypeForVerifyAddItemFromQMItem(const QMEbayItem& item,
                                                                                     bool useGeneratedEPSImageURLs,
                                                                                     const QString& accountID)
{
    dw::assertMainThread();
    QList<std::shared_ptr<QMEbayImage>> pictures = item.images();
    pictures += item.allVariationProductImages();
    QMSimpleAddItemRequestFactory::UploadedPictureAddresses placeholders;
    QSet<const QMEbayImage*> seen;
    for (qsizetype position = 0; position < pictures.size(); ++position) {
        const auto& picture = pictures.at(position);
        // The same picture may appear in both lists; it gets one placeholder, so that its own
        // address is the one put back.
        if (!picture || picture->isURLBased() || seen.contains(picture.get()))
            continue;
        seen.insert(picture.get());
        const QString address =
            useGeneratedEPSImageURLs
                ? QLatin1String(kPlaceholderEPSHost) + QStringLiteral("/03/i/04/1c/97/cf_%1.JPG").arg(position)
                : QLatin1String(kPlaceholderOwnHost) + QStringLiteral("/testimage-%1.jpg").arg(position);
        placeholders.emplace_back(picture, address);
    }
    return QMSimpleAddItemRequestFactory::ebayItemForQMItem(item, accountID, placeholders);
}
