#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"

#include "DWCoreDataEbayDataClasses/SQCategoryCacheManager.h"

#include "DWKit/NSManagedObject+DWExtension.h"
#include "DWKit/QMLog.h"
#include "model/DWEbayPreferencesManager.h"
#include "model/QMCategoryDataSource.h"
#include "model/QMCategoryNameSource.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Localization.h"
#include "platform/core/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

namespace {

// Whether a file is a store of the kind's model: checked before it may replace a good store.
bool isUsableStore(const QString& path, bool categories, QString* reason)
{
    const QString model = categories
                              ? SQCategoriesDatabase::modelPathForSchemaVersion(kSQCategoriesDatabaseSchemaVersion)
                              : SQAttributesDatabase::modelPath();
    // A read-only probe of the candidate; the probe must not delete it, so it uses the strong form.
    class Probe : public SQAbstractDatabase
    {
    public:
        using SQAbstractDatabase::SQAbstractDatabase;
        QVariantMap persistentStoreOptions() const override { return readOnlyStoreOptions(); }
    } probe(model, path);
    try {
        return probe.managedObjectContext() != nullptr;
    } catch (const dw::InternalInconsistency& error) {
        if (reason)
            *reason = error.message();
        return false;
    }
}

QMCategoryDataManager::DownloadQueuer& downloadQueuer()
{
    static QMCategoryDataManager::DownloadQueuer queuer;
    return queuer;
}

std::mutex& downloadQueuerMutex()
{
    static std::mutex mutex;
    return mutex;
}

// What the listing model asks of the stores, answered from the application's manager.
class ModelCategorySource : public QMCategoryDataSource, public QMCategoryNameSource
{
public:
    explicit ModelCategorySource(std::shared_ptr<QMCategoryDataManager> manager) : m_manager(std::move(manager)) {}

    std::optional<QMCategoryInfo> categoryForCategoryID(qint64 categoryID, qint64 siteID) const override
    {
        const auto category = m_manager->categoryForCategoryID(categoryID, siteID);
        if (!category)
            return std::nullopt;
        QMCategoryInfo info;
        info.categoryID = category->categoryID();
        info.conditionRequired = category->conditionRequired();
        info.supportsCustomSpecifics = category->supportsCustomSpecifics();
        info.reservePriceAllowed = category->reservePriceAllowed();
        info.supportsBestOffer = category->supportsBestOffer();
        if (const auto set = category->conditionSet()) {
            QList<QMCategoryCondition> conditions;
            for (const auto& condition : set->sortedConditions())
                conditions.append({condition->identifier(), condition->name(), condition->index()});
            info.conditionSet = conditions;
        }
        return info;
    }

    bool completeDataAvailableForSiteID(qint64 siteID) const override
    {
        return m_manager->completeDataAvailableForSiteID(siteID);
    }

    QList<qint64> characteristicSetIDsForCategoryIDs(const QList<qint64>& categoryIDs, qint64 siteID) const override
    {
        return m_manager->characteristicSetIDsForCategoryIDs(categoryIDs.mid(0, 2), siteID);
    }

    std::optional<QList<QMCategoryAttribute>> sortedAttributesForAttributeSet(qint64 setID,
                                                                              qint64 siteID) const override
    {
        const auto store = m_manager->attributesDatabaseForForSiteID(siteID);
        const auto set = store ? store->attributeSetWithIdentifier(setID) : nullptr;
        if (!set)
            return std::nullopt;
        QList<QMCategoryAttribute> attributes;
        for (const auto& attribute : store->sortedAttributesForAttributeSet(set)) {
            QMCategoryAttribute record;
            record.identifier = attribute->identifier();
            record.label = attribute->label();
            record.labelVisible = attribute->labelVisible() != 0;
            record.visibility = attribute->visibility();
            record.editType = attribute->editType();
            for (const auto& rule : attribute->validationRules())
                record.validationRuleTypes.append(rule->type());
            for (const auto& dependency : attribute->dependencies()) {
                const auto child = dependency->childAttribute();
                const auto value = dependency->parentValue();
                if (child)
                    record.dependencies.append({child->identifier(), value ? value->identifier() : QString()});
            }
            attributes.append(record);
        }
        return attributes;
    }

