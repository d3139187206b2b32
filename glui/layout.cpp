// Font metrics, control sizing, layout, strip stacking, hit testing and text
// editing for the control layer; pure computation on the control records, no GL.
// The metrics are freeglut's bitmap fonts, so sizes match what GLUT draws.
#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "glui/glui_core.h"

namespace {

struct FontMetrics {
    void* font;
    int height;     // glutBitmapHeight
    int ascent;     // baseline below the top of the glyphs' cap height
    int widths[95]; // glutBitmapWidth of bytes 32..126
};

const FontMetrics FONTS[] = {
    {GLUT_BITMAP_HELVETICA_10, 14, 8, {3, 3, 4, 6, 6, 9, 8, 3, 4, 4, 4, 6, 3, 7,  3, 3, 6, 6, 6,
                                       6, 6, 6, 6, 6, 6, 6, 3, 3, 6, 5, 6, 6, 11, 7, 7, 8, 8, 7,
                                       6, 8, 8, 3, 5, 7, 6, 9, 8, 8, 7, 8, 7, 7,  5, 8, 7, 9, 7,
                                       7, 7, 3, 3, 3, 6, 6, 3, 5, 6, 5, 6, 5, 4,  6, 6, 2, 2, 5,
                                       2, 8, 6, 6, 6, 6, 4, 5, 4, 5, 6, 8, 6, 5,  5, 3, 3, 3, 7}},
    {GLUT_BITMAP_HELVETICA_12, 16, 9, {4,  3,  5, 7, 7, 11, 9, 3,  4, 4, 5, 7, 4, 8,  3, 4,
                                       7,  7,  7, 7, 7, 7,  7, 7,  7, 7, 3, 3, 7, 7,  7, 7,
                                       12, 9,  8, 9, 9, 8,  8, 9,  9, 3, 7, 8, 7, 11, 9, 10,
                                       8,  10, 8, 8, 7, 8,  9, 11, 9, 9, 9, 3, 4, 3,  6, 7,
                                       3,  7,  7, 7, 7, 7,  3, 7,  7, 3, 3, 6, 3, 9,  7, 7,
                                       7,  7,  4, 6, 3, 7,  7, 9,  6, 7, 6, 4, 3, 4,  7}},
    {GLUT_BITMAP_HELVETICA_18, 23, 13, {5,  6,  5,  10, 10, 16, 13, 4,  6,  6,  7,  10, 5,  11,
                                        5,  5,  10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 5,  5,
                                        10, 11, 10, 10, 18, 12, 13, 14, 13, 11, 11, 14, 13, 6,
                                        10, 13, 10, 16, 13, 15, 12, 15, 12, 13, 12, 13, 14, 18,
                                        13, 14, 12, 5,  5,  5,  9,  10, 4,  9,  11, 10, 11, 10,
                                        6,  11, 10, 4,  4,  9,  4,  14, 10, 11, 11, 11, 6,  9,
                                        6,  10, 10, 14, 10, 10, 9,  6,  4,  6,  10}},
    {GLUT_BITMAP_8_BY_13, 14, 10, {8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8,
                                   8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8,
                                   8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8,
                                   8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8,
                                   8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8}},
    {GLUT_BITMAP_9_BY_15, 16, 11, {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9,
                                   9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9,
                                   9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9,
                                   9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9,
                                   9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9}},
    {GLUT_BITMAP_TIMES_ROMAN_10, 14, 7, {2, 3, 4, 5, 5, 8, 8, 3,  4, 4, 5, 6, 3, 7,  3, 3,
                                         5, 5, 5, 5, 5, 5, 5, 5,  5, 5, 3, 3, 5, 6,  5, 4,
                                         9, 8, 6, 7, 7, 6, 6, 7,  8, 4, 4, 7, 6, 10, 8, 7,
                                         6, 7, 7, 5, 6, 8, 8, 10, 8, 8, 6, 3, 3, 3,  5, 5,
                                         3, 4, 5, 4, 5, 4, 4, 5,  5, 3, 3, 5, 4, 8,  5, 5,
                                         5, 5, 4, 4, 4, 5, 5, 8,  6, 5, 5, 4, 2, 4,  7}},
    {GLUT_BITMAP_TIMES_ROMAN_24, 29, 17, {6,  8,  10, 13, 12, 19, 18, 8,  8,  8,  12, 14, 7,  14,
                                          6,  7,  12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 6,  7,
                                          13, 14, 13, 11, 22, 17, 16, 16, 17, 15, 14, 18, 19, 8,
                                          11, 17, 14, 22, 18, 18, 15, 18, 16, 13, 16, 18, 17, 23,
                                          18, 16, 15, 8,  7,  8,  11, 13, 7,  11, 12, 11, 12, 11,
                                          7,  12, 13, 6,  6,  12, 6,  20, 13, 12, 12, 12, 8,  10,
                                          7,  13, 11, 17, 13, 11, 10, 10, 6,  10, 13}},
};

const FontMetrics& MetricsOf(void* font) {
    for (const FontMetrics& m : FONTS) {
        if (m.font == font) return m;
    }
    return FONTS[1]; // Helvetica 12, the default font
}

// Insets of a panel's frame: left/right, top, bottom.
void PanelInsets(const GLUI_Panel* p, int* side, int* top, int* bottom) {
    if (p->glui && p == p->glui->root) {
        *side = *top = *bottom = GLUI_STRIP_PAD;
    } else if (p->type == GLUI_PANEL_NONE) {
        *side = *top = *bottom = 0;
    } else if (p->type == GLUI_PANEL_EMBOSSED && !p->name.empty()) {
        *side = *bottom = GLUI_PANEL_INSET;
        *top = GLUI_TITLE_INSET;
    } else {
        *side = *top = *bottom = GLUI_PANEL_INSET;
    }
}

int LabelWidth(const GLUI_Control* c) {
    if (c->name.empty()) return 0;
    return GluiTextWidth(GluiControlFont(c), c->name) + GLUI_LABEL_GAP;
}

int SpinnerTextWidth(const GLUI_Spinner* s) {
    void* font = GluiControlFont(s);
    bool isFloat = s->data_type == GLUI_SPINNER_FLOAT;
    int width;
    if (s->limit_type == GLUI_LIMIT_CLAMP) {
        char lo[32], hi[32];
        if (isFloat) {
            std::snprintf(lo, sizeof lo, "%s", GluiFormatFloat(s->low).c_str());
            std::snprintf(hi, sizeof hi, "%s", GluiFormatFloat(s->high).c_str());
        } else {
            std::snprintf(lo, sizeof lo, "%d", (int)s->low);
            std::snprintf(hi, sizeof hi, "%d", (int)s->high);
        }
        width = std::max(GluiTextWidth(font, lo), GluiTextWidth(font, hi));
        // Room for the decimals of values between the limits.
        if (isFloat) width += GluiTextWidth(font, ".000");
    } else {
        width = GluiTextWidth(font, isFloat ? "-0000.000" : "-000000");
    }
    return std::max(width + 2 * GLUI_TEXT_PAD + 2, 36);
}

struct ColumnSlot {
    GLUI_Column* separator = nullptr; // the column control that opened this column
    std::vector<GLUI_Control*> items;
    int w = 0, h = 0;
};

std::vector<ColumnSlot> SplitColumns(const GLUI_Panel* p) {
    std::vector<ColumnSlot> cols(1);
    for (GLUI_Control* c : p->children) {
        if (c->kind == GLUI_KIND_COLUMN) {
            cols.emplace_back();
            cols.back().separator = static_cast<GLUI_Column*>(c);
        } else {
            cols.back().items.push_back(c);
        }
    }
    return cols;
}

int SeparatorWidth(const GLUI_Column* c) {
    return 2 * GLUI_COLUMN_GAP + (c->draw_bar ? GLUI_BAR_W : 0);
}

void Measure(GLUI_Control* c);

void MeasurePanel(GLUI_Panel* p) {
    std::vector<ColumnSlot> cols = SplitColumns(p);
    int contentW = 0, contentH = 0;
    for (ColumnSlot& col : cols) {
        for (GLUI_Control* item : col.items) {
            Measure(item);
            col.w = std::max(col.w, item->w);
            col.h += item->h;
        }
        if (col.items.size() > 1) col.h += GLUI_ROW_GAP * (int)(col.items.size() - 1);
        contentW += col.w + (col.separator ? SeparatorWidth(col.separator) : 0);
        contentH = std::max(contentH, col.h);
    }
    int side, top, bottom;
    PanelInsets(p, &side, &top, &bottom);
    p->w = contentW + 2 * side;
    p->h = contentH + top + bottom;
    if (p->type == GLUI_PANEL_EMBOSSED && !p->name.empty() && p != p->glui->root) {
        p->w = std::max(p->w, GluiTextWidth(GluiControlFont(p), p->name) + 16);
    }
}

void Measure(GLUI_Control* c) {
    void* font = GluiControlFont(c);
    switch (c->kind) {
        case GLUI_KIND_PANEL:
            MeasurePanel(static_cast<GLUI_Panel*>(c));
            break;
        case GLUI_KIND_COLUMN:
            c->w = SeparatorWidth(static_cast<GLUI_Column*>(c));
            c->h = 0;
            return; // a separator's size is its column's business
        case GLUI_KIND_BUTTON:
            c->w = std::max(GluiTextWidth(font, c->name) + 2 * GLUI_BUTTON_PAD, GLUI_BUTTON_MIN_W);
            c->h = GLUI_LINE_H;
            break;
        case GLUI_KIND_CHECKBOX:
            c->w = GLUI_CHECK_BOX +
                   (c->name.empty() ? 0 : GLUI_LABEL_GAP + GluiTextWidth(font, c->name));
            c->h = GLUI_LINE_H;
            break;
        case GLUI_KIND_LISTBOX: {
            const auto* list = static_cast<const GLUI_Listbox*>(c);
            int itemsW = 20;
            for (const GluiListItem& item : list->items)
                itemsW = std::max(itemsW, GluiTextWidth(font, item.text));
            c->w = LabelWidth(c) + itemsW + 2 * GLUI_TEXT_PAD + 2 + GLUI_ARROW_W;
            c->h = GLUI_LINE_H;
            break;
        }
        case GLUI_KIND_SPINNER:
            c->w = LabelWidth(c) + SpinnerTextWidth(static_cast<const GLUI_Spinner*>(c)) +
                   GLUI_ARROW_W;
            c->h = GLUI_LINE_H;
            break;
        case GLUI_KIND_EDITTEXT: {
            // set_w / set_h size the text box itself rather than the whole control.
            int boxW = c->w_override > 0 ? std::max(c->w_override, 2 * GLUI_TEXT_PAD + 4)
                                         : GLUI_EDIT_DEFAULT_W;
            int boxH = c->h_override > 0 ? std::max(c->h_override, 8) : GLUI_LINE_H;
            c->w = LabelWidth(c) + boxW;
            c->h = boxH;
            return;
        }
    }
    c->w = std::max(c->w, c->w_override);
    c->h = std::max(c->h, c->h_override);
}

void Place(GLUI_Control* c, int px, int py);

void PlacePanel(GLUI_Panel* p) {
    std::vector<ColumnSlot> cols = SplitColumns(p);
    int side, top, bottom;
    PanelInsets(p, &side, &top, &bottom);
    int contentH = p->h - top - bottom;
    int ix = p->x + side;
    int iy = p->y + top;
    for (ColumnSlot& col : cols) {
        for (GLUI_Control* item : col.items) {
            col.w = std::max(col.w, item->w);
            col.h += item->h;
        }
        if (col.items.size() > 1) col.h += GLUI_ROW_GAP * (int)(col.items.size() - 1);
        if (col.separator) {
            GLUI_Column* sep = col.separator;
            sep->x = ix;
            sep->y = iy;
            sep->w = SeparatorWidth(sep);
            sep->h = contentH;
            ix += sep->w;
        }
        // Columns are centred vertically so one-row strips line up.
        int cy = iy + (contentH - col.h) / 2;
        for (GLUI_Control* item : col.items) {
            int ax = ix;
            if (item->alignment == GLUI_ALIGN_CENTER) ax = ix + (col.w - item->w) / 2;
            if (item->alignment == GLUI_ALIGN_RIGHT) ax = ix + col.w - item->w;
            Place(item, ax, cy);
            cy += item->h + GLUI_ROW_GAP;
        }
        ix += col.w;
    }
}

void Place(GLUI_Control* c, int px, int py) {
    c->x = px;
    c->y = py;
    if (c->kind == GLUI_KIND_PANEL) PlacePanel(static_cast<GLUI_Panel*>(c));
}

GLUI_Control* HitIn(GLUI_Panel* p, int px, int py) {
    for (GLUI_Control* c : p->children) {
        if (c->kind == GLUI_KIND_COLUMN) continue;
        if (!GluiRectContains({c->x, c->y, c->w, c->h}, px, py)) continue;
        if (c->kind == GLUI_KIND_PANEL) return HitIn(static_cast<GLUI_Panel*>(c), px, py);
        return c;
    }
    return nullptr;
}

} // namespace

