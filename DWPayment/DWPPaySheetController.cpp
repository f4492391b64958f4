#include "DWPayment/DWPPaySheetController.h"

#include "DWPayment/DWPGateway.h"
#include "DWPayment/DWPLog.h"
#include "DWPayment/DWPServerConnection.h"
#include "DWPayment/DWPStoreWidgets.h"
#include "DWPayment/DWPUserDefaultsKeys.h"
#include "DWPayment/DWPXml.h"
#include "DWPayment/DWPaymentController.h"

#include "platform/core/AlertPresenter.h"
#include "platform/core/DWAssert.h"
#include "platform/core/MainThread.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineView>
#include <thread>

namespace {
constexpr int kStepCount = 4;
constexpr int kStepDelayMilliseconds = 300;
} // namespace

DWPPaySheetController* DWPPaySheetController::newPaymentSheetOnWindow(QWidget* window, const QUrl& shoppingCartURL,
                                                                      const QUrl& alternatePaymentMethodsHTMLURL,
                                                                      const QVariantMap& prefetchedData,
                                                                      DWPaymentDelegate* delegate)
{
    auto* sheet =
        new DWPPaySheetController(window, shoppingCartURL, alternatePaymentMethodsHTMLURL, prefetchedData, delegate);
    QTimer::singleShot(130, sheet, [sheet] { sheet->showOnWindow(); });
    return sheet;
}

DWPPaySheetController::DWPPaySheetController(QWidget* window, const QUrl& shoppingCartURL,
                                             const QUrl& alternatePaymentMethodsHTMLURL,
                                             const QVariantMap& prefetchedData, DWPaymentDelegate* delegate)
    : QDialog(window), m_shoppingCartURL(shoppingCartURL),
      m_alternatePaymentMethodsHTMLURL(alternatePaymentMethodsHTMLURL), m_prefetchedData(prefetchedData),
      m_delegate(delegate), m_hostWindow(window)
{
    setWindowTitle(DWPLocalized("Dunmerrow Store"));
    m_webTimer = new QTimer(this);
    m_webTimer->setInterval(3000);
    connect(m_webTimer, &QTimer::timeout, this, &DWPPaySheetController::timedFinalStep);
    m_bomTimer = new QTimer(this);
    m_bomTimer->setSingleShot(true);
    m_bomTimer->setInterval(kStepDelayMilliseconds);
    connect(m_bomTimer, &QTimer::timeout, this, &DWPPaySheetController::displayBOM);
    buildWindow();
}

DWPPaySheetController::~DWPPaySheetController()
{
    dw::NotificationCenter::defaultCenter().removeObserversOwnedBy(this);
    // The web views' pages go before the views, so they are not destroyed while still shown.
    if (m_bomWebView)
        delete m_bomWebView->page();
    if (m_webView)
        delete m_webView->page();
}

bool DWPPaySheetController::hasRunningTimer() const
{
    return m_webTimer->isActive() || m_bomTimer->isActive();
}

void DWPPaySheetController::setPollIntervalMilliseconds(int milliseconds)
{
    m_webTimer->setInterval(milliseconds);
}

void DWPPaySheetController::buildWindow()
{
    auto* layout = new QVBoxLayout(this);
    m_steps = new QStackedWidget(this);
    m_steps->addWidget(buildBomStep());
    m_steps->addWidget(buildBuyerInputStep());
    m_steps->addWidget(buildIframeStep());
    m_steps->addWidget(buildCongratulationStep());
    layout->addWidget(m_steps, 1);

    auto* buttons = new QHBoxLayout;
    m_prevBtn = new QPushButton(DWPLocalized("Cancel"), this);
    m_nextBtn = new QPushButton(DWPLocalized("Next Step"), this);
    m_nextBtn->setDefault(true);
    buttons->addWidget(m_prevBtn);
    buttons->addStretch(1);
    buttons->addWidget(m_nextBtn);
    layout->addLayout(buttons);
    connect(m_prevBtn, &QPushButton::clicked, this, &DWPPaySheetController::previousAction);
    connect(m_nextBtn, &QPushButton::clicked, this, [this] {
        if (m_step == kStepCount - 1)
            quitAction();
        else
            nextAction();
    });
    resize(560, 600);
}

