// The right-button pop-up menu and its "Display" submenu, which switch the
// display options of platform/display.h.
#pragma once

#include "platform/display.h"

// Display submenu values.
constexpr int MENU_SHOW_FPS = 1;
constexpr int MENU_WIREFRAME = 2;
constexpr int MENU_BACKFACE = 3;
constexpr int MENU_FULL_SCREEN = 4;
constexpr int MENU_FLY_MODE = 5;
constexpr int MENU_SHOW_QUATS = 6;
constexpr int MENU_SHOW_MESH = 7;
constexpr int MENU_SHOW_WEIGHTS = 8;
constexpr int MENU_SHOW_NAMES = 9;
constexpr int MENU_SHOW_GRID = 10;
constexpr int MENU_SHOW_STATS = 11;
// Main menu values.
constexpr int MENU_SAVE_SKP = 5;
constexpr int MENU_SAVE_SKM = 6;
constexpr int MENU_SAVE_SCREENSHOT = 20;
constexpr int MENU_EXIT = 255;
constexpr int MENU_UNDO = 30;
constexpr int MENU_REDO = 31;

// Creates both menus and attaches the main one to the right mouse button of
// the current window (the main window at start-up).
void BuildMenus();
// Callback of the "Display" submenu; every choice requests a redisplay.
void HandleDisplayMenu(int value);
// Callback of the main menu: the two exports, "Exit" (exit status 0), "Undo",
// "Redo" and "Save Screenshot" (taken at the end of the next frame).
void HandleMainMenu(int value);
// Each flips its flag between 0 and 1.
void ToggleShowFPS();
void ToggleWireframe();
void ToggleFlyMode();
void ToggleShowQuats();
void ToggleShowMesh();
void ToggleShowWeights();
void ToggleShowNames();
void ToggleShowGrid();
void ToggleShowStats();
