#pragma once
// The store's pay sheet: a window of four steps, the store page (0), the buyer-data form (1), the
// gateway's payment page (2) and the wait for the gateway's confirmation (3).
//
// It fetches the catalogue, the extra-payment-methods page and the gateway's product infos on a
// worker thread, builds the store page locally with the gateway's XSLT, talks to the gateway on
// worker threads and polls the payment state every 3 s at the last step. Its events are posted on
// the default notification centre under the internal names of DWPaymentController.h, with the
// sheet as object. Every error ends the sheet after its alert; an ended sheet has no timer running
// and drops every answer still on its way. Main thread.

#include "DWPayment/DWPError.h"
#include "DWPayment/DWPTransaction.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QUrl>
#include <QVariantMap>
#include <memory>
#include <optional>

class DWPLinkTextField;
class DWPPaySheetPage;
class DWPaymentDelegate;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPropertyAnimation;
class QPushButton;
class QStackedWidget;
class QTimer;
class QWebEngineView;

// The form's fields, by tag.
enum DWPUDITag : int {
    DWPUDINameTag = 1001,
    DWPUDIMailTag = 1002,
    DWPUDICountryTag = 1003,
    DWPUDIStreetTag = 1004,
    DWPUDICityTag = 1005,
    DWPUDIZipCodeTag = 1006,
    DWPUDIVatTag = 1007,
    DWPUDITacTag = 1008,
    DWPUDINewsletterTag = 1009,
    DWPUDIEndTag = 1010,
};
// The controls of one field.
enum DWPUDIElementKind : int {
    DWPUDIInput = 0,
    DWPUDIIndicator = 1,
    DWPUDIStatusText = 2,
    DWPUDISpinner = 3,
    DWPUDICheckbox = 4,
};
// Validation states.
enum DWPUDIState : int {
    DWPUDIError = 0,
    DWPUDIValid = 1,
    DWPUDIWarning = 2,
};

inline constexpr const char* UDI_INVOCATION_PREFIX = "_udi";

class DWPAYMENT_EXPORT DWPPaySheetController : public QDialog
{
    Q_OBJECT

public:
    // Shows itself 0.13 s later, as a sheet on the host window or, without one, as a window of its
    // own. The prefetched data is copied.
    static DWPPaySheetController* newPaymentSheetOnWindow(QWidget* window, const QUrl& shoppingCartURL,
                                                          const QUrl& alternatePaymentMethodsHTMLURL,
                                                          const QVariantMap& prefetchedData,
                                                          DWPaymentDelegate* delegate);

    DWPPaySheetController(QWidget* window, const QUrl& shoppingCartURL, const QUrl& alternatePaymentMethodsHTMLURL,
                          const QVariantMap& prefetchedData, DWPaymentDelegate* delegate);
    ~DWPPaySheetController() override;

    int step() const { return m_step; }
    // A step change or a window-frame animation is under way; Next and Previous wait for its end.
    bool isWindowResizing() const { return m_isWindowResizing; }
    bool isChangingStep() const { return m_isChangingStep; }
    // The window frame that gives the step views' placeholder the size of `frame`: the top edge
    // stays and the window stays centred.
    QRect calculateFrameToResizePlaceHolderViewToFitFrameRect(const QRect& frame) const;
    QWidget* viewAtStep(int step) const { return m_viewAtStep.value(step); }
    QWidget* placeholderView() const { return m_placeholderView; }
    // The text of total box 1 (the form) or 2 (payment and wait) while it is shown, else empty.
    QString totalBoxText(int box) const;
    // A still image stands in for a web view (during a step change).
    bool isStillImageShown() const;
    DWPTransaction* transaction() const { return m_transaction.get(); }
    bool hasEnded() const { return m_ended; }
    // The payment-state poll or the store page's rebuild is pending.
    bool hasRunningTimer() const;
    void setPollIntervalMilliseconds(int milliseconds);

    void nextAction();
    void previousAction();
    void quitAction();

    // The buyer-data form.
    QWidget* udiElement(DWPUDIElementKind kind, int tag) const;
    int validateUDIForTag(int tag) const;
    int validateUDI(QVariantMap* detailedResults = nullptr) const;
    int showUDIStatusIndicators(bool show);
    QString udiStatusText() const;
    bool isUDIStatusLineShown() const;
    DWPLinkTextField* tacTextField() const { return m_tacTextField; }
    void setNameBlacklist(const QStringList& names) { m_nameBlacklist = names; }
    bool areVATFieldsShown() const;
    // The form's tags 1001 to 1009; their display names ("e-mail") and the names of the validation
    // states ("warning"), for messages. Null for an invalid tag, "__error: undefined state__" for an
    // unknown state.
    static bool isValidUDITag(int tag);
    static QString tagToName(int tag);
    static QString stateToName(int state);

    QWebEngineView* bomWebView() const { return m_bomWebView; }
    QWebEngineView* paymentWebView() const { return m_webView; }
    QPushButton* nextButton() const { return m_nextBtn; }
    QPushButton* previousButton() const { return m_prevBtn; }
    QLabel* finalText() const { return m_finalText; }

    // Store-page commands ("dwpms" links): the command and its query.
    void handleStorePageCommand(const QString& command, const QVariantMap& query);
    // The page's answer to a payment-page load (tests feed it documents).
    void paymentPageLoaded(const QUrl& url, const QString& html);
    bool paymentPageNavigation(const QUrl& url);

Q_SIGNALS:
    // The sheet has ended; `code` is kDWPaySheetDidEndModalRunResponse when it ran on its own.
    void sheetDidEnd(int code);
    // The view of `step` is in the window and its step has begun.
    void stepShown(int step);
    // The store page has loaded and shows its totals.
    void storePageReady();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    friend class DWPPaySheetPage;

