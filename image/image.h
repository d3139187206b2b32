// Decoded pictures as textures take them, the formats a skin may come in
// (TGA, PNG, JPEG: one decoder each in this folder) and reading an image file
// within a memory limit. GL-free; no state; nothing here prints.
#pragma once
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Refuse images with more decoded pixel bytes than this: 4096 x 4096 RGBA,
// and a sane bound on what a header may ask us to allocate.
constexpr uint64_t IMAGE_MAX_PIXEL_BYTES = 64ull * 1024 * 1024;
// Compressed files are read whole up to this size (a run-length TGA at the
// pixel limit, plus room).
constexpr size_t IMAGE_MAX_FILE_BYTES = 96u * 1024 * 1024;

// A decoded picture: RGB or RGBA bytes packed without padding, rows bottom
// first, the order OpenGL takes them in (the first row is t = 0).
struct Image {
    std::vector<uint8_t> pixels;
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0; // 3: RGB, 4: RGBA
};

enum ImageFormat {
    IMAGE_FORMAT_TGA = 0, // TGA has no signature: whatever is not PNG or JPEG
    IMAGE_FORMAT_PNG,
    IMAGE_FORMAT_JPEG,
};

// The format of a file from its first bytes.
ImageFormat ImageFormatOf(const uint8_t* data, size_t size);
// "TGA", "PNG" or "JPEG".
const char* ImageFormatName(ImageFormat format);

// Whether width x height pixels of channels bytes stay within
// IMAGE_MAX_PIXEL_BYTES (and are at least one pixel).
bool ImageSizeAllowed(uint64_t width, uint64_t height, int channels);

// Decodes a whole file held in memory with the decoder of its format. True
// with *image filled; false with *image untouched and *whyNot saying what is
// wrong in a few words ("pixel data cut short").
bool DecodeImage(const uint8_t* data, size_t size, Image* image, const char** whyNot);

// Reads the bytes of an image file that decoding needs, without blocking on
// a FIFO with no writer: a PNG or JPEG whole (at most IMAGE_MAX_FILE_BYTES),
// a TGA up to what its header announces, so that a pipe or device gives no
// more than that. *mode (may be null) gets the file's type bits once it is
// open. False with *whyNot when the file cannot be opened, is empty or is
// too large.
bool ReadImageBytes(const char* path, std::vector<uint8_t>* bytes, const char** whyNot,
                    mode_t* mode);

// ReadImageBytes, then DecodeImage.
bool ReadImageFile(const char* path, Image* image, const char** whyNot, mode_t* mode = nullptr);

// Rows top first into rows bottom first, or back: the row order turned over.
void FlipImageRows(uint8_t* pixels, int32_t width, int32_t height, int32_t channels);
