#include "DWKit/DWCrypter.h"

#include "platform/archive/PropertyList.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <cerrno>
#include <fcntl.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Enciphered resources are a few kilobytes; a file far beyond that is not one of them.
constexpr qint64 kMaxResourceSize = 64LL << 20;

struct KeyDeleter
{
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct ContextDeleter
{
    void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};

void logFailure(const QString& what)
{
    ERR_clear_error();
    dw::consoleWrite(what);
}

std::optional<QByteArray> readResource(const QString& path)
{
    QByteArray bytes;
    const int error = dw::readFile(path, &bytes);
    if (error != 0) {
        dw::consoleWrite(QStringLiteral("cannot read the enciphered resource %1 (error %2)").arg(path).arg(error));
        return std::nullopt;
    }
    return bytes;
}

} // namespace

DWCrypter::DWCrypter(const QByteArray& key, quint8 flag) : m_key(key.constData(), key.size()), m_flag(flag) {}

DWCrypter::~DWCrypter()
{
    OPENSSL_cleanse(m_key.data(), size_t(m_key.size()));
}

std::unique_ptr<DWCrypter> DWCrypterNewWithData(const QByteArray& key, quint8 flag)
{
    DW_ASSERT(!key.isNull(), "Invalid parameter not satisfying: NULL != data");
    return std::make_unique<DWCrypter>(key, flag);
}

std::optional<QByteArray> DWCreateDecryptedDataFromBytes(const DWCrypter& crypter, const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return std::nullopt;
    const auto* keyData = reinterpret_cast<const unsigned char*>(crypter.key().constData());
    const std::unique_ptr<EVP_PKEY, KeyDeleter> key(d2i_AutoPrivateKey(nullptr, &keyData, long(crypter.key().size())));
    if (!key || EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_RSA) {
        logFailure(QStringLiteral("the resource key is no RSA private key"));
        return std::nullopt;
    }
    const std::unique_ptr<EVP_PKEY_CTX, ContextDeleter> context(EVP_PKEY_CTX_new(key.get(), nullptr));
    if (!context || EVP_PKEY_decrypt_init(context.get()) <= 0 ||
        EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) <= 0) {
        logFailure(QStringLiteral("cannot start the RSA decryption"));
        return std::nullopt;
    }
    // Newer OpenSSL answers bad padding with random bytes instead of an error; a damaged resource
    // must fail, so that is switched off where it exists (older versions do not know the setting).
    EVP_PKEY_CTX_ctrl_str(context.get(), "rsa_pkcs1_implicit_rejection", "0");
    ERR_clear_error();

    const qsizetype blockSize = EVP_PKEY_get_size(key.get());
    if (blockSize <= 0 || bytes.size() % blockSize != 0) {
        logFailure(QStringLiteral("the enciphered resource is not a whole number of blocks"));
        return std::nullopt;
    }
    QByteArray plaintext;
    plaintext.reserve(bytes.size());
    QByteArray block(blockSize, Qt::Uninitialized);
    for (qsizetype offset = 0; offset < bytes.size(); offset += blockSize) {
        size_t length = size_t(block.size());
        if (EVP_PKEY_decrypt(context.get(), reinterpret_cast<unsigned char*>(block.data()), &length,
                             reinterpret_cast<const unsigned char*>(bytes.constData() + offset),
                             size_t(blockSize)) <= 0) {
            OPENSSL_cleanse(plaintext.data(), size_t(plaintext.size()));
            logFailure(QStringLiteral("the enciphered resource does not decrypt with the key"));
            return std::nullopt;
        }
        plaintext.append(block.constData(), qsizetype(length));
    }
    OPENSSL_cleanse(block.data(), size_t(block.size()));
    return plaintext;
}

std::optional<QByteArray> DWCCreateDecryptedDataFromFileAtPath(const DWCrypter& crypter, const QString& path)
{
    const std::optional<QByteArray> bytes = readResource(path);
    if (!bytes)
        return std::nullopt;
    std::optional<QByteArray> plaintext = DWCreateDecryptedDataFromBytes(crypter, *bytes);
    if (!plaintext && !bytes->isEmpty())
        dw::consoleWrite(QStringLiteral("cannot decrypt %1").arg(path));
    else if (!plaintext)
        dw::consoleWrite(QStringLiteral("the enciphered resource %1 is empty").arg(path));
    return plaintext;
}

std::optional<QVariant> DWCCreateDecryptedPropertyListFromData(const DWCrypter& crypter, const QByteArray& bytes)
{
    if (bytes.isEmpty()) {
        dw::consoleWrite(QStringLiteral("the enciphered resource is empty"));
        return std::nullopt;
    }
    const std::optional<QByteArray> plaintext = DWCreateDecryptedDataFromBytes(crypter, bytes);
    if (!plaintext)
        return std::nullopt;
    QString error;
    std::optional<QVariant> value = dw::plist::read(*plaintext, &error);
    if (!value)
        dw::consoleWrite(QStringLiteral("the decrypted resource is no property list: %1").arg(error));
    return value;
}

std::optional<QVariant> DWCCreateDecryptedPropertyList(const DWCrypter& crypter, const QString& path)
{
    const std::optional<QByteArray> plaintext = DWCCreateDecryptedDataFromFileAtPath(crypter, path);
    if (!plaintext)
        return std::nullopt;
    QString error;
    std::optional<QVariant> value = dw::plist::read(*plaintext, &error);
    if (!value)
        dw::consoleWrite(QStringLiteral("%1 is no property list: %2").arg(path, error));
    return value;
}

std::optional<QString> DWCCreateDecryptedStringFromFileAtPath(const DWCrypter& crypter, const QString& path)
{
    const std::optional<QByteArray> plaintext = DWCCreateDecryptedDataFromFileAtPath(crypter, path);
    if (!plaintext)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(*plaintext);
    if (decoder.hasError()) {
        dw::consoleWrite(QStringLiteral("%1 is not UTF-8 text").arg(path));
        return std::nullopt;
    }
    return text;
}

namespace dw {

int readFile(const QString& path, QByteArray* bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat info
    {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    if (info.st_size > kMaxResourceSize) {
        ::close(fd);
        return EFBIG;
    }
    QByteArray buffer(qsizetype(info.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::read(fd, buffer.data() + done, size_t(buffer.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    ::close(fd);
    if (done != buffer.size()) {
        consoleWrite(QStringLiteral("readFile: short read"));
        return EIO;
    }
    *bytes = std::move(buffer);
    return 0;
}

int writeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return EACCES;
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) || file.write(bytes) != bytes.size() ||
        !file.commit()) {
        file.cancelWriting();
        consoleWrite(QStringLiteral("writeFile: short write"));
        return EIO;
    }
    return 0;
}

} // namespace dw
