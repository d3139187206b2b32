// Key channels and the pose builder: channel activation and stepping, the
// published key list, the console list of names, selection stepping, and the
// model-space poses built from a frame per channel.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "pose/keys.h"
#include "pose/rotation.h"
#include "test_pose_fixture.h"

namespace {

using PoseKeys = PoseStateTest;

// Frame a root bone shows (its origin x is frame * 10 + index).
int ShownFrame(int32_t bone) { return (int)std::lround((CurrentPose[bone].origin[0] - bone) / 10); }

std::vector<std::pair<int32_t, int32_t>> Listed() {
    std::vector<std::pair<int32_t, int32_t>> out;
    for (int32_t i = 0; i < DisplayKeys.numkeys; i++)
        out.push_back({DisplayKeys.keys[i], DisplayKeys.keyframes[i]});
    return out;
}

using KeyList = std::vector<std::pair<int32_t, int32_t>>;

} // namespace

TEST_F(PoseKeys, LoadListsNamesAndStartsEveryChannelAtFrame1) {
    SkelModel model = MakePoseModel({"Lhip", "Lknee", "root"}, {-1, -1, -1}, 4);
    std::string printed = Load(&model);
    EXPECT_EQ(printed, "New BONE NAMES list:\nLhip\nLknee\nroot\n");
    EXPECT_EQ(Listed(), (KeyList{{'L', 1}, {'r', 1}}));
    EXPECT_EQ(KeyBoneCount, 3);
    EXPECT_EQ(KeyActive['L'], 1);
    EXPECT_EQ(KeyActive['l'], 0);
    ASSERT_NE(CurrentPose, nullptr);
    EXPECT_EQ(CurrentPoseCount, 3);
    for (int32_t b = 0; b < 3; b++) EXPECT_EQ(ShownFrame(b), 1);
}

TEST_F(PoseKeys, AdvanceKeyWalksOneChannelAndWraps) {
    SkelModel model = MakePoseModel({"Lhip", "Lknee", "root"}, {-1, -1, -1}, 4);
    Load(&model);
    const int want[] = {2, 3, 0, 1};
    for (int step : want) {
        AdvanceKey('L');
        EXPECT_EQ(KeyFrame['L'], step);
        EXPECT_EQ(Listed(), (KeyList{{'L', step}, {'r', 1}}));
        EXPECT_EQ(ShownFrame(0), step);
        EXPECT_EQ(ShownFrame(1), step);
        EXPECT_EQ(ShownFrame(2), 1);
    }
}

TEST_F(PoseKeys, InactiveKeysChangeNothingAndDoNotRebuild) {
    SkelModel model = MakePoseModel({"Lhip", "Lknee", "root"}, {-1, -1, -1}, 4);
    Load(&model);
    BonePose* before = CurrentPose;
    for (int key : {(int)'l', (int)'x', (int)'R', 0, 255, -1, 256, 1000}) AdvanceKey(key);
    EXPECT_EQ(CurrentPose, before); // a rebuild always allocates a new array
    EXPECT_EQ(KeyFrame['l'], 1);
    EXPECT_EQ(KeyFrame['L'], 1);
    EXPECT_EQ(Listed(), (KeyList{{'L', 1}, {'r', 1}}));
}

TEST_F(PoseKeys, HighBytesAndEmptyNamesFormChannels) {
    SkelModel model = MakePoseModel({"\xE9paule", "\xE9toile", "", "b"}, {-1, -1, -1, -1}, 3);
    std::string printed = Load(&model);
    EXPECT_EQ(printed, "New BONE NAMES list:\n\xE9paule\n\xE9toile\n\nb\n");
    EXPECT_EQ(Listed(), (KeyList{{0, 1}, {'b', 1}, {0xE9, 1}}));
    AdvanceKey(0xE9);
    EXPECT_EQ(ShownFrame(0), 2);
    EXPECT_EQ(ShownFrame(1), 2);
    EXPECT_EQ(ShownFrame(2), 1);
    AdvanceKey(0);
    EXPECT_EQ(ShownFrame(2), 2);
    EXPECT_EQ(ShownFrame(3), 1);
}

