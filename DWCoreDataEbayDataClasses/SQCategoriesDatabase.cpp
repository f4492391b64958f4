#include "DWCoreDataEbayDataClasses/SQCategoriesDatabase.h"

#include "SQStoreContext_p.h"

#include "DWKit/NSManagedObject+DWExtension.h"
#include "DWKit/QMLog.h"
#include "platform/core/DWAssert.h"

#include <QFileInfo>
#include <QSet>

namespace {

// No eBay tree is deeper than a dozen levels; a longer chain can only be a loop in damaged data.
constexpr int kMaximumTreeDepth = 64;

class SQVersion : public SQManagedObject
{
public:
    SQVersion(std::shared_ptr<SQStoreContext> context, qint64 rowID, std::vector<QVariant> values)
        : SQManagedObject(std::move(context), entityDescription(), rowID, std::move(values))
    {}
    static const SQEntityDescription& entityDescription()
    {
        static const SQEntityDescription entity{QStringLiteral("Version"),
                                                {QStringLiteral("treeVersion"), QStringLiteral("fileFormatVersion"),
                                                 QStringLiteral("attributeDataVersion")},
                                                {}};
        return entity;
    }
};

} // namespace

SQCategoriesDatabase::SQCategoriesDatabase(qint64 siteID, qint64 databaseSchemaVersion)
    : SQAbstractDatabase(modelPathForSchemaVersion(databaseSchemaVersion), storePathForSiteID(siteID)), m_siteID(siteID)
{
    if (!QFileInfo::exists(databasePath()))
        return;
    m_open = managedObjectContext() != nullptr;
    if (!m_open)
        QMLog("Could not open categories file with local mom (%@)", modelPath());
}

QString SQCategoriesDatabase::categoriesFolderPathNoFolderCreation()
{
    return supportFolderPath(QStringLiteral("Categories"), false);
}

QString SQCategoriesDatabase::categoriesFolderPath()
{
    return supportFolderPath(QStringLiteral("Categories"), true);
}

QString SQCategoriesDatabase::storePathForSiteID(qint64 siteID)
{
    return categoriesFolderPathNoFolderCreation() + QStringLiteral("/Categories.site%1.sqlite").arg(siteID);
}

QString SQCategoriesDatabase::modelPathForSchemaVersion(qint64 version)
{
    return modelFilePath(QStringLiteral("Categories_v%1.sql").arg(version > 0 ? version : 2));
}

QVariantMap SQCategoriesDatabase::persistentStoreOptions() const
{
    return readOnlyStoreOptions();
}

SQCategoryPtr SQCategoriesDatabase::categoryForCategoryID(qint64 categoryID)
{
    const auto context = managedObjectContext();
    if (!context)
        return nullptr;
    return context->fetchFirst<SQCategory>(QStringLiteral("categoryID = ?"),
                                           [categoryID](dw::sq::Statement& s) { s.bind(1, categoryID); });
}

QList<SQCategoryPtr> SQCategoriesDatabase::categoriesForSearchString(const QString& text)
{
    const auto context = managedObjectContext();
    if (!context || text.isEmpty())
        return {};
    const QString needle = dw::sq::foldedForSearch(text);
    return context->fetch<SQCategory>(QStringLiteral("subcategoriesCount = 0 AND dw_folded_contains(name, ?)"),
                                      [&needle](dw::sq::Statement& s) { s.bind(1, needle); });
}

quint64 SQCategoriesDatabase::categoriesCount()
{
    const auto context = managedObjectContext();
    if (!context)
        return 0;
    const qint64 count = context->integerResult(QStringLiteral("SELECT count(*) FROM Category"), 0);
    return count > 0 ? quint64(count) : 0;
}

QList<SQCategoryPtr> SQCategoriesDatabase::categories()
{
    const auto context = managedObjectContext();
    return context ? context->fetch<SQCategory>(QString()) : QList<SQCategoryPtr>();
}

QList<SQCategoryPtr> SQCategoriesDatabase::subcategoriesForCategory(const SQCategoryPtr& category)
{
    return category ? category->sortedSubcategories() : QList<SQCategoryPtr>();
}

