#pragma once
// The e-mail check: the form of an address, then at least one mail exchanger (DNS MX record) for
// its domain, asked of the system resolver.
//
// The resolver's name server may be overridden process-wide (setNameserver), for tests and the
// command-line tool. mailServersForDomain() blocks for the query: call it on a worker thread.
//
//     if (DWPMailTester::isNotInvalidMailAddress(QStringLiteral("buyer@example.com"))) ...
//     QStringList hosts = DWPMailTester::mailServersForDomain(QStringLiteral("example.com"));

#include "DWPayment/DWPaymentExport.h"

#include <QString>
#include <QStringList>

class DWPAYMENT_EXPORT DWPMailTester
{
public:
    DWPMailTester() = delete;

    // "HOST:PORT" with an IPv4 address, or empty for the system's name servers. False (and nothing
    // changed) for anything else. Any thread.
    [[nodiscard]] static bool setNameserver(const QString& hostAndPort);
    static QString nameserver();

    // Something, "@", something, ".", and a top-level name of 2 to 6 letters.
    static bool isPlausibleMailAddress(const QString& address);
    static bool isValidMailDomain(const QString& domain);
    // Plausible, and the domain after the last "@" has a mail exchanger.
    static bool isNotInvalidMailAddress(const QString& address);

    // The domain's mail exchangers, lowest preference first (equal preferences in random order),
    // each once, each ending in "."; empty when there is none or the query failed.
    static QStringList mailServersForDomain(const QString& domain);

    // The mail exchangers of a DNS answer message, as above. Every length in the message is
    // checked: a damaged or hostile message yields the hosts read before the damage, never a read
    // beyond `length` bytes.
    static QStringList mailServersFromAnswer(const unsigned char* answer, qsizetype length);
};
