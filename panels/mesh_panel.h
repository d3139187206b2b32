// The Mesh panel: shows the selected mesh's mesh and skin names, steps the
// mesh selection and renames either name. Owns the panel's subwindow, its two
// edit texts and the live variables of its two "Rename" checkboxes.
#pragma once

#include "model/model.h"

class GLUI;
class GLUI_EditText;

constexpr int MESH_NAME_EDIT_ID = 110;  // "mesh:" edit text
constexpr int SKIN_NAME_EDIT_ID = 111;  // "skin:" edit text
constexpr int MESH_RENAME_BOX_ID = 113; // "Rename" next to "mesh:"
constexpr int SKIN_RENAME_BOX_ID = 114; // "Rename" next to "skin:"

extern GLUI* MeshPanel;             // the panel's subwindow (stale once closed)
extern GLUI_EditText* MeshNameEdit; // the "mesh:" edit text
extern GLUI_EditText* SkinNameEdit; // the "skin:" edit text
extern int MeshRenameOn;            // live variable of the mesh "Rename"; 0 at every build
extern int SkinRenameOn;            // live variable of the skin "Rename"; 0 at every build

// Builds the panel in a new bottom subwindow of MainWindow and makes it the
// current panel. Called only by SwitchPanel.
void BuildMeshPanel();

// Callback of both edit texts (110, 111: commit a rename while the matching
// "Rename" is ticked) and both checkboxes (113, 114: enable or disable the
// matching edit text).
void OnMeshControl(int id);

// Shows the selected mesh's mesh name in "mesh:" while the Mesh panel is the
// one built; does nothing otherwise. "skin:" keeps its text.
void RefreshMeshText();
// Shows the selected mesh's skin name in the "skin:" edit while the Mesh panel
// is built: after an undo or redo (stepping the selection leaves it as it is).
void RefreshSkinText();

// Step the mesh selection one on or back (wrapping), then RefreshMeshText;
// the panel's buttons call them and they ignore the control id.
void NextMesh(int id = 0);
void PrevMesh(int id = 0);

// Drops every pointer into the panel's subwindow once it is closed.
void ForgetMeshPanel();

// Set the selected mesh's meshname / skinname (63 characters at most,
// NUL-padded). Nothing else changes. A null name, the unchanged name, or no
// mesh at the selection does nothing.
void RenameSelectedMesh(const char* newName);
void RenameSelectedSkin(const char* newName);

// The mesh at SelectedMesh (brought into range), or null when the model has
// no meshes or there is no model. Points into CurrentModel.
SkelMesh* GetSelectedMesh();

// The selected mesh's meshname / skinname, "" when there is no mesh.
const char* GetSelectedMeshName();
const char* GetSelectedSkinName();

// The Mesh panel's resize hook: both edit texts become 256 by 20 pixels.
void ResizeMeshPanel();
