#include "shell/QMBDocument.h"

#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "DWEBay2/DWEbayConnector.h"
#include "DWKit/NSString+DWExtensions.h"
#include "DWKit/QMAlertPanels.h"
#include "Operations/QMAddItemOperationEnvelope.h"
#include "Operations/QMOperationManager.h"
#include "Operations/QMVerifyAddItemOperationEnvelope.h"
#include "description/QMDescriptionHTMLSanitizer.h"
#include "model/QMAccountDataSource.h"
#include "model/QMCategoryDataSource.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayImageTransformerHooks.h"
#include "model/QMEbayItemContainer.h"
#include "panels/QMSimpleStartAuctionPanelController.h"
#include "platform/core/AlertPresenter.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/UserDefaults.h"
#include "shell/QMBAppController.h"
#include "shell/QMBDocumentOperationFeedback_p.h"
#include "shell/QMBDocumentPanels.h"
#include "shell/QMBSettingsPane.h"
#include "shell/QMBSettingsPaneController.h"

#include "DWKit/widgets/QMAnimatedSplitView.h"
#include "DWKit/widgets/QMContainerView.h"
#include "DWKit/widgets/QMSplitView.h"
#include "model/QMEbayItem.h"
#include "model/QMPreferencesManager.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"
#include "platform/text/StyledText.h"
#include "shell/QMBDocumentArea.h"
#include "shell/QMBDocumentController.h"
#include "shell/QMPreferencesManager+QMBExtensions.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QToolBar>
#include <QUrl>
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
    : QMainWindow(parent), m_item(QMBPreferences::standardEbayItemPlain(QMPreferencesManager::sharedInstance())),
      m_feedback(std::make_unique<QMBDocumentOperationFeedback>(*this))
{
    setAttribute(Qt::WA_DeleteOnClose, false); // the controller deletes its documents
    buildWindow();
    m_settingsPaneController = new QMBSettingsPaneController(m_settingsPane, this);
    m_settingsPaneController->setItem(m_item);
    connect(m_settingsPaneController, &QMBSettingsPaneController::listingMarkedChanged, this,
            &QMBDocument::showEditedMark);
    connect(m_settingsPaneController, &QMBSettingsPaneController::paneRefitted, m_rightVerticalSplitViewContentView,
            &QMContainerView::realignAllManagedViews);
    updateWindowTitle();
    m_feedback->registerForOperationNotifications();
}

QMBDocument::~QMBDocument()
{
    if (m_windowLoaded)
        stopObservingItem(m_item);
    // Panels and observations go before the window they refer to.
    m_feedback.reset();
    if (m_documentItemValidator)
        m_documentItemValidator->setDelegate(nullptr);
    // The pane's presenter goes before the pane it fills.
    delete m_settingsPaneController;
}

void QMBDocument::setItem(std::shared_ptr<QMEbayItem> item)
{
    DW_ASSERT(item != nullptr, "Need item");
    m_item = std::move(item);
    m_settingsPaneController->setItem(m_item);
    if (m_windowLoaded) {
        m_settingsPaneController->updateInterfaceForItem();
        updateDesignChooserForItem();
        // The page shows the listing it was made from (edits of the title and subtitle went in
        // place): it must be made again for the new one.
        updateAuctionWebViewForItem(m_item);
    }
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
        // A document being read has no number of its own: a file that is refused takes none.
        name = m_untitledNumber > 1 ? dw::localized("Untitled %1").arg(m_untitledNumber) : dw::localized("Untitled");
    }
    if (QMPreferencesManager::sharedInstance().isRunningInSandbox())
        name += dw::localized(" (Sandbox)");
    return name;
}

void QMBDocument::setUntitledNumber(int number)
{
    m_untitledNumber = number;
    updateWindowTitle();
}

bool QMBDocument::isDocumentEdited() const
{
    return m_item->wasChanged();
}

