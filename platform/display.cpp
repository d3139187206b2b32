// The display options and the main window id (see display.h).
#include "platform/display.h"

int ShowFPS = 1;
int Wireframe = 0;
int FullScreen = 0;
int ShowQuats = 0;
int FlyMode = 0;
int ShowMesh = 0;
int ShowWeights = 0;
int ShowNames = 0;
int ShowGrid = 0;
int ShowStats = 0;
int MainWindow = 0;
