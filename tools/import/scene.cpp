// Reading a scene for the import: assimp with the post-processing the import
// relies on, the frame names our glTF export keeps in its animation extras
// (assimp does not pass extras of animations on), and the node tree
// flattened with each node's transform in model space.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <nlohmann/json.hpp>

#include "model/format.h"
#include "tools/gltf/gltf.h"
#include "tools/import/scene.h"

namespace {

// assimp's messages may span lines; ours are one line each.
std::string OneLine(const char* text) {
    std::string out = text && *text ? text : "assimp could not read it";
    for (char& c : out)
        if (c == '\n' || c == '\r') c = ' ';
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// The glTF document's JSON text: the first chunk of a .glb, or all of a
// .gltf. Empty when it cannot be read (assimp then reports the file).
std::string ReadGltfJson(FILE* in, bool binary, long size) {
    std::string text;
    if (binary) {
        unsigned char header[20];
        if (fseek(in, 0, SEEK_SET) != 0 || fread(header, 1, 20, in) != 20) return text;
        uint32_t length = LoadWord(header + 12);
        if (LoadWord(header + 16) != GLB_CHUNK_JSON || length > (uint32_t)size - 20) return text;
        text.resize(length);
    } else {
        if (fseek(in, 0, SEEK_SET) != 0) return text;
        text.resize((size_t)size);
    }
    if (!text.empty() && fread(&text[0], 1, text.size(), in) != text.size()) text.clear();
    return text;
}

// The names of the nodes the document's skins list as joints.
void ReadJointNames(const nlohmann::json& doc, SceneFile* file) {
    auto skins = doc.find("skins"), nodes = doc.find("nodes");
    if (skins == doc.end() || !skins->is_array() || nodes == doc.end() || !nodes->is_array())
        return;
    for (const nlohmann::json& skin : *skins) {
        if (!skin.is_object() || !skin.contains("joints") || !skin["joints"].is_array()) continue;
        file->knowsJoints = true;
        for (const nlohmann::json& joint : skin["joints"]) {
            if (!joint.is_number_unsigned() || joint.get<size_t>() >= nodes->size()) continue;
            const nlohmann::json& node = (*nodes)[joint.get<size_t>()];
            if (node.is_object() && node.contains("name") && node["name"].is_string())
                file->jointKeys.insert(node["name"].get<std::string>());
        }
    }
}

void ReadGltfExtras(const std::string& text, SceneFile* file) {
    nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) return;
    ReadJointNames(doc, file);
    auto animations = doc.find("animations");
    if (animations == doc.end() || !animations->is_array()) return;
    for (const nlohmann::json& animation : *animations) {
        std::vector<std::string> names;
        if (animation.is_object() && animation.contains("extras") &&
            animation["extras"].is_object() && animation["extras"].contains("frames") &&
            animation["extras"]["frames"].is_array()) {
            for (const nlohmann::json& name : animation["extras"]["frames"]) {
                if (!name.is_string()) {
                    names.clear();
                    break;
                }
                names.push_back(name.get<std::string>());
            }
        }
        file->frameNames.push_back(std::move(names));
    }
}

// Looks at the file before assimp does: an empty file and a cut-off .glb
// get a plainer reason than "no suitable reader"; a glTF file's frame names
// are read here.
bool SniffFile(const char* path, SceneFile* file, std::string* reason) {
    FILE* in = fopen(path, "rb");
    if (!in) {
        *reason = std::string(path) + ": cannot open: " + strerror(errno);
        return false;
    }
    struct stat info;
    long size = -1;
    if (fstat(fileno(in), &info) == 0 && S_ISREG(info.st_mode)) size = (long)info.st_size;
    if (size == 0) {
        fclose(in);
        *reason = std::string(path) + ": the file is empty";
        return false;
    }
    unsigned char header[12];
    bool binary = size >= 12 && fread(header, 1, 12, in) == 12 && LoadWord(header) == GLB_MAGIC;
    if (binary && LoadWord(header + 8) > (uint32_t)size) {
        fclose(in);
        *reason = std::string(path) + ": glTF binary cut short: its header gives " +
                  std::to_string(LoadWord(header + 8)) + " bytes, the file holds " +
                  std::to_string(size);
        return false;
    }
    file->gltf = binary || GltfFormatForPath(path) == GLTF_FORMAT_TEXT;
    if (file->gltf && size > 0) ReadGltfExtras(ReadGltfJson(in, binary, size), file);
    fclose(in);
    return true;
}

void FlattenNodes(SceneFile* file) {
    std::vector<std::pair<const aiNode*, int>> stack = {{file->scene->mRootNode, -1}};
    while (!stack.empty()) {
        auto [node, parent] = stack.back();
        stack.pop_back();
        int index = (int)file->nodes.size();
        file->nodes.push_back(node);
        file->parent.push_back(parent);
        file->byName.emplace(node->mName.C_Str(), index);
        Affine local = ToAffine(node->mTransformation);
        file->rest.push_back((parent < 0 ? file->toModel : file->rest[parent]) * local);
        for (unsigned c = node->mNumChildren; c-- > 0;)
            if (node->mChildren[c]) stack.push_back({node->mChildren[c], index});
    }
}

// The whole text of a Collada file, for what assimp does not pass on.
std::string ReadText(const char* path) {
    std::string text;
    FILE* in = fopen(path, "rb");
    if (!in) return text;
    char chunk[65536];
    for (size_t got; (got = fread(chunk, 1, sizeof chunk, in)) > 0;) text.append(chunk, got);
    fclose(in);
    return text;
}

} // namespace