void QMBDocument::setItemWasChanged(bool changed)
{
    m_item->setWasChanged(changed);
    showEditedMark();
}

void QMBDocument::showEditedMark()
{
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
    if (!QMEbayItemContainer::writeDocumentWithItem(m_item, path, QStringLiteral("2"), error))
        return false;
    setItemWasChanged(false);
    return true;
}

bool QMBDocument::readFromFile(const QString& path, QString* error)
{
    // A save killed on the way left its hidden temporary file beside the document; the next save
    // of it would remove that, but the document may never be saved again.
    dw::removeLeftoverTemporaryFiles(path);
    // The pictures' bytes are read from the file only as their copies are written, after the
    // window shows.
    const auto containers = QMEbayItemContainer::containersFromDocumentFile(path, kMaximumDocumentBytes, error);
    return containers && readContainers(*containers, error);
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
    return containers && readContainers(*containers, error);
}

bool QMBDocument::readContainers(const QList<std::shared_ptr<QMEbayItemContainer>>& containers, QString* error)
{
    m_changedWhileReading = false;
    ProcessingOpenFile processing;
    if (containers.size() >= 2 &&
        !askAlert(this, "Multiple auctions warning",
                  "The document you are about to open contains mulitpe auction definitions. Upon saving only the "
                  "first auction will be retained in the document. Do you still want to continue and open the "
                  "document?",
                  "Open"))
        return false;
    if (!importContainer(containers.first(), error))
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
        m_changedWhileReading = true;
    }
    return true;
}

bool QMBDocument::importContainer(const std::shared_ptr<QMEbayItemContainer>& container, QString* error)
{
    DW_ASSERT(container && container->item(), "Need item");
    (void)error;
    // The window shows while the copies of the pictures are written; whatever needs a picture's
    // file meanwhile waits for it.
    const QPointer<QMBDocument> self(this);
    container->importImagesInBackground(this, [self](const QString& failure) {
        if (self)
            self->picturesImported(failure);
    });
    const auto& item = container->item();
    item->setUseStoreListing(false);
    item->setProductBarCode(QString());
    item->setUniqueID(dw::UUID());
    // A description is data: what a file brings passes the sanitizer before anything shows or
    // sends it. It happens before the document observes the listing, so it marks nothing edited.
    if (!item->convertDescriptionToHTML()) {
        const QString description = item->itemDescriptionAsString();
        const QString sanitized = QMDescriptionHTMLSanitizer::sanitizedHTML(description);
        if (sanitized != description)
            item->setItemDescriptionString(dw::StyledText(sanitized));
    }
    if (m_windowLoaded)
        stopObservingItem(m_item);
    setItem(item);
    if (m_windowLoaded)
        startObservingItem(m_item);
    return true;
}

void QMBDocument::picturesImported(const QString& error)
{
    if (error.isNull()) {
        for (const auto& picture : m_item->images())
            (void)picture->imageFilePath(); // takes its file, written by now
        if (m_windowLoaded)
            m_settingsPaneController->updatePicturesList();
        Q_EMIT picturesReady();
        return;
    }
    // Without its pictures' files the listing must not be saved over the document that holds
    // them: it closes unchanged, as a document that cannot be read does not open.
    dw::AlertRequest alert;
    alert.style = dw::AlertRequest::Style::Critical;
    // Named as a document that cannot be read at all is.
    const QString name = fileName().isEmpty() ? displayName() : QFileInfo(fileName()).fileName();
    alert.messageText = dw::localized("The document “%1” could not be opened.").arg(name);
    alert.informativeText = error;
    dw::queueAlert(alert);
    setItemWasChanged(false);
    QMBDocumentController::sharedDocumentController().closeDocument(this);
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
        m_settingsPaneController->updateInterfaceForItem();
}

QWidget* QMBDocument::auctionSettingsView() const
{
    return m_settingsPane;
}

// Categories

