#include "Operations/QMImageUploadAdapterManager.h"

#include "Operations/QMDunmerrowImageAdapter.h"
#include "Operations/QMProxyManager.h"
#include "model/QMPreferencesManager.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/UserDefaults.h"

std::recursive_mutex& QMImageUploadAdapterManager::poolLock()
{
    static std::recursive_mutex mutex;
    return mutex;
}

QMImageUploadAdapterManager& QMImageUploadAdapterManager::sharedInstance()
{
    std::lock_guard lock(poolLock());
    static QMImageUploadAdapterManager manager;
    return manager;
}

std::shared_ptr<QMWebDAVAdapter>
QMImageUploadAdapterManager::popAdapterForImageUploadingSystem(int imageUploadingSystem, QString* error)
{
    std::lock_guard lock(m_mutex);
    if (error)
        error->clear();
    if (imageUploadingSystem != m_currentImageUploadSystem) {
        m_available.clear();
        m_busy.clear();
        m_currentImageUploadSystem = imageUploadingSystem;
    }
    if (!m_available.isEmpty()) {
        auto adapter = m_available.takeFirst();
        m_busy.append(adapter);
        return adapter;
    }
    // Made while the pool is held, so that connections are made one at a time.
    auto adapter = createNewAdapterWithError(error);
    if (adapter)
        m_busy.append(adapter);
    return adapter;
}

void QMImageUploadAdapterManager::pushAdapter(const std::shared_ptr<QMWebDAVAdapter>& adapter, int imageUploadingSystem)
{
    std::lock_guard lock(m_mutex);
    if (!adapter || imageUploadingSystem != m_currentImageUploadSystem)
        return;
    m_busy.removeAll(adapter);
    m_available.prepend(adapter);
}

void QMImageUploadAdapterManager::forgetBusyAdapter(const std::shared_ptr<QMWebDAVAdapter>& adapter)
{
    std::lock_guard lock(m_mutex);
    m_busy.removeAll(adapter);
}

void QMImageUploadAdapterManager::clearAdapterPool()
{
    std::lock_guard lock(m_mutex);
    m_available.clear();
    m_busy.clear();
}

std::shared_ptr<QMWebDAVAdapter> QMImageUploadAdapterManager::createNewAdapterWithError(QString* error)
{
    switch (currentImageUploadSystem()) {
    case kQMImageUploadingSystemDotMac:
        DW_ASSERT(false, "MobileMe/.Mac no longer available as an image service");
        return nullptr;
    case kQMImageUploadingSystemOwnFTPServer:
        return connectedFTPAdapterWithError(error);
    case kQMImageUploadingSystemWebDAVServer:
        return connectedWebDAVAdapterWithError(error);
    case kQMImageUploadingSystemDunmerrowImageServer:
        return connectedDunmerrowImageServerWithError(error);
    default:
        DW_ASSERT(false, "EPS is not supported by the QMImageUploadAdapterManager");
        return nullptr;
    }
}

std::shared_ptr<QMWebDAVAdapter> QMImageUploadAdapterManager::connectedDunmerrowImageServerWithError(QString* error)
{
    auto adapter = QMDunmerrowImageAdapter::webDAVAdapter();
    QString user, password;
    if (!adapter->getServerInfoForUser(&user, &password, error))
        return nullptr;
    adapter->setLoggingEnabled(dw::UserDefaults::standard().boolForKey(QStringLiteral("FTPLogEnabled")));
    const QString folder =
        dw::format("%@%@/%@", adapter->baseURL(), adapter->uploadFolder(), QMDunmerrowImageAdapter::dateFolder());
    const QVariantMap proxy = proxyInfoForHTTPS(folder.toLower().startsWith(QLatin1String("https")));
    QString connectError;
    if (!adapter->connectToURI(folder, user, password, proxy.value(QStringLiteral("serverURL")).toString(),
                               proxy.value(QStringLiteral("name")).toString(),
                               proxy.value(QStringLiteral("password")).toString(), &connectError)) {
        if (error)
            *error = connectError;
        return nullptr;
    }
    return adapter;
}

std::shared_ptr<QMWebDAVAdapter> QMImageUploadAdapterManager::connectedFTPAdapterWithError(QString*)
{
    return nullptr;
}

std::shared_ptr<QMWebDAVAdapter> QMImageUploadAdapterManager::connectedWebDAVAdapterWithError(QString*)
{
    return nullptr;
}

QVariantMap QMImageUploadAdapterManager::proxyInfoForHTTPS(bool https)
{
    QVariantMap settings = QMProxyManager::sharedProxyManager().getHTTPProxySettingsForHTTPS(https);
    if (!settings.contains(QStringLiteral("host")))
        return settings;
    // No line feed after the port: the proxy address is handed to the HTTP client as it is.
    settings.insert(QStringLiteral("serverURL"),
                    dw::format("%@://%@:%ld", settings.value(QStringLiteral("protocol")).toString(),
                               settings.value(QStringLiteral("host")).toString(),
                               settings.value(QStringLiteral("port")).toLongLong()));
    return settings;
}

int QMImageUploadAdapterManager::currentImageUploadSystem() const
{
    std::lock_guard lock(m_mutex);
    return m_currentImageUploadSystem;
}

void QMImageUploadAdapterManager::setCurrentImageUploadSystem(int system)
{
    std::lock_guard lock(m_mutex);
    m_currentImageUploadSystem = system;
}

QList<std::shared_ptr<QMWebDAVAdapter>> QMImageUploadAdapterManager::availableImageUploadAdapters() const
{
    std::lock_guard lock(m_mutex);
    return m_available;
}

QList<std::shared_ptr<QMWebDAVAdapter>> QMImageUploadAdapterManager::busyImageUploadAdapters() const
{
    std::lock_guard lock(m_mutex);
    return m_busy;
}
