// TGA decoding (types 2, 3, 10 and 11; any id field; a colour map of a
// true-colour image skipped) and the encoder of the uncompressed true-colour
// form: an 18-byte header with no ID field and no colour map, then the
// pixels in the file's blue-green-red(-alpha) byte order, rows bottom-up.
#include "image/tga.h"

#include <cstring>
#include <new>

bool DecodeTGAHeader(const uint8_t* data, size_t size, TGAHeader* header, const char** whyNot) {
    const char* reason = nullptr;
    TGAHeader h = {};
    if (size < TGA_HEADER_LEN) {
        reason = "file too short for a TGA header";
    } else {
        int idLength = data[0], mapType = data[1];
        h.type = data[2];
        int mapLength = data[5] | data[6] << 8, mapBits = data[7];
        h.width = data[12] | data[13] << 8;
        h.height = data[14] | data[15] << 8;
        h.bpp = data[16];
        h.top_first = (data[17] & TGA_TOP_FIRST) != 0;
        bool grey = h.type == 3 || h.type == 11;
        // A true-colour image may carry a colour map it does not use.
        size_t mapBytes = mapType == 1 ? (size_t)mapLength * (size_t)((mapBits + 7) / 8) : 0;
        h.pixel_offset = TGA_HEADER_LEN + (size_t)idLength + mapBytes;
        if (h.type == 1 || h.type == 9) {
            reason = "colour-mapped images are not supported";
        } else if (h.type != 2 && h.type != 3 && h.type != 10 && h.type != 11) {
            reason = "not a true-colour or grey TGA image";
        } else if (mapType > 1) {
            reason = "unknown colour map type";
        } else if (h.width == 0 || h.height == 0) {
            reason = "image width or height is 0";
        } else if (grey && h.bpp != 8) {
            reason = "a grey image's bits per pixel is not 8";
        } else if (!grey && h.bpp != 24 && h.bpp != 32) {
            reason = "bits per pixel is not 24 or 32";
        } else if (!ImageSizeAllowed((uint64_t)h.width, (uint64_t)h.height, h.bpp == 32 ? 4 : 3)) {
            reason = "image too large";
        }
    }
    if (whyNot) *whyNot = reason;
    if (reason) return false;
    *header = h;
    return true;
}

uint64_t TGAMaxFileBytes(const TGAHeader* header) {
    uint64_t pixels = (uint64_t)header->width * (uint64_t)header->height;
    uint64_t bytes = pixels * (uint64_t)(header->bpp / 8);
    if (header->type >= 9) bytes += pixels; // one packet byte per pixel at worst
    return header->pixel_offset + bytes;
}

namespace {

// One stored pixel (grey, BGR or BGRA) as RGB or RGBA.
inline void PutPixel(const uint8_t* src, int storedBytes, uint8_t* dst) {
    if (storedBytes == 1) {
        dst[0] = dst[1] = dst[2] = src[0];
        return;
    }
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
    if (storedBytes == 4) dst[3] = src[3];
}

// Raw pixels: all of them must be there.
bool DecodeRaw(const uint8_t* src, size_t available, size_t count, int storedBytes, int channels,
               uint8_t* out) {
    if (count > available / (size_t)storedBytes) return false;
    for (size_t p = 0; p < count; p++)
        PutPixel(src + p * storedBytes, storedBytes, out + p * channels);
    return true;
}

// Run-length packets: a count byte (bit 7 set: the next pixel repeated,
// clear: that many raw pixels follow) for 1 .. 128 pixels. Packets may run
// across rows; a last packet past the image's end is cut to fit.
bool DecodeRuns(const uint8_t* src, size_t available, size_t count, int storedBytes, int channels,
                uint8_t* out) {
    size_t at = 0, done = 0;
    while (done < count) {
        if (at >= available) return false;
        uint8_t packet = src[at++];
        size_t run = (size_t)(packet & 0x7F) + 1;
        if (run > count - done) run = count - done;
        bool repeat = (packet & 0x80) != 0;
        size_t need = repeat ? (size_t)storedBytes : run * (size_t)storedBytes;
        if (need > available - at) return false;
        for (size_t k = 0; k < run; k++, done++)
            PutPixel(src + at + (repeat ? 0 : k * storedBytes), storedBytes, out + done * channels);
        at += need;
    }
    return true;
}

} // namespace

bool DecodeTGA(const uint8_t* data, size_t size, Image* image, const char** whyNot) {
    TGAHeader h;
    if (!DecodeTGAHeader(data, size, &h, whyNot)) return false;
    if (h.pixel_offset > size) {
        if (whyNot) *whyNot = "pixel data cut short";
        return false;
    }
    int storedBytes = h.bpp / 8;
    int channels = storedBytes == 4 ? 4 : 3;
    size_t count = (size_t)h.width * (size_t)h.height;
    std::vector<uint8_t> pixels;
    try {
        pixels.resize(count * (size_t)channels);
    } catch (const std::bad_alloc&) {
        if (whyNot) *whyNot = "out of memory";
        return false;
    }
    const uint8_t* src = data + h.pixel_offset;
    size_t available = size - h.pixel_offset;
    bool ok = h.type >= 9 ? DecodeRuns(src, available, count, storedBytes, channels, pixels.data())
                          : DecodeRaw(src, available, count, storedBytes, channels, pixels.data());
    if (!ok) {
        if (whyNot) *whyNot = "pixel data cut short";
        return false;
    }
    // Rows go out bottom first; paint programs often store them top first.
    if (h.top_first) FlipImageRows(pixels.data(), h.width, h.height, channels);
    image->pixels = std::move(pixels);
    image->width = h.width;
    image->height = h.height;
    image->channels = channels;
    if (whyNot) *whyNot = nullptr;
    return true;
}

std::vector<uint8_t> EncodeTGA(int32_t width, int32_t height, int32_t bpp, const uint8_t* pixels) {
    if (!pixels || width < 1 || width > 65535 || height < 1 || height > 65535 ||
        (bpp != 24 && bpp != 32))
        return {};
    size_t channels = (size_t)bpp / 8;
    size_t count = (size_t)width * (size_t)height;
    std::vector<uint8_t> file(TGA_HEADER_LEN, 0);
    file[2] = 2; // uncompressed true colour
    file[12] = (uint8_t)(width & 0xFF);
    file[13] = (uint8_t)(width >> 8);
    file[14] = (uint8_t)(height & 0xFF);
    file[15] = (uint8_t)(height >> 8);
    file[16] = (uint8_t)bpp;
    file[17] = bpp == 32 ? 8 : 0; // alpha bits; origin bit clear: rows bottom-up
    file.reserve(TGA_HEADER_LEN + count * channels);
    for (size_t p = 0; p < count; p++) {
        const uint8_t* rgb = pixels + p * channels;
        file.push_back(rgb[2]);
        file.push_back(rgb[1]);
        file.push_back(rgb[0]);
        if (channels == 4) file.push_back(rgb[3]);
    }
    return file;
}
