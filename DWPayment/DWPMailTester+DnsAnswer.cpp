#include "DWPayment/DWPMailTester.h"

#include <QRandomGenerator>
#include <algorithm>
#include <arpa/nameser.h>
#include <resolv.h>
#include <vector>

namespace {

constexpr int kHeaderSize = 12;
constexpr int kMaxHosts = 99;
// Room for the host names of one answer, as the routine has always had.
constexpr std::size_t kHostNameRoom = 12800;

int read16(const unsigned char* p)
{
    return (p[0] << 8) | p[1];
}

struct Exchanger
{
    QString host;
    int preference = 0;
    quint32 weight = 0;
};

} // namespace

QStringList DWPMailTester::mailServersFromAnswer(const unsigned char* answer, qsizetype length)
{
    if (!answer || length < kHeaderSize)
        return {};
    const unsigned char* const end = answer + length;
    const int questions = read16(answer + 4);
    const int answers = read16(answer + 6);
    const unsigned char* p = answer + kHeaderSize;

    for (int i = 0; i < questions; ++i) {
        const int skipped = dn_skipname(p, end);
        if (skipped < 0 || skipped > end - p)
            return {};
        p += skipped;
        if (end - p < 4)
            return {};
        p += 4;
    }

    std::vector<Exchanger> exchangers;
    std::size_t room = kHostNameRoom;
    char name[NS_MAXDNAME];
    for (int i = 0; i < answers && p < end && exchangers.size() < std::size_t(kMaxHosts); ++i) {
        const int ownerLength = dn_expand(answer, end, p, name, sizeof name);
        if (ownerLength < 0 || ownerLength > end - p)
            break;
        p += ownerLength;
        // type, class, time to live, data length
        if (end - p < 10)
            break;
        const int type = read16(p);
        const int dataLength = read16(p + 8);
        p += 10;
        if (end - p < dataLength)
            break;
        const unsigned char* const data = p;
        p += dataLength;
        if (type != ns_t_mx)
            continue;
        if (dataLength < 3)
            break;
        const int exchangeLength = dn_expand(answer, end, data + 2, name, sizeof name);
        if (exchangeLength < 0 || exchangeLength > dataLength - 2)
            break;
        QString host = QString::fromLatin1(name);
        // A lone "." (an empty name) is a "null MX": the domain declares that it takes no mail.
        if (host.isEmpty() || host == QLatin1String("."))
            continue;
        if (!host.endsWith(u'.'))
            host += u'.';
        const std::size_t needed = std::size_t(host.size()) + 1;
        if (room < needed)
            break;
        room -= needed;
        exchangers.push_back({host, read16(data), QRandomGenerator::global()->generate()});
    }

    std::sort(exchangers.begin(), exchangers.end(), [](const Exchanger& a, const Exchanger& b) {
        return a.preference != b.preference ? a.preference < b.preference : a.weight < b.weight;
    });
    // Each host once, at its best preference; randomly ordered equals could separate duplicates.
    QStringList hosts;
    for (const Exchanger& exchanger : exchangers) {
        if (!hosts.contains(exchanger.host, Qt::CaseInsensitive))
            hosts.append(exchanger.host);
    }
    return hosts;
}