// ---- fonts ----

void* GluiControlFont(const GLUI_Control* control) {
    return control && control->font ? control->font : GLUT_BITMAP_HELVETICA_12;
}

unsigned char GluiShownChar(unsigned char c) { return (c >= 32 && c <= 126) ? c : '?'; }

int GluiCharWidth(void* font, unsigned char c) {
    return MetricsOf(font).widths[GluiShownChar(c) - 32];
}

int GluiTextWidth(void* font, std::string_view text) {
    const FontMetrics& m = MetricsOf(font);
    int width = 0;
    for (char ch : text) width += m.widths[GluiShownChar((unsigned char)ch) - 32];
    return width;
}

int GluiFontHeight(void* font) { return MetricsOf(font).height; }

int GluiFontAscent(void* font) { return MetricsOf(font).ascent; }

// ---- layout ----

bool GluiRectContains(const GluiRect& r, int px, int py) {
    return px >= r.x && px < r.x + r.w && py >= r.y && py < r.y + r.h;
}

void GluiLayout(GLUI* glui) {
    Measure(glui->root);
    Place(glui->root, 0, 0);
    glui->content_w = glui->root->w;
    glui->content_h = glui->root->h;
    glui->layout_dirty = false;
}

int GluiStripHeight(GLUI* glui) {
    if (glui->layout_dirty) GluiLayout(glui);
    return glui->content_h;
}

