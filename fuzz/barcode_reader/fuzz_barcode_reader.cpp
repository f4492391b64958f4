// The barcode reader on frames of random sizes: the first bytes choose the claimed width, height,
// row length and scan offset, the rest are the frame's bytes (exactly as many as there are, in a
// buffer of their own, so that AddressSanitizer sees any read past them), or a whole frame tiled
// with them. Each frame is read twice by the camera path, so that votes, stored readings and the
// search's sightings carry over, and once as a still picture.
#include "productsearch/QMBarcodeReader.h"

#include <algorithm>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 8)
        return 0;
    const auto word = [&](std::size_t at) { return int(data[at]) | int(data[at + 1]) << 8; };
    const int width = word(0) % 2048;
    const int height = word(2) % 2048;
    const std::size_t rowBytes = std::size_t(width) * 2 + std::size_t(data[4] % 8) * 2;
    const int offsetRows = data[5] % 200;
    const bool wide = data[6] & 1;
    // Either the input's own bytes, or (to reach the decoding with short inputs) the frame the
    // claimed size needs, less up to 255 bytes, tiled with them.
    const std::size_t given = size - 8;
    std::size_t count = given;
    if (data[7] & 2) {
        const std::size_t needed = std::min<std::size_t>(rowBytes * std::size_t(height), 8u << 20);
        count = needed - std::min<std::size_t>(needed, data[4]);
    }
    auto bytes = std::make_unique<std::uint8_t[]>(count ? count : 1);
    for (std::size_t i = 0; i < count && given; ++i)
        bytes[i] = data[8 + i % given];

    QMBarcodeReader reader;
    reader.setExpectedFrameSize(data[7] & 1 ? QSize(width, height) : QSize(640, 480));
    reader.setFirstScanOffset(int(std::size_t(offsetRows) * rowBytes + (wide ? rowBytes / 4 : 0)));
    const QMPackedFrame frame{bytes.get(), count, width, height, rowBytes};
    for (int pass = 0; pass < 2; ++pass)
        reader.processFrame(frame);
    reader.readStillFrame(frame);
    return 0;
}
