// A GLUI 2.x-compatible control layer on freeglut: control strips docked at the
// bottom of a GLUT window, holding buttons, checkboxes, listboxes, spinners,
// edit texts, panels and columns. GLUI_Master owns every strip (a GLUI); each
// GLUI owns its controls. Layout and hit testing live in glui/glui_core.h.
#pragma once

#include <memory>
#include <string>
#include <vector>

// Control callback: receives the control's id.
typedef void (*GLUI_Update_CB)(int id);

// Docking side for create_glui_subwindow; only the bottom is supported.
constexpr int GLUI_SUBWINDOW_RIGHT = 1;
constexpr int GLUI_SUBWINDOW_LEFT = 2;
constexpr int GLUI_SUBWINDOW_TOP = 3;
constexpr int GLUI_SUBWINDOW_BOTTOM = 4;

// Spinner value types.
constexpr int GLUI_SPINNER_INT = 1;
constexpr int GLUI_SPINNER_FLOAT = 2;

// Spinner limit kinds.
constexpr int GLUI_LIMIT_NONE = 0;
constexpr int GLUI_LIMIT_CLAMP = 1;

// Panel frames. A raised panel draws no title; an embossed one does.
constexpr int GLUI_PANEL_NONE = 0;
constexpr int GLUI_PANEL_EMBOSSED = 1;
constexpr int GLUI_PANEL_RAISED = 2;

// Edit text kinds; only text is supported.
constexpr int GLUI_EDITTEXT_TEXT = 3;

// Horizontal alignment of a control inside its column.
constexpr int GLUI_ALIGN_CENTER = 1;
constexpr int GLUI_ALIGN_RIGHT = 2;
constexpr int GLUI_ALIGN_LEFT = 3;

class GLUI;
class GLUI_Panel;

// What a GLUI_Control is; set once by the concrete class.
enum GluiKind {
    GLUI_KIND_PANEL,
    GLUI_KIND_COLUMN,
    GLUI_KIND_BUTTON,
    GLUI_KIND_CHECKBOX,
    GLUI_KIND_LISTBOX,
    GLUI_KIND_SPINNER,
    GLUI_KIND_EDITTEXT
};

// Edit state shared by edit texts and the text field of spinners.
struct GluiTextEdit {
    std::string buffer;     // text being edited
    std::string start_text; // text when the edit began; the callback runs only if it changed
    int caret = 0;          // insertion point, 0..buffer.size()
    int scroll = 0;         // index of the first character shown in the box
    bool active = false;    // has the keyboard focus
};

class GLUI_Control {
  public:
    GLUI_Control(const GLUI_Control&) = delete;
    GLUI_Control& operator=(const GLUI_Control&) = delete;
    virtual ~GLUI_Control() = default;

    // Font for the label and text (a GLUT bitmap font such as GLUT_BITMAP_HELVETICA_10).
    void set_font(void* font);
    // Width / height override (for an edit text: of its text box); 0 returns to the natural size.
    void set_w(int w);
    void set_h(int h);
    // GLUI_ALIGN_LEFT, GLUI_ALIGN_CENTER or GLUI_ALIGN_RIGHT inside the control's column.
    void set_alignment(int align);
    // A disabled control takes no input and is drawn greyed; on a panel, applies to its contents.
    void enable();
    void disable();
    // Changes the label.
    void set_name(const char* name);
    int get_id() const { return user_id; }
    // Value of a checkbox, listbox or spinner (the live variable when there is one).
    int get_int_val() const;
    void set_int_val(int value);
    float get_float_val() const;
    void set_float_val(float value);

    // ---- layer internals (read by layout, drawing, event code and tests) ----
    GluiKind kind;
    int user_id = -1;
    GLUI_Update_CB callback = nullptr;
    std::string name;
    void* font = nullptr; // null: the layer's default font, Helvetica 12
    int alignment = GLUI_ALIGN_CENTER;
    bool enabled = true;
    int w_override = 0, h_override = 0; // from set_w / set_h
    int x = 0, y = 0, w = 0, h = 0;     // laid-out rectangle, strip pixels, y down
    GLUI* glui = nullptr;
    GLUI_Panel* parent = nullptr;

