#include "updater/QMReleaseSignature.h"

#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>

namespace {

// The public half of the project's release key. The private half is kept offline by whoever makes
// releases; it is in no repository and on no build machine.
const char kReleasePublicKey[] = "-----BEGIN PUBLIC KEY-----\n"
                                 "MCowBQYDK2VwAyEAUUa7I/59d9m/Zc9Ua44cWfNyuFcheK1ZNoTmrlcvt0U=\n"
                                 "-----END PUBLIC KEY-----\n";

struct KeyDeleter
{
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct BioDeleter
{
    void operator()(BIO* bio) const { BIO_free(bio); }
};
struct ContextDeleter
{
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

QByteArray QMReleaseSignature::releasePublicKey()
{
    return QByteArray(kReleasePublicKey);
}

bool QMReleaseSignature::verifyDigest(const QByteArray& sha256Digest, const QString& base64Signature,
                                      const QByteArray& publicKeyPem, QString* error)
{
    if (sha256Digest.size() != 32)
        return fail(error, QStringLiteral("no digest of the download"));
    const auto decoded =
        QByteArray::fromBase64Encoding(base64Signature.trimmed().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != 64)
        return fail(error, QStringLiteral("the release carries no signature"));
    const std::unique_ptr<BIO, BioDeleter> bio(BIO_new_mem_buf(publicKeyPem.constData(), int(publicKeyPem.size())));
    const std::unique_ptr<EVP_PKEY, KeyDeleter> key(bio ? PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr)
                                                        : nullptr);
    if (!key || EVP_PKEY_id(key.get()) != EVP_PKEY_ED25519)
        return fail(error, QStringLiteral("no release key to check the signature with"));
    const std::unique_ptr<EVP_MD_CTX, ContextDeleter> context(EVP_MD_CTX_new());
    const auto* signature = reinterpret_cast<const unsigned char*>(decoded.decoded.constData());
    const auto* digest = reinterpret_cast<const unsigned char*>(sha256Digest.constData());
    if (!context || EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
        EVP_DigestVerify(context.get(), signature, size_t(decoded.decoded.size()), digest,
                         size_t(sha256Digest.size())) != 1)
        return fail(error, QStringLiteral("the release's signature is not the release key's"));
    return true;
}
