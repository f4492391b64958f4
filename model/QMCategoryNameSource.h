#pragma once
// Where the listing finds the names of eBay categories: the category stores of each site, which
// live in a layer above the model and install themselves here at start.
//
// Until a source is installed (and in tools and tests without one) no name is known, so a listing
// shows its categories as not found. Main thread, like the listings that ask.
//
//     class SQCategoryDataManager : public QMCategoryNameSource { ... };
//     QMCategoryNameSource::install(manager);

#include <QString>
#include <memory>

class QMCategoryNameSource
{
public:
    virtual ~QMCategoryNameSource() = default;

    // The name of the category in the site's store; null when the category or the store is not
    // there.
    virtual QString categoryNameForSiteID(qint64 siteID, qint64 categoryID) const = 0;

    // The installed source, or null.
    static std::shared_ptr<QMCategoryNameSource> installed();
    // Null removes the source.
    static void install(std::shared_ptr<QMCategoryNameSource> source);
};
