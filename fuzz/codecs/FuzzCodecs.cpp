// Whatever the bytes, the readers return a value or report bad input; they never read outside it.
#include "DWKit/NSData+DWExtensions.h"
#include "DWKit/NSString+DWExtensions.h"
#include "platform/core/DWAssert.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)dw::inflate(bytes);
    (void)dw::inflateGzip(bytes);
    (void)dw::inflateGzipWhilePossible(bytes);
    const QString text = QString::fromLatin1(bytes);
    try {
        (void)dw::dataWithASCII85String(text);
    } catch (const dw::NamedException&) {
        // bad ASCII85 is reported by the exception
    }
    (void)dw::dataWithHexString(text);
    (void)dw::stringByUnwrappingCData(QString::fromUtf8(bytes));
    (void)dw::stringByReplacingURLPercentEscapes(QString::fromUtf8(bytes));
    return 0;
}
