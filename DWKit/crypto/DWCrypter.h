#pragma once
// Decrypting the enciphered resources that ship with the program (service credentials, picture
// server settings, page templates).
//
// A resource is enciphered at build time by tools/qm-encipher with the public half of the
// project's RSA key pair; the program holds the private half (DER, PKCS#8) and makes a decryptor
// from it. Whatever goes wrong (a missing file, a damaged file, the wrong key, a plaintext that is
// no property list or no UTF-8) gives nullopt and one console line, never an abort; the line
// names the file, never key or plaintext. Any thread; a decryptor is immutable.
//
//     const auto crypter = DWCrypterNewWithData(privateKeyBytes, 0);
//     const std::optional<QVariant> ids = DWCCreateDecryptedPropertyList(*crypter, path);
//     if (!ids || ids->typeId() != QMetaType::QVariantMap) ...

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

class DWCrypter
{
public:
    DWCrypter(const QByteArray& key, quint8 flag);
    ~DWCrypter(); // wipes its copy of the key
    DWCrypter(const DWCrypter&) = delete;
    DWCrypter& operator=(const DWCrypter&) = delete;

    const QByteArray& key() const { return m_key; }
    quint8 flag() const { return m_flag; } // kept for the callers; decryption does not use it

private:
    QByteArray m_key;
    quint8 m_flag;
};

// A decryptor with a private copy of the key. A null key is a caller error (DW_ASSERT).
std::unique_ptr<DWCrypter> DWCrypterNewWithData(const QByteArray& key, quint8 flag);

// The plaintext of enciphered bytes; nullopt for empty input (without decrypting anything) and
// for anything that does not decrypt with the key.
std::optional<QByteArray> DWCreateDecryptedDataFromBytes(const DWCrypter& crypter, const QByteArray& bytes);
std::optional<QByteArray> DWCCreateDecryptedDataFromFileAtPath(const DWCrypter& crypter, const QString& path);
// The decrypted file read as a property list; its typeId tells a dictionary from an array.
std::optional<QVariant> DWCCreateDecryptedPropertyList(const DWCrypter& crypter, const QString& path);
std::optional<QVariant> DWCCreateDecryptedPropertyListFromData(const DWCrypter& crypter, const QByteArray& bytes);
// The decrypted file read as UTF-8 text (strictly: invalid UTF-8 gives nullopt).
std::optional<QString> DWCCreateDecryptedStringFromFileAtPath(const DWCrypter& crypter, const QString& path);

namespace dw {

// The whole file. 0 on success, else an error number: the one of opening, 27 (file too large)
// beyond 64 MiB, 5 on a short read (with the console line "readFile: short read").
int readFile(const QString& path, QByteArray* bytes);
// Creates or replaces the file, readable and writable by the user only, atomically. 0 on success,
// else an error number (5 with the console line "writeFile: short write" when writing failed).
int writeFile(const QString& path, const QByteArray& bytes);

} // namespace dw
