#include "model/QMCategoryNameSource.h"

#include <mutex>

namespace {

std::mutex s_mutex;
std::shared_ptr<QMCategoryNameSource> s_installed;

} // namespace

std::shared_ptr<QMCategoryNameSource> QMCategoryNameSource::installed()
{
    std::lock_guard lock(s_mutex);
    return s_installed;
}

void QMCategoryNameSource::install(std::shared_ptr<QMCategoryNameSource> source)
{
    std::lock_guard lock(s_mutex);
    s_installed = std::move(source);
}
