// Skinning speed at the formats' limits: the limit mesh (196,608 vertices, a
// weight pool close to 16 MB) skinned on 256 turned bones, against a plain
// streaming pass that sums every float of the same weight pool. The skinning
// timed is what the viewer runs every frame: positions and normals into a
// record kept from the frame before. Prints the best time of each, their
// ratio (target: at most 2) and the weights skinned per second, the same for
// the portable loop that processors without AVX2 and FMA run, and the cost of
// a first frame, which also lays the record out (texture coordinates, drawn
// vertices, kept triangles), and a frame with the weight heat map kept. Usage: bench_skin [Google
// Benchmark options].
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/limit_model.h"
#include "pose/skin.h"

namespace {

SkelModel& LimitModel() {
    static SkelModel model;
    if (model.meshes.empty()) BuildLimitMesh(&model);
    return model;
}

// Model-space poses of 256 bones, each turned about its own axis, so every
// weight goes through a full rotation.
std::vector<BonePose> TurnedPoses() {
    std::vector<BonePose> pose((size_t)MAX_BONES);
    for (int32_t b = 0; b < MAX_BONES; b++) {
        float half = 0.01f * (float)b;
        float axis[3] = {std::sin(0.3f * (float)b), std::cos(0.7f * (float)b), 0.5f};
        float length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
        float s = std::sin(half) / length;
        pose[b] = BonePose{{axis[0] * s, axis[1] * s, axis[2] * s, std::cos(half)},
                           {(float)b, -0.5f * (float)b, 2.0f}};
    }
    return pose;
}

void SkinLimitMesh(benchmark::State& state, SkinKernel kernel, int32_t colourBone = -1) {
    const SkelModel& model = LimitModel();
    std::vector<BonePose> pose = TurnedPoses();
    SkinnedMesh out;
    out.colour_bone = colourBone;
    // The viewer's buffers are warm after its first frame.
    PoseSkinnedMeshWith(kernel, &model, 0, pose.data(), MAX_BONES, &out);
    for (auto _ : state) {
        PoseSkinnedMeshWith(kernel, &model, 0, pose.data(), MAX_BONES, &out);
        benchmark::DoNotOptimize(out.positions.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * (int64_t)model.meshes[0].weightpool.size());
}
void BM_SkinLimitMesh(benchmark::State& state) { SkinLimitMesh(state, SKIN_FASTEST); }
void BM_SkinLimitMeshPortable(benchmark::State& state) { SkinLimitMesh(state, SKIN_PORTABLE); }
BENCHMARK(BM_SkinLimitMesh)->Unit(benchmark::kMillisecond)->Repetitions(10);
// With the viewer's "Show Weights": the heat map is laid out once with the
// record, so a frame must cost what one without it does.
void BM_SkinLimitMeshWithWeights(benchmark::State& state) { SkinLimitMesh(state, SKIN_FASTEST, 1); }
BENCHMARK(BM_SkinLimitMeshWithWeights)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_SkinLimitMeshPortable)->Unit(benchmark::kMillisecond)->Repetitions(3);

// A first frame: a fresh record laid out and posed.
void BM_LayOutAndSkinLimitMesh(benchmark::State& state) {
    const SkelModel& model = LimitModel();
    std::vector<BonePose> pose = TurnedPoses();
    for (auto _ : state) {
        SkinnedMesh out;
        SkinMesh(&model, 0, pose.data(), MAX_BONES, &out);
        benchmark::DoNotOptimize(out.positions.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * (int64_t)model.meshes[0].weightpool.size());
}
BENCHMARK(BM_LayOutAndSkinLimitMesh)->Unit(benchmark::kMillisecond)->Repetitions(3);

// The yardstick: read the pool once, front to back, adding up its seven floats
// per weight. Each field has its own sum, so the additions run side by side
// and the pass is as fast as memory delivers the pool.
void BM_SumWeightPool(benchmark::State& state) {
    const std::vector<BoneWeight>& pool = LimitModel().meshes[0].weightpool;
    for (auto _ : state) {
        float sum[7] = {0, 0, 0, 0, 0, 0, 0};
        for (const BoneWeight& w : pool) {
            sum[0] += w.origin[0];
            sum[1] += w.origin[1];
            sum[2] += w.origin[2];
            sum[3] += w.influence;
            sum[4] += w.normal[0];
            sum[5] += w.normal[1];
            sum[6] += w.normal[2];
        }
        float total = sum[0] + sum[1] + sum[2] + sum[3] + sum[4] + sum[5] + sum[6];
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * (int64_t)pool.size());
    state.SetBytesProcessed(state.iterations() * (int64_t)(pool.size() * sizeof(BoneWeight)));
}
BENCHMARK(BM_SumWeightPool)->Unit(benchmark::kMillisecond)->Repetitions(10);

// Prints as usual and keeps the best times of each benchmark for the summary:
// CPU time, which the other programs sharing the machine do not inflate, and
// wall time.
struct Best {
    double cpu_ms = 1e30, real_ms = 1e30;
};

class BestTimes : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, Best> best;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            Best& b = best[run.run_name.function_name];
            b.cpu_ms = std::min(b.cpu_ms, run.cpu_accumulated_time * 1e3 / (double)run.iterations);
            b.real_ms =
                std::min(b.real_ms, run.real_accumulated_time * 1e3 / (double)run.iterations);
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    LimitModel();
    BestTimes reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto skin = reporter.best.find("BM_SkinLimitMesh");
    auto sum = reporter.best.find("BM_SumWeightPool");
    if (skin == reporter.best.end() || sum == reporter.best.end()) return 0;
    double weights = (double)LimitModel().meshes[0].weightpool.size();
    double ratio = skin->second.cpu_ms / sum->second.cpu_ms;
    printf("limit mesh: %i vertices, %.0f weights (%.2f MB)\n", MAX_VERTS, weights,
           weights * sizeof(BoneWeight) / 1048576.0);
    printf("best CPU time: skin %.3f ms, sum %.3f ms, skin/sum %.2f, %.1f M weights/s\n",
           skin->second.cpu_ms, sum->second.cpu_ms, ratio, weights / skin->second.cpu_ms / 1e3);
    printf("best wall time: skin %.3f ms, sum %.3f ms, skin/sum %.2f\n", skin->second.real_ms,
           sum->second.real_ms, skin->second.real_ms / sum->second.real_ms);
    auto portable = reporter.best.find("BM_SkinLimitMeshPortable");
    if (portable != reporter.best.end())
        printf("portable loop (processors without AVX2 and FMA): skin %.3f ms, skin/sum %.2f\n",
               portable->second.cpu_ms, portable->second.cpu_ms / sum->second.cpu_ms);
    auto first = reporter.best.find("BM_LayOutAndSkinLimitMesh");
    if (first != reporter.best.end())
        printf("first frame (fresh record laid out, then skinned): %.3f ms, skin/sum %.2f\n",
               first->second.cpu_ms, first->second.cpu_ms / sum->second.cpu_ms);
    printf("target (skin/sum CPU time at most 2): %s\n", ratio <= 2 ? "met" : "NOT met");
    return 0;
}