QWidget* DWPPaySheetController::buildCongratulationStep()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addStretch(1);
    m_finalText = new QLabel(DWPLocalized("Thank you! Waiting for the confirmation of your payment…"), page);
    m_finalText->setWordWrap(true);
    m_finalText->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_finalText);
    m_finalSpinner = new QProgressBar(page);
    m_finalSpinner->setRange(0, 0);
    m_finalSpinner->setTextVisible(false);
    layout->addWidget(m_finalSpinner);
    layout->addStretch(1);
    return page;
}

void DWPPaySheetController::showOnWindow()
{
    if (m_ended)
        return;
    // What the window's loading does: tell the host, pick the gateway, start at the store page.
    auto& center = dw::NotificationCenter::defaultCenter();
    for (const char* name : {DWPErrorOccurredOnServerInternal, DWPErrorOccurredInternal})
        center.addObserver(
            QString::fromLatin1(name), this,
            [this](const dw::Notification& notification) { handleErrorNotification(notification.userInfo); }, this);
    postNotification(DWPUserDidOpenPaymentSheetInternal);
    m_gatewayURL = dw::payment::gatewayURL();
    if (dw::UserDefaults::standard().boolForKey(QString::fromLatin1(dw::payment::DWPUserWantsNewsletter)))
        m_newsletterCheckbox->hide();

    if (m_hostWindow) {
        setWindowModality(Qt::WindowModal);
        open();
    } else {
        setWindowModality(Qt::ApplicationModal);
        show();
    }
    m_step = 0;
    showViewAtCurrentStep();
}

void DWPPaySheetController::configurePrevBtnAtStep()
{
    switch (m_step) {
    case 0:
        m_prevBtn->setText(m_isShowingAlternatePaymentMethods ? DWPLocalized("Back") : DWPLocalized("Cancel"));
        m_prevBtn->setEnabled(true);
        m_prevBtn->show();
        break;
    case 1:
        m_prevBtn->setText(DWPLocalized("Previous Step"));
        m_prevBtn->setEnabled(true);
        m_prevBtn->show();
        break;
    case 2:
        break; // the payment page disables and enables it
    default:
        m_prevBtn->hide();
        m_prevBtn->setEnabled(false);
        break;
    }
}

void DWPPaySheetController::configureNextBtnAtStep()
{
    switch (m_step) {
    case 0:
        m_nextBtn->setText(DWPLocalized("Next Step"));
        m_nextBtn->setEnabled(false); // the store page enables it when the cart is not empty
        m_nextBtn->setVisible(!m_isShowingAlternatePaymentMethods);
        break;
    case 1:
        m_nextBtn->setText(DWPLocalized("Next Step"));
        m_nextBtn->setEnabled(true);
        m_nextBtn->show();
        break;
    case 2:
        m_nextBtn->setEnabled(false);
        m_nextBtn->hide();
        break;
    default:
        m_nextBtn->setText(DWPLocalized("Quit."));
        m_nextBtn->setEnabled(false);
        m_nextBtn->hide();
        break;
    }
}

void DWPPaySheetController::nextAction()
{
    if (m_ended || m_step >= kStepCount - 1)
        return;
    if (m_step == 1) {
        if (QWidget* focus = focusWidget())
            focus->clearFocus(); // the field being edited ends its editing
        const int state = validateUDI();
        if (state == DWPUDIError) {
            m_isFirstUDIWarning = true;
            showUDIStatusIndicators(true);
            return;
        }
        if (state == DWPUDIWarning && m_isFirstUDIWarning) {
            showUDIStatusIndicators(true);
            m_isFirstUDIWarning = false;
            return;
        }
        if (state != DWPUDIValid && state != DWPUDIWarning) {
            showUDIStatusIndicators(true);
            return;
        }
    }
    ++m_step;
    showViewAtCurrentStep();
}

void DWPPaySheetController::previousAction()
{
    if (m_ended)
        return;
    cancelTransaction();
    if (m_step == 0 && !m_isShowingAlternatePaymentMethods) {
        postNotification(DWPUserDidCancelPaymentSheetInternal);
        quitAction();
        return;
    }
    if (m_step == 0) {
        m_isShowingAlternatePaymentMethods = false;
        ++m_step;
    } else if (m_step == 2) {
        showUDIStatusIndicators(false);
    } else if (m_step == 3) {
        return; // no way back from the last step
    }
    --m_step;
    showViewAtCurrentStep();
}

void DWPPaySheetController::quitAction()
{
    if (m_transaction && !m_transaction->transactionID().isEmpty())
        qCInfo(lcPayment).noquote() << QStringLiteral("leaving transaction: %1").arg(m_transaction->transactionID());
    endSheet();
}

