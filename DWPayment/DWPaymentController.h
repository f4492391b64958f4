#pragma once
// The one object a host application uses to open the store: it opens the pay sheet against a
// catalogue address, runs it modally when there is no host window, and hands the sheet's events to
// the host's delegate, or, without a delegate, reposts them under their public names with itself as
// sender.
//
//     // in the application's store action (main thread); returns when the sheet has ended
//     auto controller = DWPaymentController::newPaySheetOnWindow(nullptr, dw::payment::catalogueURL(),
//                                                                dw::payment::alternatePaymentMethodsURL(), this);
//     m_paymentController = std::move(controller);

#include "DWPayment/DWPError.h"
#include "DWPayment/DWPPaySheetController.h"
#include "DWPayment/DWPStoreDelegate.h"
#include "DWPayment/DWPTransaction.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QVariantMap>
#include <QWidget>
#include <memory>

class DWPaymentController;

// The sheet's events, twice: the internal name the sheet posts (object: the sheet) and the public
// name the entry object reposts (object: the entry object).
inline constexpr const char* DWPUserDidOpenPaymentSheet = "DWPUserDidOpenPaymentSheet";
inline constexpr const char* DWPUserDidOpenPaymentSheetInternal = "_DWPUserDidOpenPaymentSheet";
inline constexpr const char* DWPUserDidCancelPaymentSheet = "DWPUserDidCancelPaymentSheet";
inline constexpr const char* DWPUserDidCancelPaymentSheetInternal = "_DWPUserDidCancelPaymentSheet";
inline constexpr const char* DWPUserDidReachFinalStepOnPaymentSheet = "DWPUserDidReachFinalStepOnPaymentSheet";
inline constexpr const char* DWPUserDidReachFinalStepOnPaymentSheetInternal = "_DWPUserDidReachFinalStepOnPaymentSheet";
inline constexpr const char* DWPUserDidFinishPaymentSheet = "DWPUserDidFinishPaymentSheet";
inline constexpr const char* DWPUserDidFinishPaymentSheetInternal = "_DWPUserDidFinishPaymentSheet";
inline constexpr const char* DWPUserDidCompleteTransaction = "DWPUserDidCompleteTransaction";
inline constexpr const char* DWPUserDidCompleteTransactionInternal = "_DWPUserDidCompleteTransaction";
inline constexpr const char* DWPServerConfirmedTransaction = "DWPServerConfirmedTransaction";
inline constexpr const char* DWPServerConfirmedTransactionInternal = "_DWPServerConfirmedTransaction";
inline constexpr const char* DWPErrorOccurredOnServer = "DWPErrorOccurredOnServer";
inline constexpr const char* DWPErrorOccurredOnServerInternal = "_DWPErrorOccurredOnServer";
inline constexpr const char* DWPErrorOccurred = "DWPErrorOccurred";
inline constexpr const char* DWPErrorOccurredInternal = "_DWPErrorOccurred";

// Keys of the data a host may hand the sheet before it opens.
inline constexpr const char* DWPTransactionDataKey = "DWPTransactionDataKey";
inline constexpr const char* DWPShoppingCartPropertyListDataKey = "DWPShoppingCartPropertyListDataKey";
inline constexpr const char* DWPAlternatePaymentMethodsHTMLDataKey = "DWPAlternatePaymentMethodsHTMLDataKey";
inline constexpr const char* DWPProductInfosDataKey = "DWPProductInfosDataKey";
inline constexpr const char* DWPVatRateDataKey = "DWPVatRateDataKey";
inline constexpr const char* DWPBomXSLTDataKey = "DWPBomXSLTDataKey";

inline constexpr int kDWPaySheetDidEndModalRunResponse = 2000;
inline constexpr const char* DWPBundleId = "com.quillmart.DWPayment";

