// boneloom: the viewer's entry point. Takes its own arguments, opens the one
// window, registers every callback, loads the model (data/tris.skm and
// data/tris.skp unless another is named), builds the control strip and hands
// control to the GLUT main loop.
#include <GL/freeglut.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/command_line.h"
#include "app/frame.h"
#include "app/input.h"
#include "app/menus.h"
#include "glui/glui.h"
#include "overlay/hud.h"
#include "panels/panels.h"
#include "platform/clock.h"

static const char* USAGE =
    "usage: boneloom [GLUT options] [--mesh] [MODEL]\n"
    "Opens MODEL.skm and MODEL.skp (MODEL given as path/name, path/name.skm or\n"
    "path/name.skp; default data/tris, from the working directory) and shows the\n"
    "skeleton.\n"
    "  --mesh   also show the skinned meshes from the start (Display menu: Show\n"
    "           Mesh); a mesh whose skin names a TGA file in the model's folder or\n"
    "           the working directory is drawn with that texture\n"
    "Other options go to GLUT (for example -display :0). Exports go to\n"
    "data/out.skm and data/out.skp in the working directory.\n"
    "Right-click the 3D view for the menu; release a character key to step the\n"
    "bones whose names start with it; Left/Right select a bone; drag to turn.\n";

int main(int argc, char** argv) {
    ViewerCommandLine args;
    if (!ParseViewerCommandLine(&argc, argv, &args)) {
        fprintf(stderr, "boneloom: %s\n%s", args.error.c_str(), USAGE);
        return 2;
    }
    if (args.help) {
        fputs(USAGE, stdout);
        return 0;
    }
    StartModelSKM = args.skm;
    HUDModelName = args.model;
    ShowMesh = args.mesh ? 1 : 0;
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
    // The title names the model, after the program's name that window
    // managers and scripts look for.
    std::string title = "boneloom - " + args.model;
    MainWindow = glutCreateWindow(title.c_str());
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
