#include "DWKit/crypto/DWCdsaWrapper.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"

#include <QSet>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <openssl/crypto.h>
#include <openssl/dh.h>
#include <openssl/dsa.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/provider.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

namespace {

// The fixed initialisation vector of every symmetric context.
constexpr unsigned char kInitialisationVector[16] = {0x5c, 0x1e, 0x9a, 0x07, 0xd2, 0x3b, 0x48, 0xf6,
                                                     0xa0, 0xe7, 0xc2, 0x19, 0x3b, 0x6d, 0x8f, 0x40};
constexpr char kDerivationSalt[] = "kelpMoor";
constexpr int kDerivationIterations = 1000;
const QByteArray kTemporaryKeyLabel = QByteArrayLiteral("tempKey");

// PKCS#1 padding takes 11 bytes of each RSA block.
constexpr int kPKCS1PaddingSize = 11;

struct Library
{
    OSSL_LIB_CTX* context = nullptr;
    std::mutex mutex;
    QSet<DWCdsaCspHandle> attached;
    std::atomic<DWCdsaCspHandle> nextHandle{1};
};

// The library context of the service: the default algorithms and, where the system has them, the
// legacy ones (single DES, RC2, RC4, RC5), kept apart from the rest of the program's use of
// libcrypto. Made on the first attach; it lives as long as the process.
Library& library()
{
    static Library* shared = [] {
        auto* made = new Library;
        made->context = OSSL_LIB_CTX_new();
        if (made->context) {
            OSSL_PROVIDER_load(made->context, "default");
            OSSL_PROVIDER_load(made->context, "legacy");
            ERR_clear_error();
        }
        return made;
    }();
    return *shared;
}

OSSL_LIB_CTX* libraryContext()
{
    return library().context;
}

bool isAttached(DWCdsaCspHandle handle)
{
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    return lib.attached.contains(handle);
}

DWCdsaReturn failed(DWCdsaReturn code = kDWCdsaOperationFailed)
{
    ERR_clear_error();
    return code;
}

struct PKeyDeleter
{
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using PKey = std::unique_ptr<EVP_PKEY, PKeyDeleter>;
struct PKeyContextDeleter
{
    void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};
using PKeyContext = std::unique_ptr<EVP_PKEY_CTX, PKeyContextDeleter>;

const unsigned char* bytesOf(const QByteArray& data)
{
    return reinterpret_cast<const unsigned char*>(data.constData());
}

unsigned char* bytesOf(QByteArray& data)
{
    return reinterpret_cast<unsigned char*>(data.data());
}

// The library's key for a key record; null for bytes that are no such key.
PKey pkeyFromKey(const DWCdsaKey& key)
{
    const unsigned char* bytes = bytesOf(key.keyData);
    const long length = long(key.keyData.size());
    if (length <= 0)
        return nullptr;
    PKey made;
    const bool isPrivate = key.keyClass == kDWCdsaKeyClassPrivate;
    switch (key.algorithmID) {
    case kDWCdsaAlgorithmRSA:
        made.reset(isPrivate ? d2i_AutoPrivateKey_ex(nullptr, &bytes, length, libraryContext(), nullptr)
                             : d2i_PublicKey(EVP_PKEY_RSA, nullptr, &bytes, length));
        break;
    case kDWCdsaAlgorithmDSA:
    case kDWCdsaAlgorithmDH:
        made.reset(isPrivate ? d2i_AutoPrivateKey_ex(nullptr, &bytes, length, libraryContext(), nullptr)
                             : d2i_PUBKEY_ex(nullptr, &bytes, length, libraryContext(), nullptr));
        break;
    default:
        return nullptr;
    }
    // A key of another algorithm in the bytes (PKCS#8 names its own) is not the key asked for.
    const int expected = key.algorithmID == kDWCdsaAlgorithmRSA   ? EVP_PKEY_RSA
                         : key.algorithmID == kDWCdsaAlgorithmDSA ? EVP_PKEY_DSA
                                                                  : EVP_PKEY_DH;
    if (made && EVP_PKEY_get_base_id(made.get()) != expected)
        made.reset();
    if (!made)
        ERR_clear_error();
    return made;
}

QByteArray privateKeyBytes(EVP_PKEY* key)
{
    PKCS8_PRIV_KEY_INFO* info = EVP_PKEY2PKCS8(key);
    if (!info)
        return {};
    unsigned char* out = nullptr;
    const int length = i2d_PKCS8_PRIV_KEY_INFO(info, &out);
    PKCS8_PRIV_KEY_INFO_free(info);
    if (length <= 0)
        return {};
    QByteArray bytes(reinterpret_cast<const char*>(out), length);
    OPENSSL_clear_free(out, size_t(length));
    return bytes;
}

QByteArray publicKeyBytes(EVP_PKEY* key, bool pkcs1)
{
    unsigned char* out = nullptr;
    const int length = pkcs1 ? i2d_PublicKey(key, &out) : i2d_PUBKEY(key, &out);
    if (length <= 0)
        return {};
    QByteArray bytes(reinterpret_cast<const char*>(out), length);
    OPENSSL_free(out);
    return bytes;
}

// The cipher for a symmetric key; null for an algorithm that is not symmetric or not available.
EVP_CIPHER* fetchCipher(const DWCdsaKey& key)
{
    const char* name = nullptr;
    switch (key.algorithmID) {
    case kDWCdsaAlgorithmDES:
        name = "DES-CBC";
        break;
    case kDWCdsaAlgorithm3DES3KeyEDE:
        name = "DES-EDE3-CBC";
        break;
    case kDWCdsaAlgorithmRC2:
        name = "RC2-CBC";
        break;
    case kDWCdsaAlgorithmRC5:
        name = "RC5-CBC";
        break;
    case kDWCdsaAlgorithmRC4:
        name = "RC4";
        break;
    case kDWCdsaAlgorithmAES:
        name = key.keyData.size() == 32 ? "AES-256-CBC" : key.keyData.size() == 24 ? "AES-192-CBC" : "AES-128-CBC";
        break;
    default:
        return nullptr;
    }
    EVP_CIPHER* cipher = EVP_CIPHER_fetch(libraryContext(), name, nullptr);
    if (!cipher)
        ERR_clear_error();
    return cipher;
}

bool isSymmetric(quint32 algorithm)
{
    switch (algorithm) {
    case kDWCdsaAlgorithmDES:
    case kDWCdsaAlgorithm3DES3KeyEDE:
    case kDWCdsaAlgorithmRC2:
    case kDWCdsaAlgorithmRC5:
    case kDWCdsaAlgorithmRC4:
    case kDWCdsaAlgorithmAES:
    case kDWCdsaAlgorithmASC:
        return true;
    default:
        return false;
    }
}

const char* digestName(quint32 algorithm)
{
    switch (algorithm) {
    case kDWCdsaAlgorithmMD5:
        return "MD5";
    case kDWCdsaAlgorithmSHA1:
    case kDWCdsaAlgorithmSHA1WithRSA:
    case kDWCdsaAlgorithmSHA1WithDSA:
        return "SHA1";
    case kDWCdsaAlgorithmSHA256:
        return "SHA256";
    default:
        return nullptr;
    }
}

quint32 keyAlgorithmOfSignature(quint32 algorithm)
{
    switch (algorithm) {
    case kDWCdsaAlgorithmSHA1WithRSA:
        return kDWCdsaAlgorithmRSA;
    case kDWCdsaAlgorithmSHA1WithDSA:
        return kDWCdsaAlgorithmDSA;
    default:
        return 0;
    }
}

} // namespace

class DWCdsaContext
{
public:
    enum Kind { Symmetric, Asymmetric, Digest, SignVerify };

