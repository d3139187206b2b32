// The Pose panel (see pose_panel.h): turns and moves the selected bone in the
// frame it shows, through the editing core, with each change recorded for undo.
#include "panels/pose_panel.h"

#include <cstdio>
#include <cstring>

#include "edit/edit.h"
#include "glui/glui.h"
#include "history/history.h"
#include "model/model.h"
#include "panels/bone_panel.h"
#include "panels/panels.h"
#include "panels/play_panel.h"
#include "panels/undo.h"
#include "platform/display.h"
#include "pose/compose.h"
#include "session/session.h"
#include "pose/rotate_model.h"

float PoseTurn[3] = {0.0f, 0.0f, 0.0f};
float PoseMove[3] = {0.0f, 0.0f, 0.0f};
GLUI* PosePanel = nullptr;
GLUI_Panel* PoseTitle = nullptr;

int32_t PoseEditFrame() {
    int32_t bone = ClampSelectedBone();
    int32_t numframes = UsableFrames(CurrentModel);
    if (bone < 0 || numframes <= 0) return -1;
    int32_t frame = 0;
    if (Play.mode != PLAY_STOPPED) {
        frame = Play.frame;
    } else {
        unsigned char key = (unsigned char)CurrentModel->bones[bone].name[0];
        if (KeyActive[key] == 1) frame = KeyFrame[key];
    }
    // As the pose builder does: a frame the model lacks shows frame 0.
    return frame >= 0 && frame < numframes ? frame : 0;
}

std::string PoseTitleText() {
    int32_t bone = ClampSelectedBone();
    int32_t frame = PoseEditFrame();
    if (bone < 0 || frame < 0) return "no bone";
    char text[NAME_LEN + 32];
    snprintf(text, sizeof text, "%.*s, frame %d", NAME_LEN - 1, CurrentModel->bones[bone].name,
             (int)frame);
    return text;
}

void BuildPosePanel() {
    PosePanel = GLUI_Master.create_glui_subwindow(MainWindow, GLUI_SUBWINDOW_BOTTOM);
    PosePanel->set_main_gfx_window(MainWindow);

    static const char* const TURN_LABELS[3] = {"turn X:", "turn Y:", "turn Z:"};
    static const char* const MOVE_LABELS[3] = {"move X:", "move Y:", "move Z:"};
    for (int i = 0; i < 3; i++)
        PosePanel->add_spinner(TURN_LABELS[i], GLUI_SPINNER_FLOAT, &PoseTurn[i])
            ->set_int_limits(-360, 360, GLUI_LIMIT_CLAMP);
    PosePanel->add_column(1);
    for (int i = 0; i < 3; i++)
        PosePanel->add_spinner(MOVE_LABELS[i], GLUI_SPINNER_FLOAT, &PoseMove[i]);
    PosePanel->add_column(1);

    PoseTitle = PosePanel->add_panel(PoseTitleText().c_str(), GLUI_PANEL_EMBOSSED);
    PosePanel->add_button_to_panel(PoseTitle, "Apply", POSE_APPLY_ID, OnPoseControl);
    PosePanel->add_button_to_panel(PoseTitle, "Reset", POSE_RESET_ID, OnPoseControl);

    SetCurrentPanel(PosePanel, 1, nullptr, "Pose");
}

void OnPoseControl(int id) {
    if (id == POSE_APPLY_ID) ApplyPoseEdit(false);
    if (id == POSE_RESET_ID) ApplyPoseEdit(true);
}

void ApplyPoseEdit(bool reset) {
    int32_t bone = ClampSelectedBone();
    int32_t frame = PoseEditFrame();
    if (bone < 0 || frame < 0) return;
    SkelModel* model = CurrentModel;
    const BonePose before = FrameLocalPose(model, frame, bone);
    BonePose after = before;
    if (reset)
        after = FrameLocalPose(model, 0, bone);
    else
        TurnAndMovePose(&before, PoseTurn, PoseMove, &after);
    if (memcmp(&before, &after, sizeof before) == 0) return;

    std::string why;
    if (!SetBonePose(model, frame, bone, after, &why)) {
        printf("%s: %s\n", reset ? "Reset" : "Apply", why.c_str());
        return;
    }
    char label[64];
    snprintf(label, sizeof label, "%s bone %d in frame %d", reset ? "reset" : "pose", (int)bone,
             (int)frame);
    RecordEdit(MakeBonePosesStep(bone, frame, {before}, {after}, label));
    ShowEditedModel(false, FrameShift{});
}

void RefreshPosePanel() {
    if (!PosePanel || CurrentPanel != PosePanel || !PoseTitle) return;
    std::string title = PoseTitleText();
    // A new title lays the strip out again: only when it changes.
    if (PoseTitle->name != title) PoseTitle->set_name(title.c_str());
}

void ForgetPosePanel() {
    PosePanel = nullptr;
    PoseTitle = nullptr;
}
