#include "productsearch/QMProductSearchPanelController.h"

#include "productsearch/QMCaptureView.h"
#include "productsearch/QMProductsTableModel.h"

#include "DWKit/DWOperation/DWNSOperation.h"
#include "Operations/QMGetProductSearchResultsOperation.h"
#include "Operations/QM_UPC_ISBN.h"
#include "model/QMSiteDescriptionManager.h"
#include "platform/core/Localization.h"
#include "platform/widgets/WindowFrameAutosave.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace {

const char* kEmptyPage = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
                         "\"http://www.w3.org/TR/html4/loose.dtd\"><html><head></head><body></body></html>";

// The camera row's icon: a small camera in the theme's selected text colour on the selected row,
// its faint text colour otherwise; drawn for ordinary and double-density screens.
QIcon cameraIcon()
{
    const QPalette palette = QApplication::palette();
    QIcon icon;
    for (const auto& [colour, mode] : {std::pair{palette.color(QPalette::PlaceholderText), QIcon::Normal},
                                       std::pair{palette.color(QPalette::HighlightedText), QIcon::Selected}}) {
        for (const qreal ratio : {1.0, 2.0}) {
            QPixmap pixmap(QSize(32, 32) * ratio);
            pixmap.setDevicePixelRatio(ratio);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
            QPainterPath body;
            body.addRoundedRect(QRectF(3, 9, 26, 18), 4, 4);
            body.addRect(QRectF(11, 6, 10, 4));
            QPainterPath lens;
            lens.addEllipse(QPointF(16, 18), 6, 6);
            painter.drawPath(body.subtracted(lens));
            painter.drawEllipse(QPointF(16, 18), 3.5, 3.5);
            painter.end();
            icon.addPixmap(pixmap, mode);
        }
    }
    return icon;
}

} // namespace

QMProductSearchPanelController::QMProductSearchPanelController(const std::shared_ptr<QMEbayItem>& item,
                                                               QMProductSearchQueue queue, QWidget* parent)
    : QMBarcodeScannerController(parent), m_item(item), m_queue(std::move(queue))
{
    setObjectName(QStringLiteral("productSearchPanel"));
    setWindowTitle(dw::localized("Product Search"));
    buildWindow();
    dw::setFrameAutosaveName(this, QStringLiteral("BarcodeWindow"));
    const QString currencyName =
        QMSiteDescriptionManager::sharedInstance().currencyNameForCurrencyID(m_item->currency(), m_item->siteID());
    m_currencyLabel->setText(
        currencyName.isEmpty() ? QString() : dw::localized("Prices in %@").replace(QLatin1String("%@"), currencyName));
    auto& center = dw::NotificationCenter::defaultCenter();
    m_endedObservation = dw::ScopedObservation(
        center, center.addObserver(QLatin1String(DWNSNotificationOperation_ended), nullptr,
                                   [this](const dw::Notification& notification) { ebayOperationEnded(notification); }));
    updateViews();
}

QMProductSearchPanelController::~QMProductSearchPanelController() = default;

QMProductSearchPanelController*
QMProductSearchPanelController::showPanelForItem(const std::shared_ptr<QMEbayItem>& item, QMProductSearchQueue queue,
                                                 QWidget* parentWindow, Completion completion)
{
    auto* panel = new QMProductSearchPanelController(item, std::move(queue), parentWindow);
    panel->setWindowModality(parentWindow ? Qt::WindowModal : Qt::ApplicationModal);
    connect(panel, &QDialog::finished, panel, [panel, completion = std::move(completion)](int result) {
        QList<std::shared_ptr<QMEbayItem>> changed;
        const auto product = panel->selectedProduct();
        if (result == QDialog::Accepted && product) {
            panel->m_item->fillWithProductInformation(*product);
            changed.append(panel->m_item);
        }
        panel->setProducts({}, false);
        panel->closeSession();
        panel->deleteLater();
        if (completion)
            completion(changed);
    });
    panel->open();
    return panel;
}

