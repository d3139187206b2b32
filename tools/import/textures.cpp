// The textures an import carries along: each skin's image, embedded in the
// file (glb, FBX) or found beside it, written as SKINNAME.png (or .jpg, or
// the extension it has) beside the output so the viewer finds it.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>

#include <assimp/material.h>

#include "image/image.h"
#include "model/file_io.h"
#include "model/format.h"
#include "tools/import/scene.h"

namespace {

// Texture files larger than this are left where they are.
const size_t MAX_TEXTURE_BYTES = 256u << 20;

bool TexturePath(const aiMaterial* material, std::string* path) {
    aiString found;
    for (aiTextureType type : {aiTextureType_DIFFUSE, aiTextureType_BASE_COLOR})
        if (material->GetTextureCount(type) > 0 &&
            material->GetTexture(type, 0, &found) == aiReturn_SUCCESS && found.length > 0) {
            *path = found.C_Str();
            return true;
        }
    return false;
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// ".png" or ".jpg" by the image's first bytes; else the name's own
// extension, lower-cased ("" when it has none).
std::string ImageExtension(const std::vector<unsigned char>& bytes, const std::string& name) {
    ImageFormat format = ImageFormatOf(bytes.data(), bytes.size());
    if (format == IMAGE_FORMAT_PNG) return ".png";
    if (format == IMAGE_FORMAT_JPEG) return ".jpg";
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || name.find_first_of("/\\", dot) != std::string::npos) return "";
    std::string extension = name.substr(dot);
    for (char& c : extension) c = (char)tolower((unsigned char)c);
    return extension;
}

bool ReadSmallFile(const std::string& path, std::vector<unsigned char>* bytes) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        (uint64_t)info.st_size > MAX_TEXTURE_BYTES)
        return false;
    FILE* in = fopen(path.c_str(), "rb");
    if (!in) return false;
    bytes->resize((size_t)info.st_size);
    bool read = fread(bytes->data(), 1, bytes->size(), in) == bytes->size();
    fclose(in);
    return read;
}

// The image bytes of a texture reference: embedded ("*N", or a name the
// scene embeds), else the file as named relative to the input's folder (not
// above it), else a file of that name in the input's folder.
bool TextureBytes(const SceneFile& file, const char* input, const std::string& reference,
                  std::vector<unsigned char>* bytes, std::string* why) {
    if (const aiTexture* embedded = file.scene->GetEmbeddedTexture(reference.c_str())) {
        if (embedded->mHeight != 0) {
            *why = "its embedded image is stored as raw pixels, which are not carried over";
            return false;
        }
        const unsigned char* data = (const unsigned char*)embedded->pcData;
        bytes->assign(data, data + embedded->mWidth);
        return true;
    }
    // Only files in the input's folder or below it: a file's reference must
    // not make the import copy whatever it names elsewhere.
    std::string relative = reference;
    for (char& c : relative)
        if (c == '\\') c = '/';
    std::string folder = FolderOf(input);
    bool below = relative[0] != '/' && relative.find(':') == std::string::npos &&
                 ("/" + relative + "/").find("/../") == std::string::npos;
    if (below && ReadSmallFile(JoinPath(folder, relative.c_str()), bytes)) return true;
    if (ReadSmallFile(JoinPath(folder, BaseName(relative).c_str()), bytes)) return true;
    *why = "\"" + reference + "\" is neither embedded nor found beside the file";
    return false;
}

} // namespace

std::string SkinName(const aiScene* scene, const aiMesh* mesh) {
    if (mesh->mMaterialIndex >= scene->mNumMaterials) return "";
    const aiMaterial* material = scene->mMaterials[mesh->mMaterialIndex];
    aiString name;
    if (material->Get(AI_MATKEY_NAME, name) == aiReturn_SUCCESS && name.length > 0)
        return name.C_Str();
    std::string path;
    return TexturePath(material, &path) ? BaseName(path) : "";
}

void CollectTextures(const SceneFile& file, const char* path, std::vector<ImportedTexture>* out,
                     std::vector<std::string>* warnings) {
    const aiScene* scene = file.scene;
    std::unordered_set<std::string> done;
    for (const aiNode* node : file.nodes)
        for (unsigned k = 0; k < node->mNumMeshes; k++) {
            if (node->mMeshes[k] >= scene->mNumMeshes) continue;
            const aiMesh* mesh = scene->mMeshes[node->mMeshes[k]];
            if (mesh->mMaterialIndex >= scene->mNumMaterials) continue;
            bool cut = false;
            std::string skin = TrimName(SkinName(scene, mesh), &cut);
            std::string reference;
            if (!TexturePath(scene->mMaterials[mesh->mMaterialIndex], &reference) ||
                !done.insert(skin).second)
                continue;
            std::vector<unsigned char> bytes;
            std::string why;
            if (skin.empty() || skin == "." || skin == ".." ||
                skin.find_first_of("/\\") != std::string::npos) {
                warnings->push_back("the texture of skin \"" + skin +
                                    "\" is not written: the skin name is no file name");
                continue;
            }
            if (!TextureBytes(file, path, reference, &bytes, &why)) {
                warnings->push_back("the texture of skin \"" + skin + "\" is not written: " + why);
                continue;
            }
            std::string extension = ImageExtension(bytes, reference);
            bool named = EndsWith(skin, extension.c_str()) && !extension.empty();
            out->push_back({named ? skin : skin + extension, std::move(bytes)});
        }
}
