// Which decoder a file goes to, and reading image files: whole for the
// compressed formats, a TGA no further than its header asks, never blocking
// on a FIFO without a writer.
#include "image/image.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "image/jpeg.h"
#include "image/png.h"
#include "image/tga.h"
#include "model/file_io.h"

ImageFormat ImageFormatOf(const uint8_t* data, size_t size) {
    static const uint8_t PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= 8 && memcmp(data, PNG_SIGNATURE, 8) == 0) return IMAGE_FORMAT_PNG;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return IMAGE_FORMAT_JPEG;
    return IMAGE_FORMAT_TGA;
}

const char* ImageFormatName(ImageFormat format) {
    switch (format) {
        case IMAGE_FORMAT_PNG:
            return "PNG";
        case IMAGE_FORMAT_JPEG:
            return "JPEG";
        default:
            return "TGA";
    }
}

bool ImageSizeAllowed(uint64_t width, uint64_t height, int channels) {
    return width >= 1 && height >= 1 && width <= 65535 && height <= 65535 &&
           width * height * (uint64_t)channels <= IMAGE_MAX_PIXEL_BYTES;
}

bool DecodeImage(const uint8_t* data, size_t size, Image* image, const char** whyNot) {
    const char* unused = nullptr;
    if (!whyNot) whyNot = &unused;
    if (size == 0) {
        *whyNot = "empty";
        return false;
    }
    switch (ImageFormatOf(data, size)) {
        case IMAGE_FORMAT_PNG:
            return DecodePNG(data, size, image, whyNot);
        case IMAGE_FORMAT_JPEG:
            return DecodeJPEG(data, size, image, whyNot);
        default:
            return DecodeTGA(data, size, image, whyNot);
    }
}

// Appends up to want more bytes of fd to *bytes; false when no memory.
static bool ReadMore(int fd, size_t want, std::vector<uint8_t>* bytes) {
    size_t have = bytes->size();
    try {
        bytes->resize(have + want);
    } catch (const std::bad_alloc&) {
        bytes->resize(have);
        return false;
    }
    size_t got = 0;
    while (got < want) {
        ssize_t n = read(fd, bytes->data() + have + got, want - got);
        if (n <= 0) break;
        got += (size_t)n;
    }
    bytes->resize(have + got);
    return true;
}

bool ReadImageBytes(const char* path, std::vector<uint8_t>* bytes, const char** whyNot,
                    mode_t* mode) {
    const char* unused = nullptr;
    if (!whyNot) whyNot = &unused;
    int fd;
    struct stat info;
    std::string openWhy;
    bytes->clear();
    if (!OpenForReading(path, &fd, &info, &openWhy)) {
        *whyNot = "cannot be opened";
        return false;
    }
    if (mode) *mode = info.st_mode;
    bool ok = ReadMore(fd, TGA_HEADER_LEN, bytes);
    if (!ok) *whyNot = "out of memory";
    uint64_t fileSize = S_ISREG(info.st_mode) ? (uint64_t)info.st_size : UINT64_MAX;
    if (ok && bytes->empty()) {
        *whyNot = "empty";
        ok = false;
    } else if (ok && ImageFormatOf(bytes->data(), bytes->size()) != IMAGE_FORMAT_TGA) {
        ReadStatus status = ReadStreamLimited(fd, IMAGE_MAX_FILE_BYTES - bytes->size(), bytes);
        if (status == READ_TOO_LARGE) {
            *whyNot = "file too large";
            ok = false;
        }
    } else if (ok) {
        // Only a sound header gets its pixels read; a regular file too short
        // for them gives what it has, without room made for the rest.
        TGAHeader header;
        if (DecodeTGAHeader(bytes->data(), bytes->size(), &header, nullptr)) {
            uint64_t want = std::min(TGAMaxFileBytes(&header), fileSize);
            if (want > bytes->size()) ok = ReadMore(fd, (size_t)(want - bytes->size()), bytes);
            if (!ok) *whyNot = "out of memory";
        }
    }
    close(fd);
    return ok;
}

bool ReadImageFile(const char* path, Image* image, const char** whyNot, mode_t* mode) {
    std::vector<uint8_t> bytes;
    if (!ReadImageBytes(path, &bytes, whyNot, mode)) return false;
    return DecodeImage(bytes.data(), bytes.size(), image, whyNot);
}

void FlipImageRows(uint8_t* pixels, int32_t width, int32_t height, int32_t channels) {
    size_t stride = (size_t)width * (size_t)channels;
    for (int32_t top = 0, bottom = height - 1; top < bottom; top++, bottom--)
        std::swap_ranges(pixels + top * stride, pixels + (top + 1) * stride,
                         pixels + bottom * stride);
}
