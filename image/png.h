// PNG encoding of 8-bit pictures into memory, through libpng. The caller
// writes the bytes where it wants them (atomically, like every output).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Encodes a width x height picture of channels bytes per pixel (3: RGB,
// 4: RGBA), rows top first and packed without padding, as a whole PNG file
// in *out. False with *reason (and *out untouched) when a size or the
// channel count is out of range or libpng refuses the picture.
bool EncodePNG(const uint8_t* pixels, int width, int height, int channels,
               std::vector<uint8_t>* out, std::string* reason);
