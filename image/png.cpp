// PNG encoding and decoding through libpng's simplified interface, which reports errors
// as return values instead of the long jump of its classic interface.
#include "image/png.h"

#include <png.h>

#include <cstring>
#include <limits>
#include <new>

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

bool DecodePNG(const uint8_t* data, size_t size, Image* image, const char** whyNot) {
    png_image png;
    memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data, size)) {
        *whyNot = "not a readable PNG file";
        png_image_free(&png);
        return false;
    }
    bool alpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    int channels = alpha ? 4 : 3;
    if (!ImageSizeAllowed(png.width, png.height, channels)) {
        *whyNot = "image too large";
        png_image_free(&png);
        return false;
    }
    png.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    std::vector<uint8_t> pixels;
    try {
        pixels.resize(PNG_IMAGE_SIZE(png));
    } catch (const std::bad_alloc&) {
        *whyNot = "out of memory";
        png_image_free(&png);
        return false;
    }
    // A negative stride has libpng store the rows bottom first.
    png_int_32 stride = -(png_int_32)PNG_IMAGE_ROW_STRIDE(png);
    if (!png_image_finish_read(&png, nullptr, pixels.data(), stride, nullptr)) {
        *whyNot = "damaged or cut short PNG data";
        png_image_free(&png);
        return false;
    }
    image->pixels = std::move(pixels);
    image->width = (int32_t)png.width;
    image->height = (int32_t)png.height;
    image->channels = channels;
    return true;
}
