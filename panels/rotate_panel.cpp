// The Rotate panel: three angle spinners and the button that applies them to
// the whole model (see rotate_panel.h).
#include "panels/rotate_panel.h"

#include <cstring>
#include <utility>
#include <vector>

#include "glui/glui.h"
#include "history/history.h"
#include "model/model.h"
#include "panels/panels.h"
#include "panels/undo.h"
#include "platform/display.h"
#include "pose/rotate_model.h"
#include "session/session.h"

float RotateAngles[3] = {0.0f, 0.0f, 0.0f};
GLUI* RotatePanel = nullptr;

void BuildRotatePanel() {
    RotatePanel = GLUI_Master.create_glui_subwindow(MainWindow, GLUI_SUBWINDOW_BOTTOM);
    RotatePanel->set_main_gfx_window(MainWindow);

    // Yaw comes first on screen though it is index 1: RotateModel takes
    // pitch, yaw, roll.
    static const struct {
        const char* label;
        int index;
    } SPINNERS[3] = {{"Yaw:", 1}, {"Pitch:", 0}, {"Roll:", 2}};
    for (const auto& s : SPINNERS) {
        GLUI_Spinner* spinner =
            RotatePanel->add_spinner(s.label, GLUI_SPINNER_FLOAT, &RotateAngles[s.index]);
        spinner->set_int_limits(-360, 360, GLUI_LIMIT_CLAMP);
        RotatePanel->add_column(1);
    }
    RotatePanel->add_button("Rotate", ROTATE_BUTTON_ID, OnRotateButton);

    SetCurrentPanel(RotatePanel, 1, ResizeRotatePanel, "Rotate");
}

void OnRotateButton(int id) {
    if (id != ROTATE_BUTTON_ID || !CurrentModel) return;
    // Only bone 0's poses in frames 1 and up change: the step keeps those.
    std::vector<BonePose> before = CaptureBonePoses(CurrentModel, 0, 1, MAX_FRAMES);
    RotateModel(RotateAngles);
    std::vector<BonePose> after = CaptureBonePoses(CurrentModel, 0, 1, MAX_FRAMES);
    if (before.empty() || before.size() != after.size() ||
        memcmp(before.data(), after.data(), before.size() * sizeof(BonePose)) == 0)
        return;
    RecordEdit(MakeBonePosesStep(0, 1, std::move(before), std::move(after), "rotate model"));
}

void ResizeRotatePanel() {}

void ForgetRotatePanel() { RotatePanel = nullptr; }
