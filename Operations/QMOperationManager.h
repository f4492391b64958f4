#pragma once
// The one owner of the application's operation queues and the place where listing uploads and
// verifications are made: each add call makes its operations (each with a new connector from the
// delegate), groups them in an envelope and queues it. It also answers the operations' questions
// that need the live listing: it finds a listing by its unique ID among the open documents and
// builds a listing's eBay item for verification, with placeholder addresses for pictures that are
// not yet uploaded.
//
//     auto manager = QMOperationManager::sharedQMOperationManager();
//     manager->setDelegate(appDelegate);                 // standardEbayConnector()
//     manager->setOpenListings([&] { return documents.listings(); });
//     const auto envelopes = manager->addAddItemOperationsForEbayItems(
//         {item}, kQMImageUploadingSystemEPS, true, false, false, false, accountID);
//
// The serial queue runs one operation at a time; the envelope queue runs as many at once as the
// user default "maxConcurrentOperations" says (4 when it is below 1), read once at creation.
// Tokens come from the installed account source (QMAccountDataSource). Main thread, except where
// a method says otherwise.

#include "DWKit/DWOperation/DWNSOperationEnvelopeQueue.h"
#include "DWKit/DWOperation/DWNSOperationQueueMonitor.h"
#include "Operations/QMAddItemOperationEnvelope.h"
#include "Operations/QMGenericEbayNSOperation.h"
#include "Operations/QMVerifyAddItemOperation.h"

#include <QList>
#include <deque>
#include <functional>
#include <memory>

class DWEbayConnector;
class QMGenericAddImageOperation;
class QMGetSessionIDOperation;
class QMVerifyAddItemOperationEnvelope;

inline constexpr const char* kQMMaxConcurrentOperationsKey = "maxConcurrentOperations";
inline constexpr int kQMDefaultMaxConcurrentOperations = 4;

// Supplies the connectors: a new one on every call, set up with the application's eBay
// credentials and the default site. Any thread.
class QMOperationManagerDelegate
{
public:
    virtual ~QMOperationManagerDelegate() = default;
    virtual std::unique_ptr<DWEbayConnector> standardEbayConnector() = 0;
    // The connector for uploads to eBay's picture service; the standard one unless overridden.
    virtual std::unique_ptr<DWEbayConnector> pictureServiceConnector() { return standardEbayConnector(); }
};

