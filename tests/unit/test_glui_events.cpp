// Clicks, drags and typing on controls of strips without a window: callbacks, live
// variables, edits, the listbox drop-down and closing strips.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "glui/glui_core.h"
#include "tests/unit/test_panels_fixture.h"

namespace {

std::vector<int> Calls;
std::vector<std::string> CallTexts;
GLUI_EditText* WatchedEdit = nullptr;

void Record(int id) {
    Calls.push_back(id);
    CallTexts.push_back(WatchedEdit ? WatchedEdit->get_text() : "");
}

class GluiEventTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Calls.clear();
        CallTexts.clear();
        WatchedEdit = nullptr;
        GluiSetWindowSize(0, 640, 480);
        g = GLUI_Master.create_glui_subwindow(0, GLUI_SUBWINDOW_BOTTOM);
        g->set_main_gfx_window(0);
    }
    void TearDown() override { CloseAllStrips(); }
    void Lay() {
        GluiLayout(g);
        GluiArrangeStrips(0);
    }
    static void ClickControl(GLUI_Control* c) {
        ClickStrip(c->glui, c->x + c->w / 2, c->y + c->h / 2);
    }
    static void ClickBox(GLUI_Control* c) {
        GluiRect box = GluiFieldRect(c);
        ClickStrip(c->glui, box.x + box.w - 4, box.y + box.h / 2);
    }
    GLUI* g = nullptr;
};

} // namespace

TEST_F(GluiEventTest, ButtonCallsBackOnAReleaseInsideOnly) {
    GLUI_Button* b = g->add_button("Rotate", 200, Record);
    Lay();
    ClickControl(b);
    ASSERT_EQ(Calls, std::vector<int>{200});
    // Pressed, dragged off, released outside: no call, and it is drawn up again.
    GluiMouse(g, GLUT_LEFT_BUTTON, GLUT_DOWN, b->x + 2, b->y + 2);
    EXPECT_TRUE(b->pressed);
    GluiMotion(g, b->x + b->w + 20, b->y + 2);
    EXPECT_FALSE(b->pressed);
    GluiMouse(g, GLUT_LEFT_BUTTON, GLUT_UP, b->x + b->w + 20, b->y + 2);
    EXPECT_EQ(Calls.size(), 1u);
    // Other buttons and disabled buttons do nothing.
    GluiMouse(g, GLUT_RIGHT_BUTTON, GLUT_DOWN, b->x + 2, b->y + 2);
    GluiMouse(g, GLUT_RIGHT_BUTTON, GLUT_UP, b->x + 2, b->y + 2);
    b->disable();
    ClickControl(b);
    EXPECT_EQ(Calls.size(), 1u);
    b->enable();
    ClickControl(b);
    EXPECT_EQ(Calls.size(), 2u);
}

TEST_F(GluiEventTest, CheckboxTogglesItsLiveIntAndCallsBackEachTime) {
    int on = 0;
    GLUI_Checkbox* box = g->add_checkbox("Rename", &on, 102, Record);
    Lay();
    ClickControl(box);
    EXPECT_EQ(on, 1);
    ClickControl(box);
    EXPECT_EQ(on, 0);
    EXPECT_EQ(Calls, (std::vector<int>{102, 102}));
    // The program's own writes to the live variable are what the next toggle starts from.
    on = 1;
    ClickControl(box);
    EXPECT_EQ(on, 0);
    box->disable();
    ClickControl(box);
    EXPECT_EQ(on, 0);
    EXPECT_EQ(Calls.size(), 3u);
}

