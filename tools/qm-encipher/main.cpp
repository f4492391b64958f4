// qm-encipher KEY INPUT OUTPUT
//
// Enciphers INPUT for the program's resource decryptor and writes OUTPUT atomically. KEY is the
// public key of the project's key pair (a DER or PEM SubjectPublicKeyInfo), or its private key, of
// which only the public half is used. The enciphered form is a sequence of RSA blocks of the key's
// size, each holding up to (key size - 11) bytes of the input with PKCS#1 v1.5 padding.
// Exits 0 on success, 1 with a message on standard error otherwise.

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>
#include <cstdio>
#include <memory>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

namespace {

struct KeyDeleter
{
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct ContextDeleter
{
    void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};
struct BioDeleter
{
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;

int fail(const QString& message)
{
    std::fprintf(stderr, "qm-encipher: %s\n", message.toLocal8Bit().constData());
    return 1;
}

// Public or private, DER or PEM: whatever form the key file has.
Key readKey(const QByteArray& bytes)
{
    auto der = [&](auto reader) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
        return Key(reader(nullptr, &p, long(bytes.size())));
    };
    if (Key key = der(d2i_PUBKEY))
        return key;
    if (Key key = der(d2i_AutoPrivateKey))
        return key;
    auto pem = [&](auto reader) {
        std::unique_ptr<BIO, BioDeleter> bio(BIO_new_mem_buf(bytes.constData(), int(bytes.size())));
        return Key(bio ? reader(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    };
    if (Key key = pem(PEM_read_bio_PUBKEY))
        return key;
    return pem(PEM_read_bio_PrivateKey);
}

bool readFile(const QString& path, QByteArray* bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *bytes = file.readAll();
    return file.error() == QFile::NoError;
}

} // namespace

static int run(int argc, char** argv)
{
    if (argc != 4)
        return fail(QStringLiteral("usage: qm-encipher KEY INPUT OUTPUT"));
    const QString keyPath = QString::fromLocal8Bit(argv[1]);
    const QString inputPath = QString::fromLocal8Bit(argv[2]);
    const QString outputPath = QString::fromLocal8Bit(argv[3]);

    QByteArray keyBytes;
    if (!readFile(keyPath, &keyBytes))
        return fail(QStringLiteral("cannot read the key %1").arg(keyPath));
    const Key key = readKey(keyBytes);
    if (!key || EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_RSA)
        return fail(QStringLiteral("%1 holds no RSA key").arg(keyPath));
    QByteArray plaintext;
    if (!readFile(inputPath, &plaintext))
        return fail(QStringLiteral("cannot read %1").arg(inputPath));
    if (plaintext.isEmpty())
        return fail(QStringLiteral("%1 is empty; the program treats an empty resource as missing").arg(inputPath));

    std::unique_ptr<EVP_PKEY_CTX, ContextDeleter> context(EVP_PKEY_CTX_new(key.get(), nullptr));
    if (!context || EVP_PKEY_encrypt_init(context.get()) <= 0 ||
        EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) <= 0)
        return fail(QStringLiteral("cannot start the RSA encryption"));
    const int blockSize = EVP_PKEY_get_size(key.get());
    const int chunkSize = blockSize - 11;
    if (chunkSize < 1)
        return fail(QStringLiteral("the key is too small"));

    QByteArray enciphered;
    for (qsizetype offset = 0; offset < plaintext.size(); offset += chunkSize) {
        const qsizetype length = std::min<qsizetype>(chunkSize, plaintext.size() - offset);
        QByteArray block(blockSize, Qt::Uninitialized);
        size_t written = size_t(block.size());
        if (EVP_PKEY_encrypt(context.get(), reinterpret_cast<unsigned char*>(block.data()), &written,
                             reinterpret_cast<const unsigned char*>(plaintext.constData() + offset),
                             size_t(length)) <= 0 ||
            written != size_t(blockSize))
            return fail(QStringLiteral("RSA encryption failed"));
        enciphered += block;
    }

    QSaveFile out(outputPath);
    if (!out.open(QIODevice::WriteOnly) || out.write(enciphered) != enciphered.size() || !out.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(outputPath, out.errorString()));
    return 0;
}

int main(int argc, char** argv)
{
    // Input that slips past the checks must still end in a message, never in an abort.
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: cannot go on: %s\n", "qm-encipher", e.what());
        return 1;
    }
}