bool DWPPaySheetController::cancelTransaction()
{
    if (!m_transaction || m_transaction->transactionID().isEmpty())
        return false;
    const QString transactionID = m_transaction->transactionID();
    const QUrl gateway = m_gatewayURL;
    // Fire and forget: the gateway forgets the transaction; nothing comes back.
    std::thread([transactionID, gateway] {
        DWPServerConnection(gateway).abortTransactionWithID(transactionID);
    }).detach();
    m_transaction->setTransactionID(QString());
    return true;
}

void DWPPaySheetController::showViewAtCurrentStep()
{
    if (m_step < 0 || m_step >= kStepCount) {
        qCWarning(lcPayment).noquote() << QStringLiteral("unknown step: %1").arg(m_step);
        return;
    }
    m_steps->setCurrentIndex(m_step);
    actOnViewAtStep();
}

void DWPPaySheetController::actOnViewAtStep()
{
    configurePrevBtnAtStep();
    configureNextBtnAtStep();
    switch (m_step) {
    case 0:
        m_bomStack->setCurrentIndex(0);
        m_bomStatusText->setText(DWPLocalized("Preparing your shopping cart…"));
        scheduleDisplayBOM();
        break;
    case 1:
        DW_ASSERT(m_transaction, "transaction shouldn't be nil");
        DW_ASSERT(m_transaction->shoppingCart(), "shoppingCart shouldn't be nil");
        m_isFirstUDIWarning = true;
        showUDIStatusIndicators(false);
        break;
    case 2:
        DW_ASSERT(m_transaction, "transaction shouldn't be nil");
        DW_ASSERT(m_transaction->shoppingCart(), "shoppingCart shouldn't be nil");
        m_webStack->setCurrentIndex(0);
        QTimer::singleShot(kStepDelayMilliseconds, this, [this] {
            if (!m_ended && m_step == 2)
                displayPaymentFrame();
        });
        break;
    default:
        postNotification(DWPUserDidReachFinalStepOnPaymentSheetInternal);
        m_finalRetryCounter = 0;
        m_webTimer->start();
        break;
    }
}

void DWPPaySheetController::timedFinalStep()
{
    if (m_ended)
        return;
    ++m_finalRetryCounter;
    const QString transactionID = m_transaction ? m_transaction->transactionID() : QString();
    if (m_finalRetryCounter == 4) {
        m_nextBtn->setEnabled(true);
        m_nextBtn->show();
        m_finalText->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_finalText->setText(
            DWPLocalized("It seems our server is taking its time. If you don’t want to wait, you can quit now and "
                         "contact our customer support. Please include the transaction numbers you have been given in "
                         "the previous screen, and/or mention this number: %1.")
                .arg(transactionID));
    }
    // One question at a time: a slow gateway is not asked again before it answered.
    if (m_pollOut)
        return;
    m_pollOut = true;
    const QUrl gateway = m_gatewayURL;
    const QPointer<const QObject> guard(this);
    std::thread([guard, gateway, transactionID, this] {
        DWPError error;
        QByteArray payload;
        const QString state =
            DWPServerConnection(gateway).paymentStateForTransactionID(transactionID, &payload, &error);
        dw::postToMain(guard, [this, error, payload, state, transactionID] {
            m_pollOut = false;
            if (m_ended)
                return;
            if (!error.isNull()) {
                postNotificationForError(error);
                return;
            }
            if (state == u"paid") {
                QVariantMap userInfo{{QString::fromLatin1(DWPTransactionIdKey), transactionID}};
                if (!payload.isNull())
                    userInfo.insert(QString::fromLatin1(DWPPayloadKey), payload);
                postNotification(DWPServerConfirmedTransactionInternal, userInfo);
                endSheet();
            }
        });
    }).detach();
}

void DWPPaySheetController::postNotification(const char* name, const QVariantMap& userInfo)
{
    dw::NotificationCenter::defaultCenter().post(QString::fromLatin1(name), dw::NotificationObject::of(this), userInfo);
}

void DWPPaySheetController::postNotificationForError(const DWPError& error)
{
    const QString name = error.userInfo().value(QString::fromLatin1(DWPNotificationNameKey)).toString();
    dw::NotificationCenter::defaultCenter().post(name.isEmpty() ? QString::fromLatin1(DWPErrorOccurredInternal) : name,
                                                 dw::NotificationObject::of(this), error.userInfo());
}

