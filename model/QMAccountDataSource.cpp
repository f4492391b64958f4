#include "model/QMAccountDataSource.h"

#include <mutex>

namespace {

std::mutex s_mutex;
std::shared_ptr<QMAccountDataSource> s_installed;

} // namespace

std::shared_ptr<QMAccountDataSource> QMAccountDataSource::installed()
{
    std::lock_guard lock(s_mutex);
    return s_installed;
}

void QMAccountDataSource::install(std::shared_ptr<QMAccountDataSource> source)
{
    std::lock_guard lock(s_mutex);
    s_installed = std::move(source);
}
