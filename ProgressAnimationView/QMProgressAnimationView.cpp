#include "ProgressAnimationView/QMProgressAnimationView.h"

#include "DWKit/QMLog.h"
#include "ProgressAnimationView/QMProgressAnimationItemProtocol.h"
#include "ProgressAnimationView/QMProgressBarLayer.h"
#include "ProgressAnimationView/QMProgressItemLayer.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"
#include "platform/widgets/ApplicationImage.h"

#include <QAbstractItemModel>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QSet>
#include <QTimer>
#include <algorithm>

namespace {

constexpr QSizeF kCardSize(114, 130);

// Progress steps an item has made, by its status: three for each finished or failed listing.
int progressSteps(uint status)
{
    switch (status) {
    case 2:
    case 5:
        return 1;
    case 3:
        return 2;
    case 4:
    case 6:
        return 3;
    default:
        return 0;
    }
}

} // namespace

QMProgressAnimationView::QMProgressAnimationView(const QSize& size, QWidget* parent)
    : QWidget(parent), m_progressBarLayer(new QMProgressBarLayer(size.width(), this))
{
    setObjectName(QStringLiteral("progressAnimationView"));
    setFixedSize(size);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setupTargets();

    // At the screen's pixels, so the stage is as sharp as its labels on a high-density screen.
    const qreal ratio = qApp->devicePixelRatio();
    m_background = dw::applicationImage(QStringLiteral("background"), ratio);
    m_foreground = dw::applicationImage(QStringLiteral("foreground"), ratio);
    m_shadowing = dw::applicationImage(QStringLiteral("shadowing"), ratio);
    orientWithX(0, 0.1f);

    const qreal w = size.width();
    m_textLayer = {QRectF(0, 0, w, 22), dw::localized("Processing Auctions"), 12};
    m_columnLabels = {{QRectF(50, 70, 150, 25), dw::localized("Verifying Auctions"), 14},
                      {QRectF(240, 70, 150, 25), dw::localized("Uploading Images"), 14},
                      {QRectF(430, 70, 150, 25), dw::localized("AddItem"), 14}};
    connect(m_progressBarLayer, &QMProgressBarLayer::changed, this, qOverload<>(&QWidget::update));
}

QMProgressAnimationView::~QMProgressAnimationView()
{
    for (const QMetaObject::Connection& connection : std::as_const(m_bindings))
        disconnect(connection);
}

void QMProgressAnimationView::setupTargets()
{
    const qreal W = width();
    const qreal H = height();
    const qreal Y = 0.6 * H;
    using Target = QMProgressAnimationTarget;
    const auto column = [Y](qreal x) {
        // Front to back: each place 150 points deeper and a tenth darker; the eighth, a tenth of a
        // point behind the seventh, is invisible, and every further card of the column stacks there.
        QList<QMProgressAnimationTargetPtr> ladder;
        for (int place = 0; place < 7; ++place)
            ladder << Target::targetWithPosition({x, Y}, -150.0f * float(place), 1.0f, 0.1f * float(place), false);
        ladder << Target::targetWithPosition({x, Y}, -900.1f, 0.0f, 0.6f, false);
        return QMProgressAnimationTargetCluster::clusterWithTargets(ladder);
    };
    const auto drop = [Y] {
        return QMProgressAnimationRelativeTargetCluster::clusterWithTarget(
            Target::targetWithPosition({0, -60 - Y}, 0, 1.0f, 0, false));
    };
    m_targetClusters = {
        QMProgressAnimationTargetCluster::clusterWithTargets(
            {Target::targetWithPosition({-100, Y}, 0, 1.0f, 0, false)}),
        column(0.2 * W),
        column(0.5 * W),
        column(0.8 * W),
        QMProgressAnimationTargetCluster::clusterWithTargets(
            {Target::targetWithPosition({W + 100, Y}, 0, 1.0f, 0, false)}),
        drop(),
        drop(),
    };
    DW_ASSERT(m_targetClusters.size() == kClusterCount, "wrong number of target clusters!");
}

