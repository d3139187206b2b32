// Layout maths and hit testing of the control layer, on strips without a window.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "glui/glui_core.h"

namespace {

class GluiLayoutTest : public ::testing::Test {
  protected:
    void SetUp() override { GluiSetWindowSize(0, 640, 480); }
    void TearDown() override {
        GLUI_Master.close_all();
        GluiProcessCloses();
        GluiSetWindowSize(0, 0, 0);
    }
    GLUI* NewStrip() { return GLUI_Master.create_glui_subwindow(0, GLUI_SUBWINDOW_BOTTOM); }
};

GluiRect RectOf(const GLUI_Control* c) { return {c->x, c->y, c->w, c->h}; }

// The free area above the strips, as x, y, w, h.
std::vector<int> Viewport() {
    int x, y, w, h;
    GLUI_Master.get_viewport_area(&x, &y, &w, &h);
    return {x, y, w, h};
}

bool Inside(const GluiRect& inner, const GluiRect& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.w <= outer.x + outer.w &&
           inner.y + inner.h <= outer.y + outer.h;
}

void NoDrop(int) {}

} // namespace

TEST(GluiFontTest, WidthsAreSumsOfGlyphAdvancesAndOddBytesCountAsQuestionMarks) {
    void* h12 = GLUT_BITMAP_HELVETICA_12;
    void* h10 = GLUT_BITMAP_HELVETICA_10;
    EXPECT_EQ(GluiTextWidth(h12, "Wi"), GluiCharWidth(h12, 'W') + GluiCharWidth(h12, 'i'));
    EXPECT_GT(GluiTextWidth(h12, "Rename"), GluiTextWidth(h10, "Rename"));
    EXPECT_EQ(GluiTextWidth(h12, "a\x01\xff"),
              GluiCharWidth(h12, 'a') + 2 * GluiCharWidth(h12, '?'));
    EXPECT_EQ(GluiTextWidth(h12, ""), 0);
    // An unknown font pointer falls back to the default font instead of reading garbage.
    int other = 0;
    EXPECT_EQ(GluiTextWidth(&other, "Bone"), GluiTextWidth(h12, "Bone"));
}

TEST_F(GluiLayoutTest, OnePanelRowIsCompactAndLaidOutLeftToRight) {
    GLUI* g = NewStrip();
    GLUI_Panel* p = g->add_panel("Bone", GLUI_PANEL_RAISED);
    GLUI_EditText* edit =
        g->add_edittext_to_panel(p, "bone:", GLUI_EDITTEXT_TEXT, nullptr, 100, NoDrop);
    edit->set_font(GLUT_BITMAP_HELVETICA_10);
    GLUI_Column* bar1 = g->add_column_to_panel(p, 1);
    GLUI_Checkbox* box = g->add_checkbox_to_panel(p, "Rename", nullptr, 102, NoDrop);
    g->add_column_to_panel(p, 1);
    GLUI_Button* prev = g->add_button_to_panel(p, "Prev", 0, NoDrop);
    g->add_column_to_panel(p, 1);
    GLUI_Button* next = g->add_button_to_panel(p, "Next", 0, NoDrop);

    int h = GluiStripHeight(g);
    EXPECT_GE(h, 26);
    EXPECT_LE(h, 34);
    // Left to right, separated by the bars, all inside the panel, the panel inside the strip.
    EXPECT_LE(edit->x + edit->w, bar1->x);
    EXPECT_LE(bar1->x + bar1->w, box->x);
    EXPECT_LT(box->x + box->w, prev->x);
    EXPECT_LT(prev->x + prev->w, next->x);
    for (GLUI_Control* c :
         {(GLUI_Control*)edit, (GLUI_Control*)box, (GLUI_Control*)prev, (GLUI_Control*)next}) {
        EXPECT_TRUE(Inside(RectOf(c), RectOf(p))) << c->name;
    }
    EXPECT_TRUE(Inside(RectOf(p), {0, 0, g->content_w, g->content_h}));
    // Sized to their labels: the checkbox's box and label, buttons at least their text.
    EXPECT_GT(box->w, GluiTextWidth(GLUT_BITMAP_HELVETICA_12, "Rename") + GLUI_CHECK_BOX);
    EXPECT_GE(prev->w, GluiTextWidth(GLUT_BITMAP_HELVETICA_12, "Prev") + 2 * GLUI_BUTTON_PAD);
    // A smaller font makes a narrower label.
    int before = edit->w;
    edit->set_font(GLUT_BITMAP_HELVETICA_12);
    GluiLayout(g);
    EXPECT_GT(edit->w, before);
}

