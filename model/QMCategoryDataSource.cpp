#include "model/QMCategoryDataSource.h"

#include "platform/core/Installable.h"

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

namespace {

dw::Installable<QMCategoryDataSource>& slot()
{
    static dw::Installable<QMCategoryDataSource> instance;
    return instance;
}

} // namespace

std::shared_ptr<QMCategoryDataSource> QMCategoryDataSource::installed()
{
    return slot().installed();
}

void QMCategoryDataSource::install(std::shared_ptr<QMCategoryDataSource> source)
{
    slot().install(std::move(source));
}
