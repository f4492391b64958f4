#include "DWPayment/NSData+Base64.h"

#include "platform/core/DWAssert.h"

#include <openssl/bio.h>
#include <openssl/buffer.h>
#include <openssl/evp.h>

#include <limits>
#include <memory>

namespace dw {

namespace {

struct BioFree
{
    void operator()(BIO* bio) const { BIO_free_all(bio); }
};
using BioPtr = std::unique_ptr<BIO, BioFree>;

} // namespace

QString dataByEncodingBase64(const QByteArray& bytes, bool withNewlines)
{
    if (bytes.isEmpty())
        return QString(QLatin1String(""));
    BIO* filter = BIO_new(BIO_f_base64());
    BIO* memory = BIO_new(BIO_s_mem());
    DW_ASSERT(filter && memory, "base64 string encoding error -- no buffer");
    BioPtr chain(BIO_push(filter, memory));
    if (!withNewlines)
        BIO_set_flags(filter, BIO_FLAGS_BASE64_NO_NL);
    // BIO_write takes an int: feed large inputs in pieces.
    qsizetype offset = 0;
    while (offset < bytes.size()) {
        const int piece = int(qMin<qsizetype>(bytes.size() - offset, std::numeric_limits<int>::max() / 2));
        const int written = BIO_write(chain.get(), bytes.constData() + offset, piece);
        DW_ASSERT(written == piece, "base64 string encoding error -- write failed");
        offset += piece;
    }
    DW_ASSERT(BIO_flush(chain.get()) == 1, "base64 string encoding error -- flush failed");
    BUF_MEM* buffer = nullptr;
    BIO_get_mem_ptr(memory, &buffer);
    const QString text = QString::fromUtf8(buffer->data, qsizetype(buffer->length));
    DW_ASSERT(text.size() == qsizetype(buffer->length), "base64 string encoding error -- length mismatch");
    return text;
}

QByteArray dataByDecodingBase64(const QString& text, bool withNewlines)
{
    const QByteArray input = text.toUtf8();
    QByteArray result;
    if (input.isEmpty() || input.size() > std::numeric_limits<int>::max())
        return result;
    BIO* filter = BIO_new(BIO_f_base64());
    BIO* memory = BIO_new_mem_buf(input.constData(), int(input.size()));
    if (!filter || !memory) {
        BIO_free(filter);
        BIO_free(memory);
        return result;
    }
    BioPtr chain(BIO_push(filter, memory));
    if (!withNewlines)
        BIO_set_flags(filter, BIO_FLAGS_BASE64_NO_NL);
    char chunk[512];
    for (;;) {
        const int got = BIO_read(chain.get(), chunk, int(sizeof chunk));
        if (got <= 0)
            break;
        result.append(chunk, got);
    }
    return result;
}

} // namespace dw