TEST_F(GluiLayoutTest, SetWAndSetHSizeAnEditBoxButOnlyWidenOtherControls) {
    GLUI* g = NewStrip();
    GLUI_EditText* edit = g->add_edittext("mesh:");
    GLUI_Button* button = g->add_button("Go");
    GluiLayout(g);
    EXPECT_EQ(GluiFieldRect(edit).w, GLUI_EDIT_DEFAULT_W);
    edit->set_w(256);
    edit->set_h(20);
    GluiLayout(g);
    GluiRect box = GluiFieldRect(edit);
    EXPECT_EQ(box.w, 256);
    EXPECT_EQ(box.h, 20);
    edit->set_h(30);
    GluiLayout(g);
    EXPECT_EQ(GluiFieldRect(edit).h, 30);
    EXPECT_GT(g->content_h, 30 + GLUI_LINE_H); // the taller box makes the strip taller

    int natural = button->w;
    button->set_w(10);
    GluiLayout(g);
    EXPECT_EQ(button->w, natural);
    button->set_w(natural + 40);
    GluiLayout(g);
    EXPECT_EQ(button->w, natural + 40);
}

TEST_F(GluiLayoutTest, PanelsStackDownwardsAndColumnsAlignTheirControls) {
    GLUI* g = NewStrip();
    GLUI_Panel* a = g->add_panel("meshpanel", GLUI_PANEL_RAISED);
    a->set_alignment(GLUI_ALIGN_LEFT);
    g->add_edittext_to_panel(a, "mesh:");
    g->add_column_to_panel(a, 1);
    g->add_button_to_panel(a, "Prev");
    GLUI_Panel* b = g->add_panel("skin", GLUI_PANEL_RAISED);
    b->set_alignment(GLUI_ALIGN_LEFT);
    g->add_edittext_to_panel(b, "skin:");
    GluiLayout(g);
    EXPECT_EQ(a->x, b->x);
    EXPECT_GE(b->y, a->y + a->h);
    EXPECT_LT(b->w, a->w);
    // Two one-row panels fit with the selector strip in a 480-high window with room to spare.
    EXPECT_LE(g->content_h, 70);

    GLUI* c = NewStrip();
    GLUI_Button* wide = c->add_button("A much wider button");
    GLUI_Button* centred = c->add_button("B");
    GLUI_Button* right = c->add_button("C");
    right->set_alignment(GLUI_ALIGN_RIGHT);
    GLUI_Button* left = c->add_button("D");
    left->set_alignment(GLUI_ALIGN_LEFT);
    GluiLayout(c);
    EXPECT_NEAR(centred->x - wide->x, wide->x + wide->w - (centred->x + centred->w), 1);
    EXPECT_EQ(right->x + right->w, wide->x + wide->w);
    EXPECT_EQ(left->x, wide->x);
    EXPECT_EQ(centred->y, wide->y + wide->h + GLUI_ROW_GAP);
}

TEST_F(GluiLayoutTest, ColumnWithBarIsWiderThanWithoutAndAListboxFitsItsItems) {
    GLUI* g = NewStrip();
    GLUI_Listbox* list = g->add_listbox("panel:");
    list->add_item(0, "Bone");
    list->add_item(1, "Rotate");
    GLUI_Column* bar = g->add_column(1);
    GLUI_Column* gap = g->add_column(0);
    GluiLayout(g);
    EXPECT_GE(bar->w, gap->w + GLUI_BAR_W);
    EXPECT_GT(gap->w, 0);
    EXPECT_EQ(bar->x, list->x + list->w);
    EXPECT_EQ(g->content_h, GLUI_LINE_H + 2 * GLUI_STRIP_PAD); // one row
    // The box fits the longest item with its arrow.
    EXPECT_GE(GluiFieldRect(list).w,
              GluiTextWidth(GLUT_BITMAP_HELVETICA_12, "Rotate") + GLUI_ARROW_W);
}

