#include "Operations/QMDunmerrowImageAdapter.h"

#include "DWKit/NSData+DWExtensions.h"
#include "DWKit/NSString+DWExtensions.h"
#include "model/QMPreferencesManager.h"
#include "platform/archive/PropertyList.h"
#include "platform/core/Clock.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"
#include "platform/network/HttpClient.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QTimeZone>
#include <QUrl>

namespace {

std::mutex s_configurationMutex;
std::optional<QMDunmerrowServerConfiguration> s_configuration;

const QString kBaseURL = QStringLiteral("baseURL");
const QString kUploadFolder = QStringLiteral("uploadFolder");
const QString kDownloadFolder = QStringLiteral("downloadFolder");

bool isComplete(const QVariantMap& info)
{
    for (const QString& key : {kBaseURL, kUploadFolder, kDownloadFolder}) {
        if (info.value(key).typeId() != QMetaType::QString || info.value(key).toString().isEmpty())
            return false;
    }
    return true;
}

// The bytes as the console shows data: "<48656c6c 6f>". A server could answer with megabytes;
// the console gets the first kilobyte and the size.
QString dataDescription(const QByteArray& data)
{
    constexpr qsizetype kShown = 1024;
    const QByteArray hex = data.left(kShown).toHex();
    QString text = QStringLiteral("<");
    for (qsizetype i = 0; i < hex.size(); i += 8) {
        if (i > 0)
            text += u' ';
        text += QString::fromLatin1(hex.mid(i, 8));
    }
    text += u'>';
    if (data.size() > kShown)
        text += dw::format(" ... (%ld bytes)", qlonglong(data.size()));
    return text;
}

} // namespace

std::shared_ptr<QMDunmerrowImageAdapter> QMDunmerrowImageAdapter::sharedAdapter()
{
    // Made once, on first use, whichever thread asks first. The random folders need no seeding:
    // the generator they use seeds itself.
    static const std::shared_ptr<QMDunmerrowImageAdapter> adapter = webDAVAdapter();
    return adapter;
}

std::shared_ptr<QMDunmerrowImageAdapter> QMDunmerrowImageAdapter::webDAVAdapter()
{
    return std::make_shared<QMDunmerrowImageAdapter>();
}

QMDunmerrowServerConfiguration QMDunmerrowImageAdapter::serverConfiguration()
{
    {
        std::lock_guard lock(s_configurationMutex);
        if (s_configuration)
            return *s_configuration;
    }
    const auto& preferences = QMPreferencesManager::sharedInstance();
    QMDunmerrowServerConfiguration configuration;
    for (const QVariant& address : preferences.dunmerrowFreeImageServerInfoURLs().toList())
        configuration.serverInfoURLs.append(address.toString());
    configuration.username = preferences.dunmerrowFreeImageServerUsername();
    configuration.password = preferences.dunmerrowFreeImageServerPassword();
    configuration.hostName = preferences.valueForDunmerrowFreeImageServerKey(QStringLiteral("hostname")).toString();
    return configuration;
}

void QMDunmerrowImageAdapter::setServerConfiguration(const std::optional<QMDunmerrowServerConfiguration>& configuration)
{
    std::lock_guard lock(s_configurationMutex);
    s_configuration = configuration;
}

