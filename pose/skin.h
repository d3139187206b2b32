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
struct SkinnedMesh {
    std::vector<float> positions;  // 3 per vertex
    std::vector<float> normals;    // 3 per vertex, unit length (0,0,0 where undefined)
    std::vector<float> texcoords;  // 2 per vertex (s, t); 0 where the mesh has none
    std::vector<uint8_t> drawn;    // 1 when the vertex had a usable weight
    std::vector<uint32_t> indices; // triangles whose three vertices are drawn and in range
};

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
bool SkinMesh(const SkelModel* model, int32_t mesh, const BonePose* pose, int32_t count,
              SkinnedMesh* out);

// The loops SkinMesh can run: the fastest this processor has (256-bit
// registers with fused multiply-add on x86 processors that have them), or the
// portable one every processor runs. They agree up to float rounding.
enum SkinKernel { SKIN_FASTEST, SKIN_PORTABLE };
// SkinMesh with the loop chosen (tests and benchmarks run both).
bool SkinMeshWith(SkinKernel kernel, const SkelModel* model, int32_t mesh, const BonePose* pose,
                  int32_t count, SkinnedMesh* out);

// Every mesh of the model into out (resized to nummeshes). False when any
// mesh could not be skinned; the others are skinned all the same.
bool SkinModel(const SkelModel* model, const BonePose* pose, int32_t count,
               std::vector<SkinnedMesh>* out);
