// Heads-up display: the frame-rate line, the model and selected-bone lines
// and, while playback is on, the playback frame in the lower left corner of
// the main window. Owns the frame-rate meter.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/validate.h"
#include "pose/playback.h"

constexpr int FPS_TEXT_LEN = 32;

extern char FPSText[];           // "FPS: %i" as last renewed; empty at start
extern int FPSLastTime;          // tick time (ms) of the last renewal; 0 at start
extern int FPSLastFrames;        // frame count at the last renewal; 0 at start
extern std::string HUDModelName; // the "Model:" line's path: the one the viewer was given

// Renews FPSText with the frames run since the last renewal, once at least
// 1000 ms (compared modulo 2^32) have passed. now: tick time in ms; frames:
// ticks run before this one.
void UpdateFPS(int32_t now, int frames);

// Puts the frame-rate meter back to its start state (tests, new runs).
void ResetFPS();

// The display's texts are drawn in the GLUT bitmap font the caller passes
// (the viewer passes Helvetica 10).

// Draws the whole display: DrawFPS, then DrawModelInfo. Last step of a frame.
void DrawHUD(void* font, bool showFps);

// Draws FPSText at (0.02, 0.12) when showFps is set.
void DrawFPS(void* font, bool showFps);

// Draws "Model: <HUDModelName>" and "Selected Bone: <name>" (empty name when the
// model has no bone at the selection).
void DrawModelInfo(void* font);

// The statistics block at the top left, a line each: meshes, vertices,
// triangles, weights, bones, frames, the most influences on one vertex and the
// vertices whose influences do not add up to 1.
constexpr float STATS_X = 0.02f;
constexpr float STATS_TOP = 0.94f; // below the unsaved-changes line; one pitch above the first line
constexpr float STATS_STEP = 0.03f; // each further line this much lower
void DrawModelStats(void* font, const ModelStats* stats);

// The playback line: "Frame: N" while playing or paused, with the blend
// towards the next frame when smooth is on ("Frame: 3 (0.25)"). False, and
// text empty, while stopped.
bool FormatPlaybackFrame(const Playback* play, float blend, char* text, size_t size);

// Draws "Unsaved changes" at the top left of the 3D view when unsaved is set.
void DrawUnsavedLine(void* font, bool unsaved);

// Draws the playback line at (0.02, 0.15), above the frame-rate line, when
// FormatPlaybackFrame gives one; nothing while stopped.
void DrawPlaybackFrame(void* font, const Playback* play, float blend);
