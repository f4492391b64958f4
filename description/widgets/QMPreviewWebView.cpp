#include "description/widgets/QMPreviewWebView.h"

#include "description/widgets/QMPreviewPagePort_p.h"

#include "DWKit/QMDraggingUtils.h"
#include "DWKit/QMLog.h"

#include "model/QMPreferencesManager.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWFormat.h"
#include "platform/widgets/DesktopServices.h"

#include <QBuffer>
#include <QChildEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QUuid>
#include <QWebChannel>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>

const QString QMPreviewWebView::kPreviewScheme = QStringLiteral("qmpreview");
const QString QMPreviewWebView::kInternalScheme = QStringLiteral("qminternal");

namespace {

// Web engine schemes (and the shared OpenGL contexts the engine asks for) must be set before the
// application object exists; this file is linked into every program that shows a preview, so it
// sets them as the program loads.
void registerPreviewSchemes()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Pages of this scheme may show local files (the listing's pictures and their preview copies).
    // The view's token is the host: one origin per view, so that every reload of its preview
    // stays in the same page process rather than starting a new one (which takes seconds).
    QWebEngineUrlScheme preview(QByteArrayLiteral("qmpreview"));
    preview.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    preview.setFlags(QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(preview);
    // Internal commands travel as links of this scheme; they never load.
    QWebEngineUrlScheme internal(QByteArrayLiteral("qminternal"));
    internal.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    QWebEngineUrlScheme::registerScheme(internal);
}
Q_CONSTRUCTOR_FUNCTION(registerPreviewSchemes)

QHash<QString, QPointer<QMPreviewWebView>>& previewViews()
{
    static QHash<QString, QPointer<QMPreviewWebView>> views;
    return views;
}

// Serves "qmpreview://<token>/<generation>": the page of the view with that token, for its current
// generation only. The token is random, so no other page can ask for a seller's preview.
class PreviewSchemeHandler : public QWebEngineUrlSchemeHandler
{
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    void requestStarted(QWebEngineUrlRequestJob* job) override
    {
        const QUrl url = job->requestUrl();
        const QPointer<QMPreviewWebView> view = previewViews().value(url.host());
        if (!view || url.path() != QStringLiteral("/%1").arg(view->loadGeneration())) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        auto* body = new QBuffer(job);
        body->setData(view->previewHTML().toUtf8());
        body->open(QIODevice::ReadOnly);
        job->reply(QByteArrayLiteral("text/html"), body);
    }
};

class InternalSchemeHandler : public QWebEngineUrlSchemeHandler
{
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    void requestStarted(QWebEngineUrlRequestJob* job) override { job->fail(QWebEngineUrlRequestJob::RequestDenied); }
};

QWebEngineProfile* previewProfile()
{
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    if (!profile->urlSchemeHandler(QByteArrayLiteral("qmpreview")))
        profile->installUrlSchemeHandler(QByteArrayLiteral("qmpreview"), new PreviewSchemeHandler(profile));
    if (!profile->urlSchemeHandler(QByteArrayLiteral("qminternal")))
        profile->installUrlSchemeHandler(QByteArrayLiteral("qminternal"), new InternalSchemeHandler(profile));
    return profile;
}

// A link that asks for a new window: its address goes to the desktop (when the desktop may have
// it), and no window opens.
class PopupPage : public QWebEnginePage
{
public:
    explicit PopupPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent)
    {
        QTimer::singleShot(10000, this, &QObject::deleteLater);
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override
    {
        dw::openURLOnDesktop(url);
        deleteLater();
        return false;
    }
};

// The world of the page's editing script and of the web channel: the page's own scripts and
// whatever a description brings live in the main world and reach neither.
constexpr quint32 kEditingWorld = QWebEngineScript::ApplicationWorld;

const QString& webChannelScript()
{
    static const QString script = [] {
        QFile file(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
        if (!file.open(QIODevice::ReadOnly)) {
            dw::consoleWrite(QStringLiteral("The web channel's script is missing; the preview cannot be edited"));
            return QString();
        }
        return QString::fromUtf8(file.readAll());
    }();
    return script;
}

// The web channel's script and the editing script, run in the editing world of every page the
// view loads as soon as its document is parsed.
QWebEngineScript editingScript()
{
    QWebEngineScript script;
    script.setName(QStringLiteral("qmPreviewEditing"));
    script.setWorldId(kEditingWorld);
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setRunsOnSubFrames(false);
    const QString editing = QMPreferencesManager::sharedInstance().webEditingPreviewJavascript();
    if (editing.isEmpty())
        dw::consoleWrite(QStringLiteral("The preview's editing script is missing; the preview cannot be edited"));
    script.setSourceCode(webChannelScript() + QStringLiteral("\n;\n") + editing);
    return script;
}

} // namespace

// The page of the view: its navigation policy, its new windows and its console.
class QMPreviewWebView::Page : public QWebEnginePage
{
public:
    Page(QWebEngineProfile* profile, QMPreviewWebView* view) : QWebEnginePage(profile, view), m_view(view)
    {
        QWebEngineSettings* options = settings();
        options->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
        options->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        options->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        options->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
        options->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
        options->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        options->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
        options->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        return m_view->handleNavigation(url, int(type), isMainFrame);
    }

    QWebEnginePage* createWindow(WebWindowType) override { return new PopupPage(profile(), m_view); }

    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                  const QString&) override
    {
        QMLog("WebView line %@: %@", QString::number(lineNumber), message);
        // An error in the page's own script is a fault worth seeing even with logging off.
        if (level == ErrorMessageLevel)
            dw::consoleWrite(QStringLiteral("WebView line %1: %2").arg(lineNumber).arg(message));
    }

private:
    QMPreviewWebView* m_view;
};

QMPreviewWebView::QMPreviewWebView(QWidget* parent)
    : QWebEngineView(parent), m_channel(std::make_unique<QWebChannel>()),
      m_port(std::make_unique<QMPreviewPagePort>(this)), m_token(QUuid::createUuid().toString(QUuid::Id128).toLower())
{
    m_page = new Page(previewProfile(), this);
    m_page->scripts().insert(editingScript());
    setPage(m_page);
    setAcceptDrops(true);
    m_channel->registerObject(QStringLiteral("QMPreviewPagePort"), m_port.get());
    previewViews().insert(m_token, this);
    connect(m_page, &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo& info) { loadingChanged(info.url(), int(info.status())); });
    for (QObject* child : children())
        watchChild(child);
}

