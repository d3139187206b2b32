// The edit history on the demo model: a mixed run of edits undone and redone
// gives back every earlier model byte for byte (through the exporters), the
// saved state is found again by undo and redo, the memory bound drops the
// oldest steps, and a step that no longer fits the model is refused.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "edit/edit.h"
#include "history/history.h"
#include "demo/sample.h"
#include "pose/rotate_model.h"
#include "tests/unit/test_model_helpers.h"

namespace {

using State = std::pair<Image, Image>; // SKM, SKP exports

State Exports(const SkelModel& m) { return {ExportImage(m, true), ExportImage(m, false)}; }

// Each edit as the viewer makes it: the change through the editing core,
// then the step with what it changed.
void RenameBoneStep(SkelModel* m, EditHistory* h, int32_t bone, const char* name) {
    char before[NAME_LEN];
    memcpy(before, m->bones[bone].name, NAME_LEN);
    ASSERT_TRUE(RenameBone(m, bone, name, nullptr));
    PushHistory(h, MakeNameStep(CHANGE_BONE_NAME, bone, before, m->bones[bone].name));
}

void TurnBoneStep(SkelModel* m, EditHistory* h, int32_t frame, int32_t bone) {
    const float turn[3] = {10, -20, 30}, move[3] = {0.5f, 0, -1};
    BonePose before = m->frames[frame].poses[bone], after;
    TurnAndMovePose(&before, turn, move, &after);
    ASSERT_TRUE(SetBonePose(m, frame, bone, after, nullptr));
    PushHistory(h, MakeBonePosesStep(bone, frame, {before}, {after}, "pose"));
}

TEST(History, MixedEditsUndoAndRedoToEveryEarlierModelByteForByte) {
    SkelModel m;
    BuildSampleModel(&m);
    ASSERT_GE(m.numframes, 4);
    ASSERT_GE(m.nummeshes, 2);
    EditHistory h;
    ClearHistory(&h);
    std::vector<State> states = {Exports(m)};
    std::vector<std::string> labels;
    const std::vector<std::function<void()>> edits = {
        [&] { RenameBoneStep(&m, &h, 2, "Xbone"); },
        [&] { TurnBoneStep(&m, &h, 1, 3); },
        [&] {
            ASSERT_TRUE(DuplicateFrame(&m, 2, nullptr));
            PushHistory(&h, MakeFrameStep(CHANGE_FRAME_ADDED, 3, m.frames[3]));
        },
        [&] {
            char before[NAME_LEN];
            memcpy(before, m.meshes[1].skinname, NAME_LEN);
            CopyName(m.meshes[1].skinname, "other.tga");
            PushHistory(&h, MakeNameStep(CHANGE_SKIN_NAME, 1, before, m.meshes[1].skinname));
        },
        [&] {
            PoseFrame gone = m.frames[0];
            ASSERT_TRUE(DeleteFrame(&m, 0, nullptr));
            PushHistory(&h, MakeFrameStep(CHANGE_FRAME_GONE, 0, gone));
        },
        [&] {
            const float angles[3] = {15, 90, -5};
            auto before = CaptureBonePoses(&m, 0, 1, MAX_FRAMES);
            RotateModelFrames(&m, angles);
            PushHistory(&h, MakeBonePosesStep(0, 1, std::move(before),
                                              CaptureBonePoses(&m, 0, 1, MAX_FRAMES), "rotate"));
        },
        [&] {
            char before[NAME_LEN];
            memcpy(before, m.frames[1].name, NAME_LEN);
            ASSERT_TRUE(RenameFrame(&m, 1, "second", nullptr));
            PushHistory(&h, MakeNameStep(CHANGE_FRAME_NAME, 1, before, m.frames[1].name));
        },
    };
    for (const auto& e : edits) {
        e();
        states.push_back(Exports(m));
        ASSERT_NE(states.back(), states[states.size() - 2]) << "an edit that changed nothing";
        labels.push_back(h.steps.back().label);
    }
    EXPECT_EQ(labels[0], "rename bone 2");
    EXPECT_EQ(labels[4], "delete frame 0");
    EXPECT_TRUE(HistoryUnsaved(&h));

    const HistoryStep* step = nullptr;
    for (size_t k = edits.size(); k > 0; k--) {
        ASSERT_TRUE(UndoHistory(&h, &m, &step));
        EXPECT_EQ(step->label, labels[k - 1]);
        ASSERT_EQ(Exports(m), states[k - 1]) << "after undoing edit " << k;
    }
    EXPECT_FALSE(UndoHistory(&h, &m, nullptr));
    EXPECT_FALSE(HistoryUnsaved(&h)); // back where it was loaded
    for (size_t k = 1; k <= edits.size(); k++) {
        ASSERT_TRUE(RedoHistory(&h, &m, nullptr));
        ASSERT_EQ(Exports(m), states[k]) << "after redoing edit " << k;
    }
    EXPECT_FALSE(RedoHistory(&h, &m, nullptr));

    // Saved at edit 5; an undo leaves it, a redo finds it again.
    for (int i = 0; i < 2; i++) UndoHistory(&h, &m, nullptr);
    MarkHistorySaved(&h);
    EXPECT_FALSE(HistoryUnsaved(&h));
    UndoHistory(&h, &m, nullptr);
    EXPECT_TRUE(HistoryUnsaved(&h));
    RedoHistory(&h, &m, nullptr);
    EXPECT_FALSE(HistoryUnsaved(&h));

    // A new edit after undoing drops the steps undone: the saved state with them.
    UndoHistory(&h, &m, nullptr);
    RenameBoneStep(&m, &h, 0, "Yroot");
    EXPECT_FALSE(CanRedo(&h));
    EXPECT_TRUE(HistoryUnsaved(&h));
    ASSERT_TRUE(UndoHistory(&h, &m, nullptr));
    EXPECT_EQ(Exports(m), states[4]);
    EXPECT_TRUE(HistoryUnsaved(&h));
}

TEST(History, MemoryBoundDropsTheOldestStepsOnly) {
    SkelModel m;
    BuildSampleModel(&m);
    EditHistory h;
    ClearHistory(&h);
    // Two hundred Apply steps fit the real bound many times over.
    for (int i = 0; i < 250; i++) TurnBoneStep(&m, &h, 1 + i % (m.numframes - 1), i % m.numbones);
    EXPECT_EQ(h.steps.size(), 250u);
    EXPECT_LE(h.bytes, HISTORY_MAX_BYTES);

    // A bound of ten steps: after 25 edits only the last ten can be undone,
    // and undoing them all gives the model as it was after edit 15.
    ClearHistory(&h);
    h.limit = 10 * HistoryStepBytes(MakeBonePosesStep(0, 0, {BonePose{}}, {BonePose{}}, "pose"));
    std::vector<State> states = {Exports(m)};
    for (int i = 0; i < 25; i++) {
        TurnBoneStep(&m, &h, 1, i % m.numbones);
        states.push_back(Exports(m));
    }
    EXPECT_EQ(h.steps.size(), 10u);
    size_t sum = 0;
    for (const auto& s : h.steps) sum += HistoryStepBytes(s);
    EXPECT_EQ(h.bytes, sum);
    EXPECT_LE(h.bytes, h.limit);
    while (UndoHistory(&h, &m, nullptr)) {
    }
    EXPECT_EQ(Exports(m), states[15]);
    EXPECT_TRUE(HistoryUnsaved(&h)); // the loaded state is out of reach

    // A step larger than the whole bound: the edit stands, nothing to undo.
    PoseFrame big = m.frames[0];
    big.poses.resize(h.limit / sizeof(BonePose) + 1);
    PushHistory(&h, MakeFrameStep(CHANGE_FRAME_GONE, 0, big));
    EXPECT_TRUE(h.steps.empty());
    EXPECT_EQ(h.bytes, 0u);
    EXPECT_FALSE(CanUndo(&h));
}

TEST(History, StepThatNoLongerFitsTheModelIsRefusedAndClearsTheHistory) {
    SkelModel m;
    BuildSampleModel(&m);
    EditHistory h;
    ClearHistory(&h);
    TurnBoneStep(&m, &h, m.numframes - 1, 1);
    RenameBoneStep(&m, &h, 1, "Zed");
    const State now = Exports(m);

    SkelModel other;
    BuildSampleModel(&other);
    other.numframes = 1;
    other.frames.resize(1);
    other.bones.resize(1);
    other.numbones = 1;
    for (auto& f : other.frames) f.poses.resize(1);
    EXPECT_FALSE(UndoHistory(&h, &other, nullptr)); // no bone 1 there
    EXPECT_EQ(other.bones[0].name, std::string(m.bones[0].name));
    EXPECT_FALSE(CanUndo(&h));
    EXPECT_TRUE(HistoryUnsaved(&h));
    EXPECT_EQ(Exports(m), now);
    EXPECT_FALSE(UndoHistory(&h, nullptr, nullptr));
}

} // namespace
