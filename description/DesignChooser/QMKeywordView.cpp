#include "description/DesignChooser/QMKeywordView.h"

#include "description/DesignChooser/QMKeywordArrayController.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Localization.h"
#include "platform/widgets/ApplicationImage.h"

#include <QAction>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <cmath>

namespace {

// Room for the chevron beside the last badge shown.
constexpr qreal kChevronRoom = 16;

} // namespace

QMKeywordView::QMKeywordView(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(false);
}

QMKeywordView::~QMKeywordView() = default;

void QMKeywordView::setArrayController(QMKeywordArrayController* controller)
{
    for (const auto& connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_arrayController = controller;
    if (controller) {
        m_connections.append(connect(controller, &QMKeywordArrayController::arrangedObjectsChanged, this,
                                     &QMKeywordView::arrangedObjectsChanged));
        m_connections.append(
            connect(controller, &QMKeywordArrayController::selectionChanged, this, &QMKeywordView::selectionChanged));
    }
    clearTextCaches();
    update();
}

void QMKeywordView::setDrawsBackground(bool draws)
{
    m_drawsBackground = draws;
    update();
}

void QMKeywordView::setDrawsFrame(bool draws)
{
    m_drawsFrame = draws;
    update();
}

void QMKeywordView::setDisplayLocalizedStrings(bool display)
{
    m_displayLocalizedStrings = display;
    update();
}

void QMKeywordView::setLocalizableStringsTable(const QString& table)
{
    m_localizableStringsTable = table;
    update();
}

void QMKeywordView::setBackgroundColor(const QColor& color)
{
    m_backgroundColor = color;
    update();
}

void QMKeywordView::clearTextCaches()
{
    m_cachedStringsToDraw.clear();
    m_cachedTooltips.clear();
}

void QMKeywordView::arrangedObjectsChanged()
{
    clearTextCaches();
    update();
}

void QMKeywordView::selectionChanged()
{
    if (m_delegate && m_arrayController)
        m_delegate->keywordViewSelectionChangedTo(this, m_arrayController->selectedObjects());
    update();
}

QString QMKeywordView::stringToDrawForKeyword(const QString& keyword)
{
    const auto cached = m_cachedStringsToDraw.constFind(keyword);
    if (cached != m_cachedStringsToDraw.constEnd())
        return *cached;
    if (m_delegate) {
        if (auto text = m_delegate->keywordViewStringToDrawForKeyword(this, keyword)) {
            m_cachedStringsToDraw.insert(keyword, *text);
            return *text;
        }
    }
    if (m_displayLocalizedStrings) {
        const QByteArray table =
            m_localizableStringsTable.isEmpty() ? QByteArrayLiteral("Localizable") : m_localizableStringsTable.toUtf8();
        return dw::localized(keyword, table.constData());
    }
    return keyword;
}

QString QMKeywordView::tooltipForKeyword(const QString& keyword)
{
    const auto cached = m_cachedTooltips.constFind(keyword);
    if (cached != m_cachedTooltips.constEnd())
        return *cached;
    if (m_delegate) {
        if (auto tooltip = m_delegate->keywordViewTooltipForKeyword(this, keyword)) {
            m_cachedTooltips.insert(keyword, *tooltip);
            return *tooltip;
        }
    }
    return {};
}

QImage QMKeywordView::imageNamed(const QString& name) const
{
    // At the screen's pixels: the badges stay as sharp as their text on a high-density screen.
    return dw::applicationImage(name, devicePixelRatioF());
}

QFont QMKeywordView::badgeFont() const
{
    QFont font = QWidget::font();
    font.setPixelSize(11);
    return font;
}

QColor QMKeywordView::badgeTextColor() const
{
    return Qt::black;
}

qreal QMKeywordView::badgeWidthForKeyword(const QString& keyword)
{
    const qreal textWidth = std::floor(QFontMetricsF(badgeFont()).horizontalAdvance(stringToDrawForKeyword(keyword)));
    return 2 * kBadgeCap + std::max(qreal(m_minBadgeSize), textWidth);
}

QImage QMKeywordView::computeImageForKeyword(const QString& keyword, const QImage& badgeImage)
{
    const QString text = stringToDrawForKeyword(keyword);
    const QFont font = badgeFont();
    const qreal textWidth = std::floor(QFontMetricsF(font).horizontalAdvance(text));
    const int middle = int(std::max(qreal(m_minBadgeSize), textWidth));
    const qreal ratio = std::max<qreal>(1, devicePixelRatioF());
    const int badgeWidth = middle + 2 * kBadgeCap;
    QImage image(QSize(badgeWidth, kBadgeHeight) * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    if (!badgeImage.isNull()) {
        // The picture's ends as they are, its one-point middle column stretched between them.
        // Source rectangles count the picture's own pixels.
        const qreal scale = badgeImage.devicePixelRatio();
        const qreal sourceWidth = badgeImage.width();
        const qreal sourceHeight = badgeImage.height();
        const qreal cap = kBadgeCap * scale;
        painter.drawImage(QRectF(0, 0, kBadgeCap, kBadgeHeight), badgeImage, QRectF(0, 0, cap, sourceHeight));
        painter.drawImage(QRectF(kBadgeCap, 0, middle, kBadgeHeight), badgeImage, QRectF(cap, 0, scale, sourceHeight));
        painter.drawImage(QRectF(badgeWidth - kBadgeCap, 0, kBadgeCap, kBadgeHeight), badgeImage,
                          QRectF(sourceWidth - cap, 0, cap, sourceHeight));
    }
    painter.setFont(font);
    painter.setPen(badgeTextColor());
    const qreal x = std::floor((middle - textWidth) * 0.5) + kBadgeCap;
    painter.drawText(QRectF(x, 0, textWidth + 1, kBadgeHeight), Qt::AlignLeft | Qt::AlignVCenter, text);
    return image;
}

QImage QMKeywordView::imageForKeyword(const QString& keyword)
{
    const bool pressed = !m_clickedKeyword.isNull() && keyword == m_clickedKeyword;
    const bool selected = m_arrayController && m_arrayController->isSelected(keyword);
    BadgeKind kind = pressed ? (selected ? BadgeKind::ClickedSelected : BadgeKind::Clicked)
                             : (selected ? BadgeKind::Selected : BadgeKind::Normal);
    static const char* const kPictures[] = {"Keyword0N", "Keyword0H", "Keyword1N", "Keyword1H"};
    auto& cache = m_badges[int(kind)];
    // A window moved to a screen of another density draws new badges.
    const QString key = keyword + QChar(0) + QString::number(devicePixelRatioF());
    const auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    const QImage image = computeImageForKeyword(keyword, imageNamed(QString::fromLatin1(kPictures[int(kind)])));
    cache.insert(key, image);
    return image;
}

QRectF QMKeywordView::rectForKeywordAtIndex(qsizetype index)
{
    const QStringList keywords = m_arrayController ? m_arrayController->arrangedObjects() : QStringList();
    DW_ASSERT(index >= 0 && index < keywords.size(), "QMKeywordView: keyword index out ouf bounds");
    qreal x = m_badgeSpacing;
    for (qsizetype i = 0; i < index; ++i)
        x += badgeWidthForKeyword(keywords.at(i)) + m_badgeSpacing;
    const qreal y = (height() - kBadgeHeight) * 0.5;
    return {x, y, badgeWidthForKeyword(keywords.at(index)), qreal(kBadgeHeight)};
}

bool QMKeywordView::canDrawKeywordAtIndex(qsizetype index)
{
    const QRectF bounds = rect();
    const QRectF badge = rectForKeywordAtIndex(index);
    if (!bounds.contains(badge))
        return false;
    const qsizetype count = m_arrayController ? m_arrayController->arrangedObjects().size() : 0;
    if (index == count - 1 || bounds.contains(rectForKeywordAtIndex(index + 1)))
        return true;
    return bounds.width() - badge.right() > 2 * m_badgeSpacing + kChevronRoom;
}

QString QMKeywordView::keywordAtPoint(const QPointF& point)
{
    if (!m_arrayController)
        return {};
    const QStringList keywords = m_arrayController->arrangedObjects();
    for (qsizetype i = 0; i < keywords.size(); ++i) {
        if (!canDrawKeywordAtIndex(i))
            break;
        if (rectForKeywordAtIndex(i).contains(point))
            return keywords.at(i);
    }
    return {};
}

void QMKeywordView::userSelectedKeyword(const QString& keyword, bool shiftHeld)
{
    if (!m_arrayController)
        return;
    if (m_arrayController->isSelected(keyword)) {
        const bool onlyOne = m_arrayController->selectedObjects().size() == 1;
        if (!m_allowsEmptySelection && (!m_allowsMultipleSelection || onlyOne)) {
            update();
            return;
        }
        m_arrayController->removeSelectedObject(keyword);
        if (m_delegate)
            m_delegate->keywordViewDidUnselectKeyword(this, keyword);
    } else {
        if (m_allowsMultipleSelection || (shiftHeld && m_requiresShiftKeyForMultipleSelection)) {
            m_arrayController->addSelectedObject(keyword);
        } else {
            if (m_delegate)
                m_delegate->keywordViewDidUnselectKeywords(this, m_arrayController->selectedObjects());
            m_arrayController->setSelectedObjects({keyword});
        }
        if (m_delegate)
            m_delegate->keywordViewDidSelectKeyword(this, keyword);
    }
    update();
}

QMenu* QMKeywordView::makeOverflowMenu()
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("keywordOverflowMenu"));
    QFont font = menu->font();
    font.setPixelSize(11);
    menu->setFont(font);
    for (const QString& keyword : std::as_const(m_overflowKeywords)) {
        QAction* item = menu->addAction(stringToDrawForKeyword(keyword));
        item->setData(keyword);
        item->setToolTip(tooltipForKeyword(keyword));
        item->setCheckable(true);
        item->setChecked(m_arrayController && m_arrayController->isSelected(keyword));
        connect(item, &QAction::triggered, this, [this, keyword] { userSelectedKeyword(keyword); });
    }
    return menu;
}

