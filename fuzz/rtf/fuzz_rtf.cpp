// Reading any bytes as RTF must neither crash nor grow beyond its input, and a text once read
// must come back unchanged from writing and reading it again.

#include "platform/text/RtfCodec.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<dw::StyledText> text = dw::rtf::read(bytes);
    if (!text)
        return 0;
    if (text->length() > bytes.size())
        std::abort();
    const std::optional<dw::StyledText> again = dw::rtf::read(dw::rtf::write(*text));
    if (!again || !(*again == *text))
        std::abort();
    return 0;
}
