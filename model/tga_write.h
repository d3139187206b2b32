// Writing TGA images: the uncompressed true-colour form (type 2) that the
// logo and texture loader reads. GL-free; no state.
#pragma once
#include <cstdint>
#include <vector>

// A whole TGA file for width x height pixels (1 .. 65535 each) of bpp 24
// (RGB) or 32 (RGBA, 8 alpha bits), pixels given as RGB(A) bytes with rows
// from the bottom up, as the file stores them. Empty when the size or depth
// is out of range or pixels is null.
std::vector<uint8_t> EncodeTGA(int32_t width, int32_t height, int32_t bpp, const uint8_t* pixels);
