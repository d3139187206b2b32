// Key channels and the pose composer: channel activation and stepping, the
// channel list, the model-space poses built from a frame per channel, and the
// viewer's wrappers over them (globals, console list of names, selection).
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "pose/rotation.h"
#include "test_pose_fixture.h"

namespace {

// Frame a root bone shows (its origin x is frame * 10 + index).
int ShownFrame(const BonePose* pose, int32_t bone) {
    return (int)std::lround((pose[bone].origin[0] - bone) / 10);
}
int ShownFrame(const Posed& p, int32_t bone) { return ShownFrame(p.pose.data(), bone); }

using PoseWrappers = CoreGlobalsTest;

} // namespace

TEST(PoseKeys, LoadStartsEveryChannelAtFrame1StepsOneChannelAndRenamesMoveBones) {
    SkelModel model = MakePoseModel({"Lhip", "Lknee", "root"}, {-1, -1, -1}, 4);
    Posed p = LoadPosed(&model);
    EXPECT_EQ(ListOf(p.list), (KeyList{{'L', 1}, {'r', 1}}));
    EXPECT_EQ(p.channels.bonecount, 3);
    EXPECT_TRUE(p.channels.active['L']);
    EXPECT_FALSE(p.channels.active['l']);
    ASSERT_EQ(p.pose.size(), 3u);
    for (int32_t b = 0; b < 3; b++) EXPECT_EQ(ShownFrame(p, b), 1);

    const int want[] = {2, 3, 0, 1};
    for (int step : want) {
        EXPECT_TRUE(Press(&p, 'L'));
        EXPECT_EQ(p.channels.frame['L'], step);
        EXPECT_EQ(ListOf(p.list), (KeyList{{'L', step}, {'r', 1}}));
        EXPECT_EQ(ShownFrame(p, 0), step);
        EXPECT_EQ(ShownFrame(p, 1), step);
        EXPECT_EQ(ShownFrame(p, 2), 1);
    }

    // Inactive and out-of-range keys step nothing.
    for (int key : {(int)'l', (int)'x', (int)'R', 0, 255, -1, 256, 1000})
        EXPECT_FALSE(Press(&p, key)) << key;
    EXPECT_EQ(p.channels.frame['l'], 1);
    EXPECT_EQ(p.channels.frame['L'], 1);

    // A rename moves the bone to another channel; its old one keeps its frame.
    Press(&p, 'r'); // 'r' at 2
    CopyName(model.bones[2].name, "Root");
    ActivateChannels(&model, &p.channels);
    Repose(&p);
    EXPECT_FALSE(p.channels.active['r']);
    EXPECT_EQ(ListOf(p.list), (KeyList{{'L', 1}, {'R', 1}}));
    EXPECT_EQ(ShownFrame(p, 2), 1);
    EXPECT_FALSE(Press(&p, 'r')); // inactive now: no step
    EXPECT_EQ(p.channels.frame['r'], 2);
    CopyName(model.bones[2].name, "rump");
    ActivateChannels(&model, &p.channels);
    Repose(&p);
    EXPECT_EQ(ListOf(p.list), (KeyList{{'L', 1}, {'r', 2}}));
    EXPECT_EQ(ShownFrame(p, 2), 2);
    // A fresh load sets every frame back to 1.
    p = LoadPosed(&model);
    EXPECT_EQ(ListOf(p.list), (KeyList{{'L', 1}, {'r', 1}}));

    // High bytes and empty names form channels too.
    SkelModel high = MakePoseModel({"\xE9paule", "\xE9toile", "", "b"}, {-1, -1, -1, -1}, 3);
    p = LoadPosed(&high);
    EXPECT_EQ(ListOf(p.list), (KeyList{{0, 1}, {'b', 1}, {0xE9, 1}}));
    const std::pair<int, std::vector<int>> presses[] = {{0xE9, {2, 2, 1, 1}}, {0, {2, 2, 2, 1}}};
    for (const auto& [key, shown] : presses) {
        Press(&p, key);
        for (int32_t b = 0; b < 4; b++) EXPECT_EQ(ShownFrame(p, b), shown[b]) << key << " " << b;
    }
}

