// The document as the delegate of the preview's HTML editor.
#include "shell/QMBDocument.h"

#include "shell/QMBDocumentPreview.h"

#include "DWKit/QMAlertPanels.h"
#include "DWKit/gui/QMUndoManager.h"

#include "model/QMEbayItem.h"

#include "platform/core/Localization.h"
#include "platform/text/StyledText.h"

#include <QUndoCommand>
#include <QUndoStack>

namespace {

// "Convert Description to HTML" as one step of the shared undo history: the description and its
// conversion flag go back together.
class ConvertDescriptionCommand final : public QUndoCommand
{
public:
    ConvertDescriptionCommand(const std::shared_ptr<QMEbayItem>& item, const dw::StyledText& html)
        : QUndoCommand(dw::localized("Convert Description to HTML")), m_item(item),
          m_old(item->itemDescriptionString()), m_oldFlag(item->convertDescriptionToHTML()), m_new(html)
    {}
    void redo() override { apply(m_new, false); }
    void undo() override { apply(m_old, m_oldFlag); }

private:
    void apply(const dw::StyledText& text, bool flag)
    {
        const auto item = m_item.lock();
        if (!item)
            return;
        item->setItemDescriptionString(text);
        item->setConvertDescriptionToHTML(flag);
    }

    std::weak_ptr<QMEbayItem> m_item;
    dw::StyledText m_old;
    bool m_oldFlag;
    dw::StyledText m_new;
};

} // namespace

void QMBDocumentPreview::editorTitleDidChangeForItem(QMWebEditor*, QMEbayItem&) {}

std::optional<qsizetype> QMBDocumentPreview::maxTitleLengthForEditor(QMWebEditor*)
{
    return kMaxTitleLength;
}

std::optional<bool> QMBDocumentPreview::editorShouldChangeDescriptionForItem(QMWebEditor*, QMEbayItem& listing)
{
    const auto item = m_document->item();
    if (item.get() != &listing)
        return false;
    if (item->convertDescriptionToHTML()) {
        if (QMRunAlertPanelWithSuppressionPreferencesKey(
                dw::localized("Enable Editing in Preview Mode?"),
                dw::localized("Quillmart allows you to edit your item's description directly in Preview Mode. In order "
                              "to do so, your description's text formatting has to be converted into HTML code. Do you "
                              "want to convert your text formatting to HTML and allow editing in Preview Mode?"),
                dw::localized("Allow"), dw::localized("Cancel"), QString(),
                QStringLiteral("HideWebEditingConvertDescriptionWarning")) != 1)
            return false;
        // The description becomes its HTML, as the page shows it, in the same step as the flag:
        // turning the flag off alone would leave the styled text to be shown as plain text, its
        // formatting gone, on the next reload.
        m_convertingDescription = true;
        QMWebEditor::undoManagerForWebView()->push(
            new ConvertDescriptionCommand(item, dw::StyledText(item->itemDescriptionAsHTMLString())));
        m_convertingDescription = false;
    }
    const QString text = item->itemDescriptionAsString();
    if (text.isEmpty() || !text.contains(QStringLiteral("[[")))
        return true;
    return QMRunAlertPanelWithSuppressionPreferencesKey(
               dw::localized("Placeholder in Description"),
               dw::localized("You are about to enable editing in Preview mode. Doing so will cause all placeholders "
                             "to be replaced immediately by their text representations. Do you want to continue and "
                             "enable Preview editing?"),
               dw::localized("Enable"), dw::localized("Cancel"), QString(),
               QStringLiteral("HideWebEditingPlaceholderInDescriptionWarning")) == 1;
}
