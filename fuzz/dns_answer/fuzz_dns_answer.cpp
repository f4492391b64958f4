// Reading any bytes as a DNS answer must stay inside them, and every host it gives must be a name
// ending in "." that comes once.

#include "DWPayment/DWPMailTester.h"

#include <QSet>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QStringList hosts = DWPMailTester::mailServersFromAnswer(data, qsizetype(size));
    if (hosts.size() > 99)
        std::abort();
    QSet<QString> seen;
    for (const QString& host : hosts) {
        if (host.size() < 2 || !host.endsWith(u'.') || seen.contains(host.toLower()))
            std::abort();
        seen.insert(host.toLower());
    }
    return 0;
}
