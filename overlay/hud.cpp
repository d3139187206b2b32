// Heads-up display in the lower left corner: the frame rate, the model, the
// selected bone and the playback frame. Owns the frame-rate meter (FPSText, FPSLastTime,
// FPSLastFrames).
#include "overlay/hud.h"

#include <cstdio>

#include "model/model.h"
#include "overlay/text.h"
#include "session/session.h"

char FPSText[FPS_TEXT_LEN] = "";
int FPSLastTime = 0;
int FPSLastFrames = 0;
std::string HUDModelName = "data/tris";

void UpdateFPS(int32_t now, int frames) {
    // The clock wraps at 2^32, so compare by the unsigned difference: a clock
    // already past 2^31 at start (a long-running machine) would otherwise read
    // as a negative age and hold the first renewal back for weeks.
    uint32_t age = (uint32_t)now - (uint32_t)FPSLastTime;
    if (age < 1000) return;
    FPSLastTime = now;
    int count = frames - FPSLastFrames;
    FPSLastFrames = frames;
    snprintf(FPSText, FPS_TEXT_LEN, "FPS: %i", count);
}

void ResetFPS() {
    FPSText[0] = '\0';
    FPSLastTime = 0;
    FPSLastFrames = 0;
}

void DrawFPS(void* font, bool showFps) {
    if (showFps) DrawBitmapString(FPSText, font, 1, 1, 1, 0.02f, 0.12f);
}

void DrawModelInfo(void* font) {
    PrintOverlayIn(font, 0.02f, 0.09f, "Model: %s", HUDModelName.c_str());
    int32_t bone = ClampSelectedBone();
    const char* name = bone >= 0 ? CurrentModel->bones[bone].name : "";
    PrintOverlayIn(font, 0.02f, 0.06f, "Selected Bone: %.*s", NAME_LEN - 1, name);
}

void DrawHUD(void* font, bool showFps) {
    DrawFPS(font, showFps);
    DrawModelInfo(font);
}

bool FormatPlaybackFrame(const Playback* play, float blend, char* text, size_t size) {
    if (size > 0) text[0] = '\0';
    if (play->mode == PLAY_STOPPED) return false;
    if (play->smooth)
        snprintf(text, size, "Frame: %d (%.2f)", (int)play->frame, (double)blend);
    else
        snprintf(text, size, "Frame: %d", (int)play->frame);
    return true;
}

void DrawPlaybackFrame(void* font, const Playback* play, float blend) {
    char text[64];
    if (FormatPlaybackFrame(play, blend, text, sizeof text))
        DrawBitmapString(text, font, 1, 1, 1, 0.02f, 0.15f);
}

void DrawModelStats(void* font, const ModelStats* s) {
    char lines[8][64];
    snprintf(lines[0], sizeof lines[0], "Meshes: %d", (int)s->meshes);
    snprintf(lines[1], sizeof lines[1], "Vertices: %lld", (long long)s->vertices);
    snprintf(lines[2], sizeof lines[2], "Triangles: %lld", (long long)s->triangles);
    snprintf(lines[3], sizeof lines[3], "Weights: %lld", (long long)s->weights);
    snprintf(lines[4], sizeof lines[4], "Bones: %d", (int)s->bones);
    snprintf(lines[5], sizeof lines[5], "Frames: %d", (int)s->frames);
    snprintf(lines[6], sizeof lines[6], "Most influences: %d", (int)s->most_influences);
    snprintf(lines[7], sizeof lines[7], "Weight sums not 1: %lld", (long long)s->off_sum);
    for (int i = 0; i < 8; i++)
        PrintOverlayIn(font, STATS_X, STATS_TOP - (float)i * STATS_STEP, "%s", lines[i]);
}

void DrawUnsavedLine(void* font, bool unsaved) {
    if (unsaved) DrawBitmapString("Unsaved changes", font, 1, 1, 1, 0.02f, 0.96f);
}
