// Start-up steps of the main window, the idle tick that draws every frame,
// and the reshape that sizes the 3D view. Owns the tick counters
// (LastTickTime, FrameCount).
#include "app/frame.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/camera.h"
#include "app/input.h"
#include "app/menus.h"
#include "app/read_model.h"
#include "app/screenshot.h"
#include "app/shown_pose.h"
#include "model/file_io.h"
#include "glui/glui.h"
#include "overlay/bone_names.h"
#include "overlay/hud.h"
#include "overlay/key_list.h"
#include "overlay/prompt.h"
#include "overlay/logo.h"
#include "panels/panels.h"
#include "panels/play_panel.h"
#include "panels/pose_panel.h"
#include "panels/undo.h"
#include "platform/clock.h"
#include "session/session.h"
#include "render/render.h"
#include "render/texture.h"

int32_t LastTickTime = 0;
int FrameCount = 0;

void InitGL() {
    glEnable(GL_TEXTURE_2D);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    SetRenderState();
    LoadLogoTexture();
}

void InitScene() {
    ResetCamera();
    InitObjects();
}

std::string StartModelSKM = "data/tris.skm";
std::vector<std::string> TextureFolders;
MeshBuffers ViewerMeshes;

void InitObjects() {
    printf("Init 3d Objects\n");
    ReadSKM(StartModelSKM.c_str());
    ForgetEdits();
    // The skins' textures, once per load; a missing or damaged one is said
    // on the console and its meshes are drawn untextured.
    std::vector<std::string> problems;
    SkinSearch search = {FolderOf(StartModelSKM.c_str()), TextureFolders};
    LoadSkinTextures(CurrentModel, &search, &ViewerMeshes.textures, &problems);
    for (const std::string& line : problems) printf("%s\n", line.c_str());
    // The logo stays bound for the run, as it always has been.
    if (LogoTexture.texid) glBindTexture(GL_TEXTURE_2D, LogoTexture.texid);
}

void HandleIdle() {
    if (glutGetWindow() != MainWindow) glutSetWindow(MainWindow);
    RunTick();
}

bool TickDue(uint32_t now, uint32_t last, int ticksRun) {
    if (ticksRun == 0) return true;
    return (uint32_t)(now - last) >= (uint32_t)TICK_MIN_MS;
}

void RunTick() {
    TickTime = (int32_t)ClockMillis();
    if (!TickDue((uint32_t)TickTime, (uint32_t)LastTickTime, FrameCount)) return;
    UpdateFPS(TickTime, FrameCount); // the count before this tick's increment
    LastTickTime = TickTime;
    FrameCount += 1;
    ApplyMovementKeys();
    RefreshPosePanel(); // the bone's frame moves with keys and playback
    DrawFrame();
}

void DrawFrame() {
    glPolygonMode(GL_FRONT_AND_BACK, Wireframe ? GL_LINE : GL_FILL);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The logo stays bound for the whole run; with 2D texturing on, the
    // skeleton and the text would take its colour at the default texture
    // coordinate. The logo's own drawing switches texturing on for itself.
    glDisable(GL_TEXTURE_2D);
    glPushMatrix();
    ApplyCameraTransform();
    DrawSkeletonFrame();
    DrawPrompt();
    DrawHUD(GLUT_BITMAP_HELVETICA_10, ShowFPS != 0);
    DrawPlaybackFrame(GLUT_BITMAP_HELVETICA_10, &Play, PlaybackBlend(&Play, (uint32_t)TickTime));
    DrawUnsavedLine(GLUT_BITMAP_HELVETICA_10, ModelUnsaved());
    if (ShowStats) DrawViewerStats();
    DrawLogo();
    glPopMatrix();
    TakePendingScreenshot();
    glutSwapBuffers();
    glutPostRedisplay();
}

RenderOptions CurrentRenderOptions() {
    RenderOptions o;
    o.wireframe = Wireframe != 0;
    o.cull_backfaces = glIsEnabled(GL_CULL_FACE) == GL_TRUE; // the menu flips GL's own state
    o.show_quats = ShowQuats != 0;
    o.selected_bone = ClampSelectedBone();
    o.show_mesh = ShowMesh != 0;
    o.selected_mesh = ClampSelectedMesh();
    o.mesh_buffers = &ViewerMeshes;
    o.weights_bone = ShowWeights ? o.selected_bone : -1;
    o.show_grid = ShowGrid != 0;
    return o;
}

// Counted again only when the model or its edit state changes (an edit, undo
// or redo): a walk over every weight is too much for every frame.
static ModelStats ViewerStats;
static const SkelModel* ViewerStatsModel = nullptr;
static uint64_t ViewerStatsState = 0;

void DrawViewerStats() {
    uint64_t state = HistoryState(&ViewerHistory);
    if (CurrentModel != ViewerStatsModel || state != ViewerStatsState) {
        ViewerStats = GatherModelStats(CurrentModel);
        ViewerStatsModel = CurrentModel;
        ViewerStatsState = state;
    }
    DrawModelStats(GLUT_BITMAP_HELVETICA_10, &ViewerStats);
}

// The key list comes first: the text does not touch the depth buffer, so
// cubes drawn after it cover it where they overlap, as they always have.
void DrawSkeletonFrame() {
    TickAnimation(&ModelTimer);
    if (PlaybackStepDue(&Play, (uint32_t)TickTime)) StepPlayback();
    DrawKeyList(GLUT_BITMAP_HELVETICA_10, &DisplayKeys);
    RenderOptions options = CurrentRenderOptions();
    int32_t count = 0;
    const BonePose* pose = ShownPose(&Play, PlaybackBlend(&Play, (uint32_t)TickTime), &count);
    RenderModel(CurrentModel, pose, count, &options);
    if (ShowNames)
        DrawBoneNames(GLUT_BITMAP_HELVETICA_10, CurrentModel, pose, count, options.selected_bone);
}

void HandleDisplay() {}

void HandleReshape(int, int) {
    if (CurrentPanelShown && CurrentPanel) CurrentPanel->hide();

    int x = 0, y = 0, w = 0, h = 0;
    GLUI_Master.get_viewport_area(&x, &y, &w, &h);
    SetRenderViewport(x, y, w, h);
    glutPostRedisplay();

    if (CurrentPanelShown) {
        if (CurrentPanelResize) CurrentPanelResize();
        if (CurrentPanel) CurrentPanel->show();
    }
}