    explicit DWCdsaContext(Kind kind) : m_kind(kind) {}
    ~DWCdsaContext()
    {
        EVP_CIPHER_CTX_free(m_cipher);
        EVP_MD_CTX_free(m_digest);
        OPENSSL_cleanse(m_pending.data(), size_t(m_pending.size()));
    }
    DWCdsaContext(const DWCdsaContext&) = delete;
    DWCdsaContext& operator=(const DWCdsaContext&) = delete;

    Kind m_kind;
    int m_direction = 0; // 0 encrypt, 1 decrypt; for signatures 2 sign, 3 verify
    EVP_CIPHER_CTX* m_cipher = nullptr;
    EVP_MD_CTX* m_digest = nullptr;
    PKey m_key;
    // An RSA operation works on whole blocks: the staged input gathers here until the last step.
    QByteArray m_pending;
};

void DWCdsaContextDeleter::operator()(DWCdsaContext* context) const
{
    delete context;
}

namespace {

// RSA over a buffer of any length, block by block, with PKCS#1 padding.
DWCdsaReturn rsaCrypt(EVP_PKEY* key, int direction, const QByteArray& input, QByteArray* output)
{
    const PKeyContext context(EVP_PKEY_CTX_new_from_pkey(libraryContext(), key, nullptr));
    if (!context)
        return failed();
    if ((direction == 0 ? EVP_PKEY_encrypt_init(context.get()) : EVP_PKEY_decrypt_init(context.get())) <= 0 ||
        EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) <= 0)
        return failed();
    if (direction == 1) {
        // Newer libraries answer bad padding with random bytes instead of an error; a damaged
        // ciphertext must fail, so that is switched off where it exists.
        EVP_PKEY_CTX_ctrl_str(context.get(), "rsa_pkcs1_implicit_rejection", "0");
        ERR_clear_error();
    }
    const qsizetype keySize = EVP_PKEY_get_size(key);
    const qsizetype inputBlock = direction == 0 ? keySize - kPKCS1PaddingSize : keySize;
    if (keySize <= kPKCS1PaddingSize || (direction == 1 && input.size() % keySize != 0))
        return failed();
    QByteArray result;
    QByteArray block(keySize, Qt::Uninitialized);
    for (qsizetype offset = 0; offset < input.size(); offset += inputBlock) {
        const qsizetype chunk = std::min(inputBlock, input.size() - offset);
        size_t length = size_t(block.size());
        const int done =
            direction == 0
                ? EVP_PKEY_encrypt(context.get(), bytesOf(block), &length, bytesOf(input) + offset, size_t(chunk))
                : EVP_PKEY_decrypt(context.get(), bytesOf(block), &length, bytesOf(input) + offset, size_t(chunk));
        if (done <= 0) {
            OPENSSL_cleanse(result.data(), size_t(result.size()));
            OPENSSL_cleanse(block.data(), size_t(block.size()));
            return failed();
        }
        result.append(block.constData(), qsizetype(length));
    }
    OPENSSL_cleanse(block.data(), size_t(block.size()));
    *output = result;
    return kDWCdsaOK;
}

// One step of a symmetric context; `final` adds the padding or checks it.
DWCdsaReturn symmetricStep(DWCdsaContext& context, bool final, const QByteArray& input, QByteArray* output)
{
    QByteArray result(input.size() + EVP_CIPHER_CTX_get_block_size(context.m_cipher) + 1, Qt::Uninitialized);
    int written = 0;
    if (!input.isEmpty() &&
        EVP_CipherUpdate(context.m_cipher, bytesOf(result), &written, bytesOf(input), int(input.size())) <= 0)
        return failed();
    int last = 0;
    if (final && EVP_CipherFinal_ex(context.m_cipher, bytesOf(result) + written, &last) <= 0)
        return failed();
    result.truncate(written + last);
    *output = result;
    return kDWCdsaOK;
}

// Runs a staged step and deletes the context after the final step or a failure.
template<class Step>
DWCdsaReturn staged(DWCdsaContextPtr& context, bool final, Step step)
{
    if (!context)
        return kDWCdsaInvalidHandle;
    const DWCdsaReturn result = step(*context);
    if (final || result != kDWCdsaOK)
        context.reset();
    return result;
}

DWCdsaReturn makeSymmetricContext(const DWCdsaKey& key, int direction, DWCdsaContextPtr* context)
{
    if (key.algorithmID == kDWCdsaAlgorithmASC)
        return failed(kDWCdsaAlgorithmNotAvailable);
    std::unique_ptr<EVP_CIPHER, decltype(&EVP_CIPHER_free)> cipher(fetchCipher(key), &EVP_CIPHER_free);
    if (!cipher)
        return failed(kDWCdsaAlgorithmNotAvailable);
    DWCdsaContextPtr made(new DWCdsaContext(DWCdsaContext::Symmetric));
    made->m_direction = direction;
    made->m_cipher = EVP_CIPHER_CTX_new();
    if (!made->m_cipher ||
        EVP_CipherInit_ex2(made->m_cipher, cipher.get(), nullptr, nullptr, direction == 0 ? 1 : 0, nullptr) <= 0)
        return failed();
    // RC2 and RC4 take keys of any length; the others check theirs.
    if (EVP_CIPHER_CTX_get_key_length(made->m_cipher) != key.keyData.size() &&
        EVP_CIPHER_CTX_set_key_length(made->m_cipher, int(key.keyData.size())) <= 0)
        return failed(kDWCdsaInvalidKey);
    if (EVP_CipherInit_ex2(made->m_cipher, nullptr, bytesOf(key.keyData), kInitialisationVector, -1, nullptr) <= 0)
        return failed(kDWCdsaInvalidKey);
    *context = std::move(made);
    return kDWCdsaOK;
}

void fillKeyHeader(DWCdsaKey* key, quint32 algorithm, quint32 format, quint32 keyClass, quint32 usage,
                   quint32 attributes, quint32 bits)
{
    key->headerVersion = 2;
    key->blobType = 0;
    key->format = format;
    key->algorithmID = algorithm;
    key->keyClass = keyClass;
    key->keyUsage = usage;
    key->keyAttributes = attributes;
    key->logicalKeySizeInBits = bits;
}

} // namespace

