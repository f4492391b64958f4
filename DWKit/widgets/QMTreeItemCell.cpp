#include "DWKit/widgets/QMTreeItemCell.h"

#include "DWKit/widgets/CellImageStrip_p.h"

#include "DWKit/widgets/NSBezierPath+DWAdditons.h"
#include "DWKit/widgets/NSColor+DWExtensions.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/widgets/ReadableColors.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QHash>
#include <QIcon>
#include <QModelIndex>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QWidget>
#include <QtMath>
#include <cmath>
#include <unordered_map>

namespace {

const QFont& badgeFont()
{
    static const QFont font = [] {
        QFont f(QStringLiteral("Helvetica"));
        f.setPixelSize(11);
        f.setBold(true);
        return f;
    }();
    return font;
}

const QColor& badgeColor()
{
    static const QColor colour = QColor::fromRgbF(137 / 255.0f, 153 / 255.0f, 188 / 255.0f, 1.0f);
    return colour;
}

QImage imageFromDecoration(const QVariant& decoration)
{
    if (decoration.canConvert<QImage>() && decoration.typeId() == QMetaType::QImage)
        return decoration.value<QImage>();
    if (decoration.typeId() == QMetaType::QPixmap)
        return decoration.value<QPixmap>().toImage();
    if (decoration.typeId() == QMetaType::QIcon) {
        const QIcon icon = decoration.value<QIcon>();
        const QList<QSize> sizes = icon.availableSizes();
        return icon.pixmap(sizes.isEmpty() ? QSize(16, 16) : sizes.constFirst()).toImage();
    }
    return {};
}

} // namespace

// Background images by colour, size and selection. The size is part of the key: rows of one
// width but different heights must not share an image.
struct QMTreeItemCell::BackgroundCache
{
    struct Key
    {
        QRgba64 colour;
        int width100;
        int height100;
        int ratio100;
        bool operator==(const Key& other) const
        {
            return colour == other.colour && width100 == other.width100 && height100 == other.height100 &&
                   ratio100 == other.ratio100;
        }
    };
    struct KeyHash
    {
        size_t operator()(const Key& key) const
        {
            return qHashMulti(0, quint64(key.colour), key.width100, key.height100, key.ratio100);
        }
    };
    std::unordered_map<Key, QImage, KeyHash> unselected;
    std::unordered_map<Key, QImage, KeyHash> selected;
    qreal lastBackgroundImageWidth = -1;
};

QMTreeItemCell::QMTreeItemCell() : m_backgrounds(std::make_shared<BackgroundCache>()) {}

QMTreeItemCell::~QMTreeItemCell() = default;

std::unique_ptr<dw::TextFieldCell> QMTreeItemCell::clone() const
{
    return std::make_unique<QMTreeItemCell>(*this);
}

void QMTreeItemCell::takeValuesFromIndex(const QModelIndex& index)
{
    dw::TextFieldCell::takeValuesFromIndex(index);
    const QImage decoration = imageFromDecoration(index.data(Qt::DecorationRole));
    if (!decoration.isNull())
        m_image = decoration;
}

QSizeF QMTreeItemCell::cellSize() const
{
    QSizeF size = dw::TextFieldCell::cellSize();
    size.rwidth() += dw::cells::stripWidth(m_image);
    return size;
}

QRectF QMTreeItemCell::imageFrameForCellFrame(const QRectF& frame) const
{
    return dw::cells::centredImageFrame(frame, m_image);
}

QRectF QMTreeItemCell::editingFrame(const QRectF& frame)
{
    const qreal strip = dw::cells::stripWidth(m_image);
    QRectF text = frame.adjusted(strip, 0, 0, 0);
    if (backgroundColor().isValid()) {
        // The editor sits inside the capsule, on white.
        setBackgroundColor(Qt::white);
        text.adjust(6, 0, -2, 0);
    }
    return text;
}

qreal QMTreeItemCell::badgeWidthForCount(qint64 count)
{
    const QFontMetricsF metrics(badgeFont());
    return std::max<qreal>(20, metrics.horizontalAdvance(dw::format("%ld", count)) + 12);
}

