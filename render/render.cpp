// The renderer: view set-up, cameras and the model drawing (see render.h).
// It keeps no state; every call draws from its arguments alone (and the
// caller's mesh buffers, refilled in place).
#include "render/render.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "pose/rotation.h"

static const float BONE_RGB[3] = {0.4f, 0.5f, 0.7f};
static const float SELECTED_RGB[3] = {1.0f, 0.0f, 0.0f};
static const float MARKED_RGB[3] = {1.0f, 1.0f, 1.0f};
static const float AXIS_RGB[3] = {0.0f, 1.0f, 0.0f};
static const float GRID_RGB[3] = {0.35f, 0.35f, 0.35f};
static const float GRID_X_RGB[3] = {0.9f, 0.1f, 0.1f};
static const float GRID_Y_RGB[3] = {0.1f, 0.8f, 0.1f};

// Meshes: a neutral light grey, the selected one warmer; a textured mesh is
// white so that a face turned to the camera shows its texture's own colours.
static const float MESH_RGB[3] = {0.72f, 0.72f, 0.72f};
static const float SELECTED_MESH_RGB[3] = {0.95f, 0.68f, 0.42f};
static const float TEXTURED_RGB[3] = {1.0f, 1.0f, 1.0f};
static const float TEXTURED_SELECTED_RGB[3] = {1.0f, 0.8f, 0.6f};
// The light: strong from the camera, with enough ambient that faces turned
// away from it still read as shapes.
static const float LIGHT_DIFFUSE[4] = {0.85f, 0.85f, 0.85f, 1.0f};
static const float SCENE_AMBIENT[4] = {0.3f, 0.3f, 0.3f, 1.0f};

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
    if (w > 0) gluPerspective(RENDER_FOV_DEGREES, ViewAspect(w, h), (double)0.1f, 65536.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void SetRenderState() {
    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
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
    int32_t n = std::min(count, UsableBones(model));
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
    if (options->show_grid && pose) {
        GridPlan plan = PlanGrid(pose, std::min(count, UsableBones(model)));
        DrawGrid(&plan);
    }
    // The depth buffer is cleared after the meshes: the skeleton then lies
    // over them, never hidden inside one, while its cubes still hide each other.
    if (options->show_mesh && model && pose) {
        DrawMeshes(model, pose, count, options, options->mesh_buffers);
        if (options->show_skeleton) glClear(GL_DEPTH_BUFFER_BIT);
    }
    if (options->show_skeleton) DrawSkeleton(model, pose, count, options);
    glPopAttrib();
}

// The light's direction is given in eye space (identity modelview): from the
// camera, along its view, so what faces the viewer is lit fully whatever the
// camera's turn.
static void SetCameraLight() {
    static const float FROM_CAMERA[4] = {0.0f, 0.0f, 1.0f, 0.0f};
    static const float NONE[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_POSITION, FROM_CAMERA);
    glPopMatrix();
    glLightfv(GL_LIGHT0, GL_DIFFUSE, LIGHT_DIFFUSE);
    glLightfv(GL_LIGHT0, GL_AMBIENT, NONE);
    glLightfv(GL_LIGHT0, GL_SPECULAR, NONE);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, SCENE_AMBIENT);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
}

