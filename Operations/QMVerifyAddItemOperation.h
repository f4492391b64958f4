#pragma once
// Asks eBay to check one listing without listing it ("VerifyAddItem", or "VerifyAddFixedPriceItem"
// for an item with variations) and keeps what eBay answers: the fees the listing would cost, its
// warnings and its errors.
//
// The eBay item is built from the live listing on the main thread, by the delegate, while the
// worker waits: worker threads never touch a listing. A reply "Success" that carries a message of
// eBay's becomes a warning unless the user put that message on the ignore list.
//
//     auto verify = std::make_shared<QMVerifyAddItemOperation>(factory, item->infoDictionaryForOperations(), accountID);
//     verify->setDelegate(manager);                  // not owned
//     verify->setCurrencyName(QStringLiteral("US Dollar"));
//     queue.addOperation(verify);
//     ... after the ended notification: verify->fees(), verify->listingFee(), verify->errorEnvelope()
//
// Accessors may be used from any thread.

#include "Operations/QMGenericEbayItemTypeOperation.h"

#include <QVariantMap>

class EBayAbstractRequestType;
class EBayAbstractResponseType;
class EBayFeesType;
class QMEbayItem;
class QMVerifyAddItemOperation;

// Implemented by whoever finds live listings and builds their eBay items (the operation manager).
// Both calls come on the main thread.
class QMVerifyAddItemOperationDelegate
{
public:
    virtual ~QMVerifyAddItemOperationDelegate() = default;
    virtual std::shared_ptr<QMEbayItem> itemWithUniqueID(const QMVerifyAddItemOperation& operation,
                                                         const QString& uniqueID) = 0;
    virtual std::shared_ptr<EBayItemType> itemTypeForVerifyAddItemOperation(const QMVerifyAddItemOperation& operation,
                                                                            const QMEbayItem& item,
                                                                            bool useGeneratedEPSImageURLs,
                                                                            const QString& accountID) = 0;
};

class QMVerifyAddItemOperation : public QMGenericEbayItemTypeOperation
{
public:
    QMVerifyAddItemOperation(const QMEbayConnectorFactory& connectorFactory, const QVariantMap& itemInfo,
                             const QString& accountID);
    ~QMVerifyAddItemOperation() override;

    QString name() const override;
    QString operationDescription() const override;

    // The call and its classes, by whether the item has variations; assert "Need itemType".
    QString verb() const;
    std::shared_ptr<EBayAbstractRequestType> newRequest() const;

    // Held weakly: an operation never keeps its delegate alive.
    void setDelegate(const std::weak_ptr<QMVerifyAddItemOperationDelegate>& delegate);

    // The live listing from the delegate; asserts "Need delegate" and "Item must be returned by
    // delegate". Main thread.
    std::shared_ptr<QMEbayItem> itemWithUniqueID(const QString& uniqueID) const;
    // Builds the item type through the delegate and stores it. Main thread only.
    void prepareVerifyAddItemItemType();
    // Builds the item type before the call needs it, so that the call does not wait for the main
    // thread; false when nothing was built (built already, the operation over, the listing closed,
    // or the build failed: the call then builds it and reports the failure). Main thread only.
    bool prepareItemTypeAhead();
    // The request, with the item built ahead, else built on the main thread while this thread waits.
    std::shared_ptr<EBayAbstractRequestType> verifyAddItemRequest();

    // The fee record of the reply's fees: "uniqueID", "title" and one text per fee ("Insertion
    // Fee" = "US Dollar 0.35"); fees of 0 only for the insertion and listing fee.
    void setFeesFromEbayFeesType(const std::shared_ptr<EBayFeesType>& fees);

    QString currencyName() const;
    void setCurrencyName(const QString& name);
    bool runningFromStartAuctionsPanel() const;
    void setRunningFromStartAuctionsPanel(bool value);
    bool useGeneratedEPSImageURLs() const;
    void setUseGeneratedEPSImageURLs(bool value);
    // Empty until a successful verification.
    QVariantMap fees() const;
    float listingFee() const;
    std::shared_ptr<EBayAbstractResponseType> response() const;

protected:
    void internalMain() override;

private:
    mutable std::mutex m_fieldsMutex;
    std::weak_ptr<QMVerifyAddItemOperationDelegate> m_delegate;
    QString m_currencyName;
    bool m_runningFromStartAuctionsPanel = false;
    bool m_useGeneratedEPSImageURLs = false;
    QVariantMap m_fees;
    float m_listingFee = 0;
    std::shared_ptr<EBayAbstractResponseType> m_response;
};
