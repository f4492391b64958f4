#include "DWKit/widgets/QMHighlightableTextField.h"

#include "DWKit/widgets/NSBezierPath+DWAdditons.h"
#include "DWKit/widgets/NSColor+DWExtensions.h"

#include "platform/core/MainThread.h"
#include "platform/widgets/ReadableColors.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <mutex>

namespace {

std::mutex s_providerMutex;
std::function<QColor()> s_provider;

QColor feesHighlightColor()
{
    std::function<QColor()> provider;
    {
        std::lock_guard lock(s_providerMutex);
        provider = s_provider;
    }
    const QColor colour = provider ? provider() : QColor();
    return colour.isValid() ? colour : QMHighlightableTextField::defaultFeesHighlightColor();
}

} // namespace

QMHighlightableTextField::QMHighlightableTextField(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    auto& centre = dw::NotificationCenter::defaultCenter();
    // Posts may come from any thread; the field is touched on the main thread only.
    // The guard is taken here, on the main thread: a worker may post while the field is destroyed.
    auto onMain = [this, guard = QPointer<const QObject>(this)](std::function<void(QMHighlightableTextField*)> apply) {
        if (dw::isMainThread())
            apply(this);
        else
            dw::postToMain(guard, [this, apply] { apply(this); });
    };
    centre.addObserver(
        QString::fromLatin1(kQMHighlightableTextFieldStateNotification), nullptr,
        [onMain](const dw::Notification& n) {
            onMain([n](QMHighlightableTextField* f) { f->stateNotificationReceived(n); });
        },
        this);
    centre.addObserver(
        QString::fromLatin1(kFeesHighlightColorDidChangeNotification), nullptr,
        [onMain](const dw::Notification& n) {
            onMain([n](QMHighlightableTextField* f) { f->highlightColorDidChange(n); });
        },
        this);
}

QMHighlightableTextField::~QMHighlightableTextField()
{
    dw::NotificationCenter::defaultCenter().removeObserversOwnedBy(this);
}

void QMHighlightableTextField::setFeesHighlightColorProvider(std::function<QColor()> provider)
{
    std::lock_guard lock(s_providerMutex);
    s_provider = std::move(provider);
}

QColor QMHighlightableTextField::defaultFeesHighlightColor()
{
    return QColor::fromRgbF(0.36f, 75 / 255.0f, 145 / 255.0f, 1.0f);
}

void QMHighlightableTextField::stateNotificationReceived(const dw::Notification& notification)
{
    setHighlight(notification.userInfo.value(QStringLiteral("state")).toBool());
}

void QMHighlightableTextField::highlightColorDidChange(const dw::Notification&)
{
    m_highlightColor = QColor();
    m_disabledHighlightColor = QColor();
    update();
}

void QMHighlightableTextField::setHighlight(bool highlight)
{
    if (highlight == m_highlight)
        return;
    m_highlight = highlight;
    update();
}

QPainterPath QMHighlightableTextField::pillForBounds(const QRectF& bounds) const
{
    qreal x = bounds.x(), w = bounds.width();
    const qreal y = bounds.y(), h = bounds.height();
    const qreal r = h * 0.5;
    const qreal textWidth = QFontMetricsF(font()).horizontalAdvance(text()) + 10;
    const Qt::Alignment horizontal =
        QStyle::visualAlignment(layoutDirection(), alignment()) & Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute;
    if (w > textWidth && horizontal != Qt::AlignHCenter) {
        if (horizontal == Qt::AlignRight)
            x += w - textWidth;
        w = textWidth;
    }
    QPainterPath path;
    // The centres' y is r: the pill is made for bounds that start at 0.
    switch (horizontal) {
    case Qt::AlignLeft:
        path.moveTo(x, y + h);
        path.lineTo(x, y);
        dw::appendArc(path, QPointF(x + w - r, r), r, 270, 90);
        break;
    case Qt::AlignRight:
        path.moveTo(x + w, y);
        path.lineTo(x + w, y + h);
        dw::appendArc(path, QPointF(x + r, r), r, 90, 270);
        break;
    case Qt::AlignHCenter:
        path.moveTo(x + w, y);
        dw::appendArc(path, QPointF(x + w - r, r), r, 270, 90);
        dw::appendArc(path, QPointF(x + r, r), r, 90, 270);
        break;
    default:
        return path; // justified: nothing to fill
    }
    path.closeSubpath();
    return path;
}

void QMHighlightableTextField::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawFrame(&painter);
    QColor textColour = palette().color(QPalette::Active, QPalette::WindowText);
    if (m_highlight) {
        // The pill follows the text: a fee that changes gets a pill of its new width.
        const QString key = text() + QChar(0) + QString::number(width()) + u'x' + QString::number(height()) + u'/' +
                            QString::number(int(alignment())) + u'/' + font().key();
        if (m_path.isEmpty() || key != m_pathKey) {
            m_path = pillForBounds(QRectF(rect()));
            m_pathKey = key;
        }
        if (!m_highlightColor.isValid())
            m_highlightColor = feesHighlightColor();
        if (!m_disabledHighlightColor.isValid())
            m_disabledHighlightColor = dw::highlightWithLevel(m_highlightColor, 0.4);
        if (!m_shadow)
            m_shadow = Shadow{QPointF(0, -1), 1.0, QColor::fromRgbF(0.3f, 0.3f, 0.3f, 1.0f)};
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor fill = isEnabled() ? m_highlightColor : m_disabledHighlightColor;
        painter.fillPath(m_path, fill);
        painter.restore();
        // White, drawn as if enabled, unless the colour the seller chose is so light that white
        // hardly shows on it (below the 3:1 of large text): then the darkest text reads best.
        textColour =
            dw::contrastRatio(m_highlightColor, Qt::white) >= 3 ? QColor(Qt::white) : dw::readableTextColor(fill);
    }

    // A disabled field still shows its text unfaded: it is drawn as if enabled.
    const QString shown = text();
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    // The dark shadow sets off light text only; under dark text it would smudge it.
    if (m_highlight && m_shadow && dw::contrastRatio(textColour, m_shadow->color) >= dw::kReadableContrast) {
        painter.setPen(m_shadow->color);
        painter.drawText(area.translated(int(m_shadow->offset.x()), int(-m_shadow->offset.y())), int(alignment()),
                         shown);
    }
    painter.setPen(textColour);
    painter.drawText(area, int(alignment()), shown);
}
