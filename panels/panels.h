// The GLUI control strip: the permanent "panel:" selector, the switch that
// closes the built panel and builds the chosen one, the bookkeeping of the
// panel currently built (read by the reshape handler), and the Rotate panel.
#pragma once

class GLUI;

constexpr int PANEL_LISTBOX_ID = 300; // the "panel:" listbox
constexpr int ROTATE_BUTTON_ID = 200; // the Rotate panel's "Rotate" button
constexpr int PANEL_NAME_LEN = 256;   // CurrentPanelName, NUL included
constexpr int NUM_PANELS = 3;

extern const char* const PanelNames[NUM_PANELS]; // "Bone", "Mesh", "Rotate": listbox ids 0, 1, 2

extern GLUI* CurrentPanel;    // subwindow of the panel built now; null before the first
extern int CurrentPanelShown; // 1 while that panel is visible: reshape hides, resizes, shows it
extern void (*CurrentPanelResize)(); // that panel's resize hook; null before the first build
extern char CurrentPanelName[PANEL_NAME_LEN]; // that panel's name; "" before the first build

extern int BonePanelShown;    // whether a built Bone panel is visible (start-up sets 1)
extern int MeshPanelShown;    // whether a built Mesh panel is visible (start-up sets 1)
extern int PanelChoice;       // live variable of the "panel:" listbox: the chosen item id
extern float RotateAngles[3]; // pitch, yaw, roll in degrees; outlive the Rotate panel
extern GLUI* RotatePanel;     // the Rotate panel's subwindow (stale once closed)

// Builds the permanent selector strip docked at the bottom of MainWindow.
// Called once at start-up, before the first SwitchPanel.
void BuildPanelSelector();

// True when storing text into a 64-byte name field would leave the field as
// it is (the text's first 63 characters already fill it): renames use it to
// skip a commit that changes nothing.
bool NameFieldMatches(const char* field, const char* text);

// Records the panel just built as the current one: every builder ends here.
// The name is copied, cut to 255 characters.
void SetCurrentPanel(GLUI* panel, int shown, void (*resize)(), const char* name);

// Makes the named panel ("Bone", "Mesh" or "Rotate") the built one: closes the
// old subwindow and builds the new panel from scratch. The panel already built,
// or an unknown name, changes nothing.
void SwitchPanel(const char* name);

// The "panel:" listbox callback: switches to PanelNames[PanelChoice] for id 300.
void OnPanelSelect(int id);

// Builds the Rotate panel: "Yaw:", "Pitch:", "Roll:" spinners on RotateAngles
// (clamped to -360..360) and the "Rotate" button.
void BuildRotatePanel();

// The "Rotate" button callback: for id 200 turns the model by RotateAngles.
void OnRotateButton(int id);

// The Rotate panel's resize hook; its controls keep GLUI's layout.
void ResizeRotatePanel();
