#pragma once
// Where the add-item request builder gets the description it sends to eBay: the description
// generator of the description layer, which lays the seller's text, pictures, videos and footer
// into the listing's design. The description layer installs its generator at start.
//
// Until then (tools, tests of the lower layers) the built-in source answers the listing's own
// description as HTML, without design, pictures or footer. Main thread, like the listing.
//
//     QMItemDescriptionSource::install(std::make_shared<GeneratorDescriptionSource>());
//     const QString html = QMItemDescriptionSource::installed()->eBayDescriptionForItem(item);

#include <QString>
#include <memory>

class QMEbayItem;

class QMItemDescriptionSource
{
public:
    virtual ~QMItemDescriptionSource() = default;

    virtual QString eBayDescriptionForItem(const QMEbayItem& item) const;

    // The installed source, or the built-in one; never null.
    static std::shared_ptr<const QMItemDescriptionSource> installed();
    // Null goes back to the built-in source.
    static void install(std::shared_ptr<const QMItemDescriptionSource> source);
};
