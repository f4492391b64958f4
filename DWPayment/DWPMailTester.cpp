#include "DWPayment/DWPMailTester.h"

#include <QRegularExpression>
#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <cstring>
#include <mutex>
#include <netinet/in.h>
#include <resolv.h>

namespace {

constexpr int kAnswerSize = 8192;

std::mutex s_nameserverMutex;
QString s_nameserver;

bool parseNameserver(const QString& hostAndPort, sockaddr_in* address)
{
    const qsizetype colon = hostAndPort.lastIndexOf(u':');
    if (colon <= 0)
        return false;
    bool ok = false;
    const uint port = hostAndPort.mid(colon + 1).toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        return false;
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(quint16(port));
    if (inet_pton(AF_INET, hostAndPort.left(colon).toLatin1().constData(), &result.sin_addr) != 1)
        return false;
    if (address)
        *address = result;
    return true;
}

} // namespace

bool DWPMailTester::setNameserver(const QString& hostAndPort)
{
    if (!hostAndPort.isEmpty() && !parseNameserver(hostAndPort, nullptr))
        return false;
    std::lock_guard lock(s_nameserverMutex);
    s_nameserver = hostAndPort;
    return true;
}

QString DWPMailTester::nameserver()
{
    std::lock_guard lock(s_nameserverMutex);
    return s_nameserver;
}

bool DWPMailTester::isPlausibleMailAddress(const QString& address)
{
    static const QRegularExpression form(QRegularExpression::anchoredPattern(QStringLiteral(".+@.+\\.[A-Za-z]{2,6}")));
    return form.match(address).hasMatch();
}

bool DWPMailTester::isValidMailDomain(const QString& domain)
{
    return !mailServersForDomain(domain).isEmpty();
}

bool DWPMailTester::isNotInvalidMailAddress(const QString& address)
{
    if (!isPlausibleMailAddress(address))
        return false;
    return isValidMailDomain(address.mid(address.lastIndexOf(u'@') + 1));
}

QStringList DWPMailTester::mailServersForDomain(const QString& domain)
{
    const QByteArray name = domain.toUtf8();
    if (name.isEmpty() || name.contains('\0'))
        return {};
    // A resolver state of this call's own: queries on several threads never share one.
    struct __res_state state;
    std::memset(&state, 0, sizeof state);
    if (res_ninit(&state) != 0)
        return {};
    const QString server = nameserver();
    sockaddr_in custom{};
    if (!server.isEmpty() && parseNameserver(server, &custom)) {
        state.nsaddr_list[0] = custom;
        state.nscount = 1;
    }
    unsigned char answer[kAnswerSize];
    const int length = res_nquery(&state, name.constData(), ns_c_in, ns_t_mx, answer, sizeof answer);
    res_nclose(&state);
    if (length < 1)
        return {};
    return mailServersFromAnswer(answer, qMin(length, kAnswerSize));
}
