// glui-demo: one window with two control strips that show every control of the
// layer; the controls drive a square drawn above them, and the window reports
// the last callback. State: the demo's settings below.
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "glui/glui.h"

namespace {

enum {
    ID_COLOR = 1,
    ID_ANGLE,
    ID_SIZE,
    ID_RESET,
    ID_CAPTION,
    ID_FILLED,
    ID_APPLY,
    ID_NOTE,
    ID_UNLOCK
};

const char* const COLOR_NAMES[] = {"Orange", "Teal", "Violet"};
const float COLORS[][3] = {{0.95f, 0.55f, 0.15f}, {0.15f, 0.70f, 0.65f}, {0.60f, 0.40f, 0.85f}};

int DemoWindow = 0;
int ColorChoice = 0;
float Angle = 30.0f;
int Size = 5;
int Filled = 1;
int Unlocked = 0;
std::string Caption = "Hello, strips";
std::string LastEvent = "none yet";
GLUI_EditText* CaptionEdit = nullptr;
GLUI_EditText* NoteEdit = nullptr;
GLUI_Spinner* AngleSpinner = nullptr;
GLUI_Spinner* SizeSpinner = nullptr;

void DrawText(float x, float y, const std::string& text) {
    glRasterPos2f(x, y);
    for (char c : text) glutBitmapCharacter(GLUT_BITMAP_HELVETICA_12, c);
}

void HandleDisplay() {
    glClearColor(0.12f, 0.13f, 0.16f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    int x, y, w, h;
    GLUI_Master.get_viewport_area(&x, &y, &w, &h);
    glViewport(x, y, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, w > 0 ? w : 1, 0.0, h > 0 ? h : 1, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glPushMatrix();
    glTranslatef(w * 0.5f, h * 0.5f, 0.0f);
    glRotatef(Angle, 0.0f, 0.0f, 1.0f);
    float half = 8.0f * (float)Size;
    glColor3fv(COLORS[ColorChoice >= 0 && ColorChoice < 3 ? ColorChoice : 0]);
    glPolygonMode(GL_FRONT_AND_BACK, Filled ? GL_FILL : GL_LINE);
    glRectf(-half, -half, half, half);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glPopMatrix();

    glColor3f(0.92f, 0.92f, 0.92f);
    DrawText(12.0f, (float)h - 22.0f, Caption);
    glColor3f(0.65f, 0.68f, 0.72f);
    char state[160];
    std::snprintf(state, sizeof state, "angle %.1f   size %d   %s   %s", Angle, Size,
                  COLOR_NAMES[ColorChoice % 3], Filled ? "filled" : "outline");
    DrawText(12.0f, (float)h - 42.0f, state);
    DrawText(12.0f, 12.0f, "last callback: " + LastEvent);
    glutSwapBuffers();
}

void HandleReshape(int, int) {
    int x, y, w, h;
    GLUI_Master.get_viewport_area(&x, &y, &w, &h);
    glViewport(x, y, w, h);
    glutPostRedisplay();
}

void HandleKey(unsigned char key, int, int) {
    if (key == 27) std::exit(0);
}

void OnControl(int id) {
    char text[200];
    switch (id) {
        case ID_COLOR:
            std::snprintf(text, sizeof text, "color -> %s", COLOR_NAMES[ColorChoice % 3]);
            break;
        case ID_ANGLE:
            std::snprintf(text, sizeof text, "angle -> %.2f", Angle);
            break;
        case ID_SIZE:
            std::snprintf(text, sizeof text, "size -> %d", Size);
            break;
        case ID_RESET:
            AngleSpinner->set_float_val(0.0f);
            SizeSpinner->set_int_val(5);
            std::snprintf(text, sizeof text, "Reset");
            break;
        case ID_CAPTION:
            std::snprintf(text, sizeof text, "caption edited to \"%.60s\"",
                          CaptionEdit->get_text());
            break;
        case ID_FILLED:
            std::snprintf(text, sizeof text, "filled -> %d", Filled);
            break;
        case ID_APPLY:
            Caption = CaptionEdit->get_text();
            std::snprintf(text, sizeof text, "Apply");
            break;
        case ID_NOTE:
            std::snprintf(text, sizeof text, "note edited to \"%.60s\"", NoteEdit->get_text());
            break;
        case ID_UNLOCK:
            if (Unlocked) {
                NoteEdit->enable();
            } else {
                NoteEdit->disable();
            }
            std::snprintf(text, sizeof text, "unlock -> %d", Unlocked);
            break;
        default:
            std::snprintf(text, sizeof text, "control %d", id);
            break;
    }
    LastEvent = text;
}

void BuildStrips() {
    GLUI* bottom = GLUI_Master.create_glui_subwindow(DemoWindow, GLUI_SUBWINDOW_BOTTOM);
    bottom->set_main_gfx_window(DemoWindow);
    GLUI_Listbox* list = bottom->add_listbox("color:", &ColorChoice, ID_COLOR, OnControl);
    for (int i = 0; i < 3; i++) list->add_item(i, COLOR_NAMES[i]);
    bottom->add_column(1);
    AngleSpinner = bottom->add_spinner("angle:", GLUI_SPINNER_FLOAT, &Angle, ID_ANGLE, OnControl);
    AngleSpinner->set_int_limits(-360, 360, GLUI_LIMIT_CLAMP);
    bottom->add_column(1);
    SizeSpinner = bottom->add_spinner("size:", GLUI_SPINNER_INT, &Size, ID_SIZE, OnControl);
    SizeSpinner->set_int_limits(1, 20, GLUI_LIMIT_CLAMP);
    bottom->add_column(1);
    bottom->add_button("Reset", ID_RESET, OnControl);

    GLUI* top = GLUI_Master.create_glui_subwindow(DemoWindow, GLUI_SUBWINDOW_BOTTOM);
    top->set_main_gfx_window(DemoWindow);
    GLUI_Panel* text = top->add_panel("text", GLUI_PANEL_RAISED);
    CaptionEdit = top->add_edittext_to_panel(text, "caption:", GLUI_EDITTEXT_TEXT, nullptr,
                                             ID_CAPTION, OnControl);
    CaptionEdit->set_text(Caption.c_str());
    CaptionEdit->set_w(160);
    top->add_column_to_panel(text, 1);
    GLUI_Checkbox* filled =
        top->add_checkbox_to_panel(text, "Filled", &Filled, ID_FILLED, OnControl);
    filled->set_font(GLUT_BITMAP_HELVETICA_10);
    top->add_column_to_panel(text, 1);
    top->add_button_to_panel(text, "Apply", ID_APPLY, OnControl);
    top->add_column(0);
    GLUI_Panel* locked = top->add_panel("Locked", GLUI_PANEL_EMBOSSED);
    NoteEdit = top->add_edittext_to_panel(locked, "note:", GLUI_EDITTEXT_TEXT, nullptr, ID_NOTE,
                                          OnControl);
    NoteEdit->set_font(GLUT_BITMAP_HELVETICA_10);
    NoteEdit->set_text("disabled");
    NoteEdit->set_w(80);
    NoteEdit->disable();
    top->add_column_to_panel(locked, 0);
    top->add_checkbox_to_panel(locked, "Unlock", &Unlocked, ID_UNLOCK, OnControl);
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf(
                "usage: glui-demo [GLUT options]\n"
                "Shows every control of the boneloom control layer in one window: a listbox,\n"
                "float and int spinners, buttons, edit texts (one disabled), checkboxes,\n"
                "raised and embossed panels and column bars. Esc over the square quits.\n");
            return 0;
        }
    }
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE);
    glutInitWindowPosition(0, 0);
    glutInitWindowSize(640, 480);
    glutInit(&argc, argv);
    DemoWindow = glutCreateWindow("glui demo");
    if (DemoWindow == 0) return 1;
    glutDisplayFunc(HandleDisplay);
    BuildStrips();
    GLUI_Master.set_glutReshapeFunc(HandleReshape);
    GLUI_Master.set_glutKeyboardFunc(HandleKey);
    glutMainLoop();
    return 0;
}
