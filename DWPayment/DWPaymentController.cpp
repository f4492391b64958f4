#include "DWPayment/DWPaymentController.h"

#include "DWPayment/DWPEuroTester.h"
#include "DWPayment/DWPGateway.h"
#include "DWPayment/DWPLog.h"
#include "DWPayment/DWPPaySheetController.h"
#include "DWPayment/DWPServerConnection.h"
#include "DWPayment/DWPUserDataOracle.h"
#include "DWPayment/NSNumber+DWPExtensions.h"
#include "DWPayment/NSString+DWPExtensions.h"

#include "platform/core/DWAssert.h"
#include "platform/core/NotificationCenter.h"

#include <QEventLoop>
#include <QSet>

DWPaymentController::DWPaymentController(QWidget* window, DWPaymentDelegate* delegate)
    : m_window(window), m_delegate(delegate)
{}

DWPaymentController::~DWPaymentController()
{
    dw::NotificationCenter::defaultCenter().removeObserversOwnedBy(this);
    delete m_currentPayWindowController.data();
}

std::unique_ptr<DWPaymentController>
DWPaymentController::newPaySheetOnWindow(QWidget* window, const QUrl& shoppingCartURL,
                                         const QUrl& alternatePaymentMethodsHTMLURL, DWPaymentDelegate* delegate)
{
    if (!shoppingCartURL.isValid()) {
        qCWarning(lcPayment) << "WARNING - invalid [nil] shopping cart plistURL";
        return nullptr;
    }
    auto controller = std::make_unique<DWPaymentController>(window, delegate);
    controller->showPaySheetForShoppingCartURL(shoppingCartURL, alternatePaymentMethodsHTMLURL);
    return controller;
}

std::unique_ptr<DWPaymentController> DWPaymentController::newPaySheetOnWindow(QWidget* window,
                                                                              const DWPTransactionPtr& transaction)
{
    auto controller = std::make_unique<DWPaymentController>(window);
    controller->showPaySheetForTransaction(transaction);
    return controller;
}

void DWPaymentController::showPaySheetForShoppingCartURL(const QUrl& shoppingCartURL,
                                                         const QUrl& alternatePaymentMethodsHTMLURL)
{
    if (shoppingCartURL.isValid())
        showPaySheet(nullptr, shoppingCartURL, alternatePaymentMethodsHTMLURL);
}

void DWPaymentController::showPaySheetForTransaction(const DWPTransactionPtr& transaction)
{
    if (transaction)
        showPaySheet(transaction, QUrl(), QUrl());
}

void DWPaymentController::showPaySheet(const DWPTransactionPtr& transaction, const QUrl& shoppingCartURL,
                                       const QUrl& alternatePaymentMethodsHTMLURL)
{
    DW_ASSERT(transaction || shoppingCartURL.isValid(), "transaction || plistURL");
    if (transaction)
        m_prefetchedDataDict.insert(QString::fromLatin1(DWPTransactionDataKey), QVariant::fromValue(transaction));
    auto& center = dw::NotificationCenter::defaultCenter();
    center.removeObserversOwnedBy(this);
    if (m_currentPayWindowController)
        m_currentPayWindowController->deleteLater();
    m_currentPayWindowController = DWPPaySheetController::newPaymentSheetOnWindow(
        m_window, shoppingCartURL, alternatePaymentMethodsHTMLURL, m_prefetchedDataDict, m_delegate);
    DWPPaySheetController* sheet = m_currentPayWindowController;
    if (!sheet)
        return;
    if (!m_window && !m_payWindowTitle.isNull())
        sheet->setWindowTitle(m_payWindowTitle);

    // Relay or repost is decided now, once: a delegate set later does not change it.
    const bool relay = m_delegate != nullptr;
    center.addObserver(
        QString(), sheet,
        [this, relay](const dw::Notification& notification) {
            if (relay)
                callDelegateForNotification(notification.name, notification.userInfo);
            else
                repostSheetNotification(notification.name, notification.userInfo);
        },
        this);

    if (m_window)
        return;
    // Without a host window the store is modal: keep the application turning until the sheet ends.
    QEventLoop loop;
    int response = 0;
    QObject::connect(sheet, &DWPPaySheetController::sheetDidEnd, &loop, [&loop, &response](int code) {
        response = code;
        if (code == kDWPaySheetDidEndModalRunResponse)
            loop.quit();
    });
    QObject::connect(sheet, &QObject::destroyed, &loop, &QEventLoop::quit);
    while (response != kDWPaySheetDidEndModalRunResponse && m_currentPayWindowController == sheet)
        loop.exec();
}