void DWPPaySheetController::handleErrorNotification(const QVariantMap& userInfo)
{
    if (m_ended)
        return;
    // Nothing may poll or rebuild while the alert is up, nor after it.
    m_webTimer->stop();
    m_bomTimer->stop();
    QString message = userInfo.value(QString::fromLatin1(NSLocalizedDescriptionKey)).toString();
    if (message.isEmpty())
        message = DWPLocalized("The programmer didn’t even provide a description. Sorry.");
    if (!(m_delegate && m_delegate->shouldHandleErrorSilently(userInfo))) {
        dw::AlertRequest alert;
        alert.style = dw::AlertRequest::Style::Informational;
        alert.messageText = DWPLocalized("We’re sorry, an error occurred.");
        alert.informativeText = message;
        alert.buttons = {DWPLocalized("OK")};
        dw::alertPresenter().runModal(alert);
    }
    const QVariantMap underlying = userInfo.value(QString::fromLatin1(NSUnderlyingErrorKey)).toMap();
    const QVariantMap underlyingInfo = underlying.value(QStringLiteral("userInfo")).toMap();
    qCWarning(lcPayment).noquote()
        << QStringLiteral("--> DWP ERROR: %1\ndetailed desc: %2\nunderlying error: %3")
               .arg(message, userInfo.value(QString::fromLatin1(DWPDetailedDescriptionKey)).toString(),
                    underlyingInfo.value(QString::fromLatin1(NSLocalizedDescriptionKey)).toString());
    const QVariant serverTexts = userInfo.contains(QString::fromLatin1(DWPErrorInfoFromXmlDocKey))
                                     ? userInfo.value(QString::fromLatin1(DWPErrorInfoFromXmlDocKey))
                                     : underlyingInfo.value(QString::fromLatin1(DWPErrorInfoFromXmlDocKey));
    if (serverTexts.isValid())
        qCWarning(lcPayment).noquote() << "    server says:" << serverTexts.toStringList().join(QLatin1Char('\n'));
    endSheet();
}

void DWPPaySheetController::endSheet()
{
    if (m_ended)
        return;
    m_ended = true;
    m_webTimer->stop();
    m_bomTimer->stop();
    postNotification(DWPUserDidFinishPaymentSheetInternal);
    dw::NotificationCenter::defaultCenter().removeObserversOwnedBy(this);
    hide();
    Q_EMIT sheetDidEnd(m_hostWindow ? 0 : kDWPaySheetDidEndModalRunResponse);
}

void DWPPaySheetController::closeEvent(QCloseEvent* event)
{
    event->accept();
    quitAction();
}

void DWPPaySheetController::reject()
{
    quitAction();
}

void DWPPaySheetController::setTransaction(std::unique_ptr<DWPTransaction> transaction)
{
    if (m_transaction)
        m_transaction->disconnect(this);
    m_transaction = std::move(transaction);
    if (!m_transaction)
        return;
    connect(m_transaction.get(), &DWPTransaction::keyChanged, this, &DWPPaySheetController::transactionKeyChanged);
    populateCountryCodesAndNamesMenu();
    loadBuyerFieldsFromTransaction();
    localizeStringsInWindow();
    if (m_transaction->isEUUser() && m_transaction->userCountry() != u"DE")
        showVATFields();
    else
        hideVATFields();
}

void DWPPaySheetController::transactionKeyChanged(const QString& key)
{
    if (key == u"userCountry" && m_countriesPopup) {
        // The menu follows the transaction, also when something else than the menu set the country.
        const int index = m_countriesPopup->findData(m_transaction->userCountry());
        if (index != m_countriesPopup->currentIndex())
            m_countriesPopup->setCurrentIndex(index);
    }
    if (key == u"userUsesVatId") {
        if (auto* usesVat = m_vatUserDataBox->findChild<QCheckBox*>(QStringLiteral("usesVatId"));
            usesVat && usesVat->isChecked() != m_transaction->userUsesVatId())
            usesVat->setChecked(m_transaction->userUsesVatId());
    }
    if (key == u"isEUUser" || key == u"userCountry") {
        if (m_transaction->isEUUser() && m_transaction->userCountry() != u"DE")
            showVATFields();
        else
            hideVATFields();
    } else if (key == u"isCheckingVat" || key == u"userUsesVatId" || key == u"userVatId") {
        showVatResult();
    } else if (key == u"isCheckingMail" || key == u"userMail") {
        showMailResult();
    }
    if (m_step == 0 && (key == u"finalPrice" || key == u"userHasToPayVAT"))
        updateMiniStoreDisplay();
}