void QMTreeItemCell::drawWithFrame(QPainter& painter, const QRectF& cellFrame, const QWidget* controlView)
{
    QRectF frame = cellFrame;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);

    if (!m_image.isNull()) {
        const QSizeF picture = dw::cells::pointSize(m_image);
        const QRectF strip(frame.x(), frame.y(), picture.width() + dw::cells::kImageGap, frame.height());
        frame.adjust(strip.width(), 0, 0, 0);
        if (drawsBackground() && backgroundColor().isValid())
            painter.fillRect(strip, backgroundColor());
        // Item views are flipped: the picture's bottom edge sits at ceil((height + ph) / 2).
        const qreal bottom = strip.y() + std::ceil((strip.height() + picture.height()) / 2);
        painter.drawImage(QPointF(strip.x() + dw::cells::kImageGap, bottom - picture.height()), m_image);
    }

    if (m_displayItemCount) {
        const QString text = dw::format("%ld", m_itemCount);
        const QFontMetricsF metrics(badgeFont());
        const qreal badgeWidth = badgeWidthForCount(m_itemCount);
        const QRectF strip(frame.x() + frame.width() - badgeWidth, frame.y(), badgeWidth, metrics.height());
        frame.setWidth(frame.width() - badgeWidth);
        const QRectF badge = strip.adjusted(0, 1, 0, -1);
        const QPainterPath outline = dw::bezierPathWithRoundedRect(badge, badge.height() / 2);
        painter.fillPath(outline, isHighlighted() ? QColor(Qt::white) : badgeColor());
        painter.setFont(badgeFont());
        painter.setPen(isHighlighted() ? badgeColor() : QColor(Qt::white));
        painter.drawText(badge, Qt::AlignCenter, text);
    }

    if (backgroundColor().isValid()) {
        drawBackgroundImageInFrame(painter, frame);
        frame.adjust(6, 0, -2, 0);
    }

    const QPalette palette = controlView ? controlView->palette() : QApplication::palette();
    if (m_strikeThrough) {
        QColor colour = palette.color(isHighlighted() ? QPalette::HighlightedText : QPalette::Text);
        colour.setAlphaF(0.5f);
        painter.setPen(QPen(colour, 1.0));
        const qreal y = std::floor(frame.y() + frame.height() / 2) - 0.5;
        painter.drawLine(QPointF(std::floor(frame.x()) + 3, y), QPointF(std::floor(frame.x() + frame.width()) - 3, y));
    }
    painter.restore();

    // On a filled capsule the view's text colour may not read (a light theme's fee colour under a
    // dark theme's light text): the text is chosen against the capsule's middle.
    const QColor ownTextColor = textColor();
    if (backgroundColor().isValid() && !isHighlighted() && !ownTextColor.isValid()) {
        const QColor capsule =
            m_displayFlatBackgroundColor ? backgroundColor() : dw::highlightWithLevel(backgroundColor(), 0.3);
        setTextColor(dw::readableTextColor(capsule, palette.color(QPalette::Text)));
    }
    dw::TextFieldCell::drawInteriorWithFrame(painter, frame, controlView);
    setTextColor(ownTextColor);
}

QPainterPath QMTreeItemCell::backgroundFillPathForCellFrame(const QRectF& frame) const
{
    const qreal x = frame.x(), y = frame.y(), w = frame.width(), h = frame.height();
    const qreal r = h / 2;
    QPainterPath path;
    path.moveTo(x + dw::cells::kImageGap + (w - dw::cells::kImageGap) / 2, y);
    dw::appendArc(path, QPointF(x + w - r, y + r), r, 270, 90);
    dw::appendArc(path, QPointF(x + dw::cells::kImageGap + r, y + r), r, 90, 270);
    path.closeSubpath();
    return path;
}

QImage QMTreeItemCell::backgroundImageOfSize(const QSizeF& size, const QColor& color, bool isSelectedCell,
                                             qreal devicePixelRatio)
{
    if (size.width() < 1 || size.height() < 1) {
        dw::consoleWrite(dw::format(
            "-[QMTreeItemCell backgroundImageOfSize:color:isSelectedCell:] warning -- image size too small: %@",
            QStringLiteral("{%1, %2}").arg(size.width()).arg(size.height())));
    }
    BackgroundCache& cache = *m_backgrounds;
    if (size.width() != cache.lastBackgroundImageWidth) {
        cache.unselected.clear();
        cache.selected.clear();
    }
    auto& images = isSelectedCell ? cache.selected : cache.unselected;
    const BackgroundCache::Key key{color.rgba64(), int(std::lround(size.width() * 100)),
                                   int(std::lround(size.height() * 100)), int(std::lround(devicePixelRatio * 100))};
    const auto found = images.find(key);
    if (found != images.end())
        return found->second;
    cache.lastBackgroundImageWidth = size.width();
    QImage image = createBackgroundImageInRect(QRectF(QPointF(0, 0), size), color, isSelectedCell, devicePixelRatio);
    images.emplace(key, image);
    return image;
}

QImage QMTreeItemCell::createBackgroundImageInRect(const QRectF& rect, const QColor& color, bool isSelectedCell,
                                                   qreal devicePixelRatio) const
{
    // Drawn in points on an image of the screen's pixels, so the capsule is as sharp as the text.
    const qreal ratio = std::max<qreal>(1, devicePixelRatio);
    QImage image(std::max(1, qCeil(rect.width() * ratio)), std::max(1, qCeil(rect.height() * ratio)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath capsule = backgroundFillPathForCellFrame(QRectF(QPointF(0, 0), rect.size()));
    if (isSelectedCell) {
        QColor opaque = color;
        opaque.setAlphaF(1.0f);
        painter.strokePath(capsule, QPen(opaque, 2.0));
    } else if (m_displayFlatBackgroundColor) {
        painter.fillPath(capsule, color);
    } else {
        // The lighter colour lands at the top row of the image, where the platform showed it
        // after drawing the image into a flipped view.
        dw::linearGradientFill(painter, capsule, dw::highlightWithLevel(color, 0.6), color);
        painter.strokePath(capsule, QPen(color, 1.0));
    }
    return image;
}

void QMTreeItemCell::drawBackgroundImageInFrame(QPainter& painter, const QRectF& frame)
{
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1;
    const QImage image = backgroundImageOfSize(frame.size(), backgroundColor(), isHighlighted(), ratio);
    DW_ASSERT(!image.isNull(), "Missing background image");
    painter.drawImage(frame.topLeft(), image);
}