bool QMBDocument::letUserSelectCategoryField(int field, const std::shared_ptr<QMEbayItem>& item)
{
    if (!rootCategoryOrDisplayWarningForSiteID(item->siteID()))
        return false;
    auto& preferences = QMPreferencesManager::sharedInstance();
    qint64 selected = field == 0 ? item->category() : item->category2();
    if (selected == 0)
        selected = QMBPreferences::lastUsedCategoryID(preferences);
    const SQCategoryPtr category = QMBDocumentPanels::current().showCategoryPanel(selected, item->siteID(), this);
    if (!category)
        return false;
    const qint64 chosen = category->categoryID();
    if (field == 0)
        item->setCategory(int(chosen));
    else if (field == 1)
        item->setCategory2(int(chosen));
    if (field == 0 || field == 1)
        setItemWasChanged(true);
    updateInterfaceAfterCategoryChange();
    QMBPreferences::setLastUsedCategoryID(preferences, chosen);
    return true;
}

bool QMBDocument::rootCategoryOrDisplayWarningForSiteID(qint64 siteID)
{
    if (const auto root = QMCategoryDataManager::sharedQMCategoryDataManager()->rootCategoryForSiteID(siteID);
        root && root->subcategoriesCount() > 0)
        return true;
    dw::AlertRequest alert;
    alert.messageText = dw::localized("Missing Category Data");
    alert.informativeText =
        dw::localized("Quillmart could not find the category data for the selected eBay site. Do you want to "
                      "download it now?");
    alert.parentWindow = this;
    if (dw::runAlertPanel(alert, dw::localized("OK"), dw::localized("Cancel"), QString()) == 1) {
        if (const auto controller = QMBAppController::shared())
            controller->downloadeBayDataIncludingCategoryTree(true, false, siteID);
    }
    return false;
}

QList<qint64> QMBDocument::categoryIDsOf(const QMEbayItem& item)
{
    QList<qint64> ids;
    for (qint64 id : {qint64(item.category()), qint64(item.category2())}) {
        if (id > 0 && !ids.contains(id))
            ids.append(id);
    }
    return ids;
}

// Pictures

namespace {
// The addresses a picture goes by: its uploaded address and, for a file, the file's address.
bool pictureHasAddress(const QMEbayImage& picture, const QString& address)
{
    if (address.isEmpty())
        return false;
    if (picture.imageURL() == address)
        return true;
    const QString path = picture.imageFilePath();
    return !path.isEmpty() && QUrl::fromLocalFile(path) == QUrl(address);
}

qsizetype indexOfPictureWithAddress(const QList<std::shared_ptr<QMEbayImage>>& pictures, const QString& address)
{
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        if (pictureHasAddress(*pictures.at(i), address))
            return i;
    }
    return -1;
}
} // namespace

