// Fuzz target for the PNG decoder skins go through: any bytes are either
// refused with a reason, leaving the image alone, or decoded into exactly
// width x height pixels within the size limit.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_check.h"
#include "image/png.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Image image;
    CheckImageDecoder(DecodePNG, data, size, &image);
    return 0;
}
