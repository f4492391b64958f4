#pragma once
// The format toolbar's commands on the description being edited in the preview: bold, italic,
// underline, strike-through, text colour, font, size, line height, lists, list indentation,
// alignment and removal of formatting. The commands run in the page (its editing script), on the
// page's selection, and only inside the description.
//
// The controller also keeps flags saying what the selection looks like (bold, in a list, centred,
// ...) for the toolbar's toggle buttons, from the state the page reports at each selection
// change; flagsChanged() tells the toolbar. Its delegate (the web editor) decides whether the
// selection may be formatted at all.
//
//     auto* controller = new QMWebViewFormatController(toolbar);
//     controller->setWebview(view);
//     controller->setDelegate(editor);
//     controller->boldAction();
//
// Main thread.

#include "description/widgets/QMHoverIconButton.h"
#include "description/widgets/QMPreviewWebView.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>
#include <optional>

class QColorDialog;
class QMenu;
class QMWebViewFormatController;

class QMWebViewFormatControllerDelegate
{
public:
    virtual ~QMWebViewFormatControllerDelegate() = default;
    // Whether formatting may act on the selection described by the page's state.
    virtual bool formatControllerCanApplyFormatToSelection(QMWebViewFormatController* controller,
                                                           const QVariantMap& state) = 0;
    // The family list a chosen font becomes; nullopt when the user cancels.
    virtual std::optional<QString> formatControllerFontFaceForFamily(QMWebViewFormatController* controller,
                                                                     const QString& family) = 0;
};

class QMWebViewFormatController : public QObject, public QMHoverIconButtonDelegate
{
    Q_OBJECT

public:
    static const QStringList& fontNames();
    static const QStringList& fontSizes();
    static const QStringList& lineHeights();
    // The tags of the menu buttons.
    enum MenuTag { FontMenuTag = 1, FontSizeMenuTag = 2, LineHeightMenuTag = 3 };

    explicit QMWebViewFormatController(QObject* parent = nullptr);
    ~QMWebViewFormatController() override;

    QMPreviewWebView* webview() const { return m_webview; }
    void setWebview(QMPreviewWebView* webview);
    QMWebViewFormatControllerDelegate* delegate() const { return m_delegate; }
    void setDelegate(QMWebViewFormatControllerDelegate* delegate) { m_delegate = delegate; }

    const QString& lastFormatAction() const { return m_lastFormatAction; }
    const QString& lastSelectedFont() const { return m_lastSelectedFont; }
    const QString& lastSelectedFontSize() const { return m_lastSelectedFontSize; }

    bool selectionHasBold() const { return m_selectionHasBold; }
    bool selectionHasItalic() const { return m_selectionHasItalic; }
    bool selectionHasUnderline() const { return m_selectionHasUnderline; }
    bool selectionHasStrikethrough() const { return m_selectionHasStrikethrough; }
    bool selectionIsWithinBulletList() const { return m_selectionIsWithinBulletList; }
    bool selectionIsWithinOrderedList() const { return m_selectionIsWithinOrderedList; }
    bool selectionHasLeftAlign() const { return m_selectionHasLeftAlign; }
    bool selectionHasCenterAlign() const { return m_selectionHasCenterAlign; }
    bool selectionHasRightAlign() const { return m_selectionHasRightAlign; }
    bool currentSelectionAllowsEditing() const { return m_currentSelectionAllowsEditing; }

    // Commands.
    void boldAction();
    void italicAction();
    void underlineAction();
    void strikethroughAction();
    void showColorPanel();
    void applyColor(const QColor& color);
    void fontMenuAction(const QString& family);
    void fontSizeMenuAction(const QString& size);
    void lineHeightMenuAction(const QString& lineHeight);
    void toggleBulletList();
    void toggleOrderedList();
    void increaseListElementIndention();
    void decreaseListElementIndention();
    void removeFormatting();
    void alignLeft();
    void alignCenter();
    void alignRight();

    // The menus, with the entry of the selection's current value checked.
    QMenu* menuForButton(QMHoverIconButton* button) override;
    QMenu* fontMenu();
    QMenu* fontSizeMenu();
    QMenu* lineHeightMenu();

    // The flags from the page's report of the selection.
    void updateButtonBindings(const QVariantMap& state);
    const QVariantMap& selectionState() const { return m_state; }

Q_SIGNALS:
    void flagsChanged();

private:
    void apply(const QString& command, const QVariant& argument = QVariant());
    void fontCommand(const QString& action, const QString& command);

    QPointer<QMPreviewWebView> m_webview;
    QMWebViewFormatControllerDelegate* m_delegate = nullptr;
    QPointer<QColorDialog> m_colorPanel;
    QString m_lastFormatAction;
    QString m_lastSelectedFont;
    QString m_lastSelectedFontSize;
    QVariantMap m_state;
    bool m_selectionHasBold = false;
    bool m_selectionHasItalic = false;
    bool m_selectionHasUnderline = false;
    bool m_selectionHasStrikethrough = false;
    bool m_selectionIsWithinBulletList = false;
    bool m_selectionIsWithinOrderedList = false;
    bool m_selectionHasLeftAlign = false;
    bool m_selectionHasCenterAlign = false;
    bool m_selectionHasRightAlign = false;
    bool m_currentSelectionAllowsEditing = false;
};
