#include "description/QMPaidDesignsDownloadOperation.h"

#include "description/QMDesignTemplateManager.h"

#include "DWKit/NSString+DWExtensions.h"
#include "DWKit/QMLog.h"
#include "platform/archive/PropertyList.h"
#include "platform/core/Paths.h"
#include "platform/network/HttpClient.h"

namespace {

std::optional<QByteArray> fetch(const QString& address)
{
    dw::HttpRequest request;
    request.url = address;
    const dw::HttpResponse response = dw::HttpClient().send(request);
    if (!response.ok() || response.status < 200 || response.status > 299 || response.body.isEmpty())
        return std::nullopt;
    return response.body;
}

bool isPlainComponent(const QString& name)
{
    return dw::paths::isSafeFileName(name) && !name.startsWith(u'.');
}

} // namespace

QMPaidDesignsDownloadOperation::QMPaidDesignsDownloadOperation(const QStringList& transactionIDs,
                                                               const QString& serverBaseURL,
                                                               const QString& paidDesignsFolder)
    : m_transactionIDs(transactionIDs), m_serverBaseURL(serverBaseURL), m_folder(paidDesignsFolder)
{}

void QMPaidDesignsDownloadOperation::internalMain()
{
    bool all = !m_transactionIDs.isEmpty();
    for (const QString& transactionID : m_transactionIDs) {
        if (isCancelled())
            return;
        if (!downloadDesign(transactionID)) {
            QMLog("could not download the design of transaction %@", transactionID);
            all = false;
        }
    }
    m_succeeded = all;
}

bool QMPaidDesignsDownloadOperation::downloadDesign(const QString& transactionID) const
{
    if (!isPlainComponent(transactionID))
        return false;
    const QString folder = dw::stringByAppendingURLComponent(
        dw::stringByAppendingURLComponent(m_serverBaseURL, QStringLiteral("paid")),
        dw::stringByAddingURLPercentEscapesIncludingReservedCharacters(transactionID));
    const std::optional<QByteArray> infoBytes =
        fetch(dw::stringByAppendingURLComponent(folder, QStringLiteral("Info.plist")));
    QString error;
    const std::optional<QVariant> info = infoBytes ? dw::plist::read(*infoBytes, &error) : std::nullopt;
    if (!info || info->typeId() != QMetaType::QVariantMap)
        return false;
    QVariantMap infoPlist = info->toMap();
    const QString name = infoPlist.value(QStringLiteral("CFBundleName")).toString();
    if (!isPlainComponent(name))
        return false;
    infoPlist.insert(QStringLiteral("designShopTransactionID"), transactionID);

    QList<std::pair<QString, QByteArray>> files{{QStringLiteral("Info.plist"), dw::plist::write(infoPlist)}};
    for (const QString& file : {QStringLiteral("body.html"), QStringLiteral("thumbnail.jpg")}) {
        const std::optional<QByteArray> data = fetch(dw::stringByAppendingURLComponent(folder, file));
        if (!data)
            return false;
        files.append({file, *data});
    }
    return QMDesignTemplateManager::installTemplateFolder(m_folder, name, files);
}
