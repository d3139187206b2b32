// The viewer's display options and its main window id: plain values the menus
// and the start-up write and the frame, the HUD and the camera read. Kept here,
// with no dependencies, so every layer of the viewer can reach them without
// reaching up into app/.
#pragma once

extern int ShowFPS;     // 1: the frame-rate text is drawn (starts 1)
extern int Wireframe;   // 1: polygons drawn as lines
extern int FullScreen;  // 1: the program put the window into full-screen mode
extern int ShowQuats;   // 1: the renderer draws each parent bone's axes
extern int FlyMode;     // 0: orbit camera; nonzero: fly camera
extern int ShowMesh;    // 1: the skinned meshes are drawn under the skeleton (starts 0)
extern int ShowWeights; // 1: meshes in the heat map of the selected bone's influence
extern int ShowNames;   // 1: each bone's name beside its joint
extern int ShowGrid;    // 1: the ground grid under the model
extern int ShowStats;   // 1: the model statistics block of the HUD
extern int MainWindow;  // GLUT id of the one main window; 0 before it exists