QSize QMKeywordView::sizeHint() const
{
    return {400, kBadgeHeight + 8};
}

QSize QMKeywordView::minimumSizeHint() const
{
    return {60, kBadgeHeight + 4};
}

void QMKeywordView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (m_drawsBackground)
        painter.fillRect(event->rect(), m_backgroundColor);
    m_lastChevronRect = QRectF();
    m_overflowKeywords.clear();
    const QStringList keywords = m_arrayController ? m_arrayController->arrangedObjects() : QStringList();
    qreal x = m_badgeSpacing;
    const qreal y = (height() - kBadgeHeight) * 0.5;
    for (qsizetype i = 0; i < keywords.size(); ++i) {
        if (!canDrawKeywordAtIndex(i)) {
            const QImage chevron = imageNamed(QStringLiteral("ToolbarChevron"));
            const QSizeF size = chevron.isNull() ? QSizeF(kChevronRoom, kBadgeHeight) : chevron.deviceIndependentSize();
            m_lastChevronRect = QRectF(width() - (size.width() + m_badgeSpacing), (height() - size.height()) * 0.5,
                                       size.width(), size.height());
            painter.drawImage(m_lastChevronRect, chevron);
            m_overflowKeywords = keywords.mid(i);
            break;
        }
        const QImage badge = imageForKeyword(keywords.at(i));
        painter.drawImage(QPointF(std::floor(x), std::floor(y)), badge);
        x += badge.deviceIndependentSize().width() + m_badgeSpacing;
    }
    if (m_drawsFrame) {
        painter.setPen(Qt::darkGray);
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

void QMKeywordView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (!m_lastChevronRect.isEmpty() && m_lastChevronRect.contains(event->position())) {
        QMenu* menu = makeOverflowMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(mapToGlobal(m_lastChevronRect.bottomLeft().toPoint()));
        return;
    }
    m_pressedKeyword = keywordAtPoint(event->position());
    m_clickedKeyword = m_pressedKeyword;
    update();
}

