// The pay sheet's data and pages: the fetch of the catalogue and the gateway's product infos, the
// store page built from them, its commands, the payment page and the country menu.
#include "DWPayment/DWPPaySheetController.h"

#include "DWPayment/DWPGateway.h"
#include "DWPayment/DWPLog.h"
#include "DWPayment/DWPServerConnection.h"
#include "DWPayment/DWPUserDataOracle.h"
#include "DWPayment/DWPXml.h"
#include "DWPayment/DWPaymentController.h"
#include "DWPayment/NSLocale+DWPExtensions.h"
#include "DWPayment/NSString+DWPExtensions.h"
#include "DWPayment/NSURL+DWExtensions.h"
#include "DWPayment/WebView+DWResizing.h"

#include "platform/archive/PropertyList.h"
#include "platform/core/BackgroundWork.h"
#include "platform/core/MainThread.h"
#include "platform/network/HttpClient.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>
#include <algorithm>
#include <atomic>
#include <memory>

struct DWPPaySheetController::FetchResult
{
    QVariantMap data;
    DWPError error;
};

// Loads of the command scheme are refused: the page's navigation handler acts on them before any
// load, and a command must never reach the network.
class DWPCommandSchemeHandler : public QWebEngineUrlSchemeHandler
{
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    void requestStarted(QWebEngineUrlRequestJob* job) override { job->fail(QWebEngineUrlRequestJob::RequestDenied); }
};

// The store page: its "dwpms" links are commands to the sheet and never load; other clicked links
// go to the browser.
class DWPPaySheetPage : public QWebEnginePage
{
public:
    DWPPaySheetPage(DWPPaySheetController* sheet, bool storePage)
        : QWebEnginePage(sheet), m_sheet(sheet), m_store(storePage)
    {
        settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        QWebEngineProfile* webProfile = profile();
        if (!webProfile->urlSchemeHandler("dwpms"))
            webProfile->installUrlSchemeHandler("dwpms", new DWPCommandSchemeHandler(webProfile));
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool /*isMainFrame*/) override
    {
        if (!m_store)
            return m_sheet->paymentPageNavigation(url);
        if (url.scheme() == u"dwpms") {
            // The arguments stay as the page wrote them; a command decodes what it needs.
            m_sheet->handleStorePageCommand(url.host(), dw::payment::parsedQuery(url));
            return false;
        }
        if (type == NavigationTypeLinkClicked) {
            if (url.scheme() == u"http" || url.scheme() == u"https" || url.scheme() == u"mailto")
                QDesktopServices::openUrl(url);
            return false;
        }
        return true;
    }

private:
    DWPPaySheetController* m_sheet;
    bool m_store;
};

namespace {

// The store page's commands travel as links of this scheme. Web engine schemes must be known before
// the application object exists, so the library registers it as it loads.
void registerStoreScheme()
{
    QWebEngineUrlScheme scheme("dwpms");
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    QWebEngineUrlScheme::registerScheme(scheme);
}
Q_CONSTRUCTOR_FUNCTION(registerStoreScheme)

// Below this the store page would show hardly a line of its items.
constexpr int kSmallestStorePageHeight = 200;

QString jsString(const QString& text)
{
    // A JSON string is a JavaScript string literal; nothing in the text can end it.
    const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

QWidget* statusPage(QLabel** label)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addStretch(1);
    *label = new QLabel(page);
    (*label)->setAlignment(Qt::AlignCenter);
    layout->addWidget(*label);
    layout->addStretch(1);
    return page;
}

// The first entries of the country menu, from the store's configuration.
QStringList speedDialCountries()
{
    static const QStringList codes = [] {
        QFile file(QStringLiteral(":/DWPayment/configuration.plist"));
        QString error;
        const auto value = file.open(QIODevice::ReadOnly) ? dw::plist::read(file.readAll(), &error) : std::nullopt;
        const QStringList configured = value && value->typeId() == QMetaType::QVariantMap
                                           ? value->toMap().value(QStringLiteral("speeddialCountries")).toStringList()
                                           : QStringList();
        return configured.isEmpty() ? QStringList{QStringLiteral("DE"), QStringLiteral("US"), QStringLiteral("GB"),
                                                  QStringLiteral("CA"), QStringLiteral("FR")}
                                    : configured;
    }();
    return codes;
}

QUrl localizedURLForBaseURL(const QUrl& base)
{
    const QString language = DWPUserDataOracle::userLanguage();
    const QString text = base.toString();
    const qsizetype dot = text.lastIndexOf(QLatin1Char('.'));
    if (language.isEmpty() || language == u"en" || dot < 0)
        return base;
    const QUrl variant(text.left(dot) + QLatin1Char('.') + language + text.mid(dot));
    return dw::payment::isReachable(variant) ? variant : base;
}

} // namespace

