// The frame's view set-up in a real OpenGL context: camera transforms, the
// reshape, the tick across the clock's wrap, the Display menu's GL state and
// the key handlers' viewport test.
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "tests/gl/gl_window.h"
#include "app/camera.h"
#include "app/frame.h"
#include "app/input.h"
#include "app/menus.h"
#include "glui/glui.h"
#include "panels/panels.h"
#include "platform/clock.h"

namespace {

int OpenViewWindow() {
    static int window = 0;
    MainWindow = OpenGLTestWindow(&window, "view test", 640, 480);
    return window;
}

// Eye coordinates of a world point under the current modelview matrix.
void ToEye(const float* p, float* eye) {
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int r = 0; r < 3; r++)
        eye[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
}

void ExpectEye(const float* world, float ex, float ey, float ez) {
    float eye[3];
    ToEye(world, eye);
    EXPECT_NEAR(eye[0], ex, 1e-3);
    EXPECT_NEAR(eye[1], ey, 1e-3);
    EXPECT_NEAR(eye[2], ez, 1e-3);
}

class View : public ::testing::Test {
  protected:
    void SetUp() override {
        OpenViewWindow();
        ResetCamera();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    void TearDown() override {
        ResetCamera();
        ClearKeys();
        ClockSetOffset(0);
    }
};

// Both cameras start with the same view; the fly camera then looks where its
// heading points.
TEST_F(View, CamerasStartAlikeAndTheFlyViewLooksWhereTheHeadingPoints) {
    const float origin[3] = {0, 0, 0};
    const float side[3] = {3, -2, 7};
    ApplyCameraTransform();
    ExpectEye(origin, 0, 0, -128); // straight ahead at 128
    float orbitSide[3];
    ToEye(side, orbitSide);
    auto fly = [](void (*move)(float), float amount) {
        ResetCamera();
        FlyMode = 1;
        move(amount);
        glLoadIdentity();
        ApplyCameraTransform();
    };
    fly(MoveForward, 0.0f);
    ExpectEye(origin, 0, 0, -128);
    ExpectEye(side, orbitSide[0], orbitSide[1], orbitSide[2]);

    // Positive yaw turns the view to the left: yaw 90 looks along -x.
    fly(TurnYaw, 90.0f);
    const float ahead[3] = {FlyPos[0] - 10, FlyPos[1], FlyPos[2]};
    ExpectEye(ahead, 0, 0, -10);

    // Positive pitch looks down.
    fly(TurnPitch, 30.0f);
    const float s = std::sin(30.0f * DEG2RAD), c = std::cos(30.0f * DEG2RAD);
    const float below[3] = {0, -10 * s, 128 - 10 * c};
    ExpectEye(below, 0, 0, -10);

    // Moving forward brings what lies ahead closer.
    fly(MoveForward, 2.0f);
    ExpectEye(origin, 0, 0, -118);
}

TEST_F(View, ReshapeSetsViewportAndPerspectiveAndRunsThePanelHook) {
    static int hookCalls = 0;
    hookCalls = 0;
    GLUI* savedPanel = CurrentPanel;
    int savedShown = CurrentPanelShown;
    void (*savedResize)() = CurrentPanelResize;
    CurrentPanel = nullptr;
    CurrentPanelShown = 1;
    CurrentPanelResize = [] { hookCalls++; };

    int vx, vy, vw, vh;
    GLUI_Master.get_viewport_area(&vx, &vy, &vw, &vh);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);
    HandleReshape(640, 480);
    EXPECT_EQ(hookCalls, 1);
    CurrentPanelShown = 0;
    HandleReshape(640, 480);
    EXPECT_EQ(hookCalls, 1); // a hidden panel is left alone

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<int>(viewport, viewport + 4), std::vector<int>({vx, vy, vw, vh}));
    GLfloat p[16], m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const double f = 1.0 / std::tan(22.5 * M_PI / 180.0); // 45-degree field of view
    EXPECT_NEAR(p[5], f, 1e-4);
    ASSERT_GT(vh, 0);
    EXPECT_NEAR(p[0], f / ((double)vw / vh), 1e-4);
    EXPECT_EQ(m[12], 0.0f); // modelview back to the identity
    EXPECT_EQ(m[13], 0.0f);
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    CurrentPanel = savedPanel;
    CurrentPanelShown = savedShown;
    CurrentPanelResize = savedResize;
}

