#pragma once
// The listing document: one listing (QMEbayItem) in one window. The document is its own window,
// a QMainWindow: the toolbar on top, the settings pane on the right, and in the middle the design
// chooser above the preview with the format toolbar over it. The document controller
// (QMBDocumentController) makes, opens, saves and closes documents.
//
// The class is split by concern over several files:
//   QMBDocument.cpp               state, file, window layout, categories, pictures, verify and start
//   QMBDocument+IBActions.cpp     the user's commands
//   QMBDocument+Operations.cpp    progress sheets, fees and results of its uploads
//   QMBDocument+Observation.cpp   watching the listing and reloading the preview
//   QMBDocument+WebView.cpp       the preview's web view and editor
//   QMBDocument+Toolbar.cpp       the toolbar
//   QMBDocument+SplitView.cpp     the split views
//   QMBDocument+DesignFlow.cpp    the design chooser
//
// The settings pane's presenter is a controller of its own (QMBSettingsPaneController), which
// the document owns; the methods below that fill the pane hand over to it.
//
// The window's areas are named (object names as the accessors below) and show what is missing
// until the part that fills them hands over its view (QMBDocumentArea::setContentView).
//
// The edited mark is the listing's own wasChanged flag. Main thread.
//
//     auto* document = QMBDocumentController::sharedDocumentController().openUntitledDocumentAndDisplay(true);
//     document->item()->setTitle("Film camera");
//     QString error;
//     if (!document->writeToFile(path, &error)) ... // still edited; `error` says why

#include "model/QMEbayItemValidator.h"

#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <memory>

class QAction;
class QMAddItemOperationEnvelope;
class QMAddItemProgressPanelController;
class QMAnimatedSplitView;
class QMBDocumentArea;
class QMBDocumentOperationFeedback;
class QMBDocumentPreview;
class QMBWebViewScriptObject;
class QMBSettingsPane;
class QMBSettingsPaneController;
class QMContainerView;
class QMDesignFlowUIController;
class QMDesignTemplate;
class QMEbayImage;
class QMEbayItem;
class QMEbayItemContainer;
class QMOperationManager;
class QMPreviewWebView;
class QMProgressPanelController;
class QMWebEditor;
class QMWebViewFormatController;
class QMBToolbarCustomizationSheet;
class QFontDialog;
class QUrl;
class QMSimpleStartAuctionPanelController;
class QMVerifyAddItemOperationEnvelope;
class QMSplitView;
class QMenu;
class QToolBar;

class QMBDocument : public QMainWindow, public QMEbayItemValidatorDelegate
{
    Q_OBJECT

public:
    // A document with a new listing made from the preference defaults. Its window is built at
    // once; windowControllerDidLoadNib() fills it (the controller calls it before showing).
    explicit QMBDocument(QWidget* parent = nullptr);
    ~QMBDocument() override;

    // The listing; never null.
    const std::shared_ptr<QMEbayItem>& item() const { return m_item; }
    void setItem(std::shared_ptr<QMEbayItem> item);
    // The document's listing when the ID is null or its own; any other ID is a programming error.
    std::shared_ptr<QMEbayItem> itemWithUniqueID(const QString& uniqueID) const;

    // File. The path is empty while the document is untitled.
    QString fileName() const { return m_fileName; }
    void setFileName(const QString& path);
    // The file's name without folder, "Untitled" (numbered) for a new document, and " (Sandbox)"
    // while eBay's sandbox is selected.
    QString displayName() const;
    // The number of a new document's "Untitled" name (the controller gives it; 1 and 0 show no number).
    void setUntitledNumber(int number);
    bool isDocumentEdited() const;
    void setItemWasChanged(bool changed);

