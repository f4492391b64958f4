#include "description/QMDesignTemplateManager.h"

#include "description/QMDesignResourceProgress.h"
#include "description/QMPaidDesignsDownloadOperation.h"

#include "DWEBay2/DWEbayConnector.h"
#include "Operations/QMOperationManager.h"

#include "DWKit/NSString+DWExtensions.h"
#include "DWKit/QMLog.h"

#include "model/QMPreferencesManager.h"

#include "platform/archive/PropertyList.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/Bundle.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/Localization.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/network/HttpClient.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>

namespace {

QString allKeyword()
{
    return dw::localized("All");
}

QString builtInPrefix()
{
    return QStringLiteral("built-in");
}

// One plain path component that is also not a hidden name: nothing taken from a template or a
// server may climb out of, or hide inside, the folders it is written to.
bool isPlainComponent(const QString& name)
{
    return dw::paths::isSafeFileName(name) && !name.startsWith(u'.');
}

std::optional<QByteArray> fetch(const QString& address)
{
    dw::HttpRequest request;
    request.url = address;
    const dw::HttpResponse response = dw::HttpClient().send(request);
    if (!response.ok() || response.status < 200 || response.status > 300 || response.body.isEmpty())
        return std::nullopt;
    return response.body;
}

} // namespace

QMDesignTemplateManager::QMDesignTemplateManager() = default;

QMDesignTemplateManager& QMDesignTemplateManager::sharedInstance()
{
    static QMDesignTemplateManager* manager = [] {
        auto* shared = new QMDesignTemplateManager;
        shared->setMinimumQMTemplateVersion(dw::integerValue(
            dw::Bundle::mainBundle().infoDictionary().value(QStringLiteral("CFBundleVersion")).toString()));
        shared->registerDesignTemplates();
        return shared;
    }();
    return *manager;
}

QString QMDesignTemplateManager::builtInTemplatesDirectory()
{
    return QDir(dw::paths::resourcesFolder()).filePath(QStringLiteral("DesignTemplates"));
}

QString QMDesignTemplateManager::userTemplatesDirectory()
{
    return QDir(dw::paths::fixedDataFolder()).filePath(QStringLiteral("DesignTemplates"));
}

QString QMDesignTemplateManager::paidDesignsDirectory()
{
    return QDir(dw::paths::applicationSupportFolder()).filePath(QStringLiteral("PaidDesigns"));
}

void QMDesignTemplateManager::addTemplatesFromFolder(const QString& folder, bool checkIdentifier, bool paid)
{
    const QDir directory(folder);
    for (const QString& entry : directory.entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name)) {
        TemplatePtr design = QMDesignTemplate::designTemplateWithPath(directory.filePath(entry));
        if (!design || design->minimumQuillmartVersion() > m_minimumVersion)
            continue;
        if (checkIdentifier) {
            const qsizetype index = indexOfTemplateWithIdentifier(design->identifier());
            if (index != NotFound) {
                if (!(design->version() > m_designTemplates.at(index)->version()))
                    continue;
                m_paidDesigns.removeOne(m_designTemplates.at(index));
                m_designTemplates.removeAt(index);
            }
        }
        m_designTemplates << design;
        if (paid)
            m_paidDesigns << design;
    }
}

void QMDesignTemplateManager::registerDesignTemplates()
{
    m_designTemplates.clear();
    m_paidDesigns.clear();
    addTemplatesFromFolder(builtInTemplatesDirectory(), false, false);
    addTemplatesFromFolder(userTemplatesDirectory(), true, false);
    addTemplatesFromFolder(paidDesignsDirectory(), true, true);
    std::stable_sort(m_designTemplates.begin(), m_designTemplates.end(),
                     [](const TemplatePtr& a, const TemplatePtr& b) { return a->caseInsensitiveNameLessThan(*b); });
    buildKeywordList();
    updateActiveDesignTemplates();
    dw::NotificationCenter::defaultCenter().post(QStringLiteral("QMDesignTemplateManagerLoadedTemplatesNotification"),
                                                 dw::NotificationObject::of(this));
}

