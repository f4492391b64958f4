#pragma once
// The web view of the listing preview: shows the page the preview generator made, through a URL
// scheme of our own ("qmpreview", registered before the application object exists), so that the
// page's local pictures load and the page may be of any size.
//
// Each page load has a generation. After a preview page has loaded the view publishes its channel
// objects (its own port for the page's editing script, and whatever the document registered) on a
// web channel to that page only, and calls the page's script to connect; everything the page says
// carries the generation it was given, and what an older page says, or answers to a script run
// before the page changed, is dropped.
//
// Clicked links never navigate the view: "qminternal" addresses go to the delegate, http, https
// and mailto addresses to the desktop, anything else nowhere. Pictures and files dropped on a
// picture of the page go to the delegate; the context menu keeps the editing entries and lets the
// delegate add its own.
//
//     auto* view = new QMPreviewWebView(parent);
//     view->setDelegate(document);
//     view->registerChannelObject(QStringLiteral("QuillmartScriptObject"), bridge);
//     view->loadPreviewHTML(generator->htmlPreview());
//
// Main thread.

#include <QKeySequence>
#include <QPointer>
#include <QUrl>
#include <QVariant>
#include <QWebEngineView>
#include <functional>
#include <memory>

class QMenu;
class QMPreviewPagePort;
class QMPreviewWebView;
class QWebChannel;

// What lies at a point of the page.
struct QMPreviewPointInfo
{
    QPoint position;      // in the view
    bool isImage = false; // an image element
    QString source;       // its address
    bool inDescription = false;
    bool editable = false;
};

class QMPreviewWebViewDelegate
{
public:
    virtual ~QMPreviewWebViewDelegate() = default;
    // An address of the scheme "qminternal" clicked in the page.
    virtual void previewWebViewHandleInternalURL(QMPreviewWebView* view, const QUrl& url) = 0;
    // Picture files (file addresses) dropped on an image of the page whose address is `target`.
    virtual void previewWebViewDidDropURLs(QMPreviewWebView* view, const QList<QUrl>& urls, const QString& target) = 0;
    // The context menu at a point, holding the page's standard entries, before it is shown.
    virtual void previewWebViewWillShowContextMenu(QMPreviewWebView* view, QMenu* menu,
                                                   const QMPreviewPointInfo& info) = 0;
};

class QMPreviewWebView : public QWebEngineView
{
    Q_OBJECT

public:
    static const QString kPreviewScheme;  // "qmpreview"
    static const QString kInternalScheme; // "qminternal"

    explicit QMPreviewWebView(QWidget* parent = nullptr);
    ~QMPreviewWebView() override;

    void setDelegate(QMPreviewWebViewDelegate* delegate) { m_delegate = delegate; }
    QMPreviewWebViewDelegate* delegate() const { return m_delegate; }

    // Loads a page made by the preview generator; a new load generation begins. The scroll
    // position of the old page is restored on the new one.
    void loadPreviewHTML(const QString& html);
    int loadGeneration() const { return m_generation; }
    // The current page's script has connected to the channel (the page is editable from then on).
    bool isPageConnected() const { return m_connected; }
    // The address of the current preview page.
    QUrl previewURL() const;
    // The page's HTML as loaded last.
    const QString& previewHTML() const { return m_html; }

    // An object the page's script reaches under `name` once it has connected (not owned; it must
    // outlive the view or be unregistered). Register before loading.
    void registerChannelObject(const QString& name, QObject* object);

    // Runs script in the current page. The callback is dropped when another page began loading
    // meanwhile.
    void runScript(const QString& script);
    void runScript(const QString& script, std::function<void(const QVariant&)> callback);
    // A script literal for a value (text, number, flag, map, list): no text can end it.
    static QString scriptLiteral(const QVariant& value);
    // "object.method(arg, ...)" with the arguments as literals.
    static QString scriptCall(const QString& function, const QVariantList& arguments);

    // What lies at a point of the view (answered after a round trip to the page).
    void pointInfoAt(const QPoint& position, std::function<void(const QMPreviewPointInfo&)> callback);

    // Paste and select-all typed in the page reach this handler first (Qt WebEngine would handle
    // them itself); it answers whether it took the key.
    using EditingShortcutHandler = std::function<bool(QKeySequence::StandardKey)>;
    void setEditingShortcutHandler(EditingShortcutHandler handler) { m_shortcutHandler = std::move(handler); }

    // Handles a drop of URLs at a point as a drop on the page does (for tests and the drop event).
    void dropURLsAtPoint(const QList<QUrl>& urls, const QPoint& position);

    // For the page's port: whether a message of that generation comes from the current page.
    bool acceptsGeneration(int generation) const { return m_connected && generation == m_generation; }
    void pageDidConnect(int generation, const QStringList& editableIdentifiers);

Q_SIGNALS:
    void previewLoadStarted();
    void previewLoadFinished(bool ok);
    // The page's script connected; the page's editable title and subtitle places are listed.
    void pageConnected(const QStringList& editableIdentifiers);
    // The page's editing script (current page only).
    void fieldDidChange(const QString& identifier, const QVariant& text);
    void descriptionDidChange(const QString& html);
    void descriptionEditingRequested();
    void selectionDidChange(const QVariantMap& state);
    void currentElementDidChange(const QString& identifier);
    void inputRefused();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    class Page;
    friend class Page;

    bool handleNavigation(const QUrl& url, int type, bool isMainFrame);
    void loadingChanged(const QUrl& url, int status);
    void publish();
    void watchChild(QObject* child);
    bool handleDrag(QEvent* event);
    bool handleKey(QEvent* event);

    QMPreviewWebViewDelegate* m_delegate = nullptr;
    Page* m_page = nullptr;
    std::unique_ptr<QWebChannel> m_channel;
    std::unique_ptr<QMPreviewPagePort> m_port;
    QString m_token;
    QString m_html;
    int m_generation = 0;
    bool m_connected = false;
    QPointF m_savedScrollPosition;
    EditingShortcutHandler m_shortcutHandler;
};