    QString characteristicSetNameForSetID(qint64 setID, qint64 siteID) const override
    {
        const auto store = m_manager->attributesDatabaseForForSiteID(siteID);
        const auto set = store ? store->attributeSetWithIdentifier(setID) : nullptr;
        return set ? set->name() : QString();
    }

    QString cachedCategoryPathForSiteID(qint64 siteID, qint64 categoryID) const override
    {
        const auto cache = SQCategoryCacheManager::sharedSQCategoryCacheManager();
        return cache ? cache->cachedCategoryPathForSiteID(siteID, categoryID) : QString();
    }

    QString categoryNameForSiteID(qint64 siteID, qint64 categoryID) const override
    {
        return m_manager->categoryNameForSiteID(siteID, categoryID);
    }

private:
    std::shared_ptr<QMCategoryDataManager> m_manager;
};

} // namespace

SQCategoryDataManager::SQCategoryDataManager() = default;
SQCategoryDataManager::~SQCategoryDataManager() = default;

std::shared_ptr<SQCategoryDataManager> SQCategoryDataManager::sharedSQCategoryDataManager()
{
    static const auto instance = std::make_shared<SQCategoryDataManager>();
    return instance;
}

bool SQCategoryDataManager::categoriesLoadedForSiteID(qint64 siteID) const
{
    std::lock_guard lock(m_registryMutex);
    return m_categoryDataBases.contains(keyForSiteID(siteID));
}

bool SQCategoryDataManager::attributesLoadedForSiteID(qint64 siteID) const
{
    std::lock_guard lock(m_registryMutex);
    return m_attributesDataBases.contains(keyForSiteID(siteID));
}

SQCategoriesDatabasePtr SQCategoryDataManager::openCategoriesDatabase(qint64 siteID)
{
    auto store = std::make_shared<SQCategoriesDatabase>(siteID);
    return store->isOpen() ? store : nullptr;
}

SQCategoriesDatabasePtr SQCategoryDataManager::categoriesDatabaseForForSiteID(qint64 siteID)
{
    {
        std::lock_guard lock(m_registryMutex);
        if (const auto it = m_categoryDataBases.constFind(keyForSiteID(siteID)); it != m_categoryDataBases.constEnd())
            return *it;
    }
    // Opened outside the registry lock: opening reads the file, and lookups must not wait on it.
    auto store = openCategoriesDatabase(siteID);
    if (!store)
        return nullptr;
    std::lock_guard lock(m_registryMutex);
    // Another thread may have registered one meanwhile; the first one stays.
    if (const auto it = m_categoryDataBases.constFind(keyForSiteID(siteID)); it != m_categoryDataBases.constEnd())
        return *it;
    m_categoryDataBases.insert(keyForSiteID(siteID), store);
    return store;
}

SQAttributesDatabasePtr SQCategoryDataManager::attributesDatabaseForForSiteID(qint64 siteID)
{
    {
        std::lock_guard lock(m_registryMutex);
        if (const auto it = m_attributesDataBases.constFind(keyForSiteID(siteID));
            it != m_attributesDataBases.constEnd())
            return *it;
    }
    auto store = std::make_shared<SQAttributesDatabase>(siteID);
    if (!store->isOpen())
        return nullptr;
    std::lock_guard lock(m_registryMutex);
    if (const auto it = m_attributesDataBases.constFind(keyForSiteID(siteID)); it != m_attributesDataBases.constEnd())
        return *it;
    m_attributesDataBases.insert(keyForSiteID(siteID), store);
    return store;
}

bool SQCategoryDataManager::completeDataAvailableForSiteID(qint64 siteID)
{
    const bool categories = categoriesDatabaseForForSiteID(siteID) != nullptr;
    const bool attributes = attributesDatabaseForForSiteID(siteID) != nullptr;
    return categories && attributes;
}

qint64 SQCategoryDataManager::categoryTreeVersionForSiteID(qint64 siteID)
{
    const auto store = categoriesDatabaseForForSiteID(siteID);
    return store ? store->treeVersion() : 0;
}

