#pragma once
// tools/dwp-fake-gateway run for one test: the store's web host and gateway on loopback, over
// plain HTTP or over TLS with a certificate of its own.

#include <QProcess>
#include <QString>
#include <QStringList>
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
        if (!m_process.waitForStarted(10000)) {
            ADD_FAILURE() << "dwp-fake-gateway did not start";
            return;
        }
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
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