TEST_F(GluiEventTest, ListboxChoiceSetsTheLiveIntToTheItemsIdAndCallsBack) {
    int choice = 0;
    GLUI_Listbox* list = g->add_listbox("panel:", &choice, 300, Record);
    list->add_item(0, "Bone");
    list->add_item(1, "Mesh");
    list->add_item(7, "Rotate");
    g->add_column(1);
    Lay();
    EXPECT_EQ(GluiListboxShownItem(list), 0);

    ClickBox(list);
    ASSERT_EQ(GluiOpenDropdown.listbox, list);
    // The list opens above the strip at the window's bottom edge, one row per item.
    const GluiRect& r = GluiOpenDropdown.rect;
    EXPECT_LE(r.y + r.h, g->strip_y + list->y);
    EXPECT_EQ(GluiDropdownItemAt(r.x + 5, r.y + 1 + 2 * GLUI_DROPDOWN_ITEM_H + 3), 2);
    EXPECT_EQ(GluiDropdownItemAt(r.x - 1, r.y + 3), -1);
    GluiChooseDropdownItem(2);
    EXPECT_EQ(GluiOpenDropdown.listbox, nullptr);
    EXPECT_EQ(choice, 7);
    EXPECT_EQ(GluiListboxShownItem(list), 2);
    EXPECT_EQ(Calls, std::vector<int>{300});

    // A second press on the listbox closes the list without a choice.
    ClickBox(list);
    ClickBox(list);
    EXPECT_EQ(GluiOpenDropdown.listbox, nullptr);
    EXPECT_EQ(Calls.size(), 1u);

    // Press on the box, drag into the list, release on "Mesh".
    GluiRect box = GluiFieldRect(list);
    GluiMouse(g, GLUT_LEFT_BUTTON, GLUT_DOWN, box.x + 5, box.y + 5);
    int itemY = GluiOpenDropdown.rect.y + 1 + GLUI_DROPDOWN_ITEM_H + 4 - g->strip_y;
    GluiMotion(g, box.x + 5, itemY);
    EXPECT_EQ(GluiOpenDropdown.hover, 1);
    GluiMouse(g, GLUT_LEFT_BUTTON, GLUT_UP, box.x + 5, itemY);
    EXPECT_EQ(choice, 1);
    EXPECT_EQ(Calls.size(), 2u);

    // A press meant for the list that reached the strip under it (the list's window was
    // not on screen yet) still chooses.
    GLUI* above = GLUI_Master.create_glui_subwindow(0, GLUI_SUBWINDOW_BOTTOM);
    above->add_button("Under the list", 5, Record);
    Lay();
    ClickBox(list);
    const GluiRect& open = GluiOpenDropdown.rect;
    int rotateY = open.y + 1 + 2 * GLUI_DROPDOWN_ITEM_H + GLUI_DROPDOWN_ITEM_H / 2;
    ASSERT_GE(rotateY, above->strip_y);
    ClickStrip(above, open.x + 5, rotateY - above->strip_y);
    EXPECT_EQ(choice, 7);
    EXPECT_EQ(Calls, (std::vector<int>{300, 300, 300}));
    ClickBox(list);
    EXPECT_TRUE(GluiDropdownPress(0, GLUT_RIGHT_BUTTON, open.x + 5, open.y + 5));
    EXPECT_EQ(GluiOpenDropdown.listbox, nullptr);
    EXPECT_EQ(Calls.size(), 3u);

    // A press elsewhere (the main window) closes it too; disabled listboxes do not open.
    ClickBox(list);
    GluiOutsidePress();
    EXPECT_EQ(GluiOpenDropdown.listbox, nullptr);
    list->disable();
    ClickBox(list);
    EXPECT_EQ(GluiOpenDropdown.listbox, nullptr);
}

TEST_F(GluiEventTest, FloatSpinnerTakesTypedValuesClampedToItsLimits) {
    float yaw = 0.0f;
    GLUI_Spinner* s = g->add_spinner("Yaw:", GLUI_SPINNER_FLOAT, &yaw, -1, Record);
    s->set_int_limits(-360, 360, GLUI_LIMIT_CLAMP);
    Lay();
    GluiRect text = GluiSpinnerTextRect(s);
    auto typeValue = [&](const char* value) {
        ClickStrip(g, text.x + text.w - 3, text.y + 5);
        ASSERT_EQ(GluiFocus(), s);
        for (int i = 0; i < 12; i++) GluiKey(8);
        TypeKeys(value);
        GluiKey(13);
    };
    typeValue("400");
    EXPECT_EQ(yaw, 360.0f);
    EXPECT_EQ(GluiSpinnerText(s), "360");
    typeValue("-1000");
    EXPECT_EQ(yaw, -360.0f);
    typeValue("12.5");
    EXPECT_EQ(yaw, 12.5f);
    EXPECT_EQ(Calls.size(), 3u);
    // Rejected: empty, letters (filtered out, leaving nothing), a lone sign, and the same value.
    typeValue("");
    typeValue("abc");
    typeValue("-");
    typeValue("12.50");
    EXPECT_EQ(yaw, 12.5f);
    EXPECT_EQ(Calls.size(), 3u);
    typeValue("1e300");
    EXPECT_EQ(yaw, 360.0f);

    // Limits set later pull the value in at once.
    s->set_int_limits(-90, 90, GLUI_LIMIT_CLAMP);
    EXPECT_EQ(yaw, 90.0f);
}