qint64 SQCategoryDataManager::attributesDataVersionForSiteID(qint64 siteID)
{
    const auto store = attributesDatabaseForForSiteID(siteID);
    return store ? store->characterSetsVersion() : 0;
}

bool SQCategoryDataManager::categoryTreeVersion(qint64 remoteTreeVersion, qint64 remoteAttributeVersion, qint64 siteID)
{
    return categoryTreeVersionForSiteID(siteID) == remoteTreeVersion &&
           attributesDataVersionForSiteID(siteID) == remoteAttributeVersion;
}

SQCategoryPtr SQCategoryDataManager::categoryForCategoryID(qint64 categoryID, qint64 siteID)
{
    const auto store = categoriesDatabaseForForSiteID(siteID);
    return store ? store->categoryForCategoryID(categoryID) : nullptr;
}

QList<SQCategoryPtr> SQCategoryDataManager::subcategoriesForCategoryID(qint64 categoryID, qint64 siteID)
{
    const auto store = categoriesDatabaseForForSiteID(siteID);
    return store ? store->subcategoriesForCategoryID(categoryID) : QList<SQCategoryPtr>();
}

QList<SQCategoryPtr> SQCategoryDataManager::subcategoriesForCategory(const SQCategoryPtr& category, qint64 siteID)
{
    const auto store = categoriesDatabaseForForSiteID(siteID);
    return store ? store->subcategoriesForCategory(category) : QList<SQCategoryPtr>();
}

QList<SQCategoryPtr> SQCategoryDataManager::parentCategoriesForCategory(const SQCategoryPtr& category, qint64 siteID)
{
    const auto store = categoriesDatabaseForForSiteID(siteID);
    return store ? store->parentCategoriesForCategory(category) : QList<SQCategoryPtr>();
}

QList<SQCategoryPtr> SQCategoryDataManager::parentCategoriesForCategoryWithID(qint64 categoryID, qint64 siteID)
{
    const auto store = categoriesDatabaseForForSiteID(siteID);
    return store ? store->parentCategoriesForCategoryWithID(categoryID) : QList<SQCategoryPtr>();
}

bool SQCategoryDataManager::categoryExistsForSiteID(qint64 categoryID, qint64 siteID)
{
    return categoryForCategoryID(categoryID, siteID) != nullptr;
}

QString SQCategoryDataManager::categoryNameForSiteID(qint64 siteID, qint64 categoryID)
{
    const auto category = categoryForCategoryID(categoryID, siteID);
    return category ? category->name() : QString();
}

QList<SQCategoryPtr> SQCategoryDataManager::categoriesForSearchString(const QString& text, qint64 siteID)
{
    if (text.isEmpty())
        return {};
    const auto store = categoriesDatabaseForForSiteID(siteID);
    return store ? store->categoriesForSearchString(text) : QList<SQCategoryPtr>();
}

bool SQCategoryDataManager::categoryIDSupportsReservedPrice(qint64 categoryID, qint64 siteID)
{
    if (categoryID == 0)
        return false;
    const auto category = categoryForCategoryID(categoryID, siteID);
    return category && category->reservePriceAllowed();
}

bool SQCategoryDataManager::categoryIDSupportsBestOffer(qint64 categoryID, qint64 siteID)
{
    if (categoryID == 0)
        return false;
    const auto category = categoryForCategoryID(categoryID, siteID);
    return category && category->supportsBestOffer();
}

qint64 SQCategoryDataManager::siteIDForLoadedCategory(const SQCategoryPtr& category) const
{
    if (category) {
        std::lock_guard lock(m_registryMutex);
        for (auto it = m_categoryDataBases.constBegin(); it != m_categoryDataBases.constEnd(); ++it) {
            if ((*it)->managedObjectContext() == category->context())
                return it.key();
        }
    }
    dw::raiseInternalInconsistency(QStringLiteral("A category must have a database"), __FILE__, __LINE__);
}

void SQCategoryDataManager::checkCategoryCount(const QList<qint64>& categoryIDs, const char* condition) const
{
    if (categoryIDs.size() > 2)
        dw::raiseInternalInconsistency(
            QStringLiteral("Invalid parameter not satisfying: %1").arg(QString::fromLatin1(condition)), __FILE__,
            __LINE__);
}