DWCdsaReturn cdsaCspAttach(DWCdsaCspHandle* cspHandle)
{
    Library& lib = library();
    if (!lib.context)
        return failed(kDWCdsaOperationFailed);
    const DWCdsaCspHandle handle = lib.nextHandle++;
    {
        std::lock_guard lock(lib.mutex);
        lib.attached.insert(handle);
    }
    *cspHandle = handle;
    return kDWCdsaOK;
}

DWCdsaReturn cdsaCspDetach(DWCdsaCspHandle cspHandle)
{
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    return lib.attached.remove(cspHandle) ? kDWCdsaOK : kDWCdsaInvalidHandle;
}

DWCdsaReturn cdsaFreeKey(DWCdsaCspHandle cspHandle, DWCdsaKey& key)
{
    if (!isAttached(cspHandle))
        return kDWCdsaInvalidHandle;
    OPENSSL_cleanse(key.keyData.data(), size_t(key.keyData.size()));
    key.keyData.clear();
    key.logicalKeySizeInBits = 0;
    return kDWCdsaOK;
}

int DWCrypterLoadKey(DWCdsaCspHandle, const QByteArray& keyBytes, bool isPublic, quint32 algorithmID, DWCdsaKey* key)
{
    DW_ASSERT(algorithmID == kDWCdsaAlgorithmRSA || algorithmID == kDWCdsaAlgorithmDSA, "keyFromData needs work");
    quint32 format = kDWCdsaKeyFormatFIPS186;
    if (algorithmID == kDWCdsaAlgorithmRSA)
        format = isPublic ? kDWCdsaKeyFormatPKCS1 : kDWCdsaKeyFormatPKCS8;
    *key = DWCdsaKey();
    fillKeyHeader(key, algorithmID, format, isPublic ? kDWCdsaKeyClassPublic : kDWCdsaKeyClassPrivate,
                  kDWCdsaKeyUsageAny, kDWCdsaKeyAttributeExtractable, 0);
    key->keyData = QByteArray(keyBytes.constData(), keyBytes.size());
    const PKey parsed = pkeyFromKey(*key);
    const int bits = parsed ? EVP_PKEY_get_bits(parsed.get()) : 0;
    if (bits <= 0) {
        dw::consoleWrite(QStringLiteral("CSSM_QueryKeySizeInBits: the bytes are no such key"));
        return 1;
    }
    key->logicalKeySizeInBits = quint32(bits);
    return 0;
}