TEST_F(GluiEventTest, SpinnerArrowsAndDragsStepWithinTheLimits) {
    int count = 9;
    GLUI_Spinner* s = g->add_spinner("n:", GLUI_SPINNER_INT, &count, 5, Record);
    s->set_int_limits(0, 10, GLUI_LIMIT_CLAMP);
    Lay();
    GluiRect arrows = GluiSpinnerArrowRect(s);
    ClickStrip(g, arrows.x + 3, arrows.y + 2);
    EXPECT_EQ(count, 10);
    ClickStrip(g, arrows.x + 3, arrows.y + 2); // at the limit: no change, no call
    EXPECT_EQ(count, 10);
    EXPECT_EQ(Calls.size(), 1u);
    ClickStrip(g, arrows.x + 3, arrows.y + arrows.h - 2);
    EXPECT_EQ(count, 9);
    // Dragging down from the down arrow lowers the value a unit per pixel.
    GluiMouse(g, GLUT_LEFT_BUTTON, GLUT_DOWN, arrows.x + 3, arrows.y + arrows.h - 2);
    EXPECT_EQ(count, 8);
    GluiMotion(g, arrows.x + 3, arrows.y + arrows.h + 2);
    EXPECT_EQ(count, 4);
    GluiMotion(g, arrows.x + 3, arrows.y + arrows.h + 40);
    EXPECT_EQ(count, 0);
    GluiMouse(g, GLUT_LEFT_BUTTON, GLUT_UP, arrows.x + 3, arrows.y + arrows.h + 40);
    EXPECT_EQ(s->drag_part, 0);
    GluiMotion(g, arrows.x + 3, arrows.y); // released: motion does nothing
    EXPECT_EQ(count, 0);
}

TEST_F(GluiEventTest, EditTextCommitsOnEnterAndCallsBackOnlyWhenTheTextChanged) {
    GLUI_EditText* e = g->add_edittext("bone:", GLUI_EDITTEXT_TEXT, nullptr, 100, Record);
    WatchedEdit = e;
    e->set_text("root");
    Lay();
    ClickBox(e);
    ASSERT_EQ(GluiFocus(), e);
    EXPECT_EQ(e->edit.caret, 4); // clicked right of the text
    TypeKeys("s");
    EXPECT_STREQ(e->get_text(), "root"); // not committed while typing
    GluiKey(13);
    EXPECT_EQ(GluiFocus(), nullptr);
    EXPECT_STREQ(e->get_text(), "roots");
    ASSERT_EQ(Calls, std::vector<int>{100});
    EXPECT_EQ(CallTexts[0], "roots");

    // Typed and removed again: same text, no call.
    ClickBox(e);
    TypeKeys("x");
    GluiKey(8);
    GluiKey(13);
    EXPECT_EQ(Calls.size(), 1u);

    // Caret keys: Home, Delete, End, Left, Backspace.
    ClickBox(e);
    GluiSpecial(GLUT_KEY_HOME);
    GluiKey(127);
    GluiSpecial(GLUT_KEY_END);
    GluiSpecial(GLUT_KEY_LEFT);
    GluiKey(8);
    GluiSpecial(GLUT_KEY_RIGHT);
    TypeKeys("!");
    GluiKey(13);
    EXPECT_STREQ(e->get_text(), "oos!");
    EXPECT_EQ(Calls.size(), 2u);

    // Text set during an edit (the selection stepped while the box had the
    // focus) becomes the edit's base: no call.
    ClickBox(e);
    TypeKeys("x");
    e->set_text("knee");
    GluiKey(13);
    EXPECT_STREQ(e->get_text(), "knee");
    EXPECT_EQ(Calls.size(), 2u);
    e->set_text(nullptr);
    EXPECT_STREQ(e->get_text(), "");
}

