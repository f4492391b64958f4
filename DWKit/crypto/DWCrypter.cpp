#include "DWKit/crypto/DWCrypter.h"

#include "DWKit/crypto/DWCdsaWrapper.h"

#include "platform/archive/PropertyList.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <cerrno>
#include <fcntl.h>
#include <openssl/crypto.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Enciphered resources are a few kilobytes; a file far beyond that is not one of them.
constexpr qint64 kMaxResourceSize = 64LL << 20;

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
    DWCdsaCspHandle csp = 0;
    const DWCdsaReturn attached = cdsaCspAttach(&csp);
    DW_ASSERT(attached == kDWCdsaOK, "0 == crtn");
    DWCdsaKey key;
    std::optional<QByteArray> plaintext;
    if (DWCrypterLoadKey(csp, crypter.key(), false, kDWCdsaAlgorithmRSA, &key) != 0) {
        dw::consoleWrite(QStringLiteral("the resource key is no RSA private key"));
    } else if (bytes.size() % qsizetype((key.logicalKeySizeInBits + 7) / 8) != 0) {
        dw::consoleWrite(QStringLiteral("the enciphered resource is not a whole number of blocks"));
    } else {
        QByteArray decrypted;
        const DWCdsaReturn result = cdsaDecrypt(csp, key, bytes, &decrypted);
        if (result == kDWCdsaOK)
            plaintext = std::move(decrypted);
        else
            dw::consoleWrite(QStringLiteral("the enciphered resource does not decrypt with the key (error 0x%1)")
                                 .arg(result, 0, 16));
    }
    cdsaFreeKey(csp, key);
    cdsaCspDetach(csp);
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
