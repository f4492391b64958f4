#include "DWPayment/DWPPaySheetController.h"

#include "DWPayment/DWPGateway.h"
#include "DWPayment/DWPLog.h"
#include "DWPayment/DWPServerConnection.h"
#include "DWPayment/DWPStoreWidgets.h"
#include "DWPayment/DWPUserDefaultsKeys.h"
#include "DWPayment/DWPXml.h"
#include "DWPayment/DWPaymentController.h"

#include "platform/core/AlertPresenter.h"
#include "platform/core/BackgroundWork.h"
#include "platform/core/DWAssert.h"
#include "platform/core/MainThread.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineView>
#include <atomic>
#include <memory>

namespace {
constexpr int kStepCount = 4;
constexpr int kStepDelayMilliseconds = 300;
constexpr int kResizeRetryMilliseconds = 100;
// Each step view's own size: the window takes it when the step is shown.
constexpr QSize kStorePageSize(560, 420);
constexpr QSize kPaymentPageSize(560, 560);
constexpr QSize kFinalStepSize(560, 260);
constexpr int kTotalBoxHeight = 46;
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
    // A resize still running would report its end while the widget base deletes its children, when
    // this object's own members are already gone.
    delete m_frameAnimation;
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
    // The placeholder holds the view of the current step alone, so the window can take each
    // step's own size.
    m_placeholderView = new QWidget(this);
    auto* placeholderLayout = new QVBoxLayout(m_placeholderView);
    placeholderLayout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_placeholderView, 1);
    m_viewAtStep = {buildBomStep(), buildBuyerInputStep(), buildIframeStep(), buildCongratulationStep()};
    m_totalImageView2 = totalBox(&m_totalText2);
    m_totalImageView2->setParent(this);
    m_totalImageView2->hide();
    const QSize sizes[] = {kStorePageSize, QSize(kStorePageSize.width(), m_viewAtStep[1]->sizeHint().height()),
                           kPaymentPageSize, kFinalStepSize};
    for (int index = 0; index < kStepCount; ++index) {
        m_viewAtStep[index]->setParent(this);
        m_viewAtStep[index]->hide();
        m_viewAtStep[index]->resize(sizes[index]);
    }

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

    m_frameAnimation = new QPropertyAnimation(this, "geometry", this);
    m_frameAnimation->setDuration(kFrameAnimationMilliseconds);
    m_frameAnimation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_frameAnimation, &QPropertyAnimation::stateChanged, this,
            [this](QAbstractAnimation::State state) { m_isWindowResizing = state == QAbstractAnimation::Running; });
    resize(kStorePageSize + QSize(24, 60));
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
    composeAndSetTotalBackgroundForImageView(m_totalImageView1);
    composeAndSetTotalBackgroundForImageView(m_totalImageView2);
    m_step = 0;
    showViewAtCurrentStepMovingForwards(true);
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
    // A step change still under way would otherwise be overtaken by a second click.
    if (m_ended || m_isWindowResizing || m_isChangingStep || m_step >= kStepCount - 1)
        return;
    if (m_step == 1) {
        if (QWidget* focus = focusWidget())
            focus->clearFocus(); // the field being edited ends its editing
        // A check still running is no verdict on what the buyer typed: Next goes on by itself once
        // the checks have answered.
        if (m_transaction && (m_transaction->isCheckingMail() || m_transaction->isCheckingVat())) {
            m_nextWaitsForChecks = true;
            return;
        }
        m_nextWaitsForChecks = false;
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
    showViewAtCurrentStepMovingForwards(true);
}

void DWPPaySheetController::previousAction()
{
    if (m_ended || m_isWindowResizing || m_isChangingStep)
        return;
    m_nextWaitsForChecks = false;
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
    showViewAtCurrentStepMovingForwards(false);
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
    // Fire and forget: the gateway forgets the transaction; nothing comes back. A quit does not wait
    // for a gateway that does not answer.
    auto stop = std::make_shared<std::atomic<bool>>(false);
    dw::runInBackground(
        [transactionID, gateway, stop] {
            DWPServerConnection connection(gateway);
            connection.setCancelFlag(stop.get());
            connection.abortTransactionWithID(transactionID);
        },
        stop);
    m_transaction->setTransactionID(QString());
    return true;
}