TEST_F(GluiEventTest, EscapeAndFocusLeavingEndTheEditAndDisablingRefusesIt) {
    GLUI_EditText* e = g->add_edittext("mesh:", GLUI_EDITTEXT_TEXT, nullptr, 110, Record);
    GLUI_Button* other = g->add_button("Next", 0, Record);
    e->set_text("body");
    Lay();
    ClickBox(e);
    TypeKeys("2");
    GluiKey(27);
    EXPECT_STREQ(e->get_text(), "body2");
    EXPECT_EQ(Calls, std::vector<int>{110});

    // A click on another control ends the edit (with its callback) before the button's.
    ClickBox(e);
    TypeKeys("3");
    ClickControl(other);
    EXPECT_STREQ(e->get_text(), "body23");
    EXPECT_EQ(Calls, (std::vector<int>{110, 110, 0}));

    // Wheel steps over another control are not clicks: the edit goes on.
    ClickBox(e);
    TypeKeys("4");
    GluiMouse(g, 3, GLUT_DOWN, other->x + 2, other->y + 2);
    GluiMouse(g, 3, GLUT_UP, other->x + 2, other->y + 2);
    EXPECT_EQ(GluiFocus(), e);
    GluiKey(8);

    // A press in the main window ends it as well; with nothing typed, silently.
    ClickBox(e);
    GluiOutsidePress();
    EXPECT_EQ(GluiFocus(), nullptr);
    EXPECT_EQ(Calls.size(), 3u);

    // Keys with no focused control go nowhere.
    TypeKeys("zz");
    EXPECT_STREQ(e->get_text(), "body23");

    // Disabled, it takes no input; disabled in the middle of an edit, the
    // edit ends without a callback.
    e->disable();
    ClickBox(e);
    EXPECT_EQ(GluiFocus(), nullptr);
    TypeKeys("abc");
    GluiKey(13);
    EXPECT_STREQ(e->get_text(), "body23");
    e->enable();
    ClickBox(e);
    TypeKeys("X");
    e->disable();
    EXPECT_EQ(GluiFocus(), nullptr);
    TypeKeys("Y");
    EXPECT_EQ(Calls.size(), 3u);
    // Panels pass enable and disable on to their controls.
    GLUI_Panel* p = g->add_panel("", GLUI_PANEL_RAISED);
    GLUI_Button* inner = g->add_button_to_panel(p, "In", 3, Record);
    p->disable();
    EXPECT_FALSE(inner->enabled);
    p->enable();
    EXPECT_TRUE(inner->enabled);
}

TEST(GluiEditTest, KeysEditTheBufferWithinItsBounds) {
    GluiTextEdit edit;
    edit.buffer = "ab";
    edit.caret = 1;
    EXPECT_EQ(GluiEditKey(&edit, 'X', nullptr), GLUI_EDIT_CHANGED);
    EXPECT_EQ(edit.buffer, "aXb");
    EXPECT_EQ(edit.caret, 2);
    EXPECT_EQ(GluiEditKey(&edit, 0x01, nullptr), GLUI_EDIT_IGNORED);
    EXPECT_EQ(GluiEditKey(&edit, 200, nullptr), GLUI_EDIT_IGNORED);
    edit.caret = 0;
    EXPECT_EQ(GluiEditKey(&edit, 8, nullptr), GLUI_EDIT_IGNORED);
    edit.caret = 3;
    EXPECT_EQ(GluiEditKey(&edit, 127, nullptr), GLUI_EDIT_IGNORED);
    EXPECT_EQ(GluiEditSpecial(&edit, GLUT_KEY_RIGHT), GLUI_EDIT_IGNORED);
    EXPECT_EQ(GluiEditSpecial(&edit, GLUT_KEY_F1), GLUI_EDIT_IGNORED);
    EXPECT_EQ(GluiEditKey(&edit, 13, nullptr), GLUI_EDIT_FINISH);
    // A caret left out of range by outside changes is pulled back before use.
    edit.caret = 99;
    EXPECT_EQ(GluiEditKey(&edit, 8, nullptr), GLUI_EDIT_CHANGED);
    EXPECT_EQ(edit.buffer, "aX");
    edit.buffer.assign(GLUI_MAX_TEXT, 'a');
    edit.caret = 0;
    EXPECT_EQ(GluiEditKey(&edit, 'b', nullptr), GLUI_EDIT_IGNORED);
    EXPECT_EQ((int)edit.buffer.size(), GLUI_MAX_TEXT);
}

TEST(GluiEditTest, ScrollKeepsTheCaretInsideTheBox) {
    void* f = GLUT_BITMAP_HELVETICA_12;
    GluiTextEdit edit;
    edit.buffer = std::string(60, 'm');
    edit.caret = 60;
    GluiKeepCaretVisible(f, &edit, 100);
    EXPECT_GT(edit.scroll, 0);
    EXPECT_LE(GluiTextWidth(f, edit.buffer.substr(edit.scroll, 60 - edit.scroll)), 100);
    edit.caret = 0;
    GluiKeepCaretVisible(f, &edit, 100);
    EXPECT_EQ(edit.scroll, 0);
    // After deleting most of the text, nothing stays scrolled away.
    edit.buffer = "mm";
    edit.caret = 2;
    edit.scroll = 2;
    GluiKeepCaretVisible(f, &edit, 100);
    EXPECT_EQ(edit.scroll, 0);
}

