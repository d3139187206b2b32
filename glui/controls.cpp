// The GLUI-compatible API on controls and strips: building a strip's control tree
// and changing controls from program code. Window work (hide, show, close) is in
// glui/master.cpp; input handling is in glui/events.cpp.
#include <cstdio>
#include <utility>

#include "glui/glui_core.h"

namespace {

std::string SafeText(const char* text) { return text ? std::string(text) : std::string(); }

template <class T>
T* AddControl(GLUI* glui, GLUI_Panel* panel, const char* name) {
    if (panel && panel->glui != glui) {
        std::fprintf(
            stderr,
            "glui: \"%s\" was added to a panel of another window; it goes to the top level\n",
            name ? name : "");
        panel = nullptr;
    }
    if (!panel) panel = glui->root;
    auto owned = std::make_unique<T>();
    T* control = owned.get();
    control->glui = glui;
    control->parent = panel;
    control->name = SafeText(name);
    panel->children.push_back(control);
    glui->controls.push_back(std::move(owned));
    GluiMarkLayoutDirty(glui);
    return control;
}

void SetEnabled(GLUI_Control* c, bool on) {
    if (c->enabled != on) {
        c->enabled = on;
        if (!on) {
            if (GluiFocus() == c) GluiEndEdit(false);
            if (GluiOpenDropdown.listbox == c) GluiCloseDropdown();
            if (c->glui && c->glui->mouse_control == c) c->glui->mouse_control = nullptr;
            if (c->kind == GLUI_KIND_BUTTON) static_cast<GLUI_Button*>(c)->pressed = false;
            if (c->kind == GLUI_KIND_CHECKBOX) static_cast<GLUI_Checkbox*>(c)->pressed = false;
            if (c->kind == GLUI_KIND_SPINNER) static_cast<GLUI_Spinner*>(c)->drag_part = 0;
        }
    }
    if (c->kind == GLUI_KIND_PANEL) {
        for (GLUI_Control* child : static_cast<GLUI_Panel*>(c)->children) SetEnabled(child, on);
    }
}

} // namespace

void GluiMarkLayoutDirty(GLUI* glui) {
    if (!glui) return;
    glui->layout_dirty = true;
    GluiRequestArrange(glui->parent_window);
    GluiPostRedraw(glui);
}

// ---- GLUI_Control ----

void GLUI_Control::set_font(void* f) {
    font = f;
    GluiMarkLayoutDirty(glui);
}

void GLUI_Control::set_w(int width) {
    w_override = width > 0 ? width : 0;
    GluiMarkLayoutDirty(glui);
}

void GLUI_Control::set_h(int height) {
    h_override = height > 0 ? height : 0;
    GluiMarkLayoutDirty(glui);
}

void GLUI_Control::set_alignment(int align) {
    if (align != GLUI_ALIGN_LEFT && align != GLUI_ALIGN_CENTER && align != GLUI_ALIGN_RIGHT) {
        std::fprintf(stderr, "glui: \"%s\": unknown alignment %d ignored\n", name.c_str(), align);
        return;
    }
    alignment = align;
    GluiMarkLayoutDirty(glui);
}

void GLUI_Control::enable() {
    SetEnabled(this, true);
    GluiPostRedraw(glui);
}

void GLUI_Control::disable() {
    SetEnabled(this, false);
    GluiPostRedraw(glui);
}

void GLUI_Control::set_name(const char* text) {
    name = SafeText(text);
    GluiMarkLayoutDirty(glui);
}

int GLUI_Control::get_int_val() const {
    switch (kind) {
        case GLUI_KIND_CHECKBOX:
            return GluiCheckboxValue(static_cast<const GLUI_Checkbox*>(this));
        case GLUI_KIND_LISTBOX:
            return GluiListboxValue(static_cast<const GLUI_Listbox*>(this));
        case GLUI_KIND_SPINNER:
            return (int)GluiSpinnerValue(static_cast<const GLUI_Spinner*>(this));
        default:
            return 0;
    }
}

