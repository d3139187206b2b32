// boneloom: the viewer's entry point. Opens the one window, registers every
// callback, loads data/tris.skm and data/tris.skp, builds the control strip
// and hands control to the GLUT main loop.
#include <GL/freeglut.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/frame.h"
#include "app/input.h"
#include "app/menus.h"
#include "glui/glui.h"
#include "panels/panels.h"
#include "platform/clock.h"

static const char* USAGE =
    "usage: boneloom [GLUT options]\n"
    "Opens data/tris.skm and data/tris.skp from the working directory and shows\n"
    "the skeleton. The command line goes to GLUT (for example -display :0).\n"
    "Right-click the 3D view for the menu; release a character key to step the\n"
    "bones whose names start with it; Left/Right select a bone; drag to turn.\n";

int main(int argc, char** argv) {
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            fputs(USAGE, stdout);
            return 0;
        }
    }
    // Past a file size limit (ulimit -f) a save must fail with EFBIG and be
    // reported, its temporary file removed, rather than kill the viewer.
    signal(SIGXFSZ, SIG_IGN);
    // Console lines should appear as they happen, also when piped to a log.
    setvbuf(stdout, nullptr, _IOLBF, 0);

    ClockBeginPeriod(1);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_MULTISAMPLE);
    glutInitWindowPosition(0, 0);
    glutInitWindowSize(640, 480);
    glutInit(&argc, argv);
    MainWindow = glutCreateWindow("boneloom");
    if (MainWindow == 0) exit(0);

    glutIgnoreKeyRepeat(1);
    ClearKeys();
    glutKeyboardUpFunc(HandleKeyUp);
    glutMotionFunc(HandleMotion);
    glutSpecialUpFunc(HandleSpecialUp);

    InitGL();
    BuildMenus();
    InitScene();

    BuildPanelSelector();
    BonePanelShown = 1;
    MeshPanelShown = 1;
    SwitchPanel("Bone");

    glutDisplayFunc(HandleDisplay);
    glutIdleFunc(nullptr);
    GLUI_Master.set_glutIdleFunc(HandleIdle);
    GLUI_Master.set_glutReshapeFunc(HandleReshape);
    GLUI_Master.set_glutKeyboardFunc(HandleKeyDown);
    GLUI_Master.set_glutMouseFunc(HandleMouse);
    GLUI_Master.set_glutSpecialFunc(HandleSpecialDown);

    glutMainLoop();
    ClockEndPeriod(1);
    return 0;
}