TEST(GluiStackTest, StripsStackUpFromTheBottomAndTheFreeAreaIsClampedAtZero) {
    int heights[3] = {26, 34, 40};
    GluiRect out[3];
    GluiStackStrips(640, 480, heights, 3, out);
    const int tops[3] = {480 - 26, 480 - 26 - 34, 480 - 100};
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(std::vector<int>({out[i].x, out[i].y, out[i].w}),
                  std::vector<int>({0, tops[i], 640}));
    }
    auto area = [](int winW, int winH, int strips) {
        int x, y, w, h;
        GluiViewportArea(winW, winH, strips, &x, &y, &w, &h);
        return std::vector<int>{x, y, w, h};
    };
    EXPECT_EQ(area(640, 480, 100), std::vector<int>({0, 100, 640, 380}));
    EXPECT_EQ(area(300, 50, 100)[2], 300);
    EXPECT_EQ(area(300, 50, 100)[3], 0);
    EXPECT_EQ(area(-5, -5, 0)[2], 0);
    EXPECT_EQ(area(-5, -5, 0)[3], 0);
}

TEST_F(GluiLayoutTest, ViewportAreaCountsStripsUntilAClosedOneIsDestroyed) {
    GLUI* selector = NewStrip();
    selector->add_listbox("panel:")->add_item(0, "Bone");
    GLUI* panel = NewStrip();
    panel->add_button("Rotate");
    int total = GluiStripHeight(selector) + GluiStripHeight(panel);
    EXPECT_EQ(Viewport(), std::vector<int>({0, total, 640, 480 - total}));

    // Hidden strips keep their space.
    panel->hide();
    EXPECT_EQ(Viewport()[1], total);
    panel->show();

    panel->close();
    EXPECT_EQ(Viewport()[1], total);
    GluiProcessCloses();
    EXPECT_EQ(Viewport()[1], GluiStripHeight(selector));
    ASSERT_EQ(GLUI_Master.guis.size(), 1u);

    GluiSetWindowSize(0, 640, 10);
    EXPECT_EQ(Viewport()[3], 0);
    GLUI_Master.get_viewport_area(nullptr, nullptr, nullptr, nullptr); // tolerated
}

// The description that tests of a running program read: one line per part of each
// control of the live strips, in window pixels, with its state and value; free text
// can break neither a line nor a field.
TEST_F(GluiLayoutTest, DescriptionGivesEachLiveControlsPartsPlaceStateAndValue) {
    GLUI* gone = NewStrip();
    gone->add_button("Gone");
    GLUI* g = NewStrip();
    GLUI_Panel* p = g->add_panel("skin", GLUI_PANEL_RAISED);
    GLUI_EditText* edit =
        g->add_edittext_to_panel(p, "skin:", GLUI_EDITTEXT_TEXT, nullptr, 111, NoDrop);
    edit->set_text("wood\tskin\n2");
    edit->disable();
    int ticked = 1;
    g->add_checkbox_to_panel(p, "Rename", &ticked, 114, NoDrop);
    float yaw = 12.5f;
    g->add_spinner("Yaw:", GLUI_SPINNER_FLOAT, &yaw);
    gone->close();
    GluiArrangeStrips(0);

    std::vector<std::vector<std::string>> controls;
    std::vector<std::string> strips;
    std::istringstream text(GluiDescribeLayout());
    for (std::string line; std::getline(text, line);) {
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string f; std::getline(split, f, '\t');) fields.push_back(f);
        if (line.back() == '\t') fields.push_back("");
        if (fields[0] == "strip") strips.push_back(line);
        if (fields[0] == "control") controls.push_back(fields);
    }
    ASSERT_EQ(strips.size(), 2u);
    EXPECT_EQ(strips[0].substr(strips[0].rfind('\t') + 1), "closing");
    EXPECT_EQ(strips[1].substr(strips[1].rfind('\t') + 1), "shown");

    auto find = [&](const std::string& label, const std::string& part) {
        for (const auto& c : controls) {
            if (c.size() == 15 && c[13] == label && c[2] == part) return c;
        }
        return std::vector<std::string>();
    };
    EXPECT_TRUE(find("Gone", "all").empty()); // a closing strip's controls take no clicks
    std::vector<std::string> all = find("skin:", "all"), box = find("skin:", "box");
    ASSERT_FALSE(all.empty());
    ASSERT_FALSE(box.empty());
    EXPECT_EQ(all[1], "1");
    EXPECT_EQ(all[3], "edittext");
    EXPECT_EQ(all[4], "111");
    EXPECT_EQ(all[5], "0"); // disabled
    EXPECT_EQ(std::stoi(all[6]), edit->x);
    EXPECT_EQ(std::stoi(all[7]), g->strip_y + edit->y); // window rows, not strip rows
    EXPECT_EQ(all[12], "skin");
    EXPECT_EQ(all[14], "wood skin 2");
    GluiRect field = GluiFieldRect(edit);
    EXPECT_EQ(std::stoi(box[6]), field.x);
    EXPECT_EQ(std::stoi(box[8]), field.w);
    EXPECT_EQ(find("Rename", "all")[14], "1");
    EXPECT_EQ(find("Yaw:", "box")[14], "12.5");
    EXPECT_EQ(find("Yaw:", "arrows")[12], ""); // outside any panel
}

