// Input routing without a window: the viewport bounds test, held keys and the
// camera steps they make, key releases reaching the channels or the prompt,
// and the mouse drag modes and gains.
#include <gtest/gtest.h>

#include <GL/freeglut.h>

#include <cstring>
#include <string>

#include "app/camera.h"
#include "app/input.h"
#include "app/menus.h"
#include "model/model.h"
#include "overlay/prompt.h"
#include "panels/bone_panel.h"
#include "session/session.h"
#include "tests/unit/test_session_globals.h"
#include "tests/unit/test_skeleton.h"

namespace {

class Input : public ::testing::Test {
  protected:
    SkelModel model;
    CoreGlobals saved;
    void SetUp() override {
        SaveCoreGlobals(&saved);
        // Three bones (channels 'L' and 'r') and four frames with identity poses.
        SetBoneChain(&model, {"root", "Lhip", "Lknee"});
        model.numframes = 4;
        model.frames.assign(4, PoseFrame{});
        for (auto& f : model.frames) f.poses.assign(3, BonePose{{0, 0, 0, 1}, {0, 0, 0}});
        CurrentModel = &model;
        SelectedBone = 1;
        testing::internal::CaptureStdout(); // the bone list
        ResetKeyChannels();
        testing::internal::GetCapturedStdout();
        ClearKeys();
        ResetCamera();
        MouseX = MouseY = 0;
        MouseMode = MOUSE_NONE;
    }
    void TearDown() override {
        while (PromptActive) PromptKey(27);
        RestoreCoreGlobals(saved);
    }
};

TEST(InViewportBounds, StrictOnEveryEdge) {
    // A 640 x 480 window with a 60-pixel strip at the bottom: the free area
    // is (0, 60, 640, 420), pointer rows count from the top.
    const int vx = 0, vy = 60, vw = 640, vh = 420;
    EXPECT_EQ(PointInArea(320, 200, vx, vy, vw, vh), 1);
    EXPECT_EQ(PointInArea(1, 1, vx, vy, vw, vh), 1);
    EXPECT_EQ(PointInArea(639, 419, vx, vy, vw, vh), 1);
    EXPECT_EQ(PointInArea(0, 200, vx, vy, vw, vh), 0);   // leftmost column
    EXPECT_EQ(PointInArea(320, 0, vx, vy, vw, vh), 0);   // top row
    EXPECT_EQ(PointInArea(640, 200, vx, vy, vw, vh), 0); // right edge
    EXPECT_EQ(PointInArea(320, 420, vx, vy, vw, vh), 0); // first strip row
    EXPECT_EQ(PointInArea(320, 470, vx, vy, vw, vh), 0); // over the strip
    EXPECT_EQ(PointInArea(-5, 200, vx, vy, vw, vh), 0);
    // An area shifted right (a strip docked on the left) moves the left bound.
    EXPECT_EQ(PointInArea(100, 200, 100, 0, 540, 480), 0);
    EXPECT_EQ(PointInArea(101, 200, 100, 0, 540, 480), 1);
    EXPECT_EQ(PointInArea(639, 200, 100, 0, 540, 480), 1);
    // A window shrunk below the strip has no free area at all.
    EXPECT_EQ(PointInArea(10, 0, 0, 0, 640, 0), 0);
    EXPECT_EQ(PointInArea(10, 1, 0, 0, 640, 0), 0);
}

// Movement happens in orbit mode too (it shows once fly mode is entered);
// upper case moves like lower case; opposite keys both step and cancel; keys
// without a move do nothing.
TEST_F(Input, HeldKeysStepTheFlyCameraOncePerTick) {
    const struct {
        const char* keys;
        int special, ticks;
        float x, z;
    } cases[] = {
        {"w", 0, 2, 0, 118},  {"Ws", 0, 1, 0, 128},           {"A", 0, 1, -5, 128},
        {"Ad", 0, 1, 0, 128}, {"", GLUT_KEY_DOWN, 1, 0, 133}, {"q", GLUT_KEY_PAGE_UP, 1, 0, 128}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        ClearKeys();
        ResetCamera();
        for (const char* k = c.keys; *k; k++) PressKey(*k, 1);
        if (c.special) PressSpecial(c.special, 1);
        for (int t = 0; t < c.ticks; t++) ApplyMovementKeys();
        EXPECT_NEAR(FlyPos[0], c.x, 1e-5);
        EXPECT_EQ(FlyPos[1], 0.0f);
        EXPECT_FLOAT_EQ(FlyPos[2], c.z);
        EXPECT_EQ(FlyMode, 0);
        EXPECT_FLOAT_EQ(OrbitDistance, 128.0f);
    }
}

TEST_F(Input, EventsOutsideTheViewAreDroppedButReleasesStillLetGo) {
    EXPECT_EQ(PressKey('w', 0), 0);
    EXPECT_EQ(KeyDown['w'], 0);

    // Pressed over the view, released over the strip: no longer held, and
    // the channel does not step.
    PressKey('L', 1);
    EXPECT_EQ(KeyDown['L'], 1);
    EXPECT_EQ(ReleaseKey('L', 0), 0);
    EXPECT_EQ(KeyDown['L'], 0);
    EXPECT_EQ(KeyFrame['L'], 1);

    PressSpecial(GLUT_KEY_UP, 1);
    EXPECT_EQ(ReleaseSpecial(GLUT_KEY_UP, 0), 0);
    EXPECT_EQ(SpecialDown[GLUT_KEY_UP], 0);
    ApplyMovementKeys();
    EXPECT_EQ(FlyPos[2], 128.0f);

    // A special press outside neither selects nor holds.
    EXPECT_EQ(PressSpecial(GLUT_KEY_RIGHT, 0), 0);
    EXPECT_EQ(SelectedBone, 1);
    EXPECT_EQ(SpecialDown[GLUT_KEY_RIGHT], 0);

    // Codes outside the table are ignored rather than written past it.
    EXPECT_EQ(PressSpecial(300, 1), 0);
    EXPECT_EQ(PressSpecial(-1, 1), 0);
    EXPECT_EQ(ReleaseSpecial(300, 1), 0);
}

TEST_F(Input, ReleaseStepsTheKeysChannelAndArrowsTheSelection) {
    EXPECT_EQ(ReleaseKey('L', 1), 1);
    EXPECT_EQ(KeyFrame['L'], 2);
    ASSERT_EQ(DisplayKeys.numkeys, 2);
    EXPECT_EQ(DisplayKeys.keys[0], 'L');
    EXPECT_EQ(DisplayKeys.keyframes[0], 2);
    ReleaseKey('L', 1);
    ReleaseKey('L', 1);
    EXPECT_EQ(KeyFrame['L'], 0); // wraps at four frames
    EXPECT_EQ(KeyFrame['r'], 1);
    // Case matters, and the key's high bits are masked off.
    ReleaseKey('l', 1);
    EXPECT_EQ(KeyFrame['L'], 0);
    ReleaseKey('r' | 0x100, 1);
    EXPECT_EQ(KeyFrame['r'], 2);

    // The arrows step the bone selection, with wrap.
    PressSpecial(GLUT_KEY_RIGHT, 1);
    EXPECT_EQ(SelectedBone, 2);
    ReleaseSpecial(GLUT_KEY_RIGHT, 1);
    PressSpecial(GLUT_KEY_RIGHT, 1);
    EXPECT_EQ(SelectedBone, 0);
    ReleaseSpecial(GLUT_KEY_RIGHT, 1);
    PressSpecial(GLUT_KEY_LEFT, 1);
    EXPECT_EQ(SelectedBone, 2);
    // The held Left arrow also strafes every tick.
    ApplyMovementKeys();
    ApplyMovementKeys();
    EXPECT_NEAR(FlyPos[0], -10.0f, 1e-5);
    EXPECT_EQ(SelectedBone, 2);
    NextBone(42); // a button's control id is ignored
    EXPECT_EQ(SelectedBone, 0);
    PrevBone();
    EXPECT_EQ(SelectedBone, 2);
}

TEST_F(Input, OpenPromptTakesCharactersButNotSpecialKeys) {
    char target[64] = "old";
    StartPrompt("Name:", target, 64, nullptr);
    ASSERT_EQ(PromptActive, 1);

    EXPECT_EQ(ReleaseKey('L', 1), 1);
    EXPECT_STREQ(PromptText, "L");
    EXPECT_EQ(KeyFrame['L'], 1); // the prompt had it, not the channel

    // Arrows neither type (Right is code 102, 'f') nor stay held.
    PressSpecial(GLUT_KEY_RIGHT, 1);
    EXPECT_EQ(SelectedBone, 2); // presses are not the prompt's
    ReleaseSpecial(GLUT_KEY_RIGHT, 1);
    EXPECT_STREQ(PromptText, "L");
    EXPECT_EQ(SpecialDown[GLUT_KEY_RIGHT], 0);

    // A release over the strip does not reach the prompt.
    ReleaseKey('x', 0);
    EXPECT_STREQ(PromptText, "L");

    ReleaseKey(13, 1);
    EXPECT_EQ(PromptActive, 0);
    EXPECT_STREQ(target, "L");
    ReleaseKey('L', 1);
    EXPECT_EQ(KeyFrame['L'], 2);
}

TEST_F(Input, ButtonPressesChooseTheDragModeAndDragsUseTheirGains) {
    PressMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 10, 20, 0);
    EXPECT_EQ(MouseMode, MOUSE_ROTATE);
    EXPECT_EQ(MouseX, 10);
    EXPECT_EQ(MouseY, 20);
    PressMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0, GLUT_ACTIVE_CTRL);
    EXPECT_EQ(MouseMode, MOUSE_PAN);
    PressMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0, GLUT_ACTIVE_CTRL | GLUT_ACTIVE_SHIFT);
    EXPECT_EQ(MouseMode, MOUSE_ROTATE); // only Ctrl alone pans
    PressMouse(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 0, 0, 0);
    EXPECT_EQ(MouseMode, MOUSE_ZOOM);
    PressMouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, 0, 0, 0);
    EXPECT_EQ(MouseMode, MOUSE_MENU);
    PressMouse(3, GLUT_DOWN, 55, 66, 0); // wheel: mode stays, position moves
    EXPECT_EQ(MouseMode, MOUSE_MENU);
    EXPECT_EQ(MouseX, 55);
    PressMouse(GLUT_MIDDLE_BUTTON, GLUT_UP, 70, 80, 0);
    EXPECT_EQ(MouseMode, MOUSE_NONE);
    EXPECT_EQ(MouseX, 55); // a release keeps the position
    EXPECT_EQ(MouseY, 66);

    // Drags turn, zoom and pan with their gains.
    PressMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 100, 0);
    HandleMotion(110, 96);
    EXPECT_FLOAT_EQ(OrbitAngles[1], 10.0f); // 1 degree per pixel
    EXPECT_FLOAT_EQ(OrbitAngles[0], -4.0f);
    EXPECT_EQ(MouseX, 110);
    EXPECT_EQ(MouseY, 96);

    PressMouse(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 0, 0, 0);
    HandleMotion(0, 10); // dragging down zooms out
    EXPECT_FLOAT_EQ(OrbitDistance, 130.0f);

    PressMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0, GLUT_ACTIVE_CTRL);
    HandleMotion(4, -6);
    EXPECT_FLOAT_EQ(OrbitPan[0], -2.0f);
    EXPECT_FLOAT_EQ(OrbitPan[1], -3.0f);

    // Fly mode: turn, pan; zoom does nothing but follow the pointer.
    FlyMode = 1;
    PressMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0, 0);
    HandleMotion(10, 5);
    EXPECT_FLOAT_EQ(FlyYaw, -2.0f);
    EXPECT_FLOAT_EQ(FlyPitch, 1.0f);
    EXPECT_FLOAT_EQ(OrbitAngles[1], 10.0f);

    ResetCamera();
    FlyMode = 1;
    PressMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0, GLUT_ACTIVE_CTRL);
    HandleMotion(2, 4);
    EXPECT_NEAR(FlyPos[0], 5.0f, 1e-5);  // 2.5 units per pixel sideways
    EXPECT_NEAR(FlyPos[1], -0.1f, 1e-6); // 0.025 units per pixel up
    EXPECT_NEAR(FlyPos[2], 128.0f, 1e-4);

    PressMouse(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 0, 0, 0);
    HandleMotion(30, 40);
    EXPECT_NEAR(FlyPos[0], 5.0f, 1e-5);
    EXPECT_FLOAT_EQ(OrbitDistance, 128.0f);
    EXPECT_EQ(MouseX, 30);

    // After a release further motion only follows the pointer.
    PressMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0, 0);
    PressMouse(GLUT_RIGHT_BUTTON, GLUT_UP, 0, 0, 0);
    HandleMotion(50, 50);
    EXPECT_EQ(FlyYaw, 0.0f);
    EXPECT_EQ(MouseX, 50);
    EXPECT_EQ(MouseY, 50);
}

} // namespace
