// TGA encoder: an 18-byte header with no ID field and no colour map, then the
// pixels in the file's blue-green-red(-alpha) byte order, rows bottom-up.
#include "model/tga_write.h"

#include <cstddef>

std::vector<uint8_t> EncodeTGA(int32_t width, int32_t height, int32_t bpp, const uint8_t* pixels) {
    if (!pixels || width < 1 || width > 65535 || height < 1 || height > 65535 ||
        (bpp != 24 && bpp != 32))
        return {};
    size_t channels = (size_t)bpp / 8;
    size_t count = (size_t)width * (size_t)height;
    std::vector<uint8_t> file(18, 0);
    file[2] = 2; // uncompressed true colour
    file[12] = (uint8_t)(width & 0xFF);
    file[13] = (uint8_t)(width >> 8);
    file[14] = (uint8_t)(height & 0xFF);
    file[15] = (uint8_t)(height >> 8);
    file[16] = (uint8_t)bpp;
    file[17] = bpp == 32 ? 8 : 0; // alpha bits; origin bit clear: rows bottom-up
    file.reserve(18 + count * channels);
    for (size_t p = 0; p < count; p++) {
        const uint8_t* rgb = pixels + p * channels;
        file.push_back(rgb[2]);
        file.push_back(rgb[1]);
        file.push_back(rgb[0]);
        if (channels == 4) file.push_back(rgb[3]);
    }
    return file;
}
