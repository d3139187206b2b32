// Whole-model rotation: the angle order and directions, bit-exact identity,
// accumulation, and which frames and bones it touches.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "pose/rotate_model.h"
#include "test_pose_fixture.h"
#include "session/session.h"

namespace {

class PoseRotateModel : public CoreGlobalsTest {
  protected:
    // A two-bone model with 3 frames; bone 0 in frame 1 at the given origin.
    void SetUpModel(float x, float y, float z) {
        model = MakePoseModel({"root", "arm"}, {-1, 0}, 3);
        model.frames[1].poses[0] = BonePose{{0, 0, 0, 1}, {x, y, z}};
    }
    void ExpectOrigin(int frame, float x, float y, float z) {
        const float* origin = model.frames[frame].poses[0].origin;
        EXPECT_NEAR(origin[0], x, 1e-5);
        EXPECT_NEAR(origin[1], y, 1e-5);
        EXPECT_NEAR(origin[2], z, 1e-5);
    }
    SkelModel model;
};

const float H = 0.70710678f; // cos and sin of 45 degrees

} // namespace

TEST_F(PoseRotateModel, ZeroAnglesLeaveEveryPoseBitForBit) {
    SkelModel odd = MakePoseModel({"root", "arm"}, {-1, 0}, 4);
    for (int f = 0; f < 4; f++)
        odd.frames[f].poses[0] =
            BonePose{{0.1f * f, -0.3f, 0.7f, 0.123456f}, {1e-20f, -3.75f, 12345.678f}};
    SkelModel before = odd;
    float angles[3] = {0, 0, 0};
    RotateModelFrames(&odd, angles);
    for (int f = 0; f < 4; f++)
        for (int b = 0; b < 2; b++)
            EXPECT_EQ(memcmp(&odd.frames[f].poses[b], &before.frames[f].poses[b], sizeof(BonePose)),
                      0)
                << "frame " << f << " bone " << b;
}

TEST_F(PoseRotateModel, EachAngleTurnsAboutItsAxisTheNegativeWayAndPressesAccumulate) {
    const struct {
        float angles[3];
        int presses;
        float from[3], to[3], quat[4]; // quat up to its sign
    } cases[] = {
        {{0, 90, 0}, 1, {1, 0, 0}, {0, -1, 0}, {0, 0, -H, H}},               // yaw about z
        {{90, 0, 0}, 1, {1, 0, 0}, {0, 0, 1}, {0, -H, 0, H}},                // pitch about y
        {{0, 0, 90}, 1, {0, 1, 0}, {0, 0, -1}, {-H, 0, 0, H}},               // roll about x
        {{90, 90, 0}, 1, {1, 0, 0}, {0, 0, 1}, {-0.5f, -0.5f, -0.5f, 0.5f}}, // pitch acts first
        {{0, 90, 0}, 2, {1, 0, 0}, {-1, 0, 0}, {0, 0, 1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.angles[0] << " " << c.angles[1] << " " << c.angles[2]
                                        << " x" << c.presses);
        SetUpModel(c.from[0], c.from[1], c.from[2]);
        for (int n = 0; n < c.presses; n++) RotateModelFrames(&model, c.angles);
        ExpectOrigin(1, c.to[0], c.to[1], c.to[2]);
        const float* q = model.frames[1].poses[0].quat;
        float sign = q[0] * c.quat[0] + q[1] * c.quat[1] + q[2] * c.quat[2] + q[3] * c.quat[3] < 0
                         ? -1.0f
                         : 1.0f;
        for (int k = 0; k < 4; k++) EXPECT_NEAR(sign * q[k], c.quat[k], 1e-6) << k;
    }
}

TEST_F(PoseRotateModel, TouchesOnlyBone0OutsideFrame0AndRebuilds) {
    SetUpModel(1, 0, 0);
    Load(&model);
    SkelModel before = model;
    BonePose* oldPose = CurrentPose;
    float yaw[3] = {0, 90, 0};
    RotateModel(yaw);
    EXPECT_NE(CurrentPose, oldPose);
    // Every channel shows frame 1: the displayed root moved with it.
    EXPECT_NEAR(CurrentPose[0].origin[1], -1, 1e-5);
    EXPECT_EQ(memcmp(&model.frames[0].poses[0], &before.frames[0].poses[0], sizeof(BonePose)), 0);
    for (int f = 0; f < 3; f++)
        EXPECT_EQ(memcmp(&model.frames[f].poses[1], &before.frames[f].poses[1], sizeof(BonePose)),
                  0);
    ExpectOrigin(2, 0, -20, 0);

    // Frame 0 still shows the model unrotated.
    AdvanceKey('r');
    AdvanceKey('r');
    EXPECT_EQ(KeyFrame['r'], 0);
    EXPECT_EQ(CurrentPose[0].origin[0], 0.0f);
}

TEST_F(PoseRotateModel, OneFrameOrEmptyModelsOnlyRebuild) {
    SkelModel one = MakePoseModel({"root", "arm"}, {-1, 0}, 1);
    SkelModel before = one;
    Load(&one);
    BonePose* oldPose = CurrentPose;
    float yaw[3] = {10, 20, 30};
    RotateModel(yaw);
    EXPECT_NE(CurrentPose, oldPose);
    EXPECT_EQ(memcmp(&one.frames[0].poses[0], &before.frames[0].poses[0], sizeof(BonePose)), 0);

    // Frames without poses are skipped rather than read.
    SkelModel bare = MakePoseModel({}, {}, 3);
    RotateModelFrames(&bare, yaw);
    EXPECT_TRUE(bare.frames[1].poses.empty());

    // Without a model the button does nothing, not even a rebuild.
    CurrentModel = nullptr;
    oldPose = CurrentPose;
    RotateModel(yaw);
    EXPECT_EQ(CurrentPose, oldPose);
}
