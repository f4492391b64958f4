#pragma once
// A fake VAT-number service and a fake DNS server on loopback for the store's checks, fresh user
// defaults, and a way to wait until every check has answered.

#include "DWPayment/DWPMailTester.h"
#include "DWPayment/DWPTransaction.h"
#include "DWPayment/DWPUserDataOracle.h"
#include "DWPayment/DWPVatIdTester.h"

#include "FakeDnsServer.h"
#include "platform/core/BackgroundWork.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/TemporaryXdg.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>

namespace dw::test {

inline constexpr const char* kVatServicePath = "/taxation_customs/vies/services/checkVatService";
inline constexpr const char* kVatNamespace = "urn:ec.europa.eu:taxud:vies:services:checkVat:types";

inline QByteArray checkVatReply(const char* valid)
{
    return QByteArray("<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
                      "<checkVatResponse xmlns=\"urn:ec.europa.eu:taxud:vies:services:checkVat:types\">"
                      "<countryCode>DE</countryCode><vatNumber>123456789</vatNumber>"
                      "<requestDate>2026-12-10+01:00</requestDate><valid>") +
           valid +
           QByteArray("</valid><name>---</name><address>---</address></checkVatResponse></soap:Body>"
                      "</soap:Envelope>");
}

inline QByteArray soapFault(const char* text)
{
    return QByteArray("<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
                      "<soap:Fault><faultcode>soap:Server</faultcode><faultstring>") +
           text + QByteArray("</faultstring></soap:Fault></soap:Body></soap:Envelope>");
}

class StoreChecksTest : public ::testing::Test
{
protected:
    StoreChecksTest()
        : m_dns([this](const QByteArray& query) {
              return m_dnsResponder ? m_dnsResponder(query) : mxReply(query, {}, true);
          })
    {
        DWPVatIdTester::setServiceConfiguration(
            {m_vies.url(QString::fromLatin1(kVatServicePath)), QString::fromLatin1(kVatNamespace)});
        EXPECT_TRUE(DWPMailTester::setNameserver(m_dns.address()));
        DWPUserDataOracle::resetRegistration();
    }

    ~StoreChecksTest() override
    {
        settle();
        DWPVatIdTester::setServiceConfiguration({});
        (void)DWPMailTester::setNameserver(QString());
        DWPUserDataOracle::resetRegistration();
    }

    // Waits until every started check has answered and its result has been applied or dropped.
    static void settle()
    {
        dw::waitForBackgroundWork();
        QCoreApplication::sendPostedEvents();
    }

    TemporaryXdg m_xdg;
    ScopedEnv m_mail{"EMAIL", std::nullopt};
    ScopedEnv m_zone{"TZ", QByteArray("America/New_York")};
    FakeHttpServer m_vies;
    FakeDnsServer::Responder m_dnsResponder;
    FakeDnsServer m_dns;
};

} // namespace dw::test