DWCdsaReturn genCryptHandle(DWCdsaCspHandle cspHandle, const DWCdsaKey& key, int direction, DWCdsaContextPtr* context)
{
    if (!isAttached(cspHandle))
        return kDWCdsaInvalidHandle;
    if (isSymmetric(key.algorithmID))
        return makeSymmetricContext(key, direction, context);
    if (key.algorithmID != kDWCdsaAlgorithmRSA)
        return kDWCdsaInternalError;
    PKey parsed = pkeyFromKey(key);
    if (!parsed || EVP_PKEY_get_base_id(parsed.get()) != EVP_PKEY_RSA)
        return failed(kDWCdsaInvalidKey);
    DWCdsaContextPtr made(new DWCdsaContext(DWCdsaContext::Asymmetric));
    made->m_direction = direction;
    made->m_key = std::move(parsed);
    *context = std::move(made);
    return kDWCdsaOK;
}

DWCdsaReturn cdsaEncrypt(DWCdsaCspHandle cspHandle, const DWCdsaKey& key, const QByteArray& plainText,
                         QByteArray* cipherText)
{
    DWCdsaContextPtr context;
    if (const DWCdsaReturn made = genCryptHandle(cspHandle, key, 0, &context); made != kDWCdsaOK)
        return made;
    if (context->m_kind == DWCdsaContext::Asymmetric)
        return rsaCrypt(context->m_key.get(), 0, plainText, cipherText);
    return symmetricStep(*context, true, plainText, cipherText);
}

DWCdsaReturn cdsaDecrypt(DWCdsaCspHandle cspHandle, const DWCdsaKey& key, const QByteArray& cipherText,
                         QByteArray* plainText)
{
    DWCdsaContextPtr context;
    if (const DWCdsaReturn made = genCryptHandle(cspHandle, key, 1, &context); made != kDWCdsaOK)
        return made;
    if (context->m_kind == DWCdsaContext::Asymmetric)
        return rsaCrypt(context->m_key.get(), 1, cipherText, plainText);
    return symmetricStep(*context, true, cipherText, plainText);
}

