// Skinning: every vertex of a mesh placed by its weights on the posed bones,
// as flat arrays ready for GL vertex arrays. GL-free, no state; the caller
// owns the output and can hand the same record back every frame, so a mesh
// that keeps its size is skinned without allocating.
#pragma once
#include <cstdint>
#include <vector>

#include "model/model.h"

// A skinned mesh in the renderer's axis mapping: model-space (x, y, z) is
// stored as (y, z, x), the mapping the skeleton is drawn with, so the mesh
// wraps the skeleton with no matrix in between.
//
// Two halves: positions and normals follow the pose; texcoords, drawn and
// indices depend only on the mesh and on which bones are posed, so a record
// kept from frame to frame has them laid out once and only posed after that.
struct SkinnedMesh {
    std::vector<float> positions;  // 3 per vertex
    std::vector<float> normals;    // 3 per vertex, unit length (0,0,0 where undefined)
    std::vector<float> texcoords;  // 2 per vertex (s, t); 0 where the mesh has none
    std::vector<uint8_t> drawn;    // 1 when the vertex had a usable weight
    std::vector<uint32_t> indices; // triangles whose three vertices are drawn and in range
    // The weight heat map: with colour_bone set (by the caller, before
    // posing) to a bone, colours holds 4 bytes per vertex, WeightColour of
    // that bone as RGBA (opaque), the form GL draws fastest; with -1 colours
    // is empty. Laid out with the rest, so a change of bone lays the record
    // out again.
    std::vector<uint8_t> colours;
    int32_t colour_bone = -1;
    // What the layout was made from, so posing can tell a record laid out for
    // another mesh or another number of posed bones (and lay it out again).
    const void* laid_out_from = nullptr;
    int32_t laid_out_verts = -1, laid_out_tris = -1, laid_out_bones = -1;
    int32_t laid_out_colour_bone = -1;
};

// The heat map's ramp: influence 0 dark blue, then green (1/3), yellow (2/3)
// and red at 1, straight lines between; values outside 0..1 are clamped, a
// value that is not a number gives NO_WEIGHT_RGB.
void InfluenceColour(float influence, float* rgb);
// Magenta: a vertex with no usable weight.
extern const float NO_WEIGHT_RGB[3];

// The influence of bone on vertex: the sum of its finite influences on that
// bone (a vertex may list one bone twice). usable is the number of bones that
// exist; a bone at or past it has no influence. False, influence 0, when the
// vertex has no usable weight at all: none on an existing bone with a finite
// influence above 0 (such a vertex has no position of its own).
bool BoneInfluence(const SkelVertex* vertex, int32_t bone, int32_t usable, float* influence);
// BoneInfluence through the ramp, or NO_WEIGHT_RGB when it is false.
void WeightColour(const SkelVertex* vertex, int32_t bone, int32_t usable, float* rgb);

// Skins mesh number mesh of model with the model-space bone poses pose[0 ..
// count-1] (what the pose builder computes). Each vertex is the sum over its
// weights of influence * (R(bone) * weight origin + bone position), its normal
// the normalised sum of influence * R(bone) * weight normal, with R the
// rotation matrix of the bone's quaternion. A weight whose bone is not below
// both numbones and count is skipped; a vertex left without a weight stays
// at the origin and is not drawn, and triangles that touch it (or an index
// outside the mesh) are left out of indices. Influences are used as stored,
// not normalised. False, with out emptied, when model or out is null, mesh is
// not one of the model's meshes, or its counts do not match its arrays.
// Lays out and poses: see the two functions below.
bool SkinMesh(const SkelModel* model, int32_t mesh, const BonePose* pose, int32_t count,
              SkinnedMesh* out);

// The pose-independent half of SkinMesh: sizes every array, copies the
// texture coordinates, marks the drawn vertices and keeps the drawn triangles
// for count posed bones. Same failures as SkinMesh.
bool LayOutSkinnedMesh(const SkelModel* model, int32_t mesh, int32_t count, SkinnedMesh* out);

// The per-frame half: positions and normals only, into a record laid out for
// this mesh of this model with the same number of usable bones; any other
// record is laid out first, so the result always equals SkinMesh's. A record
// must be laid out again (or cleared) when the mesh's weights, texture
// coordinates or triangles change in place.
bool PoseSkinnedMesh(const SkelModel* model, int32_t mesh, const BonePose* pose, int32_t count,
                     SkinnedMesh* out);

// The loops that compute positions and normals: the fastest this processor
// has (256-bit registers with fused multiply-add on x86 processors that have
// them), or the portable one every processor runs. They agree up to float
// rounding.
enum SkinKernel { SKIN_FASTEST, SKIN_PORTABLE };
// PoseSkinnedMesh with the loop chosen (tests and benchmarks run both).
bool PoseSkinnedMeshWith(SkinKernel kernel, const SkelModel* model, int32_t mesh,
                         const BonePose* pose, int32_t count, SkinnedMesh* out);

// Every mesh of the model into out (resized to nummeshes), each laid out and
// posed. False when any mesh could not be skinned; the others are skinned all
// the same.
bool SkinModel(const SkelModel* model, const BonePose* pose, int32_t count,
               std::vector<SkinnedMesh>* out);
// The same through PoseSkinnedMesh: for records kept across frames of one
// model, laid out only when a mesh's record does not fit it.
bool PoseSkinnedModel(const SkelModel* model, const BonePose* pose, int32_t count,
                      std::vector<SkinnedMesh>* out);