    // The window's frame animation; the step views swap at fixed multiples of it.
    static constexpr int kFrameAnimationMilliseconds = 250;

    void buildWindow();
    QWidget* buildBomStep();
    QWidget* buildBuyerInputStep();
    QWidget* buildIframeStep();
    QWidget* buildCongratulationStep();

    void showOnWindow();
    void showViewAtCurrentStepMovingForwards(bool forwards);
    void showViewAtStep();
    void activateViewAtStep(int step);
    void takeViewFromPlaceholder();
    void animateWindowFrame(const QRect& frame);
    void substituteImageViewForWebView(QWebEngineView* webView, QWidget* superview);
    void removeSubstitutedImageViewForWebView(QWebEngineView* webView, QWidget* superview);
    QLabel* totalBox(QLabel** text);
    void composeAndSetTotalBackgroundForImageView(QLabel* view);
    void updateTotalBoxes();
    void actOnViewAtStep();
    void configurePrevBtnAtStep();
    void configureNextBtnAtStep();
    bool cancelTransaction();
    void timedFinalStep();
    void postNotification(const char* name, const QVariantMap& userInfo = {});
    void postNotificationForError(const DWPError& error);
    void handleErrorNotification(const QVariantMap& userInfo);
    void endSheet();

    void setTransaction(const DWPTransactionPtr& transaction);
    void transactionKeyChanged(const QString& key);
    void storePagePriceChanged(const QString& key);

    // Store and payment pages.
    bool isDataComplete() const;
    void fetchDWPaymentData();
    struct FetchResult;
    void fetchDWPaymentDataFinished(const std::shared_ptr<FetchResult>& result);
    void incorporatePrefetchedData(const QVariantMap& data);
    void displayBOM();
    void showStorePage(quint64 request, const QByteArray& html, const DWPError& error);
    void scheduleDisplayBOM();
    void bomPageLoaded(bool ok);
    void updateMiniStoreDisplay();
    void fitWindowToStorePage();
    void fitWindowToPaymentPage();
    void goOnAfterPayment();
    void runScript(const QString& function, const QStringList& arguments);
    void setInclusionForObjectAtKeyPath(const QVariantMap& query);
    void showAdditionalPaymentMethods();
    void displayPaymentFrame();
    void populateCountryCodesAndNamesMenu();

    // Form.
    void localizeStringsInWindow();
    void showUDIStatusIndicatorsForTag(int tag, int state);
    void showMailResult();
    void showVatResult();
    void setStatusLine(const QString& text);
    void showVATFields();
    void hideVATFields();
    bool isFormOnScreen() const;
    // The form grows by `growth` as the control appears (animated while the form is on screen),
    // and shrinks by it as the control goes.
    void growFormShowing(QWidget* control, int growth);
    void shrinkFormHiding(QWidget* control, int growth);
    void resizeWindowForFormBy(int delta);
    void loadBuyerFieldsFromTransaction();

    QUrl m_shoppingCartURL;
    QUrl m_alternatePaymentMethodsHTMLURL;
    QVariantMap m_prefetchedData;
    DWPaymentDelegate* m_delegate = nullptr;
    QPointer<QWidget> m_hostWindow;
    QUrl m_gatewayURL;

    DWPTransactionPtr m_transaction;
    QString m_alternatePaymentMethodsHTML;
    bool m_didLoadProductInfos = false;
    bool m_isFetchingDWPaymentData = false;
    bool m_hasAllDWPaymentData = false;
    bool m_isShowingAlternatePaymentMethods = false;
    bool m_isFirstUDIWarning = true;
    bool m_nextWaitsForChecks = false; // Next was pressed while a check ran
    bool m_ended = false;
    bool m_pollOut = false;
    int m_step = 0;
    qint64 m_finalRetryCounter = 0;
    QStringList m_nameBlacklist;

    QWidget* m_placeholderView = nullptr;
    QList<QWidget*> m_viewAtStep;
    QPropertyAnimation* m_frameAnimation = nullptr;
    bool m_isWindowResizing = false;
    bool m_isChangingStep = false;
    QLabel* m_totalImageView1 = nullptr;
    QLabel* m_totalImageView2 = nullptr;
    QLabel* m_totalText1 = nullptr;
    QLabel* m_totalText2 = nullptr;
    QPushButton* m_nextBtn = nullptr;
    QPushButton* m_prevBtn = nullptr;
    QStackedWidget* m_bomStack = nullptr;
    QWebEngineView* m_bomWebView = nullptr;
    QLabel* m_bomStatusText = nullptr;
    QStackedWidget* m_webStack = nullptr;
    QWebEngineView* m_webView = nullptr;
    QLabel* m_webStatusText = nullptr;
    QLabel* m_finalText = nullptr;
    QProgressBar* m_finalSpinner = nullptr;
    QWidget* m_buyerInputStep = nullptr;
    QComboBox* m_countriesPopup = nullptr;
    DWPLinkTextField* m_tacTextField = nullptr;
    QCheckBox* m_tacCheckbox = nullptr;
    QCheckBox* m_newsletterCheckbox = nullptr;
    QWidget* m_vatUserDataBox = nullptr;
    QLabel* m_udiStatusTextField = nullptr;
    QTimer* m_webTimer = nullptr;
    QTimer* m_bomTimer = nullptr;
    quint64 m_bomPageGeneration = 0;
    quint64 m_storePageRequest = 0; // the newest transformation handed to a worker
    QString m_bomBodyId;
    std::optional<qint64> m_lastFinalPrice;
};