void GluiStackStrips(int winW, int winH, const int* heights, int count, GluiRect* out) {
    int bottom = winH;
    for (int i = 0; i < count; i++) {
        out[i] = {0, bottom - heights[i], std::max(winW, 0), heights[i]};
        bottom -= heights[i];
    }
}

void GluiViewportArea(int winW, int winH, int stripsTotal, int* x, int* y, int* w, int* h) {
    *x = 0;
    *y = std::max(stripsTotal, 0);
    *w = std::max(winW, 0);
    *h = std::max(winH - stripsTotal, 0);
}

GluiRect GluiFieldRect(const GLUI_Control* c) {
    int label = LabelWidth(c);
    return {c->x + label, c->y, std::max(c->w - label, 0), c->h};
}

GluiRect GluiSpinnerTextRect(const GLUI_Spinner* s) {
    GluiRect box = GluiFieldRect(s);
    return {box.x, box.y, std::max(box.w - GLUI_ARROW_W, 0), box.h};
}

GluiRect GluiSpinnerArrowRect(const GLUI_Spinner* s) {
    GluiRect box = GluiFieldRect(s);
    return {box.x + box.w - GLUI_ARROW_W, box.y, GLUI_ARROW_W, box.h};
}

// ---- hit testing ----

GLUI_Control* GluiControlAt(GLUI* glui, int px, int py) {
    if (glui->layout_dirty) GluiLayout(glui);
    return HitIn(glui->root, px, py);
}