    // The document's file: a keyed archive of one container (format "2", the picture files
    // embedded). The edited mark is cleared only once the file is in place; a failed write keeps
    // the document edited and the old file, and says why.
    QByteArray dataOfType() const;
    [[nodiscard]] bool writeToFile(const QString& path, QString* error = nullptr);
    // Reads a document's bytes into this document. False when the file is refused (`error` says
    // why) or the user cancelled one of the questions (`error` left null).
    [[nodiscard]] bool readFromData(const QByteArray& bytes, QString* error = nullptr);
    // Reads an ordinary file of at most kMaximumDocumentBytes (a pipe or a device named as a
    // document is refused, not read).
    [[nodiscard]] bool readFromFile(const QString& path, QString* error = nullptr);
    // No larger listing document is read: the archive reader takes no more.
    static constexpr qint64 kMaximumDocumentBytes = qint64(1) << 30;
    // Whether the last read changed the listing (converted it to the default site): such a
    // document opens edited, any other unchanged.
    bool changedWhileReading() const { return m_changedWhileReading; }
    // Takes the container's listing with a new unique ID. Its embedded pictures are written to
    // their files on a worker (picturesReady() follows); when one cannot be written, the
    // document closes unchanged with an alert that says why.
    [[nodiscard]] bool importContainer(const std::shared_ptr<QMEbayItemContainer>& container, QString* error = nullptr);
    // The default location, currency and country, then the controls refreshed.
    void copyDefaultLocationSettingsToItem(const std::shared_ptr<QMEbayItem>& item);

    // Categories. Field 0 is the primary category, 1 the second one; true when one was chosen.
    bool letUserSelectCategoryField(int field, const std::shared_ptr<QMEbayItem>& item);
    // Whether the site's category data is there; offers its download when it is not.
    bool rootCategoryOrDisplayWarningForSiteID(qint64 siteID);
    // The listing's categories that are set, each once: what the category data is asked about.
    static QList<qint64> categoryIDsOf(const QMEbayItem& item);
    // The category fields, item-specifics names and conditions of the settings pane (its
    // controller's).
    void updateInterfaceAfterCategoryChange();
    void computeAndUpdateCategoryPathFieldsForItem(const std::shared_ptr<QMEbayItem>& item);
    void updateCategoryPathFieldsForItem(const std::shared_ptr<QMEbayItem>& item);
    static QString categoryFieldValueForSiteID(qint64 siteID, qint64 categoryID);
    void computeAndUpdateAttributeSetNamesForItem(const std::shared_ptr<QMEbayItem>& item);
    void updateAttributeSetNamesForItem(const std::shared_ptr<QMEbayItem>& item);

    // Pictures. A local file (a file address) is added, or put in place of the picture whose
    // address is `targetURL`, or swapped with it when it is one of the pictures already.
    void addAndBackupImageImageURL(const QString& url, const QString& targetURL = QString());
    // True when the pictures were removed (after the question, unless it is switched off).
    bool removeeBayImages(const QList<std::shared_ptr<QMEbayImage>>& pictures, bool showWarning = true);

    // eBay. Nothing is queued when the validator refuses (it says why).
    void verifyItemWithEBay(const std::shared_ptr<QMEbayItem>& item, bool showFeePanel);
    bool startTemplates(const QList<std::shared_ptr<QMEbayItem>>& items, bool showingWarningPanel);
    bool startTemplatesWithAccountID(const QList<std::shared_ptr<QMEbayItem>>& items, const QString& accountID,
                                     bool showingWarningPanel);
    QMEbayItemValidator& defaultItemValidator();
    // The application's operation manager, set to find the open documents' listings.
    std::shared_ptr<QMOperationManager> defaultOperationManager();