QWidget* DWPPaySheetController::buildBomStep()
{
    m_bomStack = new QStackedWidget;
    m_bomStack->addWidget(statusPage(&m_bomStatusText));
    m_bomWebView = new QWebEngineView;
    m_bomWebView->setPage(new DWPPaySheetPage(this, true));
    m_bomWebView->setContextMenuPolicy(Qt::NoContextMenu);
    m_bomWebView->setAcceptDrops(false);
    m_bomStack->addWidget(m_bomWebView);
    connect(m_bomWebView, &QWebEngineView::loadFinished, this, &DWPPaySheetController::bomPageLoaded);
    return m_bomStack;
}

QWidget* DWPPaySheetController::buildIframeStep()
{
    m_webStack = new QStackedWidget;
    m_webStack->addWidget(statusPage(&m_webStatusText));
    m_webStatusText->setText(DWPLocalized("Connecting to the payment server…"));
    m_webView = new QWebEngineView;
    m_webView->setPage(new DWPPaySheetPage(this, false));
    m_webView->setContextMenuPolicy(Qt::NoContextMenu);
    m_webView->setAcceptDrops(false);
    m_webStack->addWidget(m_webView);
    auto* iframeStep = new QWidget;
    auto* iframeLayout = new QVBoxLayout(iframeStep);
    iframeLayout->setContentsMargins(0, 0, 0, 0);
    iframeLayout->addWidget(m_webStack, 1);
    connect(m_webView, &QWebEngineView::loadFinished, this, [this](bool ok) {
        const QUrl url = m_webView->url();
        if (!ok) {
            if (m_step != 2 || m_ended)
                return;
            DWPError error(DWPLocalized("Unfortunately the server processing your request doesn’t answer any more. "
                                        "Please try again later."),
                           QStringLiteral("Failed Load of URL: %1").arg(url.toString()));
            if (m_transaction && !m_transaction->transactionID().isEmpty())
                error.userInfo().insert(QString::fromLatin1(DWPTransactionIdKey), m_transaction->transactionID());
            postNotificationForError(error);
            return;
        }
        const QPointer<DWPPaySheetController> guard(this);
        m_webView->page()->toHtml([guard, url](const QString& html) {
            if (guard)
                guard->paymentPageLoaded(url, html);
        });
    });
    return iframeStep;
}

bool DWPPaySheetController::isDataComplete() const
{
    return m_didLoadProductInfos && m_transaction && m_transaction->shoppingCart() && m_transaction->vatRate() &&
           !m_transaction->bomXslt().isEmpty();
}