int GluiSpinnerPart(const GLUI_Spinner* s, int px, int py) {
    if (!GluiRectContains({s->x, s->y, s->w, s->h}, px, py)) return GLUI_PART_NONE;
    GluiRect arrows = GluiSpinnerArrowRect(s);
    if (GluiRectContains(arrows, px, py))
        return py < arrows.y + arrows.h / 2 ? GLUI_PART_UP : GLUI_PART_DOWN;
    if (GluiRectContains(GluiSpinnerTextRect(s), px, py)) return GLUI_PART_TEXT;
    return GLUI_PART_LABEL;
}

int GluiCaretFromX(void* font, std::string_view text, int scroll, int textX, int px) {
    int pos = textX;
    int i = std::clamp(scroll, 0, (int)text.size());
    for (; i < (int)text.size(); i++) {
        int cw = GluiCharWidth(font, (unsigned char)text[i]);
        if (px < pos + cw / 2) return i;
        pos += cw;
    }
    return (int)text.size();
}

// ---- text editing ----

GluiEditResult GluiEditKey(GluiTextEdit* edit, unsigned char key, bool (*accept)(unsigned char)) {
    std::string& text = edit->buffer;
    edit->caret = std::clamp(edit->caret, 0, (int)text.size());
    switch (key) {
        case 13:
        case 10:
        case 27:
            return GLUI_EDIT_FINISH;
        case 8:
            if (edit->caret == 0) return GLUI_EDIT_IGNORED;
            text.erase((size_t)edit->caret - 1, 1);
            edit->caret--;
            return GLUI_EDIT_CHANGED;
        case 127:
            if (edit->caret >= (int)text.size()) return GLUI_EDIT_IGNORED;
            text.erase((size_t)edit->caret, 1);
            return GLUI_EDIT_CHANGED;
        default:
            if (key < 32 || key > 126) return GLUI_EDIT_IGNORED;
            if (accept && !accept(key)) return GLUI_EDIT_IGNORED;
            if ((int)text.size() >= GLUI_MAX_TEXT) return GLUI_EDIT_IGNORED;
            text.insert(text.begin() + edit->caret, (char)key);
            edit->caret++;
            return GLUI_EDIT_CHANGED;
    }
}

