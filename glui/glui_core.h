// The GL-free core of the control layer: font metrics, control sizing and layout,
// strip stacking, hit testing, text editing and the handling of mouse and key events.
// It owns the keyboard focus and the open listbox drop-down; it never calls GLUT or GL.
#pragma once

#include <string>
#include <string_view>

#include "glui/glui.h"

// ---- sizes, in pixels ----
constexpr int GLUI_LINE_H = 20;      // natural height of every control
constexpr int GLUI_STRIP_PAD = 3;    // margin around a strip's contents
constexpr int GLUI_PANEL_INSET = 4;  // raised or embossed frame: bevel and gap
constexpr int GLUI_TITLE_INSET = 13; // top inset of an embossed panel with a title
constexpr int GLUI_ROW_GAP = 3;      // between controls stacked in one column
constexpr int GLUI_COLUMN_GAP = 4;   // each side of a column bar
constexpr int GLUI_BAR_W = 2;        // a column bar: a dark and a light line
constexpr int GLUI_LABEL_GAP = 5;    // between a label and its box
constexpr int GLUI_BUTTON_PAD = 10;  // each side of a button's label
constexpr int GLUI_BUTTON_MIN_W = 50;
constexpr int GLUI_CHECK_BOX = 13; // side of a checkbox's square
constexpr int GLUI_ARROW_W = 14;   // listbox arrow button, spinner arrows
constexpr int GLUI_TEXT_PAD = 3;   // text inset inside a box
constexpr int GLUI_EDIT_DEFAULT_W = 100;
constexpr int GLUI_MAX_TEXT = 1024; // longest text an edit takes from the keyboard
constexpr int GLUI_DROPDOWN_ITEM_H = 18;

// ---- fonts ----

// The font a control draws with: its own, else Helvetica 12.
void* GluiControlFont(const GLUI_Control* control);
// Advance of one byte; bytes outside 32..126 are measured and drawn as '?'.
int GluiCharWidth(void* font, unsigned char c);
int GluiTextWidth(void* font, std::string_view text);
// Line height and the baseline offset from the top of a GLUI_LINE_H-high row.
int GluiFontHeight(void* font);
int GluiFontAscent(void* font);
// The byte drawn for c.
unsigned char GluiShownChar(unsigned char c);

// ---- layout ----

struct GluiRect {
    int x, y, w, h;
};
bool GluiRectContains(const GluiRect& r, int px, int py);

// Sizes and places every control of the strip; sets content_w/content_h, clears layout_dirty.
void GluiLayout(GLUI* glui);
// Height the strip needs (lays it out first when dirty).
int GluiStripHeight(GLUI* glui);
// Places count strips along the bottom of a winW x winH window, the first lowest:
// out[i] gets x 0, full width, height heights[i], y counted from the top.
void GluiStackStrips(int winW, int winH, const int* heights, int count, GluiRect* out);
// The free area above strips of total height stripsTotal, each value clamped at 0.
void GluiViewportArea(int winW, int winH, int stripsTotal, int* x, int* y, int* w, int* h);
// Stacks the strips docked in window (0 for windowless strips) along its bottom
// edge at the size last given to GluiSetWindowSize, moving their subwindows.
void GluiArrangeStrips(int window);
// Marks a strip for a new layout and tells the windowing side.
void GluiMarkLayoutDirty(GLUI* glui);

// Box of an edit text, spinner or listbox (the part right of the label).
GluiRect GluiFieldRect(const GLUI_Control* control);
// Text area of a spinner's box (left of its arrows) and the arrow column.
GluiRect GluiSpinnerTextRect(const GLUI_Spinner* spinner);
GluiRect GluiSpinnerArrowRect(const GLUI_Spinner* spinner);

// ---- hit testing ----

// Topmost control that takes the mouse at (px, py) in strip pixels, or null.
GLUI_Control* GluiControlAt(GLUI* glui, int px, int py);
enum GluiSpinnerPartKind {
    GLUI_PART_NONE = 0,
    GLUI_PART_LABEL,
    GLUI_PART_TEXT,
    GLUI_PART_UP,
    GLUI_PART_DOWN
};
int GluiSpinnerPart(const GLUI_Spinner* spinner, int px, int py);
// Caret index nearest to pixel column px for text shown from `scroll` starting at textX.
int GluiCaretFromX(void* font, std::string_view text, int scroll, int textX, int px);

// ---- text editing ----

enum GluiEditResult { GLUI_EDIT_IGNORED, GLUI_EDIT_CHANGED, GLUI_EDIT_MOVED, GLUI_EDIT_FINISH };
// An ASCII key on an active edit: printable bytes insert (when accept allows them),
// 8 deletes left, 127 deletes right, 13 and 27 finish.
GluiEditResult GluiEditKey(GluiTextEdit* edit, unsigned char key, bool (*accept)(unsigned char));
// A GLUT special key: Left, Right, Home, End move the caret.
GluiEditResult GluiEditSpecial(GluiTextEdit* edit, int key);
// Adjusts edit->scroll so the caret is inside a box innerW pixels wide.
void GluiKeepCaretVisible(void* font, GluiTextEdit* edit, int innerW);

// ---- spinners ----

