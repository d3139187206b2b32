// The control strip: the permanent "panel:" selector, the panel table and
// the switch between its panels. Owns the record of the panel currently
// built, which the reshape handler works on.
#include "panels/panels.h"

#include <cstdio>
#include <cstring>

#include "glui/glui.h"
#include "model/model.h"
#include "panels/bone_panel.h"
#include "panels/mesh_panel.h"
#include "panels/play_panel.h"
#include "panels/pose_panel.h"
#include "panels/rotate_panel.h"
#include "platform/display.h"

const PanelEntry PanelTable[] = {
    {"Bone", BuildBonePanel, ForgetBonePanel},       {"Mesh", BuildMeshPanel, ForgetMeshPanel},
    {"Rotate", BuildRotatePanel, ForgetRotatePanel}, {"Play", BuildPlayPanel, ForgetPlayPanel},
    {"Pose", BuildPosePanel, ForgetPosePanel},
};
const int NUM_PANELS = (int)(sizeof PanelTable / sizeof PanelTable[0]);

GLUI* CurrentPanel = nullptr;
int CurrentPanelShown = 0;
void (*CurrentPanelResize)() = nullptr;
char CurrentPanelName[PANEL_NAME_LEN] = "";

int BonePanelShown = 0;
int MeshPanelShown = 0;
int PanelChoice = 0;

void BuildPanelSelector() {
    GLUI* w = GLUI_Master.create_glui_subwindow(MainWindow, GLUI_SUBWINDOW_BOTTOM);
    w->set_main_gfx_window(MainWindow);
    GLUI_Listbox* list = w->add_listbox("panel:", &PanelChoice, PANEL_LISTBOX_ID, OnPanelSelect);
    for (int i = 0; i < NUM_PANELS; i++) list->add_item(i, PanelTable[i].label);
    w->add_column(1);
}

static const PanelEntry* FindPanel(const char* label) {
    for (int i = 0; i < NUM_PANELS; i++)
        if (strcmp(PanelTable[i].label, label) == 0) return &PanelTable[i];
    return nullptr;
}

// The closed subwindow and its controls are destroyed by GLUI soon after
// close(); forgetting every pointer into it keeps a later refresh or a late
// callback from reaching freed controls, even if a new subwindow happens to
// reuse the old address.
static void CloseCurrentPanel() {
    if (!CurrentPanel) return;
    CurrentPanel->close();
    if (const PanelEntry* old = FindPanel(CurrentPanelName)) old->forget();
    CurrentPanel = nullptr;
    CurrentPanelShown = 0;
    CurrentPanelResize = nullptr;
    CurrentPanelName[0] = '\0';
}

void ForgetAllPanels() {
    for (int i = 0; i < NUM_PANELS; i++) PanelTable[i].forget();
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
    const PanelEntry* panel = FindPanel(name);
    if (!panel) return;
    CloseCurrentPanel();
    panel->build();
}

void OnPanelSelect(int id) {
    if (id != PANEL_LISTBOX_ID) return;
    if (PanelChoice < 0 || PanelChoice >= NUM_PANELS) return;
    SwitchPanel(PanelTable[PanelChoice].label);
}
