#include "description/widgets/QMWebEditor.h"

#include "description/QMAttributedStringToHTMLConverter.h"
#include "description/QMDescriptionHTMLSanitizer.h"
#include "description/widgets/QMPreviewWebView.h"

#include "DWKit/QMLog.h"
#include "DWKit/gui/QMUndoManager.h"

#include "model/QMEbayItem.h"

#include "platform/core/AlertPresenter.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Localization.h"
#include "platform/text/RtfCodec.h"
#include "platform/text/StyledText.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

const QString QMWebEditor::kDescriptionIdentifier = QStringLiteral("qm_htmlediting_description_identifier");

namespace {

const QString kTitlePrefix = QStringLiteral("qm_htmlediting_title_");
const QString kSubtitlePrefix = QStringLiteral("qm_htmlediting_subtitle_");

bool isHeaderField(const QString& identifier)
{
    return identifier == QStringLiteral("qm_htmlediting_title_preview") ||
           identifier == QStringLiteral("qm_htmlediting_subtitle_preview");
}

// Title and subtitle hold one line of plain text however it arrived.
QString singleLine(const QString& text)
{
    QString line = text;
    for (QChar& c : line) {
        if (c == u'\n' || c == u'\r' || c == u'\t')
            c = u' ';
    }
    return line;
}

} // namespace

QMWebEditor::QMWebEditor(QMPreviewWebView* webView, QMWebEditorDelegate* delegate, QObject* parent)
    : QObject(parent), m_webView(webView), m_delegate(delegate)
{
    DW_ASSERT(webView != nullptr, "Invalid parameter not satisfying: webView");
    connect(webView, &QMPreviewWebView::previewLoadStarted, this, [this] {
        m_isReloading = true;
        m_currentNodeID.clear();
        m_currentNodeIsFormNode = false;
        m_editableElementIdentifiers.clear();
        m_selectionState.clear();
    });
    connect(webView, &QMPreviewWebView::pageConnected, this, &QMWebEditor::pageConnected);
    connect(webView, &QMPreviewWebView::fieldDidChange, this, &QMWebEditor::fieldDidChange);
    connect(webView, &QMPreviewWebView::descriptionDidChange, this, &QMWebEditor::descriptionDidChange);
    connect(webView, &QMPreviewWebView::descriptionEditingRequested, this, &QMWebEditor::descriptionEditingRequested);
    connect(webView, &QMPreviewWebView::currentElementDidChange, this, &QMWebEditor::currentElementDidChange);
    connect(webView, &QMPreviewWebView::selectionDidChange, this,
            [this](const QVariantMap& state) { m_selectionState = state; });
    connect(webView, &QMPreviewWebView::inputRefused, this, [] { QApplication::beep(); });
    webView->setEditingShortcutHandler([guard = QPointer<QMWebEditor>(this)](QKeySequence::StandardKey key) {
        return guard && guard->handleEditingShortcut(key);
    });
}

QMWebEditor::~QMWebEditor()
{
    if (m_webView)
        m_webView->setEditingShortcutHandler({});
}

const QStringList& QMWebEditor::secondaryEditableElementIdentifiers()
{
    static const QStringList identifiers = {
        QStringLiteral("qm_htmlediting_title_design"), QStringLiteral("qm_htmlediting_title_preview"),
        QStringLiteral("qm_htmlediting_subtitle_design"), QStringLiteral("qm_htmlediting_subtitle_preview")};
    return identifiers;
}

QString QMWebEditor::linkedIdentifierForElementIdentifier(const QString& identifier)
{
    if (identifier.endsWith(QStringLiteral("_design")))
        return identifier.chopped(7) + QStringLiteral("_preview");
    if (identifier.endsWith(QStringLiteral("_preview")))
        return identifier.chopped(8) + QStringLiteral("_design");
    DW_ASSERT(false, "linkedIdentifierForElementIdentifier for unknown node identifier");
    return QString();
}

bool QMWebEditor::hasEditableElementWithIdentifier(const QString& identifier) const
{
    return m_editableElementIdentifiers.contains(identifier);
}

bool QMWebEditor::isNodeInDescription(const QMPreviewPointInfo& info) const
{
    return info.inDescription;
}

bool QMWebEditor::selectionIsInDescriptionArea() const
{
    return m_selectionState.value(QStringLiteral("inDescription")).toBool();
}

void QMWebEditor::enableWebEditing(bool enable, const std::shared_ptr<QMEbayItem>& item)
{
    if (item != m_item)
        m_itemDescriptionCheckDone = false;
    m_item = item;
    m_itemDescriptionCheckDone = false;
    m_currentNodeIsFormNode = false;
    m_enabled = enable;
    m_currentNodeID.clear();
    m_editableElementIdentifiers.clear();
    if (m_webView && m_webView->isPageConnected()) {
        configurePage();
        parsePreviewForEditableNodes();
    }
}