// What the store tells its host. Every method is optional: the defaults do nothing. The two fetch
// errors arrive on the sheet's fetch thread; everything else on the main thread.
class DWPAYMENT_EXPORT DWPaymentDelegate : public DWPStoreDelegate
{
public:
    virtual void userDidOpenPaymentSheetForPaymentController(DWPaymentController*) {}
    virtual void userDidCancelPaymentSheetForPaymentController(DWPaymentController*) {}
    virtual void userDidReachFinalStepOnPaymentSheetForPaymentController(DWPaymentController*) {}
    virtual void userDidFinishPaymentSheetForPaymentController(DWPaymentController*) {}
    virtual void paymentControllerUserDidCompleteTransaction(DWPaymentController*, DWPTransaction*,
                                                             const QVariant& /*payload*/)
    {}
    virtual void paymentControllerServerConfirmedTransaction(DWPaymentController*, DWPTransaction*,
                                                             const QVariant& /*payload*/)
    {}
    virtual void paymentControllerErrorOccurredOnServer(DWPaymentController*, const QVariantMap& /*userInfo*/) {}
    virtual void paymentControllerErrorOccurred(DWPaymentController*, const QVariantMap& /*userInfo*/) {}
    virtual void paymentControllerErrorOccurredGettingPlist(DWPaymentController*, const QString& /*error*/,
                                                            const QUrl& /*url*/)
    {}
    virtual void paymentControllerErrorOccurredGettingAlternatePaymentMethodsHTML(DWPaymentController*,
                                                                                  const QString& /*error*/,
                                                                                  const QUrl& /*url*/)
    {}
    // True: the sheet shows no alert for this error (it ends all the same).
    virtual bool shouldHandleErrorSilently(const QVariantMap& /*userInfo*/) { return false; }
};

class DWPAYMENT_EXPORT DWPaymentController : public QObject
{
    Q_OBJECT

public:
    explicit DWPaymentController(QWidget* window = nullptr, DWPaymentDelegate* delegate = nullptr);
    ~DWPaymentController() override;

    // Null (and a warning) for an invalid catalogue address. Without a window the call returns only
    // after the sheet has ended.
    static std::unique_ptr<DWPaymentController> newPaySheetOnWindow(QWidget* window, const QUrl& shoppingCartURL,
                                                                    const QUrl& alternatePaymentMethodsHTMLURL,
                                                                    DWPaymentDelegate* delegate);
    // The store for a transaction the host built (with its cart and buyer data); the sheet fetches
    // only the gateway's prices and store page for it. Without a delegate; without a window it
    // returns when the sheet has ended. Nothing opens for a null transaction.
    static std::unique_ptr<DWPaymentController> newPaySheetOnWindow(QWidget* window,
                                                                    const DWPTransactionPtr& transaction);

    void showPaySheetForShoppingCartURL(const QUrl& shoppingCartURL, const QUrl& alternatePaymentMethodsHTMLURL);
    // Does nothing for a null transaction.
    void showPaySheetForTransaction(const DWPTransactionPtr& transaction);

    // Asks the gateway (blocking) for the products' infos, the VAT rate and the store page; true
    // when all three came.
    bool fetchExternalDataForProductIDs(const QStringList& productIds);
    QString currency() const;
    // Product ID -> "EUR 11.90" (gross in the EU, net elsewhere).
    QVariantMap prices() const;
    QVariantMap productInfos() const;
    QVariant vatRate() const;
    void setPayWindowTitle(const QString& title);

    QWidget* window() const { return m_window; }
    void setWindow(QWidget* window) { m_window = window; }
    DWPaymentDelegate* delegate() const { return m_delegate; }
    void setDelegate(DWPaymentDelegate* delegate) { m_delegate = delegate; }
    DWPPaySheetController* currentPayWindowController() const { return m_currentPayWindowController.data(); }

private:
    void showPaySheet(const DWPTransactionPtr& transaction, const QUrl& shoppingCartURL,
                      const QUrl& alternatePaymentMethodsHTMLURL);
    void callDelegateForNotification(const QString& name, const QVariantMap& userInfo);
    void repostSheetNotification(const QString& name, const QVariantMap& userInfo);

    QPointer<DWPPaySheetController> m_currentPayWindowController;
    QPointer<QWidget> m_window;
    QVariantMap m_prefetchedDataDict;
    QString m_payWindowTitle;
    DWPaymentDelegate* m_delegate = nullptr;
};
