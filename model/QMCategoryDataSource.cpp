#include "model/QMCategoryDataSource.h"

#include <mutex>

namespace {

std::mutex s_mutex;
std::shared_ptr<QMCategoryDataSource> s_installed;

} // namespace

bool QMCategoryDataSource::categoryIDSupportsReservedPrice(qint64 categoryID, qint64 siteID) const
{
    if (categoryID == 0)
        return false;
    const auto category = categoryForCategoryID(categoryID, siteID);
    return category && category->reservePriceAllowed;
}

bool QMCategoryDataSource::categoryIDSupportsBestOffer(qint64 categoryID, qint64 siteID) const
{
    if (categoryID == 0)
        return false;
    const auto category = categoryForCategoryID(categoryID, siteID);
    return category && category->supportsBestOffer;
}

std::shared_ptr<QMCategoryDataSource> QMCategoryDataSource::installed()
{
    std::lock_guard lock(s_mutex);
    return s_installed;
}

void QMCategoryDataSource::install(std::shared_ptr<QMCategoryDataSource> source)
{
    std::lock_guard lock(s_mutex);
    s_installed = std::move(source);
}