  protected:
    explicit GLUI_Control(GluiKind k) : kind(k) {}
};

class GLUI_Panel : public GLUI_Control {
  public:
    int type = GLUI_PANEL_EMBOSSED;
    std::vector<GLUI_Control*> children; // in order added; owned by the GLUI
    GLUI_Panel() : GLUI_Control(GLUI_KIND_PANEL) {}
};

class GLUI_Column : public GLUI_Control {
  public:
    int draw_bar = 1;
    GLUI_Column() : GLUI_Control(GLUI_KIND_COLUMN) {}
};

class GLUI_Button : public GLUI_Control {
  public:
    bool pressed = false; // drawn pushed in while the mouse holds it over the button
    GLUI_Button() : GLUI_Control(GLUI_KIND_BUTTON) {}
};

class GLUI_Checkbox : public GLUI_Control {
  public:
    int* live_int = nullptr;
    int value = 0;
    bool pressed = false;
    GLUI_Checkbox() : GLUI_Control(GLUI_KIND_CHECKBOX) {}
};

struct GluiListItem {
    int id;
    std::string text;
};

class GLUI_Listbox : public GLUI_Control {
  public:
    // Appends an item; the live variable takes id when the user chooses it. Returns 1.
    int add_item(int id, const char* text);

    std::vector<GluiListItem> items;
    int* live_int = nullptr;
    int value = 0;
    GLUI_Listbox() : GLUI_Control(GLUI_KIND_LISTBOX) {}
};

class GLUI_Spinner : public GLUI_Control {
  public:
    // Holds the value between low and high (GLUI_LIMIT_CLAMP) or removes the limits
    // (GLUI_LIMIT_NONE).
    void set_int_limits(int low, int high, int limit_type = GLUI_LIMIT_CLAMP);
    void set_float_limits(float low, float high, int limit_type = GLUI_LIMIT_CLAMP);

    int data_type = GLUI_SPINNER_INT;
    int* live_int = nullptr;
    float* live_float = nullptr;
    int int_value = 0;
    float float_value = 0.0f;
    int limit_type = GLUI_LIMIT_NONE;
    float low = 0.0f, high = 0.0f;
    GluiTextEdit edit;
    int drag_part = 0;   // arrow held by the mouse (GluiSpinnerPart), 0 when none
    int drag_last_y = 0; // pointer row at the last drag step
    GLUI_Spinner() : GLUI_Control(GLUI_KIND_SPINNER) {}
};

class GLUI_EditText : public GLUI_Control {
  public:
    // Replaces the text (null counts as ""); during an edit it also becomes the edit's start text.
    void set_text(const char* text);
    // The committed text (what is being typed counts once the edit ends); valid until
    // the text next changes.
    const char* get_text();

    std::string text;
    GluiTextEdit edit;
    GLUI_EditText() : GLUI_Control(GLUI_KIND_EDITTEXT) {}
};

// One control strip: a GLUT subwindow docked at the bottom of its parent.
class GLUI {
  public:
    GLUI();
    ~GLUI();
    GLUI(const GLUI&) = delete;
    GLUI& operator=(const GLUI&) = delete;

    // The window made current (and redisplayed) after every control callback.
    void set_main_gfx_window(int window_id);

