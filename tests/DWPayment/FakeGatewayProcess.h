#pragma once
// tools/dwp-fake-gateway run for one test: the store's web host and gateway on loopback, over
// plain HTTP or over TLS with a certificate of its own.

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>

namespace dw::test {

class FakeGatewayProcess
{
public:
    explicit FakeGatewayProcess(const QStringList& arguments = {})
    {
        m_process.setProgram(QString::fromLocal8Bit(qgetenv("QV_TEST_DATA")) +
                             QStringLiteral("/../../tools/dwp-fake-gateway/dwp-fake-gateway"));
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start();
        if (!m_process.waitForStarted(60000)) {
            ADD_FAILURE() << "dwp-fake-gateway did not start";
            return;
        }
        // Its first line says where it listens. Python starts slowly on a busy machine: the wait is
        // for that line or the program's end, the deadline only a bound for a hung program.
        const QDeadlineTimer deadline(120000);
        while (!m_process.canReadLine() && m_process.state() == QProcess::Running && !deadline.hasExpired())
            m_process.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1)));
        const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
        if (!line.startsWith(QStringLiteral("listening on ")))
            ADD_FAILURE() << "dwp-fake-gateway said: " << line.toStdString()
                          << m_process.readAllStandardError().toStdString();
        m_baseURL = line.mid(13);
    }

    ~FakeGatewayProcess()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    FakeGatewayProcess(const FakeGatewayProcess&) = delete;
    FakeGatewayProcess& operator=(const FakeGatewayProcess&) = delete;

    // "http://127.0.0.1:<port>" (or https).
    const QString& baseURL() const { return m_baseURL; }

private:
    QProcess m_process;
    QString m_baseURL;
};

} // namespace dw::test