void DWPPaySheetController::fetchDWPaymentData()
{
    m_isFetchingDWPaymentData = true;
    m_hasAllDWPaymentData = false;
    if (!isDataComplete())
        incorporatePrefetchedData(m_prefetchedData);
    const QPointer<const QObject> guard(this);
    if (isDataComplete()) {
        dw::postToMain(guard, [this] { fetchDWPaymentDataFinished(nullptr); });
        return;
    }
    const QUrl cartURL = m_shoppingCartURL;
    const QUrl alternateURL = m_alternatePaymentMethodsHTMLURL;
    const QUrl gateway = m_gatewayURL;
    DWPaymentDelegate* delegate = m_delegate;
    const QStringList cartIds =
        m_transaction && m_transaction->shoppingCart() ? m_transaction->shoppingCart()->productIds() : QStringList();
    auto result = std::make_shared<FetchResult>();
    // Quitting cuts the downloads short; nobody is left to hear about that.
    auto stop = std::make_shared<std::atomic<bool>>(false);
    const auto work = [result, stop, cartURL, alternateURL, gateway, delegate, cartIds] {
        QVariant catalogue;
        if (cartURL.isValid()) {
            dw::HttpRequest request;
            request.url = cartURL.toString();
            request.followRedirects = true;
            request.cancel = stop.get();
            const dw::HttpResponse response = dw::HttpClient().send(request);
            if (response.failure == dw::HttpResponse::Failure::Cancelled)
                return;
            QString errorText;
            std::optional<QVariant> parsed;
            if (!response.ok() || response.status >= 400 || response.body.isEmpty()) {
                errorText = response.ok() ? QStringLiteral("HTTP status %1").arg(response.status) : response.errorText;
                qCWarning(lcPayment).noquote()
                    << QStringLiteral("ERROR: something went wrong while fetching data, server responded: %1")
                           .arg(response.status);
                result->error = DWPError::foreign(QStringLiteral("NSURLErrorDomain"),
                                                  response.secureConnectionFailed ? -1200 : -1004, errorText);
            } else {
                parsed = dw::plist::read(response.body, &errorText);
            }
            if (!parsed) {
                if (delegate)
                    delegate->paymentControllerErrorOccurredGettingPlist(nullptr, errorText, cartURL);
                else
                    qCWarning(lcPayment).noquote() << QStringLiteral("ERROR: getting cart failed: %1").arg(errorText);
                return;
            }
            catalogue = *parsed;
            result->data.insert(QString::fromLatin1(DWPShoppingCartPropertyListDataKey), catalogue);
        }
        if (alternateURL.isValid()) {
            const QUrl url = localizedURLForBaseURL(alternateURL);
            dw::HttpRequest request;
            request.url = url.toString();
            request.followRedirects = true;
            request.cancel = stop.get();
            const dw::HttpResponse response = dw::HttpClient().send(request);
            if (response.failure == dw::HttpResponse::Failure::Cancelled)
                return;
            if (!response.ok() || response.status >= 400) {
                const QString text =
                    response.ok() ? QStringLiteral("HTTP status %1").arg(response.status) : response.errorText;
                if (delegate)
                    delegate->paymentControllerErrorOccurredGettingAlternatePaymentMethodsHTML(nullptr, text,
                                                                                               alternateURL);
                else
                    qCWarning(lcPayment).noquote()
                        << QStringLiteral("ERROR: getting alternate payment methods HTML failed: %1").arg(text);
                return;
            }
            result->data.insert(QString::fromLatin1(DWPAlternatePaymentMethodsHTMLDataKey),
                                QString::fromUtf8(response.body));
        }
        QStringList ids = cartIds;
        if (ids.isEmpty() && catalogue.isValid()) {
            const auto temporary = DWPShoppingCart::shoppingCartFromPropertyList(catalogue, nullptr);
            if (temporary)
                ids = temporary->productIds();
            else
                qCWarning(lcPayment) << "ERROR: could not create temporary cart!";
        }
        ids.removeDuplicates();
        if (!ids.isEmpty()) {
            std::optional<qint64> vat;
            QByteArray xslt;
            DWPServerConnection connection(gateway);
            connection.setCancelFlag(stop.get());
            const auto infos = connection.productInfoForIds(ids, &vat, &xslt, &result->error);
            if (infos)
                result->data.insert(QString::fromLatin1(DWPProductInfosDataKey), *infos);
            if (vat)
                result->data.insert(QString::fromLatin1(DWPVatRateDataKey), *vat);
            if (!xslt.isEmpty())
                result->data.insert(QString::fromLatin1(DWPBomXSLTDataKey), xslt);
        }
    };
    dw::runInBackground(
        guard, work, [this, result] { fetchDWPaymentDataFinished(result); }, stop);
}

