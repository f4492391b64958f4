#include "DWKit/crypto/DWCdsaWrapper.h"

#include "platform/core/DWAssert.h"

#include <gtest/gtest.h>

namespace {

const QByteArray kPlain = QByteArrayLiteral("Brass lamp, 1920s");
const QByteArray kLong = QByteArray(300, 'x') + QByteArrayLiteral("end");

// Attached for the test, detached at its end.
class Csp
{
public:
    Csp() { EXPECT_EQ(cdsaCspAttach(&m_handle), kDWCdsaOK); }
    ~Csp() { cdsaCspDetach(m_handle); }
    operator DWCdsaCspHandle() const { return m_handle; }

private:
    DWCdsaCspHandle m_handle = 0;
};

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// Encrypts in pieces of `piece` bytes through the staged calls.
QByteArray staged(DWCdsaCspHandle csp, const DWCdsaKey& key, int direction, const QByteArray& input, int piece)
{
    DWCdsaContextPtr context;
    EXPECT_EQ(cdsaStagedEncDecrInit(csp, key, direction, &context), kDWCdsaOK);
    QByteArray output;
    for (qsizetype offset = 0; context; offset += piece) {
        const bool last = offset + piece >= input.size();
        QByteArray out;
        const DWCdsaReturn step = direction == 0 ? cdsaStagedEncrypt(context, last, input.mid(offset, piece), &out)
                                                 : cdsaStagedDecrypt(context, last, input.mid(offset, piece), &out);
        EXPECT_EQ(step, kDWCdsaOK);
        output += out;
        if (last) {
            EXPECT_FALSE(context) << "the final step deletes the context";
        }
    }
    return output;
}

} // namespace

