// The Mesh panel: "mesh:" and "skin:" edit texts for the selected mesh, each
// unlocked by its own "Rename" checkbox, and Prev/Next buttons. Owns the
// panel's subwindow, the two edit text pointers and the checkboxes' live
// variables.
#include "panels/mesh_panel.h"

#include <GL/glut.h>

#include <cstring>

#include "glui/glui.h"
#include "panels/panels.h"
#include "panels/undo.h"
#include "platform/display.h"
#include "session/session.h"

GLUI* MeshPanel = nullptr;
GLUI_EditText* MeshNameEdit = nullptr;
GLUI_EditText* SkinNameEdit = nullptr;
int MeshRenameOn = 0;
int SkinRenameOn = 0;

SkelMesh* GetSelectedMesh() {
    int32_t i = ClampSelectedMesh();
    return i < 0 ? nullptr : &CurrentModel->meshes[i];
}

const char* GetSelectedMeshName() {
    SkelMesh* mesh = GetSelectedMesh();
    return mesh ? mesh->meshname : "";
}

const char* GetSelectedSkinName() {
    SkelMesh* mesh = GetSelectedMesh();
    return mesh ? mesh->skinname : "";
}

// Mesh and skin names are read only by the SKM export, so a rename changes
// the field and nothing else.
static void RenameField(HistoryChange change, SkelMesh* mesh, char* field, const char* newName) {
    if (NameFieldMatches(field, newName)) return;
    char before[NAME_LEN];
    memcpy(before, field, NAME_LEN);
    CopyName(field, newName);
    RecordEdit(MakeNameStep(change, (int32_t)(mesh - CurrentModel->meshes.data()), before, field));
}

void RenameSelectedMesh(const char* newName) {
    SkelMesh* mesh = GetSelectedMesh();
    if (newName && mesh) RenameField(CHANGE_MESH_NAME, mesh, mesh->meshname, newName);
}

void RenameSelectedSkin(const char* newName) {
    SkelMesh* mesh = GetSelectedMesh();
    if (newName && mesh) RenameField(CHANGE_SKIN_NAME, mesh, mesh->skinname, newName);
}

// One left-aligned raised panel row: an edit text and its "Rename" box.
static GLUI_EditText* AddNameRow(GLUI_Panel* p, const char* label, int editId, const char* text,
                                 int* renameOn, int boxId) {
    GLUI_EditText* edit = MeshPanel->add_edittext_to_panel(p, label, GLUI_EDITTEXT_TEXT, nullptr,
                                                           editId, OnMeshControl);
    edit->set_font(GLUT_BITMAP_HELVETICA_10);
    edit->set_text(text);
    edit->set_alignment(GLUI_ALIGN_LEFT);
    MeshPanel->add_column_to_panel(p, 1);
    *renameOn = 0;
    GLUI_Checkbox* box =
        MeshPanel->add_checkbox_to_panel(p, "Rename", renameOn, boxId, OnMeshControl);
    box->set_font(GLUT_BITMAP_HELVETICA_10);
    edit->disable();
    return edit;
}

void BuildMeshPanel() {
    MeshPanel = GLUI_Master.create_glui_subwindow(MainWindow, GLUI_SUBWINDOW_BOTTOM);
    MeshPanel->set_main_gfx_window(MainWindow);

    GLUI_Panel* p = MeshPanel->add_panel("meshpanel", GLUI_PANEL_RAISED);
    p->set_alignment(GLUI_ALIGN_LEFT);
    MeshNameEdit = AddNameRow(p, "mesh:", MESH_NAME_EDIT_ID, GetSelectedMeshName(), &MeshRenameOn,
                              MESH_RENAME_BOX_ID);
    MeshPanel->add_column_to_panel(p, 1);
    MeshPanel->add_button_to_panel(p, "Prev", 0, PrevMesh);
    MeshPanel->add_column_to_panel(p, 1);
    MeshPanel->add_button_to_panel(p, "Next", 0, NextMesh);

    GLUI_Panel* s = MeshPanel->add_panel("skin", GLUI_PANEL_RAISED);
    s->set_alignment(GLUI_ALIGN_LEFT);
    SkinNameEdit = AddNameRow(s, "skin:", SKIN_NAME_EDIT_ID, GetSelectedSkinName(), &SkinRenameOn,
                              SKIN_RENAME_BOX_ID);

    if (!MeshPanelShown) MeshPanel->hide();
    SetCurrentPanel(MeshPanel, MeshPanelShown, ResizeMeshPanel, "Mesh");
}

static void EnableWhen(GLUI_EditText* edit, int on) {
    if (on)
        edit->enable();
    else
        edit->disable();
}

void OnMeshControl(int id) {
    // A callback can still arrive while the panel is being closed.
    if (!MeshNameEdit || !SkinNameEdit) return;
    if (id == MESH_NAME_EDIT_ID && MeshRenameOn == 1) RenameSelectedMesh(MeshNameEdit->get_text());
    if (id == MESH_RENAME_BOX_ID) EnableWhen(MeshNameEdit, MeshRenameOn);
    if (id == SKIN_RENAME_BOX_ID) EnableWhen(SkinNameEdit, SkinRenameOn);
    if (id == SKIN_NAME_EDIT_ID) RenameSelectedSkin(SkinNameEdit->get_text());
}

void RefreshMeshText() {
    if (!MeshPanel || CurrentPanel != MeshPanel || !MeshNameEdit) return;
    MeshNameEdit->set_text(GetSelectedMeshName());
}

void RefreshSkinText() {
    if (!MeshPanel || CurrentPanel != MeshPanel || !SkinNameEdit) return;
    SkinNameEdit->set_text(GetSelectedSkinName());
}

void NextMesh(int) {
    StepSelectedMesh(+1);
    RefreshMeshText();
}

void PrevMesh(int) {
    StepSelectedMesh(-1);
    RefreshMeshText();
}

void ForgetMeshPanel() {
    MeshPanel = nullptr;
    MeshNameEdit = nullptr;
    SkinNameEdit = nullptr;
}

void ResizeMeshPanel() {
    if (!MeshNameEdit || !SkinNameEdit) return;
    MeshNameEdit->set_w(256);
    MeshNameEdit->set_h(20);
    SkinNameEdit->set_w(256);
    SkinNameEdit->set_h(20);
}
