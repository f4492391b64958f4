#pragma once
// A scripted DNS server on 127.0.0.1 (UDP) for the e-mail check: each query is answered by a
// responder that gets the query message and returns the reply bytes (empty: no reply).
//
//     FakeDnsServer dns([](const QByteArray& query) { return mxReply(query, {{10, "mx.example.com"}}); });
//     ASSERT_TRUE(DWPMailTester::setNameserver(dns.address()));

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

namespace dw::test {

class FakeDnsServer
{
public:
    using Responder = std::function<QByteArray(const QByteArray& query)>;

    explicit FakeDnsServer(Responder responder);
    ~FakeDnsServer();
    FakeDnsServer(const FakeDnsServer&) = delete;
    FakeDnsServer& operator=(const FakeDnsServer&) = delete;

    // "127.0.0.1:<port>"
    QString address() const;

private:
    void serve();

    Responder m_responder;
    int m_socket = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// A reply to `query` (its ID and question copied) with one MX record per (preference, host), in
// the given order. rcode 3 (no such domain) and no records when `records` is empty and nxdomain.
QByteArray mxReply(const QByteArray& query, const std::vector<std::pair<int, QByteArray>>& records,
                   bool nxdomain = false);

} // namespace dw::test
