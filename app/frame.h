// The viewer's spine: start-up steps, the idle tick that draws every frame,
// and the reshape that sizes the 3D view. Owns the tick counters; TickTime
// itself lives with the session (session/session.h), MainWindow with the
// display options (platform/display).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/display.h"
#include "session/session.h" // TickTime: the clock reading of the latest idle call
#include "render/render.h"

constexpr int TICK_MIN_MS = 11; // smallest gap between two ticks, in ms

extern int32_t LastTickTime; // TickTime of the last tick that ran; 0 at start
extern int FrameCount;       // ticks run so far; 0 at start

// Fixed OpenGL state of the main window, then the logo texture.
void InitGL();
// Camera to its start values, then InitObjects.
void InitScene();
// Prints "Init 3d Objects" and loads StartModelSKM and the SKP file beside
// it (exits 1 on a file that cannot be read), then the meshes' textures.
void InitObjects();

extern std::string StartModelSKM; // "data/tris.skm" unless the command line names another
extern std::vector<std::string>
    TextureFolders;              // --textures DIR, in order: where skins are looked for
extern MeshBuffers ViewerMeshes; // the meshes' skinning buffers and textures, kept across frames

// Idle callback: makes the main window current and runs RunTick.
void HandleIdle();
// Reads the clock into TickTime; when the gate opens, renews the frame-rate
// text, moves the camera by the held keys and draws one frame.
void RunTick();
// True when a tick may run at clock reading `now`: the first tick always, any
// later one once at least TICK_MIN_MS have passed since `last`. The gap is
// taken modulo 2^32, so the gate keeps working across the clock's wrap.
bool TickDue(uint32_t now, uint32_t last, int ticksRun);
// Draws and presents one complete frame (scene, bone names, prompt, HUD with
// the playback frame and statistics, logo), taking a screenshot of it first
// when one was asked for.
void DrawFrame();
// The display options and the selection as the renderer takes them.
RenderOptions CurrentRenderOptions();
// The HUD's statistics block of CurrentModel (counted again after each edit,
// undo or redo).
void DrawViewerStats();
// Ticks the animation timer and steps playback when its frame time has passed
// on TickTime, then draws the key list
// and CurrentModel in the shown pose (CurrentPose while playback is stopped,
// the playback frame otherwise) with the current display options.
void DrawSkeletonFrame();
// Display callback: frames come only from ticks, so it draws nothing.
void HandleDisplay();
// Reshape callback: viewport from GLUI's free area, 45-degree perspective,
// then the current panel's resize hook. The arguments are not used.
void HandleReshape(int width, int height);
