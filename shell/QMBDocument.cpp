#include "shell/QMBDocument.h"

#include "DWKit/NSString+DWExtensions.h"
#include "DWKit/QMAlertPanels.h"
#include "model/QMEbayItemContainer.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/UserDefaults.h"
#include "shell/QMBAppController.h"

#include "DWKit/widgets/QMAnimatedSplitView.h"
#include "DWKit/widgets/QMContainerView.h"
#include "DWKit/widgets/QMSplitView.h"
#include "model/QMEbayItem.h"
#include "model/QMPreferencesManager.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Localization.h"
#include "shell/QMBDocumentArea.h"
#include "shell/QMBDocumentController.h"
#include "shell/QMBPreferencesPanelController.h"
#include "shell/QMPreferencesManager+QMBExtensions.h"
#include "shell/QMTokenPanelController.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
// The settings pane keeps this width; it can only be shown or collapsed.
constexpr int kSettingsPaneWidth = 300;
// The format toolbar's strip above the preview.
constexpr int kFormatToolbarHeight = 29;
// The design chooser's share above the preview when it is shown.
constexpr int kDesignChooserHeight = 250;
} // namespace

QMBDocument::QMBDocument(QWidget* parent)
    : QMainWindow(parent), m_item(QMBPreferences::standardEbayItemPlain(QMPreferencesManager::sharedInstance()))
{
    setAttribute(Qt::WA_DeleteOnClose, false); // the controller deletes its documents
    buildWindow();
    updateWindowTitle();
}

QMBDocument::~QMBDocument()
{
    if (m_windowLoaded)
        stopObservingItem(m_item);
}

void QMBDocument::setItem(std::shared_ptr<QMEbayItem> item)
{
    DW_ASSERT(item != nullptr, "Need item");
    m_item = std::move(item);
    updateWindowTitle();
}

std::shared_ptr<QMEbayItem> QMBDocument::itemWithUniqueID(const QString& uniqueID) const
{
    DW_ASSERT(uniqueID.isNull() || uniqueID == m_item->uniqueID(),
              "Invalid parameter not satisfying: (nil == inID) || [inID isEqualToString:item.uniqueID]");
    return m_item;
}

void QMBDocument::setFileName(const QString& path)
{
    m_fileName = path;
    updateWindowTitle();
    Q_EMIT documentStateChanged();
}

QString QMBDocument::displayName() const
{
    QString name;
    if (!m_fileName.isEmpty()) {
        name = QFileInfo(m_fileName).completeBaseName();
    } else {
        if (m_untitledNumber == 0)
            const_cast<QMBDocument*>(this)->m_untitledNumber =
                QMBDocumentController::sharedDocumentController().nextUntitledNumber();
        name = m_untitledNumber > 1 ? dw::localized("Untitled %1").arg(m_untitledNumber) : dw::localized("Untitled");
    }
    if (QMPreferencesManager::sharedInstance().isRunningInSandbox())
        name += dw::localized(" (Sandbox)");
    return name;
}

bool QMBDocument::isDocumentEdited() const
{
    return m_item->wasChanged();
}

void QMBDocument::setItemWasChanged(bool changed)
{
    m_item->setWasChanged(changed);
    if (isWindowModified() != isDocumentEdited()) {
        setWindowModified(isDocumentEdited());
        Q_EMIT documentStateChanged();
    }
}

// File

QByteArray QMBDocument::dataOfType() const
{
    return QMEbayItemContainer::documentDataWithItem(m_item, QStringLiteral("2"));
}

bool QMBDocument::writeToFile(const QString& path, QString* error)
{
    // The mark is cleared after the rename: a save that fails on the way leaves the document edited.
    if (!dw::writeFileAtomically(path, dataOfType(), error))
        return false;
    setItemWasChanged(false);
    return true;
}

bool QMBDocument::readFromFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return readFromData(file.readAll(), error);
}

namespace {
// Tells the application delegate that a file is being read, for as long as the reading lasts.
class ProcessingOpenFile
{
public:
    ProcessingOpenFile() : m_controller(QMBAppController::shared())
    {
        if (m_controller)
            m_controller->setProcessingOpenFile(true);
    }
    ~ProcessingOpenFile()
    {
        if (m_controller)
            m_controller->setProcessingOpenFile(false);
    }
    ProcessingOpenFile(const ProcessingOpenFile&) = delete;
    ProcessingOpenFile& operator=(const ProcessingOpenFile&) = delete;

private:
    std::shared_ptr<QMBAppController> m_controller;
};

bool askAlert(QWidget* window, const char* title, const char* text, const char* defaultButton)
{
    dw::AlertRequest alert;
    alert.messageText = dw::localized(title);
    alert.informativeText = dw::localized(text);
    alert.parentWindow = window;
    return dw::runAlertPanel(alert, dw::localized(defaultButton), dw::localized("Cancel"), QString()) == 1;
}
} // namespace

