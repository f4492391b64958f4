#pragma once
// The document's preview: the web view with its page, the HTML editor and the format toolbar, and
// the document's roles towards them (the web view's delegate for internal commands, the context
// menu and dropped pictures; the editor's delegate for the title limit and the question before a
// description is first edited). It also watches the listing: a change of a key that the page
// shows reloads the page (once per turn of the event loop, however many keys changed); the title
// and subtitle are updated in the page without a reload.
//
// One per document, a child of it, made when the window is set up; its code lives in
// QMBDocument+Observation.cpp, QMBDocument+WebView.cpp and QMBDocument+WebEditingDelegate.cpp.
// Web pages need a display: under the offscreen platform (the plain tests) no web view is made and
// the preview area says so. Main thread.

#include "description/widgets/QMPreviewWebView.h"
#include "description/widgets/QMWebEditor.h"
#include "description/widgets/QMWebViewFormatToolbar.h"

#include "DWKit/widgets/QMProgressView.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <memory>

class QMBDocument;
class QMBWebViewScriptObject;
class QMEbayImage;
class QMEbayItem;
class QMPreviewGenerator;
class QTimer;

class QMBDocumentPreview : public QObject, public QMPreviewWebViewDelegate, public QMWebEditorDelegate
{
    Q_OBJECT

public:
    // The longest title (and subtitle) eBay takes.
    static constexpr qsizetype kMaxTitleLength = 80;

    explicit QMBDocumentPreview(QMBDocument* document);
    ~QMBDocumentPreview() override;

    // Whether this process can show web pages (not under the offscreen platform).
    static bool canShowWebPages();

    // Makes the web view, the editor and the format toolbar and puts them into the document's areas.
    void setUp();

    QMPreviewWebView* webView() const { return m_webView; }
    QMWebEditor* editor() const { return m_editor; }
    QMWebViewFormatToolbar* toolbar() const { return m_toolbar; }
    QMBWebViewScriptObject* scriptObject() const { return m_scriptObject; }
    // The generator of the page shown now; null before the first page.
    const std::shared_ptr<QMPreviewGenerator>& generator() const { return m_generator; }
    std::shared_ptr<QMEbayImage> pictureForPageAddress(const QString& address) const;

    // The page is made again on the next turn of the event loop (requests in between are one).
    void scheduleReload();
    void reloadNow();
    int pagesLoaded() const { return m_pagesLoaded; }

    // Observation.
    void startObserving(const std::shared_ptr<QMEbayItem>& item);
    void stopObserving(const std::shared_ptr<QMEbayItem>& item);

    // The text selected in the page, as the page reported it last.
    QString selectedText() const;

    // QMPreviewWebViewDelegate
    void previewWebViewHandleInternalURL(QMPreviewWebView* view, const QUrl& url) override;
    void previewWebViewDidDropURLs(QMPreviewWebView* view, const QList<QUrl>& urls, const QString& target) override;
    void previewWebViewWillShowContextMenu(QMPreviewWebView* view, QMenu* menu,
                                           const QMPreviewPointInfo& info) override;

    // QMWebEditorDelegate
    void editorTitleDidChangeForItem(QMWebEditor* editor, QMEbayItem& item) override;
    std::optional<qsizetype> maxTitleLengthForEditor(QMWebEditor* editor) override;
    std::optional<bool> editorShouldChangeDescriptionForItem(QMWebEditor* editor, QMEbayItem& item) override;

private:
    void itemKeyChanged(const QString& key);
    void watchShippingOptions();
    void showProgressSoon();
    void hideProgress();

    QMBDocument* m_document;
    QMBWebViewScriptObject* m_scriptObject;
    QPointer<QMPreviewWebView> m_webView;
    QPointer<QMWebEditor> m_editor;
    QPointer<QMWebViewFormatToolbar> m_toolbar;
    QPointer<QMProgressView> m_progress;
    QTimer* m_progressDelay = nullptr;
    std::shared_ptr<QMPreviewGenerator> m_generator;
    std::shared_ptr<QMEbayItem> m_observedItem;
    QMetaObject::Connection m_shippingConnection;
    bool m_reloadScheduled = false;
    // Set while the editor itself turns the description into HTML: that change needs no new page.
    bool m_convertingDescription = false;
    int m_pagesLoaded = 0;
};
