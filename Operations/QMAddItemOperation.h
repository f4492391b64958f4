#pragma once
// Lists one listing on eBay: sends "AddItem" (or "AddFixedPriceItem" for an item with variations)
// with the eBay item that its envelope built, with the uploaded picture addresses, on the main
// thread, and keeps eBay's reply, from which the document takes the new item number and fees.
//
// The item goes out under a listing UUID, by which eBay recognises the same listing sent twice.
// It is the listing's: kept in QMListingUUIDStore from just before the request goes out until
// eBay's answer has been read, so that every attempt for a listing whose answer was lost (a
// dropped connection, a quit while the call was in flight, a crash) sends the same one and eBay
// cannot list the item twice. eBay's answer to such a retry, error 488 "Duplicate UUID
// used", names the item listed before: it counts as the listing, with that item number, as if the
// first answer had arrived. When the request went out and no answer could be read, the error says
// that the item may already be listed. A cancel once the request is out lets the answer arrive
// (the item may be live, and the document must learn its number); only an abort (the queues' end
// on quit) stops the call.
//
//     auto add = std::make_shared<QMAddItemOperation>(factory, item->infoDictionaryForOperations(), accountID,
//                                                     false, true);
//     add->buildItemType(*item, uploadedAddresses);          // main thread, after the picture uploads
//     queue.addOperation(add);
//     ... after the ended notification: add->addItemResponse()
//
// Accessors may be used from any thread.

#include "Operations/QMGenericAuctionItemOperation.h"
#include "Operations/QMSimpleAddItemRequestFactory.h"

class EBayAbstractRequestType;
class EBayAbstractResponseType;
class QMEbayItem;

class QMAddItemOperation : public QMGenericAuctionItemOperation
{
public:
    // A new operation without item type, with the UUID kept for the listing or else a new one.
    QMAddItemOperation(const QMEbayConnectorFactory& connectorFactory, const QVariantMap& itemInfo,
                       const QString& accountID, bool scheduled, bool verificationPassed);
    ~QMAddItemOperation() override;

    QString name() const override;
    QString operationDescription() const override;

    // The call and its classes, by whether the item has variations; assert "Need itemType".
    QString verb() const;
    // The request with the item, detail level "ReturnAll" and the warning level.
    std::shared_ptr<EBayAbstractRequestType> addItemRequest() const;

    // Builds the item type from the live listing with the uploaded picture addresses. Main thread.
    void buildItemType(const QMEbayItem& item,
                       const QMSimpleAddItemRequestFactory::UploadedPictureAddresses& uploadedAddresses);

    bool scheduled() const { return m_scheduled; }
    bool verificationPassed() const { return m_verificationPassed; }
    // The UUID the item is (or was) sent under; the one kept for the listing once it is sent.
    QString listingUUID() const;
    // The parsed reply; null until one was read.
    std::shared_ptr<EBayAbstractResponseType> addItemResponse() const;

protected:
    void internalMain() override;

private:
    // The request went out and no answer could be read: the error says so, the UUID stays kept.
    void reportUnknownOutcome(const QMLogEntryPtr& entry);
    // eBay's refusal of a UUID it has listed an item under: the reply becomes that listing's.
    static bool takeDuplicateAsListed(EBayAbstractResponseType& response);

    const bool m_scheduled;
    const bool m_verificationPassed;
    mutable std::mutex m_responseMutex;
    QString m_listingUUID;
    std::shared_ptr<EBayAbstractResponseType> m_addItemResponse;
};