void DWPPaySheetController::fetchDWPaymentDataFinished(const std::shared_ptr<FetchResult>& result)
{
    m_isFetchingDWPaymentData = false;
    if (result)
        incorporatePrefetchedData(result->data);
    if (isDataComplete()) {
        m_hasAllDWPaymentData = true;
        return;
    }
    const DWPError fetchError = result ? result->error : DWPError();
    DWPError error;
    if (isSSLError(fetchError.underlyingError()) || isSSLError(fetchError)) {
        error = DWPError(DWPLocalized("There was an issue with the secure connection to our server. Please contact the "
                                      "support."),
                         QStringLiteral("SSL error while fetching data (%1)").arg(fetchError.code()));
    } else {
        error = DWPError(DWPLocalized("Could not process your shopping cart. Please try again later."),
                         QStringLiteral("Still missing data after completion of data fetch."));
    }
    error.setUnderlyingError(fetchError);
    postNotificationForError(error);
}

void DWPPaySheetController::incorporatePrefetchedData(const QVariantMap& values)
{
    if (values.isEmpty())
        return;
    const QVariant hostTransaction = values.value(QString::fromLatin1(DWPTransactionDataKey));
    const QVariant catalogue = values.value(QString::fromLatin1(DWPShoppingCartPropertyListDataKey));
    if (hostTransaction.metaType() == QMetaType::fromType<DWPTransactionPtr>() &&
        hostTransaction.value<DWPTransactionPtr>()) {
        // A transaction the host built, with its own cart: the catalogue is not needed.
        m_didLoadProductInfos = false;
        setTransaction(hostTransaction.value<DWPTransactionPtr>());
    } else if (catalogue.isValid() && !catalogue.isNull()) {
        QString error;
        auto cart = DWPShoppingCart::shoppingCartFromPropertyList(catalogue, m_delegate, &error);
        if (cart) {
            m_didLoadProductInfos = false;
            setTransaction(std::make_shared<DWPTransaction>(cart));
        } else {
            qCWarning(lcPayment).noquote() << QStringLiteral("ERROR: the catalogue is not usable: %1").arg(error);
        }
    }
    if (!m_transaction || !m_transaction->shoppingCart())
        return;
    const QVariant html = values.value(QString::fromLatin1(DWPAlternatePaymentMethodsHTMLDataKey));
    if (html.typeId() == QMetaType::QString)
        m_alternatePaymentMethodsHTML = html.toString();
    const QVariant rate = values.value(QString::fromLatin1(DWPVatRateDataKey));
    if (rate.isValid() && !rate.isNull())
        m_transaction->setVatRate(rate.toLongLong());
    const QVariant xslt = values.value(QString::fromLatin1(DWPBomXSLTDataKey));
    if (xslt.typeId() == QMetaType::QByteArray)
        m_transaction->setBomXslt(xslt.toByteArray());
    const QVariant infos = values.value(QString::fromLatin1(DWPProductInfosDataKey));
    if (infos.typeId() == QMetaType::QVariantMap) {
        QString error;
        if (m_transaction->shoppingCart()->updateSaleItemsWithProductInfos(infos.toMap(), &error))
            m_didLoadProductInfos = true;
        else
            qCWarning(lcPayment).noquote() << QStringLiteral("ERROR: product infos not usable: %1").arg(error);
        transactionKeyChanged(QStringLiteral("finalPrice"));
    }
}

void DWPPaySheetController::scheduleDisplayBOM()
{
    if (!m_ended)
        m_bomTimer->start();
}

