// Draws a model in a given pose with a given camera and display options into
// the current OpenGL context, with OpenGL 1.1 and GLU only: no window system,
// no text, no viewer state. The viewer's frame, the GL tests and windowless
// callers all draw through it. Holds no state between calls: what a caller
// wants kept across frames (skinning buffers, textures) it owns and passes in.
// Model-space (x, y, z) goes to OpenGL as (y, z, x), so the model's z is up.
#pragma once
#include <cstdint>

#include <string>
#include <vector>

#include "model/model.h"
#include "pose/skin.h"

// The viewer's two cameras as plain values.
struct RenderCamera {
    bool fly = false;                  // fly camera instead of the orbit camera
    float fly_pos[3] = {0, 0, 0};      // fly camera position
    float fly_yaw = 0;                 // heading about Y in degrees; positive turns left
    float fly_pitch = 0;               // pitch about X in degrees; positive looks down
    float orbit_pan[2] = {0, 0};       // orbit pan x, y
    float orbit_distance = 0;          // orbit distance along the view axis
    float orbit_angles[3] = {0, 0, 0}; // orbit angles about X, Y, Z, in degrees
};

// What drawing the meshes keeps from frame to frame, owned by the caller: one
// skinning buffer per mesh, laid out once and posed in place every frame, and
// the texture of each mesh (0: drawn untextured), made once per model load.
// They belong to one model: clear them when another is loaded or a mesh's
// weights, texture coordinates or triangles are changed in place.
struct MeshBuffers {
    std::vector<SkinnedMesh> skinned;
    std::vector<uint32_t> textures;
};

struct RenderOptions {
    bool wireframe = false;              // polygons drawn as lines
    bool cull_backfaces = false;         // back faces culled
    bool show_quats = false;             // each parent bone's axes drawn (green)
    bool show_skeleton = true;           // cubes and bone lines
    bool show_mesh = false;              // the skinned meshes, under the skeleton
    int32_t selected_bone = -1;          // its line drawn red; -1 none
    int32_t selected_mesh = -1;          // tinted when the mesh is shown; -1 none
    int32_t weights_bone = -1;           // meshes coloured by this bone's influence; -1 not
    bool show_grid = false;              // the ground grid (model z = 0) under the model
    float background[3] = {0, 0, 0};     // colour ClearRenderTarget clears to
    MeshBuffers* mesh_buffers = nullptr; // kept across frames; null: a temporary
};

constexpr float BONE_CUBE_HALF = 0.5f;      // every cube has an edge of 1 model unit
constexpr double RENDER_FOV_DEGREES = 45.0; // vertical field of view of every view

// Viewport x, y, w, h, then a 45-degree perspective (near 0.1, far 65536) of
// the area's aspect on the projection matrix and the identity on the modelview
// matrix, which is left current. An area without width gets no perspective.
void SetRenderViewport(int x, int y, int w, int h);
// The GL state every view starts from: smooth shading and a depth test that
// keeps the nearest (equal depths drawn later win), cleared to the far plane.
void SetRenderState();
// Aspect ratio of a viewport area; a height of 0 or less counts as 1.
double ViewAspect(int w, int h);
// Multiplies the camera's view onto the current (modelview) matrix. The fly
// camera starts from the identity; the orbit camera builds on what is there.
void ApplyRenderCamera(const RenderCamera* camera);
// Clears colour and depth, the colour to options->background.
void ClearRenderTarget(const RenderOptions* options);

// Reads the current read buffer's width x height pixels from its bottom left
// as packed 8-bit RGB (channels 3) or RGBA (4), top row first (GL reads
// bottom up). False with *reason for another channel count, an empty picture
// or when GL reports an error.
bool ReadFramePixels(int width, int height, int channels, std::vector<uint8_t>* out,
                     std::string* reason);

// Draws the model in the given model-space pose (count entries) with the
// current matrices: the grid and the meshes when asked, then the skeleton over them (the
// depth buffer is cleared between, so no mesh hides a bone). GL state is left
// as it was found.
void RenderModel(const SkelModel* model, const BonePose* pose, int32_t count,
                 const RenderOptions* options);

// The skinned meshes alone, lit by one directional light from the camera
// with two-sided lighting: light grey, the selected mesh tinted, a mesh with
// a texture in buffers textured by its texture coordinates; with a
// weights_bone, every mesh untextured in the heat map of that bone's
// influence (pose/skin's WeightColour per vertex). buffers may be
// null (a temporary is used). False when some mesh could not be skinned;
// the others are drawn all the same.
bool DrawMeshes(const SkelModel* model, const BonePose* pose, int32_t count,
                const RenderOptions* options, MeshBuffers* buffers);

// The ground grid: lines step apart, lines_each_side of them on each side of
// the axes, so it spans step * lines_each_side from the origin every way.
struct GridPlan {
    float step = 1.0f;
    int32_t lines_each_side = 0;
};
// The grid for a pose (count bones): it reaches past every bone's model x and
// y by a quarter, in steps of 1, 2 or 5 times a power of ten that give four
// to ten lines each side. Bones that are not finite are left out; no
// bone gives a grid of step 1 reaching 5.
GridPlan PlanGrid(const BonePose* pose, int32_t count);
// Draws the grid in the model's z = 0 plane: grey lines, the model's X axis
// red and its Y axis green over them.
void DrawGrid(const GridPlan* plan);

// The skeleton alone: for every bone a cube, and for every bone with a parent
// a line to it (red when selected, white when marked by bit 0 of flags) and,
// with show_quats, the parent's three axes. Bones beyond count or the bones
// array are not drawn; a parent outside them makes a bone a root.
void DrawSkeleton(const SkelModel* model, const BonePose* pose, int32_t count,
                  const RenderOptions* options);
// One solid axis-aligned cube centred on a model-space position.
void DrawBoneCube(const float* pos, const float* rgb, float half);
// One line between two model-space points.
void DrawBoneLine(const float* a, const float* b, const float* rgb);
// Colour of the line from a bone to its parent: red when selected, white when
// marked (bit 0 of flags), otherwise the bone colour.
const float* BoneLineColour(const SkelModel* model, int32_t bone, int32_t selected);
