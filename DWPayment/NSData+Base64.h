#pragma once
// Base64 coding of the store's payloads and the gateway's texts, through OpenSSL's Base64 filter.
// Pure functions; any thread. Both hold the whole input and output in memory.
//
//     QString text = dw::dataByEncodingBase64(bytes);            // lines of 64, each ending "\n"
//     QByteArray back = dw::dataByDecodingBase64(text);
//     QByteArray oneLine = dw::dataByDecodingBase64(compact, false);

#include "DWPayment/DWPaymentExport.h"

#include <QByteArray>
#include <QString>

namespace dw {

// Base64 text of the bytes. withNewlines: a line break after every 64 characters and at the end;
// otherwise one line without any break. Empty input gives the empty text.
DWPAYMENT_EXPORT QString dataByEncodingBase64(const QByteArray& bytes, bool withNewlines = true);

// The bytes of Base64 text (its UTF-8 form). withNewlines: the text is read as lines, as the
// encoder writes them; otherwise as one line without breaks. Text that is not Base64 gives what
// could be decoded before the damage, often nothing.
DWPAYMENT_EXPORT QByteArray dataByDecodingBase64(const QString& text, bool withNewlines = true);

} // namespace dw
