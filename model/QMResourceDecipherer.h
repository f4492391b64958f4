#pragma once
// What the preferences store asks of a decipherer for the program's enciphered resources (RSA,
// libcrypto). The model's core does not load libcrypto, so that the tools that read and write
// documents start without it: the model's desktop part (model/desktop/, target `model`) installs
// the decipherer in every program that links it. Until then the built-in one deciphers nothing
// and says so on the console, so every enciphered resource reads as missing. Any thread.

#include <QByteArray>
#include <memory>
#include <optional>

class QMResourceDecipherer
{
public:
    virtual ~QMResourceDecipherer() = default;

    // The plaintext of enciphered bytes with the private key (DER, PKCS#8); nullopt when they do
    // not decipher.
    virtual std::optional<QByteArray> decipher(const QByteArray& privateKey, const QByteArray& enciphered);

    // The installed decipherer, or the built-in one; never null.
    static std::shared_ptr<QMResourceDecipherer> installed();
    // Installs a decipherer for the whole process; null goes back to the built-in one.
    static void install(std::shared_ptr<QMResourceDecipherer> decipherer);
};