bool QMBDocument::readFromData(const QByteArray& bytes, QString* error)
{
    // A file that is no archive, whose root is no array or that holds no listing is refused here
    // with a reason, before anything of the document changes.
    const auto containers = QMEbayItemContainer::containersFromDocumentData(bytes, error);
    if (!containers)
        return false;
    ProcessingOpenFile processing;
    if (containers->size() >= 2 &&
        !askAlert(this, "Multiple auctions warning",
                  "The document you are about to open contains mulitpe auction definitions. Upon saving only the "
                  "first auction will be retained in the document. Do you still want to continue and open the "
                  "document?",
                  "Open"))
        return false;
    if (!importContainer(containers->first(), error))
        return false;
    const qint64 defaultSiteID = QMPreferencesManager::sharedInstance().defaultSiteID();
    if (m_item->siteID() != defaultSiteID) {
        if (!askAlert(this, "Differing eBay Site",
                      "The document you are about to open is set to use an eBay site different from your default "
                      "eBay site. Do you want to convert the document to your default eBay site?",
                      "Convert"))
            return false;
        m_item->setSiteID(int(defaultSiteID));
        copyDefaultLocationSettingsToItem(m_item);
    }
    return true;
}

bool QMBDocument::importContainer(const std::shared_ptr<QMEbayItemContainer>& container, QString* error)
{
    DW_ASSERT(container && container->item(), "Need item");
    if (!container->importAndSaveImages(error))
        return false;
    const auto& item = container->item();
    item->setUseStoreListing(false);
    item->setProductBarCode(QString());
    item->setUniqueID(dw::UUID());
    if (m_windowLoaded)
        stopObservingItem(m_item);
    setItem(item);
    if (m_windowLoaded)
        startObservingItem(m_item);
    return true;
}

void QMBDocument::copyDefaultLocationSettingsToItem(const std::shared_ptr<QMEbayItem>& item)
{
    const auto& preferences = QMPreferencesManager::sharedInstance();
    item->setRegion(int(preferences.defaultRegionID()));
    item->setLocation(preferences.defaultLocation().toString());
    item->setCurrency(int(preferences.defaultCurrencyID()));
    item->setCountryID(QString::number(int(preferences.defaultCountryID())));
    if (const QString zip = preferences.defaultZIPCode(); !zip.isEmpty()) {
        item->setUseZipPostalCode(true);
        item->setZipPostalCode(zip);
    }
    if (m_windowLoaded)
        updateInterfaceForItem();
}

void QMBDocument::updateInterfaceForItem() {}

void QMBDocument::updateWindowTitle()
{
    // "[*]" is where Qt shows the edited mark.
    setWindowTitle(displayName() + QStringLiteral("[*]"));
    setWindowFilePath(m_fileName);
    setWindowModified(isDocumentEdited());
}