bool DrawMeshes(const SkelModel* model, const BonePose* pose, int32_t count,
                const RenderOptions* options, MeshBuffers* buffers) {
    if (!model || !pose) return false;
    MeshBuffers temporary;
    if (!buffers) buffers = &temporary;
    // The heat map is laid out with the skinning: a record lays itself out
    // again only when the bone it shows changes.
    buffers->skinned.resize((size_t)UsableMeshes(model));
    for (SkinnedMesh& mesh : buffers->skinned) mesh.colour_bone = options->weights_bone;
    bool ok = PoseSkinnedModel(model, pose, count, &buffers->skinned);

    glPushAttrib(GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    SetCameraLight();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    for (size_t m = 0; m < buffers->skinned.size(); m++) {
        const SkinnedMesh& mesh = buffers->skinned[m];
        if (mesh.indices.empty()) continue;
        bool heat = !mesh.colours.empty();
        uint32_t texture = !heat && m < buffers->textures.size() ? buffers->textures[m] : 0;
        bool selected = (int32_t)m == options->selected_mesh;
        const float* rgb = texture ? (selected ? TEXTURED_SELECTED_RGB : TEXTURED_RGB)
                                   : (selected ? SELECTED_MESH_RGB : MESH_RGB);
        glColor3f(rgb[0], rgb[1], rgb[2]);
        glVertexPointer(3, GL_FLOAT, 0, mesh.positions.data());
        glNormalPointer(GL_FLOAT, 0, mesh.normals.data());
        if (texture) {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, texture);
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(2, GL_FLOAT, 0, mesh.texcoords.data());
        } else {
            glDisable(GL_TEXTURE_2D);
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        if (heat) {
            glEnableClientState(GL_COLOR_ARRAY);
            glColorPointer(4, GL_UNSIGNED_BYTE, 0, mesh.colours.data());
        } else {
            glDisableClientState(GL_COLOR_ARRAY);
        }
        glDrawElements(GL_TRIANGLES, (GLsizei)mesh.indices.size(), GL_UNSIGNED_INT,
                       mesh.indices.data());
    }
    glPopClientAttrib();
    glPopAttrib();
    return ok;
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

// 1, 2 or 5 times a power of ten: the smallest such step not below want.
static float RoundStep(float want) {
    float power = std::pow(10.0f, std::floor(std::log10(want)));
    for (float m : {1.0f, 2.0f, 5.0f, 10.0f})
        if (m * power >= want * 0.999f) return m * power;
    return 10.0f * power;
}

GridPlan PlanGrid(const BonePose* pose, int32_t count) {
    float reach = 0.0f;
    for (int32_t i = 0; pose && i < count; i++) {
        float x = std::fabs(pose[i].origin[0]), y = std::fabs(pose[i].origin[1]);
        if (std::isfinite(x) && std::isfinite(y) && x < 1e30f && y < 1e30f)
            reach = std::max(reach, std::max(x, y));
    }
    GridPlan plan;
    if (!(reach > 0.0f)) {
        plan.lines_each_side = 5;
        return plan;
    }
    reach *= 1.25f;
    plan.step = RoundStep(reach / 10.0f);
    plan.lines_each_side = std::max(1, (int32_t)std::ceil(reach / plan.step - 1e-4f));
    return plan;
}

void DrawGrid(const GridPlan* plan) {
    int32_t n = plan->lines_each_side;
    float half = plan->step * (float)n;
    for (int32_t k = -n; k <= n; k++) {
        if (k == 0) continue;
        float at = plan->step * (float)k;
        const float alongX[2][3] = {{-half, at, 0}, {half, at, 0}};
        const float alongY[2][3] = {{at, -half, 0}, {at, half, 0}};
        DrawBoneLine(alongX[0], alongX[1], GRID_RGB);
        DrawBoneLine(alongY[0], alongY[1], GRID_RGB);
    }
    // The axes last, so their colours win where lines meet.
    const float xAxis[2][3] = {{-half, 0, 0}, {half, 0, 0}};
    const float yAxis[2][3] = {{0, -half, 0}, {0, half, 0}};
    DrawBoneLine(xAxis[0], xAxis[1], GRID_X_RGB);
    DrawBoneLine(yAxis[0], yAxis[1], GRID_Y_RGB);
}

bool ReadFramePixels(int width, int height, int channels, std::vector<uint8_t>* out,
                     std::string* reason) {
    if (channels != 3 && channels != 4) {
        *reason = "a picture is read as RGB or RGBA";
        return false;
    }
    if (width <= 0 || height <= 0) {
        *reason = "the picture has no pixels";
        return false;
    }
    size_t row = (size_t)width * (size_t)channels;
    std::vector<uint8_t> pixels(row * (size_t)height);
    // Errors left by the drawing are not the read's: clear them first.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; i++) continue;
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, channels == 4 ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE,
                 pixels.data());
    glPopClientAttrib();
    GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        char code[16];
        snprintf(code, sizeof code, "0x%04x", (unsigned)error);
        *reason = std::string("reading the picture back failed (GL error ") + code + ")";
        return false;
    }
    std::vector<uint8_t> swap(row);
    for (int top = 0, bottom = height - 1; top < bottom; top++, bottom--) {
        uint8_t* a = pixels.data() + (size_t)top * row;
        uint8_t* b = pixels.data() + (size_t)bottom * row;
        memcpy(swap.data(), a, row);
        memcpy(a, b, row);
        memcpy(b, swap.data(), row);
    }
    *out = std::move(pixels);
    return true;
}
