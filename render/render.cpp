// The renderer: view set-up, cameras and the model drawing (see render.h).
// It keeps no state; every call draws from its arguments alone.
#include "render/render.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>

#include "pose/rotation.h"

static const float BONE_RGB[3] = {0.4f, 0.5f, 0.7f};
static const float SELECTED_RGB[3] = {1.0f, 0.0f, 0.0f};
static const float MARKED_RGB[3] = {1.0f, 1.0f, 1.0f};
static const float AXIS_RGB[3] = {0.0f, 1.0f, 0.0f};

double ViewAspect(int w, int h) {
    if (h <= 0) h = 1;
    return (double)w / (double)h;
}

void SetRenderViewport(int x, int y, int w, int h) {
    if (w < 0) w = 0;
    if (h < 0) h = 0;
    glViewport(x, y, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // The near plane is the single-precision 0.1 widened, as the viewer always had it.
    if (w > 0) gluPerspective(45.0, ViewAspect(w, h), (double)0.1f, 65536.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The orbit camera builds on the matrix it finds (the viewer's frame pushes
// the identity the reshape loaded); the fly camera starts from the identity.
void ApplyRenderCamera(const RenderCamera* c) {
    if (c->fly) {
        glLoadIdentity();
        glRotatef(c->fly_pitch, 1.0f, 0.0f, 0.0f);
        glRotatef(360.0f - c->fly_yaw, 0.0f, 1.0f, 0.0f);
        glTranslatef(-c->fly_pos[0], -c->fly_pos[1], -c->fly_pos[2]);
    } else {
        glTranslatef(-c->orbit_pan[0], -c->orbit_pan[1], -c->orbit_distance);
        glRotatef(c->orbit_angles[0], 1.0f, 0.0f, 0.0f);
        glRotatef(c->orbit_angles[1], 0.0f, 1.0f, 0.0f);
        glRotatef(c->orbit_angles[2], 0.0f, 0.0f, 1.0f);
    }
}

void ClearRenderTarget(const RenderOptions* options) {
    const float* bg = options->background;
    glClearColor(bg[0], bg[1], bg[2], 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

const float* BoneLineColour(const SkelModel* model, int32_t bone, int32_t selected) {
    if (bone == selected) return SELECTED_RGB;
    if (model->bones[bone].flags & 1u) return MARKED_RGB;
    return BONE_RGB;
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

void DrawSkeleton(const SkelModel* model, const BonePose* pose, int32_t count,
                  const RenderOptions* options) {
    if (!model || !pose) return;
    int32_t n = std::min({count, model->numbones, (int32_t)model->bones.size()});
    for (int32_t i = 0; i < n; i++) {
        DrawBoneCube(pose[i].origin, BONE_RGB, BONE_CUBE_HALF);
        int32_t parent = model->bones[i].parent;
        // A parent out of range (a damaged file) is drawn as a root would be.
        if (parent < 0 || parent >= n) continue;
        DrawBoneLine(pose[parent].origin, pose[i].origin,
                     BoneLineColour(model, i, options->selected_bone));
        if (options->show_quats) DrawParentAxes(&pose[parent]);
    }
}

void RenderModel(const SkelModel* model, const BonePose* pose, int32_t count,
                 const RenderOptions* options) {
    glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT | GL_CURRENT_BIT);
    glPolygonMode(GL_FRONT_AND_BACK, options->wireframe ? GL_LINE : GL_FILL);
    if (options->cull_backfaces)
        glEnable(GL_CULL_FACE);
    else
        glDisable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_2D);
    // Meshes (show_mesh) are drawn here, before the skeleton, and the depth
    // buffer is cleared after them: the skeleton then lies over the meshes,
    // never hidden inside one, while its own cubes still hide each other.
    if (options->show_skeleton) DrawSkeleton(model, pose, count, options);
    glPopAttrib();
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
