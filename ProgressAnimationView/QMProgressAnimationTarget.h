#pragma once
// Where the animated progress view puts a card: a place on the stage (position, y up, z position,
// opacity, the veil's obscurity, hidden), and the clusters of such places, one per item status.
// A relative cluster holds one target whose position is an offset added to the card's current
// position rather than a place. Plain values. Main thread.
//
//     auto column = QMProgressAnimationTargetCluster::clusterWithTargets({front, second, third});
//     auto drop = QMProgressAnimationRelativeTargetCluster::clusterWithTarget(
//         QMProgressAnimationTarget::targetWithPosition({0, -180}, 0, 1, 0, false));

#include <QList>
#include <QPointF>
#include <QString>
#include <memory>

class QMProgressAnimationTarget
{
public:
    QMProgressAnimationTarget(QPointF position, float zPosition, float opacity, float obscurity, bool hidden)
        : m_position(position), m_zPosition(zPosition), m_opacity(opacity), m_obscurity(obscurity), m_hidden(hidden)
    {}
    static std::shared_ptr<QMProgressAnimationTarget> targetWithPosition(QPointF position, float zPosition,
                                                                         float opacity, float obscurity, bool hidden)
    {
        return std::make_shared<QMProgressAnimationTarget>(position, zPosition, opacity, obscurity, hidden);
    }

    QPointF position() const { return m_position; }
    float zPositon() const { return m_zPosition; }
    float opacity() const { return m_opacity; }
    float obscurity() const { return m_obscurity; }
    bool hidden() const { return m_hidden; }

private:
    QPointF m_position;
    float m_zPosition;
    float m_opacity;
    float m_obscurity;
    bool m_hidden;
};
using QMProgressAnimationTargetPtr = std::shared_ptr<QMProgressAnimationTarget>;

class QMProgressAnimationTargetCluster
{
public:
    explicit QMProgressAnimationTargetCluster(QList<QMProgressAnimationTargetPtr> targets)
        : m_targets(std::move(targets))
    {}
    virtual ~QMProgressAnimationTargetCluster() = default;
    static std::shared_ptr<QMProgressAnimationTargetCluster>
    clusterWithTargets(const QList<QMProgressAnimationTargetPtr>& targets)
    {
        return std::make_shared<QMProgressAnimationTargetCluster>(targets);
    }

    virtual bool isRelative() const { return false; }
    const QList<QMProgressAnimationTargetPtr>& targets() const { return m_targets; }
    // The uuids of the items the last arrangement placed here, in order.
    QStringList& items() { return m_items; }
    const QStringList& items() const { return m_items; }

private:
    QList<QMProgressAnimationTargetPtr> m_targets;
    QStringList m_items;
};
using QMProgressAnimationTargetClusterPtr = std::shared_ptr<QMProgressAnimationTargetCluster>;

class QMProgressAnimationRelativeTargetCluster : public QMProgressAnimationTargetCluster
{
public:
    explicit QMProgressAnimationRelativeTargetCluster(const QMProgressAnimationTargetPtr& target)
        : QMProgressAnimationTargetCluster({target})
    {}
    static std::shared_ptr<QMProgressAnimationRelativeTargetCluster>
    clusterWithTarget(const QMProgressAnimationTargetPtr& target)
    {
        return std::make_shared<QMProgressAnimationRelativeTargetCluster>(target);
    }
    // Asserts "relative target cluster needs exactly one Target (which is relative in position)"
    // unless the list holds exactly one target.
    static std::shared_ptr<QMProgressAnimationRelativeTargetCluster>
    clusterWithTargets(const QList<QMProgressAnimationTargetPtr>& targets);

    bool isRelative() const override { return true; }
};