QMPreviewWebView::~QMPreviewWebView()
{
    previewViews().remove(m_token);
    m_page->setWebChannel(nullptr, kEditingWorld);
}

QUrl QMPreviewWebView::previewURL() const
{
    return QUrl(QStringLiteral("qmpreview://%1/%2").arg(m_token).arg(m_generation));
}

void QMPreviewWebView::registerChannelObject(const QString& name, QObject* object)
{
    m_channel->registerObject(name, object);
}

void QMPreviewWebView::loadPreviewHTML(const QString& html)
{
    if (m_generation > 0)
        m_savedScrollPosition = m_page->scrollPosition();
    ++m_generation;
    m_connected = false;
    m_html = html;
    m_page->setWebChannel(nullptr, kEditingWorld);
    m_page->load(previewURL());
}

void QMPreviewWebView::loadingChanged(const QUrl& url, int status)
{
    // Loads refused by the navigation policy (links) report here too; only the current page counts.
    if (url != previewURL())
        return;
    switch (QWebEngineLoadingInfo::LoadStatus(status)) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        m_connected = false;
        m_page->setWebChannel(nullptr, kEditingWorld);
        Q_EMIT previewLoadStarted();
        break;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        publish();
        Q_EMIT previewLoadFinished(true);
        break;
    case QWebEngineLoadingInfo::LoadFailedStatus:
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        Q_EMIT previewLoadFinished(false);
        break;
    }
}

