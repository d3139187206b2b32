// The tick gate across the clock's wrap, the view's aspect ratio, and the
// camera switch, without a window.
#include <gtest/gtest.h>

#include <cstdint>

#include "app/camera.h"
#include "app/frame.h"
#include "app/menus.h"

namespace {

TEST(TickGate, OpensAfterElevenMilliseconds) {
    EXPECT_FALSE(TickDue(1010, 1000, 5));
    EXPECT_TRUE(TickDue(1011, 1000, 5));
    EXPECT_FALSE(TickDue(1000, 1000, 5));
    EXPECT_TRUE(TickDue(900000, 1000, 5));
    // The first tick runs whatever the clock reads.
    EXPECT_TRUE(TickDue(3, 0, 0));
    EXPECT_TRUE(TickDue(0, 0, 0));
    EXPECT_FALSE(TickDue(3, 0, 1));
}

TEST(TickGate, WorksAcrossTheClockWrap) {
    const uint32_t last = 0xFFFFFFFAu;          // 6 ms before the wrap
    EXPECT_FALSE(TickDue(last + 10u, last, 7)); // 4 after the wrap
    EXPECT_TRUE(TickDue(last + 11u, last, 7));  // 5 after the wrap
    EXPECT_TRUE(TickDue(100u, last, 7));
    // Readings stored as int32 go through the same unsigned difference.
    int32_t lastSigned = INT32_MAX - 3;
    int32_t nowSigned = (int32_t)((uint32_t)lastSigned + 20u); // negative now
    EXPECT_LT(nowSigned, 0);
    EXPECT_TRUE(TickDue((uint32_t)nowSigned, (uint32_t)lastSigned, 7));
    EXPECT_FALSE(TickDue((uint32_t)lastSigned + 2u, (uint32_t)lastSigned, 7));
    // A gap of more than 2^31 ms is still a gap, not a clock running back.
    EXPECT_TRUE(TickDue(0x90000000u, 0u, 7));
    EXPECT_TRUE(TickDue(5u, 0x80000000u, 7));
}

TEST(ViewAspectRatio, HeightZeroCountsAsOne) {
    EXPECT_DOUBLE_EQ(ViewAspect(640, 420), 640.0 / 420.0);
    EXPECT_DOUBLE_EQ(ViewAspect(640, 0), 640.0);
    EXPECT_DOUBLE_EQ(ViewAspect(640, -5), 640.0);
}

TEST(DisplayOptions, FlyModeSwitchConvertsNothing) {
    ResetCamera();
    FlyPos[0] = 9.0f;
    OrbitAngles[1] = 30.0f;
    ToggleFlyMode();
    EXPECT_EQ(FlyMode, 1);
    EXPECT_EQ(FlyPos[0], 9.0f);
    EXPECT_EQ(OrbitAngles[1], 30.0f);
    ToggleFlyMode();
    EXPECT_EQ(FlyMode, 0);
    // Any nonzero value counts as set.
    FlyMode = 7;
    ToggleFlyMode();
    EXPECT_EQ(FlyMode, 0);
}

} // namespace
