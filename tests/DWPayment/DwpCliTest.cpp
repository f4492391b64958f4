#include "FakeDnsServer.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryXdg.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

dw::test::ProgramRun runCli(const QStringList& arguments)
{
    return dw::test::runProgram(dw::test::builtTool(QStringLiteral("dwp-cli")), arguments);
}

TEST(DwpCli, ShowsTheCatalogueCartAndRefusesAMalformedOne)
{
    const auto cart =
        runCli({QStringLiteral("cart"), dw::test::fixturePath(QStringLiteral("DWPayment/Catalogue.plist"))});
    ASSERT_EQ(cart.exitCode, 0) << cart.errors.toStdString();
    EXPECT_TRUE(cart.output.contains("[x] licence.single Single seat"));
    EXPECT_TRUE(cart.output.contains("[ ] upgrade.b B"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("groups.plist"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<plist version=\"1.0\"><array><dict><key>selectionType</key><string>radio</string></dict></array>"
               "</plist>");
    file.close();
    const auto malformed = runCli({QStringLiteral("cart"), path});
    EXPECT_EQ(malformed.exitCode, 1);
    EXPECT_TRUE(malformed.errors.contains("catalogue is damaged")) << malformed.errors.toStdString();
    EXPECT_TRUE(malformed.output.isEmpty());
}

TEST(DwpCli, ListsMailExchangersFromTheGivenNameServer)
{
    dw::test::FakeDnsServer dns([](const QByteArray& query) {
        return dw::test::mxReply(query, {{20, "backup.example.com"}, {5, "mx.example.com"}});
    });
    const auto run =
        runCli({QStringLiteral("mx"), QStringLiteral("example.com"), QStringLiteral("--nameserver"), dns.address()});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(run.output, QByteArray("mx.example.com.\nbackup.example.com.\n"));
    EXPECT_EQ(runCli({QStringLiteral("mx")}).exitCode, 2);
}

} // namespace