void DWPPaySheetController::showViewAtCurrentStepMovingForwards(bool forwards)
{
    // A web view does not take part in the window's animation well: while the step changes, a still
    // image of it stands in, and is taken away again when its step returns.
    QWidget* storeSuperview = m_bomWebView->parentWidget();
    QWidget* paymentSuperview = m_webView->parentWidget();
    switch (m_step) {
    case 0:
        removeSubstitutedImageViewForWebView(m_bomWebView, storeSuperview);
        break;
    case 1:
        if (forwards)
            substituteImageViewForWebView(m_bomWebView, storeSuperview);
        else
            substituteImageViewForWebView(m_webView, paymentSuperview);
        break;
    case 2:
        removeSubstitutedImageViewForWebView(m_webView, paymentSuperview);
        break;
    case 3:
        substituteImageViewForWebView(m_webView, paymentSuperview);
        break;
    default:
        qCWarning(lcPayment).noquote() << QStringLiteral("unknown step: %1").arg(m_step);
        return;
    }
    m_isChangingStep = true;
    const int step = m_step;
    QTimer::singleShot(kStepDelayMilliseconds, this, [this, step] {
        if (!m_ended && m_step == step)
            showViewAtStep();
    });
}

void DWPPaySheetController::showViewAtStep()
{
    QWidget* view = m_viewAtStep[m_step];
    const QRect frame = calculateFrameToResizePlaceHolderViewToFitFrameRect(QRect(QPoint(), view->size()));
    m_isWindowResizing = true;
    takeViewFromPlaceholder();
    QTimer::singleShot(kFrameAnimationMilliseconds * 11 / 10, this, [this, frame] {
        if (!m_ended)
            animateWindowFrame(frame);
    });
    const int step = m_step;
    QTimer::singleShot(kFrameAnimationMilliseconds * 22 / 10, this, [this, step] { activateViewAtStep(step); });
}

void DWPPaySheetController::activateViewAtStep(int step)
{
    if (m_ended || step != m_step)
        return;
    if (m_isWindowResizing) {
        QTimer::singleShot(kResizeRetryMilliseconds, this, [this, step] { activateViewAtStep(step); });
        return;
    }
    takeViewFromPlaceholder();
    QWidget* view = m_viewAtStep[step];
    if (step == 2 || step == 3) {
        // The payment page and the wait share the second total box.
        if (QWidget* previous = m_totalImageView2->parentWidget(); previous && previous->layout())
            previous->layout()->removeWidget(m_totalImageView2);
        static_cast<QVBoxLayout*>(view->layout())->insertWidget(0, m_totalImageView2);
        m_totalImageView2->show();
    }
    m_placeholderView->layout()->addWidget(view);
    view->show();
    m_isChangingStep = false;
    actOnViewAtStep();
    Q_EMIT stepShown(step);
}

void DWPPaySheetController::takeViewFromPlaceholder()
{
    QLayout* placeholderLayout = m_placeholderView->layout();
    while (QLayoutItem* item = placeholderLayout->takeAt(0)) {
        if (QWidget* view = item->widget())
            view->hide(); // keeps its size: the window takes it when the step comes back
        delete item;
    }
}

QRect DWPPaySheetController::calculateFrameToResizePlaceHolderViewToFitFrameRect(const QRect& frame) const
{
    layout()->activate();
    QRect window = geometry();
    const int dh = frame.height() - m_placeholderView->height();
    const int dw = frame.width() - m_placeholderView->width();
    // The top edge stays where it is and the window stays centred.
    window.setHeight(window.height() + dh);
    window.setWidth(window.width() + dw);
    window.moveLeft(window.left() - dw / 2);
    return window;
}

