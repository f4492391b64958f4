#pragma once
// A thin layer of cryptographic services over OpenSSL's libcrypto, in the shape of the platform
// service the kit was written for: attach the service, load keys from their bytes, make contexts,
// encrypt and decrypt (in one call or in steps), digest, sign and verify, derive a key from a pass
// phrase and agree on a key with Diffie-Hellman. The decryptor of the enciphered resources
// (DWCrypter.h) decrypts through it.
//
// Every call answers a return code: 0 (kDWCdsaOK) on success, else one of the codes below; none
// throws for bad input or a failing library. Buffers the caller gets back are new QByteArrays;
// key bytes are wiped when a key is freed. Staged operations keep their state in a context that
// the final step (or a failure on any step) deletes.
//
//     DWCdsaCspHandle csp = 0;
//     cdsaCspAttach(&csp);
//     DWCdsaKey key;
//     DWCrypterLoadKey(csp, privateKeyDer, false, kDWCdsaAlgorithmRSA, &key);
//     QByteArray plain;
//     if (cdsaDecrypt(csp, key, enciphered, &plain) == kDWCdsaOK) ...
//     cdsaFreeKey(csp, key);
//     cdsaCspDetach(csp);
//
// Symmetric contexts all use one fixed 16-byte initialisation vector (its first 8 bytes for the
// 8-byte block ciphers). Algorithms the installed libcrypto does not provide (RC5 on many systems;
// the "ASC" cipher everywhere) answer kDWCdsaAlgorithmNotAvailable. Any thread: the only shared
// state is the library context made on the first attach, under a once-only guard.

#include <QByteArray>
#include <QtGlobal>
#include <memory>

using DWCdsaReturn = quint32;
using DWCdsaCspHandle = quint64;

inline constexpr DWCdsaReturn kDWCdsaOK = 0;
// A key of an algorithm for which no context can be made.
inline constexpr DWCdsaReturn kDWCdsaInternalError = 0x80010801;
// A staged operation asked for in a direction (encrypt 0, decrypt 1) or an operation (sign 2,
// verify 3) that does not exist.
inline constexpr DWCdsaReturn kDWCdsaInvalidOperation = 0x80010807;
// Diffie-Hellman parameters both given and asked for, or neither.
inline constexpr DWCdsaReturn kDWCdsaInvalidParameters = 0x80010004;
// Codes of this layer: the library lacks the algorithm; a key that does not read; the library
// failed on the data (a wrong key or damaged ciphertext); a signature that does not match; a
// handle that was never attached or is detached.
inline constexpr DWCdsaReturn kDWCdsaAlgorithmNotAvailable = 0x80010840;
inline constexpr DWCdsaReturn kDWCdsaInvalidKey = 0x80010841;
inline constexpr DWCdsaReturn kDWCdsaOperationFailed = 0x80010842;
inline constexpr DWCdsaReturn kDWCdsaVerifyFailed = 0x80010843;
inline constexpr DWCdsaReturn kDWCdsaInvalidHandle = 0x80010844;

enum DWCdsaAlgorithm : quint32 {
    kDWCdsaAlgorithmDH = 2,
    kDWCdsaAlgorithmMD5 = 7,
    kDWCdsaAlgorithmSHA1 = 8,
    kDWCdsaAlgorithmDES = 14,
    kDWCdsaAlgorithm3DES3KeyEDE = 17,
    kDWCdsaAlgorithmRC2 = 23,
    kDWCdsaAlgorithmRC5 = 24,
    kDWCdsaAlgorithmRC4 = 25,
    kDWCdsaAlgorithmRSA = 42,
    kDWCdsaAlgorithmDSA = 43,
    kDWCdsaAlgorithmSHA1WithRSA = 51,
    kDWCdsaAlgorithmSHA1WithDSA = 57,
    kDWCdsaAlgorithmPBKDF2 = 103,
    kDWCdsaAlgorithmAES = 0x80000001,
    kDWCdsaAlgorithmASC = 0x80000007,
    kDWCdsaAlgorithmSHA256 = 0x8000000C,
};