void QMBDocument::addAndBackupImageImageURL(const QString& url, const QString& targetURL)
{
    const QUrl address(url);
    if (!address.isLocalFile())
        return;
    QList<std::shared_ptr<QMEbayImage>> pictures = m_item->images();
    qsizetype insertionIndex = pictures.size();
    bool gallery = false;
    if (!targetURL.isEmpty() && !pictures.isEmpty()) {
        const qsizetype source = indexOfPictureWithAddress(pictures, url);
        const qsizetype target = indexOfPictureWithAddress(pictures, targetURL);
        if (source >= 0 && target >= 0) {
            pictures.swapItemsAt(source, target);
            m_item->setImages(pictures);
            setItemWasChanged(true);
            updateAuctionWebViewForItem(m_item);
            return;
        }
        // A picture of the list dropped on something that is no picture of it: nothing to do.
        if (source >= 0)
            return;
        if (target >= 0) {
            dw::AlertRequest alert;
            alert.messageText = dw::localized("Replace Image?");
            alert.informativeText =
                dw::localized("Are you sure want to replace the image you droped the new image on?");
            alert.parentWindow = this;
            const int answer = dw::runAlertPanel(alert, dw::localized("Replace"), dw::localized("Add New Image"),
                                                 dw::localized("Cancel"));
            if (answer == -1)
                return;
            if (answer == 1) {
                gallery = pictures.at(target)->isGalleryImage();
                removeeBayImages({pictures.at(target)}, false);
                insertionIndex = target;
            }
        }
    }

    // The listing keeps a copy of its own in the temporary work folder, so that moving or
    // deleting the original later does not take the picture away.
    const QString original = address.toLocalFile();
    const QImage image(original);
    const QString copy = QMEbayImageTransformerHooks::installed()->uniqueTemporaryJPEGImageFileName();
    if (image.isNull() || copy.isEmpty() || !image.save(copy, "JPEG", 90)) {
        dw::AlertRequest alert;
        alert.style = dw::AlertRequest::Style::Critical;
        alert.messageText = dw::localized("The picture “%1” could not be added.").arg(QFileInfo(original).fileName());
        alert.informativeText = image.isNull() ? dw::localized("The file is no picture that can be read.")
                                               : dw::localized("Its copy could not be written.");
        alert.parentWindow = this;
        dw::runAlertPanel(alert, dw::localized("OK"), QString(), QString());
        return;
    }
    auto picture = std::make_shared<QMEbayImage>(original, QString());
    picture->setIsGalleryImage(gallery);
    picture->setImageFilePath(copy);
    picture->setImage(image);
    pictures = m_item->images();
    pictures.insert(std::min(insertionIndex, pictures.size()), picture);
    m_item->setImages(pictures);
    setItemWasChanged(true);
    updateAuctionWebViewForItem(m_item);
}

bool QMBDocument::removeeBayImages(const QList<std::shared_ptr<QMEbayImage>>& pictures, bool showWarning)
{
    if (pictures.isEmpty())
        return false;
    if (showWarning &&
        QMRunAlertPanelWithSuppressionPreferencesKey(
            dw::localized("Delete Images?"), dw::localized("Are you sure want to delete the images?"),
            dw::localized("Yes"), dw::localized("Cancel"), QString(), QStringLiteral("HideDeleteImageWarning")) != 1)
        return false;
    QList<std::shared_ptr<QMEbayImage>> remaining = m_item->images();
    for (const auto& picture : pictures)
        remaining.removeAll(picture);
    m_item->setImages(remaining);
    setItemWasChanged(true);
    return true;
}

// eBay

QMEbayItemValidator& QMBDocument::defaultItemValidator()
{
    if (!m_documentItemValidator) {
        m_documentItemValidator = std::make_unique<QMEbayItemValidator>();
        m_documentItemValidator->setDelegate(this);
    }
    return *m_documentItemValidator;
}

std::shared_ptr<QMOperationManager> QMBDocument::defaultOperationManager()
{
    // The application delegate makes the connectors, and at start it had the manager find live
    // listings among the open documents.
    const auto controller = QMBAppController::shared();
    return controller ? controller->defaultOperationManager() : QMOperationManager::sharedQMOperationManager();
}

void QMBDocument::verifyItemWithEBay(const std::shared_ptr<QMEbayItem>& item, bool showFeePanel)
{
    const auto accounts = QMAccountDataSource::installed();
    const QString accountID = accounts ? accounts->defaultAccountID() : QString();
    const QString payPal =
        accounts && !accountID.isEmpty() ? accounts->payPalAddressForAccountID(accountID) : QString();
    QMEbayItemValidator& validator = defaultItemValidator();
    if (!validator.verifyPreferenceSettings())
        return;
    item->setPayPalAddress(payPal.isNull() ? QStringLiteral("") : payPal);
    copyDefaultLocationSettingsToItem(item);
    if (!validator.itemCanBeAdded(*item, false))
        return;
    setCurrentVerifyAddItemEnvelope(defaultOperationManager()->addVerifyAddItemOperationsForEbayItems(
        {item}, accountID, QString(), showFeePanel, true, false));
}

