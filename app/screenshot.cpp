// Screenshots of the main window as numbered PNG files in the working
// directory.
#include "app/screenshot.h"

#include <GL/freeglut.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "image/png.h"
#include "model/file_io.h"
#include "render/render.h"

int ScreenshotPending = 0;

// Numbers past this are refused rather than searched for ever.
static const int SHOT_NUMBER_LIMIT = 99999;

void RequestScreenshot() { ScreenshotPending = 1; }

bool WriteScreenshot(int width, int height, const char* dir, std::string* path,
                     std::string* reason) {
    std::vector<uint8_t> rgb, png;
    if (!ReadFramePixels(width, height, &rgb, reason) ||
        !EncodePNG(rgb.data(), width, height, 3, &png, reason))
        return false;
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