void DWPPaySheetController::displayBOM()
{
    if (m_ended || m_step != 0)
        return;
    if (!m_hasAllDWPaymentData) {
        if (!m_isFetchingDWPaymentData)
            fetchDWPaymentData();
        scheduleDisplayBOM();
        return;
    }
    // The gateway's stylesheet runs on a worker: it is bounded, but a bound of a second or so is
    // still too long for the main thread. Only the newest request's page is shown.
    const bool miniStore = !m_transaction->shoppingCart()->saleItemGroups().isEmpty();
    const QByteArray document =
        miniStore ? DWPXmlGenerator::miniStoreDocument(*m_transaction) : DWPXmlGenerator::bomDocument(*m_transaction);
    const QByteArray xslt = m_transaction->bomXslt();
    const quint64 request = ++m_storePageRequest;
    const QPointer<const QObject> guard(this);
    struct Page
    {
        QByteArray html;
        DWPError error;
    };
    auto page = std::make_shared<Page>();
    dw::runInBackground(
        guard,
        [page, document, xslt] { page->html = DWPXmlGenerator::storePageFromDocument(document, xslt, &page->error); },
        [this, request, page] { showStorePage(request, page->html, page->error); });
}

void DWPPaySheetController::showStorePage(quint64 request, const QByteArray& html, const DWPError& error)
{
    if (request != m_storePageRequest || m_ended || m_step != 0)
        return;
    if (!error.isNull() || html.isEmpty()) {
        DWPError failure(DWPLocalized("Could not process your shopping cart. Please try again later."),
                         error.isNull()
                             ? QStringLiteral("No error occured while applying XSLT; but we still got an empty result.")
                             : QStringLiteral("Error while applying XSL Transformation to BOM_XML"));
        failure.setUnderlyingError(error);
        postNotificationForError(failure);
        return;
    }
    ++m_bomPageGeneration;
    m_bomBodyId.clear();
    m_bomWebView->setHtml(QString::fromUtf8(html), QUrl());
}

void DWPPaySheetController::bomPageLoaded(bool ok)
{
    if (!ok || m_ended || m_step != 0 || m_isShowingAlternatePaymentMethods)
        return;
    const quint64 generation = m_bomPageGeneration;
    const QPointer<DWPPaySheetController> guard(this);
    m_bomWebView->page()->runJavaScript(
        QStringLiteral("document.body ? document.body.id : ''"), [guard, generation](const QVariant& bodyId) {
            if (!guard || generation != guard->m_bomPageGeneration || guard->m_ended)
                return; // an answer for an older page
            guard->m_bomBodyId = bodyId.toString();
            if (guard->m_bomBodyId == u"DWP_MiniStore") {
                guard->updateMiniStoreDisplay();
                if (guard->m_alternatePaymentMethodsHTML.isEmpty())
                    guard->runScript(QStringLiteral("addClassName"),
                                     {QStringLiteral("alternatePaymentMethodsLink"), QStringLiteral("hideItem"),
                                      QStringLiteral("true")});
            }
            guard->m_bomStack->setCurrentIndex(1);
            guard->m_nextBtn->setEnabled(!guard->m_transaction->shoppingCart()->isEmpty());
            guard->fitWindowToStorePage();
            // The page's answers come in order: the totals are written once this one arrives.
            guard->m_bomWebView->page()->runJavaScript(QStringLiteral("0"), [guard](const QVariant&) {
                if (guard)
                    Q_EMIT guard->storePageReady();
            });
        });
}

void DWPPaySheetController::fitWindowToStorePage()
{
    // The width stays; the height follows the page: at most 600 points of page, and no more than
    // the screen's free room below the window's top less a margin.
    int greatestHeight = 600;
    if (const QScreen* screen = this->screen())
        greatestHeight = std::min(greatestHeight, screen->availableGeometry().bottom() - frameGeometry().top() - 60);
    greatestHeight = std::max(greatestHeight, kSmallestStorePageHeight);
    const QVariantMap options{
        {QString::fromLatin1(DWWebViewResizingMinSizeKey), QSizeF(0, kSmallestStorePageHeight)},
        {QString::fromLatin1(DWWebViewResizingMaxSizeKey), QSizeF(0, greatestHeight)},
    };
    const QPointer<DWPPaySheetController> guard(this);
    DWWebViewResizing::findFrameToFitDocumentForView(
        m_bomWebView, m_bomStack, DWWebViewKeepWidth, options, [guard](const QRectF& frame) {
            if (!guard || guard->m_ended || guard->m_step != 0 || guard->m_isChangingStep)
                return;
            guard->animateWindowFrame(guard->calculateFrameToResizePlaceHolderViewToFitFrameRect(
                QRect(0, 0, qRound(frame.width()), qRound(frame.height()))));
        });
}

