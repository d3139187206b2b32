// The Bone panel: shows the selected bone's name, steps the selection and
// renames the bone. Owns the panel's subwindow, its edit text and the live
// variable of its "Rename" checkbox.
#pragma once

#include "model/model.h"

class GLUI;
class GLUI_EditText;

constexpr int BONE_NAME_EDIT_ID = 100;  // "bone:" edit text
constexpr int BONE_RENAME_BOX_ID = 102; // "Rename" checkbox

extern GLUI* BonePanel;             // the panel's subwindow (stale once closed)
extern GLUI_EditText* BoneNameEdit; // the "bone:" edit text
extern int BoneRenameOn;            // live variable of "Rename"; 0 at every build

// Builds the panel in a new bottom subwindow of MainWindow and makes it the
// current panel. Called only by SwitchPanel.
void BuildBonePanel();

// Callback of the edit text (100: commit a rename while "Rename" is ticked)
// and of the checkbox (102: enable or disable the edit text).
void OnBoneControl(int id);

// Shows the selected bone's name in the edit text while the Bone panel is
// the one built; does nothing otherwise (its controls are gone then).
void RefreshBoneText();

// Step the bone selection one on or back (wrapping), then RefreshBoneText.
// The arrow keys and the panel's buttons call them; as GLUI button callbacks
// they ignore the control id.
void NextBone(int id = 0);
void PrevBone(int id = 0);

// Drops every pointer into the panel's subwindow once it is closed.
void ForgetBonePanel();

// Gives the selected bone a new name (63 characters at most, NUL-padded) and
// lists the bone names again, which regroups the key channels. A null name,
// the unchanged name, or no bone at the selection does nothing.
void RenameSelectedBone(const char* newName);

// The bone at SelectedBone (brought into range), or null when the model has
// no bones or there is no model. Points into CurrentModel.
SkelBone* GetSelectedBone();

// Text the "bone:" edit shows: the selected bone's name, "" when none.
const char* GetSelectedBoneName();

// The Bone panel's resize hook: the edit text becomes 256 by 20 pixels.
void ResizeBonePanel();
