#pragma once
// Lists one listing on eBay: sends "AddItem" (or "AddFixedPriceItem" for an item with variations)
// with the eBay item that its envelope built, with the uploaded picture addresses, on the main
// thread, and keeps eBay's reply, from which the document takes the new item number and fees.
//
// Each operation carries a listing UUID of its own, made when it is made and sent as the item's
// UUID, so that eBay recognises the same listing sent twice. Once the request has gone out the
// reply is always read and kept, also when the operation is cancelled meanwhile: the item may be
// live on eBay, and the document must learn its number.
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
    // A new operation without item type and with a new listing UUID.
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
    const QString& listingUUID() const { return m_listingUUID; }
    // The parsed reply; null until one was read.
    std::shared_ptr<EBayAbstractResponseType> addItemResponse() const;

protected:
    void internalMain() override;

private:
    const bool m_scheduled;
    const bool m_verificationPassed;
    const QString m_listingUUID;
    mutable std::mutex m_responseMutex;
    std::shared_ptr<EBayAbstractResponseType> m_addItemResponse;
};
