#include "description/QMDesignResourceProgress.h"

#include "platform/core/Installable.h"

namespace {

dw::Installable<QMDesignResourceProgress>& slot()
{
    static dw::Installable<QMDesignResourceProgress> instance;
    return instance;
}

} // namespace

std::shared_ptr<QMDesignResourceProgress> QMDesignResourceProgress::installed()
{
    return slot().installed();
}

void QMDesignResourceProgress::install(std::shared_ptr<QMDesignResourceProgress> panel)
{
    slot().install(std::move(panel));
}
