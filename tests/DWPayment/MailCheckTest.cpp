#include "StoreChecksFixture.h"

namespace {

using dw::test::mxReply;

class MailCheck : public dw::test::StoreChecksTest
{};

TEST_F(MailCheck, ExchangersComeByPreferenceEachOnce)
{
    m_dnsResponder = [](const QByteArray& query) {
        return mxReply(
            query,
            {{20, "mx2.example.com"}, {10, "mx1.example.com"}, {10, "MX1.EXAMPLE.com"}, {30, "mx1.example.com"}});
    };
    const QStringList hosts = DWPMailTester::mailServersForDomain(QStringLiteral("example.com"));
    ASSERT_EQ(hosts.size(), 2);
    EXPECT_EQ(hosts[0].compare(QLatin1String("mx1.example.com."), Qt::CaseInsensitive), 0);
    EXPECT_EQ(hosts[1], QStringLiteral("mx2.example.com."));
    EXPECT_TRUE(DWPMailTester::isNotInvalidMailAddress(QStringLiteral("a@b@example.com")));
}

TEST_F(MailCheck, NoUsableAnswerGivesNoExchanger)
{
    const struct
    {
        const char* name;
        std::function<QByteArray(const QByteArray&)> responder;
    } rows[] = {
        {"no such domain", [](const QByteArray& query) { return mxReply(query, {}, true); }},
        {"truncated record",
         [](const QByteArray& query) {
             return mxReply(query, {{10, "mx.example.com"}}).chopped(6);
         }},
        {"only a null MX",
         [](const QByteArray& query) {
             return mxReply(query, {{0, ""}});
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m_dnsResponder = row.responder;
        EXPECT_TRUE(DWPMailTester::mailServersForDomain(QStringLiteral("example.com")).isEmpty());
        EXPECT_FALSE(DWPMailTester::isNotInvalidMailAddress(QStringLiteral("buyer@example.com")));
    }
}

TEST_F(MailCheck, HostileAnswersAreReadWithinTheirBounds)
{
    auto message = [](std::initializer_list<int> bytes) {
        std::vector<unsigned char> result;
        for (int b : bytes)
            result.push_back(static_cast<unsigned char>(b));
        return result;
    };
    const struct
    {
        const char* name;
        std::vector<unsigned char> bytes;
    } rows[] = {
        {"header only", message({0, 0, 0x81, 0x80, 0, 1, 0, 1, 0, 0, 0, 0})},
        {"question runs off the end", message({0, 0, 0x81, 0x80, 0, 1, 0, 1, 0, 0, 0, 0, 3, 'a', 'b'})},
        {"pointer loop",
         message({0, 0, 0x81, 0x80, 0, 0, 0, 1, 0, 0, 0, 0, 0xc0, 12, 0, 15, 0, 1, 0, 0, 0, 1, 0, 3, 0, 10, 0})},
        {"data longer than the message",
         message({0, 0, 0x81, 0x80, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 15, 0, 1, 0, 0, 0, 1, 0xff, 0xff, 0, 10, 0})},
        {"exchange name beyond its data",
         message({0, 0, 0x81, 0x80, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 15, 0, 1, 0, 0, 0, 1, 0, 3, 0, 10, 2, 'm', 'x', 0})},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        // A copy of exactly the message's size, so a read past it is a read past the allocation.
        const std::unique_ptr<unsigned char[]> exact(new unsigned char[row.bytes.size()]);
        std::copy(row.bytes.begin(), row.bytes.end(), exact.get());
        EXPECT_TRUE(DWPMailTester::mailServersFromAnswer(exact.get(), qsizetype(row.bytes.size())).isEmpty());
    }
}

TEST_F(MailCheck, AddressForm)
{
    const struct
    {
        const char* address;
        bool plausible;
    } rows[] = {{"a@b.co", true},  {"a@b.abcdef", true}, {"a@b.c", false}, {"a@b.abcdefg", false},
                {"a@bcom", false}, {"@b.com", false},    {"", false},      {"first.last@sub.example.de", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.address);
        EXPECT_EQ(DWPMailTester::isPlausibleMailAddress(QString::fromLatin1(row.address)), row.plausible);
    }
}

TEST_F(MailCheck, TransactionShowsWhetherTheAddressCouldBeVerified)
{
    m_dnsResponder = [](const QByteArray& query) {
        return query.contains("example") ? mxReply(query, {{10, "mx.example.com"}}) : mxReply(query, {}, true);
    };
    DWPTransaction transaction(DWPShoppingCart::shoppingCart());
    const struct
    {
        const char* address;
        bool valid;
        const char* status;
    } rows[] = {{"buyer@example.com", true, ""},
                {"buyer@nowhere.test", false, "We could not verify this address."},
                {"not an address", false, ""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.address);
        transaction.setUserMail(QString::fromLatin1(row.address));
        EXPECT_TRUE(transaction.isCheckingMail());
        settle();
        EXPECT_FALSE(transaction.isCheckingMail());
        EXPECT_EQ(transaction.isMailValid(), row.valid);
        EXPECT_EQ(transaction.mailStatusString(), QString::fromUtf8(row.status));
    }
}

} // namespace