void QMWebEditor::configurePage()
{
    if (!m_webView)
        return;
    const std::optional<qsizetype> maximum =
        m_delegate && m_item ? m_delegate->maxTitleLengthForEditor(this) : std::nullopt;
    const QVariantMap settings{
        {QStringLiteral("enabled"), m_enabled},
        {QStringLiteral("hasListing"), m_item != nullptr},
        {QStringLiteral("maxLength"), maximum ? qlonglong(*maximum) : 0},
        {QStringLiteral("askBeforeDescriptionEdit"), m_delegate != nullptr},
        {QStringLiteral("descriptionCheckDone"), m_itemDescriptionCheckDone},
        {QStringLiteral("convertDescription"), m_item && m_item->convertDescriptionToHTML()},
        {QStringLiteral("titlePlaceholder"), dw::localized("Title")},
    };
    m_webView->runScript(QMPreviewWebView::scriptCall(QStringLiteral("qmEditor.configure"), {settings}));
}

void QMWebEditor::pageConnected(const QStringList& identifiers)
{
    m_isReloading = false;
    m_editableElementIdentifiers = identifiers;
    configurePage();
}

void QMWebEditor::parsePreviewForEditableNodes()
{
    m_currentNodeID.clear();
    if (!m_webView)
        return;
    m_webView->runScript(QStringLiteral("qmEditor.parse();"),
                         [this](const QVariant& found) { m_editableElementIdentifiers = found.toStringList(); });
}

void QMWebEditor::currentElementDidChange(const QString& identifier)
{
    m_currentNodeID = identifier;
    if (!isHeaderField(identifier))
        m_currentNodeIsFormNode = false;
}

void QMWebEditor::formNodeWithIDGotFocus(const QString& identifier)
{
    if (!isHeaderField(identifier))
        return;
    m_currentNodeIsFormNode = true;
    m_currentNodeID = identifier;
}

void QMWebEditor::formNodeWithIDLostFocus(const QString& identifier)
{
    if (!isHeaderField(identifier))
        return;
    m_currentNodeIsFormNode = false;
    m_currentNodeID.clear();
}

void QMWebEditor::formContentDidChangeTo(const QString& text, const QString& identifier)
{
    if (!isHeaderField(identifier) || !m_item || !m_enabled)
        return;
    // The page keeps the design's copy in step itself; the listing gets the text.
    const QString line = singleLine(text);
    if (identifier.startsWith(kTitlePrefix)) {
        m_item->setTitle(line);
        Q_EMIT itemChangedFromPage(QStringLiteral("title"));
    } else {
        m_item->setSubTitle(line);
        Q_EMIT itemChangedFromPage(QStringLiteral("subTitle"));
    }
    if (m_delegate)
        m_delegate->editorTitleDidChangeForItem(this, *m_item);
}

void QMWebEditor::fieldDidChange(const QString& identifier, const QVariant& text)
{
    if (!m_item) {
        QMLogError("QMWebEditor: webViewDidChange called without item to edit in place");
        return;
    }
    if (!m_enabled || !secondaryEditableElementIdentifiers().contains(identifier))
        return;
    const QString line = text.isNull() ? QString() : singleLine(text.toString());
    if (identifier.startsWith(kTitlePrefix)) {
        m_item->setTitle(line);
        Q_EMIT itemChangedFromPage(QStringLiteral("title"));
        if (m_delegate)
            m_delegate->editorTitleDidChangeForItem(this, *m_item);
    } else if (identifier.startsWith(kSubtitlePrefix)) {
        m_item->setSubTitle(line);
        Q_EMIT itemChangedFromPage(QStringLiteral("subTitle"));
    }
}

void QMWebEditor::descriptionDidChange(const QString& html)
{
    if (!m_item) {
        QMLogError("QMWebEditor: webViewDidChange called without item to edit in place");
        return;
    }
    if (!m_enabled)
        return;
    if (m_item->convertDescriptionToHTML()) {
        QMLog("QMWebEditor: description not chnaged because convertDescriptionToHTML flag is set");
        return;
    }
    if (!validateDescriptionEditing())
        return;
    // Whatever the page sent, nothing that runs enters the listing.
    const QString stored = QMDescriptionHTMLSanitizer::sanitizedHTML(html);
    m_item->setItemDescriptionString(dw::StyledText(stored));
    if (ShouldLog(1))
        QMLog("item description is now %@ characters long", QString::number(stored.size()));
    Q_EMIT itemChangedFromPage(QStringLiteral("itemDescriptionString"));
}

bool QMWebEditor::validateDescriptionEditing()
{
    if (m_itemDescriptionCheckDone || !m_item || !m_delegate)
        return true;
    m_itemDescriptionCheckDone = true;
    const std::optional<bool> allowed = m_delegate->editorShouldChangeDescriptionForItem(this, *m_item);
    if (!allowed || *allowed)
        return true;
    m_currentNodeID.clear();
    m_itemDescriptionCheckDone = false;
    return false;
}

void QMWebEditor::descriptionEditingRequested()
{
    const bool allowed = validateDescriptionEditing();
    if (!m_webView)
        return;
    m_webView->runScript(QMPreviewWebView::scriptCall(QStringLiteral("qmEditor.setDescriptionEditingAllowed"),
                                                      {allowed, m_item && m_item->convertDescriptionToHTML()}));
}