bool QMBDocument::startTemplates(const QList<std::shared_ptr<QMEbayItem>>& items, bool showingWarningPanel)
{
    QMEbayItemValidator& validator = defaultItemValidator();
    if (!validator.verifyPreferenceSettings())
        return false;
    for (const auto& item : items) {
        if (!validator.itemCanBeAdded(*item, true))
            return false;
    }
    if (!showingWarningPanel)
        return startTemplatesWithAccountID(items, QMPreferencesManager::sharedInstance().defaultAccountID(), false);
    auto* sheet = QMSimpleStartAuctionPanelController::displayStartAuctionPanelForTemplates(items, this);
    registerStartAuctionPanelNotifications(sheet);
    return true;
}

bool QMBDocument::startTemplatesWithAccountID(const QList<std::shared_ptr<QMEbayItem>>& items, const QString& accountID,
                                              bool showingWarningPanel)
{
    QMEbayItemValidator& validator = defaultItemValidator();
    const auto accounts = QMAccountDataSource::installed();
    if (!validator.checkToken(accounts ? accounts->tokenForAccountID(accountID) : QString(), showingWarningPanel))
        return false;
    for (const auto& item : items) {
        if (!validator.prepareItemForAddItem(*item, accountID, showingWarningPanel))
            return false;
        copyDefaultLocationSettingsToItem(item);
    }
    const auto envelopes = defaultOperationManager()->addAddItemOperationsForEbayItems(
        items, int(QMPreferencesManager::sharedInstance().defaultImageUploadingSystemTag()), true, false, true, false,
        accountID);
    if (!envelopes.isEmpty())
        setCurrentAddItemEnvelope(envelopes.first());
    return true;
}

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
    m_settingsPane = new QMBSettingsPane;
    m_settingsPane->fitHeight();
    m_rightVerticalSplitViewContentView->addManagedViews({m_settingsPane});
    connect(m_settingsPane, &QMBSettingsPane::heightChanged, m_rightVerticalSplitViewContentView,
            &QMContainerView::realignAllManagedViews, Qt::QueuedConnection);

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
    QAction* revert = add(fileMenu, "revertDocumentAction", "Revert to Saved", QKeySequence(),
                          [this] { QMBDocumentController::sharedDocumentController().revertDocumentToSaved(this); });
    // Only a document with a file has a saved version to go back to.
    connect(fileMenu, &QMenu::aboutToShow, this, [this, revert] { revert->setEnabled(!m_fileName.isEmpty()); });
    fileMenu->addSeparator();
    add(fileMenu, "quitAction", "Quit", QKeySequence::Quit, [] {
        if (QMBDocumentController::sharedDocumentController().reviewUnsavedDocumentsAndQuit())
            QApplication::quit();
    });

    // The application's menus (Edit, Help, ...) follow File; the listing's own commands go into
    // its Edit menu and a Listing menu before Help.
    if (const auto controller = QMBAppController::shared())
        controller->addApplicationMenus(menuBar());
    QMenu* editMenu = menuBar()->findChild<QMenu*>(QStringLiteral("editMenu"), Qt::FindDirectChildrenOnly);
    if (!editMenu) {
        editMenu = menuBar()->addMenu(dw::localized("&Edit"));
        editMenu->setObjectName(QStringLiteral("editMenu"));
    }
    QMenu* descriptionMenu = new QMenu(dw::localized("Description"), editMenu);
    descriptionMenu->setObjectName(QStringLiteral("descriptionMenu"));
    m_insertLinkAction = add(descriptionMenu, "webviewInsertLinkAction", "Insert Link…", QKeySequence(),
                             &QMBDocument::webviewInsertLinkAction);
    QAction* addSubtitle = add(descriptionMenu, "webviewAddSubtitleAction", "Add Subtitle", QKeySequence(),
                               &QMBDocument::webviewAddSubtitleAction);
    QAction* removeSubtitle = add(descriptionMenu, "webviewRemoveSubtitleAction", "Remove Subtitle", QKeySequence(),
                                  &QMBDocument::webviewRemoveSubtitleAction);
    editMenu->addSeparator();
    editMenu->addMenu(descriptionMenu);
    // Inserting a link needs a description to put it in; of the subtitle commands only the one that
    // changes the listing is offered.
    connect(descriptionMenu, &QMenu::aboutToShow, this, [this, addSubtitle, removeSubtitle] {
        m_insertLinkAction->setEnabled(!m_item->itemDescriptionAsString().isEmpty());
        addSubtitle->setEnabled(m_item->subTitle().isEmpty());
        removeSubtitle->setEnabled(!m_item->subTitle().isEmpty());
    });

    auto* listingMenu = new QMenu(dw::localized("&Listing"), menuBar());
    listingMenu->setObjectName(QStringLiteral("listingMenu"));
    add(listingMenu, "getFeesFromEBayAction", "Check Fees", QKeySequence(), &QMBDocument::getFeesFromEBay);
    add(listingMenu, "verifyAuctionAction", "Verify Auction", QKeySequence(), &QMBDocument::verifyAuction);
    add(listingMenu, "startAuctionAction", "Start Auction…", QKeySequence(), &QMBDocument::startAuction);
    listingMenu->addSeparator();
    add(listingMenu, "choosePrimaryCategoryAction", "Choose Category…", QKeySequence(),
        &QMBDocument::choosePrimaryCategory);
    QAction* secondCategory = add(listingMenu, "chooseSecondaryCategoryAction", "Choose Second Category…",
                                  QKeySequence(), &QMBDocument::chooseSecondaryCategory);
    // As the settings pane's button: a second category only beside a first.
    connect(listingMenu, &QMenu::aboutToShow, this,
            [this, secondCategory] { secondCategory->setEnabled(m_item->category() != 0); });
    add(listingMenu, "editItemAttributesAction", "Edit Item Specifics…", QKeySequence(),
        &QMBDocument::editItemAttributes);
    add(listingMenu, "showPreFilledPanelAction", "Link with Product…", QKeySequence(),
        &QMBDocument::showPreFilledPanel);
    add(listingMenu, "showShippingOptionsPanelAction", "Shipping Options…", QKeySequence(),
        &QMBDocument::showShippingOptionsPanel);
    add(listingMenu, "editReturnPoliciesAction", "Return Policy…", QKeySequence(),
        &QMBDocument::editReturnPoliciesAction);
    listingMenu->addSeparator();
    add(listingMenu, "addImageAction", "Add Pictures…", QKeySequence(), &QMBDocument::addImage);
    add(listingMenu, "showMediaBrowserAction", "Images Browser", QKeySequence(), &QMBDocument::showMediaBrowserAction);
    add(listingMenu, "reloadAuctionPreviewAction", "Reload Preview", QKeySequence::Refresh,
        &QMBDocument::reloadAuctionPreview);
    if (QMenu* help = menuBar()->findChild<QMenu*>(QStringLiteral("helpMenu"), Qt::FindDirectChildrenOnly))
        menuBar()->insertMenu(help->menuAction(), listingMenu);
    else
        menuBar()->addMenu(listingMenu);
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
    m_settingsPaneController->connectSettingsPane();
    connectSettingsPaneCommands();
    m_settingsPaneController->updateInterfaceForItem();
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
    // The event says which: Quit closes every window and stops at one that stayed open.
    event->setAccepted(QMBDocumentController::sharedDocumentController().closeDocument(this));
}