void QMDesignTemplateManager::buildKeywordList()
{
    QStringList keywords;
    for (const TemplatePtr& design : m_designTemplates) {
        for (const QString& keyword : design->keywords()) {
            if (!keywords.contains(keyword))
                keywords << keyword;
        }
    }
    std::stable_sort(keywords.begin(), keywords.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    keywords.prepend(allKeyword());
    setKeywords(keywords);
}

void QMDesignTemplateManager::updateActiveDesignTemplates()
{
    const QStringList disabled = QMPreferencesManager::sharedInstance().disabledDesignTemplateIdentifiers();
    m_activeDesignTemplates.clear();
    for (const TemplatePtr& design : m_designTemplates) {
        if (!disabled.contains(design->identifier()))
            m_activeDesignTemplates << design;
    }
    dw::NotificationCenter::defaultCenter().post(QStringLiteral("QMDesignTemplateManagerActiveTemplatesChanged"),
                                                 dw::NotificationObject::of(this));
}

QMDesignTemplateManager::TemplatePtr
QMDesignTemplateManager::designTemplateWithIdentifier(const QString& identifier) const
{
    const qsizetype index = indexOfTemplateWithIdentifier(identifier);
    return index == NotFound ? nullptr : m_designTemplates.at(index);
}

qsizetype QMDesignTemplateManager::indexOfTemplateWithIdentifier(const QString& identifier) const
{
    if (identifier.isNull())
        return NotFound;
    for (qsizetype index = 0; index < m_designTemplates.size(); ++index) {
        if (m_designTemplates.at(index)->identifier() == identifier)
            return index;
    }
    return NotFound;
}

qsizetype QMDesignTemplateManager::indexOfActiveTemplateWithIdentifier(const QString& identifier) const
{
    const TemplatePtr design = designTemplateWithIdentifier(identifier);
    return design ? m_activeDesignTemplates.indexOf(design) : NotFound;
}

QList<QMDesignTemplateManager::TemplatePtr>
QMDesignTemplateManager::designTemplatesForKeywords(const QStringList& keywords) const
{
    if (keywords.contains(allKeyword()))
        return m_designTemplates;
    QList<TemplatePtr> result;
    for (const TemplatePtr& design : m_designTemplates) {
        const QStringList own = design->keywords();
        if (!own.isEmpty() && std::all_of(keywords.begin(), keywords.end(),
                                          [&own](const QString& keyword) { return own.contains(keyword); }))
            result << design;
    }
    return result;
}

QStringList QMDesignTemplateManager::templateNames() const
{
    QStringList names;
    for (const TemplatePtr& design : m_designTemplates) {
        QString name = design->name();
        for (long number = 1; names.contains(name); ++number)
            name = QStringLiteral("%1 (%2)").arg(design->name()).arg(number);
        names << name;
    }
    return names;
}

QStringList QMDesignTemplateManager::paidDesignIdentifiers() const
{
    QStringList identifiers;
    for (const TemplatePtr& design : m_designTemplates) {
        if (m_paidDesigns.contains(design))
            identifiers << design->identifier();
    }
    return identifiers;
}

QString QMDesignTemplateManager::shortPathForTemplate(const QMDesignTemplate& design) const
{
    const QString folder = builtInTemplatesDirectory() + u'/';
    if (design.path().startsWith(folder))
        return builtInPrefix() + u'/' + design.path().mid(folder.size());
    return design.path();
}

QString QMDesignTemplateManager::fullTemplatePathForShortPath(const QString& shortPath) const
{
    if (shortPath.startsWith(builtInPrefix())) {
        const QString last = QFileInfo(shortPath).fileName();
        if (!isPlainComponent(last))
            return QString();
        return QDir(builtInTemplatesDirectory()).filePath(last);
    }
    QString path = shortPath;
    if (path == QStringLiteral("~") || path.startsWith(QStringLiteral("~/")))
        path = dw::paths::homeFolder() + path.mid(1);
    return QDir::cleanPath(path);
}

QMDesignTemplateManager::TemplatePtr QMDesignTemplateManager::designTemplateForShortPath(const QString& shortPath) const
{
    const QString full = fullTemplatePathForShortPath(shortPath);
    if (full.isEmpty())
        return nullptr;
    const QFileInfo info(full);
    const QString successor = QDir(info.path()).filePath(info.completeBaseName() + QStringLiteral(".designTemplate"));
    for (const QString& candidate : {full, successor}) {
        for (const TemplatePtr& design : m_designTemplates) {
            if (design->path() == candidate)
                return design;
        }
    }
    return nullptr;
}

QString QMDesignTemplateManager::localPathForCachedResource(const QString& address,
                                                            const QMDesignTemplate& design) const
{
    const QString fileName = QUrl(address).fileName();
    if (!isPlainComponent(design.identifier()) || !isPlainComponent(design.versionString()) ||
        !isPlainComponent(fileName))
        return QString();
    const QString folder =
        QDir(dw::paths::cachesFolder())
            .filePath(QStringLiteral("DesignTemplates/%1/%2").arg(design.identifier(), design.versionString()));
    if (!dw::paths::ensureFolder(folder))
        return QString();
    return QDir(folder).filePath(fileName);
}

bool QMDesignTemplateManager::downloadRemoteResourcesForTemplate(const QMDesignTemplate& design)
{
    QStringList missing;
    for (const QString& address : design.remoteResources()) {
        const QString path = localPathForCachedResource(address, design);
        if (!path.isEmpty() && !QFileInfo::exists(path))
            missing << address;
    }
    if (!DWEbayConnector::ebayAPIReachable() || missing.isEmpty())
        return true;
    const auto panel = QMDesignResourceProgress::installed();
    if (panel)
        panel->showProgressPanelWithMessage(dw::localized("Caching Design Resources"));
    bool cached = true;
    for (const QString& address : missing) {
        QMLog("trying to download contents for resource %@", address);
        const std::optional<QByteArray> data = fetch(address);
        if (!data) {
            QMLog("could not download contents for resource %@ (length == 0)", address);
            cached = false;
            break;
        }
        QMLog("did download %d bytes for resource %@", data->size(), address);
        if (!dw::writeFileAtomically(localPathForCachedResource(address, design), *data)) {
            cached = false;
            break;
        }
    }
    if (panel)
        panel->hideProgressPanel();
    return cached;
}

QString QMDesignTemplateManager::bodyForTemplateUsingCachedResources(const QMDesignTemplate& design)
{
    QString body = design.bodyPreparedForEditingPreview();
    if (!downloadRemoteResourcesForTemplate(design))
        return body;
    for (const QString& address : design.remoteResources()) {
        const QString path = localPathForCachedResource(address, design);
        if (!path.isEmpty())
            body.replace(address, dw::stringByAddingURLPercentEscapes(QStringLiteral("file://") + path));
    }
    return body;
}

bool QMDesignTemplateManager::installTemplateFolder(const QString& folder, const QString& name,
                                                    const QList<std::pair<QString, QByteArray>>& files)
{
    if (!isPlainComponent(name) || !dw::paths::ensureFolder(folder))
        return false;
    QTemporaryDir staging(QDir(folder).filePath(QStringLiteral(".install-XXXXXX")));
    if (!staging.isValid())
        return false;
    for (const auto& [file, data] : files) {
        if (!isPlainComponent(file) || !dw::writeFileAtomically(staging.filePath(file), data))
            return false;
    }
    const QString target = QDir(folder).filePath(name + QStringLiteral(".designTemplate"));
    // An earlier copy steps aside first and goes only once the new one is in its place.
    const QString previous = staging.path() + QStringLiteral(".previous");
    const bool hadPrevious = QFileInfo::exists(target);
    if (hadPrevious && !QDir().rename(target, previous))
        return false;
    if (!QDir().rename(staging.path(), target)) {
        if (hadPrevious)
            QDir().rename(previous, target);
        return false;
    }
    staging.setAutoRemove(false);
    if (hadPrevious)
        QDir(previous).removeRecursively();
    return true;
}

bool QMDesignTemplateManager::downloadAndInstallRemoteTemplate(const QMDesignTemplate& design, const QString& baseURL)
{
    const QString name = design.name();
    const QString remoteDirectory = design.remoteDirectory();
    if (!design.infoPlist() || !isPlainComponent(name) || !isPlainComponent(remoteDirectory)) {
        QMLog("refusing to install design template %@: its name or folder is no plain file name", name);
        return false;
    }
    QList<std::pair<QString, QByteArray>> files{{QStringLiteral("Info.plist"), dw::plist::write(*design.infoPlist())}};
    for (const QString& file : {QStringLiteral("body.html"), QStringLiteral("thumbnail.jpg")}) {
        const std::optional<QByteArray> data =
            fetch(dw::stringByAppendingURLComponent(dw::stringByAppendingURLComponent(baseURL, remoteDirectory), file));
        if (!data)
            return false;
        files.append({file, *data});
    }
    if (!installTemplateFolder(userTemplatesDirectory(), name, files))
        return false;
    registerDesignTemplates();
    return true;
}

QString QMDesignTemplateManager::designServerBaseURL()
{
    return dw::UserDefaults::standard().stringForKey(QStringLiteral("QMDesignTemplateServerURL"));
}

bool QMDesignTemplateManager::updatePaidDesignTemplates(const QList<TemplatePtr>& designs)
{
    QStringList transactionIDs;
    for (const TemplatePtr& given : designs) {
        const QString identifier = given ? given->identifier() : QString();
        const TemplatePtr registered = designTemplateWithIdentifier(identifier);
        const QString transactionID =
            registered && registered->infoPlist()
                ? dw::cleanString(registered->infoPlist()->value(QStringLiteral("designShopTransactionID")).toString())
                : QString();
        if (transactionID.isEmpty()) {
            QMLog("ERROR: not a paid design: %@", identifier);
            return false;
        }
        QMLog("re-downloading design: %@", identifier);
        if (!transactionIDs.contains(transactionID))
            transactionIDs << transactionID;
    }
    const auto download =
        std::make_shared<QMPaidDesignsDownloadOperation>(transactionIDs, designServerBaseURL(), paidDesignsDirectory());
    QMOperationManager::sharedQMOperationManager()->runOperationSynchronously(download);
    registerDesignTemplates();
    return download->succeeded();
}