QList<SQCategoryPtr> SQCategoriesDatabase::subcategoriesForCategoryID(qint64 categoryID)
{
    return subcategoriesForCategory(categoryForCategoryID(categoryID));
}

QList<SQCategoryPtr> SQCategoriesDatabase::parentCategoriesForCategory(const SQCategoryPtr& category)
{
    QList<SQCategoryPtr> chain;
    QSet<qint64> seen;
    for (SQCategoryPtr current = category; current; current = current->parentCategory()) {
        if (seen.contains(current->rowID()) || chain.size() >= kMaximumTreeDepth) {
            const QString message =
                QStringLiteral("The parent chain of category %1 loops or is too deep").arg(category->categoryID());
            QMLog("%@", message);
            postErrorOccurredNotificationForError(message);
            return {};
        }
        seen.insert(current->rowID());
        chain.prepend(current);
    }
    return chain;
}

QList<SQCategoryPtr> SQCategoriesDatabase::parentCategoriesForCategoryWithID(qint64 categoryID)
{
    return parentCategoriesForCategory(categoryForCategoryID(categoryID));
}

SQManagedObjectPtr SQCategoriesDatabase::versionObject()
{
    const auto context = managedObjectContext();
    return context ? context->fetchFirst<SQVersion>(QString()) : nullptr;
}

qint64 SQCategoriesDatabase::treeVersion()
{
    const auto version = versionObject();
    return version ? version->valueForKey(QStringLiteral("treeVersion")).toLongLong() : 0;
}

qint64 SQCategoriesDatabase::fileFormatVersion()
{
    const auto version = versionObject();
    return version ? version->valueForKey(QStringLiteral("fileFormatVersion")).toLongLong() : 0;
}

qint64 SQCategoriesDatabase::attributeDataVersion()
{
    const auto version = versionObject();
    return version ? version->valueForKey(QStringLiteral("attributeDataVersion")).toLongLong() : 0;
}

QList<SQItemSpecificPtr> SQCategoriesDatabase::itemSpecificsForFirstCategoryID(qint64 firstID, qint64 secondID,
                                                                               const QString& sortKey)
{
    if (firstID == 0)
        return {};
    QList<SQItemSpecificPtr> result;
    const auto append = [&](qint64 categoryID) {
        const auto category = categoryForCategoryID(categoryID);
        if (!category)
            return;
        for (const auto& specific : dw::sortObjects(category->itemSpecifics(), sortKey)) {
            if (!result.contains(specific))
                result.append(specific);
        }
    };
    append(firstID);
    if (secondID != 0)
        append(secondID);
    return result;
}

QList<SQItemSpecificValuePtr>
SQCategoriesDatabase::itemSpecificValuesForItemSpecific(const SQItemSpecificPtr& itemSpecific)
{
    return itemSpecific ? itemSpecific->sortedItemSpecificValues() : QList<SQItemSpecificValuePtr>();
}

QList<SQManagedObjectPtr> SQCategoriesDatabase::fetchEntity(const QString& entityName, const QString& where,
                                                            qint64 rowID, bool* ok)
{
    const auto context = managedObjectContext();
    if (!context) {
        if (ok)
            *ok = false;
        return {};
    }
    const auto bind = [rowID, &where](dw::sq::Statement& s) {
        if (!where.isEmpty())
            s.bind(1, rowID);
    };
    if (entityName == SQCategory::entityDescription().name)
        return asObjects(context->fetch<SQCategory>(where, bind, ok));
    if (entityName == SQConditionSet::entityDescription().name)
        return asObjects(context->fetch<SQConditionSet>(where, bind, ok));
    if (entityName == SQCondition::entityDescription().name)
        return asObjects(context->fetch<SQCondition>(where, bind, ok));
    if (entityName == SQItemSpecific::entityDescription().name)
        return asObjects(context->fetch<SQItemSpecific>(where, bind, ok));
    if (entityName == SQItemSpecificValue::entityDescription().name)
        return asObjects(context->fetch<SQItemSpecificValue>(where, bind, ok));
    if (entityName == SQVersion::entityDescription().name)
        return asObjects(context->fetch<SQVersion>(where, bind, ok));
    return SQAbstractDatabase::fetchEntity(entityName, where, rowID, ok);
}