QList<SQAttributeSetPtr> SQCategoryDataManager::characteristicSetsForCategoryIDs(const QList<qint64>& categoryIDs,
                                                                                 qint64 siteID)
{
    checkCategoryCount(categoryIDs, "2 >= [inCategoryIDs count]");
    if (categoryIDs.isEmpty())
        return {};
    const auto store = attributesDatabaseForForSiteID(siteID);
    if (!store)
        return {};
    return store->attributeSetsForFirstCategoryID(categoryIDs.first(), categoryIDs.size() > 1 ? categoryIDs[1] : 0);
}

QList<qint64> SQCategoryDataManager::characteristicSetIDsForCategoryIDs(const QList<qint64>& categoryIDs, qint64 siteID)
{
    QList<qint64> ids;
    for (const auto& set : characteristicSetsForCategoryIDs(categoryIDs, siteID))
        ids.append(set->identifier());
    return ids;
}

QString SQCategoryDataManager::characteristicSetsNameStringForCategoryIDs(const QList<qint64>& categoryIDs,
                                                                          qint64 siteID)
{
    const QList<qint64> ids = characteristicSetIDsForCategoryIDs(categoryIDs, siteID);
    if (ids.isEmpty())
        return dw::localized("Not available");
    const auto store = attributesDatabaseForForSiteID(siteID);
    QStringList names;
    for (const qint64 identifier : ids) {
        const auto set = store ? store->attributeSetWithIdentifier(identifier) : nullptr;
        if (set && !set->name().isEmpty())
            names.append(set->name());
    }
    return names.join(QStringLiteral(", "));
}

QList<qint64> SQCategoryDataManager::searchCharacteristicSetsForCategoryIDs(const QList<qint64>& categoryIDs,
                                                                            qint64 siteID)
{
    checkCategoryCount(categoryIDs, "2 >= [inCategories count]");
    QList<qint64> result;
    if (categoryIDs.isEmpty())
        return result;
    const auto store = attributesDatabaseForForSiteID(siteID);
    const QList<qint64> siteWide = store ? store->siteWideAttributeSetIDs() : QList<qint64>();
    for (const qint64 categoryID : categoryIDs) {
        const auto category = categoryForCategoryID(categoryID, siteID);
        if (!category || !category->catalogEnabled())
            continue;
        for (const qint64 identifier : characteristicSetIDsForCategoryIDs({categoryID}, siteID)) {
            if (!siteWide.contains(identifier))
                result.append(identifier);
        }
    }
    return result;
}

QList<SQItemSpecificPtr> SQCategoryDataManager::specificsForCategoryIDs(const QList<qint64>& categoryIDs, qint64 siteID,
                                                                        const QString& sortKey)
{
    checkCategoryCount(categoryIDs, "2 >= [inIDs count]");
    if (categoryIDs.isEmpty())
        return {};
    const auto store = categoriesDatabaseForForSiteID(siteID);
    if (!store)
        return {};
    return store->itemSpecificsForFirstCategoryID(categoryIDs.first(), categoryIDs.size() > 1 ? categoryIDs[1] : 0,
                                                  sortKey);
}

QList<SQItemSpecificPtr>
SQCategoryDataManager::sortedSuggestedCustomItemSpecificsForCategoryIDs(const QList<qint64>& categoryIDs, qint64 siteID)
{
    return specificsForCategoryIDs(categoryIDs, siteID, QStringLiteral("index"));
}

QMap<QString, QStringList>
SQCategoryDataManager::suggestedCustomSpecificsForCategoryIDs(const QList<qint64>& categoryIDs, qint64 siteID)
{
    QMap<QString, QStringList> suggestions;
    for (const auto& specific : specificsForCategoryIDs(categoryIDs, siteID, QStringLiteral("name"))) {
        if (specific->name().isEmpty())
            continue;
        QStringList values;
        for (const auto& value : specific->itemSpecificValues())
            values.append(value->value());
        suggestions.insert(specific->name(), values);
    }
    return suggestions;
}