void DWPPaySheetController::animateWindowFrame(const QRect& frame)
{
    m_frameAnimation->stop();
    m_frameAnimation->setStartValue(geometry());
    m_frameAnimation->setEndValue(frame);
    m_frameAnimation->start();
}

void DWPPaySheetController::substituteImageViewForWebView(QWebEngineView* webView, QWidget* superview)
{
    if (!superview || webView->isHidden())
        return;
    auto* still = new QLabel(superview);
    still->setObjectName(QStringLiteral("stillImage"));
    still->setPixmap(webView->grab());
    still->setGeometry(webView->geometry());
    still->show();
    still->raise();
    // The web view goes at the next turn, once the image stands in front of it.
    const QPointer<QWebEngineView> view(webView);
    QTimer::singleShot(0, this, [view] {
        if (view)
            view->hide();
    });
}

void DWPPaySheetController::removeSubstitutedImageViewForWebView(QWebEngineView* webView, QWidget* superview)
{
    if (!superview)
        return;
    // Each web view has a superview of its own, so its stills are all there are. They are not told
    // apart by frame: the picture may have been taken while the page was being measured in
    // another size.
    Q_UNUSED(webView);
    qDeleteAll(superview->findChildren<QLabel*>(QStringLiteral("stillImage"), Qt::FindDirectChildrenOnly));
}

bool DWPPaySheetController::isStillImageShown() const
{
    for (QWebEngineView* view : {m_bomWebView, m_webView})
        if (!view->parentWidget()
                 ->findChildren<QLabel*>(QStringLiteral("stillImage"), Qt::FindDirectChildrenOnly)
                 .isEmpty())
            return true;
    return false;
}

QLabel* DWPPaySheetController::totalBox(QLabel** text)
{
    // The box's picture is composed for its width (composeAndSetTotalBackgroundForImageView), the
    // total is written over its middle.
    auto* box = new QLabel;
    box->setFixedHeight(kTotalBoxHeight);
    box->setMinimumWidth(220);
    box->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    box->installEventFilter(this);
    *text = new QLabel(box);
    (*text)->setAlignment(Qt::AlignCenter);
    QFont font = (*text)->font();
    font.setBold(true);
    (*text)->setFont(font);
    (*text)->setStyleSheet(QStringLiteral("color: #1d2d55; background: transparent;"));
    return box;
}

bool DWPPaySheetController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && (watched == m_totalImageView1 || watched == m_totalImageView2))
        composeAndSetTotalBackgroundForImageView(static_cast<QLabel*>(watched));
    return QDialog::eventFilter(watched, event);
}

void DWPPaySheetController::composeAndSetTotalBackgroundForImageView(QLabel* view)
{
    if (!view)
        return;
    const QPixmap background(QStringLiteral(":/DWPayment/TOTAL-BG.png"));
    const QPixmap left(QStringLiteral(":/DWPayment/TOTAL-BGLeft.png"));
    const QPixmap center(QStringLiteral(":/DWPayment/TOTAL-BGCenter.png"));
    const QPixmap right(QStringLiteral(":/DWPayment/TOTAL-BGRight.png"));
    const QSize bounds = view->size();
    const int innerWidth = bounds.width() - 48;
    const int innerHeight = std::max(left.height(), right.height());
    if (innerWidth <= left.width() + right.width() || bounds.height() < innerHeight + 13)
        return;
    // The pill: the middle repeated between the two caps.
    QPixmap inner(innerWidth, innerHeight);
    inner.fill(Qt::transparent);
    {
        QPainter painter(&inner);
        painter.drawTiledPixmap(QRect(left.width(), 0, innerWidth - 2 * left.width(), innerHeight), center);
        painter.drawPixmap(0, 0, left);
        painter.drawPixmap(innerWidth - right.width(), 0, right);
    }
    // On the box's ground, 24 points in from the sides and 13 up from the bottom.
    QPixmap outer(bounds);
    outer.fill(Qt::transparent);
    {
        QPainter painter(&outer);
        painter.drawTiledPixmap(QRect(QPoint(), bounds), background);
        painter.drawPixmap(24, bounds.height() - 13 - innerHeight, inner);
    }
    view->setPixmap(outer);
    QLabel* text = view == m_totalImageView1 ? m_totalText1 : m_totalText2;
    if (text)
        text->setGeometry(24, bounds.height() - 13 - innerHeight, innerWidth, innerHeight);
}

