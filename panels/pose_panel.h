// The Pose panel: poses the selected bone in the frame it shows. A title
// naming the bone and that frame, spinners for a turn about X, Y and Z
// (degrees) and a move along X, Y and Z (model units), both in the parent's
// axes, "Apply" to add them to the bone's pose and "Reset" to give it its
// frame-0 pose. Owns the panel's subwindow and the spinners' values, which
// outlive it.
#pragma once
#include <cstdint>
#include <string>

class GLUI;
class GLUI_Panel;

constexpr int POSE_APPLY_ID = 500; // "Apply"
constexpr int POSE_RESET_ID = 501; // "Reset"

extern float PoseTurn[3];     // degrees about x, y, z (-360..360)
extern float PoseMove[3];     // model units along x, y, z
extern GLUI* PosePanel;       // the panel's subwindow (stale once closed)
extern GLUI_Panel* PoseTitle; // the frame whose title names the bone and frame

// Builds the panel; called only by SwitchPanel.
void BuildPosePanel();
// Callback of "Apply" (500) and "Reset" (501).
void OnPoseControl(int id);

// The frame the selected bone shows, which the panel edits: the played frame
// while playback is on, else the frame of the bone's key channel (frame 0 when
// that is not one of the model's); -1 when there is no bone or frame.
int32_t PoseEditFrame();
// The title: "BONE, frame N", or "no bone" without one.
std::string PoseTitleText();

// Apply (reset false) or Reset on the selected bone in PoseEditFrame: records
// the step and shows the model. A change that changes nothing records nothing.
void ApplyPoseEdit(bool reset);

// Shows the selected bone and its frame in the title while the panel is the
// one built; the frame calls it every tick (the played frame moves).
void RefreshPosePanel();

// Drops every pointer into the panel's subwindow once it is closed.
void ForgetPosePanel();
