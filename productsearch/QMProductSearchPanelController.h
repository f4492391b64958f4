#pragma once
// The product search panel: links one listing with a product of eBay's catalogue, found by
// keywords typed into the search field or by a barcode held in front of the camera. Each search
// is handed to the queue function the opener gives (the operation manager's product search for
// the listing); the panel picks the ended product search operations of its listing out of the
// operation notifications and lists their products. The selected product's details page shows in
// a web view. OK copies the selected product into the listing.
//
//     QMProductSearchPanelController::showPanelForItem(item, queueSearch, documentWindow,
//         [](const QList<std::shared_ptr<QMEbayItem>>& changed) { if (!changed.isEmpty()) refreshPreview(); });
//
// Without a camera on the machine the camera row is not shown. Main thread only.

#include "productsearch/QMBarcodeScannerController.h"

#include "model/QMEbayItem.h"
#include "platform/core/NotificationCenter.h"

#include <QStringList>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QMProductsTableModel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTableView;
class QTableWidget;
class QWebEngineView;
class QGridLayout;

// Queues a product search operation for the listing with these query strings.
using QMProductSearchQueue =
    std::function<void(const std::shared_ptr<QMEbayItem>& item, const QStringList& queryStrings)>;

class QMProductSearchPanelController : public QMBarcodeScannerController
{
    Q_OBJECT

public:
    using Completion = std::function<void(const QList<std::shared_ptr<QMEbayItem>>& changedItems)>;

    QMProductSearchPanelController(const std::shared_ptr<QMEbayItem>& item, QMProductSearchQueue queue,
                                   QWidget* parent = nullptr);
    ~QMProductSearchPanelController() override;

    // Opens the panel as a sheet on the parent window. When it closes, the completion gets the
    // listing when the user chose a product with OK (the listing is filled with it then), else
    // nothing; the panel then closes its camera and deletes itself.
    static QMProductSearchPanelController* showPanelForItem(const std::shared_ptr<QMEbayItem>& item,
                                                            QMProductSearchQueue queue, QWidget* parentWindow,
                                                            Completion completion);

    void barcodeReaderFoundBarcode(QMBarcodeReader* reader, const QString& barcode) override;
    void searchButtonClicked();
    bool isSearching() const { return m_isSearching; }
    const QList<QMEbayProduct>& products() const;
    // The first selected product; none when nothing is selected.
    std::optional<QMEbayProduct> selectedProduct() const;
    bool hasCameraRow() const;

private:
    void buildWindow();
    void updateViews();
    void setIsSearching(bool searching);
    void updateOKButtonEnable();
    void triggerProductSearchForQueryStrings(const QStringList& queryStrings);
    void ebayOperationEnded(const dw::Notification& notification);
    void setProducts(const QList<QMEbayProduct>& products, bool selectFirst);
    void productsSelectionChanged();
    void cameraSelectionChanged();
    void showScannerTab();
    void showWebViewTab();
    void loadPage(const QString& url);
    void clearWebView();
    QWebEngineView* webView();
    void makeOKButtonDefault();

    std::shared_ptr<QMEbayItem> m_item;
    QMProductSearchQueue m_queue;
    bool m_isSearching = false;
    bool m_selectionIsProgramatically = false;
    int m_savedProductRow = -1;
    QString m_lastBarcodeFound;
    QString m_lastSearchedString;
    dw::ScopedObservation m_endedObservation;

    QLineEdit* m_searchField = nullptr;
    QPushButton* m_searchButton = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QTableWidget* m_cameraTable = nullptr;
    QTableView* m_productsTable = nullptr;
    QMProductsTableModel* m_productsModel = nullptr;
    QStackedWidget* m_tabView = nullptr;
    QWidget* m_webPage = nullptr;
    QGridLayout* m_webLayout = nullptr;
    QWebEngineView* m_webView = nullptr;
    QLabel* m_emptyPageLabel = nullptr;
    QLabel* m_currencyLabel = nullptr;
    QProgressBar* m_progress = nullptr;
};
