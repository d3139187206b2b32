// The GLUI control strip: the permanent "panel:" selector, the table of the
// panels it offers, the switch that closes the built panel and builds the
// chosen one, and the bookkeeping of the panel currently built (read by the
// reshape handler). Each panel lives in its own file and has one table entry.
#pragma once

class GLUI;

constexpr int PANEL_LISTBOX_ID = 300; // the "panel:" listbox
constexpr int PANEL_NAME_LEN = 256;   // CurrentPanelName, NUL included

// One panel of the strip.
struct PanelEntry {
    const char* label; // its "panel:" item and its CurrentPanelName
    // Builds the panel in a new bottom subwindow of MainWindow and ends with
    // SetCurrentPanel.
    void (*build)();
    // Drops every pointer into the panel's subwindow once it is closed: GLUI
    // destroys the controls soon after, and a late refresh or callback must
    // not reach them.
    void (*forget)();
};

// The panels in listbox order: the index is the item id ("Bone" 0, "Mesh" 1,
// "Rotate" 2, "Play" 3, "Pose" 4).
extern const PanelEntry PanelTable[];
extern const int NUM_PANELS;

extern GLUI* CurrentPanel;    // subwindow of the panel built now; null before the first
extern int CurrentPanelShown; // 1 while that panel is visible: reshape hides, resizes, shows it
extern void (*CurrentPanelResize)(); // that panel's resize hook; null before the first build
extern char CurrentPanelName[PANEL_NAME_LEN]; // that panel's name; "" before the first build

extern int BonePanelShown; // whether a built Bone panel is visible (start-up sets 1)
extern int MeshPanelShown; // whether a built Mesh panel is visible (start-up sets 1)
extern int PanelChoice;    // live variable of the "panel:" listbox: the chosen item id

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

// Makes the named panel (a label of PanelTable) the built one: closes the old
// subwindow and builds the new panel from scratch. The panel already built,
// or an unknown name, changes nothing.
void SwitchPanel(const char* name);

// The "panel:" listbox callback: for id 300 switches to the panel of item
// PanelChoice.
void OnPanelSelect(int id);

// Every panel's forget hook: after the strips are closed wholesale (tests).
void ForgetAllPanels();
