#include "description/widgets/QMWebViewFormatController.h"

#include "description/widgets/QMPreviewWebView.h"

#include "platform/core/Localization.h"

#include <QColorDialog>
#include <QMenu>
#include <cmath>

namespace {

// "14px" gives 14; anything else nullopt.
std::optional<double> pixels(const QVariant& value)
{
    const QString text = value.toString();
    if (!text.endsWith(QStringLiteral("px")))
        return std::nullopt;
    bool ok = false;
    const double number = text.chopped(2).toDouble(&ok);
    return ok ? std::optional<double>(number) : std::nullopt;
}

} // namespace

const QStringList& QMWebViewFormatController::fontNames()
{
    static const QStringList names = {QStringLiteral("Arial"),           QStringLiteral("Comic Sans MS"),
                                      QStringLiteral("Courier"),         QStringLiteral("Geneva"),
                                      QStringLiteral("Georgia"),         QStringLiteral("Helvetica"),
                                      QStringLiteral("Impact"),          QStringLiteral("Lucida Grande"),
                                      QStringLiteral("Times New Roman"), QStringLiteral("Verdana")};
    return names;
}

const QStringList& QMWebViewFormatController::fontSizes()
{
    static const QStringList sizes = {QStringLiteral("9"),  QStringLiteral("10"), QStringLiteral("11"),
                                      QStringLiteral("12"), QStringLiteral("14"), QStringLiteral("15"),
                                      QStringLiteral("18"), QStringLiteral("24"), QStringLiteral("36"),
                                      QStringLiteral("48"), QStringLiteral("72"), QStringLiteral("96")};
    return sizes;
}

const QStringList& QMWebViewFormatController::lineHeights()
{
    static const QStringList heights = {QStringLiteral("1.0"), QStringLiteral("1.1"), QStringLiteral("1.2"),
                                        QStringLiteral("1.3"), QStringLiteral("1.4"), QStringLiteral("1.5"),
                                        QStringLiteral("1.6"), QStringLiteral("1.7"), QStringLiteral("1.8"),
                                        QStringLiteral("1.9"), QStringLiteral("2.0")};
    return heights;
}

QMWebViewFormatController::QMWebViewFormatController(QObject* parent) : QObject(parent) {}

QMWebViewFormatController::~QMWebViewFormatController()
{
    delete m_colorPanel;
}

void QMWebViewFormatController::setWebview(QMPreviewWebView* webview)
{
    if (m_webview)
        disconnect(m_webview, nullptr, this, nullptr);
    m_webview = webview;
    if (webview)
        connect(webview, &QMPreviewWebView::selectionDidChange, this, &QMWebViewFormatController::updateButtonBindings);
}

void QMWebViewFormatController::updateButtonBindings(const QVariantMap& state)
{
    m_state = state;
    if (!state.value(QStringLiteral("editable")).toBool()) {
        m_currentSelectionAllowsEditing = false;
        Q_EMIT flagsChanged();
        return;
    }
    m_currentSelectionAllowsEditing = !m_delegate || m_delegate->formatControllerCanApplyFormatToSelection(this, state);
    if (!m_currentSelectionAllowsEditing) {
        Q_EMIT flagsChanged();
        return;
    }
    auto flag = [&state](const char* key) { return state.value(QLatin1String(key)).toBool(); };
    m_selectionHasBold = flag("bold");
    m_selectionHasItalic = flag("italic");
    m_selectionHasUnderline = flag("underline");
    m_selectionHasStrikethrough = flag("strikethrough");
    m_selectionIsWithinBulletList = flag("bulletList");
    m_selectionIsWithinOrderedList = flag("orderedList");
    m_selectionHasLeftAlign = flag("alignLeft");
    m_selectionHasCenterAlign = flag("alignCenter");
    m_selectionHasRightAlign = flag("alignRight");
    Q_EMIT flagsChanged();
}

void QMWebViewFormatController::apply(const QString& command, const QVariant& argument)
{
    if (!m_webview)
        return;
    m_webview->runScript(QMPreviewWebView::scriptCall(QStringLiteral("qmFormat.apply"), {command, argument}));
}

void QMWebViewFormatController::fontCommand(const QString& action, const QString& command)
{
    m_lastFormatAction = action;
    apply(command);
}

void QMWebViewFormatController::boldAction()
{
    fontCommand(QStringLiteral("boldAction:"), QStringLiteral("bold"));
}

void QMWebViewFormatController::italicAction()
{
    fontCommand(QStringLiteral("italicAction:"), QStringLiteral("italic"));
}

void QMWebViewFormatController::underlineAction()
{
    fontCommand(QStringLiteral("underlineAction:"), QStringLiteral("underline"));
}

void QMWebViewFormatController::strikethroughAction()
{
    fontCommand(QStringLiteral("strikethroughAction:"), QStringLiteral("strikethrough"));
}