QString SQCategoryDataManager::savedCategoriesDataFolder() const
{
    return SQCategoriesDatabase::categoriesFolderPath();
}

QString SQCategoryDataManager::savedAttributesDataFolder() const
{
    return SQAttributesDatabase::attributesFolderPath();
}

QString SQCategoryDataManager::filePathInFolder(const QString& folder, const QString& fileNameFormat, qint64 siteID)
{
    QString name = fileNameFormat;
    name.replace(QStringLiteral("%@"), QStringLiteral(".site%1").arg(siteID));
    return QDir::cleanPath(folder + QLatin1Char('/') + name);
}

QString SQCategoryDataManager::categoryFilePathForSiteID(qint64 siteID) const
{
    return filePathInFolder(savedCategoriesDataFolder(), QStringLiteral("Categories%@.sqlite"), siteID);
}

QString SQCategoryDataManager::attributesPathForSiteID(qint64 siteID) const
{
    return filePathInFolder(savedAttributesDataFolder(), QStringLiteral("Attributes%@.sqlite"), siteID);
}

bool SQCategoryDataManager::saveCategoryTreeFileData(const QByteArray& data, qint64 siteID)
{
    return saveDataOrFile(Kind::Categories, data, siteID);
}

bool SQCategoryDataManager::saveCategoryTreeFileAtPath(const QString& path, qint64 siteID)
{
    return saveDataOrFile(Kind::Categories, path, siteID);
}

bool SQCategoryDataManager::saveCharacteristicSetsFileData(const QByteArray& data, qint64 siteID)
{
    return saveDataOrFile(Kind::Attributes, data, siteID);
}

bool SQCategoryDataManager::saveCharacteristicSetsFileAtPath(const QString& path, qint64 siteID)
{
    return saveDataOrFile(Kind::Attributes, path, siteID);
}

bool SQCategoryDataManager::saveDataOrFile(Kind kind, const std::variant<QByteArray, QString>& dataOrFile,
                                           qint64 siteID)
{
    const bool categories = kind == Kind::Categories;
    std::lock_guard saveLock(m_saveMutex);
    const QString target = categories ? categoryFilePathForSiteID(siteID) : attributesPathForSiteID(siteID);
    QDir().mkpath(QFileInfo(target).absolutePath());

    // The new file is put beside the target first and checked: only a store of our model may
    // replace the one the seller has.
    QString candidate;
    if (const auto* data = std::get_if<QByteArray>(&dataOrFile)) {
        candidate = target + QStringLiteral(".incoming");
        QFile::remove(candidate);
        if (!dw::writeFileAtomically(candidate, *data))
            return false;
    } else {
        const QString source = std::get<QString>(dataOrFile);
        if (!QFileInfo::exists(source))
            dw::raiseInternalInconsistency(QStringLiteral("File must exist at path %1").arg(source), __FILE__,
                                           __LINE__);
        candidate = source;
    }
    QString reason;
    if (!isUsableStore(candidate, categories, &reason)) {
        QMLog("Refusing a downloaded store for site %@ that is not a store of ours: %@", siteID, reason);
        if (std::holds_alternative<QByteArray>(dataOrFile))
            QFile::remove(candidate);
        return false;
    }

    bool wasOpen = false;
    {
        std::lock_guard lock(m_registryMutex);
        wasOpen = categories ? m_categoryDataBases.remove(keyForSiteID(siteID)) > 0
                             : m_attributesDataBases.remove(keyForSiteID(siteID)) > 0;
    }
    // rename() replaces the target in one step; readers of the old store keep its open file.
    bool moved = std::rename(QFile::encodeName(candidate).constData(), QFile::encodeName(target).constData()) == 0;
    if (!moved) {
        // Another file system: copy, then remove the source.
        QFile::remove(target);
        moved = QFile::copy(candidate, target);
        if (moved)
            QFile::remove(candidate);
    }
    if (moved && wasOpen) {
        if (categories)
            categoriesDatabaseForForSiteID(siteID);
        else
            attributesDatabaseForForSiteID(siteID);
    }
    return moved;
}