void QMProductSearchPanelController::buildWindow()
{
    m_searchField = new QLineEdit(this);
    m_searchField->setObjectName(QStringLiteral("searchStringTextField"));
    m_searchField->setPlaceholderText(dw::localized("Keywords, ISBN or barcode"));
    m_searchField->setClearButtonEnabled(true);
    m_searchButton = new QPushButton(dw::localized("Search"), this);
    m_searchButton->setObjectName(QStringLiteral("searchButton"));
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(m_searchField, 1);
    searchRow->addWidget(m_searchButton);

    // Left: the camera row above the results.
    m_cameraTable = new QTableWidget(1, 1, this);
    m_cameraTable->setObjectName(QStringLiteral("iSightTableView"));
    auto* cameraItem = new QTableWidgetItem(cameraIcon(), QStringLiteral("iSight"));
    cameraItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    cameraItem->setToolTip(dw::localized("Hold a barcode in front of the camera"));
    m_cameraTable->setItem(0, 0, cameraItem);
    m_cameraTable->setIconSize(QSize(24, 24));
    m_cameraTable->horizontalHeader()->hide();
    m_cameraTable->verticalHeader()->hide();
    m_cameraTable->horizontalHeader()->setStretchLastSection(true);
    m_cameraTable->verticalHeader()->setDefaultSectionSize(36);
    m_cameraTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_cameraTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_cameraTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_cameraTable->setShowGrid(false);
    m_cameraTable->setFixedHeight(38);
    m_cameraTable->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_cameraTable->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_cameraTable->setVisible(!QMCaptureDevice::videoDevices().isEmpty());

    m_productsModel = new QMProductsTableModel(this);
    m_productsTable = new QTableView(this);
    m_productsTable->setObjectName(QStringLiteral("productsTableView"));
    m_productsTable->setModel(m_productsModel);
    m_productsTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_productsTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_productsTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_productsTable->setAlternatingRowColors(true);
    m_productsTable->setShowGrid(false);
    m_productsTable->setWordWrap(false);
    m_productsTable->verticalHeader()->hide();
    m_productsTable->horizontalHeader()->setSectionResizeMode(QMProductsTableModel::TitleColumn, QHeaderView::Stretch);
    m_productsTable->horizontalHeader()->setSectionResizeMode(QMProductsTableModel::MinPriceColumn,
                                                              QHeaderView::ResizeToContents);
    m_productsTable->horizontalHeader()->setSectionResizeMode(QMProductsTableModel::MaxPriceColumn,
                                                              QHeaderView::ResizeToContents);
    m_productsTable->horizontalHeader()->setHighlightSections(false);

    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(6);
    leftLayout->addWidget(m_cameraTable);
    leftLayout->addWidget(m_productsTable, 1);
    m_currencyLabel = new QLabel(left);
    m_currencyLabel->setObjectName(QStringLiteral("currencyLabel"));
    m_currencyLabel->setForegroundRole(QPalette::PlaceholderText);
    leftLayout->addWidget(m_currencyLabel);

    // Right: the camera picture or the product's page.
    m_tabView = new QStackedWidget(this);
    m_tabView->setObjectName(QStringLiteral("tabView"));
    captureView()->setProperty("tabIdentifier", QStringLiteral("iSight"));
    m_tabView->addWidget(captureView());
    m_webPage = new QWidget(this);
    m_webPage->setProperty("tabIdentifier", QStringLiteral("WebView"));
    m_webLayout = new QGridLayout(m_webPage);
    m_webLayout->setContentsMargins(0, 0, 0, 0);
    m_emptyPageLabel = new QLabel(dw::localized("Search for a product by its name, or hold its barcode in front of "
                                                "the camera. The selected product's details show here."),
                                  m_webPage);
    m_emptyPageLabel->setObjectName(QStringLiteral("emptyPageLabel"));
    m_emptyPageLabel->setAlignment(Qt::AlignCenter);
    m_emptyPageLabel->setWordWrap(true);
    m_emptyPageLabel->setMargin(24);
    m_emptyPageLabel->setForegroundRole(QPalette::PlaceholderText);
    m_webLayout->addWidget(m_emptyPageLabel, 0, 0);
    m_progress = new QProgressBar(m_webPage);
    m_progress->setObjectName(QStringLiteral("webViewProgressIndicator"));
    m_progress->setRange(0, 0);
    m_progress->setFixedSize(160, 8);
    m_progress->setTextVisible(false);
    m_progress->hide();
    m_webLayout->addWidget(m_progress, 0, 0, Qt::AlignCenter);
    m_tabView->addWidget(m_webPage);
    m_tabView->setFrameShape(QFrame::StyledPanel);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(left);
    splitter->addWidget(m_tabView);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    splitter->setChildrenCollapsible(false);
    splitter->setSizes({440, 480});

    m_cancelButton = new QPushButton(dw::localized("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_okButton = new QPushButton(dw::localized("OK"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_okButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(12);
    layout->addLayout(searchRow);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);
    resize(960, 600);

    connect(m_searchButton, &QPushButton::clicked, this, &QMProductSearchPanelController::searchButtonClicked);
    connect(m_searchField, &QLineEdit::returnPressed, this, &QMProductSearchPanelController::searchButtonClicked);
    connect(m_searchField, &QLineEdit::textEdited, this, [this] {
        m_okButton->setDefault(false);
        m_searchButton->setDefault(true);
    });
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_productsTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &QMProductSearchPanelController::productsSelectionChanged);
    connect(m_cameraTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &QMProductSearchPanelController::cameraSelectionChanged);
}