// Shortest text for a float value, at most three decimals ("360", "-12.5").
std::string GluiFormatFloat(float value);
// Parses typed text; false (and *out untouched) for empty, trailing junk, NaN or infinity.
bool GluiParseNumber(const std::string& text, double* out);
// Applies the spinner's limits.
float GluiClampSpinner(const GLUI_Spinner* spinner, float value);
// Text the spinner shows for its current value.
std::string GluiSpinnerText(const GLUI_Spinner* spinner);
// Sets the value (clamped, rounded for int spinners) and the live variable; true when it changed.
bool GluiSetSpinnerValue(GLUI_Spinner* spinner, float value);
float GluiSpinnerValue(const GLUI_Spinner* spinner);

// ---- values ----

int GluiCheckboxValue(const GLUI_Checkbox* box);
int GluiListboxValue(const GLUI_Listbox* list);
// Index of the item shown: the one whose id is the value, else the first; -1 when empty.
int GluiListboxShownItem(const GLUI_Listbox* list);

// ---- events (strip pixels, y down) ----

// GLUT mouse button event in a strip.
void GluiMouse(GLUI* glui, int button, int state, int px, int py);
// Pointer moved with a button held, in the strip that took the press.
void GluiMotion(GLUI* glui, int px, int py);
// Keys typed over one of the layer's windows go to the focused control.
void GluiKey(unsigned char key);
void GluiSpecial(int key);
// A press outside every strip (the main window): closes the drop-down and ends an edit.
void GluiOutsidePress();
// Ends the active edit; with notify, the callback runs when the value changed.
void GluiEndEdit(bool notify);
// The control holding the keyboard focus, or null.
GLUI_Control* GluiFocus();
// Runs a control's callback with the main graphics window current, and redisplays it after.
void GluiRunCallback(GLUI_Control* control);
// Forgets every reference into a strip about to be deleted.
void GluiForgetStrip(GLUI* glui);
// Layer event handlers currently running; strips are deleted only at depth 0.
extern int GluiDispatchDepth;
// Held by every layer handler for its duration: no strip is deleted under it.
struct GluiDispatchScope {
    GluiDispatchScope() { GluiDispatchDepth++; }
    ~GluiDispatchScope() { GluiDispatchDepth--; }
    GluiDispatchScope(const GluiDispatchScope&) = delete;
    GluiDispatchScope& operator=(const GluiDispatchScope&) = delete;
};

// ---- the listbox drop-down ----

struct GluiDropdown {
    GLUI_Listbox* listbox = nullptr; // null when closed
    GluiRect rect = {0, 0, 0, 0};    // in the parent window, y down
    int hover = -1;                  // item under the pointer
    int window = 0;                  // its GLUT window, 0 when none
};
extern GluiDropdown GluiOpenDropdown;
// Where the list of a listbox opens: below its box when it fits in the parent window,
// else above it, else wherever it shows most.
GluiRect GluiDropdownRect(const GluiRect& box, int itemCount, int parentH);
// Item at a point in the parent window's pixels, or -1.
int GluiDropdownItemAt(int px, int py);
void GluiOpenListbox(GLUI_Listbox* list);
void GluiCloseDropdown();
// A press at (px, py) in window's pixels that falls where the open list is shown: it
// chooses the item there (left button) or closes the list; true when it was the list's.
// The list's own window can be a moment late on screen, so presses meant for it may
// reach the window below.
bool GluiDropdownPress(int window, int button, int px, int py);
// Picks item index of the open drop-down: sets the value and live variable, calls back.
void GluiChooseDropdownItem(int index);

// ---- windowing side (glui/master.cpp); harmless for strips without a window ----

void GluiPostRedraw(GLUI* glui);
void GluiAfterCallback(GLUI* glui);
void GluiSyncDropdownWindow();
void GluiRequestArrange(int parentWindow);
// Deletes the strips marked by close (at dispatch depth 0 only).
void GluiProcessCloses();
// Size of a window as the layer knows it (set by reshape; tests set it directly).
void GluiSetWindowSize(int window, int w, int h);
void GluiGetWindowSize(int window, int* w, int* h);

// Top-left corner of a window on the screen; 0, 0 for windowless strips.
void GluiWindowRootPosition(int window, int* x, int* y);

// ---- description for tests (glui/describe.cpp) ----

// The strips as tests that drive a running program see them: tab-separated lines,
// pixels with y down, X Y in the host window and ROOT_X ROOT_Y on the screen.
//   window  ID ROOT_X ROOT_Y W H                 each host window
//   strip   INDEX WINDOW Y W H STATE             STATE shown, hidden or closing
//   control STRIP PART KIND ID ENABLED X Y W H ROOT_X ROOT_Y PANEL LABEL VALUE
//   drop    X Y W H ROOT_X ROOT_Y COUNT          the open listbox drop-down
//   item    INDEX X Y W H ROOT_X ROOT_Y TEXT     one of its items
// A control has a line per part: "all", plus "box" for the field of an edit text,
// listbox or spinner (its text only), and "arrows" for a spinner. KIND is panel,
// column, button, checkbox, listbox, spinner or edittext; PANEL the enclosing panel's
// name ("" at the top); VALUE a checkbox's 0/1, the item a listbox shows, a spinner's
// text or an edit text's committed text. Closing strips list no controls.
std::string GluiDescribeLayout();
// When the environment names a file in BONELOOM_GLUI_LAYOUT, keeps the description
// there: "layout GENERATION", the lines above, "end"; rewritten whole after every
// change, so a reader that does not see "end" last reads again. Runs from idle.
void GluiPublishLayout();

// ---- drawing (glui/draw.cpp), into the current GL context ----

void GluiDrawStrip(GLUI* glui, int w, int h);
void GluiDrawDropdown(int w, int h);
