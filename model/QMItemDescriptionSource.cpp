#include "model/QMItemDescriptionSource.h"

#include "model/QMEbayItem.h"

#include "platform/core/Installable.h"

QString QMItemDescriptionSource::eBayDescriptionForItem(const QMEbayItem& item) const
{
    return item.itemDescriptionAsHTMLString();
}

namespace {

dw::Installable<const QMItemDescriptionSource>& slot()
{
    static dw::Installable<const QMItemDescriptionSource> instance(std::make_shared<QMItemDescriptionSource>());
    return instance;
}

} // namespace

std::shared_ptr<const QMItemDescriptionSource> QMItemDescriptionSource::installed()
{
    return slot().installed();
}

void QMItemDescriptionSource::install(std::shared_ptr<const QMItemDescriptionSource> source)
{
    slot().install(std::move(source));
}
