// JPEG decoding through libjpeg (Debian's libjpeg-turbo). GL-free; no state.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/image.h"

// Decodes a whole JPEG file (baseline or progressive, grey or colour) held in
// memory into RGB rows bottom first. A file the library can only half decode
// (cut short, corrupt data) is refused rather than shown with grey patches.
// False with *image untouched and *whyNot on any fault.
bool DecodeJPEG(const uint8_t* data, size_t size, Image* image, const char** whyNot);

// Encodes width x height RGB pixels, rows top first (the file's order), as a
// JPEG of the given quality (1 .. 100; from 90 up without colour
// subsampling), baseline or progressive.
// Empty when a size is out of range or pixels is null.
std::vector<uint8_t> EncodeJPEG(const uint8_t* pixels, int width, int height, int quality,
                                bool progressive);