TEST_F(View, TicksKeepRunningAcrossTheClockWrap) {
    // Put the clock 4 ms before the 2^32 wrap.
    ClockSetOffset(0);
    ClockSetOffset(0xFFFFFFFCu - ClockMillis());
    LastTickTime = (int32_t)(ClockMillis() - 100u);
    FrameCount = 5;
    RunTick();
    EXPECT_EQ(FrameCount, 6);
    EXPECT_EQ(LastTickTime, TickTime);
    const uint32_t before = (uint32_t)TickTime;
    EXPECT_GT(before, 0xFFFFFF00u);

    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    RunTick();
    EXPECT_EQ(FrameCount, 7);
    EXPECT_LT((uint32_t)TickTime, 1000u); // wrapped past zero
    EXPECT_EQ(LastTickTime, TickTime);
}

TEST_F(View, FrameLeavesMatricesBalancedAndPolygonModeByTheOption) {
    HandleReshape(640, 480);
    Wireframe = 1;
    glEnable(GL_TEXTURE_2D);
    DrawFrame();
    GLint modes[2];
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_LINE);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)); // the logo never tints the scene
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[14], 0.0f); // the camera's push was popped
    GLint depth;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    Wireframe = 0;
    DrawFrame();
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_FILL);
}

TEST_F(View, DisplayMenuFlipsOptionsAndCulling) {
    glDisable(GL_CULL_FACE);
    HandleDisplayMenu(MENU_BACKFACE);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    HandleDisplayMenu(MENU_BACKFACE);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));

    ShowFPS = 1;
    Wireframe = 0;
    ShowQuats = 0;
    for (int entry : {MENU_SHOW_FPS, MENU_WIREFRAME, MENU_FLY_MODE, MENU_SHOW_QUATS})
        HandleDisplayMenu(entry);
    const std::vector<int> flipped = {0, 1, 1, 1};
    EXPECT_EQ(std::vector<int>({ShowFPS, Wireframe, FlyMode, ShowQuats}), flipped);
    // Values of no entry change nothing; main-menu values are not the submenu's.
    HandleDisplayMenu(0);
    HandleDisplayMenu(99);
    HandleMainMenu(1);
    HandleMainMenu(2);
    EXPECT_EQ(std::vector<int>({ShowFPS, Wireframe, FlyMode, ShowQuats}), flipped);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    ShowFPS = 1;
    Wireframe = 0;
    ShowQuats = 0;
}

TEST_F(View, KeyHandlersPrintEveryEventAndTestTheViewport) {
    int vx, vy, vw, vh;
    GLUI_Master.get_viewport_area(&vx, &vy, &vw, &vh);
    ASSERT_GT(vw, 10);
    ASSERT_GT(vh, 10);
    testing::internal::CaptureStdout();
    HandleKeyDown('w', vx + 5, 7);
    HandleKeyDown('s', vx, 7);                  // leftmost column: outside
    HandleKeyUp('s', vx + 5, 0);                // top row: outside
    HandleSpecialDown(GLUT_KEY_UP, vx + 5, vh); // first row below the view
    std::string out = testing::internal::GetCapturedStdout();
    const std::string row = " - " + std::to_string(vy) + "\n";
    EXPECT_EQ(out, "7" + row + "7" + row + "0" + row + std::to_string(vh) + row);
    EXPECT_EQ(KeyDown['w'], 1);
    EXPECT_EQ(KeyDown['s'], 0);
    EXPECT_EQ(SpecialDown[GLUT_KEY_UP], 0);

    // Mouse events print nothing.
    testing::internal::CaptureStdout();
    HandleMouse(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 3, 4);
    HandleMotion(3, 9);
    HandleMouse(GLUT_MIDDLE_BUTTON, GLUT_UP, 3, 9);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FLOAT_EQ(OrbitDistance, 129.0f);
}

} // namespace