void DWPaymentController::callDelegateForNotification(const QString& name, const QVariantMap& userInfo)
{
    if (!m_delegate)
        return;
    if (!name.startsWith(u"_DWP")) {
        qCWarning(lcPayment).noquote() << "WARN - DWPaymentController did get non-internal notification to repost:"
                                       << name;
        return;
    }
    DWPTransaction* transaction = m_currentPayWindowController ? m_currentPayWindowController->transaction() : nullptr;
    const QString nameText = name;
    if (nameText == QLatin1String(DWPUserDidOpenPaymentSheetInternal))
        m_delegate->userDidOpenPaymentSheetForPaymentController(this);
    else if (nameText == QLatin1String(DWPUserDidCancelPaymentSheetInternal))
        m_delegate->userDidCancelPaymentSheetForPaymentController(this);
    else if (nameText == QLatin1String(DWPUserDidReachFinalStepOnPaymentSheetInternal))
        m_delegate->userDidReachFinalStepOnPaymentSheetForPaymentController(this);
    else if (nameText == QLatin1String(DWPUserDidFinishPaymentSheetInternal))
        m_delegate->userDidFinishPaymentSheetForPaymentController(this);
    else if (nameText == QLatin1String(DWPUserDidCompleteTransactionInternal))
        m_delegate->paymentControllerUserDidCompleteTransaction(this, transaction,
                                                                userInfo.value(QString::fromLatin1(DWPPayloadKey)));
    else if (nameText == QLatin1String(DWPServerConfirmedTransactionInternal))
        m_delegate->paymentControllerServerConfirmedTransaction(this, transaction,
                                                                userInfo.value(QString::fromLatin1(DWPPayloadKey)));
    else if (nameText == QLatin1String(DWPErrorOccurredOnServerInternal))
        m_delegate->paymentControllerErrorOccurredOnServer(this, userInfo);
    else if (nameText == QLatin1String(DWPErrorOccurredInternal))
        m_delegate->paymentControllerErrorOccurred(this, userInfo);
    else
        qCWarning(lcPayment).noquote() << "WARN - DWPaymentController did get unknown internal notification:" << name;
}

void DWPaymentController::repostSheetNotification(const QString& name, const QVariantMap& userInfo)
{
    if (!name.startsWith(u"_DWP")) {
        qCWarning(lcPayment).noquote() << "WARN - DWPaymentController did get non-internal notification to repost:"
                                       << name;
        return;
    }
    dw::NotificationCenter::defaultCenter().post(name.mid(1), dw::NotificationObject::of(this), userInfo);
}

bool DWPaymentController::fetchExternalDataForProductIDs(const QStringList& productIds)
{
    DW_ASSERT(!productIds.isEmpty(), "[productIDs count] > 0");
    const QStringList unique = QSet<QString>(productIds.cbegin(), productIds.cend()).values();
    DWPServerConnection connection(dw::payment::gatewayURL());
    DWPError error;
    std::optional<qint64> vat;
    QByteArray xslt;
    const auto infos = connection.productInfoForIds(unique, &vat, &xslt, &error);
    if (!error.isNull() || !infos || !vat || xslt.isEmpty()) {
        qCWarning(lcPayment).noquote() << QStringLiteral("ERROR: could not fetch external data: %1")
                                              .arg(error.isNull() ? QStringLiteral("(null)")
                                                                  : error.detailedDescription());
        return false;
    }
    m_prefetchedDataDict.clear();
    m_prefetchedDataDict.insert(QString::fromLatin1(DWPProductInfosDataKey), *infos);
    m_prefetchedDataDict.insert(QString::fromLatin1(DWPVatRateDataKey), *vat);
    m_prefetchedDataDict.insert(QString::fromLatin1(DWPBomXSLTDataKey), xslt);
    return true;
}

QString DWPaymentController::currency() const
{
    return DWPEuroTester::isCountryCodeInEU(DWPUserDataOracle::userCountry()) ? QStringLiteral("EUR")
                                                                              : QStringLiteral("USD");
}

QVariantMap DWPaymentController::prices() const
{
    const QString code = currency();
    const std::optional<qint64> rate = code == u"EUR" ? dw::vatRateFromValue(vatRate()) : std::optional<qint64>();
    QVariantMap result;
    const QVariantMap infos = productInfos();
    for (auto it = infos.cbegin(); it != infos.cend(); ++it) {
        const qint64 net = it.value().toMap().value(code.toLower()).toLongLong();
        result.insert(it.key(), QStringLiteral("%1 %2").arg(
                                    code, dw::currencyValue(QString::number(dw::numberByApplyingVatRate(net, rate)))));
    }
    return result;
}

QVariantMap DWPaymentController::productInfos() const
{
    return m_prefetchedDataDict.value(QString::fromLatin1(DWPProductInfosDataKey)).toMap();
}

QVariant DWPaymentController::vatRate() const
{
    return m_prefetchedDataDict.value(QString::fromLatin1(DWPVatRateDataKey));
}

void DWPaymentController::setPayWindowTitle(const QString& title)
{
    m_payWindowTitle = title;
    if (m_currentPayWindowController)
        m_currentPayWindowController->setWindowTitle(title);
}