DWCdsaReturn cdsaStagedEncDecrInit(DWCdsaCspHandle cspHandle, const DWCdsaKey& key, int direction,
                                   DWCdsaContextPtr* context)
{
    if (direction != 0 && direction != 1)
        return kDWCdsaInvalidOperation;
    return genCryptHandle(cspHandle, key, direction, context);
}

namespace {

DWCdsaReturn stagedCrypt(DWCdsaContextPtr& context, int direction, bool final, const QByteArray& input,
                         QByteArray* output)
{
    return staged(context, final, [&](DWCdsaContext& state) -> DWCdsaReturn {
        if ((state.m_kind != DWCdsaContext::Symmetric && state.m_kind != DWCdsaContext::Asymmetric) ||
            state.m_direction != direction)
            return kDWCdsaInvalidOperation;
        if (state.m_kind == DWCdsaContext::Symmetric)
            return symmetricStep(state, final, input, output);
        state.m_pending.append(input);
        output->clear();
        return final ? rsaCrypt(state.m_key.get(), direction, state.m_pending, output) : kDWCdsaOK;
    });
}

} // namespace

DWCdsaReturn cdsaStagedEncrypt(DWCdsaContextPtr& context, bool final, const QByteArray& plainText,
                               QByteArray* cipherText)
{
    return stagedCrypt(context, 0, final, plainText, cipherText);
}

DWCdsaReturn cdsaStagedDecrypt(DWCdsaContextPtr& context, bool final, const QByteArray& cipherText,
                               QByteArray* plainText)
{
    return stagedCrypt(context, 1, final, cipherText, plainText);
}

DWCdsaReturn cdsaDeriveKey(DWCdsaCspHandle cspHandle, const QByteArray& passPhrase, quint32 keyAlgorithm,
                           quint32 keySizeInBits, DWCdsaKey* derivedKey)
{
    if (!isAttached(cspHandle))
        return kDWCdsaInvalidHandle;
    if (keySizeInBits == 0 || keySizeInBits % 8 != 0)
        return kDWCdsaInvalidKey;
    QByteArray bytes(qsizetype(keySizeInBits / 8), Qt::Uninitialized);
    if (PKCS5_PBKDF2_HMAC(passPhrase.constData(), int(passPhrase.size()),
                          reinterpret_cast<const unsigned char*>(kDerivationSalt), int(sizeof kDerivationSalt - 1),
                          kDerivationIterations, EVP_sha1(), int(bytes.size()), bytesOf(bytes)) <= 0)
        return failed();
    *derivedKey = DWCdsaKey();
    fillKeyHeader(derivedKey, keyAlgorithm, kDWCdsaKeyFormatRaw, kDWCdsaKeyClassSession, kDWCdsaKeyUsageAny,
                  kDWCdsaKeyAttributeReturnData | kDWCdsaKeyAttributeExtractable, keySizeInBits);
    derivedKey->label = kTemporaryKeyLabel;
    derivedKey->keyData = bytes;
    return kDWCdsaOK;
}

DWCdsaReturn cdsaGenerateKeyPair(DWCdsaCspHandle cspHandle, quint32 algorithm, quint32 keySizeInBits,
                                 DWCdsaKey* publicKey, DWCdsaKey* privateKey)
{
    if (!isAttached(cspHandle))
        return kDWCdsaInvalidHandle;
    EVP_PKEY* generated = nullptr;
    if (algorithm == kDWCdsaAlgorithmRSA) {
        const PKeyContext context(EVP_PKEY_CTX_new_from_name(libraryContext(), "RSA", nullptr));
        if (!context || EVP_PKEY_keygen_init(context.get()) <= 0 ||
            EVP_PKEY_CTX_set_rsa_keygen_bits(context.get(), int(keySizeInBits)) <= 0 ||
            EVP_PKEY_generate(context.get(), &generated) <= 0)
            return failed();
    } else if (algorithm == kDWCdsaAlgorithmDSA) {
        // The algorithm's parameters come first, the key on them second.
        EVP_PKEY* parameters = nullptr;
        const PKeyContext parameterContext(EVP_PKEY_CTX_new_from_name(libraryContext(), "DSA", nullptr));
        if (!parameterContext || EVP_PKEY_paramgen_init(parameterContext.get()) <= 0 ||
            EVP_PKEY_CTX_set_dsa_paramgen_bits(parameterContext.get(), int(keySizeInBits)) <= 0 ||
            EVP_PKEY_paramgen(parameterContext.get(), &parameters) <= 0)
            return failed();
        const PKey ownedParameters(parameters);
        const PKeyContext context(EVP_PKEY_CTX_new_from_pkey(libraryContext(), parameters, nullptr));
        if (!context || EVP_PKEY_keygen_init(context.get()) <= 0 || EVP_PKEY_generate(context.get(), &generated) <= 0)
            return failed();
    } else {
        return kDWCdsaAlgorithmNotAvailable;
    }
    const PKey pair(generated);
    const quint32 bits = quint32(EVP_PKEY_get_bits(pair.get()));
    const quint32 attributes = kDWCdsaKeyAttributeReturnData | kDWCdsaKeyAttributeExtractable;
    const bool rsa = algorithm == kDWCdsaAlgorithmRSA;
    *publicKey = DWCdsaKey();
    fillKeyHeader(publicKey, algorithm, rsa ? kDWCdsaKeyFormatPKCS1 : kDWCdsaKeyFormatFIPS186, kDWCdsaKeyClassPublic,
                  kDWCdsaKeyUsageEncrypt | kDWCdsaKeyUsageVerify, attributes, bits);
    publicKey->label = kTemporaryKeyLabel;
    publicKey->keyData = publicKeyBytes(pair.get(), rsa);
    *privateKey = DWCdsaKey();
    fillKeyHeader(privateKey, algorithm, rsa ? kDWCdsaKeyFormatPKCS8 : kDWCdsaKeyFormatFIPS186, kDWCdsaKeyClassPrivate,
                  kDWCdsaKeyUsageDecrypt | kDWCdsaKeyUsageSign, attributes, bits);
    privateKey->label = kTemporaryKeyLabel;
    privateKey->keyData = privateKeyBytes(pair.get());
    return publicKey->keyData.isEmpty() || privateKey->keyData.isEmpty() ? failed() : kDWCdsaOK;
}