void QMProductSearchPanelController::updateViews()
{
    showWebViewTab();
    m_searchField->setText(!m_item->prefilledTitle().isEmpty() ? m_item->prefilledTitle() : m_item->title());
    // A listing already linked with a product opens with that product.
    if (m_item->listWithProductID() && !m_item->productID().isEmpty() && !m_item->prefilledTitle().isEmpty() &&
        !m_item->prefilledDetailsURL().isEmpty() && !m_item->prefilledPhotoURL().isEmpty()) {
        QMEbayProduct product;
        product.identifier = m_item->productID();
        product.title = m_item->prefilledTitle();
        product.stockPhotoURL = m_item->prefilledPhotoURL();
        product.detailsURL = m_item->prefilledDetailsURL();
        setProducts({product}, true);
    } else {
        clearWebView();
    }
    m_okButton->setDefault(false);
    m_searchButton->setDefault(true);
    updateOKButtonEnable();
    m_lastBarcodeFound.clear();
    m_lastSearchedString.clear();
}

const QList<QMEbayProduct>& QMProductSearchPanelController::products() const
{
    return m_productsModel->products();
}

std::optional<QMEbayProduct> QMProductSearchPanelController::selectedProduct() const
{
    const auto rows = m_productsTable->selectionModel()->selectedRows();
    if (rows.isEmpty() || rows.first().row() >= products().size())
        return std::nullopt;
    return products().at(rows.first().row());
}

bool QMProductSearchPanelController::hasCameraRow() const
{
    return !m_cameraTable->isHidden();
}

void QMProductSearchPanelController::setIsSearching(bool searching)
{
    m_isSearching = searching;
    updateOKButtonEnable();
}

void QMProductSearchPanelController::updateOKButtonEnable()
{
    m_okButton->setEnabled(selectedProduct().has_value() && !m_isSearching);
}

void QMProductSearchPanelController::makeOKButtonDefault()
{
    m_searchButton->setDefault(false);
    m_okButton->setDefault(true);
}

void QMProductSearchPanelController::searchButtonClicked()
{
    const QString text = m_searchField->text();
    // Null and empty alike: an empty field is searched once, as any other text.
    if (!m_lastSearchedString.isNull() && text == m_lastSearchedString)
        return;
    setIsSearching(true);
    m_lastSearchedString = text.isNull() ? QLatin1String("") : text;
    triggerProductSearchForQueryStrings({m_lastSearchedString});
}

void QMProductSearchPanelController::barcodeReaderFoundBarcode(QMBarcodeReader*, const QString& barcode)
{
    // A code that stays in front of the camera starts one search.
    if (barcode == m_lastBarcodeFound)
        return;
    QApplication::beep();
    setIsSearching(true);
    m_lastBarcodeFound = barcode;
    if (barcode != m_lastSearchedString) {
        m_searchField->setText(barcode);
        m_lastSearchedString = barcode;
    }
    triggerProductSearchForQueryStrings({barcode, QM_UPC_ISBN::isbnFromUPC(barcode)});
}

void QMProductSearchPanelController::triggerProductSearchForQueryStrings(const QStringList& queryStrings)
{
    if (m_queue)
        m_queue(m_item, queryStrings);
}

