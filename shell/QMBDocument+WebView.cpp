// The document's preview web view: setting it up, its internal commands, its context menu and the
// pictures dropped on it.
#include "shell/QMBDocument.h"

#include "shell/QMBApplication.h"
#include "shell/QMBDocumentArea.h"
#include "shell/QMBDocumentController.h"
#include "shell/QMBDocumentPreview.h"
#include "shell/QMBSettingsPaneController.h"
#include "shell/QMBWebViewScriptObject.h"

#include "description/QMDesignTemplateManager.h"
#include "description/QMPreviewGenerator.h"
#include "description/widgets/QMWebViewFormatController.h"
#include "description/widgets/QMWebViewFormatToolbar.h"

#include "DWKit/NSURL+DWExtensions.h"
#include "DWKit/widgets/QMProgressView.h"

#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>
#include <QUrl>
#include <functional>

namespace {

// Select-all and paste chosen from the menus, when aimed at the front document's preview, go to
// that document's editor (the keys typed in the page reach it through the view itself).
class PreviewEditorRoute final : public QMBDescriptionEditorRoute
{
public:
    bool isFrontDescriptionView(QObject* target) const override
    {
        QMBDocument* document = QMBDocumentController::sharedDocumentController().currentDocument();
        QWidget* view = document ? document->auctionWebView() : nullptr;
        auto* widget = qobject_cast<QWidget*>(target);
        return view && widget && (widget == view || view->isAncestorOf(widget));
    }
    void selectAll(QObject*) override
    {
        if (QMWebEditor* editor = frontEditor())
            editor->selectAll();
    }
    bool shouldPasteWithSender(QObject*) override
    {
        QMWebEditor* editor = frontEditor();
        return !editor || editor->shouldPasteWithSender();
    }

private:
    static QMWebEditor* frontEditor()
    {
        QMBDocument* document = QMBDocumentController::sharedDocumentController().currentDocument();
        return document ? document->webEditor() : nullptr;
    }
};

// The document commands that the page's internal addresses may name, by their selector: those
// that take the document (as sender) and the one that takes the address's "parameter".
using PageCommand = std::function<void(QMBDocument&, const QVariant&)>;

const QHash<QString, PageCommand>& pageCommands()
{
    static const QHash<QString, PageCommand> commands = {
        {QStringLiteral("webviewAddSubtitleAction:"),
         [](QMBDocument& d, const QVariant&) { d.webviewAddSubtitleAction(); }},
        {QStringLiteral("webviewRemoveSubtitleAction:"),
         [](QMBDocument& d, const QVariant&) { d.webviewRemoveSubtitleAction(); }},
        {QStringLiteral("webviewInsertLinkAction:"),
         [](QMBDocument& d, const QVariant&) { d.webviewInsertLinkAction(); }},
        {QStringLiteral("setCurrentItemHandlingTime:"),
         [](QMBDocument& d, const QVariant& argument) {
             // Without a "parameter" the argument is the document, which is no number of days.
             if (argument.typeId() == QMetaType::QString)
                 d.setCurrentItemHandlingTime(argument.toString());
         }},
        {QStringLiteral("removePrefilledProduct"), [](QMBDocument& d, const QVariant&) { d.removePrefilledProduct(); }},
        {QStringLiteral("reloadAuctionPreview:"), [](QMBDocument& d, const QVariant&) { d.reloadAuctionPreview(); }},
        {QStringLiteral("choosePrimaryCategory:"), [](QMBDocument& d, const QVariant&) { d.choosePrimaryCategory(); }},
        {QStringLiteral("chooseSecondaryCategory:"),
         [](QMBDocument& d, const QVariant&) { d.chooseSecondaryCategory(); }},
        {QStringLiteral("showShippingOptionsPanel:"),
         [](QMBDocument& d, const QVariant&) { d.showShippingOptionsPanel(); }},
        {QStringLiteral("editReturnPoliciesAction:"),
         [](QMBDocument& d, const QVariant&) { d.editReturnPoliciesAction(); }},
        {QStringLiteral("editItemAttributes:"), [](QMBDocument& d, const QVariant&) { d.editItemAttributes(); }},
        {QStringLiteral("addImage:"), [](QMBDocument& d, const QVariant&) { d.addImage(); }},
    };
    return commands;
}

} // namespace

QMBDocumentPreview* QMBDocument::preview()
{
    if (!m_preview)
        m_preview = new QMBDocumentPreview(this);
    return m_preview;
}

void QMBDocument::setupWebView()
{
    preview()->setUp();
    enableWebEditing(true);
    updateAuctionWebViewForItem(m_item);
}

QMPreviewWebView* QMBDocument::auctionWebView() const
{
    return m_preview ? m_preview->webView() : nullptr;
}