// The settings pane's presenter

void QMBDocument::updateInterfaceAfterCategoryChange()
{
    m_settingsPaneController->updateInterfaceAfterCategoryChange();
}

void QMBDocument::computeAndUpdateCategoryPathFieldsForItem(const std::shared_ptr<QMEbayItem>& item)
{
    m_settingsPaneController->computeAndUpdateCategoryPathFieldsForItem(item);
}

void QMBDocument::updateCategoryPathFieldsForItem(const std::shared_ptr<QMEbayItem>& item)
{
    m_settingsPaneController->updateCategoryPathFieldsForItem(item);
}

QString QMBDocument::categoryFieldValueForSiteID(qint64 siteID, qint64 categoryID)
{
    return QMBSettingsPaneController::categoryFieldValueForSiteID(siteID, categoryID);
}

void QMBDocument::computeAndUpdateAttributeSetNamesForItem(const std::shared_ptr<QMEbayItem>& item)
{
    m_settingsPaneController->computeAndUpdateAttributeSetNamesForItem(item);
}

void QMBDocument::updateAttributeSetNamesForItem(const std::shared_ptr<QMEbayItem>& item)
{
    m_settingsPaneController->updateAttributeSetNamesForItem(item);
}

QString QMBDocument::currentReturnPolicyAcceptedName() const
{
    return m_settingsPaneController->currentReturnPolicyAcceptedName();
}