void DWPPaySheetController::fitWindowToPaymentPage()
{
    // The page with the return link is short: the window follows its height, the width stays.
    QVariantMap options{{QString::fromLatin1(DWWebViewResizingMinSizeKey), QSizeF(0, 120)}};
    if (const QScreen* screen = this->screen())
        options.insert(QString::fromLatin1(DWWebViewResizingMaxSizeKey),
                       QSizeF(0, std::max(120, screen->availableGeometry().height() - 120)));
    const QPointer<DWPPaySheetController> guard(this);
    DWWebViewResizing::findFrameToFitDocumentForView(
        m_webView, m_viewAtStep[2], DWWebViewKeepWidth, options, [guard](const QRectF& frame) {
            if (!guard || guard->m_ended || guard->m_step != 2 || guard->m_isChangingStep)
                return;
            guard->animateWindowFrame(guard->calculateFrameToResizePlaceHolderViewToFitFrameRect(
                QRect(0, 0, qRound(frame.width()), qRound(frame.height()))));
        });
}

void DWPPaySheetController::updateMiniStoreDisplay()
{
    if (!m_transaction || !m_transaction->shoppingCart())
        return;
    if (m_bomBodyId != u"DWP_MiniStore")
        return; // the bill of materials has its totals in the page
    const QString currency = m_transaction->userCurrency();
    const qint64 net = m_transaction->shoppingCart()->totalForCurrency(currency, std::nullopt).value_or(0);
    const qint64 vat = m_transaction->finalPrice() - net;
    const QString vatText = dw::currencyCodeToSymbol(currency) + QLatin1Char(' ') +
                            dw::currencyValue(QStringLiteral("%1").arg(vat, 3, 10, QLatin1Char('0')));
    const QString script = QStringLiteral("(function(id, text) { var e = document.getElementById(id); "
                                          "if (e) e.textContent = text; })(%1, %2);");
    m_bomWebView->page()->runJavaScript(script.arg(jsString(QStringLiteral("totalVATAmount")), jsString(vatText)));
    m_bomWebView->page()->runJavaScript(
        script.arg(jsString(QStringLiteral("totalPrice")), jsString(m_transaction->finalPriceStringValue())));
    m_nextBtn->setEnabled(!m_transaction->shoppingCart()->isEmpty());
}

void DWPPaySheetController::runScript(const QString& function, const QStringList& arguments)
{
    QStringList literals;
    for (const QString& argument : arguments)
        literals.append(jsString(argument));
    m_bomWebView->page()->runJavaScript(
        QStringLiteral("if (typeof %1 === 'function') %1(%2);").arg(function, literals.join(QLatin1Char(','))));
}

void DWPPaySheetController::handleStorePageCommand(const QString& command, const QVariantMap& query)
{
    if (m_ended)
        return;
    if (command.compare(u"setInclusionForObjectAtKeyPath", Qt::CaseInsensitive) == 0)
        setInclusionForObjectAtKeyPath(query);
    else if (command.compare(u"showAdditionalPaymentMethods", Qt::CaseInsensitive) == 0)
        showAdditionalPaymentMethods();
    else if (command.compare(u"ignore", Qt::CaseInsensitive) == 0)
        return;
    else if (command.compare(u"openURLInBrowser", Qt::CaseInsensitive) == 0) {
        const QUrl url(dw::payment::stringByReplacingURLPercentEscapes(query.value(QStringLiteral("url")).toString()));
        if (url.scheme() == u"http" || url.scheme() == u"https" || url.scheme() == u"mailto")
            QDesktopServices::openUrl(url);
    } else
        qCWarning(lcPayment).noquote() << QStringLiteral("illegal or unimplemented call: [%1:]").arg(command);
}