TEST(CdsaWrapper, SymmetricKeysFromAPassPhraseRoundTripInOneCallAndInSteps)
{
    Csp csp;
    DWCdsaKey aes;
    ASSERT_EQ(cdsaDeriveKey(csp, "open sesame", kDWCdsaAlgorithmAES, 128, &aes), kDWCdsaOK);
    // PBKDF2-HMAC-SHA1 over the salt "kelpMoor", 1000 rounds; then CBC with the fixed vector.
    EXPECT_EQ(aes.keyData, hex("6c4929b9f78994bd15df36ac69996532"));
    EXPECT_EQ(aes.label, QByteArray("tempKey"));
    EXPECT_EQ(aes.keyClass, quint32(kDWCdsaKeyClassSession));
    QByteArray cipher;
    ASSERT_EQ(cdsaEncrypt(csp, aes, kPlain, &cipher), kDWCdsaOK);
    EXPECT_EQ(cipher, hex("c2be83c1d9162d708951b2871f9c02c9b3e79b0499dedb99f77145fa380b2a93"));

    const struct
    {
        const char* name;
        quint32 algorithm;
        quint32 bits;
        bool mayBeMissing; // not every libcrypto carries it
    } rows[] = {
        {"AES-256", kDWCdsaAlgorithmAES, 256, false}, {"triple DES", kDWCdsaAlgorithm3DES3KeyEDE, 192, false},
        {"DES", kDWCdsaAlgorithmDES, 64, false},      {"RC2", kDWCdsaAlgorithmRC2, 128, false},
        {"RC4", kDWCdsaAlgorithmRC4, 128, false},     {"RC5", kDWCdsaAlgorithmRC5, 128, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DWCdsaKey key;
        ASSERT_EQ(cdsaDeriveKey(csp, "open sesame", row.algorithm, row.bits, &key), kDWCdsaOK);
        QByteArray encrypted;
        const DWCdsaReturn result = cdsaEncrypt(csp, key, kLong, &encrypted);
        if (row.mayBeMissing && result == kDWCdsaAlgorithmNotAvailable)
            continue;
        ASSERT_EQ(result, kDWCdsaOK);
        EXPECT_NE(encrypted, kLong);
        QByteArray decrypted;
        ASSERT_EQ(cdsaDecrypt(csp, key, encrypted, &decrypted), kDWCdsaOK);
        EXPECT_EQ(decrypted, kLong);
        EXPECT_EQ(staged(csp, key, 0, kLong, 7), encrypted) << "steps give the same as one call";
        EXPECT_EQ(staged(csp, key, 1, encrypted, 13), kLong);
        cdsaFreeKey(csp, key);
        EXPECT_TRUE(key.keyData.isEmpty());
    }
}

TEST(CdsaWrapper, RsaKeysRoundTripBufferOfAnyLengthAndSign)
{
    Csp csp;
    DWCdsaKey publicKey, privateKey;
    ASSERT_EQ(cdsaGenerateKeyPair(csp, kDWCdsaAlgorithmRSA, 1024, &publicKey, &privateKey), kDWCdsaOK);
    EXPECT_EQ(publicKey.logicalKeySizeInBits, 1024u);
    EXPECT_EQ(publicKey.format, quint32(kDWCdsaKeyFormatPKCS1));
    EXPECT_EQ(privateKey.format, quint32(kDWCdsaKeyFormatPKCS8));

    // Loaded again from their bytes, as the decryptor loads its key.
    DWCdsaKey loadedPublic, loadedPrivate;
    ASSERT_EQ(DWCrypterLoadKey(csp, publicKey.keyData, true, kDWCdsaAlgorithmRSA, &loadedPublic), 0);
    ASSERT_EQ(DWCrypterLoadKey(csp, privateKey.keyData, false, kDWCdsaAlgorithmRSA, &loadedPrivate), 0);
    EXPECT_EQ(loadedPrivate.logicalKeySizeInBits, 1024u);
    EXPECT_EQ(loadedPrivate.keyUsage, kDWCdsaKeyUsageAny);

    QByteArray cipher;
    ASSERT_EQ(cdsaEncrypt(csp, loadedPublic, kLong, &cipher), kDWCdsaOK);
    EXPECT_EQ(cipher.size(), 3 * 128) << "three blocks of the key's size";
    QByteArray plain;
    ASSERT_EQ(cdsaDecrypt(csp, loadedPrivate, cipher, &plain), kDWCdsaOK);
    EXPECT_EQ(plain, kLong);
    EXPECT_EQ(staged(csp, loadedPrivate, 1, cipher, 50), kLong);
    QByteArray damaged = cipher;
    damaged[200] = char(damaged[200] ^ 0x40);
    EXPECT_EQ(cdsaDecrypt(csp, loadedPrivate, damaged, &plain), kDWCdsaOperationFailed);

    QByteArray signature;
    ASSERT_EQ(cdsaSign(csp, kDWCdsaAlgorithmSHA1WithRSA, privateKey, kLong, &signature), kDWCdsaOK);
    EXPECT_EQ(cdsaVerify(csp, kDWCdsaAlgorithmSHA1WithRSA, publicKey, kLong, signature), kDWCdsaOK);
    EXPECT_EQ(cdsaVerify(csp, kDWCdsaAlgorithmSHA1WithRSA, publicKey, kPlain, signature), kDWCdsaVerifyFailed);
    DWCdsaContextPtr context;
    ASSERT_EQ(cdsaStagedSignVerifyInit(csp, publicKey, kDWCdsaAlgorithmSHA1WithRSA, 3, &context), kDWCdsaOK);
    EXPECT_EQ(cdsaStagedVerify(context, false, kLong.left(100), {}), kDWCdsaOK);
    EXPECT_EQ(cdsaStagedVerify(context, true, kLong.mid(100), signature), kDWCdsaOK);
    EXPECT_FALSE(context);
}

TEST(CdsaWrapper, DsaSignaturesDigestsAndDiffieHellman)
{
    Csp csp;
    DWCdsaKey publicKey, privateKey;
    ASSERT_EQ(cdsaGenerateKeyPair(csp, kDWCdsaAlgorithmDSA, 1024, &publicKey, &privateKey), kDWCdsaOK);
    QByteArray signature;
    DWCdsaContextPtr context;
    ASSERT_EQ(cdsaStagedSignVerifyInit(csp, privateKey, kDWCdsaAlgorithmSHA1WithDSA, 2, &context), kDWCdsaOK);
    EXPECT_EQ(cdsaStagedSign(context, false, kPlain.left(5), nullptr), kDWCdsaOK);
    ASSERT_EQ(cdsaStagedSign(context, true, kPlain.mid(5), &signature), kDWCdsaOK);
    EXPECT_EQ(cdsaVerify(csp, kDWCdsaAlgorithmSHA1WithDSA, publicKey, kPlain, signature), kDWCdsaOK);

    const struct
    {
        quint32 algorithm;
        const char* digest;
    } digests[] = {{kDWCdsaAlgorithmMD5, "900150983cd24fb0d6963f7d28e17f72"},
                   {kDWCdsaAlgorithmSHA1, "a9993e364706816aba3e25717850c26c9cd0d89d"}};
    for (const auto& row : digests) {
        SCOPED_TRACE(row.digest);
        QByteArray digest;
        ASSERT_EQ(cdsaDigest(csp, row.algorithm, "abc", &digest), kDWCdsaOK);
        EXPECT_EQ(digest, hex(row.digest));
        ASSERT_EQ(cdsaStagedDigestInit(csp, row.algorithm, &context), kDWCdsaOK);
        EXPECT_EQ(cdsaStagedDigest(context, false, "a", nullptr), kDWCdsaOK);
        EXPECT_EQ(cdsaStagedDigest(context, true, "bc", &digest), kDWCdsaOK);
        EXPECT_EQ(digest, hex(row.digest));
    }

    // Two sides on the parameters the first one made agree on one key.
    QByteArray parameters;
    DWCdsaKey ourPublic, ourPrivate, theirPublic, theirPrivate, ours, theirs;
    ASSERT_EQ(cdsaDhGenerateKeyPair(csp, 512, {}, &parameters, &ourPublic, &ourPrivate), kDWCdsaOK);
    ASSERT_EQ(cdsaDhGenerateKeyPair(csp, 512, parameters, nullptr, &theirPublic, &theirPrivate), kDWCdsaOK);
    ASSERT_EQ(cdsaDhKeyExchange(csp, ourPrivate, theirPublic.keyData, kDWCdsaAlgorithmAES, 128, &ours), kDWCdsaOK);
    ASSERT_EQ(cdsaDhKeyExchange(csp, theirPrivate, ourPublic.keyData, kDWCdsaAlgorithmAES, 128, &theirs), kDWCdsaOK);
    EXPECT_EQ(ours.keyData.size(), 16);
    EXPECT_EQ(ours.keyData, theirs.keyData);
    QByteArray cipher, plain;
    ASSERT_EQ(cdsaEncrypt(csp, ours, kPlain, &cipher), kDWCdsaOK);
    ASSERT_EQ(cdsaDecrypt(csp, theirs, cipher, &plain), kDWCdsaOK);
    EXPECT_EQ(plain, kPlain);
    EXPECT_EQ(cdsaDhGenerateKeyPair(csp, 512, parameters, &parameters, &ourPublic, &ourPrivate),
              kDWCdsaInvalidParameters);
    EXPECT_EQ(cdsaDhGenerateKeyPair(csp, 512, {}, nullptr, &ourPublic, &ourPrivate), kDWCdsaInvalidParameters);
}

TEST(CdsaWrapper, RefusalsHaveTheirCodes)
{
    Csp csp;
    DWCdsaKey dsaPublic, dsaPrivate, aes;
    ASSERT_EQ(cdsaGenerateKeyPair(csp, kDWCdsaAlgorithmDSA, 1024, &dsaPublic, &dsaPrivate), kDWCdsaOK);
    ASSERT_EQ(cdsaDeriveKey(csp, "x", kDWCdsaAlgorithmAES, 128, &aes), kDWCdsaOK);
    DWCdsaContextPtr context;
    QByteArray out;
    EXPECT_EQ(genCryptHandle(csp, dsaPrivate, 0, &context), kDWCdsaInternalError) << "no cipher context for DSA";
    EXPECT_EQ(cdsaStagedEncDecrInit(csp, aes, 2, &context), kDWCdsaInvalidOperation);
    EXPECT_EQ(cdsaStagedSignVerifyInit(csp, dsaPrivate, kDWCdsaAlgorithmSHA1WithDSA, 4, &context),
              kDWCdsaInvalidOperation);
    EXPECT_FALSE(context);
    DWCdsaKey asc = aes;
    asc.algorithmID = kDWCdsaAlgorithmASC;
    EXPECT_EQ(cdsaEncrypt(csp, asc, kPlain, &out), kDWCdsaAlgorithmNotAvailable);
    DWCdsaKey shortAES = aes;
    shortAES.keyData.chop(1);
    EXPECT_EQ(cdsaEncrypt(csp, shortAES, kPlain, &out), kDWCdsaInvalidKey);

    DWCdsaKey loaded;
    EXPECT_EQ(DWCrypterLoadKey(csp, "not a key", false, kDWCdsaAlgorithmRSA, &loaded), 1);
    EXPECT_EQ(DWCrypterLoadKey(csp, dsaPrivate.keyData, false, kDWCdsaAlgorithmRSA, &loaded), 1)
        << "a DSA key is no RSA key";
    EXPECT_THROW(DWCrypterLoadKey(csp, dsaPrivate.keyData, false, kDWCdsaAlgorithmAES, &loaded),
                 dw::InternalInconsistency);

    DWCdsaCspHandle detached = 0;
    ASSERT_EQ(cdsaCspAttach(&detached), kDWCdsaOK);
    EXPECT_NE(detached, DWCdsaCspHandle(csp)) << "each attach has its own handle";
    EXPECT_EQ(cdsaCspDetach(detached), kDWCdsaOK);
    EXPECT_EQ(cdsaCspDetach(detached), kDWCdsaInvalidHandle);
    EXPECT_EQ(cdsaEncrypt(detached, aes, kPlain, &out), kDWCdsaInvalidHandle);
}