    // Commands (QMBDocument+IBActions.cpp).
    void choosePrimaryCategory();
    void chooseSecondaryCategory();
    void removeCategory2();
    void editItemAttributes();
    void removeAttributes();
    void getFeesFromEBay();
    void verifyAuction();
    void startAuction();
    void addImage();
    void showMediaBrowserAction();
    void reloadAuctionPreview();
    void showShippingOptionsPanel();
    void webviewAddSubtitleAction();
    void webviewRemoveSubtitleAction();
    void webviewInsertLinkAction();
    void deleteImageFromRepresendetObject(const std::shared_ptr<QMEbayImage>& picture);
    void makeGalleryImage();
    // Clockwise for tag 0, counter-clockwise for any other; address-only pictures and files that
    // cannot be read as pictures are left as they are.
    void rotateImages(int tag);
    void layoutNameChangedInThumbnailView(const QString& layoutName);
    void editReturnPoliciesAction();
    void counterPopupAction();
    void showPreFilledPanel();
    void removeProductInfo();

    // The settings pane and its presenter, which keeps the current-listing values the pane shows.
    QMBSettingsPane* settingsPane() const { return m_settingsPane; }
    QMBSettingsPaneController* settingsPaneController() const { return m_settingsPaneController; }
    // The pane's updates from the listing and the return policy's name (its controller's).
    QString currentReturnPolicyAcceptedName() const;
    void setCurrentReturnPolicyAcceptedName(const QString& name);
    void updateCurrencyForItem(const std::shared_ptr<QMEbayItem>& item);
    void updateListingEnhancementsForItem(const std::shared_ptr<QMEbayItem>& item);
    void updatePaymentOptionsFieldForItem(const std::shared_ptr<QMEbayItem>& item);
    void updateDurationPopupForItem(const std::shared_ptr<QMEbayItem>& item);
    void updateCounterTypePopupForItem(const std::shared_ptr<QMEbayItem>& item);
    void updateShippingControlsCurrentItem();
    void updateReturnPolicyNameForItem(const std::shared_ptr<QMEbayItem>& item);
    void updateConditionPopupForItem(const std::shared_ptr<QMEbayItem>& item);
    static QString tooltipForListingEnhancement(const QString& optionID);

    // Operation feedback (QMBDocument+Operations.cpp).
    std::shared_ptr<QMVerifyAddItemOperationEnvelope> currentVerifyAddItemEnvelope() const
    {
        return m_currentVerifyAddItemEnvelope;
    }
    void setCurrentVerifyAddItemEnvelope(const std::shared_ptr<QMVerifyAddItemOperationEnvelope>& envelope);
    std::shared_ptr<QMAddItemOperationEnvelope> currentAddItemEnvelope() const { return m_currentAddItemEnvelope; }
    void setCurrentAddItemEnvelope(const std::shared_ptr<QMAddItemOperationEnvelope>& envelope);
    // The progress sheet of the uploads while one is shown.
    QMAddItemProgressPanelController* addItemProgressPanelController() const;
    // The progress panel of the running verification while one is shown.
    QMProgressPanelController* verifyProgressPanelController() const;
    // The item's page on eBay: the site's listings address, "?ViewItem&item=" and the ID.
    QString urlForItemID(const QString& itemID) const;

    // Window set-up once the window exists: toolbar, controls filled from the listing,
    // observation of the listing, preview and split views.
    void windowControllerDidLoadNib();
    bool windowIsLoaded() const { return m_windowLoaded; }

    // Window areas, filled by the parts that own them.
    QToolBar* mainToolbar() const { return m_toolbar; }
    QMAnimatedSplitView* mainVerticalSplitView() const { return m_mainVerticalSplitView; }
    QMSplitView* mainHorizontalSplitView() const { return m_mainHorizontalSplitView; }
    QMSplitView* previewSplitView() const { return m_previewSplitView; }
    QMBDocumentArea* previewSplitViewTopView() const { return m_previewSplitViewTopView; }
    QMBDocumentArea* webviewFormatToolbarView() const { return m_webviewFormatToolbarView; }
    QMBDocumentArea* auctionWebviewContainer() const { return m_auctionWebviewContainer; }
    QMContainerView* rightVerticalSplitViewContentView() const { return m_rightVerticalSplitViewContentView; }
    QWidget* auctionSettingsView() const;