TEST_F(PoseKeys, RenamesMoveBonesBetweenChannelsAndKeepFrames) {
    SkelModel model = MakePoseModel({"Lhip", "Lknee", "root"}, {-1, -1, -1}, 4);
    Load(&model);
    AdvanceKey('r'); // 'r' at 2
    CopyName(model.bones[2].name, "Root");
    testing::internal::CaptureStdout();
    ListBoneNames();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "New BONE NAMES list:\nLhip\nLknee\nRoot\n");
    EXPECT_EQ(KeyActive['r'], 0);
    EXPECT_EQ(KeyFrame['r'], 2);
    EXPECT_EQ(Listed(), (KeyList{{'L', 1}, {'R', 1}}));
    EXPECT_EQ(ShownFrame(2), 1);

    AdvanceKey('r'); // inactive now: no step
    EXPECT_EQ(KeyFrame['r'], 2);

    CopyName(model.bones[2].name, "rump");
    testing::internal::CaptureStdout();
    ListBoneNames();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(Listed(), (KeyList{{'L', 1}, {'r', 2}}));
    EXPECT_EQ(ShownFrame(2), 2);

    // A fresh load sets every frame back to 1.
    Load(&model);
    EXPECT_EQ(Listed(), (KeyList{{'L', 1}, {'r', 1}}));
}

TEST_F(PoseKeys, FramesOutsideTheModelShowFrame0) {
    // One frame: every channel starts at 1, which does not exist.
    SkelModel one = MakePoseModel({"a", "b"}, {-1, 0}, 1);
    Load(&one);
    EXPECT_EQ(Listed(), (KeyList{{'a', 1}, {'b', 1}}));
    EXPECT_EQ(CurrentPose[0].origin[0], 0.0f);
    EXPECT_EQ(CurrentPose[1].origin[0], 1.0f);
    AdvanceKey('a');
    EXPECT_EQ(KeyFrame['a'], 0);

    // A stored frame beyond the model (or negative) is also read as frame 0.
    SkelModel three = MakePoseModel({"a"}, {-1}, 3);
    CurrentModel = &three;
    FrameKeys list;
    list.numkeys = 1;
    list.keys = {'a'};
    for (int32_t frame : {3, 70000, -1}) {
        list.keyframes = {frame};
        ComputePose(&three, &list);
        EXPECT_EQ(CurrentPose[0].origin[0], 0.0f);
    }
    list.keyframes = {2};
    ComputePose(&three, &list);
    EXPECT_EQ(CurrentPose[0].origin[0], 20.0f);
}

TEST_F(PoseKeys, ModelsWithoutFramesOrPosesPoseAtIdentity) {
    SkelModel empty = MakePoseModel({"a", "b"}, {-1, 0}, 0);
    Load(&empty);
    for (int32_t b = 0; b < 2; b++) {
        EXPECT_EQ(CurrentPose[b].quat[3], 1.0f);
        EXPECT_EQ(CurrentPose[b].quat[0], 0.0f);
        EXPECT_EQ(CurrentPose[b].origin[0], 0.0f);
    }
    AdvanceKey('a');
    EXPECT_EQ(KeyFrame['a'], 0);

    // A frame that lacks a pose for a bone gives that bone the identity.
    SkelModel shortframe = MakePoseModel({"a", "b"}, {-1, -1}, 2);
    shortframe.frames[1].poses.resize(1);
    Load(&shortframe);
    EXPECT_EQ(CurrentPose[0].origin[0], 10.0f);
    EXPECT_EQ(CurrentPose[1].origin[0], 0.0f);
}

TEST_F(PoseKeys, ChildFollowsParentInItsOwnChannelsFrame) {
    // Root in frame 1 at (10, 0, 0) turned 90 about z; the child's local
    // offset (2, 0, 0) turns to (0, 2, 0).
    SkelModel model = MakePoseModel({"root", "arm"}, {-1, 0}, 3);
    const float h = (float)std::sqrt(0.5);
    model.frames[1].poses[0] = BonePose{{0, 0, h, h}, {10, 0, 0}};
    model.frames[1].poses[1] = BonePose{{0, 0, 0, 1}, {2, 0, 0}};
    model.frames[2].poses[1] = BonePose{{0, 0, 0, 1}, {3, 0, 0}};
    Load(&model);
    EXPECT_NEAR(CurrentPose[1].origin[0], 10, 1e-5);
    EXPECT_NEAR(CurrentPose[1].origin[1], 2, 1e-5);
    EXPECT_NEAR(CurrentPose[1].quat[2], h, 1e-6);

    // Stepping the child's channel moves it along the parent's turned x axis
    // while the parent stays in frame 1.
    AdvanceKey('a');
    EXPECT_NEAR(CurrentPose[1].origin[0], 10, 1e-5);
    EXPECT_NEAR(CurrentPose[1].origin[1], 3, 1e-5);
}