    GLUI_Listbox* add_listbox(const char* name, int* live_var = nullptr, int id = -1,
                              GLUI_Update_CB cb = nullptr);
    // Starts a new column to the right; draw_bar 1 draws a vertical bar between the columns.
    GLUI_Column* add_column(int draw_bar = 1);
    GLUI_Column* add_column_to_panel(GLUI_Panel* panel, int draw_bar = 1);
    // live_var is an int* for GLUI_SPINNER_INT, a float* for GLUI_SPINNER_FLOAT.
    GLUI_Spinner* add_spinner(const char* name, int data_type = GLUI_SPINNER_INT,
                              void* live_var = nullptr, int id = -1, GLUI_Update_CB cb = nullptr);
    GLUI_Button* add_button(const char* name, int id = -1, GLUI_Update_CB cb = nullptr);
    GLUI_Button* add_button_to_panel(GLUI_Panel* panel, const char* name, int id = -1,
                                     GLUI_Update_CB cb = nullptr);
    GLUI_Panel* add_panel(const char* name, int type = GLUI_PANEL_EMBOSSED);
    GLUI_Panel* add_panel_to_panel(GLUI_Panel* panel, const char* name,
                                   int type = GLUI_PANEL_EMBOSSED);
    // Text edit texts keep their own text: pass no live variable (a char* carries no size).
    GLUI_EditText* add_edittext(const char* name, int data_type = GLUI_EDITTEXT_TEXT,
                                void* live_var = nullptr, int id = -1, GLUI_Update_CB cb = nullptr);
    GLUI_EditText* add_edittext_to_panel(GLUI_Panel* panel, const char* name,
                                         int data_type = GLUI_EDITTEXT_TEXT,
                                         void* live_var = nullptr, int id = -1,
                                         GLUI_Update_CB cb = nullptr);
    GLUI_Checkbox* add_checkbox(const char* name, int* live_var = nullptr, int id = -1,
                                GLUI_Update_CB cb = nullptr);
    GLUI_Checkbox* add_checkbox_to_panel(GLUI_Panel* panel, const char* name,
                                         int* live_var = nullptr, int id = -1,
                                         GLUI_Update_CB cb = nullptr);

    // Visibility only: a hidden strip keeps its space in the layout.
    void hide();
    void show();
    // Marks the strip for destruction at its next redisplay; from now on no event reaches
    // its controls. The GLUI and its controls are deleted then: drop every pointer to them.
    void close();
    int get_glut_window_id() const { return window_id; }

    // ---- layer internals ----
    int window_id = 0;     // GLUT subwindow; 0 for a strip without a window (tests)
    int parent_window = 0; // window the strip is docked in
    int main_gfx_window = 0;
    bool hidden = false;
    bool closing = false;
    bool layout_dirty = true;
    int strip_y = 0, strip_w = 0, strip_h = 0; // placement in the parent, y down
    int content_w = 0, content_h = 0;          // size the controls need
    GLUI_Panel* root = nullptr;
    std::vector<std::unique_ptr<GLUI_Control>> controls; // every control, root first
    GLUI_Control* mouse_control = nullptr;               // control holding the mouse since a press
};

// The one master object: creates strips and stands between GLUT and the program.
class GLUI_Master_Object {
  public:
    GLUI_Master_Object() = default;
    ~GLUI_Master_Object();
    GLUI_Master_Object(const GLUI_Master_Object&) = delete;
    GLUI_Master_Object& operator=(const GLUI_Master_Object&) = delete;

    // Creates a strip docked at the bottom of parent_window, above the strips made before.
    // The current GLUT window is left as it was.
    GLUI* create_glui_subwindow(int parent_window, long flags = 0);

    // The program's handlers. The layer installs its own GLUT callbacks on the current
    // window and passes that window's events on; events inside strips go to their controls.
    void set_glutIdleFunc(void (*f)(void));
    void set_glutReshapeFunc(void (*f)(int, int));
    void set_glutKeyboardFunc(void (*f)(unsigned char, int, int));
    void set_glutSpecialFunc(void (*f)(int, int, int));
    void set_glutMouseFunc(void (*f)(int, int, int, int));

    // The part of the current window that its strips leave free: x 0, y the strips' total
    // height, full width, remaining height; each clamped at 0. All 0 before GLUT is set up.
    void get_viewport_area(int* x, int* y, int* w, int* h);

    // Redraws every strip, e.g. after the program changed live variables.
    void sync_live_all();
    // Closes every strip.
    void close_all();

    // ---- layer internals ----
    std::vector<GLUI*> guis; // every strip not yet destroyed, in creation order
    void (*idle_cb)(void) = nullptr;
};

extern GLUI_Master_Object GLUI_Master;