void QMPreviewWebView::publish()
{
    // The channel reaches this page only: it is set once the page has loaded and taken away as
    // soon as another load begins. Its transport exists in the editing world alone.
    m_page->setWebChannel(m_channel.get(), kEditingWorld);
    if (!m_savedScrollPosition.isNull())
        runScript(
            QStringLiteral("window.scrollTo(%1, %2);").arg(m_savedScrollPosition.x()).arg(m_savedScrollPosition.y()));
    runScript(scriptCall(QStringLiteral("qmPreview.connect"), {m_generation, QVariantMap()}));
}

void QMPreviewWebView::pageDidConnect(int generation, const QStringList& editableIdentifiers)
{
    if (generation != m_generation || m_connected)
        return;
    m_connected = true;
    Q_EMIT pageConnected(editableIdentifiers);
}

bool QMPreviewWebView::handleNavigation(const QUrl& url, int type, bool isMainFrame)
{
    if (url == previewURL())
        return true;
    const auto kind = QWebEnginePage::NavigationType(type);
    if (url.scheme() == kInternalScheme) {
        if (m_delegate)
            m_delegate->previewWebViewHandleInternalURL(this, url);
        return false;
    }
    if (kind == QWebEnginePage::NavigationTypeLinkClicked || kind == QWebEnginePage::NavigationTypeFormSubmitted) {
        // The desktop gets http, https and mailto only (dw::openURLOnDesktop refuses the rest).
        dw::openURLOnDesktop(url);
        return false;
    }
    // The page has no frames (its security policy refuses them and the sanitizer removes them),
    // and it is never replaced by anything but a preview page.
    (void)isMainFrame;
    return false;
}

void QMPreviewWebView::runScript(const QString& script)
{
    m_page->runJavaScript(script, kEditingWorld);
}

void QMPreviewWebView::runScript(const QString& script, std::function<void(const QVariant&)> callback)
{
    const QPointer<QMPreviewWebView> guard(this);
    const int generation = m_generation;
    m_page->runJavaScript(script, kEditingWorld,
                          [guard, generation, callback = std::move(callback)](const QVariant& result) {
                              if (guard && guard->m_generation == generation && callback)
                                  callback(result);
                          });
}

QString QMPreviewWebView::scriptLiteral(const QVariant& value)
{
    // JSON is a script literal; wrapped in an array so that any value (text, null) serialises.
    const QByteArray json = QJsonDocument(QJsonArray{QJsonValue::fromVariant(value)}).toJson(QJsonDocument::Compact);
    QString literal = QString::fromUtf8(json.mid(1, json.size() - 2));
    // U+2028 and U+2029 are line ends in older script grammars.
    literal.replace(QChar(0x2028), QStringLiteral("\\u2028"));
    literal.replace(QChar(0x2029), QStringLiteral("\\u2029"));
    return literal;
}

QString QMPreviewWebView::scriptCall(const QString& function, const QVariantList& arguments)
{
    QStringList literals;
    for (const QVariant& argument : arguments)
        literals << scriptLiteral(argument);
    return function + u'(' + literals.join(u',') + QStringLiteral(");");
}

void QMPreviewWebView::pointInfoAt(const QPoint& position, std::function<void(const QMPreviewPointInfo&)> callback)
{
    runScript(scriptCall(QStringLiteral("qmPreview.pointInfo"), {position.x(), position.y()}),
              [position, callback = std::move(callback)](const QVariant& result) {
                  const QVariantMap values = result.toMap();
                  QMPreviewPointInfo info;
                  info.position = position;
                  info.isImage = values.value(QStringLiteral("isImage")).toBool();
                  info.source = values.value(QStringLiteral("source")).toString();
                  info.inDescription = values.value(QStringLiteral("inDescription")).toBool();
                  info.editable = values.value(QStringLiteral("editable")).toBool();
                  callback(info);
              });
}

