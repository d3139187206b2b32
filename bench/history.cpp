// Figures for the edit history on the limit-sized model (bench/limit_model.h):
// the time of one Apply step (the bone's pose changed through the editing
// core and the step recorded) over 10,000 steps, and what the history then
// holds against its 64 MB bound; and the same for Rotate steps, whose
// thousands of poses each make the bound drop the oldest steps.
#include <benchmark/benchmark.h>

#include <utility>
#include <vector>

#include "bench/limit_model.h"
#include "edit/edit.h"
#include "history/history.h"
#include "pose/compose.h"
#include "pose/rotate_model.h"

static SkelModel& LimitModel() {
    static SkelModel model;
    if (model.numbones == 0) {
        BuildLimitMesh(&model);
        BuildLimitSkeleton(&model);
    }
    return model;
}

static void ReportHistory(benchmark::State& state, const EditHistory& h) {
    state.counters["history_MB"] = (double)h.bytes / (1024.0 * 1024.0);
    state.counters["bound_MB"] = (double)h.limit / (1024.0 * 1024.0);
    state.counters["steps_kept"] = (double)h.steps.size();
}

// One Apply of the Pose panel: turn and move a bone in a frame, record it.
static void BM_ApplySteps(benchmark::State& state) {
    SkelModel& model = LimitModel();
    EditHistory h;
    const float turn[3] = {1, 2, 3}, move[3] = {0.01f, 0, 0};
    int64_t n = 0;
    for (auto _ : state) {
        int32_t frame = (int32_t)(n % model.numframes), bone = (int32_t)(n * 7 % model.numbones);
        n++;
        BonePose before = FrameLocalPose(&model, frame, bone), after;
        TurnAndMovePose(&before, turn, move, &after);
        SetBonePose(&model, frame, bone, after, nullptr);
        PushHistory(&h, MakeBonePosesStep(bone, frame, {before}, {after}, "pose"));
    }
    ReportHistory(state, h);
    while (UndoHistory(&h, &model, nullptr)) {
    }
}
BENCHMARK(BM_ApplySteps)->Iterations(10000)->Unit(benchmark::kMicrosecond);

// One press of Rotate: bone 0 turned in every frame but frame 0, recorded.
static void BM_RotateSteps(benchmark::State& state) {
    SkelModel& model = LimitModel();
    EditHistory h;
    const float angles[3] = {0, 1, 0};
    for (auto _ : state) {
        std::vector<BonePose> before = CaptureBonePoses(&model, 0, 1, MAX_FRAMES);
        RotateModelFrames(&model, angles);
        PushHistory(&h, MakeBonePosesStep(0, 1, std::move(before),
                                          CaptureBonePoses(&model, 0, 1, MAX_FRAMES), "rotate"));
    }
    ReportHistory(state, h);
}
BENCHMARK(BM_RotateSteps)->Iterations(1000)->Unit(benchmark::kMicrosecond);

// Undo and redo of one Apply step on the full history.
static void BM_UndoRedoApply(benchmark::State& state) {
    SkelModel& model = LimitModel();
    EditHistory h;
    const float turn[3] = {0, 0, 5}, move[3] = {0, 0, 0};
    for (int i = 0; i < 10000; i++) {
        BonePose before = FrameLocalPose(&model, 1, i % 256), after;
        TurnAndMovePose(&before, turn, move, &after);
        SetBonePose(&model, 1, i % 256, after, nullptr);
        PushHistory(&h, MakeBonePosesStep(i % 256, 1, {before}, {after}, "pose"));
    }
    for (auto _ : state) {
        UndoHistory(&h, &model, nullptr);
        RedoHistory(&h, &model, nullptr);
    }
    ReportHistory(state, h);
}
BENCHMARK(BM_UndoRedoApply)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
