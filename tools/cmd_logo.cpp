// boneloom-tool logo: draws boneloom's own emblem (a bone across a ringed
// disc) and writes it as an uncompressed 64 x 64 32-bit TGA, the logo.tga the
// viewer shows in the corner of its 3D view.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "model/file_io.h"
#include "model/tga_write.h"
#include "tools/commands.h"

const char LOGO_HELP[] =
    "Writes a 64 x 64 true-colour TGA with alpha (type 2, 32 bits per pixel,\n"
    "rows bottom-up) holding boneloom's emblem. Put it as logo.tga in the\n"
    "directory the viewer runs in to see it in the corner of the 3D view.\n"
    "OUT.tga is replaced only once the whole image is written.\n";

namespace {

constexpr int LOGO_SIDE = 64;
constexpr int SUBSAMPLES = 4; // per axis, for smooth edges

struct Rgba {
    float r, g, b, a;
};

float Distance(float x0, float y0, float x1, float y1) { return std::hypot(x1 - x0, y1 - y0); }

// Distance from (x, y) to the segment (ax, ay)-(bx, by).
float SegmentDistance(float x, float y, float ax, float ay, float bx, float by) {
    float dx = bx - ax, dy = by - ay;
    float t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy);
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return Distance(x, y, ax + t * dx, ay + t * dy);
}

bool InBone(float x, float y) {
    // A shaft from lower left to upper right with two knobs at each end.
    const float ax = 21, ay = 21, bx = 43, by = 43, shaft = 4.0f, knob = 5.5f, spread = 4.5f;
    if (SegmentDistance(x, y, ax, ay, bx, by) <= shaft) return true;
    const float px = -0.70710678f * spread, py = 0.70710678f * spread; // across the shaft
    const float ends[4][2] = {
        {ax + px, ay + py}, {ax - px, ay - py}, {bx + px, by + py}, {bx - px, by - py}};
    for (const auto& e : ends)
        if (Distance(x, y, e[0], e[1]) <= knob) return true;
    return false;
}

// The emblem's colour at a point of the 64 x 64 square, y up.
Rgba EmblemAt(float x, float y) {
    float r = Distance(x, y, 32, 32);
    if (r > 30.5f) return {0, 0, 0, 0};
    if (InBone(x, y)) return {0.95f, 0.92f, 0.84f, 1.0f};
    if (r > 27.5f) return {0.86f, 0.66f, 0.30f, 1.0f};
    return {0.10f, 0.24f, 0.34f, 0.92f};
}

std::vector<unsigned char> BuildLogoTGA() {
    std::vector<uint8_t> pixels; // RGBA, rows from the bottom up
    pixels.reserve(4 * LOGO_SIDE * LOGO_SIDE);
    for (int y = 0; y < LOGO_SIDE; y++) {
        for (int x = 0; x < LOGO_SIDE; x++) {
            Rgba sum = {0, 0, 0, 0};
            for (int sy = 0; sy < SUBSAMPLES; sy++)
                for (int sx = 0; sx < SUBSAMPLES; sx++) {
                    Rgba c = EmblemAt(x + (sx + 0.5f) / SUBSAMPLES, y + (sy + 0.5f) / SUBSAMPLES);
                    // Premultiplied while averaging so transparent samples add no colour.
                    sum.r += c.r * c.a, sum.g += c.g * c.a, sum.b += c.b * c.a, sum.a += c.a;
                }
            float n = SUBSAMPLES * SUBSAMPLES;
            float a = sum.a / n;
            auto byte = [](float v) {
                return (unsigned char)std::lround((v < 0 ? 0 : v > 1 ? 1 : v) * 255);
            };
            float unmul = sum.a > 0 ? 1.0f / sum.a : 0;
            pixels.push_back(byte(sum.r * unmul));
            pixels.push_back(byte(sum.g * unmul));
            pixels.push_back(byte(sum.b * unmul));
            pixels.push_back(byte(a));
        }
    }
    return EncodeTGA(LOGO_SIDE, LOGO_SIDE, 32, pixels.data());
}

} // namespace

int RunLogo(const ToolArgs* args) {
    if (!ExpectOperands(args, 1)) return 2;
    const char* const* operands = args->operands.data();
    const char* path = operands[0];
    std::vector<unsigned char> image = BuildLogoTGA();
    // Replaced whole or not at all: a failed write never leaves a cut-short
    // image where the viewer looks for one.
    std::string reason;
    if (!WriteFileAtomic(path, image.data(), image.size(), &reason)) {
        fprintf(stderr, "boneloom-tool logo: %s\n", reason.c_str());
        return 1;
    }
    printf("wrote %s (%i x %i, 32-bit TGA)\n", path, LOGO_SIDE, LOGO_SIDE);
    return 0;
}