void QMProgressAnimationView::orientWithX(float x, float y)
{
    QMTransform3D transform;
    transform.m34 = -0.0005;
    transform = QMTransform3D::rotate(transform, x, 0, 1, 0);
    transform = QMTransform3D::rotate(transform, y, 1, 0, 0);
    m_sublayerTransform = transform;
    update();
}

void QMProgressAnimationView::setRightOperationText(const QString& text)
{
    m_columnLabels[2].text = text;
    update();
}

void QMProgressAnimationView::bindItems(QAbstractItemModel* model)
{
    unbindItems();
    if (!model)
        return;
    m_observableController = model;
    const auto arranged = [this] { observeArrangedObjects(); };
    m_bindings << connect(model, &QAbstractItemModel::rowsInserted, this, arranged)
               << connect(model, &QAbstractItemModel::rowsRemoved, this, arranged)
               << connect(model, &QAbstractItemModel::rowsMoved, this, arranged)
               << connect(model, &QAbstractItemModel::modelReset, this, arranged)
               << connect(model, &QAbstractItemModel::layoutChanged, this, arranged)
               << connect(model, &QAbstractItemModel::dataChanged, this,
                          [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                              observeDataChanged(roles);
                          })
               << connect(model, &QObject::destroyed, this, [this] { unbindItems(); });
    observeArrangedObjects();
}

void QMProgressAnimationView::unbindItems()
{
    for (const QMetaObject::Connection& connection : std::as_const(m_bindings))
        disconnect(connection);
    m_bindings.clear();
    m_observableController = nullptr;
    m_items.clear();
    for (const QString& uuid : m_itemSublayers.keys())
        removeLayer(uuid);
    runGuarded("unbinding", [this] { rearrangeItems(); });
}

void QMProgressAnimationView::readItemsFromModel()
{
    m_items.clear();
    if (!m_observableController)
        return;
    const QAbstractItemModel& model = *m_observableController;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row, 0);
        m_items.append({model.data(index, QMProgressAnimationItemProtocol::UuidRole).toString(),
                        model.data(index, QMProgressAnimationItemProtocol::StatusRole).toUInt(),
                        model.data(index, QMProgressAnimationItemProtocol::ImageRole).value<QImage>()});
    }
}

void QMProgressAnimationView::runGuarded(const char* what, const std::function<void()>& work)
{
    // Called from the model's signals: a broken precondition is reported, never thrown into Qt.
    try {
        work();
    } catch (const dw::InternalInconsistency& error) {
        QMLog("progress view, %@: %@", QString::fromLatin1(what), error.message());
    }
}

void QMProgressAnimationView::observeArrangedObjects()
{
    runGuarded("items changed", [this] {
        readItemsFromModel();
        synchronizeLayers();
        rearrangeItems();
    });
}

void QMProgressAnimationView::observeDataChanged(const QList<int>& roles)
{
    runGuarded("item changed", [this, roles] {
        readItemsFromModel();
        if (roles.isEmpty() || roles.contains(QMProgressAnimationItemProtocol::ImageRole)) {
            for (const Item& item : std::as_const(m_items))
                applyLayerContentOfItem(item);
        }
        rearrangeItems();
    });
}

void QMProgressAnimationView::synchronizeLayers()
{
    QSet<QString> gone(m_itemSublayers.keyBegin(), m_itemSublayers.keyEnd());
    for (const Item& item : std::as_const(m_items)) {
        if (gone.remove(item.uuid))
            continue;
        DW_ASSERT(!item.uuid.isEmpty(), "item has no uuid");
        if (m_itemSublayers.contains(item.uuid))
            continue; // the same uuid twice in the list shares one card
        auto* layer = new QMProgressItemLayer(this);
        layer->setBounds(QRectF(QPointF(0, 0), kCardSize));
        layer->setPosition(QPointF(kCardSize.width() / 2, kCardSize.height() / 2));
        connect(layer, &QMProgressItemLayer::changed, this, qOverload<>(&QWidget::update));
        m_itemSublayers.insert(item.uuid, layer);
        m_stageLayers.append(layer);
        applyLayerContentOfItem(item);
    }
    for (const QString& uuid : std::as_const(gone))
        removeLayer(uuid);
}

