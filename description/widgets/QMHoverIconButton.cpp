#include "description/widgets/QMHoverIconButton.h"

#include "platform/core/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

namespace {

const QStringList kSuffixes = {QStringLiteral("-hover"), QStringLiteral("-pressed"), QStringLiteral("-pressedHover")};

QString pathForName(const QString& name)
{
    return QDir(dw::paths::resourcesFolder()).filePath(QStringLiteral("images/%1.svg").arg(name));
}

// The plate drawn behind the regular picture for a state variant that has no file of its own.
QColor plateForSuffix(const QString& suffix)
{
    if (suffix == QStringLiteral("-hover"))
        return QColor(224, 230, 239);
    if (suffix == QStringLiteral("-pressed"))
        return QColor(196, 208, 226);
    return QColor(178, 193, 216);
}

} // namespace

QMHoverIconButton::QMHoverIconButton(const QString& imageName, QWidget* parent)
    : QAbstractButton(parent), m_imageName(imageName)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    setToolTipDuration(-1);
}

QSize QMHoverIconButton::sizeHint() const
{
    return QSize(26, 23);
}

QString QMHoverIconButton::regularImageName() const
{
    for (const QString& suffix :
         {QStringLiteral("-hover"), QStringLiteral("-pressed"), QStringLiteral("-pressedHover")}) {
        if (m_imageName.endsWith(suffix))
            return m_imageName.chopped(suffix.size());
    }
    return m_imageName;
}

bool QMHoverIconButton::pictureExists(const QString& name)
{
    if (QFileInfo::exists(pathForName(name)))
        return true;
    for (const QString& suffix : kSuffixes) {
        if (name.endsWith(suffix))
            return QFileInfo::exists(pathForName(name.chopped(suffix.size())));
    }
    return false;
}

QPixmap QMHoverIconButton::pictureNamed(const QString& name, const QSize& size, qreal ratio)
{
    static QHash<QString, QPixmap> cache;
    const QString key = QStringLiteral("%1@%2x%3@%4").arg(name).arg(size.width()).arg(size.height()).arg(ratio);
    if (const auto it = cache.constFind(key); it != cache.constEnd())
        return *it;
    QString file = pathForName(name);
    QString suffix;
    if (!QFileInfo::exists(file)) {
        for (const QString& candidate : kSuffixes) {
            if (name.endsWith(candidate)) {
                suffix = candidate;
                file = pathForName(name.chopped(candidate.size()));
            }
        }
    }
    QPixmap picture(size * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QSvgRenderer renderer(file);
    if (renderer.isValid()) {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF bounds(QPointF(0, 0), QSizeF(size));
        if (!suffix.isEmpty()) {
            QPainterPath plate;
            plate.addRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
            painter.fillPath(plate, plateForSuffix(suffix));
            painter.setPen(QColor(0, 0, 0, suffix == QStringLiteral("-hover") ? 30 : 55));
            painter.drawPath(plate);
        }
        const QSizeF glyph = QSizeF(renderer.defaultSize()).scaled(bounds.size() - QSizeF(6, 4), Qt::KeepAspectRatio);
        renderer.render(&painter, QRectF(bounds.center() - QPointF(glyph.width() / 2, glyph.height() / 2), glyph));
    }
    cache.insert(key, picture);
    return picture;
}

void QMHoverIconButton::updateImage()
{
    const QString regular = regularImageName();
    if (m_mouseInside && (isChecked() || m_mouseDown)) {
        const QString pressedHover = regular + QStringLiteral("-pressedHover");
        m_imageName = pictureExists(pressedHover) ? pressedHover : regular + QStringLiteral("-pressed");
    } else if (m_mouseInside) {
        m_imageName = isEnabled() ? regular + QStringLiteral("-hover") : regular;
    } else {
        m_imageName = isChecked() ? regular + QStringLiteral("-pressed") : regular;
    }
    update();
}

void QMHoverIconButton::mouseEntered()
{
    m_mouseInside = true;
    updateImage();
}

void QMHoverIconButton::mouseExited()
{
    m_mouseInside = false;
    updateImage();
}

void QMHoverIconButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    mouseEntered();
}

void QMHoverIconButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    mouseExited();
}

bool QMHoverIconButton::event(QEvent* event)
{
    // The window losing the focus takes the hover away, as leaving the button would.
    if (event->type() == QEvent::WindowDeactivate && m_mouseInside)
        mouseExited();
    return QAbstractButton::event(event);
}

void QMHoverIconButton::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        updateImage();
}

void QMHoverIconButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractButton::mousePressEvent(event);
        return;
    }
    m_mouseDown = true;
    updateImage();
    if (m_delegate && isEnabled()) {
        if (QMenu* menu = m_delegate->menuForButton(this)) {
            menu->setAttribute(Qt::WA_DeleteOnClose);
            QFont font = menu->font();
            if (m_menuControlSize > 0)
                font.setPointSizeF(font.pointSizeF() - (m_menuControlSize == 1 ? 1.5 : 3.0));
            menu->setFont(font);
            setDown(true);
            connect(menu, &QMenu::aboutToHide, this, [this] {
                setDown(false);
                m_mouseDown = false;
                updateImage();
            });
            menu->popup(mapToGlobal(QPoint(width() - 5, height() / 2)));
            event->accept();
            return;
        }
    }
    QAbstractButton::mousePressEvent(event);
}

void QMHoverIconButton::mouseReleaseEvent(QMouseEvent* event)
{
    const bool wasDown = m_mouseDown;
    QAbstractButton::mouseReleaseEvent(event);
    if (wasDown && turnOffAfterMouseDown() && isCheckable())
        setChecked(false);
    m_mouseDown = false;
    updateImage();
}

void QMHoverIconButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPixmap picture = pictureNamed(m_imageName, size(), devicePixelRatioF());
    if (!isEnabled())
        painter.setOpacity(0.35);
    painter.drawPixmap(0, 0, picture);
}