void SQCategoryDataManager::unloadAll()
{
    std::lock_guard lock(m_registryMutex);
    m_categoryDataBases.clear();
    m_attributesDataBases.clear();
}

std::shared_ptr<DWEbayCategoryDataManager> DWEbayCategoryDataManager::sharedDWEbayCategoryDataManager()
{
    static const auto instance = std::make_shared<DWEbayCategoryDataManager>();
    return instance;
}

bool DWEbayCategoryDataManager::categoryFileExistsForSite(qint64 siteID) const
{
    return QFileInfo::exists(SQCategoriesDatabase::storePathForSiteID(siteID));
}

bool DWEbayCategoryDataManager::attributesFileExistsForSite(qint64 siteID) const
{
    return QFileInfo::exists(SQAttributesDatabase::storePathForSiteID(siteID));
}

bool DWEbayCategoryDataManager::deprecatedCategoryFileExistsForSite(qint64 siteID) const
{
    return QFileInfo::exists(
        filePathInFolder(dw::paths::applicationSupportFolder(), QStringLiteral("Categories%@.data"), siteID));
}

std::shared_ptr<QMCategoryDataManager> QMCategoryDataManager::sharedQMCategoryDataManager()
{
    static const auto instance = std::make_shared<QMCategoryDataManager>();
    return instance;
}

void QMCategoryDataManager::installAsModelSource(const std::shared_ptr<QMCategoryDataManager>& manager)
{
    if (!manager) {
        QMCategoryDataSource::install(nullptr);
        QMCategoryNameSource::install(nullptr);
        return;
    }
    const auto source = std::make_shared<ModelCategorySource>(manager);
    QMCategoryDataSource::install(source);
    QMCategoryNameSource::install(source);
}

void QMCategoryDataManager::setDownloadQueuer(DownloadQueuer queuer)
{
    std::lock_guard lock(downloadQueuerMutex());
    downloadQueuer() = std::move(queuer);
}

SQCategoriesDatabasePtr QMCategoryDataManager::openCategoriesDatabase(qint64 siteID)
{
    auto store = std::make_shared<SQCategoriesDatabase>(siteID, kSQCategoriesDatabaseSchemaVersion);
    return store->isOpen() ? store : nullptr;
}

bool QMCategoryDataManager::migrateToCoreDataCategories()
{
    const QString attributesFolder = SQAttributesDatabase::attributesFolderPathNoFolderCreation();
    const QString categoriesFolder = SQCategoriesDatabase::categoriesFolderPathNoFolderCreation();
    bool attributesCreated = false;
    if (!QFileInfo(attributesFolder).isDir()) {
        (void)dw::paths::ensureFolder(attributesFolder);
        attributesCreated = true;
    }
    if (!QFileInfo(categoriesFolder).isDir())
        (void)dw::paths::ensureFolder(categoriesFolder);
    else if (!attributesCreated)
        return false;

    static const QRegularExpression oldFile(QStringLiteral("^Categories\\.site(-?\\d+)\\.data$"));
    QList<qint64> sites;
    const QStringList entries = QDir(dw::paths::applicationSupportFolder()).entryList(QDir::Files);
    for (const QString& entry : entries) {
        const auto match = oldFile.match(entry);
        if (match.hasMatch() && !sites.contains(match.captured(1).toLongLong()))
            sites.append(match.captured(1).toLongLong());
    }
    downloadMissingCategoryDataForSites(sites);
    return true;
}

void QMCategoryDataManager::downloadMissingCategoryDataForSites(QList<qint64> siteIDs)
{
    const qint64 defaultSite = DWEbayPreferencesManager::sharedInstance().defaultSiteID();
    siteIDs.removeAll(defaultSite);
    DownloadQueuer queuer;
    {
        std::lock_guard lock(downloadQueuerMutex());
        queuer = downloadQueuer();
    }
    const auto queue = [&queuer](qint64 site) {
        if (queuer)
            queuer(site, true, true, true);
        else
            QMLog("No download queue for the category data of site %@", site);
    };
    queue(defaultSite);
    for (const qint64 site : std::as_const(siteIDs))
        queue(site);
}
