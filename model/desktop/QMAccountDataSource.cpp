#include "model/QMAccountDataSource.h"

#include "platform/core/Installable.h"

namespace {

dw::Installable<QMAccountDataSource>& slot()
{
    static dw::Installable<QMAccountDataSource> instance;
    return instance;
}

} // namespace

std::shared_ptr<QMAccountDataSource> QMAccountDataSource::installed()
{
    return slot().installed();
}

void QMAccountDataSource::install(std::shared_ptr<QMAccountDataSource> source)
{
    slot().install(std::move(source));
}