void DWPPaySheetController::setInclusionForObjectAtKeyPath(const QVariantMap& query)
{
    const QString included = query.value(QStringLiteral("included")).toString().toLower();
    const QString path = query.value(QStringLiteral("objectPath")).toString();
    if (path.isEmpty() || !m_transaction || !m_transaction->shoppingCart())
        return;
    bool state = false;
    if (included == u"true" || included == u"yes")
        state = true;
    else if (included != u"false" && included != u"no")
        return;
    const auto& cart = m_transaction->shoppingCart();
    cart->setInclusionOfSaleItemAtKeyPath(path, state);
    const QString selected = QStringLiteral("selected");
    if (state) {
        runScript(QStringLiteral("addClassName"), {QStringLiteral("item_") + path, selected, QStringLiteral("true")});
        DWPSaleItemGroupPtr group;
        const DWPSaleItemPtr item = cart->saleItemAtKeyPath(path, &group);
        if (item && group && group->selectionType() == DWPRadioSelectionType) {
            const QString groupIndex = path.section(QLatin1Char('.'), 0, 0);
            for (const DWPSaleItemPtr& other : group->fullItems())
                if (other->uniqueID() != item->uniqueID())
                    runScript(QStringLiteral("removeClassName"),
                              {QStringLiteral("item_") + groupIndex + QLatin1Char('.') + other->uniqueID(), selected,
                               QStringLiteral("true")});
        }
    } else {
        runScript(QStringLiteral("removeClassName"),
                  {QStringLiteral("item_") + path, selected, QStringLiteral("true")});
    }
    updateMiniStoreDisplay();
}

void DWPPaySheetController::showAdditionalPaymentMethods()
{
    if (m_alternatePaymentMethodsHTML.isEmpty())
        return;
    m_isShowingAlternatePaymentMethods = true;
    ++m_bomPageGeneration;
    m_bomWebView->setHtml(m_alternatePaymentMethodsHTML, QUrl());
    configurePrevBtnAtStep();
    configureNextBtnAtStep();
}

void DWPPaySheetController::displayPaymentFrame()
{
    const QByteArray request = DWPXmlGenerator::createTransactionXML(*m_transaction);
    const QUrl gateway = m_gatewayURL;
    const QPointer<const QObject> guard(this);
    struct Created
    {
        DWPError error;
        QString transactionID;
        QUrl page;
    };
    auto created = std::make_shared<Created>();
    // Quitting cuts the exchange short; its answer is dropped then anyway.
    auto stop = std::make_shared<std::atomic<bool>>(false);
    const auto work = [created, stop, gateway, request] {
        DWPServerConnection connection(gateway);
        connection.setCancelFlag(stop.get());
        const QByteArray answer = connection.handleRequestWithXML(request, &created->error);
        if (!answer.isNull() && created->error.isNull())
            created->transactionID = DWPXmlExtractor::transactionIdFromCreateResponse(answer, &created->error);
        if (!created->transactionID.isEmpty() && created->error.isNull())
            created->page = connection.iFrameURLForTransactionID(created->transactionID, &created->error);
    };
    dw::runInBackground(
        guard, work,
        [this, created] {
            const DWPError& error = created->error;
            const QString& transactionID = created->transactionID;
            const QUrl page = created->page;
            if (m_ended)
                return;
            if (!transactionID.isEmpty())
                qCInfo(lcPayment).noquote() << QStringLiteral("created transaction: %1").arg(transactionID);
            m_transaction->setTransactionID(transactionID);
            if (!error.isNull()) {
                postNotificationForError(error);
                return;
            }
            if (m_step != 2 || !page.isValid())
                return;
            m_webView->setHtml(QStringLiteral("<html><body id=\"clearTemp\"></body></html>"));
            QTimer::singleShot(100, this, [this, page] {
                if (m_ended || m_step != 2)
                    return;
                m_webView->load(page);
                m_webStack->setCurrentIndex(1);
            });
        },
        stop);
}

