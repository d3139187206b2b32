// boneloom-tool import: brings a scene that assimp reads (glTF 2.0, FBX,
// Collada, OBJ, ...) into an SKM/SKP model. The bones are the nodes that skin
// vertices and their ancestors; frame 0 is the bind pose, the frames after it
// the chosen animation; each skinned mesh becomes SKM meshes (split past the
// per-mesh limits). The scene's axes are mapped back the way the glTF export
// maps them out, so `gltf` then `import` gives back the same model.
// GL-free; prints nothing.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "model/model.h"

struct ImportOptions {
    std::string anim;     // animation by name, or by index when no name matches; empty: the first
    double fps = 0;       // sampling rate; 0: the animation's own key times when evenly spaced
    double scale = 1;     // multiplies every position
    bool textures = true; // bring the materials' texture files along
};

// A texture file to write beside the output SKM: file is the skin name with
// the image's extension (added unless the name has it), bytes as stored.
struct ImportedTexture {
    std::string file;
    std::vector<unsigned char> bytes;
};

// Reads path and builds *model (counts and arrays complete, vertices linked
// to their weights). Warnings (names cut, weights normalised, meshes split,
// ...) are appended one line each. Returns false with one line in *reason
// naming path: unreadable or unsupported input (assimp's reason), no such
// animation, or past the formats' limits (256 bones, 32 meshes after
// splitting, 65536 frames).
// With textures non-null (and options.textures), each skin's texture
// embedded in the file or found beside it is added there.
bool ImportModel(const char* path, const ImportOptions& options, SkelModel* model,
                 std::vector<std::string>* warnings, std::string* reason,
                 std::vector<ImportedTexture>* textures = nullptr);

// The scene's skeletons, meshes and animations as text (names, counts,
// durations), for --list. False with *reason as for ImportModel.
bool ListScene(const char* path, std::string* listing, std::string* reason);

// An import ready to be written: both file images as the exporters build
// them, the textures, the counts for the summary and the warnings.
struct ByteView {
    const unsigned char* data = nullptr;
    size_t size = 0;
};

struct ImportedFiles {
    // The two images, in storage (a buffer of this process, or the memory
    // the reader's child process left them in), which the record keeps alive.
    std::shared_ptr<const void> storage;
    ByteView skm, skp;
    std::vector<ImportedTexture> textures;
    int32_t bones = 0, meshes = 0, frames = 0;
    std::vector<std::string> warnings;
};

// ImportModel, then both images built with the exporters' builders. A model
// past the 16 MB limit is refused with the exporter's message.
// The paths name the outputs in messages only.
bool ImportFiles(const char* path, const ImportOptions& options, const char* skmPath,
                 const char* skpPath, ImportedFiles* files, std::string* reason);

// Both images of a model and its counts into *files.
bool BuildImportImages(const SkelModel& model, const char* skmPath, const char* skpPath,
                       ImportedFiles* files, std::string* reason);

// ImportFiles and ListScene with the reader in a child process under the
// guard's limits (tools/import/guard.h): whatever the third-party reader does
// on a hostile file ends as one line in *reason.
bool ImportGuarded(const char* path, const ImportOptions& options, const char* skmPath,
                   const char* skpPath, ImportedFiles* files, std::string* reason);
bool ListSceneGuarded(const char* path, std::string* listing, std::string* reason);

// Stages both images and the textures (beside skmPath) in temporary files
// and commits them together: every file is replaced, or none. Refuses
// outputs that are one file. False with *reason.
bool WriteImportedFiles(const ImportedFiles& files, const char* skmPath, const char* skpPath,
                        std::vector<std::string>* written, std::string* reason);