void QMWebEditor::selectAll()
{
    if (m_currentNodeID.isEmpty() || !m_webView)
        return;
    m_webView->runScript(QStringLiteral("qmEditor.selectAll();"));
}

QString QMWebEditor::descriptionMarkupForPaste(const QMimeData* mime)
{
    if (!mime)
        return QString();
    // Markup first (a browser's, an office program's), then rich text, then plain text; pictures
    // never come along (a picture enters a listing as one of its own pictures).
    QString html;
    if (mime->hasHtml()) {
        html = mime->html();
    } else {
        for (const QString& type : {QStringLiteral("text/rtf"), QStringLiteral("application/rtf")}) {
            if (!mime->hasFormat(type))
                continue;
            if (const std::optional<dw::StyledText> styled = dw::rtf::read(mime->data(type)))
                html = QMAttributedStringToHTMLConverter::convert(*styled);
            break;
        }
        if (html.isEmpty() && mime->hasText())
            html = QMAttributedStringToHTMLConverter::htmlStringForPlainText(mime->text());
    }
    return QMDescriptionHTMLSanitizer::sanitizedHTML(html, QMDescriptionHTMLSanitizer::Pictures::Drop);
}

bool QMWebEditor::shouldPasteWithSender()
{
    if (m_currentNodeID.isEmpty())
        return true;
    if (m_currentNodeID == kDescriptionIdentifier) {
        // The web engine would paste plain text or markup as it stands: the editor pastes the
        // clipboard's formatting itself, through the sanitizer.
        const QString html = descriptionMarkupForPaste(QApplication::clipboard()->mimeData());
        reducePasteboardContent();
        if (m_webView && !html.isEmpty())
            m_webView->runScript(QMPreviewWebView::scriptCall(QStringLiteral("qmEditor.pasteHTML"), {html}));
        return false;
    }
    reducePasteboardContent();
    if (secondaryEditableElementIdentifiers().contains(m_currentNodeID)) {
        const QString text = QApplication::clipboard()->text();
        if (m_webView && !text.isEmpty())
            m_webView->runScript(QMPreviewWebView::scriptCall(QStringLiteral("qmEditor.insertPlainText"), {text}));
        return false;
    }
    return true;
}

void QMWebEditor::reducePasteboardContent()
{
    QClipboard* clipboard = QApplication::clipboard();
    const QMimeData* current = clipboard->mimeData();
    if (!current)
        return;
    const QString text = current->text();
    QByteArray rtf;
    for (const QString& type : {QStringLiteral("text/rtf"), QStringLiteral("application/rtf")}) {
        if (current->hasFormat(type)) {
            rtf = current->data(type);
            break;
        }
    }
    auto* reduced = new QMimeData;
    if (!text.isNull())
        reduced->setText(text);
    if (!rtf.isNull())
        reduced->setData(QStringLiteral("text/rtf"), rtf);
    clipboard->setMimeData(reduced);
}

bool QMWebEditor::handleEditingShortcut(QKeySequence::StandardKey key)
{
    if (key == QKeySequence::SelectAll) {
        // The preview has no select-all of its own: the whole page is never selected.
        selectAll();
        return true;
    }
    if (key == QKeySequence::Paste)
        return !shouldPasteWithSender();
    return false;
}

std::optional<QString> QMWebEditor::checkFontFamily(const QString& family)
{
    const QString faces = QMAttributedStringToHTMLConverter::htmlFaceStringForFontFamilyWithName(family);
    if (!faces.isEmpty())
        return faces;
    dw::AlertRequest alert;
    alert.messageText = dw::localized("Font Face");
    alert.informativeText = dw::localized(
        "The font face you selected is not safe to use for all web browsers. Do you really want to use it?");
    alert.buttons = {dw::localized("Apply Anyway"), dw::localized("Cancel")};
    if (dw::alertPresenter().runModal(alert).buttonIndex != 0)
        return std::nullopt;
    return family;
}

bool QMWebEditor::canApplyFormatToSelection(const QVariantMap& state) const
{
    return state.value(QStringLiteral("inDescription")).toBool();
}

bool QMWebEditor::formatControllerCanApplyFormatToSelection(QMWebViewFormatController*, const QVariantMap& state)
{
    return canApplyFormatToSelection(state);
}

std::optional<QString> QMWebEditor::formatControllerFontFaceForFamily(QMWebViewFormatController*, const QString& family)
{
    return checkFontFamily(family);
}

void QMWebEditor::selectedText(std::function<void(const QString&)> callback) const
{
    if (!m_webView)
        return;
    m_webView->runScript(QStringLiteral("qmEditor.selectedText();"),
                         [callback = std::move(callback)](const QVariant& text) { callback(text.toString()); });
}

void QMWebEditor::replaceSelectionWithMarkup(const QString& html)
{
    if (!m_webView)
        return;
    m_webView->runScript(QMPreviewWebView::scriptCall(QStringLiteral("qmEditor.insertHTML"),
                                                      {QMDescriptionHTMLSanitizer::sanitizedHTML(html)}));
}

QUndoStack* QMWebEditor::undoManagerForWebView()
{
    return QMUndoManager::sharedQMUndoManager();
}