GluiEditResult GluiEditSpecial(GluiTextEdit* edit, int key) {
    int size = (int)edit->buffer.size();
    int old = edit->caret = std::clamp(edit->caret, 0, size);
    switch (key) {
        case GLUT_KEY_LEFT:
            edit->caret = std::max(old - 1, 0);
            break;
        case GLUT_KEY_RIGHT:
            edit->caret = std::min(old + 1, size);
            break;
        case GLUT_KEY_HOME:
            edit->caret = 0;
            break;
        case GLUT_KEY_END:
            edit->caret = size;
            break;
        case GLUT_KEY_DELETE:
            return GluiEditKey(edit, 127, nullptr);
        default:
            return GLUI_EDIT_IGNORED;
    }
    return edit->caret == old ? GLUI_EDIT_IGNORED : GLUI_EDIT_MOVED;
}

void GluiKeepCaretVisible(void* font, GluiTextEdit* edit, int innerW) {
    const std::string& text = edit->buffer;
    edit->caret = std::clamp(edit->caret, 0, (int)text.size());
    edit->scroll = std::clamp(edit->scroll, 0, edit->caret);
    std::string_view view(text);
    while (edit->scroll < edit->caret &&
           GluiTextWidth(font, view.substr(edit->scroll, edit->caret - edit->scroll)) > innerW) {
        edit->scroll++;
    }
    // Scroll back when deletions left room on the right.
    while (edit->scroll > 0 && GluiTextWidth(font, view.substr(edit->scroll - 1)) <= innerW)
        edit->scroll--;
}