bool QMDunmerrowImageAdapter::getServerInfoForUser(QString* user, QString* password, QString* error)
{
    std::lock_guard lock(m_mutex);
    if (error)
        error->clear();
    const QMDunmerrowServerConfiguration configuration = serverConfiguration();
    if (user)
        *user = configuration.username;
    if (password)
        *password = configuration.password;
    if (!m_baseURL.isEmpty() && !m_uploadFolder.isEmpty() && !m_downloadFolder.isEmpty() && m_lastUpdate.isValid() &&
        m_lastUpdate.secsTo(dw::now()) < kServerInfoLifetimeSeconds)
        return true;

    std::optional<QVariantMap> info;
    dw::HttpClient client;
    for (const QString& text : configuration.serverInfoURLs) {
        const QUrl url(text);
        DW_ASSERT(url.isValid() && !url.isEmpty(),
                  "no baseurl given in +[QMDunmerrowImageAdapter getServerInfoIntoBaseURL:]");
        dw::HttpRequest request;
        request.url = text;
        request.connectTimeoutSeconds = kConnectTimeoutSeconds;
        request.inactivityTimeoutSeconds = kInactivityTimeoutSeconds;
        request.headerFields.push_back({"Cache-Control", "no-cache"});
        const dw::HttpResponse response = client.send(request);
        if (!response.ok() || response.status / 100 != 2) {
            dw::consoleWrite(dw::format("Error downloading image server infoDict from URL:%@, %@", text,
                                        response.ok() ? dw::format("HTTP status %ld", qlonglong(response.status))
                                                      : response.errorText));
            continue;
        }
        QString readError = QStringLiteral("not gzip data");
        const std::optional<QByteArray> data = dw::inflateGzipWhilePossible(response.body);
        const std::optional<QVariant> list = data ? dw::plist::read(*data, &readError) : std::nullopt;
        if (!list || list->typeId() != QMetaType::QVariantMap) {
            dw::consoleWrite(dw::format("Error decoding server infoDict from URL:%@, %@", text,
                                        list ? QStringLiteral("not a dictionary") : readError) +
                             u' ' + dataDescription(data ? *data : response.body));
            info.reset();
            continue;
        }
        info = list->toMap();
        if (isComplete(*info))
            break;
    }
    if (!info) {
        if (error)
            *error = dw::localized("Could not upload the image to the dunmerrow image server because no server "
                                   "information could be downloaded.");
        return false;
    }
    if (!isComplete(*info)) {
        m_lastUpdate = QDateTime();
        m_baseURL.clear();
        m_uploadFolder.clear();
        m_downloadFolder.clear();
        if (error)
            *error = dw::localized("Could not upload the image to the dunmerrow image server because of improper "
                                   "connection information.");
        return false;
    }
    m_lastUpdate = dw::now();
    m_baseURL = info->value(kBaseURL).toString();
    m_uploadFolder = info->value(kUploadFolder).toString();
    m_downloadFolder = info->value(kDownloadFolder).toString();
    return true;
}

QString QMDunmerrowImageAdapter::randomSubfolder()
{
    return dw::format("%02X", qlonglong(QRandomGenerator::global()->bounded(256)));
}

QString QMDunmerrowImageAdapter::dateFolder()
{
    return dw::now().toTimeZone(QTimeZone("CET")).toString(QStringLiteral("yyyy/MM/dd"));
}

bool QMDunmerrowImageAdapter::uploadFile(const QString& localPath, QString* address, bool paidService, QString* error)
{
    QString base, upload, download;
    {
        std::lock_guard lock(m_mutex);
        base = m_baseURL;
        upload = m_uploadFolder;
        download = m_downloadFolder;
    }
    DW_ASSERT(!base.isEmpty(), "no baseurl given in +[QMDunmerrowImageAdapter uploadFile:]");
    DW_ASSERT(!upload.isEmpty(), "no upload folder given in +[QMDunmerrowImageAdapter uploadFile:]");
    DW_ASSERT(!download.isEmpty(), "no download folder given in +[QMDunmerrowImageAdapter uploadFile:]");
    const QString date = (paidService ? QStringLiteral("paid/") : QString()) + dateFolder();
    const QString random = randomSubfolder();
    const QString suffix = QFileInfo(localPath).suffix();
    const QString name = dw::UUID().remove(u'-') + u'.' + suffix;
    if (address)
        *address = dw::format("%@%@/%@/%@/%@", base, download, date, random, name);
    return QMWebDAVAdapter::uploadFile(localPath, dw::format("%@%@/%@/%@", base, upload, date, random), name, error);
}

QDateTime QMDunmerrowImageAdapter::lastUpdate() const
{
    std::lock_guard lock(m_mutex);
    return m_lastUpdate;
}

QString QMDunmerrowImageAdapter::baseURL() const
{
    std::lock_guard lock(m_mutex);
    return m_baseURL;
}

QString QMDunmerrowImageAdapter::downloadFolder() const
{
    std::lock_guard lock(m_mutex);
    return m_downloadFolder;
}

QString QMDunmerrowImageAdapter::uploadFolder() const
{
    std::lock_guard lock(m_mutex);
    return m_uploadFolder;
}
