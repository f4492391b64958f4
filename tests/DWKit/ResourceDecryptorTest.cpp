#include "DWKit/crypto/DWCrypter.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "tests/support/TemporaryXdg.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <sys/stat.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Runs the build-time tool; its exit code.
int encipher(const QString& key, const QString& input, const QString& output)
{
    QProcess tool;
    tool.start(QStringLiteral(DW_QM_ENCIPHER), {key, input, output});
    tool.waitForFinished(-1);
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

class ResourceDecryptorTest : public ::testing::Test
{
protected:
    QString keyPath() const { return dw::test::fixturePath(QStringLiteral("DWKit/ThrowawayResourceKey.der")); }
    QString publicKeyPath() const
    {
        return dw::test::fixturePath(QStringLiteral("DWKit/ThrowawayResourceKey.pub.der"));
    }
    std::unique_ptr<DWCrypter> crypter() const { return DWCrypterNewWithData(readAll(keyPath()), 0); }

    // `plaintext` enciphered with the throwaway key into a file of the test's folder.
    QString enciphered(const QString& name, const QByteArray& plaintext)
    {
        const QString input = m_dir.filePath(name + QStringLiteral(".txt"));
        const QString output = m_dir.filePath(name + QStringLiteral(".enc"));
        writeAll(input, plaintext);
        EXPECT_EQ(encipher(publicKeyPath(), input, output), 0);
        return output;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(ResourceDecryptorTest, ResourceEncipheredAtBuildTimeDecrypts)
{
    const std::optional<QVariant> table =
        DWCCreateDecryptedPropertyList(*crypter(), QStringLiteral(DW_ENCIPHERED_FIXTURES "/EncipheredTable.enc"));
    ASSERT_TRUE(table);
    ASSERT_EQ(table->typeId(), QMetaType::QVariantMap);
    const QVariantMap map = table->toMap();
    EXPECT_EQ(map.value(QStringLiteral("AppID")), QStringLiteral("Throwaway-App-ID-for-tests"));
    EXPECT_EQ(map.value(QStringLiteral("serverInfoURLs")), QVariantList{QStringLiteral("http://127.0.0.1/info")});
    EXPECT_TRUE(map.value(QStringLiteral("note")).toString().endsWith(QStringLiteral("Grüße aus der Testumgebung.")));
}

TEST_F(ResourceDecryptorTest, KindsOfPlaintext)
{
    const auto decryptor = crypter();
    const std::optional<QVariant> array = DWCCreateDecryptedPropertyList(
        *decryptor,
        enciphered(QStringLiteral("array"), "<plist version=\"1.0\"><array><string>a</string></array></plist>"));
    ASSERT_TRUE(array);
    EXPECT_EQ(array->typeId(), QMetaType::QVariantList);

    const QByteArray script = QByteArray("function preview() { return 'h\xC3\xA9'; }\n").repeated(20);
    const QString scriptPath = enciphered(QStringLiteral("script"), script);
    EXPECT_EQ(DWCCreateDecryptedStringFromFileAtPath(*decryptor, scriptPath), QString::fromUtf8(script));
    EXPECT_EQ(DWCCreateDecryptedDataFromFileAtPath(*decryptor, scriptPath), std::optional<QByteArray>(script));
    EXPECT_EQ(DWCCreateDecryptedPropertyListFromData(*decryptor, readAll(scriptPath)), std::nullopt);
}

TEST_F(ResourceDecryptorTest, BadResourcesGiveNothingAndALogLine)
{
    const auto decryptor = crypter();
    const QString good = enciphered(QStringLiteral("good"), "<plist version=\"1.0\"><dict/></plist>");
    const QByteArray goodBytes = readAll(good);
    QByteArray flipped = goodBytes;
    flipped[flipped.size() / 2] = char(flipped[flipped.size() / 2] ^ 0x01);
    writeAll(m_dir.filePath(QStringLiteral("empty.enc")), QByteArray());
    writeAll(m_dir.filePath(QStringLiteral("truncated.enc")), goodBytes.chopped(1));
    writeAll(m_dir.filePath(QStringLiteral("flipped.enc")), flipped);

    struct Row
    {
        const char* name;
        QString path;
        QString logged;
    } rows[] = {
        {"missing", m_dir.filePath(QStringLiteral("missing.enc")), "cannot read the enciphered resource"},
        {"empty", m_dir.filePath(QStringLiteral("empty.enc")), "is empty"},
        {"truncated", m_dir.filePath(QStringLiteral("truncated.enc")), "not a whole number of blocks"},
        {"damaged", m_dir.filePath(QStringLiteral("flipped.enc")), "does not decrypt with the key"},
        {"not a property list", enciphered(QStringLiteral("text"), "hello"), "no property list"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        dw::ScopedConsoleCapture console;
        EXPECT_EQ(DWCCreateDecryptedPropertyList(*decryptor, row.path), std::nullopt);
        EXPECT_TRUE(console.contains(row.logged)) << console.lines().join(u'\n').toStdString();
    }

    dw::ScopedConsoleCapture console;
    EXPECT_EQ(DWCCreateDecryptedStringFromFileAtPath(*decryptor, enciphered(QStringLiteral("latin1"), "Gr\xFC\xDF")),
              std::nullopt);
    EXPECT_TRUE(console.contains(QStringLiteral("is not UTF-8 text")));
}

TEST_F(ResourceDecryptorTest, WrongKeys)
{
    const QString good = enciphered(QStringLiteral("good"), "<plist version=\"1.0\"><dict/></plist>");
    ASSERT_TRUE(DWCCreateDecryptedPropertyList(*crypter(), good));

    // Another RSA key of the same size: every block fails its padding check.
    EVP_PKEY* other = EVP_RSA_gen(1024);
    ASSERT_NE(other, nullptr);
    unsigned char* der = nullptr;
    const int length = i2d_PrivateKey(other, &der);
    const QByteArray otherKey(reinterpret_cast<const char*>(der), length);
    OPENSSL_free(der);
    EVP_PKEY_free(other);

    dw::ScopedConsoleCapture console;
    EXPECT_EQ(DWCCreateDecryptedPropertyList(*DWCrypterNewWithData(otherKey, 0), good), std::nullopt);
    EXPECT_EQ(DWCCreateDecryptedPropertyList(*DWCrypterNewWithData(readAll(publicKeyPath()), 0), good), std::nullopt);
    EXPECT_EQ(DWCCreateDecryptedPropertyList(*DWCrypterNewWithData(QByteArray("not a key"), 0), good), std::nullopt);
    EXPECT_TRUE(console.contains(QStringLiteral("no RSA private key")));
    EXPECT_THROW(DWCrypterNewWithData(QByteArray(), 0), dw::InternalInconsistency);
}

TEST_F(ResourceDecryptorTest, ToolRefusesWhatItCannotEncipher)
{
    const QString input = m_dir.filePath(QStringLiteral("in.txt"));
    writeAll(input, "data");
    writeAll(m_dir.filePath(QStringLiteral("empty.txt")), QByteArray());
    EXPECT_EQ(encipher(keyPath(), input, m_dir.filePath(QStringLiteral("from-private.enc"))), 0)
        << "the private key's public half will do";
    EXPECT_NE(
        encipher(publicKeyPath(), m_dir.filePath(QStringLiteral("empty.txt")), m_dir.filePath(QStringLiteral("e.enc"))),
        0);
    EXPECT_NE(encipher(input, input, m_dir.filePath(QStringLiteral("k.enc"))), 0) << "no key in the key file";
    EXPECT_NE(encipher(publicKeyPath(), m_dir.filePath(QStringLiteral("missing.txt")),
                       m_dir.filePath(QStringLiteral("m.enc"))),
              0);
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(QStringLiteral("e.enc"))));
}

TEST(ResourceFiles, ReadAndWriteWholeFiles)
{
    dw::test::TemporaryXdg xdg;
    const QString path = xdg.path(QStringLiteral("secret.bin"));
    EXPECT_EQ(dw::writeFile(path, QByteArray("s\0cret", 6)), 0);
    struct stat info
    {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    QByteArray bytes;
    EXPECT_EQ(dw::readFile(path, &bytes), 0);
    EXPECT_EQ(bytes, QByteArray("s\0cret", 6));
    EXPECT_EQ(dw::readFile(xdg.path(QStringLiteral("missing")), &bytes), ENOENT);
    EXPECT_NE(dw::writeFile(xdg.path(QStringLiteral("no/such/folder/x")), bytes), 0);
}
