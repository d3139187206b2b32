// The Rotate panel: "Yaw:", "Pitch:" and "Roll:" spinners and a "Rotate"
// button that turns the whole model. Owns the panel's subwindow and the
// angles, which outlive it.
#pragma once

class GLUI;

constexpr int ROTATE_BUTTON_ID = 200; // the "Rotate" button

extern float RotateAngles[3]; // pitch, yaw, roll in degrees; outlive the panel
extern GLUI* RotatePanel;     // the panel's subwindow (stale once closed)

// Builds the panel: the spinners on RotateAngles (clamped to -360..360) and
// the "Rotate" button. Called only by SwitchPanel.
void BuildRotatePanel();

// The "Rotate" button callback: for id 200 turns the model by RotateAngles.
void OnRotateButton(int id);

// The panel's resize hook; its controls keep GLUI's layout.
void ResizeRotatePanel();

// Drops the pointer to the panel's subwindow once it is closed.
void ForgetRotatePanel();
