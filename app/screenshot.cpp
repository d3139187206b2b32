// Screenshots of the main window as numbered PNG files in the working
// directory.
#include "app/screenshot.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "glui/glui.h"
#include "glui/glui_core.h"
#include "image/png.h"
#include "model/file_io.h"
#include "render/render.h"

int ScreenshotPending = 0;

// Numbers past this are refused rather than searched for ever.
static const int SHOT_NUMBER_LIMIT = 99999;

void RequestScreenshot() { ScreenshotPending = 1; }

// The control strips are windows of their own over the main window's bottom:
// each one is drawn afresh into its back buffer (what a swap shows next, so
// nothing on screen changes) and read from there into the main window's
// picture, rows top first, where the strip lies. A strip that cannot be read
// leaves what the main window has there.
static void AddControlStrips(int window, int width, int height, std::vector<uint8_t>* rgb) {
    std::string ignored;
    for (GLUI* strip : GLUI_Master.guis) {
        if (!strip->window_id || strip->parent_window != window || strip->hidden ||
            strip->closing || strip->layout_dirty || strip->strip_w <= 0 || strip->strip_h <= 0)
            continue;
        glutSetWindow(strip->window_id);
        GluiDrawStrip(strip, strip->strip_w, strip->strip_h);
        std::vector<uint8_t> part;
        if (!ReadFramePixels(strip->strip_w, strip->strip_h, 3, &part, &ignored)) continue;
        int w = std::min(strip->strip_w, width);
        for (int row = 0; row < strip->strip_h; row++) {
            int y = strip->strip_y + row;
            if (y < 0 || y >= height) continue;
            std::copy(part.begin() + (size_t)row * strip->strip_w * 3,
                      part.begin() + ((size_t)row * strip->strip_w + w) * 3,
                      rgb->begin() + (size_t)y * width * 3);
        }
    }
    glutSetWindow(window);
}

bool WriteScreenshot(int width, int height, const char* dir, std::string* path,
                     std::string* reason) {
    std::vector<uint8_t> rgb, png;
    if (!ReadFramePixels(width, height, 3, &rgb, reason)) return false;
    if (int window = glutGetWindow()) AddControlStrips(window, width, height, &rgb);
    if (!EncodePNG(rgb.data(), width, height, 3, &png, reason)) return false;
    *path = NextUnusedNumberedPath(dir, "shot", SHOT_NUMBER_LIMIT);
    if (path->empty()) {
        *reason = "every name up to " + NumberedPath(dir, "shot", SHOT_NUMBER_LIMIT) + " is taken";
        return false;
    }
    return WriteFileAtomic(path->c_str(), png.data(), png.size(), reason);
}

void TakePendingScreenshot() {
    if (!ScreenshotPending) return;
    ScreenshotPending = 0;
    int width = glutGet(GLUT_WINDOW_WIDTH), height = glutGet(GLUT_WINDOW_HEIGHT);
    std::string path, reason;
    if (WriteScreenshot(width, height, "", &path, &reason))
        printf("Screenshot: wrote %s (%dx%d)\n", path.c_str(), width, height);
    else
        printf("Screenshot: %s\n", reason.c_str());
}
