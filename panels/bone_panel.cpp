// The Bone panel: an edit text with the selected bone's name, a "Rename"
// checkbox that unlocks it, and Prev/Next buttons. Owns the panel's
// subwindow, the edit text pointer and the checkbox's live variable.
#include "panels/bone_panel.h"

#include <GL/glut.h>

#include <cstring>

#include "glui/glui.h"
#include "panels/panels.h"
#include "panels/pose_panel.h"
#include "panels/undo.h"
#include "platform/display.h"
#include "session/session.h"

GLUI* BonePanel = nullptr;
GLUI_EditText* BoneNameEdit = nullptr;
int BoneRenameOn = 0;

SkelBone* GetSelectedBone() {
    int32_t i = ClampSelectedBone();
    return i < 0 ? nullptr : &CurrentModel->bones[i];
}

const char* GetSelectedBoneName() {
    SkelBone* bone = GetSelectedBone();
    return bone ? bone->name : "";
}

void RenameSelectedBone(const char* newName) {
    SkelBone* bone = GetSelectedBone();
    if (!newName || !bone || NameFieldMatches(bone->name, newName)) return;
    char before[NAME_LEN];
    memcpy(before, bone->name, NAME_LEN);
    CopyName(bone->name, newName);
    RecordEdit(MakeNameStep(CHANGE_BONE_NAME, (int32_t)(bone - CurrentModel->bones.data()), before,
                            bone->name));
    ListBoneNames();
    RefreshPosePanel();
}

void BuildBonePanel() {
    BonePanel = GLUI_Master.create_glui_subwindow(MainWindow, GLUI_SUBWINDOW_BOTTOM);
    BonePanel->set_main_gfx_window(MainWindow);
    GLUI_Panel* p = BonePanel->add_panel("Bone", GLUI_PANEL_RAISED);

    BoneNameEdit = BonePanel->add_edittext_to_panel(p, "bone:", GLUI_EDITTEXT_TEXT, nullptr,
                                                    BONE_NAME_EDIT_ID, OnBoneControl);
    BoneNameEdit->set_font(GLUT_BITMAP_HELVETICA_10);
    BoneNameEdit->set_text(GetSelectedBoneName());
    BonePanel->add_column_to_panel(p, 1);

    BoneRenameOn = 0;
    GLUI_Checkbox* box = BonePanel->add_checkbox_to_panel(p, "Rename", &BoneRenameOn,
                                                          BONE_RENAME_BOX_ID, OnBoneControl);
    box->set_font(GLUT_BITMAP_HELVETICA_10);
    BoneNameEdit->disable();

    BonePanel->add_column_to_panel(p, 1);
    BonePanel->add_button_to_panel(p, "Prev", 0, PrevBone);
    BonePanel->add_column_to_panel(p, 1);
    BonePanel->add_button_to_panel(p, "Next", 0, NextBone);

    if (!BonePanelShown) BonePanel->hide();
    SetCurrentPanel(BonePanel, BonePanelShown, ResizeBonePanel, "Bone");
}

void OnBoneControl(int id) {
    // A callback can still arrive while the panel is being closed.
    if (!BoneNameEdit) return;
    if (id == BONE_NAME_EDIT_ID && BoneRenameOn == 1) RenameSelectedBone(BoneNameEdit->get_text());
    if (id == BONE_RENAME_BOX_ID) {
        if (BoneRenameOn)
            BoneNameEdit->enable();
        else
            BoneNameEdit->disable();
    }
}

void RefreshBoneText() {
    if (!BonePanel || CurrentPanel != BonePanel || !BoneNameEdit) return;
    BoneNameEdit->set_text(GetSelectedBoneName());
}

void NextBone(int) {
    StepSelectedBone(+1);
    RefreshBoneText();
    RefreshPosePanel();
}

void PrevBone(int) {
    StepSelectedBone(-1);
    RefreshBoneText();
    RefreshPosePanel();
}

void ForgetBonePanel() {
    BonePanel = nullptr;
    BoneNameEdit = nullptr;
}

void ResizeBonePanel() {
    if (!BoneNameEdit) return;
    BoneNameEdit->set_w(256);
    BoneNameEdit->set_h(20);
}