    // Validator hooks.
    int displayFreeShippingWarningForItem(QMEbayItem& item) override;
    void displayTokenPanel() override;
    void displayAttributePanelForItem(QMEbayItem& item) override;
    void displayImageServicePreferences() override;

    // Preview and observation (QMBDocument+Observation.cpp). The watched keys come from the
    // listing's field table: "templateProperties" (what pages show), "auctionProperties" (values
    // of a running item) and "observeOnlyProperties", entries {"propertyKey",
    // "changeCausesPreviewReload"}. A change of a watched key marks the document edited; the
    // reload of the page follows on the next turn of the event loop.
    static const QVariantMap& templatePropertiesDictionary();
    static QVariantList allowedSmartGroupPropertiesForAuctions(bool auctions);
    static QVariantList propertiesToBeObserved();
    void startObservingItem(const std::shared_ptr<QMEbayItem>& item);
    void stopObservingItem(const std::shared_ptr<QMEbayItem>& item);
    void updateAuctionWebViewForItem(const std::shared_ptr<QMEbayItem>& item);
    // Web view (QMBDocument+WebView.cpp): the preview's web view and its editor, once the window
    // is set up; the text selected in the description, and markup put in its place.
    void setupWebView();
    QString selectedDescriptionString() const;
    void replaceDescriptionSelectionWithMarkup(const QString& markup);
    // The preview's parts; null until the window is set up, and the views without a display.
    QMPreviewWebView* auctionWebView() const;
    QMWebEditor* webEditor() const;
    QMWebViewFormatController* webviewFormatController() const;
    QMBWebViewScriptObject* webviewScriptObject() const;
    void enableWebEditing(bool enable);
    // Runs the document command that an internal address of the page ("qminternal:") names.
    void handleInternalURL(const QUrl& url);
    // The listing's picture that the preview page shows under an address, or null.
    std::shared_ptr<QMEbayImage> ebayImageForPreviewAddress(const QString& address) const;
    // Commands of the page: a positive number of days as the handling time; no catalogue product.
    void setCurrentItemHandlingTime(const QString& days);
    void removePrefilledProduct();
    // Toolbar (QMBDocument+Toolbar.cpp): the items by identifier. The seller chooses them among the
    // allowed ones in the customization sheet (the toolbar's menu, or its "Customize" item); the
    // choice is kept in the user defaults ("NSToolbar Configuration Main Toolbar") and every
    // document window shows it. A fresh configuration shows the default items.
    void setupToolbarForWindow();
    static QStringList toolbarDefaultItemIdentifiers();
    static QStringList toolbarAllowedItemIdentifiers();
    // The items the toolbars show: the stored choice (less what is not allowed), else the defaults.
    static QStringList toolbarItemIdentifiers();
    static void setToolbarItemIdentifiers(const QStringList& identifiers);
    // How the customization sheet names and shows an item.
    static QString toolbarPaletteLabel(const QString& identifier);
    static QIcon toolbarItemIcon(const QString& identifier);
    // A new item for the identifier (the bare item for one that is not the document's own).
    QAction* toolbarItemForItemIdentifier(const QString& identifier);
    void customizeToolbar();
    QMBToolbarCustomizationSheet* toolbarCustomizationSheet() const;
    // The colour and font panels of the description's text.
    void showColorPanel();
    void showFontPanel();
    // The settings pane is shown; the design chooser is shown.
    bool optionsVisible() const;
    bool designsVisible() const;
    // Split views and design chooser (QMBDocument+SplitView.cpp): the settings pane keeps its
    // width and is only shown or hidden; the chooser is shown, hidden, or hidden by a double click
    // on its divider.
    void setupSplitViews();
    void toggleMainHorizontalSplitView();
    void toggleMainVerticalSplitView();
    void toggleAuctionDesignSplitView();
    void updatePreviewColapseButton();
    // The design chooser above the preview and the document's answers to it
    // (QMBDocument+DesignFlow.cpp): a chosen design or layout is set on the listing and the
    // preview reloads once; a keyword filter shows its designs for the listing.
    void setupDesignChooser();
    // The chooser shows the active designs under "All" with the listing's design and layout, as a
    // window opened on the listing does (after a new listing came in: revert, open).
    void updateDesignChooserForItem();
    QMDesignFlowUIController* designFlowController() const { return m_designFlowController; }
    void designFlowUIControllerSelectionChangedTo(QMDesignFlowUIController* chooser,
                                                  const std::shared_ptr<QMDesignTemplate>& design);
    void designFlowUIControllerSelectedLayoutChangedTo(QMDesignFlowUIController* chooser, const QString& layoutName);
    void designFlowUIControllerSelectedDesignsChangedTo(QMDesignFlowUIController* chooser,
                                                        const QList<std::shared_ptr<QMDesignTemplate>>& designs);

Q_SIGNALS:
    // The edited mark or the display name changed.
    void documentStateChanged();
    // The pictures of the document read last have their files.
    void picturesReady();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool readContainers(const QList<std::shared_ptr<QMEbayItemContainer>>& containers, QString* error);
    void picturesImported(const QString& error);
    void buildWindow();
    void buildMenus();
    void updateRecentMenu();
    // The window's frame under the user default "NSWindow Frame MainDocumentWindow"; 1024 x 680,
    // centred, when none is stored or it no longer fits a screen.
    void restoreWindowFrame();
    void saveWindowFrame() const;
    void updateWindowTitle();
    // The window's edited mark as the listing's.
    void showEditedMark();
    // The settings pane's command buttons tied to the document's commands (QMBDocument+IBActions.cpp).
    void connectSettingsPaneCommands();
    // Whether another open document shows the picture file at the path.
    bool pictureFileIsShared(const QString& path) const;
    // Start sheet notifications.
    void registerStartAuctionPanelNotifications(QMSimpleStartAuctionPanelController* sheet);
    void unregisterStartAuctionPanelNotifications();

