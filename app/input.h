// Routing of the main window's keyboard and mouse events. Presses only mark
// keys as held (the tick reads the tables); releases step the key channels or
// feed the text prompt; drags turn, pan and zoom the camera. Owns the key
// tables and the drag state.
#pragma once

constexpr int MOUSE_NONE = -1;
constexpr int MOUSE_ROTATE = 0;
constexpr int MOUSE_MENU = 1;
constexpr int MOUSE_ZOOM = 2;
constexpr int MOUSE_PAN = 3;

// What Ctrl+Y and Ctrl+Z (with or without Shift) arrive as.
constexpr int KEY_CTRL_Y = 25;
constexpr int KEY_CTRL_Z = 26;

extern int KeyDown[256];     // 1 while the ASCII key with this low byte is held
extern int SpecialDown[256]; // 1 while the GLUT special key with this code is held
extern int MouseX, MouseY;   // pointer at the last button press or motion
extern int MouseMode;        // current drag mode, MOUSE_*

// GLUT callbacks of the main window.
void HandleKeyDown(unsigned char key, int x, int y);
void HandleKeyUp(unsigned char key, int x, int y);
void HandleSpecialDown(int key, int x, int y);
void HandleSpecialUp(int key, int x, int y);
void HandleMouse(int button, int state, int x, int y);
void HandleMotion(int x, int y);

// The window-free steps of the key callbacks: `inside` is the viewport test's
// answer. Each returns 1 when the event acted and a redisplay is due.
// A release clears the key's held state wherever the pointer is.
int PressKey(int key, int inside);
int ReleaseKey(int key, int inside);
int PressSpecial(int key, int inside);
int ReleaseSpecial(int key, int inside);
// The undo shortcuts over the 3D view, on the press: Ctrl+Z undoes, Ctrl+Y and
// Ctrl+Shift+Z redo. Returns 1 when key was one of them. Their releases reach
// neither the prompt nor a key channel.
int ShortcutKey(int key, int modifiers);
// The mouse-button step with the modifier state given (glutGetModifiers).
void PressMouse(int button, int state, int x, int y, int modifiers);

// Both key tables to 0.
void ClearKeys();
// One fly-camera step for each held movement key (w/W/Up, s/S/Down,
// a/A/Left, d/D/Right); called once per tick.
void ApplyMovementKeys();
// 1 when the pointer lies in the part of the main window the control strip
// leaves free, else 0. Prints "%i - %i\n" with y and the area's y every call.
int InViewport(int x, int y);
// The bounds test of InViewport on a given area (vx, vy, vw, vh); strict.
int PointInArea(int x, int y, int vx, int vy, int vw, int vh);
