#pragma once
// The one registry of design templates in the process: the built-in designs, the user's own and
// the bought ones, those this build may use, one copy per identifier (the highest version), sorted
// by name; the keyword list of the chooser; the active list (the templates the user has not
// switched off); the cache of the remote files that template bodies refer to; and the install of
// a template offered by the template server.
//
//     auto& manager = QMDesignTemplateManager::sharedInstance();
//     manager.setMinimumQMTemplateVersion(214);
//     manager.registerDesignTemplates();
//     auto design = manager.designTemplateWithIdentifier(item->designTemplateIdentifier());
//
// Folders: the built-in "DesignTemplates" of the resources, "DesignTemplates" in the fixed data
// folder (the user's) and "PaidDesigns" in the application-support folder. Templates of the last
// two replace a registered one with the same identifier only with a higher version. Downloads are
// synchronous; while remote files of a design are cached, the save-progress panel says so
// (QMDesignResourceProgress). Bought designs are fetched again from the design server (the user
// default "QMDesignTemplateServerURL"). Main thread.

#include "description/QMDesignTemplate.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <limits>
#include <memory>
#include <utility>

class QMDesignTemplateManager
{
public:
    using TemplatePtr = std::shared_ptr<QMDesignTemplate>;
    static constexpr qsizetype NotFound = -1;

    QMDesignTemplateManager();
    // Made and registered on first use, with the bundle's version as the minimum version.
    static QMDesignTemplateManager& sharedInstance();

    qint64 minimumQMTemplateVersion() const { return m_minimumVersion; }
    void setMinimumQMTemplateVersion(qint64 version) { m_minimumVersion = version; }

    // Reads the three folders again, then rebuilds the keyword and active lists; posts
    // "QMDesignTemplateManagerLoadedTemplatesNotification".
    void registerDesignTemplates();

    const QList<TemplatePtr>& designTemplates() const { return m_designTemplates; }
    const QList<TemplatePtr>& activeDesignTemplates() const { return m_activeDesignTemplates; }
    const QStringList& keywords() const { return m_keywords; }
    void setKeywords(const QStringList& keywords) { m_keywords = keywords; }

    TemplatePtr designTemplateWithIdentifier(const QString& identifier) const;
    qsizetype indexOfTemplateWithIdentifier(const QString& identifier) const;
    qsizetype indexOfActiveTemplateWithIdentifier(const QString& identifier) const;
    // Every template for a list holding the localized "All"; else those having every keyword.
    QList<TemplatePtr> designTemplatesForKeywords(const QStringList& keywords) const;
    // Names in list order, a repeated name with " (n)" added.
    QStringList templateNames() const;
    QStringList paidDesignIdentifiers() const;

    QString shortPathForTemplate(const QMDesignTemplate& design) const;
    QString fullTemplatePathForShortPath(const QString& shortPath) const;
    TemplatePtr designTemplateForShortPath(const QString& shortPath) const;

    static QString builtInTemplatesDirectory();
    static QString userTemplatesDirectory();
    static QString paidDesignsDirectory();

    void updateActiveDesignTemplates();
    void buildKeywordList();

    // The body for display, its remote files replaced by "file://" addresses of their cached
    // copies once every one of them is cached (or eBay cannot be reached).
    QString bodyForTemplateUsingCachedResources(const QMDesignTemplate& design);
    // Fetches the remote files not cached yet, showing "Caching Design Resources" meanwhile; false
    // when one of them gives no data or cannot be written.
    bool downloadRemoteResourcesForTemplate(const QMDesignTemplate& design);
    // The cache file of a remote file (its folder made); null when the template's identifier or
    // version, or the address's last component, would not make a plain path component.
    QString localPathForCachedResource(const QString& address, const QMDesignTemplate& design) const;

    // Installs a template of the server into the user's folder as "<name>.designTemplate": its
    // information list, "body.html" and "thumbnail.jpg" from <base>/<remote directory>/. The files
    // are gathered in a temporary folder that takes the template's place only when all are there,
    // so a failed install leaves nothing half-written. Registers again on success.
    bool downloadAndInstallRemoteTemplate(const QMDesignTemplate& design, const QString& baseURL);

    // Fetches the given bought designs again (QMPaidDesignsDownloadOperation, run synchronously on
    // the operation manager) by the transaction IDs in the information lists of the registered
    // templates with their identifiers, then registers again. False at once, with the console line
    // "ERROR: not a paid design: <identifier>", for a design without a transaction ID; else whether
    // every design arrived.
    bool updatePaidDesignTemplates(const QList<TemplatePtr>& designs);
    // The design server: the user default "QMDesignTemplateServerURL".
    static QString designServerBaseURL();

    // Puts the files into a new folder "<name>.designTemplate" inside `folder`: written in a
    // hidden folder first, which then takes the place of an earlier copy, so that a failure
    // leaves nothing half-written. The name must be a plain file name. Any thread.
    static bool installTemplateFolder(const QString& folder, const QString& name,
                                      const QList<std::pair<QString, QByteArray>>& files);

private:
    void addTemplatesFromFolder(const QString& folder, bool checkIdentifier, bool paid);

    QList<TemplatePtr> m_designTemplates;
    QList<TemplatePtr> m_activeDesignTemplates;
    QList<TemplatePtr> m_paidDesigns;
    QStringList m_keywords;
    qint64 m_minimumVersion = std::numeric_limits<qint64>::max();
};
