// Drawing of strips and the listbox drop-down in a light, flat classic look:
// grey faces, one-pixel bevels, white fields and Helvetica bitmap text.
// Draws into the current GL context with a pixel-exact, y-down projection; no state.
#include <GL/freeglut.h>

#include <string>

#include "glui/glui_core.h"

namespace {

struct Rgb {
    float r, g, b;
};

const Rgb FACE = {0.878f, 0.878f, 0.878f};
const Rgb LIGHT = {1.0f, 1.0f, 1.0f};
const Rgb SHADOW = {0.62f, 0.62f, 0.62f};
const Rgb DARK = {0.38f, 0.38f, 0.38f};
const Rgb FIELD = {1.0f, 1.0f, 1.0f};
const Rgb TEXT = {0.0f, 0.0f, 0.0f};
const Rgb GREY_TEXT = {0.58f, 0.58f, 0.58f};
const Rgb HILITE = {0.24f, 0.42f, 0.70f};
const Rgb HILITE_TEXT = {1.0f, 1.0f, 1.0f};

void Fill(int x, int y, int w, int h, const Rgb& c) {
    if (w <= 0 || h <= 0) return;
    glColor3f(c.r, c.g, c.b);
    glRecti(x, y, x + w, y + h);
}

// One-pixel frame: top-left in one colour, bottom-right in another.
void Frame(int x, int y, int w, int h, const Rgb& topLeft, const Rgb& bottomRight) {
    Fill(x, y, w, 1, topLeft);
    Fill(x, y, 1, h, topLeft);
    Fill(x, y + h - 1, w, 1, bottomRight);
    Fill(x + w - 1, y, 1, h, bottomRight);
}

void Raised(int x, int y, int w, int h) {
    Frame(x, y, w, h, LIGHT, DARK);
    Fill(x + 1, y + h - 2, w - 2, 1, SHADOW);
    Fill(x + w - 2, y + 1, 1, h - 2, SHADOW);
}

void Sunken(int x, int y, int w, int h) {
    Frame(x, y, w, h, SHADOW, LIGHT);
    Fill(x + 1, y + 1, w - 2, 1, DARK);
    Fill(x + 1, y + 1, 1, h - 2, DARK);
}

// Text from a baseline; stops before a glyph that would pass maxX.
void Text(void* font, int x, int baseline, const std::string& s, const Rgb& c, int maxX = 1 << 30) {
    glColor3f(c.r, c.g, c.b);
    glRasterPos2i(x, baseline);
    for (char ch : s) {
        unsigned char shown = GluiShownChar((unsigned char)ch);
        x += GluiCharWidth(font, shown);
        if (x > maxX) break;
        glutBitmapCharacter(font, shown);
    }
}

int Baseline(void* font, int y, int h) { return y + (h + GluiFontAscent(font)) / 2; }

void Triangle(int cx, int cy, bool up, const Rgb& c) {
    glColor3f(c.r, c.g, c.b);
    // Rows of a small solid arrow, widest row 7 pixels.
    for (int row = 0; row < 4; row++) {
        int half = up ? row : 3 - row;
        Fill(cx - half, cy - 2 + row, 2 * half + 1, 1, c);
    }
}

void DrawControl(GLUI_Control* c);

void DrawPanel(GLUI_Panel* p) {
    if (p != p->glui->root) {
        if (p->type == GLUI_PANEL_RAISED) {
            Frame(p->x, p->y, p->w, p->h, LIGHT, SHADOW);
        } else if (p->type == GLUI_PANEL_EMBOSSED) {
            void* font = GluiControlFont(p);
            int top = p->name.empty() ? p->y : p->y + 6;
            int h = p->h - (top - p->y);
            Frame(p->x, top, p->w - 1, h - 1, SHADOW, SHADOW);
            Frame(p->x + 1, top + 1, p->w - 1, h - 1, LIGHT, LIGHT);
            if (!p->name.empty()) {
                int tw = GluiTextWidth(font, p->name);
                Fill(p->x + 6, p->y, tw + 6, 12, FACE);
                Text(font, p->x + 9, p->y + 10, p->name, p->enabled ? TEXT : GREY_TEXT);
            }
        }
    }
    for (GLUI_Control* child : p->children) DrawControl(child);
}

void DrawEditBox(GLUI_Control* c, const GluiRect& box, const GluiTextEdit& edit,
                 const std::string& shown) {
    void* font = GluiControlFont(c);
    Fill(box.x, box.y, box.w, box.h, c->enabled ? FIELD : FACE);
    Sunken(box.x, box.y, box.w, box.h);
    int textX = box.x + 1 + GLUI_TEXT_PAD;
    int maxX = box.x + box.w - 1 - GLUI_TEXT_PAD;
    int baseline = Baseline(font, box.y, box.h);
    const std::string& text = edit.active ? edit.buffer : shown;
    int scroll = edit.active ? edit.scroll : 0;
    if (scroll > (int)text.size()) scroll = (int)text.size();
    Text(font, textX, baseline, text.substr((size_t)scroll), c->enabled ? TEXT : GREY_TEXT, maxX);
    if (edit.active) {
        int caretX =
            textX + GluiTextWidth(font, std::string_view(text).substr(
                                            (size_t)scroll, (size_t)(edit.caret - scroll)));
        Fill(caretX, box.y + 3, 1, box.h - 6, TEXT);
    }
}

void DrawLabel(GLUI_Control* c) {
    if (c->name.empty()) return;
    void* font = GluiControlFont(c);
    Text(font, c->x, Baseline(font, c->y, c->h), c->name, c->enabled ? TEXT : GREY_TEXT);
}

void DrawButton(GLUI_Button* b) {
    void* font = GluiControlFont(b);
    Fill(b->x, b->y, b->w, b->h, FACE);
    int shift = 0;
    if (b->pressed) {
        Frame(b->x, b->y, b->w, b->h, DARK, LIGHT);
        Frame(b->x + 1, b->y + 1, b->w - 2, b->h - 2, SHADOW, FACE);
        shift = 1;
    } else {
        Raised(b->x, b->y, b->w, b->h);
    }
    int tx = b->x + (b->w - GluiTextWidth(font, b->name)) / 2 + shift;
    Text(font, tx, Baseline(font, b->y, b->h) + shift, b->name, b->enabled ? TEXT : GREY_TEXT);
}

void DrawCheckbox(GLUI_Checkbox* box) {
    int bx = box->x;
    int by = box->y + (box->h - GLUI_CHECK_BOX) / 2;
    Fill(bx, by, GLUI_CHECK_BOX, GLUI_CHECK_BOX, box->enabled && !box->pressed ? FIELD : FACE);
    Sunken(bx, by, GLUI_CHECK_BOX, GLUI_CHECK_BOX);
    if (GluiCheckboxValue(box)) {
        const Rgb& mark = box->enabled ? TEXT : GREY_TEXT;
        // A tick: a short stroke down to the right, then a long one up to the right.
        for (int i = 0; i < 3; i++) Fill(bx + 3 + i, by + 5 + i, 1, 3, mark);
        for (int i = 0; i < 5; i++) Fill(bx + 6 + i, by + 6 - i, 1, 3, mark);
    }
    if (!box->name.empty()) {
        void* font = GluiControlFont(box);
        Text(font, bx + GLUI_CHECK_BOX + GLUI_LABEL_GAP, Baseline(font, box->y, box->h), box->name,
             box->enabled ? TEXT : GREY_TEXT);
    }
}

void DrawListbox(GLUI_Listbox* list) {
    void* font = GluiControlFont(list);
    DrawLabel(list);
    GluiRect box = GluiFieldRect(list);
    bool open = GluiOpenDropdown.listbox == list;
    Fill(box.x, box.y, box.w, box.h, list->enabled ? FIELD : FACE);
    Sunken(box.x, box.y, box.w, box.h);
    int shown = GluiListboxShownItem(list);
    if (shown >= 0) {
        Text(font, box.x + 1 + GLUI_TEXT_PAD, Baseline(font, box.y, box.h),
             list->items[(size_t)shown].text, list->enabled ? TEXT : GREY_TEXT,
             box.x + box.w - GLUI_ARROW_W - 2);
    }
    int ax = box.x + box.w - GLUI_ARROW_W - 1;
    Fill(ax, box.y + 2, GLUI_ARROW_W - 1, box.h - 4, FACE);
    if (open) {
        Frame(ax, box.y + 2, GLUI_ARROW_W - 1, box.h - 4, SHADOW, LIGHT);
    } else {
        Raised(ax, box.y + 2, GLUI_ARROW_W - 1, box.h - 4);
    }
    Triangle(ax + (GLUI_ARROW_W - 1) / 2, box.y + box.h / 2, false,
             list->enabled ? TEXT : GREY_TEXT);
}

void DrawSpinner(GLUI_Spinner* s) {
    DrawLabel(s);
    GluiRect text = GluiSpinnerTextRect(s);
    DrawEditBox(s, text, s->edit, GluiSpinnerText(s));
    GluiRect arrows = GluiSpinnerArrowRect(s);
    int half = arrows.h / 2;
    const Rgb& ink = s->enabled ? TEXT : GREY_TEXT;
    Fill(arrows.x, arrows.y, arrows.w, arrows.h, FACE);
    for (int part = GLUI_PART_UP; part <= GLUI_PART_DOWN; part++) {
        int y = part == GLUI_PART_UP ? arrows.y : arrows.y + half;
        int h = part == GLUI_PART_UP ? half : arrows.h - half;
        if (s->drag_part == part) {
            Frame(arrows.x, y, arrows.w, h, DARK, LIGHT);
        } else {
            Raised(arrows.x, y, arrows.w, h);
        }
        Triangle(arrows.x + arrows.w / 2, y + h / 2, part == GLUI_PART_UP, ink);
    }
}

void DrawColumn(GLUI_Column* col) {
    if (!col->draw_bar) return;
    int x = col->x + GLUI_COLUMN_GAP;
    Fill(x, col->y + 1, 1, col->h - 2, SHADOW);
    Fill(x + 1, col->y + 1, 1, col->h - 2, LIGHT);
}

void DrawControl(GLUI_Control* c) {
    switch (c->kind) {
        case GLUI_KIND_PANEL:
            DrawPanel(static_cast<GLUI_Panel*>(c));
            break;
        case GLUI_KIND_COLUMN:
            DrawColumn(static_cast<GLUI_Column*>(c));
            break;
        case GLUI_KIND_BUTTON:
            DrawButton(static_cast<GLUI_Button*>(c));
            break;
        case GLUI_KIND_CHECKBOX:
            DrawCheckbox(static_cast<GLUI_Checkbox*>(c));
            break;
        case GLUI_KIND_LISTBOX:
            DrawListbox(static_cast<GLUI_Listbox*>(c));
            break;
        case GLUI_KIND_SPINNER:
            DrawSpinner(static_cast<GLUI_Spinner*>(c));
            break;
        case GLUI_KIND_EDITTEXT: {
            auto* e = static_cast<GLUI_EditText*>(c);
            DrawLabel(e);
            DrawEditBox(e, GluiFieldRect(e), e->edit, e->text);
            break;
        }
    }
}

// Pixel-exact 2D state for the current window; the program's GL state lives in
// its own window's context and is not touched.
void BeginPixels(int w, int h) {
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, w, h, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDisable(GL_MULTISAMPLE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glClearColor(FACE.r, FACE.g, FACE.b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

} // namespace

void GluiDrawStrip(GLUI* glui, int w, int h) {
    BeginPixels(w, h);
    DrawControl(glui->root);
    // A thin line along the top edge separates the strip from what lies above it.
    Fill(0, 0, w, 1, LIGHT);
}

void GluiDrawDropdown(int w, int h) {
    BeginPixels(w, h);
    const GluiDropdown& d = GluiOpenDropdown;
    Fill(0, 0, w, h, FIELD);
    Frame(0, 0, w, h, DARK, DARK);
    if (!d.listbox) return;
    void* font = GluiControlFont(d.listbox);
    for (size_t i = 0; i < d.listbox->items.size(); i++) {
        int y = 1 + (int)i * GLUI_DROPDOWN_ITEM_H;
        bool hover = (int)i == d.hover;
        if (hover) Fill(1, y, w - 2, GLUI_DROPDOWN_ITEM_H, HILITE);
        Text(font, 1 + GLUI_TEXT_PAD, Baseline(font, y, GLUI_DROPDOWN_ITEM_H),
             d.listbox->items[i].text, hover ? HILITE_TEXT : TEXT, w - 2);
    }
}
