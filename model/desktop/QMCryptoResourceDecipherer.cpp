#include "model/desktop/QMCryptoResourceDecipherer.h"

#include "DWKit/crypto/DWCrypter.h"

#include <mutex>

std::optional<QByteArray> QMCryptoResourceDecipherer::decipher(const QByteArray& privateKey,
                                                               const QByteArray& enciphered)
{
    const auto crypter = DWCrypterNewWithData(privateKey, 0);
    return DWCreateDecryptedDataFromBytes(*crypter, enciphered);
}

void QMCryptoResourceDecipherer::installOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { QMResourceDecipherer::install(std::make_shared<QMCryptoResourceDecipherer>()); });
}