void QMBDocument::buildWindow()
{
    setObjectName(QStringLiteral("documentWindow"));
    setUnifiedTitleAndToolBarOnMac(true);

    m_toolbar = new QToolBar(dw::localized("Main Toolbar"), this);
    m_toolbar->setObjectName(QStringLiteral("mainToolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    addToolBar(Qt::TopToolBarArea, m_toolbar);

    // The main area and the settings pane side by side.
    m_mainVerticalSplitView = new QMAnimatedSplitView(Qt::Horizontal, this);
    m_mainVerticalSplitView->setObjectName(QStringLiteral("mainVerticalSplitView"));
    m_mainVerticalSplitView->setChildrenCollapsible(false);

    // The main area: room for a design chooser beside the preview (the preview split view is its
    // only pane until the chooser adds one).
    m_mainHorizontalSplitView = new QMSplitView(Qt::Horizontal, m_mainVerticalSplitView);
    m_mainHorizontalSplitView->setObjectName(QStringLiteral("mainHorizontalSplitView"));

    // The design chooser above the preview.
    m_previewSplitView = new QMSplitView(Qt::Vertical, m_mainHorizontalSplitView);
    m_previewSplitView->setObjectName(QStringLiteral("previewSplitView"));
    m_previewSplitViewTopView =
        new QMBDocumentArea(QStringLiteral("previewSplitViewTopView"),
                            dw::localized("Design templates cannot be chosen here yet."), m_previewSplitView);
    m_previewSplitView->addWidget(m_previewSplitViewTopView);

    // The preview with the format toolbar over it.
    auto* previewColumn = new QWidget(m_previewSplitView);
    previewColumn->setObjectName(QStringLiteral("previewColumn"));
    auto* previewLayout = new QVBoxLayout(previewColumn);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    previewLayout->setSpacing(0);
    m_webviewFormatToolbarView = new QMBDocumentArea(QStringLiteral("webviewFormatToolbarView"),
                                                     dw::localized("No formatting tools yet."), previewColumn);
    m_webviewFormatToolbarView->setFixedHeight(kFormatToolbarHeight);
    previewLayout->addWidget(m_webviewFormatToolbarView);
    m_auctionWebviewContainer =
        new QMBDocumentArea(QStringLiteral("auctionWebviewContainer"),
                            dw::localized("The preview of the listing page is not available yet."), previewColumn);
    previewLayout->addWidget(m_auctionWebviewContainer, 1);
    m_previewSplitView->addWidget(previewColumn);
    m_previewSplitView->setStretchFactor(0, 0);
    m_previewSplitView->setStretchFactor(1, 1);
    m_previewSplitView->setSizes({kDesignChooserHeight, 1000});
    m_mainHorizontalSplitView->addWidget(m_previewSplitView);

    // The settings pane.
    m_rightVerticalSplitViewContentView = new QMContainerView(m_mainVerticalSplitView);
    m_rightVerticalSplitViewContentView->setObjectName(QStringLiteral("rightVerticalSplitViewContentView"));
    m_rightVerticalSplitViewContentView->setBackgroundColor(QColor::fromRgbF(230 / 255.0f, 235 / 255.0f, 245 / 255.0f));
    m_rightVerticalSplitViewContentView->awakeFromNib();
    m_rightVerticalSplitViewContentView->scrollView()->setFrameShape(QFrame::NoFrame);
    m_rightVerticalSplitViewContentView->scrollView()->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_rightVerticalSplitViewContentView->scrollView()->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_rightVerticalSplitViewContentView->setMinimumWidth(kSettingsPaneWidth);
    m_rightVerticalSplitViewContentView->setMaximumWidth(kSettingsPaneWidth);
    m_auctionSettingsView = new QMBDocumentArea(QStringLiteral("auctionSettingsView"),
                                                dw::localized("The listing's settings are not available yet."));
    m_auctionSettingsView->setMinimumHeight(400);
    m_rightVerticalSplitViewContentView->addManagedViews({m_auctionSettingsView});

    m_mainVerticalSplitView->addWidget(m_mainHorizontalSplitView);
    m_mainVerticalSplitView->addWidget(m_rightVerticalSplitViewContentView);
    m_mainVerticalSplitView->setStretchFactor(0, 1);
    m_mainVerticalSplitView->setStretchFactor(1, 0);
    setCentralWidget(m_mainVerticalSplitView);
    buildMenus();
}

void QMBDocument::buildMenus()
{
    QMenu* fileMenu = menuBar()->addMenu(dw::localized("&File"));
    fileMenu->setObjectName(QStringLiteral("fileMenu"));
    const auto add = [&](QMenu* menu, const char* name, const char* title, QKeySequence shortcut, auto handler) {
        QAction* action = menu->addAction(dw::localized(title));
        action->setObjectName(QLatin1String(name));
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    add(fileMenu, "newDocumentAction", "New", QKeySequence::New,
        [] { QMBDocumentController::sharedDocumentController().newDocument(); });
    add(fileMenu, "openDocumentAction", "Open…", QKeySequence::Open,
        [this] { QMBDocumentController::sharedDocumentController().openDocument(this); });
    m_recentMenu = fileMenu->addMenu(dw::localized("Open Recent"));
    m_recentMenu->setObjectName(QStringLiteral("openRecentMenu"));
    connect(m_recentMenu, &QMenu::aboutToShow, this, &QMBDocument::updateRecentMenu);
    fileMenu->addSeparator();
    add(fileMenu, "closeDocumentAction", "Close", QKeySequence::Close, [this] { close(); });
    add(fileMenu, "saveDocumentAction", "Save", QKeySequence::Save,
        [this] { QMBDocumentController::sharedDocumentController().saveDocument(this); });
    add(fileMenu, "saveDocumentAsAction", "Save As…", QKeySequence::SaveAs,
        [this] { QMBDocumentController::sharedDocumentController().saveDocumentAs(this); });
    add(fileMenu, "revertDocumentAction", "Revert to Saved", QKeySequence(),
        [this] { QMBDocumentController::sharedDocumentController().revertDocumentToSaved(this); });
    fileMenu->addSeparator();
    add(fileMenu, "quitAction", "Quit", QKeySequence::Quit, [] {
        if (QMBDocumentController::sharedDocumentController().reviewUnsavedDocumentsAndQuit())
            QApplication::quit();
    });
    if (const auto controller = QMBAppController::shared())
        controller->addApplicationMenus(menuBar());
}

void QMBDocument::updateRecentMenu()
{
    m_recentMenu->clear();
    const QStringList paths = QMBDocumentController::sharedDocumentController().recentDocumentFileNames();
    for (const QString& path : paths) {
        QAction* action = m_recentMenu->addAction(QFileInfo(path).fileName());
        action->setToolTip(path);
        connect(action, &QAction::triggered, this, [this, path] {
            QString error;
            auto& documents = QMBDocumentController::sharedDocumentController();
            if (!documents.openDocumentWithContentsOfFile(path, true, &error) && !error.isEmpty()) {
                dw::AlertRequest alert;
                alert.style = dw::AlertRequest::Style::Critical;
                alert.messageText =
                    dw::localized("The document “%1” could not be opened.").arg(QFileInfo(path).fileName());
                alert.informativeText = error;
                alert.parentWindow = this;
                dw::runAlertPanel(alert, dw::localized("OK"), QString(), QString());
            }
        });
    }
    if (!paths.isEmpty())
        m_recentMenu->addSeparator();
    QAction* clear = m_recentMenu->addAction(dw::localized("Clear Menu"));
    clear->setEnabled(!paths.isEmpty());
    connect(clear, &QAction::triggered, this,
            [] { QMBDocumentController::sharedDocumentController().clearRecentDocuments(); });
}

void QMBDocument::windowControllerDidLoadNib()
{
    if (m_windowLoaded)
        return;
    m_windowLoaded = true;
    restoreWindowFrame();
    setupToolbarForWindow();
    updateAuctionWebViewForItem(m_item);
    setupDesignChooser();
    startObservingItem(m_item);
    setupWebView();
    setupSplitViews();
}

namespace {
const QString kWindowFrameKey = QStringLiteral("NSWindow Frame MainDocumentWindow");
constexpr QSize kDefaultWindowSize(1024, 680);
} // namespace

void QMBDocument::restoreWindowFrame()
{
    // "x y width height", as the frame was when a document window last closed.
    const QStringList parts = dw::UserDefaults::standard()
                                  .objectForKey(kWindowFrameKey)
                                  .toString()
                                  .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QRect frame;
    if (parts.size() == 4)
        frame = QRect(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt());
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    if (frame.width() >= minimumSizeHint().width() && frame.height() >= 200 && available.intersects(frame)) {
        setGeometry(frame);
        return;
    }
    resize(kDefaultWindowSize.boundedTo(available.size()));
    move(available.center() - rect().center());
}

void QMBDocument::saveWindowFrame() const
{
    const QRect frame = geometry();
    dw::UserDefaults::standard().setObject(
        QStringLiteral("%1 %2 %3 %4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height()),
        kWindowFrameKey);
}

void QMBDocument::closeEvent(QCloseEvent* event)
{
    if (isVisible())
        saveWindowFrame();
    // The controller asks about unsaved changes and, when the document may go, hides and deletes it.
    event->ignore();
    QMBDocumentController::sharedDocumentController().closeDocument(this);
}

// Validator hooks

int QMBDocument::displayFreeShippingWarningForItem(QMEbayItem&)
{
    return 1;
}

void QMBDocument::displayTokenPanel()
{
    QMTokenPanelController::runTokenPanelModalForAccountName(dw::localized("New Account"), dw::UUID(), true, this);
}

void QMBDocument::displayAttributePanelForItem(QMEbayItem&) {}

void QMBDocument::displayImageServicePreferences()
{
    auto& preferences = QMBPreferencesPanelController::sharedPreferencesPanelController();
    preferences.showWindow();
    preferences.changeToViewAtIndex(QMBPreferencesPanelController::ImageServerPane, true);
}
