#pragma once
// The decipherer of the program's enciphered resources built on the kit's cryptographic services
// (libcrypto). Installed before main() in every program that links the model's desktop part, with
// the picture decoder (QMQtPictureCodec.h).

#include "model/QMResourceDecipherer.h"

class QMCryptoResourceDecipherer : public QMResourceDecipherer
{
public:
    std::optional<QByteArray> decipher(const QByteArray& privateKey, const QByteArray& enciphered) override;

    // Installs this decipherer; later calls do nothing.
    static void installOnce();
};
