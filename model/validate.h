// The one consistency checker of a model in memory: the rules the pose
// composer, the exporters, the glTF writer and boneloom-tool check rely on.
// It finds faults and describes them as data; each caller words the ones it
// cares about. Never changes the model, never prints.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "model/model.h"

enum ModelFaultKind {
    // The skeleton and frames (the SKP file's part of the model).
    FAULT_BONE_COUNT,      // numbones negative or not the number of bones held; value numbones
    FAULT_FEW_BONES,       // fewer than 2 bones; value numbones
    FAULT_NO_FRAMES,       // numframes below 1
    FAULT_FRAME_COUNT,     // numframes negative or not the number of frames held
    FAULT_BONE_NAME,       // bone item's name has no terminating NUL
    FAULT_FRAME_NAME,      // frame item's name has no terminating NUL
    FAULT_POSE_COUNT,      // frame item holds value poses, not one per bone
    FAULT_POSE_NOT_FINITE, // frame item, bone sub: a pose number is not finite
    // The meshes (the SKM file's part).
    FAULT_MESH_COUNT,          // nummeshes negative or not the number of meshes held
    FAULT_MESH_NAME,           // the mesh name has no terminating NUL
    FAULT_SKIN_NAME,           // the skin name has no terminating NUL
    FAULT_VERTEX_COUNT,        // numverts (value) does not match the vertices or texcoords held
    FAULT_TRIANGLE_COUNT,      // numtris (value) does not match the indices held
    FAULT_REFERENCE_COUNT,     // numreferences (value) does not match the references held
    FAULT_VERTEX_WEIGHTS,      // vertex item: a negative weight count, or weights outside the pool
    FAULT_TEXCOORD_NOT_FINITE, // vertex item's texture coordinate is not finite
    FAULT_WEIGHT_BONE,         // vertex item, weight sub: on bone value, outside 0..numbones-1
    FAULT_WEIGHT_NOT_FINITE,   // vertex item, weight sub: a number that is not finite
    FAULT_UNWEIGHTED_VERTEX,   // vertex item has no weight on an existing bone: no position
    FAULT_WEIGHT_SUM,          // vertex item's influences on existing bones (sum) are not 1
    FAULT_TRIANGLE_INDEX,      // triangle item uses vertex value, outside the mesh
    FAULT_REFERENCE_BONE,      // reference item names bone value, outside 0..numbones-1
    FAULT_KIND_COUNT
};

// One kind of fault at one place. Faults inside a mesh are counted per mesh
// and kind: the record describes the first offender and how many there are.
struct ModelFault {
    ModelFaultKind kind;
    int32_t mesh = -1; // the mesh the fault is in; -1 for the skeleton and frames
    int32_t item = -1; // bone, frame, vertex, triangle or reference of the first offender
    int32_t sub = -1;  // its weight (vertex) or bone (frame); -1 when not used
    int64_t value = 0; // the offending count, bone or index
    int64_t held = 0;  // for counts: how many the array holds
    int64_t count = 1; // offenders of this kind in the mesh
    double sum = 0;    // FAULT_WEIGHT_SUM: the first offender's sum of influences
};

// What to check: the skeleton and frames, the meshes, or both; the shape
// alone (counts against arrays, weights inside their mesh's pool: what must
// hold before anything may be read by those counts), or also the contents
// (names, bone numbers and indices in range, finite numbers).
enum : unsigned {
    CHECK_SKELETON = 1,
    CHECK_MESHES = 2,
    CHECK_CONTENTS = 4,
    CHECK_ALL = CHECK_SKELETON | CHECK_MESHES | CHECK_CONTENTS,
};

// Appends the model's faults in the order the model is walked (bones, frames,
// then meshes one by one). Parts whose counts do not match their arrays are not
// walked further. Returns true when it found none.
bool ValidateModel(const SkelModel* model, unsigned scope, std::vector<ModelFault>* faults);

// True for the kinds that belong to the SKM file (the meshes).
bool FaultInMeshes(ModelFaultKind kind);

// boneloom-tool check's lines: one per fault, naming the file it comes from,
// up to the first count that does not match its array. Parent order is
// reported by the SKP load. With notes, the skinning findings of
// CheckSkinWeights follow, from the same walk over the model.
void CheckModel(const SkelModel* model, const char* skmPath, const char* skpPath,
                std::vector<std::string>* problems, std::vector<std::string>* notes = nullptr);

// boneloom-tool check's skinning findings of every mesh (ValidateModel's
// unweighted vertices and weight sums), one line per kind and mesh with a
// count and the first vertex. Problems: vertices without a weight on an existing
// bone, which have no position, so they are not drawn and their triangles are
// dropped. Notes: vertices whose influences on existing bones do not add up
// to 1 within 1e-3; they are drawn, pulled toward (or pushed away from) the
// model origin, where tools that rescale weights draw them elsewhere. Weights
// on missing bones are CheckModel's. Meshes whose counts do not match their
// arrays, and models whose bone count does not, are left to CheckModel.
void CheckSkinWeights(const SkelModel* model, const char* skmPath,
                      std::vector<std::string>* problems, std::vector<std::string>* notes);

// The model at a glance, for the viewer's statistics: what it holds and how
// its skinning is spread.
struct ModelStats {
    int32_t meshes = 0, bones = 0, frames = 0;
    int64_t vertices = 0, triangles = 0, weights = 0;
    int32_t most_influences = 0; // the most weights any one vertex has
    int64_t off_sum = 0; // vertices whose influences on existing bones miss 1 by more than 1e-3
};
// Counts what the model's arrays hold (never past them); off_sum is the
// checker's count of such vertices.
ModelStats GatherModelStats(const SkelModel* model);

// True when bone i's parent is a root marker (negative) or an earlier bone.
bool ParentIsValid(const SkelModel* model, int32_t i);