TEST(PoseKeys, FramesOutsideTheModelShowFrame0AndMissingPosesAreIdentity) {
    // One frame: every channel starts at 1, which does not exist.
    SkelModel one = MakePoseModel({"a", "b"}, {-1, 0}, 1);
    Posed p = LoadPosed(&one);
    EXPECT_EQ(ListOf(p.list), (KeyList{{'a', 1}, {'b', 1}}));
    EXPECT_EQ(p.pose[0].origin[0], 0.0f);
    EXPECT_EQ(p.pose[1].origin[0], 1.0f);
    Press(&p, 'a');
    EXPECT_EQ(p.channels.frame['a'], 0);

    // A listed frame beyond the model (or negative) is also read as frame 0,
    // and so is any frame FrameLocalPoses is asked for that does not exist.
    SkelModel three = MakePoseModel({"a"}, {-1}, 3);
    FrameKeys list;
    list.numkeys = 1;
    list.keys = {'a'};
    BonePose local[1];
    for (int32_t frame : {3, 70000, -1}) {
        list.keyframes = {frame};
        ChannelLocalPoses(&three, &list, local);
        EXPECT_EQ(local[0].origin[0], 0.0f);
        FrameLocalPoses(&three, frame, local);
        EXPECT_EQ(local[0].quat[3], 1.0f);
        EXPECT_EQ(local[0].origin[0], 0.0f);
    }
    list.keyframes = {2};
    ChannelLocalPoses(&three, &list, local);
    EXPECT_EQ(local[0].origin[0], 20.0f);
    FrameLocalPoses(&three, 2, local);
    EXPECT_EQ(local[0].origin[0], 20.0f);

    // No frames: every bone at the identity, and stepping wraps to 0.
    SkelModel empty = MakePoseModel({"a", "b"}, {-1, 0}, 0);
    p = LoadPosed(&empty);
    for (int32_t b = 0; b < 2; b++) {
        EXPECT_EQ(p.pose[b].quat[3], 1.0f);
        EXPECT_EQ(p.pose[b].quat[0], 0.0f);
        EXPECT_EQ(p.pose[b].origin[0], 0.0f);
    }
    Press(&p, 'a');
    EXPECT_EQ(p.channels.frame['a'], 0);

    // A frame that lacks a pose for a bone gives that bone the identity.
    SkelModel shortframe = MakePoseModel({"a", "b"}, {-1, -1}, 2);
    shortframe.frames[1].poses.resize(1);
    p = LoadPosed(&shortframe);
    EXPECT_EQ(p.pose[0].origin[0], 10.0f);
    EXPECT_EQ(p.pose[1].origin[0], 0.0f);
}

TEST(PoseKeys, ChildFollowsAnEarlierParentInItsOwnChannelsFrame) {
    // Root in frame 1 at (10, 0, 0) turned 90 about z; the child's local
    // offset (2, 0, 0) turns to (0, 2, 0).
    SkelModel model = MakePoseModel({"root", "arm"}, {-1, 0}, 3);
    const float h = (float)std::sqrt(0.5);
    model.frames[1].poses[0] = BonePose{{0, 0, h, h}, {10, 0, 0}};
    model.frames[1].poses[1] = BonePose{{0, 0, 0, 1}, {2, 0, 0}};
    model.frames[2].poses[1] = BonePose{{0, 0, 0, 1}, {3, 0, 0}};
    Posed p = LoadPosed(&model);
    EXPECT_NEAR(p.pose[1].origin[0], 10, 1e-5);
    EXPECT_NEAR(p.pose[1].origin[1], 2, 1e-5);
    EXPECT_NEAR(p.pose[1].quat[2], h, 1e-6);

    // Stepping the child's channel moves it along the parent's turned x axis
    // while the parent stays in frame 1.
    Press(&p, 'a');
    EXPECT_NEAR(p.pose[1].origin[0], 10, 1e-5);
    EXPECT_NEAR(p.pose[1].origin[1], 3, 1e-5);

    // Parents that are not earlier bones are posed as roots.
    SkelModel late = MakePoseModel({"a", "b", "c", "d"}, {-1, 2, 2, 99}, 2);
    late.frames[1].poses[0] = BonePose{{0, 0, 1, 0}, {5, 5, 5}};
    p = LoadPosed(&late);
    for (int32_t b = 1; b < 4; b++) {
        EXPECT_EQ(p.pose[b].origin[0], (float)(10 + b)) << "bone " << b;
        EXPECT_EQ(p.pose[b].quat[3], 1.0f);
    }
}