void GLUI_Control::set_int_val(int value) {
    switch (kind) {
        case GLUI_KIND_CHECKBOX: {
            auto* box = static_cast<GLUI_Checkbox*>(this);
            box->value = value ? 1 : 0;
            if (box->live_int) *box->live_int = box->value;
            break;
        }
        case GLUI_KIND_LISTBOX: {
            auto* list = static_cast<GLUI_Listbox*>(this);
            list->value = value;
            if (list->live_int) *list->live_int = value;
            break;
        }
        case GLUI_KIND_SPINNER:
            GluiSetSpinnerValue(static_cast<GLUI_Spinner*>(this), (float)value);
            break;
        default:
            return;
    }
    GluiPostRedraw(glui);
}

float GLUI_Control::get_float_val() const {
    if (kind == GLUI_KIND_SPINNER) return GluiSpinnerValue(static_cast<const GLUI_Spinner*>(this));
    return (float)get_int_val();
}

void GLUI_Control::set_float_val(float value) {
    if (kind != GLUI_KIND_SPINNER) {
        set_int_val((int)value);
        return;
    }
    GluiSetSpinnerValue(static_cast<GLUI_Spinner*>(this), value);
    GluiPostRedraw(glui);
}

// ---- concrete controls ----

int GLUI_Listbox::add_item(int id, const char* text) {
    items.push_back({id, SafeText(text)});
    GluiMarkLayoutDirty(glui);
    return 1;
}

void GLUI_Spinner::set_float_limits(float lo, float hi, int type) {
    if (type != GLUI_LIMIT_NONE && type != GLUI_LIMIT_CLAMP) {
        std::fprintf(stderr, "glui: spinner \"%s\": unknown limit kind %d; clamping\n",
                     name.c_str(), type);
        type = GLUI_LIMIT_CLAMP;
    }
    if (lo > hi) {
        std::fprintf(stderr, "glui: spinner \"%s\": limits %g > %g swapped\n", name.c_str(), lo,
                     hi);
        std::swap(lo, hi);
    }
    limit_type = type;
    low = lo;
    high = hi;
    // The value already held must obey the new limits too.
    GluiSetSpinnerValue(this, GluiSpinnerValue(this));
    GluiMarkLayoutDirty(glui);
}

void GLUI_Spinner::set_int_limits(int lo, int hi, int type) {
    set_float_limits((float)lo, (float)hi, type);
}

void GLUI_EditText::set_text(const char* value) {
    text = SafeText(value);
    if (edit.active) {
        // The program replaced the text under an edit: it becomes the edit's base, so the
        // edit calls back only for what the user types from here on.
        edit.buffer = text;
        edit.start_text = text;
        edit.caret = (int)text.size();
        edit.scroll = 0;
        GluiRect box = GluiFieldRect(this);
        GluiKeepCaretVisible(GluiControlFont(this), &edit, box.w - 2 * GLUI_TEXT_PAD - 2);
    }
    GluiPostRedraw(glui);
}

const char* GLUI_EditText::get_text() { return text.c_str(); }

// ---- GLUI: building ----

GLUI::GLUI() {
    auto owned = std::make_unique<GLUI_Panel>();
    root = owned.get();
    root->type = GLUI_PANEL_NONE;
    root->glui = this;
    root->alignment = GLUI_ALIGN_LEFT;
    controls.push_back(std::move(owned));
}

GLUI::~GLUI() { GluiForgetStrip(this); }

void GLUI::set_main_gfx_window(int window_id) { main_gfx_window = window_id; }

GLUI_Listbox* GLUI::add_listbox(const char* name, int* live_var, int id, GLUI_Update_CB cb) {
    GLUI_Listbox* list = AddControl<GLUI_Listbox>(this, nullptr, name);
    list->live_int = live_var;
    list->value = live_var ? *live_var : 0;
    list->user_id = id;
    list->callback = cb;
    return list;
}

GLUI_Column* GLUI::add_column(int draw_bar) { return add_column_to_panel(nullptr, draw_bar); }

