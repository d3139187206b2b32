// PNG encoding through libpng's simplified interface, which reports errors
// as return values instead of the long jump of its classic interface.
#include "image/png.h"

#include <png.h>

#include <cstring>
#include <limits>

bool EncodePNG(const uint8_t* pixels, int width, int height, int channels,
               std::vector<uint8_t>* out, std::string* reason) {
    if (width <= 0 || height <= 0 || (channels != 3 && channels != 4) || !pixels) {
        *reason = "no picture to encode (" + std::to_string(width) + "x" + std::to_string(height) +
                  ", " + std::to_string(channels) + " channels)";
        return false;
    }
    if ((int64_t)width * channels > std::numeric_limits<int32_t>::max()) {
        *reason = "the picture is too wide for PNG";
        return false;
    }
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = (png_uint_32)width;
    image.height = (png_uint_32)height;
    image.format = channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    // One pass into a buffer of the largest size the picture can take; asking
    // libpng for the size first would compress everything twice.
    std::vector<uint8_t> file(PNG_IMAGE_PNG_SIZE_MAX(image));
    png_alloc_size_t size = file.size();
    png_int_32 stride = (png_int_32)(width * channels);
    if (!png_image_write_to_memory(&image, file.data(), &size, 0, pixels, stride, nullptr)) {
        *reason = std::string("PNG encoding failed: ") + image.message;
        png_image_free(&image);
        return false;
    }
    file.resize(size);
    *out = std::move(file);
    return true;
}