QMWebEditor* QMBDocument::webEditor() const
{
    return m_preview ? m_preview->editor() : nullptr;
}

QMWebViewFormatController* QMBDocument::webviewFormatController() const
{
    return m_preview && m_preview->toolbar() ? m_preview->toolbar()->controller() : nullptr;
}

QMBWebViewScriptObject* QMBDocument::webviewScriptObject() const
{
    return m_preview ? m_preview->scriptObject() : nullptr;
}

void QMBDocument::enableWebEditing(bool enable)
{
    if (QMWebEditor* editor = webEditor())
        editor->enableWebEditing(enable, m_item);
}

QString QMBDocument::selectedDescriptionString() const
{
    return m_preview ? m_preview->selectedText() : QString();
}

void QMBDocument::replaceDescriptionSelectionWithMarkup(const QString& markup)
{
    if (QMWebEditor* editor = webEditor())
        editor->replaceSelectionWithMarkup(markup);
}

std::shared_ptr<QMEbayImage> QMBDocument::ebayImageForPreviewAddress(const QString& address) const
{
    return m_preview ? m_preview->pictureForPageAddress(address) : nullptr;
}

void QMBDocument::handleInternalURL(const QUrl& url)
{
    const QString word = url.path().section(u'/', -1);
    if (word.startsWith(QStringLiteral("setCurrentItemConditionTo"))) {
        const qsizetype separator = word.indexOf(u'_');
        if (separator < 0)
            return;
        m_item->setConditionID(word.mid(separator + 1).toInt());
        return;
    }
    QString selector = word;
    QVariant argument = QVariant::fromValue(static_cast<QObject*>(this));
    if (word.contains(u'_')) {
        selector.replace(u'_', u':');
        const QVariantMap query = dw::parsedQuery(url);
        if (query.contains(QStringLiteral("parameter")))
            argument = query.value(QStringLiteral("parameter"));
    }
    const auto command = pageCommands().constFind(selector);
    if (command == pageCommands().constEnd()) {
        dw::consoleWrite(dw::format("could not perform selector from preview: %@", url.toString()));
        QApplication::beep();
        return;
    }
    (*command)(*this, argument);
}

void QMBDocument::setCurrentItemHandlingTime(const QString& days)
{
    bool ok = false;
    const int value = days.toInt(&ok);
    if (!ok || value <= 0)
        return;
    m_item->setUseDispatchTimeMax(true);
    m_item->setDispatchTimeMax(value);
}

void QMBDocument::removePrefilledProduct()
{
    m_item->setProductID(QString());
    updateAuctionWebViewForItem(m_item);
}

// QMBDocumentPreview: the views and the web view's delegate

QMBDocumentPreview::QMBDocumentPreview(QMBDocument* document)
    : QObject(document), m_document(document), m_scriptObject(new QMBWebViewScriptObject(document))
{}

QMBDocumentPreview::~QMBDocumentPreview() = default;

bool QMBDocumentPreview::canShowWebPages()
{
    return QGuiApplication::platformName() != QLatin1String("offscreen");
}

void QMBDocumentPreview::setUp()
{
    if (m_webView || !canShowWebPages())
        return;
    QMBDocumentArea* area = m_document->auctionWebviewContainer();
    m_webView = new QMPreviewWebView(area);
    m_webView->setObjectName(QStringLiteral("auctionWebView"));
    m_webView->setDelegate(this);
    m_webView->registerChannelObject(QStringLiteral("QuillmartScriptObject"), m_scriptObject);
    area->setContentView(m_webView);

    m_editor = new QMWebEditor(m_webView, this, this);
    m_toolbar = new QMWebViewFormatToolbar(m_document->webviewFormatToolbarView());
    m_toolbar->controller()->setWebview(m_webView);
    m_toolbar->controller()->setDelegate(m_editor);
    m_document->webviewFormatToolbarView()->setContentView(m_toolbar);

    m_progressDelay = new QTimer(this);
    m_progressDelay->setSingleShot(true);
    // Most pages are there at once; the overlay is for the slow ones only, so that a quick reload
    // does not flash it.
    m_progressDelay->setInterval(300);
    connect(m_progressDelay, &QTimer::timeout, this, &QMBDocumentPreview::showProgressSoon);
    connect(m_webView, &QMPreviewWebView::previewLoadStarted, m_progressDelay, qOverload<>(&QTimer::start));
    connect(m_webView, &QMPreviewWebView::previewLoadFinished, this, &QMBDocumentPreview::hideProgress);

    static bool routeInstalled = false;
    if (!routeInstalled) {
        QMBApplication::setDescriptionEditorRoute(std::make_shared<PreviewEditorRoute>());
        routeInstalled = true;
    }
}

