// The control strip: the permanent "panel:" selector, the switch between the
// Bone, Mesh and Rotate panels, and the Rotate panel itself. Owns the record
// of the panel currently built, which the reshape handler works on.
#include "panels/panels.h"

#include <GL/glut.h>

#include <cstdio>
#include <cstring>

#include "app/frame.h"
#include "glui/glui.h"
#include "model/model.h"
#include "panels/bone_panel.h"
#include "panels/mesh_panel.h"
#include "pose/rotate_model.h"

const char* const PanelNames[NUM_PANELS] = {"Bone", "Mesh", "Rotate"};

GLUI* CurrentPanel = nullptr;
int CurrentPanelShown = 0;
void (*CurrentPanelResize)() = nullptr;
char CurrentPanelName[PANEL_NAME_LEN] = "";

int BonePanelShown = 0;
int MeshPanelShown = 0;
int PanelChoice = 0;
float RotateAngles[3] = {0.0f, 0.0f, 0.0f};
GLUI* RotatePanel = nullptr;

void BuildPanelSelector() {
    GLUI* w = GLUI_Master.create_glui_subwindow(MainWindow, GLUI_SUBWINDOW_BOTTOM);
    w->set_main_gfx_window(MainWindow);
    GLUI_Listbox* list = w->add_listbox("panel:", &PanelChoice, PANEL_LISTBOX_ID, OnPanelSelect);
    for (int i = 0; i < NUM_PANELS; i++) list->add_item(i, PanelNames[i]);
    w->add_column(1);
}

// The closed subwindow and its controls are destroyed by GLUI soon after
// close(); forgetting every pointer into it keeps a later refresh or a late
// callback from reaching freed controls, even if a new subwindow happens to
// reuse the old address.
static void CloseCurrentPanel() {
    if (!CurrentPanel) return;
    GLUI* old = CurrentPanel;
    old->close();
    if (old == BonePanel) {
        BonePanel = nullptr;
        BoneNameEdit = nullptr;
    }
    if (old == MeshPanel) {
        MeshPanel = nullptr;
        MeshNameEdit = nullptr;
        SkinNameEdit = nullptr;
    }
    if (old == RotatePanel) RotatePanel = nullptr;
    CurrentPanel = nullptr;
    CurrentPanelShown = 0;
    CurrentPanelResize = nullptr;
    CurrentPanelName[0] = '\0';
}

// True when storing text into the 64-byte field would leave it as it is, so
// a 70-character commit whose first 63 characters are already the name
// counts as unchanged.
bool NameFieldMatches(const char* field, const char* text) {
    size_t n = strnlen(text, NAME_LEN - 1);
    return strnlen(field, NAME_LEN) == n && memcmp(field, text, n) == 0;
}

void SetCurrentPanel(GLUI* panel, int shown, void (*resize)(), const char* name) {
    CurrentPanel = panel;
    CurrentPanelShown = shown;
    CurrentPanelResize = resize;
    snprintf(CurrentPanelName, sizeof CurrentPanelName, "%s", name ? name : "");
}

void SwitchPanel(const char* name) {
    if (!name || strcmp(name, CurrentPanelName) == 0) return;
    void (*build)() = nullptr;
    if (strcmp(name, "Bone") == 0)
        build = BuildBonePanel;
    else if (strcmp(name, "Mesh") == 0)
        build = BuildMeshPanel;
    else if (strcmp(name, "Rotate") == 0)
        build = BuildRotatePanel;
    if (!build) return;
    CloseCurrentPanel();
    build();
}

void OnPanelSelect(int id) {
    if (id != PANEL_LISTBOX_ID) return;
    if (PanelChoice < 0 || PanelChoice >= NUM_PANELS) return;
    SwitchPanel(PanelNames[PanelChoice]);
}

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
    RotateModel(RotateAngles);
}

void ResizeRotatePanel() {}
