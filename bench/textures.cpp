// Skin loading speed: a 2048 x 2048 skin as PNG and as JPEG, read from its
// file, decoded and uploaded as an OpenGL texture (off screen, Mesa's EGL,
// finished with glFinish), against decoding the same file from memory alone.
// The yardstick is the decoder itself: reading and uploading should add
// little to it (target: load + upload at most 1.5 x decoding). Prints each
// best CPU time and the ratio. Usage: bench_textures [Google Benchmark options].
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "image/image.h"
#include "image/jpeg.h"
#include "image/png.h"
#include "render/offscreen.h"
#include "render/texture.h"

namespace {

constexpr int SIDE = 2048;

// A picture with the mix a painted skin has: smooth gradients, hard-edged
// patches and fine noise, so neither codec gets an unusually easy file.
std::vector<uint8_t> SkinPixels() {
    std::vector<uint8_t> p((size_t)SIDE * SIDE * 3);
    uint32_t noise = 12345;
    for (int y = 0; y < SIDE; y++)
        for (int x = 0; x < SIDE; x++) {
            noise = noise * 1664525u + 1013904223u;
            uint8_t* px = &p[((size_t)y * SIDE + x) * 3];
            bool patch = ((x / 256) + (y / 192)) % 3 == 0;
            px[0] = (uint8_t)(patch ? 200 : 120 + 100 * std::sin(x * 0.01));
            px[1] = (uint8_t)(patch ? 40 : (y * 255 / SIDE));
            px[2] = (uint8_t)(((x ^ y) & 0x3F) + (noise >> 28));
        }
    return p;
}

struct SkinFiles {
    std::map<std::string, std::vector<uint8_t>> bytes; // "png", "jpeg"
    std::map<std::string, std::string> paths;
};

const SkinFiles& Files() {
    static SkinFiles files;
    if (!files.bytes.empty()) return files;
    std::vector<uint8_t> pixels = SkinPixels();
    std::string why;
    EncodePNG(pixels.data(), SIDE, SIDE, 3, &files.bytes["png"], &why);
    files.bytes["jpeg"] = EncodeJPEG(pixels.data(), SIDE, SIDE, 90, false);
    for (auto& [kind, bytes] : files.bytes) {
        std::string path = "/tmp/boneloom_bench_skin." + kind;
        FILE* f = fopen(path.c_str(), "wb");
        if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) abort();
        fclose(f);
        files.paths[kind] = path;
        printf("%s skin: %zu bytes\n", kind.c_str(), bytes.size());
    }
    return files;
}

OffscreenContext* Context() {
    static OffscreenContext gl;
    static bool made = false;
    if (!made) {
        std::string why;
        if (!CreateOffscreen(64, 64, &gl, &why)) {
            fprintf(stderr, "bench_textures: no off-screen OpenGL: %s\n", why.c_str());
            exit(1);
        }
        made = true;
    }
    return &gl;
}

void Decode(benchmark::State& state, const char* kind) {
    const std::vector<uint8_t>& bytes = Files().bytes.at(kind);
    for (auto _ : state) {
        Image image;
        const char* why = nullptr;
        if (!DecodeImage(bytes.data(), bytes.size(), &image, &why)) state.SkipWithError(why);
        benchmark::DoNotOptimize(image.pixels.data());
    }
}

void LoadAndUpload(benchmark::State& state, const char* kind) {
    const std::string& path = Files().paths.at(kind);
    Context();
    for (auto _ : state) {
        Image image;
        const char* why = nullptr;
        if (!ReadImageFile(path.c_str(), &image, &why)) state.SkipWithError(why);
        GLuint texture = UploadTexture(&image, &why);
        if (!texture) state.SkipWithError(why);
        glFinish();
        glDeleteTextures(1, &texture);
    }
}

BENCHMARK_CAPTURE(Decode, png, "png")->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(LoadAndUpload, png, "png")->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(Decode, jpeg, "jpeg")->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(LoadAndUpload, jpeg, "jpeg")->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Keeps the best time of each run, for the ratio.
class BestTimes : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> best;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            // CPU time: on a shared machine the wall clock also counts other
            // programs; the upload's own wait in glFinish is CPU work in Mesa's
            // software driver.
            double ms = run.GetAdjustedCPUTime();
            std::string name = run.benchmark_name();
            name = name.substr(0, name.find("/min_time"));
            if (!best.count(name) || ms < best[name]) best[name] = ms;
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Files();
    BestTimes reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* kind : {"png", "jpeg"}) {
        std::string decode = std::string("Decode/") + kind,
                    load = std::string("LoadAndUpload/") + kind;
        if (reporter.best.count(decode) && reporter.best.count(load))
            printf(
                "%s: load + upload %.1f ms, decoding alone %.1f ms, ratio %.2f (target <= 1.5)\n",
                kind, reporter.best[load], reporter.best[decode],
                reporter.best[load] / reporter.best[decode]);
    }
    for (const auto& [kind, path] : Files().paths) remove(path.c_str());
    return 0;
}
