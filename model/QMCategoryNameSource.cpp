#include "model/QMCategoryNameSource.h"

#include "platform/core/Installable.h"

namespace {

dw::Installable<QMCategoryNameSource>& slot()
{
    static dw::Installable<QMCategoryNameSource> instance;
    return instance;
}

} // namespace

std::shared_ptr<QMCategoryNameSource> QMCategoryNameSource::installed()
{
    return slot().installed();
}

void QMCategoryNameSource::install(std::shared_ptr<QMCategoryNameSource> source)
{
    slot().install(std::move(source));
}