enum DWCdsaKeyFormat : quint32 {
    kDWCdsaKeyFormatNone = 0,
    kDWCdsaKeyFormatPKCS1 = 1,   // an RSA public key (RSAPublicKey, DER)
    kDWCdsaKeyFormatFIPS186 = 5, // a DSA key (DER: SubjectPublicKeyInfo or PKCS#8)
    kDWCdsaKeyFormatPKCS8 = 10,  // a private key (PKCS#8, DER)
    kDWCdsaKeyFormatDH = 11,     // a Diffie-Hellman key (DER: SubjectPublicKeyInfo or PKCS#8)
    kDWCdsaKeyFormatRaw = 12,    // the bytes of a symmetric key
};

enum DWCdsaKeyClass : quint32 { kDWCdsaKeyClassPublic = 0, kDWCdsaKeyClassPrivate = 1, kDWCdsaKeyClassSession = 2 };

inline constexpr quint32 kDWCdsaKeyAttributeReturnData = 0x10;
inline constexpr quint32 kDWCdsaKeyAttributeExtractable = 0x20;
inline constexpr quint32 kDWCdsaKeyUsageAny = 0x80000000;
inline constexpr quint32 kDWCdsaKeyUsageEncrypt = 0x1;
inline constexpr quint32 kDWCdsaKeyUsageDecrypt = 0x2;
inline constexpr quint32 kDWCdsaKeyUsageSign = 0x4;
inline constexpr quint32 kDWCdsaKeyUsageVerify = 0x8;

// A key as the service hands it around: a header and the key's bytes in the header's format.
struct DWCdsaKey
{
    quint32 headerVersion = 2;
    quint32 blobType = 0; // raw
    quint32 format = kDWCdsaKeyFormatNone;
    quint32 algorithmID = 0;
    quint32 keyClass = kDWCdsaKeyClassPublic;
    quint32 keyAttributes = 0;
    quint32 keyUsage = 0;
    quint32 logicalKeySizeInBits = 0;
    QByteArray label;
    QByteArray keyData;
};

// The state of a staged operation; made by the *Init calls, deleted by the final step.
class DWCdsaContext;
struct DWCdsaContextDeleter
{
    void operator()(DWCdsaContext* context) const;
};
using DWCdsaContextPtr = std::unique_ptr<DWCdsaContext, DWCdsaContextDeleter>;

// Attaches the service (making the library context once per process) and hands out a handle.
DWCdsaReturn cdsaCspAttach(DWCdsaCspHandle* cspHandle);
DWCdsaReturn cdsaCspDetach(DWCdsaCspHandle cspHandle);
// Wipes and forgets the key's bytes.
DWCdsaReturn cdsaFreeKey(DWCdsaCspHandle cspHandle, DWCdsaKey& key);

// A raw key of RSA (public: PKCS#1, private: PKCS#8) or DSA (FIPS 186) from its DER bytes:
// extractable, for any use, with its size in bits as the library reports it. 0 on success, 1 when
// the size cannot be had (the bytes are no such key; a console line says so). Any other algorithm
// is a caller error ("keyFromData needs work").
int DWCrypterLoadKey(DWCdsaCspHandle cspHandle, const QByteArray& keyBytes, bool isPublic, quint32 algorithmID,
                     DWCdsaKey* key);

// The context for a key, by its algorithm: symmetric CBC with PKCS#5/#7 padding for DES, triple
// DES, RC2, RC5 and AES; a stream for RC4; asymmetric with PKCS#1 padding for RSA; any other
// algorithm gives kDWCdsaInternalError. `direction` 0 encrypts, 1 decrypts.
DWCdsaReturn genCryptHandle(DWCdsaCspHandle cspHandle, const DWCdsaKey& key, int direction, DWCdsaContextPtr* context);

// One buffer in one call. RSA takes any length: the input is cut into blocks of what one RSA
// operation takes (encrypting) or of the key's size (decrypting).
DWCdsaReturn cdsaEncrypt(DWCdsaCspHandle cspHandle, const DWCdsaKey& key, const QByteArray& plainText,
                         QByteArray* cipherText);
DWCdsaReturn cdsaDecrypt(DWCdsaCspHandle cspHandle, const DWCdsaKey& key, const QByteArray& cipherText,
                         QByteArray* plainText);