DWCdsaReturn cdsaDhGenerateKeyPair(DWCdsaCspHandle cspHandle, quint32 keySizeInBits, const QByteArray& parameters,
                                   QByteArray* generatedParameters, DWCdsaKey* publicKey, DWCdsaKey* privateKey)
{
    if (!isAttached(cspHandle))
        return kDWCdsaInvalidHandle;
    if (parameters.isEmpty() == (generatedParameters == nullptr))
        return kDWCdsaInvalidParameters;
    PKey domain;
    if (!parameters.isEmpty()) {
        const unsigned char* bytes = bytesOf(parameters);
        domain.reset(d2i_KeyParams(EVP_PKEY_DH, nullptr, &bytes, long(parameters.size())));
        if (!domain)
            return failed(kDWCdsaInvalidKey);
    } else {
        EVP_PKEY* made = nullptr;
        const PKeyContext context(EVP_PKEY_CTX_new_from_name(libraryContext(), "DH", nullptr));
        if (!context || EVP_PKEY_paramgen_init(context.get()) <= 0 ||
            EVP_PKEY_CTX_set_dh_paramgen_prime_len(context.get(), int(keySizeInBits)) <= 0 ||
            EVP_PKEY_CTX_set_dh_paramgen_generator(context.get(), 2) <= 0 ||
            EVP_PKEY_paramgen(context.get(), &made) <= 0)
            return failed();
        domain.reset(made);
        unsigned char* out = nullptr;
        const int length = i2d_KeyParams(domain.get(), &out);
        if (length <= 0)
            return failed();
        *generatedParameters = QByteArray(reinterpret_cast<const char*>(out), length);
        OPENSSL_free(out);
    }
    EVP_PKEY* generated = nullptr;
    const PKeyContext context(EVP_PKEY_CTX_new_from_pkey(libraryContext(), domain.get(), nullptr));
    if (!context || EVP_PKEY_keygen_init(context.get()) <= 0 || EVP_PKEY_generate(context.get(), &generated) <= 0)
        return failed();
    const PKey pair(generated);
    const quint32 bits = quint32(EVP_PKEY_get_bits(pair.get()));
    const quint32 attributes = kDWCdsaKeyAttributeReturnData | kDWCdsaKeyAttributeExtractable;
    *publicKey = DWCdsaKey();
    fillKeyHeader(publicKey, kDWCdsaAlgorithmDH, kDWCdsaKeyFormatDH, kDWCdsaKeyClassPublic, kDWCdsaKeyUsageAny,
                  attributes, bits);
    publicKey->label = kTemporaryKeyLabel;
    publicKey->keyData = publicKeyBytes(pair.get(), false);
    *privateKey = DWCdsaKey();
    fillKeyHeader(privateKey, kDWCdsaAlgorithmDH, kDWCdsaKeyFormatDH, kDWCdsaKeyClassPrivate, kDWCdsaKeyUsageAny,
                  attributes, bits);
    privateKey->label = kTemporaryKeyLabel;
    privateKey->keyData = privateKeyBytes(pair.get());
    return publicKey->keyData.isEmpty() || privateKey->keyData.isEmpty() ? failed() : kDWCdsaOK;
}