TEST(GluiNumberTest, FormatAndParse) {
    EXPECT_EQ(GluiFormatFloat(360.0f), "360");
    EXPECT_EQ(GluiFormatFloat(-12.5f), "-12.5");
    EXPECT_EQ(GluiFormatFloat(0.1f), "0.1");
    EXPECT_EQ(GluiFormatFloat(-0.0f), "0");
    EXPECT_EQ(GluiFormatFloat(-0.0001f), "0");
    double v = 7.0;
    EXPECT_TRUE(GluiParseNumber("-1000", &v));
    EXPECT_EQ(v, -1000.0);
    EXPECT_TRUE(GluiParseNumber("2.5e1 ", &v));
    EXPECT_EQ(v, 25.0);
    v = 7.0;
    for (const char* bad : {"", "-", "1.2.3", "12abc", "nan", "inf", "-infinity", "1e999"}) {
        EXPECT_FALSE(GluiParseNumber(bad, &v)) << bad;
    }
    EXPECT_EQ(v, 7.0);
}

// ---- closing ----

namespace {
GLUI* SelfClosing = nullptr;
GLUI* Replacement = nullptr;
void CloseOwnStrip(int id) {
    Calls.push_back(id);
    SelfClosing->close();
}
void SwitchStrip(int id) {
    Calls.push_back(id);
    SelfClosing->close();
    Replacement = GLUI_Master.create_glui_subwindow(0, GLUI_SUBWINDOW_BOTTOM);
    Replacement->add_button("Fresh", 9, Record);
    // Nothing is deleted while events are being handled.
    GluiProcessCloses();
}
} // namespace

TEST_F(GluiEventTest, ClosedStripTakesNoEventsAndGoesAtTheNextProcessing) {
    GLUI_EditText* e = g->add_edittext("bone:", GLUI_EDITTEXT_TEXT, nullptr, 100, Record);
    GLUI_Button* b = g->add_button("Prev", 0, Record);
    Lay();
    ClickBox(e);
    TypeKeys("abc");
    size_t before = GLUI_Master.guis.size();
    g->close();
    // The edit in progress is dropped without a callback, and nothing reaches the strip.
    EXPECT_EQ(GluiFocus(), nullptr);
    TypeKeys("d");
    GluiKey(13);
    ClickControl(b);
    GluiMotion(g, b->x, b->y);
    EXPECT_TRUE(Calls.empty());
    EXPECT_EQ(GLUI_Master.guis.size(), before);
    GluiProcessCloses();
    EXPECT_EQ(GLUI_Master.guis.size(), before - 1);
    g = nullptr;
}

TEST_F(GluiEventTest, CallbackMayCloseItsOwnStripOrSwitchToANewOne) {
    GLUI_Button* quit = g->add_button("Close", 1, CloseOwnStrip);
    Lay();
    SelfClosing = g;
    ClickControl(quit);
    EXPECT_EQ(Calls, std::vector<int>{1});
    GluiProcessCloses();
    EXPECT_TRUE(GLUI_Master.guis.empty());

    GLUI* selector = GLUI_Master.create_glui_subwindow(0, GLUI_SUBWINDOW_BOTTOM);
    int choice = 0;
    GLUI_Listbox* list = selector->add_listbox("panel:", &choice, 300, SwitchStrip);
    list->add_item(0, "Bone");
    list->add_item(1, "Mesh");
    SelfClosing = GLUI_Master.create_glui_subwindow(0, GLUI_SUBWINDOW_BOTTOM);
    SelfClosing->add_button("Old", 2, Record);
    g = selector;
    Lay();
    ClickBox(list);
    GluiChooseDropdownItem(1);
    EXPECT_EQ(choice, 1);
    ASSERT_EQ(GLUI_Master.guis.size(), 3u); // the closed strip waits for the next processing
    GluiProcessCloses();
    ASSERT_EQ(GLUI_Master.guis.size(), 2u);
    EXPECT_EQ(GLUI_Master.guis[0], selector);
    EXPECT_EQ(GLUI_Master.guis[1], Replacement);
    int x, y, w, h;
    GLUI_Master.get_viewport_area(&x, &y, &w, &h);
    EXPECT_EQ(y, GluiStripHeight(selector) + GluiStripHeight(Replacement));
}
