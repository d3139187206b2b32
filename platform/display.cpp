// The display options and the main window id (see display.h).
#include "platform/display.h"

int ShowFPS = 1;
int Wireframe = 0;
int FullScreen = 0;
int ShowQuats = 0;
int FlyMode = 0;
int ShowMesh = 0;
int MainWindow = 0;