GLUI_Column* GLUI::add_column_to_panel(GLUI_Panel* panel, int draw_bar) {
    GLUI_Column* column = AddControl<GLUI_Column>(this, panel, "");
    column->draw_bar = draw_bar ? 1 : 0;
    return column;
}

GLUI_Spinner* GLUI::add_spinner(const char* name, int data_type, void* live_var, int id,
                                GLUI_Update_CB cb) {
    GLUI_Spinner* spinner = AddControl<GLUI_Spinner>(this, nullptr, name);
    if (data_type != GLUI_SPINNER_INT && data_type != GLUI_SPINNER_FLOAT) {
        std::fprintf(stderr, "glui: spinner \"%s\": unknown value type %d; using int\n",
                     spinner->name.c_str(), data_type);
        data_type = GLUI_SPINNER_INT;
    }
    spinner->data_type = data_type;
    if (data_type == GLUI_SPINNER_FLOAT) {
        spinner->live_float = static_cast<float*>(live_var);
        if (spinner->live_float) spinner->float_value = *spinner->live_float;
    } else {
        spinner->live_int = static_cast<int*>(live_var);
        if (spinner->live_int) spinner->int_value = *spinner->live_int;
    }
    spinner->user_id = id;
    spinner->callback = cb;
    return spinner;
}

GLUI_Button* GLUI::add_button(const char* name, int id, GLUI_Update_CB cb) {
    return add_button_to_panel(nullptr, name, id, cb);
}

GLUI_Button* GLUI::add_button_to_panel(GLUI_Panel* panel, const char* name, int id,
                                       GLUI_Update_CB cb) {
    GLUI_Button* button = AddControl<GLUI_Button>(this, panel, name);
    button->user_id = id;
    button->callback = cb;
    return button;
}

GLUI_Panel* GLUI::add_panel(const char* name, int type) {
    return add_panel_to_panel(nullptr, name, type);
}

GLUI_Panel* GLUI::add_panel_to_panel(GLUI_Panel* panel, const char* name, int type) {
    GLUI_Panel* p = AddControl<GLUI_Panel>(this, panel, name);
    if (type != GLUI_PANEL_NONE && type != GLUI_PANEL_EMBOSSED && type != GLUI_PANEL_RAISED) {
        std::fprintf(stderr, "glui: panel \"%s\": unknown frame %d; embossed\n", p->name.c_str(),
                     type);
        type = GLUI_PANEL_EMBOSSED;
    }
    p->type = type;
    return p;
}

GLUI_EditText* GLUI::add_edittext(const char* name, int data_type, void* live_var, int id,
                                  GLUI_Update_CB cb) {
    return add_edittext_to_panel(nullptr, name, data_type, live_var, id, cb);
}

GLUI_EditText* GLUI::add_edittext_to_panel(GLUI_Panel* panel, const char* name, int data_type,
                                           void* live_var, int id, GLUI_Update_CB cb) {
    GLUI_EditText* edit = AddControl<GLUI_EditText>(this, panel, name);
    if (data_type != GLUI_EDITTEXT_TEXT) {
        std::fprintf(stderr, "glui: edit text \"%s\": only text edit texts are supported\n",
                     edit->name.c_str());
    }
    if (live_var) {
        std::fprintf(stderr,
                     "glui: edit text \"%s\": live variables are not supported; use get_text\n",
                     edit->name.c_str());
    }
    edit->user_id = id;
    edit->callback = cb;
    return edit;
}

GLUI_Checkbox* GLUI::add_checkbox(const char* name, int* live_var, int id, GLUI_Update_CB cb) {
    return add_checkbox_to_panel(nullptr, name, live_var, id, cb);
}

GLUI_Checkbox* GLUI::add_checkbox_to_panel(GLUI_Panel* panel, const char* name, int* live_var,
                                           int id, GLUI_Update_CB cb) {
    GLUI_Checkbox* box = AddControl<GLUI_Checkbox>(this, panel, name);
    box->live_int = live_var;
    box->value = live_var ? (*live_var ? 1 : 0) : 0;
    box->user_id = id;
    box->callback = cb;
    return box;
}
