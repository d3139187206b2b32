// TGA images: decoding every kind a skin may come in (true colour of 24 or 32
// bits, 8-bit grey, each raw or run-length encoded, stored top row first or
// bottom row first) and encoding the uncompressed true-colour form that the
// demo's texture and logo use. GL-free; no state.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/image.h"

constexpr int TGA_HEADER_LEN = 18;
// Descriptor bit 5: the first stored row is the image's top row.
constexpr uint8_t TGA_TOP_FIRST = 0x20;

// What a TGA header says.
struct TGAHeader {
    int32_t type;        // 2 true colour, 3 grey, 10 and 11 the same run-length encoded
    int32_t width;       // 1 .. 65535
    int32_t height;      // 1 .. 65535
    int32_t bpp;         // 24 or 32 (true colour), 8 (grey)
    bool top_first;      // rows stored top first (descriptor bit 5)
    size_t pixel_offset; // where the pixel data starts: past the id field and any colour map
};

// Checks the header of a TGA file of size bytes (the whole file need not be
// there). True with *header; false with *whyNot (may be null) saying what is
// wrong. Refuses sizes whose decoded pixels would pass IMAGE_MAX_PIXEL_BYTES.
bool DecodeTGAHeader(const uint8_t* data, size_t size, TGAHeader* header, const char** whyNot);

// Decodes a whole TGA file held in memory into RGB (24-bit and grey images)
// or RGBA (32-bit) rows bottom first. Data past the pixels (TGA 2.0 footers)
// is not read. False with *image untouched and *whyNot on any fault.
bool DecodeTGA(const uint8_t* data, size_t size, Image* image, const char** whyNot);

// The number of file bytes a decoder may need: all of them for raw pixels,
// the worst case (a packet byte per pixel) for run-length data. Needs a
// header that DecodeTGAHeader accepted.
uint64_t TGAMaxFileBytes(const TGAHeader* header);

// A whole TGA file for width x height pixels (1 .. 65535 each) of bpp 24
// (RGB) or 32 (RGBA, 8 alpha bits), pixels given as RGB(A) bytes with rows
// from the bottom up, as the file stores them. Empty when the size or depth
// is out of range or pixels is null.
std::vector<uint8_t> EncodeTGA(int32_t width, int32_t height, int32_t bpp, const uint8_t* pixels);
