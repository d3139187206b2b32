// Screenshots of the main window: F12 over the 3D view and the main menu's
// "Save Screenshot" ask for one; the frame takes it once it is drawn, before
// the buffers are swapped, so the picture is what the window is about to show.
#pragma once
#include <string>

extern int ScreenshotPending; // 1: the next frame saves a screenshot

// Asks for a screenshot at the end of the next frame.
void RequestScreenshot();
// The current window's width x height picture, with the control strips
// docked in it, as the next unused
// dir/shot_NNNN.png, written through the atomic writer. False with *reason
// (one line naming the file when it is the write that failed).
bool WriteScreenshot(int width, int height, const char* dir, std::string* path,
                     std::string* reason);
// When one was asked for: the main window's picture into the working
// directory, and one console line naming the file or saying why not.
void TakePendingScreenshot();