    // The preview's parts, made on first use (QMBDocument+WebView.cpp).
    QMBDocumentPreview* preview();

    std::shared_ptr<QMEbayItem> m_item;
    QMBDocumentPreview* m_preview = nullptr;
    QString m_fileName;
    int m_untitledNumber = 0;
    bool m_changedWhileReading = false;
    bool m_windowLoaded = false;

    QToolBar* m_toolbar = nullptr;
    QPointer<QMBToolbarCustomizationSheet> m_toolbarCustomizationSheet;
    QPointer<QFontDialog> m_fontPanel;
    QMenu* m_recentMenu = nullptr;
    QAction* m_insertLinkAction = nullptr;
    QMAnimatedSplitView* m_mainVerticalSplitView = nullptr;
    QMSplitView* m_mainHorizontalSplitView = nullptr;
    QMSplitView* m_previewSplitView = nullptr;
    QMBDocumentArea* m_previewSplitViewTopView = nullptr;
    QMBDocumentArea* m_webviewFormatToolbarView = nullptr;
    QMBDocumentArea* m_auctionWebviewContainer = nullptr;
    QMContainerView* m_rightVerticalSplitViewContentView = nullptr;
    QMBSettingsPane* m_settingsPane = nullptr;
    QMBSettingsPaneController* m_settingsPaneController = nullptr;

    std::unique_ptr<QMEbayItemValidator> m_documentItemValidator;

    std::shared_ptr<QMVerifyAddItemOperationEnvelope> m_currentVerifyAddItemEnvelope;
    std::shared_ptr<QMAddItemOperationEnvelope> m_currentAddItemEnvelope;
    // The notifications of operations and of the start sheet, and the progress panels.
    std::unique_ptr<QMBDocumentOperationFeedback> m_feedback;
    QMDesignFlowUIController* m_designFlowController = nullptr;
};