void DWPPaySheetController::updateTotalBoxes()
{
    const QString total = m_transaction && m_transaction->shoppingCart()
                              ? DWPLocalized("Total: %1").arg(m_transaction->finalPriceStringValue())
                              : QString();
    for (QLabel* text : {m_totalText1, m_totalText2})
        if (text)
            text->setText(total);
}

QString DWPPaySheetController::totalBoxText(int box) const
{
    const QLabel* view = box == 1 ? m_totalImageView1 : m_totalImageView2;
    const QLabel* text = box == 1 ? m_totalText1 : m_totalText2;
    return view && text && view->isVisibleTo(this) ? text->text() : QString();
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
    struct Answer
    {
        DWPError error;
        QByteArray payload;
        QString state;
    };
    auto answer = std::make_shared<Answer>();
    // Quitting cuts the question short; its answer is dropped then anyway.
    auto stop = std::make_shared<std::atomic<bool>>(false);
    const auto work = [answer, stop, gateway, transactionID] {
        DWPServerConnection connection(gateway);
        connection.setCancelFlag(stop.get());
        answer->state = connection.paymentStateForTransactionID(transactionID, &answer->payload, &answer->error);
    };
    const auto done = [this, answer, transactionID] {
        const auto& error = answer->error;
        const auto& payload = answer->payload;
        const auto& state = answer->state;
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
    };
    dw::runInBackground(guard, work, done, stop);
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

void DWPPaySheetController::setTransaction(const DWPTransactionPtr& transaction)
{
    if (transaction == m_transaction)
        return;
    if (m_transaction)
        m_transaction->disconnect(this);
    m_transaction = transaction;
    m_lastFinalPrice.reset();
    if (!m_transaction)
        return;
    connect(m_transaction.get(), &DWPTransaction::keyChanged, this, &DWPPaySheetController::transactionKeyChanged);
    populateCountryCodesAndNamesMenu();
    loadBuyerFieldsFromTransaction();
    localizeStringsInWindow();
    updateTotalBoxes();
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
    if ((key == u"isCheckingMail" || key == u"isCheckingVat") && m_nextWaitsForChecks &&
        !m_transaction->isCheckingMail() && !m_transaction->isCheckingVat()) {
        m_nextWaitsForChecks = false;
        if (m_step == 1 && !m_ended)
            QTimer::singleShot(0, this, [this] {
                if (m_step == 1 && !m_ended)
                    nextAction();
            });
    }
    if (key == u"finalPrice" || key == u"finalPriceStringValue")
        updateTotalBoxes();
    if (key == u"finalPrice" || key == u"userHasToPayVAT")
        storePagePriceChanged(key);
}

void DWPPaySheetController::storePagePriceChanged(const QString& key)
{
    const std::optional<qint64> previousPrice = m_lastFinalPrice;
    if (key == u"finalPrice")
        m_lastFinalPrice = m_transaction->finalPrice();
    if (m_step != 0)
        return;
    if (key == u"finalPrice") {
        // The mini store writes its totals in place; the item prices follow the VAT duty below.
        if (m_bomBodyId == u"DWP_MiniStore") {
            updateMiniStoreDisplay();
            return;
        }
        if (!previousPrice || (*previousPrice == *m_lastFinalPrice && *m_lastFinalPrice != 0))
            return;
    }
    // Every item's price depends on the VAT duty and the currency: the page is built anew. A country
    // change always announces the VAT duty, so a new currency gets here as well.
    if (m_hasAllDWPaymentData && !m_isShowingAlternatePaymentMethods)
        scheduleDisplayBOM();
}
