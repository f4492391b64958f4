#include "DWKit/NSURL+DWExtensions.h"

#include "platform/core/DWAssert.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>

namespace dw {

QVariantMap parsedQuery(const QUrl& url)
{
    QVariantMap result;
    if (!url.hasQuery())
        return result;
    for (const QString& part : url.query(QUrl::FullyEncoded).split(u'&')) {
        const QStringList fields = part.split(u'=');
        result.insert(fields.at(0), fields.size() == 1 ? QStringLiteral("") : fields.at(1));
    }
    return result;
}

QString URLStringFromSockAddrData(const QByteArray& socketAddress, const QString& scheme)
{
    DW_PARAMETER_ASSERT(!scheme.isEmpty());
    sockaddr_storage address{};
    if (socketAddress.size() < qsizetype(sizeof(sa_family_t)))
        return QString();
    std::memcpy(&address, socketAddress.constData(), std::min(sizeof(address), size_t(socketAddress.size())));
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET && socketAddress.size() >= qsizetype(sizeof(sockaddr_in))) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&address);
        const quint16 port = ntohs(in->sin_port);
        if (port == 0 || !inet_ntop(AF_INET, &in->sin_addr, text, sizeof(text)))
            return QString();
        return QStringLiteral("%1://%2:%3").arg(scheme, QString::fromLatin1(text)).arg(port);
    }
    if (address.ss_family == AF_INET6 && socketAddress.size() >= qsizetype(sizeof(sockaddr_in6))) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&address);
        const quint16 port = ntohs(in6->sin6_port);
        if (port == 0 || !inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof(text)))
            return QString();
        return QStringLiteral("%1://[%2]:%3").arg(scheme, QString::fromLatin1(text)).arg(port);
    }
    return QString();
}

QUrl URLFromSockAddrData(const QByteArray& socketAddress, const QString& scheme)
{
    const QString text = URLStringFromSockAddrData(socketAddress, scheme);
    return text.isNull() ? QUrl() : QUrl(text);
}

} // namespace dw
