// The right-button pop-up menu with its "Display" submenu, and the display
// options they switch.
#include "app/menus.h"

#include <GL/freeglut.h>

#include <cstdlib>

#include "app/camera.h"
#include "app/screenshot.h"
#include "session/export.h"
#include "model/model.h"
#include "panels/undo.h"
#include "session/session.h"

void ToggleShowFPS() { ShowFPS = ShowFPS ? 0 : 1; }
void ToggleWireframe() { Wireframe = Wireframe ? 0 : 1; }
void ToggleFlyMode() { FlyMode = FlyMode ? 0 : 1; }
void ToggleShowQuats() { ShowQuats = ShowQuats ? 0 : 1; }
void ToggleShowMesh() { ShowMesh = ShowMesh ? 0 : 1; }
void ToggleShowWeights() { ShowWeights = ShowWeights ? 0 : 1; }
void ToggleShowNames() { ShowNames = ShowNames ? 0 : 1; }
void ToggleShowGrid() { ShowGrid = ShowGrid ? 0 : 1; }
void ToggleShowStats() { ShowStats = ShowStats ? 0 : 1; }

void BuildMenus() {
    int display = glutCreateMenu(HandleDisplayMenu);
    glutAddMenuEntry("Show FPS", MENU_SHOW_FPS);
    glutAddMenuEntry("Wireframe", MENU_WIREFRAME);
    glutAddMenuEntry("Backface Culling", MENU_BACKFACE);
    glutAddMenuEntry("Full Screen", MENU_FULL_SCREEN);
    glutAddMenuEntry("Toogle Fly Mode", MENU_FLY_MODE);
    glutAddMenuEntry("Show Quats", MENU_SHOW_QUATS);
    glutAddMenuEntry("Show Mesh", MENU_SHOW_MESH);
    glutAddMenuEntry("Show Weights", MENU_SHOW_WEIGHTS);
    glutAddMenuEntry("Show Names", MENU_SHOW_NAMES);
    glutAddMenuEntry("Show Grid", MENU_SHOW_GRID);
    glutAddMenuEntry("Show Stats", MENU_SHOW_STATS);

    glutCreateMenu(HandleMainMenu);
    glutAddMenuEntry("Model: Save SKP file", MENU_SAVE_SKP);
    glutAddMenuEntry("Model: Save SKM file", MENU_SAVE_SKM);
    glutAddSubMenu("Display", display);
    glutAddMenuEntry("Exit", MENU_EXIT);
    glutAddMenuEntry("Undo", MENU_UNDO);
    glutAddMenuEntry("Redo", MENU_REDO);
    glutAddMenuEntry("Save Screenshot", MENU_SAVE_SCREENSHOT);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
}

// FullScreen follows only the program's own requests: a window that left full
// screen by other means is simply reshaped to 640 x 480 on the next choice.
void HandleDisplayMenu(int value) {
    switch (value) {
        case MENU_SHOW_FPS:
            ToggleShowFPS();
            break;
        case MENU_WIREFRAME:
            ToggleWireframe();
            break;
        case MENU_BACKFACE:
            if (glIsEnabled(GL_CULL_FACE))
                glDisable(GL_CULL_FACE);
            else
                glEnable(GL_CULL_FACE);
            break;
        case MENU_FULL_SCREEN:
            if (FullScreen) {
                glutReshapeWindow(640, 480);
                FullScreen = 0;
            } else {
                glutFullScreen();
                FullScreen = 1;
            }
            break;
        case MENU_FLY_MODE:
            ToggleFlyMode();
            break;
        case MENU_SHOW_QUATS:
            ToggleShowQuats();
            break;
        case MENU_SHOW_MESH:
            ToggleShowMesh();
            break;
        case MENU_SHOW_WEIGHTS:
            ToggleShowWeights();
            break;
        case MENU_SHOW_NAMES:
            ToggleShowNames();
            break;
        case MENU_SHOW_GRID:
            ToggleShowGrid();
            break;
        case MENU_SHOW_STATS:
            ToggleShowStats();
            break;
        default:
            break;
    }
    glutPostRedisplay();
}

// The exporters report on the console themselves; their results are not ours
// to act on.
void HandleMainMenu(int value) {
    switch (value) {
        case MENU_SAVE_SKP:
            if (CurrentModel && WriteSKP(CurrentModel)) NoteSKPSaved();
            break;
        case MENU_SAVE_SKM:
            if (CurrentModel && WriteSKM(CurrentModel)) NoteSKMSaved();
            break;
        case MENU_UNDO:
            UndoEdit();
            break;
        case MENU_REDO:
            RedoEdit();
            break;
        case MENU_SAVE_SCREENSHOT:
            RequestScreenshot();
            break;
        case MENU_EXIT:
            exit(0);
        default:
            break;
    }
    glutPostRedisplay();
}