void QMProductSearchPanelController::ebayOperationEnded(const dw::Notification& notification)
{
    const auto operation =
        std::dynamic_pointer_cast<QMGetProductSearchResultsOperation>(notification.object.shared<DWNSOperation>());
    if (!operation)
        return;
    const bool ours = operation->itemUniqueID() == m_item->uniqueID();
    if (operation->errorOccurred()) {
        // The error itself is shown by the application; another listing's failure is not ours.
        if (!ours)
            return;
        setIsSearching(false);
        setProducts({}, false);
        clearWebView();
        makeOKButtonDefault();
        return;
    }
    setIsSearching(false);
    if (ours) {
        const auto found = operation->products();
        if (found && !found->isEmpty()) {
            setProducts(*found, true);
        } else {
            setProducts({}, false);
            clearWebView();
        }
    }
    makeOKButtonDefault();
    updateOKButtonEnable();
}

void QMProductSearchPanelController::setProducts(const QList<QMEbayProduct>& products, bool selectFirst)
{
    m_selectionIsProgramatically = true;
    m_productsModel->setProducts(products);
    m_savedProductRow = -1;
    m_selectionIsProgramatically = false;
    if (selectFirst && !products.isEmpty())
        m_productsTable->selectRow(0);
    updateOKButtonEnable();
}

void QMProductSearchPanelController::productsSelectionChanged()
{
    if (m_selectionIsProgramatically)
        return;
    const auto rows = m_productsTable->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        // Clicking empty space keeps the product chosen.
        if (m_savedProductRow >= 0 && m_savedProductRow < products().size())
            m_productsTable->selectRow(m_savedProductRow);
        updateOKButtonEnable();
        return;
    }
    // The two tables are exclusive.
    m_selectionIsProgramatically = true;
    m_cameraTable->clearSelection();
    m_selectionIsProgramatically = false;
    showWebViewTab();
    m_savedProductRow = rows.first().row();
    loadPage(products().at(m_savedProductRow).detailsURL);
    updateOKButtonEnable();
}

void QMProductSearchPanelController::cameraSelectionChanged()
{
    if (m_selectionIsProgramatically)
        return;
    if (m_cameraTable->selectionModel()->hasSelection()) {
        m_selectionIsProgramatically = true;
        m_productsTable->clearSelection();
        m_selectionIsProgramatically = false;
        showScannerTab();
    }
    updateOKButtonEnable();
}

void QMProductSearchPanelController::showScannerTab()
{
    if (m_tabView->currentWidget() == captureView())
        return;
    m_selectionIsProgramatically = true;
    m_cameraTable->selectRow(0);
    m_selectionIsProgramatically = false;
    m_tabView->setCurrentWidget(captureView());
    if (!setup()) {
        // No camera after all: back to the page, without an alert.
        showWebViewTab();
        if (m_savedProductRow >= 0 && m_savedProductRow < products().size()) {
            m_selectionIsProgramatically = true;
            m_productsTable->selectRow(m_savedProductRow);
            m_selectionIsProgramatically = false;
        }
    }
}

void QMProductSearchPanelController::showWebViewTab()
{
    if (m_tabView->currentWidget() == m_webPage)
        return;
    m_tabView->setCurrentWidget(m_webPage);
    m_selectionIsProgramatically = true;
    m_cameraTable->clearSelection();
    m_selectionIsProgramatically = false;
}

QWebEngineView* QMProductSearchPanelController::webView()
{
    // Made on first use: a panel that never shows a page starts no web engine.
    if (!m_webView) {
        m_webView = new QWebEngineView(m_webPage);
        m_webView->setObjectName(QStringLiteral("previewWebView"));
        m_webLayout->addWidget(m_webView, 0, 0);
        m_progress->raise();
        connect(m_webView, &QWebEngineView::loadStarted, m_progress, &QWidget::show);
        connect(m_webView, &QWebEngineView::loadFinished, m_progress, &QWidget::hide);
    }
    return m_webView;
}

void QMProductSearchPanelController::loadPage(const QString& url)
{
    const QUrl address(url);
    // Only web addresses are loaded; anything else shows the empty page.
    if (url.isEmpty() || (address.scheme() != QLatin1String("http") && address.scheme() != QLatin1String("https"))) {
        clearWebView();
        return;
    }
    m_emptyPageLabel->hide();
    webView()->show();
    webView()->load(address);
}

void QMProductSearchPanelController::clearWebView()
{
    m_progress->hide();
    m_emptyPageLabel->show();
    if (m_webView) {
        m_webView->stop();
        m_webView->setHtml(QString::fromLatin1(kEmptyPage));
        m_webView->hide();
    }
}
