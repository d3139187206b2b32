// What the import's steps share: the scene as assimp read it with the node
// tree flattened, the skeleton picked from it, and the frames to sample.
// Internal to tools/import/.
#pragma once
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include "model/model.h"
#include "tools/import/import.h"
#include "pose/rotation.h"

// Where the scene came from: the formats whose own conventions the import
// reads beyond what assimp applies.
enum SceneFormat { SCENE_GLTF, SCENE_FBX, SCENE_COLLADA, SCENE_OTHER };

struct SceneFile {
    std::unique_ptr<Assimp::Importer> importer;
    const aiScene* scene = nullptr;
    SceneFormat format = SCENE_OTHER;
    bool gltf = false;
    // What the file says of its unit and axes and what the import does with
    // them, one line each for --list; a line where the file is unclear.
    std::string unitText, axesText;
    std::vector<std::string> notes;
    // Per node: a joint of a skeleton as the file marks it (glTF: a joint of
    // a skin; FBX: a limb node; Collada: a JOINT node), and FBX's pivot
    // helpers, which are folded into the bone below them. knowsJoints is
    // false for formats that do not mark joints.
    bool knowsJoints = false;
    std::vector<bool> joint, helper;
    // The names (glTF) or ids (Collada) of the nodes the file marks as joints.
    std::unordered_set<std::string> jointKeys;
    // Per animation of a glTF file: the frame names our glTF export stores
    // in the animation's extras ("frames"); empty when it has none.
    std::vector<std::vector<std::string>> frameNames;

    // The node tree in pre-order (0 is the scene root), each node's parent
    // (-1 for the root), and the first node of each name.
    std::vector<const aiNode*> nodes;
    std::vector<int> parent;
    std::unordered_map<std::string, int> byName;
    // Scene space to model space: --scale times the inverse of the glTF
    // export's axis mapping, as a matrix and as the rotation alone.
    Affine toModel;
    Quatd toModelRotation;
    // Each node's transform in model space as the scene stands (no animation).
    std::vector<Affine> rest;
};

// assimp's records in the helpers' doubles.
inline Vec3d ToVec3d(const aiVector3D& v) { return {v.x, v.y, v.z}; }
inline Quatd ToQuatd(const aiQuaternion& q) { return {q.x, q.y, q.z, q.w}; }
inline Affine ToAffine(const aiMatrix4x4& a) {
    return {{{a.a1, a.a2, a.a3, a.a4}, {a.b1, a.b2, a.b3, a.b4}, {a.c1, a.c2, a.c3, a.c4}}};
}

// Reads path with assimp (triangulated, UVs in our convention, missing
// normals made, Collada's names rather than its ids), takes the file's unit
// and axes into the scene-to-model transform and flattens the node tree.
// False with *reason naming path.
bool ReadSceneFile(const char* path, double scale, SceneFile* file, std::string* reason);

// The format's conventions (conventions.cpp): which format the scene came
// from; Collada's JOINT nodes, unit and up axis from its text; FBX's unit and
// axes as the transform from file space to glTF's (metres, +Y up) with its
// rotation; the lines saying so for the other formats; the nodes each format
// marks as joints or as pivot helpers.
SceneFormat FormatOfScene(const aiScene* scene, bool gltf);
void ReadColladaConventions(const std::string& text, SceneFile* file);
void ReadFbxConventions(SceneFile* file, Affine* toGltf, Quatd* rotation);
void DescribeOtherConventions(SceneFile* file);
void MarkJoints(SceneFile* file);

// Where a mesh instance on node n stands in model space. glTF ignores the
// node's own transform for a skinned mesh (its joints alone place it), so
// there such a mesh stands in the scene's space; elsewhere the node places it.
Affine MeshPlacement(const SceneFile& file, int n, const aiMesh* mesh);

struct Skeleton {
    std::vector<int> node;       // bone -> scene node
    std::vector<int> parent;     // bone -> parent bone, -1 for a root
    std::vector<int> boneOfNode; // scene node -> bone, -1 when not a bone
    // Model-space bind transform of each bone, scale included: from the
    // first offset matrix that names it, else from the node tree.
    std::vector<Affine> bind;
    bool synthetic = false; // no bones in the scene: one bone at the origin
};

// Picks the bones: the nodes that skin vertices (or, in a scene without
// skins, the nodes the animation moves); in a file that marks its joints,
// the joints above them up to each skeleton's root and every joint below
// such a root (plain nodes above a root, a 3D suite's armature object, are
// folded away); else their ancestors below the scene root, mesh nodes left
// out. Pivot helpers are never bones. Parents come before children, in the
// order the skins list them. animation may be null.
void BuildSkeleton(const SceneFile& file, const aiAnimation* animation, Skeleton* skeleton);

// Nearest bone at or above scene node n, or -1.
int BoneAbove(const SceneFile& file, const Skeleton& skeleton, int n);

// Ticks per second of an animation (assimp leaves it 0 when the file does
// not say; 25 is the usual reading then).
double TicksPerSecond(const aiAnimation* animation);

// The distinct key times of an animation, in ticks, ascending.
std::vector<double> KeyTimes(const aiAnimation* animation);

// The frames of the model: the bind pose (when bindFirst), then one frame
// per time (in ticks) of the animation, with their names.
struct FramePlan {
    bool bindFirst = true;
    std::vector<double> ticks;
    std::vector<std::string> names; // one per frame, bind frame included
};

// Local pose of every bone in every frame of the plan, into model->frames.
void SampleFrames(const SceneFile& file, const Skeleton& skeleton, const aiAnimation* animation,
                  const FramePlan& plan, SkelModel* model);

// Every mesh instance of the scene as SKM meshes, split past the per-mesh
// limits, appended to model->meshes. Warnings appended.
void BuildMeshes(const SceneFile& file, const Skeleton& skeleton, SkelModel* model,
                 std::vector<std::string>* warnings);

// A mesh's skin name: its material's name, else (a material without a
// name) the diffuse texture's file name.
std::string SkinName(const aiScene* scene, const aiMesh* mesh);

// The texture of each skin of the scene's meshes, embedded in the file or
// found beside it (path is the file read), as files named for their skins.
// Skins whose texture cannot be had draw one warning each.
void CollectTextures(const SceneFile& file, const char* path, std::vector<ImportedTexture>* out,
                     std::vector<std::string>* warnings);

// A name cut to fit a 64-byte field (or limit bytes), at a UTF-8 character
// boundary; *cut tells whether anything was dropped.
std::string TrimName(const std::string& name, bool* cut, size_t limit = NAME_LEN - 1);
