#pragma once
// The picture at the top of the upload progress panel: each listing being uploaded is a framed
// photo, a card in a shallow 3-D scene. Cards wait off-stage on the left, move through three
// columns (verifying, uploading pictures, adding) where they queue one behind the other and fade
// into depth, leave on the right when finished and drop out of sight below when they stop on
// warnings or fail. A bar slides with the overall progress, a caption counts the listings still
// in work and three labels name the columns.
//
// The view knows nothing of uploads: it is bound to a list model whose rows are items (uuid,
// status 0 to 6, picture; see QMProgressAnimationItemProtocol) and keeps one card layer per uuid.
// Where a card goes is decided by a table of targets, one cluster per status, made once from the
// view's size at creation. The layers are a model of their own (positions with y pointing up,
// z positions, opacity, obscurity) that tests read without drawing; paintEvent() projects each
// card through the stage's 4×4 transform and draws it with QPainter, the cards in ascending z, and
// property animations make them glide. Main thread.
//
//     auto* view = new QMProgressAnimationView(QSize(625, 200), panel);
//     view->bindItems(&progressItems);            // a QMProgressItemListModel
//     view->setRightOperationText(tr("Uploading Auctions"));

#include "ProgressAnimationView/QMProgressAnimationTarget.h"
#include "ProgressAnimationView/QMTransform3D.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QImage>
#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QPolygonF>
#include <QWidget>
#include <functional>

class QMProgressBarLayer;
class QMProgressItemLayer;

class QMProgressAnimationView : public QWidget
{
    Q_OBJECT

public:
    // One bound item as the view last read it from the model.
    struct Item
    {
        QString uuid;
        uint status = 0;
        QImage image;
    };
    // A text strip drawn over the stage: its frame in the view (y up), text and font size.
    struct TextLayer
    {
        QRectF frame;
        QString text;
        int fontSize = 12;
    };

    static constexpr int kClusterCount = 7;

    explicit QMProgressAnimationView(const QSize& size = QSize(625, 200), QWidget* parent = nullptr);
    ~QMProgressAnimationView() override;

    // The "items" binding: follows the model's rows (cards made and removed), their status and
    // their picture. Binding again replaces the earlier binding.
    void bindItems(QAbstractItemModel* model);
    // Forgets the model, every item and every card.
    void unbindItems();
    QAbstractItemModel* observableController() const { return m_observableController; }

    const QList<Item>& items() const { return m_items; }
    const QHash<QString, QMProgressItemLayer*>& itemSublayers() const { return m_itemSublayers; }
    QMProgressItemLayer* layerForUuid(const QString& uuid) const { return m_itemSublayers.value(uuid); }
    const QList<QMProgressAnimationTargetClusterPtr>& targetClusters() const { return m_targetClusters; }

    float globalProgress() const { return m_globalProgress; }
    // Logs "*********** progress running backwards!!! *************" for a lower value, stores it
    // and hands it to the bar 0.01 s later.
    void setGlobalProgress(float progress);
    QMProgressBarLayer* progressBarLayer() const { return m_progressBarLayer; }

    QString rightOperationText() const { return m_columnLabels.at(2).text; }
    void setRightOperationText(const QString& text);
    const TextLayer& textLayer() const { return m_textLayer; }
    // Left, middle and right (the right one's text is rightOperationText()).
    const QList<TextLayer>& columnLabels() const { return m_columnLabels; }

    // The stage's transform: a rotation by `x` radians about the vertical axis, then by `y` about
    // the horizontal one, with the perspective entry m34 = -0.0005.
    void orientWithX(float x, float y);
    const QMTransform3D& sublayerTransform() const { return m_sublayerTransform; }

    // The seven clusters of targets from the view's current size.
    void setupTargets();
    // Places every item in the cluster of its status, recomputes the progress and the caption.
    void rearrangeItems();
    // Asserts a target ("no target, no cookies!") and an item ("no item, no cookies!"); an item
    // without a card is logged and skipped.
    void applyTarget(const QMProgressAnimationTargetPtr& target, const QString& uuid, bool doApplyRelative);
    // Asserts an uuid ("item has no uuid"); gives the item's card its picture and redraws it.
    void applyLayerContentOfItem(const Item& item);

    // Where a card's corners land in the widget (top left, top right, bottom right, bottom left),
    // from its presentation values, through the stage's transform.
    QPolygonF projectedQuadForLayer(const QMProgressItemLayer& layer) const;
    // The cards in the order they are drawn: ascending presentation z, equal z in the order made.
    QList<QMProgressItemLayer*> layersInDrawingOrder() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void observeArrangedObjects();
    void observeDataChanged(const QList<int>& roles);
    void readItemsFromModel();
    void synchronizeLayers();
    void removeLayer(const QString& uuid);
    int indexOfItem(const QString& uuid) const;
    void runGuarded(const char* what, const std::function<void()>& work);

    QList<Item> m_items;
    QHash<QString, QMProgressItemLayer*> m_itemSublayers;
    QList<QMProgressItemLayer*> m_stageLayers;
    float m_globalProgress = 0;
    QList<QMProgressAnimationTargetClusterPtr> m_targetClusters;
    QPointer<QAbstractItemModel> m_observableController;
    QList<QMetaObject::Connection> m_bindings;
    QMProgressBarLayer* m_progressBarLayer;
    QMTransform3D m_sublayerTransform;
    TextLayer m_textLayer;
    QList<TextLayer> m_columnLabels;
    QImage m_background;
    QImage m_foreground;
    QImage m_shadowing;
};