// ---- spinners ----

std::string GluiFormatFloat(float value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", (double)value);
    std::string s = buf;
    if (s.find('.') != std::string::npos) {
        while (!s.empty() && s.back() == '0') s.pop_back();
        if (!s.empty() && s.back() == '.') s.pop_back();
    }
    if (s == "-0") s = "0";
    return s;
}

bool GluiParseNumber(const std::string& text, double* out) {
    const char* start = text.c_str();
    char* end = nullptr;
    double v = std::strtod(start, &end);
    if (end == start) return false;
    while (*end == ' ') end++;
    if (*end != '\0' || !std::isfinite(v)) return false;
    *out = v;
    return true;
}

float GluiClampSpinner(const GLUI_Spinner* s, float value) {
    if (s->limit_type == GLUI_LIMIT_CLAMP) value = std::clamp(value, s->low, s->high);
    return value;
}

float GluiSpinnerValue(const GLUI_Spinner* s) {
    if (s->data_type == GLUI_SPINNER_FLOAT) return s->live_float ? *s->live_float : s->float_value;
    return (float)(s->live_int ? *s->live_int : s->int_value);
}

std::string GluiSpinnerText(const GLUI_Spinner* s) {
    if (s->data_type == GLUI_SPINNER_FLOAT) return GluiFormatFloat(GluiSpinnerValue(s));
    return std::to_string(s->live_int ? *s->live_int : s->int_value);
}

bool GluiSetSpinnerValue(GLUI_Spinner* s, float value) {
    if (!std::isfinite(value)) return false;
    value = GluiClampSpinner(s, value);
    if (s->data_type == GLUI_SPINNER_FLOAT) {
        float old = GluiSpinnerValue(s);
        s->float_value = value;
        if (s->live_float) *s->live_float = value;
        return value != old;
    }
    // Round, keeping within int range before converting.
    double r = std::nearbyint((double)value);
    r = std::clamp(r, -2147483648.0, 2147483647.0);
    int v = (int)r;
    int old = s->live_int ? *s->live_int : s->int_value;
    s->int_value = v;
    if (s->live_int) *s->live_int = v;
    return v != old;
}

// ---- values ----

int GluiCheckboxValue(const GLUI_Checkbox* box) {
    return box->live_int ? *box->live_int : box->value;
}

int GluiListboxValue(const GLUI_Listbox* list) {
    return list->live_int ? *list->live_int : list->value;
}

int GluiListboxShownItem(const GLUI_Listbox* list) {
    if (list->items.empty()) return -1;
    int value = GluiListboxValue(list);
    for (size_t i = 0; i < list->items.size(); i++) {
        if (list->items[i].id == value) return (int)i;
    }
    return 0;
}

// ---- the drop-down's place ----

GluiRect GluiDropdownRect(const GluiRect& box, int itemCount, int parentH) {
    int h = std::max(itemCount, 1) * GLUI_DROPDOWN_ITEM_H + 2;
    int below = box.y + box.h;
    if (below + h <= parentH) return {box.x, below, box.w, h};
    if (box.y - h >= 0) return {box.x, box.y - h, box.w, h};
    // Neither fits: open on the side with more room, starting at the window's edge.
    if (parentH - below > box.y) return {box.x, below, box.w, h};
    return {box.x, 0, box.w, h};
}
