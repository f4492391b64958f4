#include "shell/QMBDocument.h"

#include "model/QMEbayItem.h"

// Not built yet: every change of the listing marks the document edited; there is no preview to
// reload.

void QMBDocument::startObservingItem(const std::shared_ptr<QMEbayItem>& item)
{
    connect(item.get(), &QMEbayItem::keyChanged, this, [this](const QString& key) {
        if (key != QLatin1String("wasChanged") && key != QLatin1String("cachedImageValid"))
            setItemWasChanged(true);
    });
}

void QMBDocument::stopObservingItem(const std::shared_ptr<QMEbayItem>& item)
{
    disconnect(item.get(), &QMEbayItem::keyChanged, this, nullptr);
}

void QMBDocument::updateAuctionWebViewForItem(const std::shared_ptr<QMEbayItem>&) {}
