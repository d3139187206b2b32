// The in-memory skeletal model: bones, pose frames and skinned meshes.
// Records are plain data; arrays are held with their int32 counts and every
// array holds exactly that many elements (count == vector size).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int NAME_LEN = 64; // every name field: 63 chars + NUL
constexpr int32_t MAX_BONES = 256;
constexpr int32_t MAX_MESHES = 32;
constexpr int32_t MAX_FRAMES = 65536;
constexpr int32_t MAX_VERTS = 196608;      // per mesh
constexpr int32_t MAX_TRIS = 65536;        // per mesh
constexpr int32_t MAX_REFERENCES = 256;    // per mesh
constexpr int32_t MAX_FILESIZE = 16777216; // 16 MB, both formats

struct BonePose {
    float quat[4];   // rotation x, y, z, w
    float origin[3]; // position x, y, z
};

struct SkelBone {
    char name[NAME_LEN]; // NUL-terminated; first char is the bone's key channel
    int32_t parent;      // negative: root
    uint32_t flags;      // bit 0: marked (drawn white)
};

struct PoseFrame {
    std::vector<BonePose> poses; // one per bone, in bone order
    char name[NAME_LEN];
};

struct BoneWeight {
    float origin[3];
    float influence;
    float normal[3];
    int32_t bonenum;
};

struct SkelVertex {
    int32_t numweights;
    BoneWeight* weights; // points into the owning mesh's weightpool
};

struct SkelMesh {
    char skinname[NAME_LEN];
    char meshname[NAME_LEN];
    int32_t numverts;
    std::vector<SkelVertex> verts;
    std::vector<float> texcoords; // 2 * numverts floats: s, t per vertex
    int32_t numtris;
    std::vector<int32_t> indices; // 3 * numtris vertex indices
    int32_t numreferences;
    std::vector<int32_t> references;
    // All weights of the mesh, back to back in vertex order. Vertices point
    // into it, so one allocation serves a mesh of any size; never resize it
    // after the vertices are set up.
    std::vector<BoneWeight> weightpool;

    // A copy's vertices point into its own weightpool, at the places the
    // source's point into the source's (a member-wise copy would leave them in
    // the source, dangling once it goes); a pointer outside the source's pool
    // becomes null. Moves keep the pool's storage, so its pointers stay valid.
    // A field added above must be added to the copy constructor too.
    SkelMesh() = default;
    SkelMesh(const SkelMesh& other);
    SkelMesh& operator=(const SkelMesh& other);
    SkelMesh(SkelMesh&& other) noexcept = default;
    SkelMesh& operator=(SkelMesh&& other) noexcept = default;
};

struct SkelModel {
    int32_t numbones = 0;
    std::vector<SkelBone> bones;
    int32_t nummeshes = 0;
    std::vector<SkelMesh> meshes;
    int32_t numframes = 0;
    std::vector<PoseFrame> frames;
};

// Copies text into a 64-byte name field: at most 63 characters, the rest of
// the field filled with NUL bytes, so the field always ends in a NUL.
void CopyName(char* field, const char* text);

// Bones (meshes, frames) of model that can be indexed: its count, but never
// past the array that holds them; 0 for no model or a negative count.
int32_t UsableBones(const SkelModel* model);
int32_t UsableMeshes(const SkelModel* model);
int32_t UsableFrames(const SkelModel* model);

// index moved by step within 0 .. count-1, past the end to 0 and before the
// start to count-1, whatever index was; index itself when count is not
// positive. Computed in 64 bits, so no start value can overflow.
int32_t StepIndex(int32_t index, int step, int32_t count);

// Points every vertex of mesh at its numweights records in weightpool, in
// vertex order. Returns false (and links nothing) when the pool holds fewer
// weights than the vertices ask for or a count is negative.
bool LinkVertexWeights(SkelMesh* mesh);