void QMWebViewFormatController::showColorPanel()
{
    if (!m_colorPanel) {
        m_colorPanel = new QColorDialog(m_webview ? m_webview->window() : nullptr);
        m_colorPanel->setObjectName(QStringLiteral("formatColorDialog"));
        m_colorPanel->setOption(QColorDialog::NoButtons);
        m_colorPanel->setWindowTitle(dw::localized("Colors"));
        connect(m_colorPanel, &QColorDialog::currentColorChanged, this, &QMWebViewFormatController::applyColor);
    }
    m_colorPanel->show();
    m_colorPanel->raise();
    m_colorPanel->activateWindow();
}

void QMWebViewFormatController::applyColor(const QColor& color)
{
    if (color.isValid())
        apply(QStringLiteral("foreColor"), color.name());
}

void QMWebViewFormatController::fontMenuAction(const QString& family)
{
    m_lastSelectedFont = family;
    m_lastFormatAction = QStringLiteral("fontMenuAction:");
    const std::optional<QString> face =
        m_delegate ? m_delegate->formatControllerFontFaceForFamily(this, family) : std::optional<QString>(family);
    if (face)
        apply(QStringLiteral("fontName"), *face);
}

void QMWebViewFormatController::fontSizeMenuAction(const QString& size)
{
    m_lastSelectedFontSize = size;
    m_lastFormatAction = QStringLiteral("fontSizeMenuAction:");
    apply(QStringLiteral("fontSize"), QStringLiteral("%1px").arg(size.toInt()));
}

void QMWebViewFormatController::lineHeightMenuAction(const QString& lineHeight)
{
    const int percent = int(std::lround(lineHeight.toDouble() * 100));
    apply(QStringLiteral("lineHeight"), QStringLiteral("%1%").arg(percent));
}

void QMWebViewFormatController::toggleBulletList()
{
    apply(QStringLiteral("bulletList"));
}

void QMWebViewFormatController::toggleOrderedList()
{
    apply(QStringLiteral("orderedList"));
}

void QMWebViewFormatController::increaseListElementIndention()
{
    apply(QStringLiteral("indent"));
}

void QMWebViewFormatController::decreaseListElementIndention()
{
    apply(QStringLiteral("outdent"));
}

void QMWebViewFormatController::removeFormatting()
{
    apply(QStringLiteral("removeFormatting"));
}

void QMWebViewFormatController::alignLeft()
{
    apply(QStringLiteral("alignLeft"));
}

void QMWebViewFormatController::alignCenter()
{
    apply(QStringLiteral("alignCenter"));
}

void QMWebViewFormatController::alignRight()
{
    apply(QStringLiteral("alignRight"));
}

QMenu* QMWebViewFormatController::menuForButton(QMHoverIconButton* button)
{
    switch (button->tag()) {
    case FontMenuTag:
        return fontMenu();
    case FontSizeMenuTag:
        return fontSizeMenu();
    case LineHeightMenuTag:
        return lineHeightMenu();
    default:
        return nullptr;
    }
}

QMenu* QMWebViewFormatController::fontMenu()
{
    auto* menu = new QMenu;
    menu->setObjectName(QStringLiteral("fontMenu"));
    const QString family = m_state.value(QStringLiteral("fontFamily")).toString();
    bool checked = false;
    for (const QString& name : fontNames()) {
        QAction* action = menu->addAction(name, this, [this, name] { fontMenuAction(name); });
        if (!checked && family.contains(name)) {
            action->setCheckable(true);
            action->setChecked(true);
            checked = true;
        }
    }
    return menu;
}

QMenu* QMWebViewFormatController::fontSizeMenu()
{
    auto* menu = new QMenu;
    menu->setObjectName(QStringLiteral("fontSizeMenu"));
    const std::optional<double> current = pixels(m_state.value(QStringLiteral("fontSize")));
    for (const QString& size : fontSizes()) {
        QAction* action = menu->addAction(size, this, [this, size] { fontSizeMenuAction(size); });
        if (current && QString::number(*current) == size) {
            action->setCheckable(true);
            action->setChecked(true);
        }
    }
    return menu;
}

QMenu* QMWebViewFormatController::lineHeightMenu()
{
    auto* menu = new QMenu;
    menu->setObjectName(QStringLiteral("lineHeightMenu"));
    const std::optional<double> fontSize = pixels(m_state.value(QStringLiteral("fontSize")));
    const std::optional<double> lineHeight = pixels(m_state.value(QStringLiteral("lineHeight")));
    const QString current =
        fontSize && lineHeight && *fontSize > 0 ? QString::number(*lineHeight / *fontSize, 'f', 1) : QString();
    for (const QString& height : lineHeights()) {
        QAction* action = menu->addAction(height, this, [this, height] { lineHeightMenuAction(height); });
        if (height == current) {
            action->setCheckable(true);
            action->setChecked(true);
        }
    }
    return menu;
}
