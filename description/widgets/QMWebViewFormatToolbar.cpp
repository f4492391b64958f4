#include "description/widgets/QMWebViewFormatToolbar.h"

#include "description/widgets/QMPushInHoverIconButton.h"
#include "description/widgets/QMWebViewFormatController.h"

#include "platform/core/Localization.h"

#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>

QMWebViewFormatToolbar::QMWebViewFormatToolbar(QWidget* parent)
    : QWidget(parent), m_controller(new QMWebViewFormatController(this))
{
    setObjectName(QStringLiteral("webviewFormatToolbarView"));
    setFixedHeight(kHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 3, 8, 3);
    layout->setSpacing(2);

    using Action = void (QMWebViewFormatController::*)();
    using Flag = bool (QMWebViewFormatController::*)() const;
    struct Entry
    {
        const char* name;
        const char* picture;
        const char* toolTip;
        Action action;
        Flag flag;
        int menuTag;
    };
    const QList<QList<Entry>> groups = {
        {{"bold", "format_bold", "Bold", &QMWebViewFormatController::boldAction,
          &QMWebViewFormatController::selectionHasBold, 0},
         {"italic", "format_italic", "Italic", &QMWebViewFormatController::italicAction,
          &QMWebViewFormatController::selectionHasItalic, 0},
         {"underline", "format_underline", "Underline", &QMWebViewFormatController::underlineAction,
          &QMWebViewFormatController::selectionHasUnderline, 0},
         {"strikethrough", "format_strikethrough", "Strikethrough", &QMWebViewFormatController::strikethroughAction,
          &QMWebViewFormatController::selectionHasStrikethrough, 0}},
        {{"color", "format_color", "Text Color", &QMWebViewFormatController::showColorPanel, nullptr, 0},
         {"fontMenu", "format_font", "Font", nullptr, nullptr, QMWebViewFormatController::FontMenuTag},
         {"fontSizeMenu", "format_size", "Font Size", nullptr, nullptr, QMWebViewFormatController::FontSizeMenuTag},
         {"lineHeightMenu", "format_lineheight", "Line Height", nullptr, nullptr,
          QMWebViewFormatController::LineHeightMenuTag}},
        {{"bulletList", "format_bulletlist", "Bullet List", &QMWebViewFormatController::toggleBulletList,
          &QMWebViewFormatController::selectionIsWithinBulletList, 0},
         {"orderedList", "format_orderedlist", "Ordered List", &QMWebViewFormatController::toggleOrderedList,
          &QMWebViewFormatController::selectionIsWithinOrderedList, 0},
         {"outdent", "format_outdent", "Decrease Indent", &QMWebViewFormatController::decreaseListElementIndention,
          nullptr, 0},
         {"indent", "format_indent", "Increase Indent", &QMWebViewFormatController::increaseListElementIndention,
          nullptr, 0}},
        {{"alignLeft", "format_alignleft", "Align Left", &QMWebViewFormatController::alignLeft,
          &QMWebViewFormatController::selectionHasLeftAlign, 0},
         {"alignCenter", "format_aligncenter", "Center", &QMWebViewFormatController::alignCenter,
          &QMWebViewFormatController::selectionHasCenterAlign, 0},
         {"alignRight", "format_alignright", "Align Right", &QMWebViewFormatController::alignRight,
          &QMWebViewFormatController::selectionHasRightAlign, 0}},
        {{"removeFormatting", "format_removeformatting", "Remove Formatting",
          &QMWebViewFormatController::removeFormatting, nullptr, 0}},
    };
    for (qsizetype group = 0; group < groups.size(); ++group) {
        if (group > 0)
            layout->addSpacing(12);
        for (const Entry& entry : groups.at(group)) {
            const QString picture = QStringLiteral("format/") + QLatin1String(entry.picture);
            QMHoverIconButton* button = nullptr;
            if (entry.flag) {
                auto* toggle = new QMPushInHoverIconButton(picture, this);
                m_toggles.insert(toggle, entry.flag);
                button = toggle;
            } else {
                button = new QMHoverIconButton(picture, this);
            }
            button->setObjectName(QLatin1String(entry.name) + QStringLiteral("Button"));
            button->setToolTip(dw::localized(entry.toolTip));
            if (entry.menuTag) {
                button->setTag(entry.menuTag);
                button->setDelegate(m_controller);
            }
            if (entry.action)
                connect(button, &QAbstractButton::clicked, m_controller, entry.action);
            layout->addWidget(button);
            m_buttons << button;
        }
    }
    layout->addStretch(1);
    connect(m_controller, &QMWebViewFormatController::flagsChanged, this, &QMWebViewFormatToolbar::updateButtons);
    updateButtons();
}

QMHoverIconButton* QMWebViewFormatToolbar::button(const QString& objectName) const
{
    for (QMHoverIconButton* button : m_buttons) {
        if (button->objectName() == objectName)
            return button;
    }
    return nullptr;
}

QSize QMWebViewFormatToolbar::sizeHint() const
{
    return QSize(QWidget::sizeHint().width(), kHeight);
}

void QMWebViewFormatToolbar::updateButtons()
{
    const bool enabled = m_controller->currentSelectionAllowsEditing();
    for (QMHoverIconButton* button : m_buttons)
        button->setEnabled(enabled);
    for (auto it = m_toggles.constBegin(); it != m_toggles.constEnd(); ++it)
        it.key()->setValue(enabled && (m_controller->*it.value())());
}

void QMWebViewFormatToolbar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QLinearGradient fill(0, 0, 0, height());
    fill.setColorAt(0, QColor(250, 251, 253));
    fill.setColorAt(1, QColor(229, 233, 240));
    painter.fillRect(rect(), fill);
    painter.setPen(QColor(184, 191, 202));
    painter.drawLine(0, height() - 1, width(), height() - 1);
}
