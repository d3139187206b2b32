// Orbit and fly camera moves and angle checks, without a window.
#include <gtest/gtest.h>

#include "app/camera.h"

namespace {

class Camera : public ::testing::Test {
  protected:
    void SetUp() override { ResetCamera(); }
};

TEST_F(Camera, ForwardAndBackAlongTheHeading) {
    MoveForward(1.0f);
    EXPECT_FLOAT_EQ(FlyPos[2], 123.0f);
    EXPECT_FLOAT_EQ(FlyPos[0], 0.0f);
    EXPECT_FLOAT_EQ(FlyPos[1], 0.0f);
    MoveBackward(2.0f);
    EXPECT_FLOAT_EQ(FlyPos[2], 133.0f);
    // A negative step goes the other way.
    MoveForward(-1.0f);
    EXPECT_FLOAT_EQ(FlyPos[2], 138.0f);

    // Yaw 90 looks along -x.
    ResetCamera();
    TurnYaw(90.0f);
    MoveForward(1.0f);
    EXPECT_NEAR(FlyPos[0], -5.0f, 1e-5);
    EXPECT_NEAR(FlyPos[2], 128.0f, 1e-4);
}

TEST_F(Camera, PitchedStepKeepsTheFullHorizontalPart) {
    TurnPitch(30.0f); // positive looks down
    MoveForward(1.0f);
    EXPECT_NEAR(FlyPos[1], -2.5f, 1e-5);
    EXPECT_NEAR(FlyPos[2], 123.0f, 1e-5); // not shortened by cos(30)
    MoveBackward(1.0f);
    EXPECT_NEAR(FlyPos[1], 0.0f, 1e-5);
    EXPECT_NEAR(FlyPos[2], 128.0f, 1e-5);
}

TEST_F(Camera, StrafeAndRise) {
    StrafeLeft(1.0f);
    EXPECT_NEAR(FlyPos[0], -5.0f, 1e-5);
    EXPECT_EQ(FlyPos[1], 0.0f);
    EXPECT_NEAR(FlyPos[2], 128.0f, 1e-4);
    StrafeRight(2.0f);
    EXPECT_NEAR(FlyPos[0], 5.0f, 1e-5);
    // Strafing ignores the pitch.
    TurnPitch(45.0f);
    StrafeLeft(1.0f);
    EXPECT_EQ(FlyPos[1], 0.0f);
    MoveUp(2.0f);
    EXPECT_FLOAT_EQ(FlyPos[1], 0.1f);
    MoveUp(-1.0f);
    EXPECT_FLOAT_EQ(FlyPos[1], 0.05f);
}

TEST_F(Camera, TurnsWrapOneTurnAtMost) {
    FlyYaw = 350.0f;
    TurnYaw(20.0f);
    EXPECT_FLOAT_EQ(FlyYaw, 10.0f);
    FlyYaw = -350.0f;
    TurnYaw(-20.0f);
    EXPECT_FLOAT_EQ(FlyYaw, -10.0f);
    FlyYaw = 350.0f;
    TurnYaw(10.0f);
    EXPECT_EQ(FlyYaw, 360.0f);
    FlyYaw = 0.0f;
    TurnYaw(800.0f);
    EXPECT_FLOAT_EQ(FlyYaw, 440.0f);
    // The pitch wraps the same way and has no limit at 90.
    TurnPitch(120.0f);
    EXPECT_FLOAT_EQ(FlyPitch, 120.0f);
    TurnPitch(-500.0f);
    EXPECT_FLOAT_EQ(FlyPitch, -20.0f);

    float a = -360.0f;
    WrapAngle(a);
    EXPECT_EQ(a, -360.0f);
}

TEST_F(Camera, OrbitAnglesOutOfRangeAreReset) {
    RotateOrbit(10.0f, -4.0f); // angle Y follows dx, angle X follows dy
    EXPECT_FLOAT_EQ(OrbitAngles[0], -4.0f);
    EXPECT_FLOAT_EQ(OrbitAngles[1], 10.0f);
    EXPECT_FLOAT_EQ(OrbitAngles[2], 0.0f);

    OrbitAngles[1] = 350.0f;
    RotateOrbit(10.5f, 0.0f);
    EXPECT_EQ(OrbitAngles[1], 0.0f); // 360.5: reset, not wrapped
    EXPECT_FLOAT_EQ(OrbitAngles[0], -4.0f);

    OrbitAngles[0] = 350.0f;
    RotateOrbit(0.0f, 10.0f);
    EXPECT_EQ(OrbitAngles[0], 360.0f); // exactly 360 stays

    float angles[3] = {-360.5f, -360.0f, 361.0f};
    CheckOrbitAngles(angles);
    EXPECT_EQ(angles[0], 0.0f);
    EXPECT_EQ(angles[1], -360.0f);
    EXPECT_EQ(angles[2], 0.0f);
}

TEST_F(Camera, ZoomAndPanHaveNoBounds) {
    ZoomOrbit(-100.0f);
    ZoomOrbit(-100.0f);
    EXPECT_FLOAT_EQ(OrbitDistance, -72.0f);
    PanOrbit(3.0f, -2.0f);
    PanOrbit(1.0f, 1.0f);
    EXPECT_FLOAT_EQ(OrbitPan[0], 4.0f);
    EXPECT_FLOAT_EQ(OrbitPan[1], -1.0f);
}

} // namespace