class QMOperationManager : public QMVerifyAddItemOperationDelegate,
                           public QMAddItemOperationEnvelopeDelegate,
                           public std::enable_shared_from_this<QMOperationManager>
{
public:
    // The listings of the open documents, in the order the documents are listed.
    using OpenListings = std::function<QList<std::shared_ptr<QMEbayItem>>()>;
    // The characteristic-set IDs the category data offers for searching in these categories of
    // the site; the category layer, above this one, installs it.
    using SearchCharacteristicSets = std::function<QStringList(const QList<qint64>& categoryIDs, qint64 siteID)>;

    // The one manager of the process, made on first use.
    static std::shared_ptr<QMOperationManager> sharedQMOperationManager();
    // A manager of its own (tests, tools); the width is read from the user defaults now.
    static std::shared_ptr<QMOperationManager> create();
    ~QMOperationManager() override;
    QMOperationManager(const QMOperationManager&) = delete;
    QMOperationManager& operator=(const QMOperationManager&) = delete;

    // "maxConcurrentOperations", or 4 when it is unset or below 1.
    static int maxConcurrentOperationsFromDefaults();

    // Held weakly; an empty pointer is a caller error.
    void setDelegate(const std::weak_ptr<QMOperationManagerDelegate>& delegate);
    std::shared_ptr<QMOperationManagerDelegate> delegate() const { return m_delegate.lock(); }
    void setOpenListings(OpenListings openListings) { m_openListings = std::move(openListings); }
    void setSearchCharacteristicSets(SearchCharacteristicSets lookup)
    {
        m_searchCharacteristicSets = std::move(lookup);
    }

    DWNSOperationQueueMonitor& monitor() { return m_monitor; }
    DWNSOperationEnvelopeQueue& multiThreadedOperationQueue() { return m_multiThreadedOperationQueue; }
    DWNSOperationQueue& singleThreadedOperationQueue() { return m_singleThreadedOperationQueue; }

    // Cancels every operation of the serial queue, then of the envelope queue; both keep running.
    void stopAllOperationQueues();
    void removeFinishedOrCanceledEnvelope(const DWNSOperationEnvelopePtr& envelope);
    void addMultiThreadedOperation(const DWNSOperationPtr& operation);
    // Runs the operation ahead of the others on the envelope queue and returns when it has ended
    // (or left the queue cancelled). On the main thread the calls workers hand to it are served
    // meanwhile; user input waits.
    void runOperationSynchronously(const DWNSOperationPtr& operation);
    // Nothing to do: uploaded pictures are not removed.
    void removeExpiredUploadedPictures() {}

    // One envelope with a verify operation per listing; null for no listings.
    std::shared_ptr<QMVerifyAddItemOperationEnvelope>
    addVerifyAddItemOperationsForEbayItems(const QList<std::shared_ptr<QMEbayItem>>& items, const QString& accountID,
                                           const QString& eventUniqueID, bool showFeePanel, bool showProgressPanel,
                                           bool runningFromStartAuctionsPanel);
    // One envelope per listing: verification (unless scheduled), the picture uploads, the listing.
    QList<std::shared_ptr<QMAddItemOperationEnvelope>>
    addAddItemOperationsForEbayItems(const QList<std::shared_ptr<QMEbayItem>>& items, int imageUploadSystem,
                                     bool showProgressPanel, bool suppressErrorMessages,
                                     bool suppressSwitchingToAuctions, bool scheduled, const QString& accountID);
    // A product search for the listing on the envelope queue, in the listing's site and within the
    // characteristic sets of its categories (none without a lookup).
    void addGetProductSearchResultsOperationForItem(const QMEbayItem& item, const QStringList& queryStrings);
    // Sign-in: a session ID for the preferences' redirect name, asked without a token on the
    // envelope queue. The caller watches the returned operation's end.
    std::shared_ptr<QMGetSessionIDOperation> addGetSessionIDOperation();
    // The token for a signed-in session, always followed by GetUser; on the serial queue.
    void addFetchTokenOperationForSessionID(const QString& sessionID, const QString& accountName,
                                            const QString& accountID, bool executeGetUserRequest);
    // The token by user name and secret ID; GetUser only when asked. On the serial queue.
    void addFetchTokenOperationForUser(const QString& username, const QString& secretID, const QString& accountName,
                                       const QString& accountID, bool executeGetUserRequest);
    // eBay's data versions against the stores of every site; on the envelope queue.
    void addGetCurrenteBayDataVersionsOperationSilent(bool silent);
    // The chosen store files of one site downloaded and saved; on the envelope queue.
    void addGetCurrenteBayDataOperationForSiteID(qint64 siteID, bool includingCategoryTree, bool characteristicSets,
                                                 bool runSilent = false);
    // Suggested item specifics for the listing's primary category; on the serial queue.
    void addGetItemRecommendationsOperationForAccountID(const QString& accountID, const QMEbayItem& item);
    // The upload of one picture, not queued. System 301 is gone: asserts "MobileMe/.Mac no longer
    // available as an image service".
    std::shared_ptr<QMGenericAddImageOperation>
    addImageOperationForImageUploadSystem(int imageUploadSystem, const QMEbayItem& item,
                                          const std::shared_ptr<QMEbayImage>& image, const QString& token,
                                          bool suppressErrorMessage);

    // The listing of the first open document that holds it; null when none does.
    std::shared_ptr<QMEbayItem> itemWithUniqueID(const QString& uniqueID) const;
    std::shared_ptr<QMEbayItem> itemWithUniqueID(const QMAddItemOperationEnvelope& envelope,
                                                 const QString& uniqueID) override;
    std::shared_ptr<QMEbayItem> itemWithUniqueID(const QMVerifyAddItemOperation& operation,
                                                 const QString& uniqueID) override;
    std::shared_ptr<EBayItemType> itemTypeForVerifyAddItemOperation(const QMVerifyAddItemOperation& operation,
                                                                    const QMEbayItem& item,
                                                                    bool useGeneratedEPSImageURLs,
                                                                    const QString& accountID) override;
    // Builds the items of the verifications next in line (as many as run at once), so that their
    // calls find them ready instead of waiting for the main thread.
    void verificationWillStart(const QMAddItemOperationEnvelope& envelope) override;
    // The item with a placeholder address for every picture that is not address-only; the
    // listing's own addresses are left as they were.
    static std::shared_ptr<EBayItemType>
    itemTypeForVerifyAddItemFromQMItem(const QMEbayItem& item, bool useGeneratedEPSImageURLs, const QString& accountID);

private:
    QMOperationManager();
    // A factory of new connectors carrying the token (and the site, when one is given).
    QMEbayConnectorFactory connectorFactory(const QString& token, bool pictureService = false,
                                            qint64 siteID = -1) const;
    static QString tokenForAccountID(const QString& accountID);

    std::weak_ptr<QMOperationManagerDelegate> m_delegate;
    OpenListings m_openListings;
    SearchCharacteristicSets m_searchCharacteristicSets;
    DWNSOperationQueue m_singleThreadedOperationQueue;
    DWNSOperationEnvelopeQueue m_multiThreadedOperationQueue;
    // After the queues: it goes first and stops watching them.
    DWNSOperationQueueMonitor m_monitor;
    // The verifications of listing runs in the order they were queued, until they have started with
    // their item built. Main thread.
    std::deque<std::weak_ptr<QMVerifyAddItemOperation>> m_verificationsInLine;
};
