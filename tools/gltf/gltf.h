// glTF 2.0 export of a skeletal model for other tools (Blender, engines, web
// viewers): the skin math (rest pose, rest vertices, joint weights, inverse
// bind matrices), the JSON document and the .glb / .gltf containers. No state.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/model.h"
#include "render/skin_files.h"

// 24, the rate 3D suites animate at: keys between a scene's frames are lost
// when a suite resamples on re-export.
// The binary container's header and chunk words.
constexpr uint32_t GLB_MAGIC = 0x46546C67;      // "glTF"
constexpr uint32_t GLB_CHUNK_JSON = 0x4E4F534A; // "JSON"

constexpr float GLTF_DEFAULT_FPS = 24.0f;
constexpr float GLTF_MAX_FPS = 1000.0f;
constexpr int GLTF_MAX_INFLUENCES = 4;     // joints per vertex in JOINTS_0 / WEIGHTS_0
constexpr int32_t GLTF_MAX_JOINTS = 65535; // joint indices are written as unsigned shorts at most

// Rotation (x, y, z, w) that turns model (x, y, z) into glTF (y, z, x), the
// mapping the viewer draws with, so the model stands upright (glTF's y is up)
// as it does on boneloom's screen. It is baked into the root bones' poses, the
// rest-pose vertices and the inverse bind matrices; no node carries it alone.
extern const float GLTF_AXIS_ROTATION[4];
extern const char GLTF_ANIMATION_NAME[]; // the one animation: "frames"

enum GltfFormat {
    GLTF_FORMAT_NONE = 0, // neither extension: not ours to write
    GLTF_FORMAT_GLB,      // .glb: binary container
    GLTF_FORMAT_TEXT,     // .gltf: JSON with the buffer as a base64 data URI
};

// An image file as the asset carries it.
struct GltfImage {
    std::string mime;           // "image/png" or "image/jpeg"
    std::vector<uint8_t> bytes; // the whole file
};

// A built asset: the JSON document, its one binary buffer and the skins'
// images. buffers[0] of doc has the byteLength of bin and no uri; images[i]
// of doc has a name and mimeType but neither uri nor bufferView. The
// encoders add what each container needs: a .glb puts the images into its
// buffer after bin, a .gltf gives each a data URI.
struct GltfAsset {
    nlohmann::json doc;
    std::vector<unsigned char> bin;    // every bufferView 4-byte aligned
    std::vector<GltfImage> images;     // in the order of doc's images
    std::vector<std::string> warnings; // what was changed to fit glTF, one line each
};

// One vertex's skinning: joint indices (bone numbers) and weights summing to 1.
// Unused slots hold joint 0 with weight 0.
struct JointWeights {
    int32_t joints[GLTF_MAX_INFLUENCES];
    float weights[GLTF_MAX_INFLUENCES];
};

// The format chosen by path's extension (case-insensitive).
GltfFormat GltfFormatForPath(const char* path);

// Checks what the export reads (ValidateModel's faults, less the names and
// bone references it does not need): counts against arrays, one pose per bone
// in every frame, at least one bone and one frame, weight bones and triangle
// indices in range, finite numbers; and no more bones than joint indices
// hold. Returns false with one line in *reason that names the file (skmPath
// or skpPath) and the first fault.
bool CheckModelForGltf(const SkelModel* model, const char* skmPath, const char* skpPath,
                       std::string* reason);

// Frame f's local pose of every bone (FrameLocalPoses) with its rotation
// normalised (a zero-length quaternion becomes the identity; *zeroQuats, when
// given, counts them). Needs a model that passed CheckModelForGltf.
void GetLocalPoses(const SkelModel* model, int32_t f, std::vector<BonePose>* local, int* zeroQuats);

// The four strongest bones of a vertex (weights on one bone added together,
// non-positive influences dropped), scaled to sum to exactly 1. Returns how
// many bones it kept; 0 means the vertex has no positive influence and is
// bound to joint 0 with weight 1. *dropped, when given, gets the number of
// bones left out beyond four.
int PickJointWeights(const SkelVertex* vertex, JointWeights* out, int* dropped);

// Column-major 4x4 inverse of a model-space pose's rigid transform.
void InverseBindMatrix(const BonePose* pose, float out[16]);

// Builds the asset: one node per bone (names, hierarchy, frame 0 as rest
// pose; root bones turned to glTF's axes and listed in the scene), one
// skinned mesh per non-empty mesh (placed by pose/skin, texture coordinates
// with v counted from the image's top), a material per skin name, and an
// animation with one STEP keyframe per frame at i / fps seconds. With skins,
// each skin's texture found by FindSkinTexture is carried as a PNG image (a
// PNG or JPEG as it is, others converted) with a sampler; a skin not found or
// unreadable gets a plain material and a warning. Warns about duplicate bone
// names and, once, about names read as Latin-1. Returns false with *reason
// when CheckModelForGltf fails.
bool BuildGltf(const SkelModel* model, float fps, const char* skmPath, const char* skpPath,
               GltfAsset* out, std::string* reason, const SkinSearch* skins = nullptr);

// The binary container: header, JSON chunk padded with spaces, BIN chunk.
std::vector<unsigned char> EncodeGlb(const GltfAsset* asset);
// The JSON text with the buffer embedded as a base64 data URI.
std::string EncodeGltfText(const GltfAsset* asset);

// Standard base64 (RFC 4648) with '=' padding.
std::string Base64Encode(const unsigned char* data, size_t size);

// A name field as glTF text: kept as it is when it is valid UTF-8, otherwise
// read byte by byte as Latin-1, so no byte of a legacy name is lost.
// *converted, when given, tells whether the Latin-1 reading was taken.
std::string NameToUtf8(const char* name, bool* converted = nullptr);

// BuildGltf, then the container of path's extension, written with
// WriteFileAtomic.
// Warnings of the build go to *warnings. Returns false with *reason.
bool WriteGltfFile(const SkelModel* model, const char* path, float fps, const char* skmPath,
                   const char* skpPath, std::string* reason, std::vector<std::string>* warnings,
                   const SkinSearch* skins = nullptr);
