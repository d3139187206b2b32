// Mouse and key handling of the controls, free of GL and GLUT: presses, drags and
// releases in a strip, typing into the focused edit, and the listbox drop-down.
// Owns the keyboard focus (one control across all strips) and the open drop-down.
#include <GL/freeglut.h>

#include <algorithm>
#include <cfloat>

#include "glui/glui_core.h"

int GluiDispatchDepth = 0;
GluiDropdown GluiOpenDropdown;

namespace {

GLUI_Control* FocusControl = nullptr;

GluiTextEdit* EditOf(GLUI_Control* c) {
    if (c->kind == GLUI_KIND_EDITTEXT) return &static_cast<GLUI_EditText*>(c)->edit;
    if (c->kind == GLUI_KIND_SPINNER) return &static_cast<GLUI_Spinner*>(c)->edit;
    return nullptr;
}

// The part of a control's box where its text is drawn.
GluiRect TextArea(GLUI_Control* c) {
    GluiRect box = c->kind == GLUI_KIND_SPINNER ? GluiSpinnerTextRect(static_cast<GLUI_Spinner*>(c))
                                                : GluiFieldRect(c);
    return {box.x + 1 + GLUI_TEXT_PAD, box.y, std::max(box.w - 2 * GLUI_TEXT_PAD - 2, 1), box.h};
}

bool AcceptNumberChar(unsigned char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

void BeginEdit(GLUI_Control* c, int px) {
    GluiTextEdit* edit = EditOf(c);
    if (!edit->active) {
        edit->buffer = c->kind == GLUI_KIND_EDITTEXT
                           ? static_cast<GLUI_EditText*>(c)->text
                           : GluiSpinnerText(static_cast<GLUI_Spinner*>(c));
        edit->start_text = edit->buffer;
        edit->scroll = 0;
        edit->active = true;
    }
    FocusControl = c;
    GluiRect area = TextArea(c);
    void* font = GluiControlFont(c);
    edit->caret = GluiCaretFromX(font, edit->buffer, edit->scroll, area.x, px);
    GluiKeepCaretVisible(font, edit, area.w);
    GluiPostRedraw(c->glui);
}

void StepSpinner(GLUI_Spinner* s, float delta) {
    if (GluiSetSpinnerValue(s, GluiSpinnerValue(s) + delta)) {
        GluiPostRedraw(s->glui);
        GluiRunCallback(s);
    }
}

void Press(GLUI* glui, GLUI_Control* target, int px, int py) {
    glui->mouse_control = target;
    switch (target->kind) {
        case GLUI_KIND_BUTTON:
            static_cast<GLUI_Button*>(target)->pressed = true;
            GluiPostRedraw(glui);
            break;
        case GLUI_KIND_CHECKBOX:
            static_cast<GLUI_Checkbox*>(target)->pressed = true;
            GluiPostRedraw(glui);
            break;
        case GLUI_KIND_LISTBOX:
            GluiOpenListbox(static_cast<GLUI_Listbox*>(target));
            break;
        case GLUI_KIND_EDITTEXT:
            BeginEdit(target, px);
            break;
        case GLUI_KIND_SPINNER: {
            auto* s = static_cast<GLUI_Spinner*>(target);
            int part = GluiSpinnerPart(s, px, py);
            if (part == GLUI_PART_UP || part == GLUI_PART_DOWN) {
                // Typed digits count before the arrows step from them.
                if (FocusControl == s) GluiEndEdit(true);
                if (glui->closing || !s->enabled) return;
                s->drag_part = part;
                s->drag_last_y = py;
                StepSpinner(s, part == GLUI_PART_UP ? 1.0f : -1.0f);
            } else if (part == GLUI_PART_TEXT) {
                BeginEdit(target, px);
            }
            break;
        }
        default:
            break;
    }
}

void Release(GLUI* glui, int px, int py) {
    GLUI_Control* c = glui->mouse_control;
    glui->mouse_control = nullptr;
    if (!c) return;
    bool inside = GluiRectContains({c->x, c->y, c->w, c->h}, px, py);
    switch (c->kind) {
        case GLUI_KIND_BUTTON: {
            auto* b = static_cast<GLUI_Button*>(c);
            b->pressed = false;
            GluiPostRedraw(glui);
            if (inside && c->enabled) GluiRunCallback(c);
            break;
        }
        case GLUI_KIND_CHECKBOX: {
            auto* box = static_cast<GLUI_Checkbox*>(c);
            box->pressed = false;
            GluiPostRedraw(glui);
            if (inside && c->enabled) {
                box->value = GluiCheckboxValue(box) ? 0 : 1;
                if (box->live_int) *box->live_int = box->value;
                GluiRunCallback(c);
            }
            break;
        }
        case GLUI_KIND_SPINNER:
            static_cast<GLUI_Spinner*>(c)->drag_part = 0;
            GluiPostRedraw(glui);
            break;
        case GLUI_KIND_LISTBOX:
            // Press on the box, drag into the list, release on an item: that item is chosen.
            if (!inside && GluiOpenDropdown.listbox == c) {
                int index = GluiDropdownItemAt(px, py + glui->strip_y);
                if (index >= 0) {
                    GluiChooseDropdownItem(index);
                } else {
                    GluiCloseDropdown();
                }
            }
            break;
        default:
            break;
    }
}

} // namespace

GLUI_Control* GluiFocus() { return FocusControl; }

void GluiRunCallback(GLUI_Control* control) {
    GluiDispatchScope scope;
    GLUI* glui = control->glui;
    // Callbacks run with the main graphics window current, and find it current after.
    GluiAfterCallback(glui);
    if (control->callback) control->callback(control->user_id);
    GluiPostRedraw(glui);
    GluiAfterCallback(glui);
}

void GluiEndEdit(bool notify) {
    GLUI_Control* c = FocusControl;
    if (!c) return;
    GluiDispatchScope scope;
    FocusControl = nullptr;
    GluiTextEdit* edit = EditOf(c);
    edit->active = false;
    edit->scroll = 0;
    bool changed = false;
    if (c->kind == GLUI_KIND_EDITTEXT) {
        auto* e = static_cast<GLUI_EditText*>(c);
        e->text = edit->buffer;
        changed = e->text != edit->start_text;
    } else {
        double typed;
        if (GluiParseNumber(edit->buffer, &typed)) {
            // Clamp in double first so "1e300" meets the limit rather than infinity.
            typed = std::clamp(typed, (double)-FLT_MAX, (double)FLT_MAX);
            changed = GluiSetSpinnerValue(static_cast<GLUI_Spinner*>(c), (float)typed);
        }
    }
    GluiPostRedraw(c->glui);
    if (notify && changed && !c->glui->closing) GluiRunCallback(c);
}

void GluiMouse(GLUI* glui, int button, int state, int px, int py) {
    // Wheel steps arrive as buttons 3 and up; they are not clicks.
    if (!glui || glui->closing || button > GLUT_RIGHT_BUTTON) return;
    GluiDispatchScope scope;
    if (state == GLUT_DOWN) {
        GLUI_Control* target = GluiControlAt(glui, px, py);
        if (GluiDropdownPress(glui->parent_window, button, px, py + glui->strip_y)) return;
        if (GluiOpenDropdown.listbox) {
            // A press anywhere closes an open list; on its own listbox that is all it does.
            bool own = GluiOpenDropdown.listbox == target;
            GluiCloseDropdown();
            if (own) return;
        }
        if (FocusControl && FocusControl != target) {
            GluiEndEdit(true);
            if (glui->closing) return;
        }
        if (button != GLUT_LEFT_BUTTON || !target || !target->enabled) return;
        Press(glui, target, px, py);
    } else if (button == GLUT_LEFT_BUTTON) {
        Release(glui, px, py);
    }
}

void GluiMotion(GLUI* glui, int px, int py) {
    if (!glui || glui->closing) return;
    GLUI_Control* c = glui->mouse_control;
    if (!c || !c->enabled) return;
    GluiDispatchScope scope;
    bool inside = GluiRectContains({c->x, c->y, c->w, c->h}, px, py);
    switch (c->kind) {
        case GLUI_KIND_BUTTON: {
            auto* b = static_cast<GLUI_Button*>(c);
            if (b->pressed != inside) {
                b->pressed = inside;
                GluiPostRedraw(glui);
            }
            break;
        }
        case GLUI_KIND_CHECKBOX:
            static_cast<GLUI_Checkbox*>(c)->pressed = inside;
            GluiPostRedraw(glui);
            break;
        case GLUI_KIND_SPINNER: {
            auto* s = static_cast<GLUI_Spinner*>(c);
            int dy = s->drag_last_y - py;
            if (s->drag_part == 0 || dy == 0) break;
            s->drag_last_y = py;
            // Dragging up raises the value: a unit per pixel, half a unit for floats.
            StepSpinner(s, (float)dy * (s->data_type == GLUI_SPINNER_FLOAT ? 0.5f : 1.0f));
            break;
        }
        case GLUI_KIND_EDITTEXT: {
            if (FocusControl != c) break;
            GluiTextEdit* edit = EditOf(c);
            GluiRect area = TextArea(c);
            edit->caret =
                GluiCaretFromX(GluiControlFont(c), edit->buffer, edit->scroll, area.x, px);
            GluiKeepCaretVisible(GluiControlFont(c), edit, area.w);
            GluiPostRedraw(glui);
            break;
        }
        case GLUI_KIND_LISTBOX:
            if (GluiOpenDropdown.listbox == c) {
                int hover = GluiDropdownItemAt(px, py + glui->strip_y);
                if (hover >= 0 && hover != GluiOpenDropdown.hover) {
                    GluiOpenDropdown.hover = hover;
                    GluiSyncDropdownWindow();
                }
            }
            break;
        default:
            break;
    }
}

void GluiKey(unsigned char key) {
    GLUI_Control* c = FocusControl;
    if (!c) {
        if (key == 27) GluiCloseDropdown();
        return;
    }
    if (c->glui->closing || !c->enabled) return;
    GluiDispatchScope scope;
    GluiTextEdit* edit = EditOf(c);
    GluiEditResult r =
        GluiEditKey(edit, key, c->kind == GLUI_KIND_SPINNER ? AcceptNumberChar : nullptr);
    if (r == GLUI_EDIT_FINISH) {
        GluiEndEdit(true);
        return;
    }
    if (r != GLUI_EDIT_IGNORED) {
        GluiKeepCaretVisible(GluiControlFont(c), edit, TextArea(c).w);
        GluiPostRedraw(c->glui);
    }
}

void GluiSpecial(int key) {
    GLUI_Control* c = FocusControl;
    if (!c || c->glui->closing || !c->enabled) return;
    GluiDispatchScope scope;
    GluiTextEdit* edit = EditOf(c);
    if (GluiEditSpecial(edit, key) != GLUI_EDIT_IGNORED) {
        GluiKeepCaretVisible(GluiControlFont(c), edit, TextArea(c).w);
        GluiPostRedraw(c->glui);
    }
}

void GluiOutsidePress() {
    GluiDispatchScope scope;
    GluiCloseDropdown();
    GluiEndEdit(true);
}

void GluiForgetStrip(GLUI* glui) {
    if (FocusControl && FocusControl->glui == glui) {
        EditOf(FocusControl)->active = false;
        FocusControl = nullptr;
    }
    if (GluiOpenDropdown.listbox && GluiOpenDropdown.listbox->glui == glui) GluiCloseDropdown();
    glui->mouse_control = nullptr;
}

// ---- the listbox drop-down ----

void GluiOpenListbox(GLUI_Listbox* list) {
    if (list->items.empty()) return;
    GLUI* glui = list->glui;
    GluiRect field = GluiFieldRect(list);
    GluiRect box = {field.x, field.y + glui->strip_y, field.w, field.h};
    int parentW = 0, parentH = 0;
    GluiGetWindowSize(glui->parent_window, &parentW, &parentH);
    GluiOpenDropdown.listbox = list;
    GluiOpenDropdown.rect = GluiDropdownRect(box, (int)list->items.size(), parentH);
    GluiOpenDropdown.hover = GluiListboxShownItem(list);
    GluiSyncDropdownWindow();
    GluiPostRedraw(glui);
}

void GluiCloseDropdown() {
    GLUI_Listbox* list = GluiOpenDropdown.listbox;
    if (!list) return;
    GluiOpenDropdown.listbox = nullptr;
    GluiOpenDropdown.hover = -1;
    GluiSyncDropdownWindow();
    GluiPostRedraw(list->glui);
}

int GluiDropdownItemAt(int px, int py) {
    const GluiDropdown& d = GluiOpenDropdown;
    if (!d.listbox || !GluiRectContains(d.rect, px, py)) return -1;
    int index = (py - d.rect.y - 1) / GLUI_DROPDOWN_ITEM_H;
    if (py - d.rect.y - 1 < 0 || index >= (int)d.listbox->items.size()) return -1;
    return index;
}

bool GluiDropdownPress(int window, int button, int px, int py) {
    const GluiDropdown& d = GluiOpenDropdown;
    if (!d.listbox || d.listbox->glui->parent_window != window || !GluiRectContains(d.rect, px, py))
        return false;
    GluiDispatchScope scope;
    int index = button == GLUT_LEFT_BUTTON ? GluiDropdownItemAt(px, py) : -1;
    if (index >= 0) {
        GluiChooseDropdownItem(index);
    } else {
        GluiCloseDropdown();
    }
    return true;
}

void GluiChooseDropdownItem(int index) {
    GLUI_Listbox* list = GluiOpenDropdown.listbox;
    if (!list || index < 0 || index >= (int)list->items.size()) return;
    GluiDispatchScope scope;
    GluiCloseDropdown();
    if (list->glui->closing || !list->enabled) return;
    list->value = list->items[(size_t)index].id;
    if (list->live_int) *list->live_int = list->value;
    GluiPostRedraw(list->glui);
    GluiRunCallback(list);
}