bool DWPPaySheetController::paymentPageNavigation(const QUrl& url)
{
    // The card popup page holds the payment half done: going back now would lose it.
    if (m_step == 2 && url.toString().startsWith(dw::payment::cardPopupURL().toString()))
        m_prevBtn->setEnabled(false);
    const QString returnPrefix = dw::payment::easydebitURL().toString() + QStringLiteral("?msgType=return&");
    if (url.toString().startsWith(returnPrefix) && m_step == 2)
        QTimer::singleShot(0, this, &DWPPaySheetController::goOnAfterPayment);
    return true;
}

void DWPPaySheetController::goOnAfterPayment()
{
    if (m_ended || m_step != 2)
        return;
    // The payment is done: a window animation still running delays the last step, never drops it.
    if (m_isWindowResizing || m_isChangingStep) {
        QTimer::singleShot(100, this, &DWPPaySheetController::goOnAfterPayment);
        return;
    }
    nextAction();
}

void DWPPaySheetController::paymentPageLoaded(const QUrl& url, const QString& html)
{
    if (m_ended || m_step != 2)
        return;
    QString text = html;
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    const QString returnLink =
        QStringLiteral("<a href=\"") + dw::payment::easydebitURL().toString() + QStringLiteral("?msgType=return&");
    if (text.contains(returnLink)) {
        postNotification(DWPUserDidCompleteTransactionInternal);
        fitWindowToPaymentPage();
        m_prevBtn->setEnabled(false);
    } else if (dw::containsHTML(html)) {
        m_prevBtn->setEnabled(true);
    } else {
        DWPError error(DWPLocalized("Unfortunately the server processing your request seems to have a problem. Please "
                                    "try again later."),
                       QStringLiteral("URL: %1\nreturned non-HTML: %2").arg(url.toString(), html));
        if (!m_transaction->transactionID().isEmpty())
            error.userInfo().insert(QString::fromLatin1(DWPTransactionIdKey), m_transaction->transactionID());
        // Tell the gateway what its payment page showed.
        QUrl report = m_gatewayURL;
        report.setQuery(QStringLiteral("expercashErrorMsg=") + QString::fromLatin1(QUrl::toPercentEncoding(html)));
        auto stop = std::make_shared<std::atomic<bool>>(false);
        dw::runInBackground(
            [report, stop] {
                dw::HttpRequest request;
                request.url = report.toString(QUrl::FullyEncoded);
                request.cancel = stop.get();
                (void)dw::HttpClient().send(request);
            },
            stop);
        postNotificationForError(error);
    }
}

void DWPPaySheetController::populateCountryCodesAndNamesMenu()
{
    if (!m_countriesPopup || !m_transaction)
        return;
    const QString language = m_transaction->userLanguage();
    QMap<QString, QString> names =
        dw::countryCodesAndNamesForLanguage(language.isEmpty() ? QStringLiteral("en") : language);
    const QSignalBlocker blocker(m_countriesPopup);
    m_countriesPopup->clear();
    for (const QString& code : speedDialCountries()) {
        // A code the locale data lacks has no name to show; it is left out.
        if (names.contains(code))
            m_countriesPopup->addItem(names.take(code), code);
    }
    m_countriesPopup->insertSeparator(m_countriesPopup->count());
    QList<std::pair<QString, QString>> rest;
    for (auto it = names.cbegin(); it != names.cend(); ++it)
        rest.append({it.value(), it.key()});
    std::sort(rest.begin(), rest.end(), [](const auto& a, const auto& b) {
        return QString::localeAwareCompare(a.first.toLower(), b.first.toLower()) < 0;
    });
    for (const auto& [name, code] : rest)
        m_countriesPopup->addItem(name, code);
    m_countriesPopup->setCurrentIndex(m_countriesPopup->findData(m_transaction->userCountry()));
}
