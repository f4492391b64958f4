#pragma once
// Fetches designs bought in the design shop again, by the transaction IDs of their purchase, from
// the design server into the bought-designs folder.
//
// For each transaction ID the server holds the design's files under
// "<server>/paid/<transaction ID>/": "Info.plist" (a dictionary with at least "CFBundleName"),
// "body.html" and "thumbnail.jpg". A design is installed as "<name>.designTemplate" only when all
// three arrived (in a folder of its own that then takes the place of an earlier copy), and its
// information list keeps its transaction ID, so that it stays a bought design. A transaction ID
// or a name that would not make a plain path component is refused.
//
//     auto download = std::make_shared<QMPaidDesignsDownloadOperation>(ids, serverURL, paidFolder);
//     QMOperationManager::sharedQMOperationManager()->runOperationSynchronously(download);
//     if (download->succeeded()) ...
//
// The work runs on a worker thread of the operation queue; succeeded() is read after it ended.

#include "DWKit/DWOperation/DWNSOperation.h"

#include <QStringList>
#include <atomic>

class QMPaidDesignsDownloadOperation : public DWNSOperation
{
public:
    QMPaidDesignsDownloadOperation(const QStringList& transactionIDs, const QString& serverBaseURL,
                                   const QString& paidDesignsFolder);

    // Every design arrived and was installed.
    bool succeeded() const { return m_succeeded; }

protected:
    void internalMain() override;

private:
    bool downloadDesign(const QString& transactionID) const;

    const QStringList m_transactionIDs;
    const QString m_serverBaseURL;
    const QString m_folder;
    std::atomic<bool> m_succeeded{false};
};
