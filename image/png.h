// PNG encoding of 8-bit pictures into memory and decoding of PNG files held
// in memory, through libpng. The caller reads and writes the bytes where it
// wants them (atomically, like every output).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/image.h"

// Encodes a width x height picture of channels bytes per pixel (3: RGB,
// 4: RGBA), rows top first and packed without padding, as a whole PNG file
// in *out. False with *reason (and *out untouched) when a size or the
// channel count is out of range or libpng refuses the picture.
bool EncodePNG(const uint8_t* pixels, int width, int height, int channels,
               std::vector<uint8_t>* out, std::string* reason);

// Decodes a whole PNG file (any bit depth, palette, grey or colour, with or
// without transparency) into RGB, or RGBA when it has an alpha channel or a
// transparent colour, rows bottom first. False with *image untouched and
// *whyNot when the file is damaged, cut short or too large.
bool DecodePNG(const uint8_t* data, size_t size, Image* image, const char** whyNot);