void QMProgressAnimationView::removeLayer(const QString& uuid)
{
    QMProgressItemLayer* layer = m_itemSublayers.take(uuid);
    if (!layer)
        return;
    m_stageLayers.removeAll(layer);
    delete layer;
    update();
}

int QMProgressAnimationView::indexOfItem(const QString& uuid) const
{
    for (int index = 0; index < m_items.size(); ++index) {
        if (m_items.at(index).uuid == uuid)
            return index;
    }
    return -1;
}

void QMProgressAnimationView::rearrangeItems()
{
    QSet<QString> moved;
    for (int c = 0; c < m_targetClusters.size(); ++c) {
        QStringList& placed = m_targetClusters.at(c)->items();
        for (const QString& uuid : std::as_const(placed)) {
            const int index = indexOfItem(uuid);
            if (index < 0 || m_items.at(index).status != uint(c))
                moved.insert(uuid);
        }
        placed.clear();
    }

    int steps = 0;
    const QList<Item> items = m_items;
    for (const Item& item : items) {
        if (item.status >= uint(kClusterCount)) {
            // No cluster to put it in: the card stays where it is.
            QMLog("WARNING: item %@ has status %@ outside 0 to 6", item.uuid, item.status);
            continue;
        }
        steps += progressSteps(item.status);
        const auto& cluster = m_targetClusters.at(int(item.status));
        cluster->items().append(item.uuid);
        // A card already dropped is not dropped again; one that arrives dropped stays where it was made.
        if (cluster->isRelative() && !moved.contains(item.uuid))
            continue;
        const auto& targets = cluster->targets();
        const auto n = cluster->items().size();
        const auto place = std::min(n, targets.size()) - 1;
        applyTarget(targets.at(place), item.uuid, cluster->isRelative());
    }
    for (QMProgressItemLayer* layer : std::as_const(m_stageLayers))
        layer->setPresented(true);

    const auto count = int(items.size());
    setGlobalProgress(count == 0 ? 0.0f : float(steps) / float(3 * count));
    const auto left = count - int(m_targetClusters.at(4)->items().size()) - int(m_targetClusters.at(6)->items().size());
    m_textLayer.text = dw::format(dw::localized("Processing Auctions (%1$d of %2$d left)"), left, count);
    update();
}

void QMProgressAnimationView::applyTarget(const QMProgressAnimationTargetPtr& target, const QString& uuid,
                                          bool doApplyRelative)
{
    DW_ASSERT(target != nullptr, "no target, no cookies!");
    DW_ASSERT(!uuid.isNull(), "no item, no cookies!");
    QMProgressItemLayer* layer = m_itemSublayers.value(uuid);
    if (!layer) {
        QMLog("WARNING: didn't find layer with UUID: %@", uuid);
        return;
    }
    layer->setPosition(doApplyRelative ? layer->position() + target->position() : target->position());
    layer->setZPosition(target->zPositon());
    layer->setOpacity(target->opacity());
    layer->setHidden(target->hidden());
    layer->setObscurity(target->obscurity());
}

void QMProgressAnimationView::applyLayerContentOfItem(const Item& item)
{
    DW_ASSERT(!item.uuid.isEmpty(), "item has no uuid");
    QMProgressItemLayer* layer = m_itemSublayers.value(item.uuid);
    if (!layer) {
        QMLog("WARNING: didn't find layer with UUID: %@", item.uuid);
        return;
    }
    layer->setImage(item.image);
    layer->setBounds(QRectF(QPointF(0, 0), kCardSize));
    layer->setObscurizerFrame(QRectF(0, 16, 114, 114));
    layer->setNeedsDisplay();
}