TEST_F(PoseKeys, ChainPoseEqualsTransformingByEachParentInTurn) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> u(-1, 1);
    const int N = 6;
    SkelModel model = MakePoseModel({"a", "b", "c", "d", "e", "f"}, {-1, 0, 1, 2, 3, 4}, 2);
    for (int i = 0; i < N; i++) {
        Quat q = {u(rng), u(rng), u(rng), u(rng) + 1.5f};
        NormalizeQuat(&q);
        model.frames[1].poses[i] =
            BonePose{{q.x, q.y, q.z, q.w}, {u(rng) * 5, u(rng) * 5, u(rng) * 5}};
    }
    Load(&model);
    for (int trial = 0; trial < 20; trial++) {
        Vec3 p = {u(rng), u(rng), u(rng)};
        // Local transforms from the deepest bone up to the root.
        Vec3 walked = p;
        for (int i = N - 1; i >= 0; i--) {
            Quat lq = GetPoseQuat(&model.frames[1].poses[i]);
            Vec3 lo = GetPoseOrigin(&model.frames[1].poses[i]), r;
            RotatePoint(&lq, &walked, &r);
            walked = {r.x + lo.x, r.y + lo.y, r.z + lo.z};
        }
        Quat mq = GetPoseQuat(&CurrentPose[N - 1]);
        Vec3 mo = GetPoseOrigin(&CurrentPose[N - 1]), direct;
        RotatePoint(&mq, &p, &direct);
        EXPECT_NEAR(direct.x + mo.x, walked.x, 1e-4);
        EXPECT_NEAR(direct.y + mo.y, walked.y, 1e-4);
        EXPECT_NEAR(direct.z + mo.z, walked.z, 1e-4);
    }
}

TEST_F(PoseKeys, ParentsThatAreNotEarlierBonesArePosedAsRoots) {
    SkelModel model = MakePoseModel({"a", "b", "c", "d"}, {-1, 2, 2, 99}, 2);
    model.frames[1].poses[0] = BonePose{{0, 0, 1, 0}, {5, 5, 5}};
    Load(&model);
    for (int32_t b = 1; b < 4; b++) {
        EXPECT_EQ(CurrentPose[b].origin[0], (float)(10 + b)) << "bone " << b;
        EXPECT_EQ(CurrentPose[b].quat[3], 1.0f);
    }
}

TEST_F(PoseKeys, SelectionStepsWrapAroundBothEnds) {
    SkelModel model = MakePoseModel({"a", "b", "c"}, {-1, 0, 1}, 1);
    model.nummeshes = 2;
    model.meshes.resize(2);
    Load(&model);
    SelectedBone = 2;
    StepSelectedBone(+1);
    EXPECT_EQ(SelectedBone, 0);
    StepSelectedBone(-1);
    EXPECT_EQ(SelectedBone, 2);
    StepSelectedBone(-1);
    EXPECT_EQ(SelectedBone, 1);
    SelectedMesh = 1;
    StepSelectedMesh(+1);
    EXPECT_EQ(SelectedMesh, 0);
    StepSelectedMesh(-1);
    EXPECT_EQ(SelectedMesh, 1);

    // Out-of-range starting values land inside, never overflow.
    SelectedBone = INT32_MAX;
    StepSelectedBone(+1);
    EXPECT_EQ(SelectedBone, 0);
    SelectedBone = INT32_MIN;
    StepSelectedBone(-1);
    EXPECT_EQ(SelectedBone, 2);

    // No meshes (or no model): stepping leaves the index alone.
    model.nummeshes = 0;
    model.meshes.clear();
    SelectedMesh = 0;
    StepSelectedMesh(+1);
    EXPECT_EQ(SelectedMesh, 0);
    CurrentModel = nullptr;
    SelectedBone = 1;
    StepSelectedBone(+1);
    EXPECT_EQ(SelectedBone, 1);
}

TEST_F(PoseKeys, PublishedListIsAnIndependentCopy) {
    FrameKeys list;
    list.numkeys = 2;
    list.keys = {'a', 'b'};
    list.keyframes = {3, 4};
    PublishFrameKeys(&list);
    list.keyframes[0] = 9;
    EXPECT_EQ(Listed(), (KeyList{{'a', 3}, {'b', 4}}));
    // A count larger than the arrays publishes only what exists.
    list.numkeys = 5;
    PublishFrameKeys(&list);
    EXPECT_EQ(DisplayKeys.numkeys, 2);
    EXPECT_EQ(DisplayKeys.keys.size(), 2u);
}