bool ReadSceneFile(const char* path, double scale, SceneFile* file, std::string* reason) {
    if (!SniffFile(path, file, reason)) return false;
    file->importer = std::make_unique<Assimp::Importer>();
    // FBX pivots as helper nodes, each with its own channel: collapsed,
    // assimp keeps the channels under the helpers' names with no node to
    // move. The helpers are folded into their bone when the skeleton is built.
    file->importer->SetPropertyBool(AI_CONFIG_IMPORT_FBX_PRESERVE_PIVOTS, true);
    // Collada's names are the artist's; its ids are made up by the exporter.
    file->importer->SetPropertyBool(AI_CONFIG_IMPORT_COLLADA_USE_COLLADA_NAMES, true);
    unsigned flags = aiProcess_Triangulate | aiProcess_GenSmoothNormals |
                     aiProcess_ValidateDataStructure;
    // Most formats give every face corner a vertex of its own; glTF's
    // vertices are already shared, and keep their order when not joined.
    if (!file->gltf) flags |= aiProcess_JoinIdenticalVertices;
    file->scene = file->importer->ReadFile(path, flags);
    if (!file->scene || !file->scene->mRootNode) {
        std::string error = OneLine(file->importer->GetErrorString());
        // assimp catches its own failed allocations and reports them so.
        if (error.find("bad_alloc") != std::string::npos)
            error = "the reader ran out of memory on this file";
        *reason = std::string(path) + ": " + error;
        return false;
    }
    file->format = FormatOfScene(file->scene, file->gltf);
    // File space to glTF's: only FBX leaves its unit and axes to the reader.
    Affine toGltf = IdentityAffine();
    Quatd gltfTurn = {0, 0, 0, 1};
    if (file->format == SCENE_FBX)
        ReadFbxConventions(file, &toGltf, &gltfTurn);
    else if (file->format == SCENE_COLLADA)
        ReadColladaConventions(ReadText(path), file);
    else
        DescribeOtherConventions(file);
    // glTF's (x, y, z) is the model's (z, x, y).
    Quatd axes = {GLTF_AXIS_ROTATION[0], GLTF_AXIS_ROTATION[1], GLTF_AXIS_ROTATION[2],
                  GLTF_AXIS_ROTATION[3]};
    file->toModelRotation = Conjugate(axes) * gltfTurn;
    Affine turn = RotationAffine(Conjugate(axes));
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++) turn.m[r][c] *= scale;
    file->toModel = turn * toGltf;
    FlattenNodes(file);
    MarkJoints(file);
    return true;
}

Affine MeshPlacement(const SceneFile& file, int n, const aiMesh* mesh) {
    return file.gltf && mesh->mNumBones > 0 ? file.toModel : file.rest[n];
}

std::string TrimName(const std::string& name, bool* cut, size_t limit) {
    std::string text = name.substr(0, name.find('\0'));
    *cut = text.size() > limit;
    if (!*cut) return text;
    size_t n = limit;
    while (n > 0 && ((unsigned char)text[n] & 0xC0) == 0x80) n--;
    return text.substr(0, n);
}
