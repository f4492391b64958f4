#pragma once
// The listing document: one listing (QMEbayItem) in one window. The document is its own window,
// a QMainWindow: the toolbar on top, the settings pane on the right, and in the middle the design
// chooser above the preview with the format toolbar over it. The document controller
// (QMBDocumentController) makes, opens, saves and closes documents.
//
// The class is split by concern over several files:
//   QMBDocument.cpp               state, file, window layout, categories, pictures, verify and start
//   QMBDocument+IBActions.cpp     the user's commands
//   QMBDocument+CurrentItem.cpp   the listing values the settings pane shows
//   QMBDocument+Operations.cpp    progress sheets, fees and results of its uploads
//   QMBDocument+Observation.cpp   watching the listing and reloading the preview
//   QMBDocument+WebView.cpp       the preview's web view and editor
//   QMBDocument+Toolbar.cpp       the toolbar
//   QMBDocument+SplitView.cpp     the split views
//   QMBDocument+DesignFlow.cpp    the design chooser
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

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>

class QAction;
class QMAnimatedSplitView;
class QMBDocumentArea;
class QMBSettingsPane;
class QMContainerView;
class QMDesignFlowUIController;
class QMDesignTemplate;
class QMEbayItem;
class QMEbayItemContainer;
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
    [[nodiscard]] bool readFromFile(const QString& path, QString* error = nullptr);
    // Takes the container's listing: its embedded pictures written to new temporary files, a new
    // unique ID. False with the reason when a picture could not be written.
    [[nodiscard]] bool importContainer(const std::shared_ptr<QMEbayItemContainer>& container, QString* error = nullptr);
    // The default location, currency and country, then the controls refreshed.
    void copyDefaultLocationSettingsToItem(const std::shared_ptr<QMEbayItem>& item);

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
    QWidget* auctionSettingsView() const { return m_auctionSettingsView; }

    // Validator hooks.
    int displayFreeShippingWarningForItem(QMEbayItem& item) override;
    void displayTokenPanel() override;
    void displayAttributePanelForItem(QMEbayItem& item) override;
    void displayImageServicePreferences() override;

    // Preview and observation (QMBDocument+Observation.cpp).
    void startObservingItem(const std::shared_ptr<QMEbayItem>& item);
    void stopObservingItem(const std::shared_ptr<QMEbayItem>& item);
    void updateAuctionWebViewForItem(const std::shared_ptr<QMEbayItem>& item);
    // Web view (QMBDocument+WebView.cpp): the preview's web view and its editor, once the window
    // is set up.
    void setupWebView();
    // Toolbar (QMBDocument+Toolbar.cpp): the items by identifier, as a fresh window shows them.
    void setupToolbarForWindow();
    static QStringList toolbarDefaultItemIdentifiers();
    static QStringList toolbarAllowedItemIdentifiers();
    // A new item for the identifier (the bare item for one that is not the document's own).
    QAction* toolbarItemForItemIdentifier(const QString& identifier);
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
    QMDesignFlowUIController* designFlowController() const { return m_designFlowController; }
    void designFlowUIControllerSelectionChangedTo(QMDesignFlowUIController* chooser,
                                                  const std::shared_ptr<QMDesignTemplate>& design);
    void designFlowUIControllerSelectedLayoutChangedTo(QMDesignFlowUIController* chooser, const QString& layoutName);
    void designFlowUIControllerSelectedDesignsChangedTo(QMDesignFlowUIController* chooser,
                                                        const QList<std::shared_ptr<QMDesignTemplate>>& designs);

Q_SIGNALS:
    // The edited mark or the display name changed.
    void documentStateChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWindow();
    void buildMenus();
    void updateRecentMenu();
    // The window's frame under the user default "NSWindow Frame MainDocumentWindow"; 1024 x 680,
    // centred, when none is stored or it no longer fits a screen.
    void restoreWindowFrame();
    void saveWindowFrame() const;
    void updateWindowTitle();
    // Every control of the settings pane filled from the listing again.
    void updateInterfaceForItem();

    std::shared_ptr<QMEbayItem> m_item;
    QString m_fileName;
    int m_untitledNumber = 0;
    bool m_windowLoaded = false;

    QToolBar* m_toolbar = nullptr;
    QMenu* m_recentMenu = nullptr;
    QMAnimatedSplitView* m_mainVerticalSplitView = nullptr;
    QMSplitView* m_mainHorizontalSplitView = nullptr;
    QMSplitView* m_previewSplitView = nullptr;
    QMBDocumentArea* m_previewSplitViewTopView = nullptr;
    QMBDocumentArea* m_webviewFormatToolbarView = nullptr;
    QMBDocumentArea* m_auctionWebviewContainer = nullptr;
    QMContainerView* m_rightVerticalSplitViewContentView = nullptr;
    QWidget* m_auctionSettingsView = nullptr;
    QMDesignFlowUIController* m_designFlowController = nullptr;
};