DWCdsaReturn cdsaDhKeyExchange(DWCdsaCspHandle cspHandle, const DWCdsaKey& privateKey, const QByteArray& peerPublicKey,
                               quint32 derivedKeyAlgorithm, quint32 derivedKeySizeInBits, DWCdsaKey* derivedKey)
{
    if (!isAttached(cspHandle))
        return kDWCdsaInvalidHandle;
    const PKey own = pkeyFromKey(privateKey);
    DWCdsaKey peerRecord;
    peerRecord.algorithmID = kDWCdsaAlgorithmDH;
    peerRecord.keyClass = kDWCdsaKeyClassPublic;
    peerRecord.keyData = peerPublicKey;
    const PKey peer = pkeyFromKey(peerRecord);
    if (!own || !peer || derivedKeySizeInBits == 0 || derivedKeySizeInBits % 8 != 0)
        return failed(kDWCdsaInvalidKey);
    const PKeyContext context(EVP_PKEY_CTX_new_from_pkey(libraryContext(), own.get(), nullptr));
    size_t length = 0;
    if (!context || EVP_PKEY_derive_init(context.get()) <= 0 ||
        EVP_PKEY_derive_set_peer(context.get(), peer.get()) <= 0 ||
        EVP_PKEY_derive(context.get(), nullptr, &length) <= 0)
        return failed();
    QByteArray secret(qsizetype(length), Qt::Uninitialized);
    if (EVP_PKEY_derive(context.get(), bytesOf(secret), &length) <= 0)
        return failed();
    secret.truncate(qsizetype(length));
    const qsizetype wanted = qsizetype(derivedKeySizeInBits / 8);
    if (wanted > secret.size()) {
        OPENSSL_cleanse(secret.data(), size_t(secret.size()));
        return failed(kDWCdsaInvalidKey);
    }
    *derivedKey = DWCdsaKey();
    fillKeyHeader(derivedKey, derivedKeyAlgorithm, kDWCdsaKeyFormatRaw, kDWCdsaKeyClassSession, kDWCdsaKeyUsageAny,
                  kDWCdsaKeyAttributeReturnData | kDWCdsaKeyAttributeExtractable, derivedKeySizeInBits);
    derivedKey->keyData = secret.left(wanted);
    OPENSSL_cleanse(secret.data(), size_t(secret.size()));
    return kDWCdsaOK;
}

DWCdsaReturn cdsaStagedDigestInit(DWCdsaCspHandle cspHandle, quint32 digestAlgorithm, DWCdsaContextPtr* context)
{
    if (!isAttached(cspHandle))
        return kDWCdsaInvalidHandle;
    const char* name = digestName(digestAlgorithm);
    std::unique_ptr<EVP_MD, decltype(&EVP_MD_free)> digest(
        name ? EVP_MD_fetch(libraryContext(), name, nullptr) : nullptr, &EVP_MD_free);
    if (!digest)
        return failed(kDWCdsaAlgorithmNotAvailable);
    DWCdsaContextPtr made(new DWCdsaContext(DWCdsaContext::Digest));
    made->m_digest = EVP_MD_CTX_new();
    // A failing init leaves no context behind.
    if (!made->m_digest || EVP_DigestInit_ex2(made->m_digest, digest.get(), nullptr) <= 0)
        return failed();
    *context = std::move(made);
    return kDWCdsaOK;
}

DWCdsaReturn cdsaStagedDigest(DWCdsaContextPtr& context, bool final, const QByteArray& data, QByteArray* digest)
{
    return staged(context, final, [&](DWCdsaContext& state) -> DWCdsaReturn {
        if (state.m_kind != DWCdsaContext::Digest)
            return kDWCdsaInvalidOperation;
        if (!data.isEmpty() && EVP_DigestUpdate(state.m_digest, data.constData(), size_t(data.size())) <= 0)
            return failed();
        if (!final)
            return kDWCdsaOK;
        QByteArray result(EVP_MAX_MD_SIZE, Qt::Uninitialized);
        unsigned int length = 0;
        if (EVP_DigestFinal_ex(state.m_digest, bytesOf(result), &length) <= 0)
            return failed();
        result.truncate(qsizetype(length));
        *digest = result;
        return kDWCdsaOK;
    });
}

DWCdsaReturn cdsaDigest(DWCdsaCspHandle cspHandle, quint32 digestAlgorithm, const QByteArray& data, QByteArray* digest)
{
    DWCdsaContextPtr context;
    if (const DWCdsaReturn made = cdsaStagedDigestInit(cspHandle, digestAlgorithm, &context); made != kDWCdsaOK)
        return made;
    return cdsaStagedDigest(context, true, data, digest);
}