void QMPreviewWebView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    // Nothing that would leave the page, open another window or save content from it.
    for (const QWebEnginePage::WebAction removed :
         {QWebEnginePage::Back, QWebEnginePage::Forward, QWebEnginePage::Stop, QWebEnginePage::Reload,
          QWebEnginePage::ReloadAndBypassCache, QWebEnginePage::DownloadLinkToDisk, QWebEnginePage::OpenLinkInNewWindow,
          QWebEnginePage::OpenLinkInNewTab, QWebEnginePage::OpenLinkInNewBackgroundTab,
          QWebEnginePage::DownloadImageToDisk, QWebEnginePage::CopyImageToClipboard,
          QWebEnginePage::DownloadMediaToDisk, QWebEnginePage::SavePage, QWebEnginePage::ViewSource,
          QWebEnginePage::InspectElement})
        menu->removeAction(m_page->action(removed));
    menu->setParent(this, Qt::Popup);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QPoint global = event->globalPos();
    const QPointer<QMenu> guard(menu);
    pointInfoAt(event->pos(), [this, guard, global](const QMPreviewPointInfo& info) {
        if (!guard)
            return;
        if (m_delegate)
            m_delegate->previewWebViewWillShowContextMenu(this, guard, info);
        // A separator left at either end (the removed entries leave some) is dropped.
        const auto actions = guard->actions();
        if (!actions.isEmpty() && actions.last()->isSeparator())
            guard->removeAction(actions.last());
        if (!guard->actions().isEmpty())
            guard->popup(global);
        else
            guard->deleteLater();
    });
    event->accept();
}

void QMPreviewWebView::childEvent(QChildEvent* event)
{
    QWebEngineView::childEvent(event);
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished)
        watchChild(event->child());
}

void QMPreviewWebView::watchChild(QObject* child)
{
    // Keys and drops reach the widget that renders the page (the view's focus proxy), not the view.
    if (child && child->isWidgetType()) {
        child->removeEventFilter(this);
        child->installEventFilter(this);
    }
}

bool QMPreviewWebView::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        if (handleDrag(event))
            return true;
        break;
    case QEvent::KeyPress:
        if (handleKey(event))
            return true;
        break;
    default:
        break;
    }
    return QWebEngineView::eventFilter(watched, event);
}

bool QMPreviewWebView::handleKey(QEvent* event)
{
    auto* key = static_cast<QKeyEvent*>(event);
    if (!m_shortcutHandler)
        return false;
    for (const QKeySequence::StandardKey command : {QKeySequence::Paste, QKeySequence::SelectAll}) {
        if (key->matches(command))
            return m_shortcutHandler(command);
    }
    return false;
}

bool QMPreviewWebView::handleDrag(QEvent* event)
{
    // Drags of files, addresses and pictures are the program's; text dragged inside the page is
    // the page's own.
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData* mime = drop->mimeData();
    if (!mime || !(mime->hasUrls() || mime->hasImage()))
        return false;
    if (event->type() != QEvent::Drop) {
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        return true;
    }
    QList<QUrl> urls;
    for (const QUrl& url : mime->urls()) {
        if (url.isEmpty())
            continue;
        if (url.isLocalFile()) {
            urls << url;
            continue;
        }
        // An address of a picture on the web: the dragged picture's own data, written to a file.
        const QString path = QMDraggingUtils::pathToDraggedPasteboardImage(mime);
        if (!path.isNull())
            urls << QUrl::fromLocalFile(path);
    }
    if (urls.isEmpty() && mime->hasImage()) {
        const QString path = QMDraggingUtils::pathToDraggedPasteboardImage(mime);
        if (!path.isNull())
            urls << QUrl::fromLocalFile(path);
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (!urls.isEmpty())
        dropURLsAtPoint(urls, drop->position().toPoint());
    return true;
}

void QMPreviewWebView::dropURLsAtPoint(const QList<QUrl>& urls, const QPoint& position)
{
    pointInfoAt(position, [this, urls](const QMPreviewPointInfo& info) {
        // Only a drop on a picture counts (the drop-zone marker is one); eBay's inventory pictures
        // take no drops.
        if (!info.isImage || info.source.contains(QStringLiteral("inventoryImage=YES")) || !m_delegate)
            return;
        m_delegate->previewWebViewDidDropURLs(this, urls, info.source);
    });
}
