#include "modelservices/QMModelServices.h"

#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "DWCoreDataEbayDataClasses/SQEbayDataSource.h"
#include "DWEBay2/DWEbayConnector.h"
#include "Operations/QMAccountManager.h"
#include "Operations/QMEbayImageTransformer.h"
#include "Operations/QMOperationManager.h"
#include "description/QMAttributedStringToHTMLConverter.h"
#include "description/QMDescriptionGenerator.h"
#include "description/QMDesignTemplateManager.h"
#include "model/QMApplicationDefaults.h"
#include "platform/core/UserDefaults.h"

namespace {

// Design templates older than this were made for another description engine.
constexpr qint64 kMinimumTemplateVersion = 214;

} // namespace

namespace QMModelServices {

bool registerDefaults(QString* error)
{
    const bool registered = registerApplicationDefaultsAndTransformers(dw::UserDefaults::standard(), error);
    (void)QMCategoryDataManager::sharedQMCategoryDataManager();
    return registered;
}

void installServices(Accounts accounts)
{
    if (accounts == Accounts::Keychain)
        QMAccountManager::installAsModelSource(QMAccountManager::sharedQMAccountManager());
    QMCategoryDataManager::installAsModelSource(QMCategoryDataManager::sharedQMCategoryDataManager());
    SQEbayDataSource::install();
    QMEbayImageTransformer::installAsModelHooks();
    QMAttributedStringToHTMLConverter::installAsDescriptionConverter();
    QMDescriptionGenerator::installAsItemDescriptionSource();
}

void registerDesignTemplates()
{
    auto& templates = QMDesignTemplateManager::sharedInstance();
    templates.setMinimumQMTemplateVersion(kMinimumTemplateVersion);
    templates.registerDesignTemplates();
}

bool install(Accounts accounts, QString* error)
{
    const bool registered = registerDefaults(error);
    installServices(accounts);
    registerDesignTemplates();
    return registered;
}

void configureOperationManager(QMOperationManager& manager)
{
    const auto categories = QMCategoryDataManager::sharedQMCategoryDataManager();
    manager.setSearchCharacteristicSets([categories](const QList<qint64>& categoryIDs, qint64 siteID) {
        QStringList sets;
        for (const qint64 set : categories->searchCharacteristicSetsForCategoryIDs(categoryIDs, siteID))
            sets << QString::number(set);
        return sets;
    });
}

} // namespace QMModelServices
