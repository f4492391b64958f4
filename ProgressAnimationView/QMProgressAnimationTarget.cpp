#include "ProgressAnimationView/QMProgressAnimationTarget.h"

#include "platform/core/DWAssert.h"

std::shared_ptr<QMProgressAnimationRelativeTargetCluster>
QMProgressAnimationRelativeTargetCluster::clusterWithTargets(const QList<QMProgressAnimationTargetPtr>& targets)
{
    DW_ASSERT(targets.size() == 1, "relative target cluster needs exactly one Target (which is relative in position)");
    return clusterWithTarget(targets.last());
}
