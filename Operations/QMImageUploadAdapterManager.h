#pragma once
// The process-wide pool of connected picture-server adapters. An upload borrows one, uses it for
// its run and gives it back; the adapter given back last is lent first, so uploads one after
// another reuse one connection. Connections are made one at a time, under the pool's lock.
//
//     QString error;
//     auto adapter = QMImageUploadAdapterManager::sharedInstance().popAdapterForImageUploadingSystem(
//         kQMImageUploadingSystemDunmerrowImageServer, &error);
//     if (!adapter) return fail(error);
//     ... upload ...
//     QMImageUploadAdapterManager::sharedInstance().pushAdapter(adapter, kQMImageUploadingSystemDunmerrowImageServer);
//
// Only the maker's picture server (304) has adapters; own FTP and WebDAV servers have none here.
// A change of the upload system empties the pool; an adapter of another system given back is
// dropped. Any thread.

#include "Operations/QMWebDAVAdapter.h"

#include <QList>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <mutex>

class QMImageUploadAdapterManager
{
public:
    static QMImageUploadAdapterManager& sharedInstance();
    // The lock shared by the pool and the upload records when they are made (re-entrant).
    static std::recursive_mutex& poolLock();

    std::shared_ptr<QMWebDAVAdapter> popAdapterForImageUploadingSystem(int imageUploadingSystem, QString* error);
    void pushAdapter(const std::shared_ptr<QMWebDAVAdapter>& adapter, int imageUploadingSystem);
    void forgetBusyAdapter(const std::shared_ptr<QMWebDAVAdapter>& adapter);
    void clearAdapterPool();

    std::shared_ptr<QMWebDAVAdapter> createNewAdapterWithError(QString* error);
    std::shared_ptr<QMWebDAVAdapter> connectedDunmerrowImageServerWithError(QString* error);
    std::shared_ptr<QMWebDAVAdapter> connectedFTPAdapterWithError(QString* error);
    std::shared_ptr<QMWebDAVAdapter> connectedWebDAVAdapterWithError(QString* error);
    // The proxy settings with "serverURL" = "<protocol>://<host>:<port>" when there is a host.
    static QVariantMap proxyInfoForHTTPS(bool https);

    int currentImageUploadSystem() const;
    void setCurrentImageUploadSystem(int system);

    QList<std::shared_ptr<QMWebDAVAdapter>> availableImageUploadAdapters() const;
    QList<std::shared_ptr<QMWebDAVAdapter>> busyImageUploadAdapters() const;

private:
    mutable std::recursive_mutex m_mutex;
    QList<std::shared_ptr<QMWebDAVAdapter>> m_available;
    QList<std::shared_ptr<QMWebDAVAdapter>> m_busy;
    int m_currentImageUploadSystem = 0;
};