void QMProgressAnimationView::setGlobalProgress(float progress)
{
    if (progress < m_globalProgress)
        QMLog("*********** progress running backwards!!! *************");
    m_globalProgress = progress;
    QTimer::singleShot(10, this, [this, progress] { m_progressBarLayer->setProgressNumber(progress); });
}

QPolygonF QMProgressAnimationView::projectedQuadForLayer(const QMProgressItemLayer& layer) const
{
    // Stage coordinates, y up, relative to the stage's centre, where its transform applies.
    const qreal cx = width() / 2.0;
    const qreal cy = height() / 2.0;
    const QPointF position = layer.presentationPosition();
    const QSizeF size = layer.bounds().size();
    const qreal z = layer.presentationZPosition();
    const qreal left = position.x() - size.width() / 2 - cx;
    const qreal right = left + size.width();
    const qreal bottom = position.y() - size.height() / 2 - cy;
    const qreal top = bottom + size.height();
    const auto onScreen = [&](qreal x, qreal y) {
        const QPointF projected = m_sublayerTransform.project(x, y, z);
        return QPointF(projected.x() + cx, height() - (projected.y() + cy));
    };
    return QPolygonF({onScreen(left, top), onScreen(right, top), onScreen(right, bottom), onScreen(left, bottom)});
}

QList<QMProgressItemLayer*> QMProgressAnimationView::layersInDrawingOrder() const
{
    QList<QMProgressItemLayer*> layers = m_stageLayers;
    std::stable_sort(layers.begin(), layers.end(), [](const QMProgressItemLayer* a, const QMProgressItemLayer* b) {
        return a->presentationZPosition() < b->presentationZPosition();
    });
    return layers;
}

void QMProgressAnimationView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal h = height();
    if (m_background.isNull())
        painter.fillRect(rect(), QColor(24, 26, 32));
    else
        painter.drawImage(QRectF(rect()), m_background);

    for (const QMProgressItemLayer* layer : layersInDrawingOrder()) {
        if (layer->isHidden() || layer->presentationOpacity() <= 0 || layer->contents().isNull())
            continue;
        const QSizeF size = layer->bounds().size();
        const QPolygonF card(
            {QPointF(0, 0), QPointF(size.width(), 0), QPointF(size.width(), size.height()), QPointF(0, size.height())});
        QTransform transform;
        if (!QTransform::quadToQuad(card, projectedQuadForLayer(*layer), transform))
            continue;
        painter.setTransform(transform);
        painter.setOpacity(layer->presentationOpacity());
        painter.drawImage(QRectF(QPointF(0, 0), size), layer->contents());
        if (layer->presentationObscurity() > 0) {
            // The veil's frame is given y up inside the card.
            const QRectF veil = layer->obscurizerFrame();
            painter.setOpacity(layer->presentationOpacity() * layer->presentationObscurity());
            painter.fillRect(QRectF(veil.x(), size.height() - veil.y() - veil.height(), veil.width(), veil.height()),
                             Qt::black);
        }
        painter.resetTransform();
        painter.setOpacity(1);
    }

    if (!m_foreground.isNull())
        painter.drawImage(QPointF(0, h - m_foreground.deviceIndependentSize().height()), m_foreground);
    if (!m_shadowing.isNull())
        painter.drawImage(QPointF(0, 0), m_shadowing);
    m_progressBarLayer->paint(painter, QPointF(0, h - 25));

    const auto drawText = [&](const TextLayer& layer) {
        const QRectF frame(layer.frame.x(), h - layer.frame.y() - layer.frame.height(), layer.frame.width(),
                           layer.frame.height());
        painter.fillRect(frame, Qt::black);
        QFont font = this->font();
        font.setPixelSize(layer.fontSize);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(frame, Qt::AlignCenter | Qt::TextSingleLine, layer.text);
    };
    drawText(m_textLayer);
    for (const TextLayer& label : std::as_const(m_columnLabels))
        drawText(label);
}
