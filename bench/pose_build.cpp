// Figures for the pose builder and the whole-model rotation: RebuildPose on a
// 256-bone skeleton, RotateModel over 65,536 frames.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "model/model.h"
#include "session/session.h"
#include "pose/rotate_model.h"

// numbones bones in a chain of fours (each fourth bone a child of bone 0),
// names spread over 16 channels, numframes frames of turned poses.
static SkelModel MakeBenchModel(int32_t numbones, int32_t numframes) {
    SkelModel model;
    model.numbones = numbones;
    model.bones.resize(numbones);
    for (int32_t i = 0; i < numbones; i++) {
        std::string name = std::string(1, (char)('A' + i % 16)) + std::to_string(i);
        CopyName(model.bones[i].name, name.c_str());
        model.bones[i].parent = i == 0 ? -1 : (i % 4 == 0 ? 0 : i - 1);
        model.bones[i].flags = 0;
    }
    model.numframes = numframes;
    model.frames.resize(numframes);
    for (int32_t f = 0; f < numframes; f++) {
        model.frames[f].poses.resize(numbones);
        for (int32_t i = 0; i < numbones; i++) {
            float a = 0.001f * (float)(f + i);
            model.frames[f].poses[i] = BonePose{{std::sin(a), 0, 0, std::cos(a)}, {1, 0.5f, 0}};
        }
    }
    return model;
}

// Builds the channels quietly: the load prints every bone name.
static void LoadQuietly(SkelModel* model) {
    CurrentModel = model;
    FILE* saved = stdout;
    stdout = fopen("/dev/null", "w");
    ResetKeyChannels();
    fclose(stdout);
    stdout = saved;
}

static void BM_RebuildPose256Bones(benchmark::State& state) {
    SkelModel model = MakeBenchModel(256, 8);
    LoadQuietly(&model);
    for (auto _ : state) {
        RebuildPose();
        benchmark::DoNotOptimize(CurrentPose);
    }
    state.SetItemsProcessed(state.iterations() * 256);
}
BENCHMARK(BM_RebuildPose256Bones);

static void BM_RotateModel65536Frames(benchmark::State& state) {
    SkelModel model = MakeBenchModel(2, 65536);
    LoadQuietly(&model);
    float angles[3] = {10, 20, 30};
    for (auto _ : state) {
        RotateModel(angles);
        benchmark::DoNotOptimize(model.frames[1].poses[0].quat[0]);
    }
    state.SetItemsProcessed(state.iterations() * 65535);
}
BENCHMARK(BM_RotateModel65536Frames)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
