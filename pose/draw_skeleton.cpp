// The skeleton renderer: a cube per bone, a line from each child to its
// parent, the parents' axes on request, and the key-channel list. It only
// reads the model, CurrentPose and DisplayKeys; it keeps no state.
// Model-space (x, y, z) goes to OpenGL as (y, z, x), so the model's z is up.
#include "pose/draw_skeleton.h"

#include <GL/gl.h>

#include <algorithm>

#include "app/menus.h"
#include "overlay/text.h"
#include "pose/anim.h"
#include "pose/keys.h"
#include "pose/rotation.h"

static const float BONE_RGB[3] = {0.4f, 0.5f, 0.7f};
static const float SELECTED_RGB[3] = {1.0f, 0.0f, 0.0f};
static const float MARKED_RGB[3] = {1.0f, 1.0f, 1.0f};
static const float AXIS_RGB[3] = {0.0f, 1.0f, 0.0f};

static const float KEY_LIST_X = 0.8f;
static const float KEY_LIST_TOP = 0.98f;
static const float KEY_LIST_STEP = 0.03f;

void DrawSkeletonFrame() {
    TickAnimation(&ModelTimer);
    DrawSkeleton(CurrentModel, CurrentPose);
}

const float* BoneLineColour(const SkelModel* model, int32_t bone, int32_t selected) {
    if (bone == selected) return SELECTED_RGB;
    if (model->bones[bone].flags & 1u) return MARKED_RGB;
    return BONE_RGB;
}

// Number of bones that both the model and the pose array hold.
static int32_t DrawableBones(const SkelModel* model, const BonePose* pose) {
    int32_t n = std::min<int32_t>(model->numbones, (int32_t)model->bones.size());
    if (pose == CurrentPose) n = std::min(n, CurrentPoseCount);
    return std::max(n, 0);
}

// Each green line runs from P along one column of the parent's rotation
// matrix: the parent's x, y and z axes in model space.
static void DrawParentAxes(const BonePose* parent) {
    Quat q = GetPoseQuat(parent);
    Mat3 m;
    QuatToMatrix(&q, &m);
    const float* p = parent->origin;
    for (int c = 0; c < 3; c++) {
        float end[3] = {p[0] + m.m[0 * 3 + c], p[1] + m.m[1 * 3 + c], p[2] + m.m[2 * 3 + c]};
        DrawBoneLine(p, end, AXIS_RGB);
    }
}

void DrawSkeleton(SkelModel* model, BonePose* pose) {
    DrawKeyList();
    if (!model || !pose) return;
    int32_t count = DrawableBones(model, pose);
    int32_t selected = model == CurrentModel ? ClampSelectedBone() : SelectedBone;
    for (int32_t i = 0; i < count; i++) {
        DrawBoneCube(pose[i].origin, BONE_RGB, BONE_CUBE_HALF);
        int32_t parent = model->bones[i].parent;
        // A parent out of range (a damaged file) is drawn as a root would be.
        if (parent < 0 || parent >= count) continue;
        DrawBoneLine(pose[parent].origin, pose[i].origin, BoneLineColour(model, i, selected));
        if (ShowQuats) DrawParentAxes(&pose[parent]);
    }
}

// Faces wind counter-clockwise seen from outside, so back-face culling drops
// exactly the hidden ones.
void DrawBoneCube(const float* pos, const float* rgb, float half) {
    const float h = half;
    static const signed char CORNERS[24][3] = {
        {1, 1, -1},  {-1, 1, -1},  {-1, 1, 1},   {1, 1, 1},   // top
        {1, -1, 1},  {-1, -1, 1},  {-1, -1, -1}, {1, -1, -1}, // bottom
        {1, 1, 1},   {-1, 1, 1},   {-1, -1, 1},  {1, -1, 1},  // front
        {1, -1, -1}, {-1, -1, -1}, {-1, 1, -1},  {1, 1, -1},  // back
        {-1, 1, 1},  {-1, 1, -1},  {-1, -1, -1}, {-1, -1, 1}, // left
        {1, 1, -1},  {1, 1, 1},    {1, -1, 1},   {1, -1, -1}, // right
    };
    glPushMatrix();
    glTranslatef(pos[1], pos[2], pos[0]);
    glColor3f(rgb[0], rgb[1], rgb[2]);
    glBegin(GL_QUADS);
    for (const auto& c : CORNERS) glVertex3f(c[0] * h, c[1] * h, c[2] * h);
    glEnd();
    glPopMatrix();
}

void DrawBoneLine(const float* a, const float* b, const float* rgb) {
    glPushMatrix();
    glColor3f(rgb[0], rgb[1], rgb[2]);
    glBegin(GL_LINES);
    glVertex3f(a[1], a[2], a[0]);
    glVertex3f(b[1], b[2], b[0]);
    glEnd();
    glPopMatrix();
}

void DrawKeyList() {
    const FrameKeys& list = DisplayKeys;
    size_t n =
        std::min({(size_t)std::max(list.numkeys, 0), list.keys.size(), list.keyframes.size()});
    for (size_t i = 0; i < n; i++) {
        char text[2] = {(char)(list.keys[i] & 0xFF), '\0'};
        PrintOverlay(KEY_LIST_X, KEY_LIST_TOP - (float)i * KEY_LIST_STEP, "Key: %s frame:%i", text,
                     list.keyframes[i]);
    }
}