DWCdsaReturn cdsaStagedSignVerifyInit(DWCdsaCspHandle cspHandle, const DWCdsaKey& key, quint32 signatureAlgorithm,
                                      int operation, DWCdsaContextPtr* context)
{
    if (operation != 2 && operation != 3)
        return kDWCdsaInvalidOperation;
    if (!isAttached(cspHandle))
        return kDWCdsaInvalidHandle;
    const quint32 keyAlgorithm = keyAlgorithmOfSignature(signatureAlgorithm);
    if (keyAlgorithm == 0)
        return kDWCdsaAlgorithmNotAvailable;
    if (key.algorithmID != keyAlgorithm)
        return kDWCdsaInvalidKey;
    PKey parsed = pkeyFromKey(key);
    if (!parsed)
        return failed(kDWCdsaInvalidKey);
    DWCdsaContextPtr made(new DWCdsaContext(DWCdsaContext::SignVerify));
    made->m_direction = operation;
    made->m_digest = EVP_MD_CTX_new();
    made->m_key = std::move(parsed);
    const char* digest = digestName(signatureAlgorithm);
    const int started = !made->m_digest  ? 0
                        : operation == 2 ? EVP_DigestSignInit_ex(made->m_digest, nullptr, digest, libraryContext(),
                                                                 nullptr, made->m_key.get(), nullptr)
                                         : EVP_DigestVerifyInit_ex(made->m_digest, nullptr, digest, libraryContext(),
                                                                   nullptr, made->m_key.get(), nullptr);
    if (started <= 0)
        return failed(kDWCdsaInvalidKey);
    *context = std::move(made);
    return kDWCdsaOK;
}

DWCdsaReturn cdsaStagedSign(DWCdsaContextPtr& context, bool final, const QByteArray& data, QByteArray* signature)
{
    return staged(context, final, [&](DWCdsaContext& state) -> DWCdsaReturn {
        if (state.m_kind != DWCdsaContext::SignVerify || state.m_direction != 2)
            return kDWCdsaInvalidOperation;
        if (!data.isEmpty() && EVP_DigestSignUpdate(state.m_digest, data.constData(), size_t(data.size())) <= 0)
            return failed();
        if (!final)
            return kDWCdsaOK;
        size_t length = 0;
        if (EVP_DigestSignFinal(state.m_digest, nullptr, &length) <= 0)
            return failed();
        QByteArray result(qsizetype(length), Qt::Uninitialized);
        if (EVP_DigestSignFinal(state.m_digest, bytesOf(result), &length) <= 0)
            return failed();
        result.truncate(qsizetype(length));
        *signature = result;
        return kDWCdsaOK;
    });
}

DWCdsaReturn cdsaStagedVerify(DWCdsaContextPtr& context, bool final, const QByteArray& data,
                              const QByteArray& signature)
{
    return staged(context, final, [&](DWCdsaContext& state) -> DWCdsaReturn {
        if (state.m_kind != DWCdsaContext::SignVerify || state.m_direction != 3)
            return kDWCdsaInvalidOperation;
        if (!data.isEmpty() && EVP_DigestVerifyUpdate(state.m_digest, data.constData(), size_t(data.size())) <= 0)
            return failed();
        if (!final)
            return kDWCdsaOK;
        const int verified = EVP_DigestVerifyFinal(state.m_digest, bytesOf(signature), size_t(signature.size()));
        if (verified == 1)
            return kDWCdsaOK;
        return failed(verified == 0 ? kDWCdsaVerifyFailed : kDWCdsaOperationFailed);
    });
}

DWCdsaReturn cdsaSign(DWCdsaCspHandle cspHandle, quint32 signatureAlgorithm, const DWCdsaKey& key,
                      const QByteArray& data, QByteArray* signature)
{
    DWCdsaContextPtr context;
    if (const DWCdsaReturn made = cdsaStagedSignVerifyInit(cspHandle, key, signatureAlgorithm, 2, &context);
        made != kDWCdsaOK)
        return made;
    return cdsaStagedSign(context, true, data, signature);
}

DWCdsaReturn cdsaVerify(DWCdsaCspHandle cspHandle, quint32 signatureAlgorithm, const DWCdsaKey& key,
                        const QByteArray& data, const QByteArray& signature)
{
    DWCdsaContextPtr context;
    if (const DWCdsaReturn made = cdsaStagedSignVerifyInit(cspHandle, key, signatureAlgorithm, 3, &context);
        made != kDWCdsaOK)
        return made;
    return cdsaStagedVerify(context, true, data, signature);
}
