// boneloom-tool import: brings a scene that assimp reads (glTF 2.0, FBX,
// Collada, OBJ, ...) into an SKM/SKP model. The bones are the nodes that skin
// vertices and their ancestors; frame 0 is the bind pose, the frames after it
// the chosen animation; each skinned mesh becomes SKM meshes (split past the
// per-mesh limits). The scene's axes are mapped back the way the glTF export
// maps them out, so `gltf` then `import` gives back the same model.
// GL-free; prints nothing.
#pragma once
#include <string>
#include <vector>

#include "model/model.h"

struct ImportOptions {
    std::string anim; // animation by name, or by index when no name matches; empty: the first
    double fps = 0;   // sampling rate; 0: the animation's own key times when evenly spaced
    double scale = 1; // multiplies every position
};

// Reads path and builds *model (counts and arrays complete, vertices linked
// to their weights). Warnings (names cut, weights normalised, meshes split,
// ...) are appended one line each. Returns false with one line in *reason
// naming path: unreadable or unsupported input (assimp's reason), no such
// animation, or past the formats' limits (256 bones, 32 meshes after
// splitting, 65536 frames).
bool ImportModel(const char* path, const ImportOptions& options, SkelModel* model,
                 std::vector<std::string>* warnings, std::string* reason);

// The scene's skeletons, meshes and animations as text (names, counts,
// durations), for --list. False with *reason as for ImportModel.
bool ListScene(const char* path, std::string* listing, std::string* reason);

// Builds both file images with the exporters' builders and writes them
// through temporary files beside the targets, renamed over them only once
// both are complete: both files are replaced or neither. A model past the
// 16 MB limit is refused with the exporter's message. False with *reason.
bool WriteImportedPair(const SkelModel* model, const char* skmPath, const char* skpPath,
                       std::string* reason);