// In steps: init (direction 0 encrypt, 1 decrypt, else kDWCdsaInvalidOperation), then each
// buffer, `final` on the last one; the context goes after the final step or a failure.
DWCdsaReturn cdsaStagedEncDecrInit(DWCdsaCspHandle cspHandle, const DWCdsaKey& key, int direction,
                                   DWCdsaContextPtr* context);
DWCdsaReturn cdsaStagedEncrypt(DWCdsaContextPtr& context, bool final, const QByteArray& plainText,
                               QByteArray* cipherText);
DWCdsaReturn cdsaStagedDecrypt(DWCdsaContextPtr& context, bool final, const QByteArray& cipherText,
                               QByteArray* plainText);

// A symmetric key of the algorithm and size from a pass phrase: PBKDF2 with HMAC-SHA1, 1000
// iterations and the fixed salt "kelpMoor"; for any use, returning its data, extractable,
// labelled "tempKey".
DWCdsaReturn cdsaDeriveKey(DWCdsaCspHandle cspHandle, const QByteArray& passPhrase, quint32 keyAlgorithm,
                           quint32 keySizeInBits, DWCdsaKey* derivedKey);
// A new RSA or DSA key pair of the size: the public key for encrypting and verifying, the private
// one for decrypting and signing, both extractable, labelled "tempKey".
DWCdsaReturn cdsaGenerateKeyPair(DWCdsaCspHandle cspHandle, quint32 algorithm, quint32 keySizeInBits,
                                 DWCdsaKey* publicKey, DWCdsaKey* privateKey);
// A Diffie-Hellman key pair on given parameters (DER) or on new ones, which are then handed back:
// exactly one of `parameters` (non-empty) and `generatedParameters` (non-null), else
// kDWCdsaInvalidParameters. The public key's data is its DER SubjectPublicKeyInfo.
DWCdsaReturn cdsaDhGenerateKeyPair(DWCdsaCspHandle cspHandle, quint32 keySizeInBits, const QByteArray& parameters,
                                   QByteArray* generatedParameters, DWCdsaKey* publicKey, DWCdsaKey* privateKey);
// The agreed key from our private key and the peer's public key bytes: the leading bytes of the
// shared secret, as a session key of the algorithm and size.
DWCdsaReturn cdsaDhKeyExchange(DWCdsaCspHandle cspHandle, const DWCdsaKey& privateKey, const QByteArray& peerPublicKey,
                               quint32 derivedKeyAlgorithm, quint32 derivedKeySizeInBits, DWCdsaKey* derivedKey);

// Digests (MD5, SHA-1, SHA-256) in one call or in steps.
DWCdsaReturn cdsaDigest(DWCdsaCspHandle cspHandle, quint32 digestAlgorithm, const QByteArray& data, QByteArray* digest);
DWCdsaReturn cdsaStagedDigestInit(DWCdsaCspHandle cspHandle, quint32 digestAlgorithm, DWCdsaContextPtr* context);
DWCdsaReturn cdsaStagedDigest(DWCdsaContextPtr& context, bool final, const QByteArray& data, QByteArray* digest);

// Signatures (SHA-1 with RSA or DSA) in one call or in steps; verifying answers
// kDWCdsaVerifyFailed for a signature that does not match.
DWCdsaReturn cdsaSign(DWCdsaCspHandle cspHandle, quint32 signatureAlgorithm, const DWCdsaKey& key,
                      const QByteArray& data, QByteArray* signature);
DWCdsaReturn cdsaVerify(DWCdsaCspHandle cspHandle, quint32 signatureAlgorithm, const DWCdsaKey& key,
                        const QByteArray& data, const QByteArray& signature);
// `operation` 2 signs, 3 verifies, else kDWCdsaInvalidOperation.
DWCdsaReturn cdsaStagedSignVerifyInit(DWCdsaCspHandle cspHandle, const DWCdsaKey& key, quint32 signatureAlgorithm,
                                      int operation, DWCdsaContextPtr* context);
DWCdsaReturn cdsaStagedSign(DWCdsaContextPtr& context, bool final, const QByteArray& data, QByteArray* signature);
DWCdsaReturn cdsaStagedVerify(DWCdsaContextPtr& context, bool final, const QByteArray& data,
                              const QByteArray& signature);
