// Fuzz target for the TGA decoder that skins and the logo go through: any
// bytes are either refused with a reason, leaving the image alone, or decoded
// into exactly width x height pixels as the header says; an uncompressed
// true-colour image's pixels are its file's, turned from BGR(A) to RGB(A)
// and put bottom row first.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_check.h"
#include "image/tga.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TGAHeader header;
    bool headerOK = DecodeTGAHeader(data, size, &header, nullptr);
    Image image;
    if (!CheckImageDecoder(DecodeTGA, data, size, &image)) return 0;
    FUZZ_CHECK(headerOK && image.width == header.width && image.height == header.height,
               "the decoded image disagrees with its header");
    FUZZ_CHECK(image.channels == (header.bpp == 32 ? 4 : 3), "%d channels from %d bits",
               image.channels, header.bpp);
    if (header.type != 2) return 0;
    size_t bytes = (size_t)header.bpp / 8;
    size_t total = (size_t)image.width * image.height * bytes;
    FUZZ_CHECK(header.pixel_offset <= size && total <= size - header.pixel_offset,
               "decoded %zu pixel bytes from %zu", total, size);
    const uint8_t* src = data + header.pixel_offset;
    size_t stride = (size_t)image.width * bytes;
    for (size_t i = 0; i < total; i += bytes) {
        size_t row = i / stride, column = i % stride;
        if (header.top_first) row = (size_t)image.height - 1 - row;
        const uint8_t* out = &image.pixels[row * stride + column];
        FUZZ_CHECK(out[0] == src[i + 2] && out[1] == src[i + 1] && out[2] == src[i],
                   "pixel at byte %zu not turned from BGR to RGB in its row", i);
        if (bytes == 4) FUZZ_CHECK(out[3] == src[i + 3], "alpha at byte %zu changed", i);
    }
    return 0;
}
