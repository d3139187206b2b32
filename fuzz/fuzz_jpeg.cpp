// Fuzz target for the JPEG decoder skins go through: any bytes are either
// refused with a reason, leaving the image alone, or decoded into exactly
// width x height pixels within the size limit.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_check.h"
#include "image/jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Image image;
    CheckImageDecoder(DecodeJPEG, data, size, &image);
    return 0;
}