TEST(PoseKeys, ChainPoseEqualsTransformingByEachParentInTurn) {
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
    Posed p = LoadPosed(&model);
    for (int trial = 0; trial < 20; trial++) {
        Vec3 v = {u(rng), u(rng), u(rng)};
        // Local transforms from the deepest bone up to the root.
        Vec3 walked = v;
        for (int i = N - 1; i >= 0; i--) {
            Quat lq = GetPoseQuat(&model.frames[1].poses[i]);
            Vec3 lo = GetPoseOrigin(&model.frames[1].poses[i]), r;
            RotatePoint(&lq, &walked, &r);
            walked = {r.x + lo.x, r.y + lo.y, r.z + lo.z};
        }
        Quat mq = GetPoseQuat(&p.pose[N - 1]);
        Vec3 mo = GetPoseOrigin(&p.pose[N - 1]), direct;
        RotatePoint(&mq, &v, &direct);
        EXPECT_NEAR(direct.x + mo.x, walked.x, 1e-4);
        EXPECT_NEAR(direct.y + mo.y, walked.y, 1e-4);
        EXPECT_NEAR(direct.z + mo.z, walked.z, 1e-4);
    }
}

TEST_F(PoseWrappers, GlobalsConsoleListAndRebuildsFollowTheCore) {
    SkelModel model = MakePoseModel({"Lhip", "Lknee", "root"}, {-1, -1, -1}, 4);
    EXPECT_EQ(Load(&model), "New BONE NAMES list:\nLhip\nLknee\nroot\n");
    EXPECT_EQ(ListOf(DisplayKeys), (KeyList{{'L', 1}, {'r', 1}}));
    EXPECT_EQ(KeyBoneCount, 3);
    ASSERT_NE(CurrentPose, nullptr);
    EXPECT_EQ(CurrentPoseCount, 3);

    AdvanceKey('L');
    EXPECT_EQ(KeyFrame['L'], 2);
    EXPECT_EQ(ListOf(DisplayKeys), (KeyList{{'L', 2}, {'r', 1}}));
    EXPECT_EQ(ShownFrame(CurrentPose, 0), 2);

    BonePose* before = CurrentPose;
    for (int key : {(int)'l', 0, -1, 256}) AdvanceKey(key);
    EXPECT_EQ(CurrentPose, before); // a rebuild always allocates a new array

    AdvanceKey('r'); // 'r' at 2
    CopyName(model.bones[2].name, "Root");
    testing::internal::CaptureStdout();
    ListBoneNames();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "New BONE NAMES list:\nLhip\nLknee\nRoot\n");
    EXPECT_EQ(KeyActive['r'], 0);
    EXPECT_EQ(KeyFrame['r'], 2);
    EXPECT_EQ(ListOf(DisplayKeys), (KeyList{{'L', 2}, {'R', 1}}));

    // A fresh load sets every frame back to 1.
    Load(&model);
    EXPECT_EQ(ListOf(DisplayKeys), (KeyList{{'L', 1}, {'R', 1}}));
    EXPECT_EQ(KeyFrame['r'], 1);
}

TEST_F(PoseWrappers, SelectionStepsWrapAroundBothEnds) {
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

TEST_F(PoseWrappers, PublishedListIsAnIndependentCopy) {
    FrameKeys list;
    list.numkeys = 2;
    list.keys = {'a', 'b'};
    list.keyframes = {3, 4};
    PublishFrameKeys(&list);
    list.keyframes[0] = 9;
    EXPECT_EQ(ListOf(DisplayKeys), (KeyList{{'a', 3}, {'b', 4}}));
    // A count larger than the arrays publishes only what exists.
    list.numkeys = 5;
    PublishFrameKeys(&list);
    EXPECT_EQ(DisplayKeys.numkeys, 2);
    EXPECT_EQ(DisplayKeys.keys.size(), 2u);
}
