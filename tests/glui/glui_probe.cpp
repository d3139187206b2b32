// glui-probe: a test program for the control layer's window tests. It builds the
// strips the way the viewer does (a "panel:" selector, then one panel at a time
// above it) and prints every callback, reshape and main-window event on stdout,
// and on the key "l" the layer's description of the strips, so scripts can drive
// it with xdotool.
#include <GL/freeglut.h>

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "glui/glui_core.h"

namespace {

int MainWindow = 0;
int PanelChoice = 0;
int RenameOn = 0;
float Angles[3] = {0.0f, 0.0f, 0.0f}; // pitch, yaw, roll
GLUI* Panel = nullptr;
std::string PanelName;
GLUI_EditText* NameEdit = nullptr;
GLUI_EditText* SkinEdit = nullptr;

void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

// Where every control is, as the layer describes it to tests.
void DumpLayout() { Say("%slayout done\n", GluiDescribeLayout().c_str()); }

void SayViewport(const char* what) {
    int x, y, w, h;
    GLUI_Master.get_viewport_area(&x, &y, &w, &h);
    Say("%s %d %d %d %d\n", what, x, y, w, h);
}

void OnButton(int id) { Say("button %d current %d\n", id, glutGetWindow() == MainWindow); }
void OnCheckbox(int id) {
    Say("checkbox %d %d\n", id, RenameOn);
    if (NameEdit) RenameOn ? NameEdit->enable() : NameEdit->disable();
}
void OnEdit(int id) {
    GLUI_EditText* e = id == 111 ? SkinEdit : NameEdit;
    Say("edit %d [%s]\n", id, e ? e->get_text() : "");
}
void OnSpinner(int id) { Say("spinner %d %g %g %g\n", id, Angles[1], Angles[0], Angles[2]); }
void OnRotate(int) { Say("rotate %g %g %g\n", Angles[1], Angles[0], Angles[2]); }
void OnClose(int) {
    Say("closing own panel\n");
    Panel->close();
    Panel = nullptr;
    PanelName.clear();
    NameEdit = SkinEdit = nullptr;
}

void Resize() {
    if (NameEdit) {
        NameEdit->set_w(256);
        NameEdit->set_h(20);
    }
    if (SkinEdit) {
        SkinEdit->set_w(256);
        SkinEdit->set_h(20);
    }
}

GLUI* NewPanelStrip() {
    GLUI* g = GLUI_Master.create_glui_subwindow(MainWindow, GLUI_SUBWINDOW_BOTTOM);
    g->set_main_gfx_window(MainWindow);
    return g;
}

void BuildBone() {
    Panel = NewPanelStrip();
    GLUI_Panel* p = Panel->add_panel("Bone", GLUI_PANEL_RAISED);
    NameEdit = Panel->add_edittext_to_panel(p, "bone:", GLUI_EDITTEXT_TEXT, nullptr, 100, OnEdit);
    NameEdit->set_font(GLUT_BITMAP_HELVETICA_10);
    NameEdit->set_text("Spine");
    Panel->add_column_to_panel(p, 1);
    RenameOn = 0;
    Panel->add_checkbox_to_panel(p, "Rename", &RenameOn, 102, OnCheckbox)
        ->set_font(GLUT_BITMAP_HELVETICA_10);
    NameEdit->disable();
    Panel->add_column_to_panel(p, 1);
    Panel->add_button_to_panel(p, "Prev", 1, OnButton);
    Panel->add_column_to_panel(p, 1);
    Panel->add_button_to_panel(p, "Next", 2, OnButton);
    Panel->add_column_to_panel(p, 1);
    Panel->add_button_to_panel(p, "Close", 3, OnClose);
}

void BuildMesh() {
    Panel = NewPanelStrip();
    GLUI_Panel* p = Panel->add_panel("meshpanel", GLUI_PANEL_RAISED);
    p->set_alignment(GLUI_ALIGN_LEFT);
    NameEdit = Panel->add_edittext_to_panel(p, "mesh:", GLUI_EDITTEXT_TEXT, nullptr, 110, OnEdit);
    NameEdit->set_text("body");
    Panel->add_column_to_panel(p, 1);
    Panel->add_button_to_panel(p, "Next", 4, OnButton);
    GLUI_Panel* s = Panel->add_panel("skin", GLUI_PANEL_RAISED);
    s->set_alignment(GLUI_ALIGN_LEFT);
    SkinEdit = Panel->add_edittext_to_panel(s, "skin:", GLUI_EDITTEXT_TEXT, nullptr, 111, OnEdit);
    SkinEdit->set_text("skin0");
}

void BuildRotate() {
    Panel = NewPanelStrip();
    const char* labels[3] = {"Yaw:", "Pitch:", "Roll:"};
    float* vars[3] = {&Angles[1], &Angles[0], &Angles[2]};
    for (int i = 0; i < 3; i++) {
        GLUI_Spinner* sp =
            Panel->add_spinner(labels[i], GLUI_SPINNER_FLOAT, vars[i], 20 + i, OnSpinner);
        sp->set_int_limits(-360, 360, GLUI_LIMIT_CLAMP);
        Panel->add_column(1);
    }
    Panel->add_button("Rotate", 200, OnRotate);
}

void SwitchTo(const std::string& name) {
    if (name == PanelName) return;
    if (Panel) Panel->close();
    NameEdit = SkinEdit = nullptr;
    if (name == "Bone") BuildBone();
    if (name == "Mesh") BuildMesh();
    if (name == "Rotate") BuildRotate();
    PanelName = name;
    Say("switched %s\n", name.c_str());
}

const char* const PANEL_NAMES[3] = {"Bone", "Mesh", "Rotate"};

void OnSelect(int id) {
    Say("listbox %d %d current %d\n", id, PanelChoice, glutGetWindow() == MainWindow);
    if (PanelChoice >= 0 && PanelChoice < 3) SwitchTo(PANEL_NAMES[PanelChoice]);
}

void HandleDisplay() {
    glClearColor(0.15f, 0.2f, 0.3f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glutSwapBuffers();
}

// As the viewer does: hide the panel, take the free area, resize the panel, show it.
void HandleReshape(int w, int h) {
    if (Panel) Panel->hide();
    int x, y, vw, vh;
    GLUI_Master.get_viewport_area(&x, &y, &vw, &vh);
    glViewport(x, y, vw, vh);
    Say("reshape %d %d viewport %d %d %d %d\n", w, h, x, y, vw, vh);
    if (Panel) {
        Resize();
        Panel->show();
    }
    glutPostRedisplay();
}

void HandleKey(unsigned char key, int x, int y) {
    Say("key %d %d %d\n", key, x, y);
    if (key == 'l') DumpLayout();
    if (key == 'v') SayViewport("viewport");
    if (key == 'c' && Panel) {
        Panel->close();
        Panel = nullptr;
        PanelName.clear();
        NameEdit = SkinEdit = nullptr;
        Say("closed panel\n");
    }
    if (key == 'q') std::exit(0);
}

// Like the viewer, the main window is drawn continuously from idle.
void HandleIdle() {
    if (glutGetWindow() != MainWindow) glutSetWindow(MainWindow);
    glutPostRedisplay();
    usleep(10000);
}

void HandleSpecial(int key, int, int) { Say("special %d\n", key); }
void HandleMouse(int button, int state, int x, int y) {
    Say("mouse %d %d %d %d\n", button, state, x, y);
}

} // namespace

int main(int argc, char** argv) {
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowPosition(0, 0);
    glutInitWindowSize(640, 480);
    glutInit(&argc, argv);
    // The pid in the title lets a test find its own probe's window.
    char title[64];
    std::snprintf(title, sizeof title, "glui probe %d", (int)getpid());
    MainWindow = glutCreateWindow(title);
    if (MainWindow == 0) return 1;
    GLUI* selector = GLUI_Master.create_glui_subwindow(MainWindow, GLUI_SUBWINDOW_BOTTOM);
    selector->set_main_gfx_window(MainWindow);
    GLUI_Listbox* list = selector->add_listbox("panel:", &PanelChoice, 300, OnSelect);
    for (int i = 0; i < 3; i++) list->add_item(i, PANEL_NAMES[i]);
    selector->add_column(1);
    SwitchTo(argc > 1 ? argv[1] : "Bone");
    glutDisplayFunc(HandleDisplay);
    GLUI_Master.set_glutIdleFunc(HandleIdle);
    GLUI_Master.set_glutReshapeFunc(HandleReshape);
    GLUI_Master.set_glutKeyboardFunc(HandleKey);
    GLUI_Master.set_glutSpecialFunc(HandleSpecial);
    GLUI_Master.set_glutMouseFunc(HandleMouse);
    Say("ready\n");
    glutMainLoop();
    return 0;
}