void QMKeywordView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_pressedKeyword.isNull())
        return;
    const QString over = keywordAtPoint(event->position()) == m_pressedKeyword ? m_pressedKeyword : QString();
    if (over != m_clickedKeyword) {
        m_clickedKeyword = over;
        update();
    }
}

void QMKeywordView::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_pressedKeyword.isNull())
        return;
    mouseMoveEvent(event);
    const QString chosen = m_clickedKeyword;
    m_pressedKeyword.clear();
    m_clickedKeyword.clear();
    if (!chosen.isNull())
        userSelectedKeyword(chosen, event->modifiers() & Qt::ShiftModifier);
    update();
}

bool QMKeywordView::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString keyword = keywordAtPoint(help->pos());
        const QString tooltip = keyword.isNull() ? QString() : tooltipForKeyword(keyword);
        if (tooltip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tooltip, this);
        return true;
    }
    return QWidget::event(event);
}

QMBlackKeywordView::QMBlackKeywordView(QWidget* parent) : QMKeywordView(parent)
{
    setBackgroundColor(Qt::black);
    setDrawsFrame(false);
}

QImage QMBlackKeywordView::imageNamed(const QString& name) const
{
    return QMKeywordView::imageNamed(name + QStringLiteral("_black"));
}

QColor QMBlackKeywordView::badgeTextColor() const
{
    return QColor::fromRgbF(0.8f, 0.8f, 0.8f, 1.0f);
}
