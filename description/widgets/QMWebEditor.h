#pragma once
// Editing the listing's title, subtitle and description in place, inside the preview.
//
// The page carries the editable places as elements with fixed ids: the description, and the
// title and subtitle twice each, once in the design ("_design") and once as fields of the page's
// header ("_preview"). The page's editing script decides, keystroke by keystroke, what may be
// typed where (it has the document; this side has not): it ends title editing on Return, refuses
// tabs and over-long titles, keeps the two copies of a title in step and pastes plain text only.
// This side configures that script, stores every change the page reports into the listing, asks
// the delegate before the description is first changed, and carries paste and select-all aimed
// at the page to the right place.
//
// The editor never stores markup that could run: the description passes
// QMDescriptionHTMLSanitizer before the listing gets it, whatever the page sent.
//
//     auto* editor = new QMWebEditor(view, document);
//     editor->enableWebEditing(true, item);
//
// Main thread; the editor lives as long as its document and must not outlive its view.

#include "description/widgets/QMPreviewWebView.h"
#include "description/widgets/QMWebViewFormatController.h"

#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>

class QMEbayItem;
class QMWebEditor;
class QMimeData;
class QUndoStack;

class QMWebEditorDelegate
{
public:
    virtual ~QMWebEditorDelegate() = default;
    // After the title (or, from a header field, the subtitle) changed.
    virtual void editorTitleDidChangeForItem(QMWebEditor* editor, QMEbayItem& item) = 0;
    // The longest title and subtitle; nullopt for no limit.
    virtual std::optional<qsizetype> maxTitleLengthForEditor(QMWebEditor* editor) = 0;
    // Asked before the first change of a listing's description; nullopt when the delegate has no
    // question (the change is allowed).
    virtual std::optional<bool> editorShouldChangeDescriptionForItem(QMWebEditor* editor, QMEbayItem& item) = 0;
};

// The editor is also the format toolbar's delegate: formatting acts in the description only.
class QMWebEditor : public QObject, public QMWebViewFormatControllerDelegate
{
    Q_OBJECT

public:
    static const QString kDescriptionIdentifier;

    QMWebEditor(QMPreviewWebView* webView, QMWebEditorDelegate* delegate, QObject* parent = nullptr);
    ~QMWebEditor() override;

    QMPreviewWebView* webView() const { return m_webView; }
    QMWebEditorDelegate* delegate() const { return m_delegate; }
    void setDelegate(QMWebEditorDelegate* delegate) { m_delegate = delegate; }
    const std::shared_ptr<QMEbayItem>& item() const { return m_item; }

    // Editing on or off for the listing; a different listing asks the delegate again before its
    // description is changed. The current element is forgotten.
    void enableWebEditing(bool enable, const std::shared_ptr<QMEbayItem>& item);
    bool isEditingEnabled() const { return m_enabled; }

    // The page's editable places are found again (the view's page connected, or asked anew).
    void parsePreviewForEditableNodes();

    static const QStringList& secondaryEditableElementIdentifiers();
    // "_design" and "_preview" ids swapped; any other id is a programming error.
    static QString linkedIdentifierForElementIdentifier(const QString& identifier);
    // Whether the loaded page has the place (the page may leave the design's title out).
    bool hasEditableElementWithIdentifier(const QString& identifier) const;
    bool isNodeInDescription(const QMPreviewPointInfo& info) const;
    bool selectionIsInDescriptionArea() const;
    // What the page reported last of its selection (see qmFormat.state in the page's script).
    const QVariantMap& selectionState() const { return m_selectionState; }

    // The element holding the selection: empty for none.
    const QString& webviewEditingCurrentNodeID() const { return m_currentNodeID; }
    bool currentNodeIsFormNode() const { return m_currentNodeIsFormNode; }
    bool isReloading() const { return m_isReloading; }
    bool itemDescriptionCheckDone() const { return m_itemDescriptionCheckDone; }

    // From the page's script bridge, for the two fields of the page's header only.
    void formNodeWithIDGotFocus(const QString& identifier);
    void formNodeWithIDLostFocus(const QString& identifier);
    void formContentDidChangeTo(const QString& text, const QString& identifier);

    // Select-all aimed at the preview: the description's first division, or the whole title.
    void selectAll();
    // Paste aimed at the preview: true when the page may paste as usual. Pictures and markup are
    // taken off the clipboard first; into a title the editor pastes plain text itself, into the
    // description the clipboard's formatting (both false).
    bool shouldPasteWithSender();
    // What a paste into the description inserts: the clipboard's markup, else its rich text (RTF)
    // as markup, else its plain text, through the sanitizer and without pictures.
    static QString descriptionMarkupForPaste(const QMimeData* mime);
    // The clipboard keeps only its plain text and rich text (RTF).
    static void reducePasteboardContent();
    // For the view: paste and select-all typed in the page.
    bool handleEditingShortcut(QKeySequence::StandardKey key);

    // The web-safe family list for a font family; for a family without one the user is asked
    // ("Apply Anyway" keeps the family). nullopt when the user cancels.
    static std::optional<QString> checkFontFamily(const QString& family);
    // Whether formatting may act on a selection (its state as the page reports it): only when the
    // selection lies in the description.
    bool canApplyFormatToSelection(const QVariantMap& state) const;
    bool formatControllerCanApplyFormatToSelection(QMWebViewFormatController* controller,
                                                   const QVariantMap& state) override;
    std::optional<QString> formatControllerFontFaceForFamily(QMWebViewFormatController* controller,
                                                             const QString& family) override;

    // The selected text of the page and markup in place of the selection in the description.
    void selectedText(std::function<void(const QString&)> callback) const;
    void replaceSelectionWithMarkup(const QString& html);

    // The one undo history of the program.
    static QUndoStack* undoManagerForWebView();

Q_SIGNALS:
    // The listing's title, subtitle or description was changed from the page.
    void itemChangedFromPage(const QString& key);

private:
    void configurePage();
    void pageConnected(const QStringList& identifiers);
    void fieldDidChange(const QString& identifier, const QVariant& text);
    void descriptionDidChange(const QString& html);
    void descriptionEditingRequested();
    bool validateDescriptionEditing();
    void currentElementDidChange(const QString& identifier);

    QPointer<QMPreviewWebView> m_webView;
    QMWebEditorDelegate* m_delegate = nullptr;
    std::shared_ptr<QMEbayItem> m_item;
    bool m_enabled = false;
    bool m_itemDescriptionCheckDone = false;
    bool m_isReloading = false;
    bool m_currentNodeIsFormNode = false;
    QString m_currentNodeID;
    QStringList m_editableElementIdentifiers;
    QVariantMap m_selectionState;
};