void QMBDocument::setCurrentReturnPolicyAcceptedName(const QString& name)
{
    m_settingsPaneController->setCurrentReturnPolicyAcceptedName(name);
}

void QMBDocument::updateCurrencyForItem(const std::shared_ptr<QMEbayItem>& item)
{
    m_settingsPaneController->updateCurrencyForItem(item);
}

void QMBDocument::updateListingEnhancementsForItem(const std::shared_ptr<QMEbayItem>& item)
{
    m_settingsPaneController->updateListingEnhancementsForItem(item);
}

void QMBDocument::updatePaymentOptionsFieldForItem(const std::shared_ptr<QMEbayItem>& item)
{
    m_settingsPaneController->updatePaymentOptionsFieldForItem(item);
}

void QMBDocument::updateDurationPopupForItem(const std::shared_ptr<QMEbayItem>& item)
{
    m_settingsPaneController->updateDurationPopupForItem(item);
}

void QMBDocument::updateCounterTypePopupForItem(const std::shared_ptr<QMEbayItem>& item)
{
    m_settingsPaneController->updateCounterTypePopupForItem(item);
}

void QMBDocument::updateShippingControlsCurrentItem()
{
    m_settingsPaneController->updateShippingControlsCurrentItem();
}

void QMBDocument::updateReturnPolicyNameForItem(const std::shared_ptr<QMEbayItem>& item)
{
    m_settingsPaneController->updateReturnPolicyNameForItem(item);
}

void QMBDocument::updateConditionPopupForItem(const std::shared_ptr<QMEbayItem>& item)
{
    m_settingsPaneController->updateConditionPopupForItem(item);
}

QString QMBDocument::tooltipForListingEnhancement(const QString& optionID)
{
    return QMBSettingsPaneController::tooltipForListingEnhancement(optionID);
}

// Validator hooks

int QMBDocument::displayFreeShippingWarningForItem(QMEbayItem& item)
{
    // "Cancel" is the default answer (1); "Start Auction" goes on (0).
    return QMRunAlertPanelWithSuppressionPreferencesKey(
        dw::localized("Free Shipping Warning"),
        dw::format(dw::localized("You have specified at least one shipping service with shipping costs 0.00 for item "
                                 "%@. eBay will interpret this as 'free shipping'. Do you want to continue and start "
                                 "the auction?"),
                   item.title()),
        dw::localized("Cancel"), dw::localized("Start Auction"), QString(), QStringLiteral("HideFreeShippingWarning"));
}

void QMBDocument::displayTokenPanel()
{
    QMBDocumentPanels::current().showTokenPanel(dw::localized("New Account"), dw::UUID(), this);
}

void QMBDocument::displayAttributePanelForItem(QMEbayItem&)
{
    editItemAttributes();
}

void QMBDocument::displayImageServicePreferences()
{
    QMBDocumentPanels::current().showImageServicePreferences(this);
}