void QMBDocumentPreview::showProgressSoon()
{
    if (!m_webView)
        return;
    if (!m_progress) {
        m_progress = new QMProgressView(m_webView->parentWidget());
        m_progress->setObjectName(QStringLiteral("auctionWebViewProgress"));
    }
    m_progress->setGeometry(m_webView->geometry());
    m_progress->setMessage(dw::localized("Generating Preview..."));
    m_progress->show();
    m_progress->raise();
    m_progress->startProgressAnimation();
}

void QMBDocumentPreview::hideProgress()
{
    if (m_progressDelay)
        m_progressDelay->stop();
    if (m_progress) {
        m_progress->stopProgressAnimation();
        m_progress->hide();
    }
}

std::shared_ptr<QMEbayImage> QMBDocumentPreview::pictureForPageAddress(const QString& address) const
{
    return m_generator ? m_generator->pictureForPageAddress(address) : nullptr;
}

QString QMBDocumentPreview::selectedText() const
{
    return m_editor ? m_editor->selectionState().value(QStringLiteral("selectedText")).toString() : QString();
}

void QMBDocumentPreview::previewWebViewHandleInternalURL(QMPreviewWebView*, const QUrl& url)
{
    m_document->handleInternalURL(url);
}

void QMBDocumentPreview::previewWebViewDidDropURLs(QMPreviewWebView*, const QList<QUrl>& urls, const QString& target)
{
    // The drop-zone marker as the target appends.
    const QString targetAddress = target.contains(QStringLiteral("image_dropzone_marker"))
                                      ? QString()
                                      : m_scriptObject->documentAddressForPageAddress(target);
    for (const QUrl& url : urls) {
        const QString address = url.toString();
        if (address.isEmpty() || address.contains(QStringLiteral("image_dropzone_marker")) ||
            address.contains(QStringLiteral("inventoryImage=YES")))
            continue;
        // A picture of the page dragged onto another is the listing's own picture; a file dropped
        // from the desktop is the seller's choice.
        const auto picture = pictureForPageAddress(address);
        const QString documentAddress = picture ? m_scriptObject->documentAddressForPageAddress(address) : address;
        if (!documentAddress.isEmpty())
            m_document->addAndBackupImageImageURL(documentAddress, targetAddress);
    }
}

void QMBDocumentPreview::previewWebViewWillShowContextMenu(QMPreviewWebView*, QMenu* menu,
                                                           const QMPreviewPointInfo& info)
{
    const auto item = m_document->item();
    QList<QAction*> leading;
    auto action = [this, menu](const char* title, std::function<void()> run) {
        auto* entry = new QAction(dw::localized(title), menu);
        connect(entry, &QAction::triggered, m_document, std::move(run));
        return entry;
    };
    auto separator = [menu] {
        auto* entry = new QAction(menu);
        entry->setSeparator(true);
        return entry;
    };

    if (!item->hasSubTitle())
        leading << action("Add Subtitle", [this] { m_document->webviewAddSubtitleAction(); });
    const bool linkable = !item->itemDescriptionAsString().isEmpty() && info.inDescription;
    if (linkable)
        leading << action("Insert Link", [this] { m_document->webviewInsertLinkAction(); }) << separator();
    else if (!leading.isEmpty())
        leading << separator();

    if (info.isImage) {
        if (const auto picture = pictureForPageAddress(info.source)) {
            m_document->settingsPaneController()->setSelectedImages({picture});
            QAction* remove =
                action("Remove Image", [this, picture] { m_document->deleteImageFromRepresendetObject(picture); });
            QAction* gallery = action("Mark as Gallery Image", [this] { m_document->makeGalleryImage(); });
            gallery->setCheckable(true);
            gallery->setChecked(picture->isGalleryImage());
            QAction* clockwise = action("Rotate Clockwise", [this] { m_document->rotateImages(0); });
            clockwise->setProperty("tag", 0);
            QAction* counter = action("Rotate Counter Clockwise", [this] { m_document->rotateImages(1); });
            counter->setProperty("tag", 1);
            leading = QList<QAction*>{remove, gallery, separator(), clockwise, counter, separator()} + leading;
        }
    }
    QAction* first = menu->actions().isEmpty() ? nullptr : menu->actions().first();
    menu->insertActions(first, leading);

    const auto design =
        item->useDesignTemplate()
            ? QMDesignTemplateManager::sharedInstance().designTemplateWithIdentifier(item->designTemplateIdentifier())
            : nullptr;
    if (design && !design->layoutNames().isEmpty()) {
        menu->addSeparator();
        QMenu* layouts = menu->addMenu(dw::localized("Layout"));
        for (const QString& name : design->layoutNames()) {
            QAction* entry = layouts->addAction(name, m_document,
                                                [this, name] { m_document->layoutNameChangedInThumbnailView(name); });
            entry->setCheckable(true);
            entry->setChecked(item->designLayoutName() == name);
        }
    }
}