TEST_F(GluiLayoutTest, HitTestingFindsControlsAndTheirParts) {
    GLUI* g = NewStrip();
    GLUI_Panel* p = g->add_panel("", GLUI_PANEL_RAISED);
    GLUI_Button* button = g->add_button_to_panel(p, "Prev");
    g->add_column_to_panel(p, 1);
    GLUI_Spinner* spin = g->add_spinner("Yaw:", GLUI_SPINNER_FLOAT);
    GluiLayout(g);
    EXPECT_EQ(GluiControlAt(g, button->x, button->y), button);
    EXPECT_EQ(GluiControlAt(g, button->x + button->w - 1, button->y + button->h - 1), button);
    EXPECT_EQ(GluiControlAt(g, button->x + button->w, button->y), nullptr); // the column gap
    EXPECT_EQ(GluiControlAt(g, p->x, p->y), nullptr);                       // the panel's frame
    EXPECT_EQ(GluiControlAt(g, 0, 0), nullptr);                             // the strip margin
    EXPECT_EQ(GluiControlAt(g, spin->x + 1, spin->y + 5), spin);

    GluiRect arrows = GluiSpinnerArrowRect(spin);
    GluiRect text = GluiSpinnerTextRect(spin);
    EXPECT_EQ(arrows.x, text.x + text.w);
    EXPECT_EQ(GluiSpinnerPart(spin, arrows.x + 2, arrows.y + 1), GLUI_PART_UP);
    EXPECT_EQ(GluiSpinnerPart(spin, arrows.x + 2, arrows.y + arrows.h - 1), GLUI_PART_DOWN);
    EXPECT_EQ(GluiSpinnerPart(spin, text.x + 2, text.y + 5), GLUI_PART_TEXT);
    EXPECT_EQ(GluiSpinnerPart(spin, spin->x, spin->y + 5), GLUI_PART_LABEL);
    EXPECT_EQ(GluiSpinnerPart(spin, spin->x + spin->w, spin->y + 5), GLUI_PART_NONE);
}

TEST(GluiCaretTest, CaretGoesToTheNearestGapBetweenGlyphs) {
    void* f = GLUT_BITMAP_HELVETICA_12;
    int wA = GluiCharWidth(f, 'A');
    int wB = GluiCharWidth(f, 'B');
    EXPECT_EQ(GluiCaretFromX(f, "ABC", 0, 10, 0), 0);
    EXPECT_EQ(GluiCaretFromX(f, "ABC", 0, 10, 10 + wA / 2 - 1), 0);
    EXPECT_EQ(GluiCaretFromX(f, "ABC", 0, 10, 10 + wA / 2), 1);
    EXPECT_EQ(GluiCaretFromX(f, "ABC", 0, 10, 10 + wA + wB - 1), 2);
    EXPECT_EQ(GluiCaretFromX(f, "ABC", 0, 10, 500), 3);
    // Scrolled: the first glyph shown is 'B'.
    EXPECT_EQ(GluiCaretFromX(f, "ABC", 1, 10, 10), 1);
    EXPECT_EQ(GluiCaretFromX(f, "ABC", 9, 10, 10), 3);
}

TEST(GluiDropdownTest, ListOpensBelowWhenItFitsElseAbove) {
    GluiRect box = {40, 454, 60, 20};
    GluiRect up = GluiDropdownRect(box, 3, 480);
    EXPECT_EQ(up.y + up.h, box.y);
    EXPECT_EQ(up.x, box.x);
    EXPECT_EQ(up.w, box.w);
    EXPECT_GE(up.h, 3 * GLUI_DROPDOWN_ITEM_H);
    GluiRect down = GluiDropdownRect({40, 10, 60, 20}, 3, 480);
    EXPECT_EQ(down.y, 30);
    // Too many items for either side: it stays inside the window's top edge.
    GluiRect big = GluiDropdownRect(box, 100, 480);
    EXPECT_GE(big.y, 0);
}
