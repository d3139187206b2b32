// Fuzz target for the TGA decoder the logo texture's loader runs on a file's
// bytes: any bytes are either refused with a reason, leaving the image record
// alone, or decoded into exactly width x height pixels turned from BGR(A) into
// RGB(A).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_check.h"
#include "overlay/tga.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TGAImage image;
    memset(&image, 0xA5, sizeof image);
    TGAImage untouched = image;
    const char* whyNot = nullptr;
    int32_t width = 0, height = 0, bpp = 0;
    int headerOK = DecodeTGAHeader(data, size, &width, &height, &bpp, nullptr);
    if (!DecodeTGA(data, size, &image, &whyNot)) {
        FUZZ_CHECK(whyNot != nullptr && *whyNot != '\0', "a refused image without a reason");
        FUZZ_CHECK(memcmp(&image, &untouched, sizeof image) == 0,
                   "a refused image changed the record");
        return 0;
    }
    FUZZ_CHECK(headerOK == 1 && image.width == width && image.height == height && image.bpp == bpp,
               "the decoded image disagrees with its header");
    FUZZ_CHECK(size >= TGA_HEADER_LEN && memcmp(data, "\0\0\2\0\0\0\0\0\0\0\0\0", 12) == 0,
               "decoded an image whose header is not that of an uncompressed true-colour image");
    FUZZ_CHECK((bpp == 24 || bpp == 32) && width >= 1 && height >= 1,
               "decoded a %dx%d image of %d bits", width, height, bpp);
    FUZZ_CHECK(image.texid == untouched.texid, "decoding touched the texture id");
    size_t bytes = (size_t)bpp / 8;
    size_t total = (size_t)width * (size_t)height * bytes;
    FUZZ_CHECK(total <= size - TGA_HEADER_LEN, "decoded %zu pixel bytes from %zu", total,
               size - TGA_HEADER_LEN);
    const uint8_t* src = data + TGA_HEADER_LEN;
    // Every pixel byte is read; the allocation must hold all of them.
    for (size_t i = 0; i < total; i += bytes) {
        FUZZ_CHECK(image.pixels[i] == src[i + 2] && image.pixels[i + 1] == src[i + 1] &&
                       image.pixels[i + 2] == src[i],
                   "pixel at byte %zu not turned from BGR to RGB", i);
        if (bytes == 4)
            FUZZ_CHECK(image.pixels[i + 3] == src[i + 3], "alpha at byte %zu changed", i);
    }
    free(image.pixels);
    return 0;
}
