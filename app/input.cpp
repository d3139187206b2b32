// Routing of the main window's keyboard and mouse events to the key tables,
// the key channels, the text prompt and the cameras. Owns the key tables and
// the drag state.
#include "app/input.h"

#include <GL/freeglut.h>

#include <cstdio>

#include "app/camera.h"
#include "app/screenshot.h"
#include "glui/glui.h"
#include "overlay/prompt.h"
#include "panels/bone_panel.h" // PrevBone, NextBone
#include "panels/undo.h"
#include "session/session.h"

int KeyDown[256];
int SpecialDown[256];
int MouseX = 0;
int MouseY = 0;
int MouseMode = MOUSE_NONE;

static const float TURN_GAIN = 0.2f; // degrees (fly) or zoom units per pixel
static const float PAN_GAIN = 0.5f;

void ClearKeys() {
    for (int i = 0; i < 256; i++) {
        KeyDown[i] = 0;
        SpecialDown[i] = 0;
    }
}

int PointInArea(int x, int y, int vx, int vy, int vw, int vh) {
    (void)vy; // window y counts from the top; the free area starts at row 0
    return vx < x && x < vx + vw && 0 < y && y < vh;
}

int InViewport(int x, int y) {
    int vx = 0, vy = 0, vw = 0, vh = 0;
    GLUI_Master.get_viewport_area(&vx, &vy, &vw, &vh);
    printf("%i - %i\n", y, vy);
    return PointInArea(x, y, vx, vy, vw, vh);
}

static bool IsSpecialCode(int key) { return key >= 0 && key < 256; }

int PressKey(int key, int inside) {
    if (!inside) return 0;
    KeyDown[key & 0xFF] = 1;
    return 1;
}

// The held state is cleared wherever the pointer is, so a key let go over the
// control strip does not keep flying the camera; only a release over the 3D
// view steps a channel or reaches the prompt.
static bool IsShortcut(int key) { return key == KEY_CTRL_Y || key == KEY_CTRL_Z; }

int ShortcutKey(int key, int modifiers) {
    if (!IsShortcut(key)) return 0;
    if (key == KEY_CTRL_Z && !(modifiers & GLUT_ACTIVE_SHIFT))
        UndoEdit();
    else
        RedoEdit();
    return 1;
}

int ReleaseKey(int key, int inside) {
    KeyDown[key & 0xFF] = 0;
    if (!inside) return 0;
    if (IsShortcut(key & 0xFF)) return 1;
    if (!PromptKey(key)) AdvanceKey(key & 0xFF);
    return 1;
}

int PressSpecial(int key, int inside) {
    if (!inside || !IsSpecialCode(key)) return 0;
    if (key == GLUT_KEY_LEFT)
        PrevBone();
    else if (key == GLUT_KEY_RIGHT)
        NextBone();
    else if (key == GLUT_KEY_F12)
        RequestScreenshot();
    SpecialDown[key] = 1;
    return 1;
}

// An open prompt swallows special keys without typing them: their codes would
// otherwise arrive as characters (Right would type "f").
int ReleaseSpecial(int key, int inside) {
    if (!IsSpecialCode(key)) return 0;
    SpecialDown[key] = 0;
    if (!inside || PromptActive) return 0;
    return 1;
}

void HandleKeyDown(unsigned char key, int x, int y) {
    int inside = InViewport(x, y);
    if (inside) ShortcutKey(key, glutGetModifiers());
    if (PressKey(key, inside)) glutPostRedisplay();
}

void HandleKeyUp(unsigned char key, int x, int y) {
    if (ReleaseKey(key, InViewport(x, y))) glutPostRedisplay();
}

void HandleSpecialDown(int key, int x, int y) {
    if (PressSpecial(key, InViewport(x, y))) glutPostRedisplay();
}

void HandleSpecialUp(int key, int x, int y) {
    if (ReleaseSpecial(key, InViewport(x, y))) glutPostRedisplay();
}

void PressMouse(int button, int state, int x, int y, int modifiers) {
    if (state == GLUT_DOWN) {
        MouseX = x;
        MouseY = y;
        if (button == GLUT_LEFT_BUTTON)
            MouseMode = modifiers == GLUT_ACTIVE_CTRL ? MOUSE_PAN : MOUSE_ROTATE;
        else if (button == GLUT_MIDDLE_BUTTON)
            MouseMode = MOUSE_ZOOM;
        else if (button == GLUT_RIGHT_BUTTON)
            MouseMode = MOUSE_MENU;
    } else if (state == GLUT_UP) {
        MouseMode = MOUSE_NONE;
    }
}

void HandleMouse(int button, int state, int x, int y) {
    int modifiers = 0;
    if (state == GLUT_DOWN && button == GLUT_LEFT_BUTTON) modifiers = glutGetModifiers();
    PressMouse(button, state, x, y, modifiers);
}

void HandleMotion(int x, int y) {
    float dx = (float)(x - MouseX);
    float dy = (float)(y - MouseY);
    switch (MouseMode) {
        case MOUSE_ROTATE:
            if (FlyMode) {
                TurnYaw(-dx * TURN_GAIN);
                TurnPitch(dy * TURN_GAIN);
            } else {
                RotateOrbit(dx, dy);
            }
            break;
        case MOUSE_ZOOM:
            if (!FlyMode) ZoomOrbit(dy * TURN_GAIN);
            break;
        case MOUSE_PAN:
            if (FlyMode) {
                StrafeLeft(-dx * PAN_GAIN);
                MoveUp(-dy * PAN_GAIN);
            } else {
                PanOrbit(-dx * PAN_GAIN, dy * PAN_GAIN);
            }
            break;
        default:
            break;
    }
    MouseX = x;
    MouseY = y;
}

static bool Held(unsigned char lower, unsigned char upper, int special) {
    return KeyDown[lower] == 1 || KeyDown[upper] == 1 || SpecialDown[special] == 1;
}

// Acts on the fly camera whatever the mode: in orbit mode the moves show once
// fly mode is entered. Opposite keys held together both step.
void ApplyMovementKeys() {
    if (Held('w', 'W', GLUT_KEY_UP)) MoveForward(1.0f);
    if (Held('s', 'S', GLUT_KEY_DOWN)) MoveBackward(1.0f);
    if (Held('a', 'A', GLUT_KEY_LEFT)) StrafeLeft(1.0f);
    if (Held('d', 'D', GLUT_KEY_RIGHT)) StrafeRight(1.0f);
}
