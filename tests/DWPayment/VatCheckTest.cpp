#include "StoreChecksFixture.h"

#include "DWPayment/DWPEuroTester.h"

#include <QTest>
#include <QXmlStreamReader>

namespace {

using dw::test::checkVatReply;
using dw::test::FakeHttpReply;
using dw::test::FakeHttpRequest;
using dw::test::soapFault;

class VatCheck : public dw::test::StoreChecksTest
{
protected:
    void answer(const FakeHttpReply& reply)
    {
        m_vies.addRoute({.method = "POST", .path = dw::test::kVatServicePath}, reply);
    }
};

TEST_F(VatCheck, AsksTheServiceWithAQualifiedCheckVatCall)
{
    answer({.status = 200, .body = checkVatReply("true")});
    QString fault;
    EXPECT_TRUE(DWPVatIdTester::isValidVatId(QStringLiteral("de 123 456-789"), &fault));
    EXPECT_TRUE(fault.isNull());

    ASSERT_EQ(m_vies.requestCount(), 1u);
    const FakeHttpRequest request = m_vies.requests()[0];
    EXPECT_EQ(request.headerValue("SOAPAction"), QByteArray("\"\""));
    EXPECT_TRUE(request.headerValue("Content-Type").startsWith("text/xml"));
    QMap<QString, QString> parameters;
    QXmlStreamReader xml(request.body);
    QString operationNamespace;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString();
        if (name == QLatin1String("checkVat"))
            operationNamespace = xml.namespaceUri().toString();
        if (name == QLatin1String("countryCode") || name == QLatin1String("vatNumber"))
            parameters[name] = xml.namespaceUri() + u'|' + xml.readElementText();
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    const QString ns = QString::fromLatin1(dw::test::kVatNamespace);
    EXPECT_EQ(operationNamespace, ns);
    EXPECT_EQ(parameters.value(QStringLiteral("countryCode")), ns + QStringLiteral("|DE"));
    EXPECT_EQ(parameters.value(QStringLiteral("vatNumber")), ns + QStringLiteral("|123456789"));
}

TEST_F(VatCheck, OnlyTheExpectedReplyCountsAsValid)
{
    const struct
    {
        const char* name;
        FakeHttpReply reply;
        bool valid;
        const char* fault; // nullptr: no fault text
    } rows[] = {
        {"valid", {.status = 200, .body = checkVatReply("true")}, true, nullptr},
        {"invalid", {.status = 200, .body = checkVatReply("false")}, false, nullptr},
        {"fault with 500", {.status = 500, .body = soapFault("MS_UNAVAILABLE")}, false, "MS_UNAVAILABLE"},
        {"500 without fault", {.status = 500, .body = "oops"}, false, "VAT check: unknown server error (500)"},
        {"fault with 200", {.status = 200, .body = soapFault("INVALID_INPUT")}, false, "INVALID_INPUT"},
        {"page instead of XML", {.status = 200, .body = "<html><body>valid</body></html>"}, false, ""},
        {"unknown verdict", {.status = 200, .body = checkVatReply("yes")}, false, ""},
        {"cut connection", {.status = 200, .cutAfterBytes = 0}, false, "VAT check: unknown server error (0)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        dw::test::FakeHttpServer server;
        server.addRoute({.path = dw::test::kVatServicePath}, row.reply);
        DWPVatIdTester::setServiceConfiguration(
            {server.url(QString::fromLatin1(dw::test::kVatServicePath)), QString::fromLatin1(dw::test::kVatNamespace)});
        QString fault;
        EXPECT_EQ(DWPVatIdTester::isValidVatId(QStringLiteral("DE123456789"), &fault), row.valid);
        if (!row.fault)
            EXPECT_TRUE(fault.isNull()) << fault.toStdString();
        else if (*row.fault)
            EXPECT_EQ(fault, QString::fromLatin1(row.fault));
        else
            EXPECT_FALSE(fault.isEmpty());
    }
}

TEST_F(VatCheck, FormAndCountryAreCheckedBeforeAsking)
{
    const struct
    {
        const char* id;
        const char* normalized; // nullptr: none
        bool plausible;
    } rows[] = {{"de 123 456 789", "DE123456789", true},
                {"DE", nullptr, false},
                {"DE1234", "DE1234", false},
                {"DE1234567890123", "DE1234567890123", false},
                {"CH123456789", "CH123456789", false},
                {"el123456789", "EL123456789", true}, // Greece's prefix
                {"at u1234567*", "ATU1234567*", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        const QString normalized = DWPVatIdTester::normalizeVatId(QString::fromLatin1(row.id));
        if (row.normalized)
            EXPECT_EQ(normalized, QString::fromLatin1(row.normalized));
        else
            EXPECT_TRUE(normalized.isNull());
        EXPECT_EQ(DWPVatIdTester::isPlausibleVatId(QString::fromLatin1(row.id)), row.plausible);
    }
    EXPECT_FALSE(DWPVatIdTester::isValidVatId(QStringLiteral("CH123456789")));
    EXPECT_EQ(m_vies.requestCount(), 0u);
    EXPECT_TRUE(DWPEuroTester::isCountryCodeInEU(QStringLiteral("at")));
    EXPECT_FALSE(DWPEuroTester::isCountryCodeInEU(QStringLiteral("EL")));
    EXPECT_EQ(DWPEuroTester::euCountryCodes().size(), 27);
    EXPECT_EQ(DWPEuroTester::euroAreaCountryCodes().size(), 16);
    EXPECT_TRUE(DWPEuroTester::isCountryCodeInEuroRegion(QStringLiteral("sk")));
    EXPECT_FALSE(DWPEuroTester::isCountryCodeInEuroRegion(QStringLiteral("DK")));
}

TEST_F(VatCheck, ASlowAnswerForAnOlderIdNeverOverwritesTheLatest)
{
    m_vies.addRoute({.path = dw::test::kVatServicePath}, [this](const FakeHttpRequest& request) {
        if (request.body.contains("111111111")) {
            // Held until the buyer's next ID has been asked about, and answered after it.
            EXPECT_TRUE(m_vies.waitForRequests(2));
            return FakeHttpReply{.status = 200, .body = checkVatReply("true"), .delay = std::chrono::milliseconds(300)};
        }
        return FakeHttpReply{.status = 200, .body = checkVatReply("false")};
    });
    DWPTransaction transaction(DWPShoppingCart::shoppingCart());
    transaction.setUserCountry(QStringLiteral("DE"));
    transaction.setUserUsesVatId(true);
    transaction.setUserVatId(QStringLiteral("DE111111111"));
    transaction.setUserVatId(QStringLiteral("DE222222222"));
    EXPECT_TRUE(transaction.isCheckingVat());
    settle();
    EXPECT_EQ(m_vies.requestCount(), 2u);
    EXPECT_FALSE(transaction.isVatValid());
    EXPECT_FALSE(transaction.isCheckingVat());
}

TEST_F(VatCheck, ServiceFailureShowsAServerErrorAndTheSameIdRetries)
{
    m_vies.addRoute({.path = dw::test::kVatServicePath},
                    std::vector<FakeHttpReply>{{.status = 500, .body = soapFault("MS_UNAVAILABLE")},
                                               {.status = 200, .body = checkVatReply("true")}});
    DWPTransaction transaction(DWPShoppingCart::shoppingCart());
    transaction.setUserCountry(QStringLiteral("FR"));
    transaction.setUserUsesVatId(true);
    const QString id = QStringLiteral("FR12345678901");
    transaction.setUserVatId(id);
    settle();
    EXPECT_EQ(transaction.vatStatusString(), QStringLiteral("server error during validation"));
    EXPECT_TRUE(transaction.vatErrorOnServer());
    EXPECT_FALSE(transaction.isVatValid());
    EXPECT_TRUE(transaction.userHasToPayVAT());

    transaction.setUserVatId(id);
    settle();
    EXPECT_EQ(m_vies.requestCount(), 2u);
    EXPECT_EQ(transaction.vatStatusString(), QStringLiteral(""));
    EXPECT_TRUE(transaction.isVatValid());
    EXPECT_FALSE(transaction.userHasToPayVAT());

    transaction.setUserVatId(id); // after any other outcome the same ID asks nothing
    settle();
    EXPECT_EQ(m_vies.requestCount(), 2u);
}

TEST_F(VatCheck, GreekIdsWithTheirOwnPrefixAreAskedAsSuch)
{
    answer({.status = 200, .body = checkVatReply("true")});
    DWPTransaction transaction(DWPShoppingCart::shoppingCart());
    transaction.setUserUsesVatId(true);
    transaction.setUserCountry(QStringLiteral("GR"));
    transaction.setUserVatId(QStringLiteral("EL123456789"));
    settle();
    EXPECT_TRUE(transaction.isVatValid());
    EXPECT_FALSE(transaction.userHasToPayVAT());
    ASSERT_EQ(m_vies.requestCount(), 1u);
    EXPECT_TRUE(m_vies.requests()[0].body.contains("<tns:countryCode>EL</tns:countryCode>"));

    // The prefix belongs to Greece alone.
    transaction.setUserCountry(QStringLiteral("CY"));
    settle();
    EXPECT_FALSE(transaction.isVatValid());
    EXPECT_EQ(transaction.vatStatusString(), QStringLiteral("VAT ID not valid for selected country"));
    EXPECT_EQ(m_vies.requestCount(), 1u);
}

TEST_F(VatCheck, WrongCountryIsToldWithoutAsking)
{
    DWPTransaction transaction(DWPShoppingCart::shoppingCart());
    transaction.setUserUsesVatId(true);
    transaction.setUserCountry(QStringLiteral("AT"));
    transaction.setUserVatId(QStringLiteral("DE123456789"));
    EXPECT_EQ(transaction.vatStatusString(), QStringLiteral("Checking…"));
    settle();
    EXPECT_EQ(transaction.vatStatusString(), QStringLiteral("VAT ID not valid for selected country"));
    EXPECT_EQ(m_vies.requestCount(), 0u);

    transaction.setUserUsesVatId(false);
    transaction.setUserVatId(QStringLiteral("DE"));
    settle();
    EXPECT_EQ(transaction.vatStatusString(), QStringLiteral("")); // shown only to buyers who use an ID
}

} // namespace
