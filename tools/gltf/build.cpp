// Builds the glTF 2.0 document of a model: bone nodes with the viewer's axis
// mapping baked into the root bones, skinned meshes with materials named after
// their skins, and one stepped animation over the pose frames. No state.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "image/image.h"
#include "image/png.h"
#include "model/validate.h"
#include "pose/compose.h"
#include "pose/rotation.h"
#include "pose/skin.h"
#include "tools/gltf/gltf.h"

using nlohmann::json;

// Rotation of -120 degrees about (1, 1, 1): unit x goes to z, y to x, z to y,
// which is the viewer's (x, y, z) -> (y, z, x).
const float GLTF_AXIS_ROTATION[4] = {-0.5f, -0.5f, -0.5f, 0.5f};
const char GLTF_ANIMATION_NAME[] = "frames";

namespace {

constexpr int GL_UNSIGNED_BYTE = 5121;
constexpr int GL_UNSIGNED_SHORT = 5123;
constexpr int GL_UNSIGNED_INT = 5125;
constexpr int GL_FLOAT = 5126;
constexpr int GL_ARRAY_BUFFER = 34962;
constexpr int GL_ELEMENT_ARRAY_BUFFER = 34963;
constexpr int GL_TRIANGLES = 4;
constexpr int GL_LINEAR = 9729;
constexpr int GL_LINEAR_MIPMAP_LINEAR = 9987;
constexpr int GL_REPEAT = 10497;

// Little-endian appends, whatever the host's byte order.
void AppendU32(std::vector<unsigned char>* out, uint32_t value) {
    for (int k = 0; k < 4; k++) out->push_back((unsigned char)(value >> (8 * k)));
}

void AppendU16(std::vector<unsigned char>* out, uint16_t value) {
    out->push_back((unsigned char)value);
    out->push_back((unsigned char)(value >> 8));
}

void AppendFloat(std::vector<unsigned char>* out, float value) {
    uint32_t bits;
    memcpy(&bits, &value, 4);
    AppendU32(out, bits);
}

void AppendFloats(std::vector<unsigned char>* out, const float* values, size_t count) {
    for (size_t i = 0; i < count; i++) AppendFloat(out, values[i]);
}

// Appends bytes as a new bufferView at a 4-byte boundary; returns its index.
int AddView(GltfAsset* asset, const std::vector<unsigned char>& bytes, int target) {
    while (asset->bin.size() % 4) asset->bin.push_back(0);
    json view = {{"buffer", 0}, {"byteOffset", asset->bin.size()}, {"byteLength", bytes.size()}};
    if (target) view["target"] = target;
    asset->bin.insert(asset->bin.end(), bytes.begin(), bytes.end());
    asset->doc["bufferViews"].push_back(view);
    return (int)asset->doc["bufferViews"].size() - 1;
}

int AddAccessor(GltfAsset* asset, const std::vector<unsigned char>& bytes, int target,
                int componentType, size_t count, const char* type) {
    int view = AddView(asset, bytes, target);
    asset->doc["accessors"].push_back(
        {{"bufferView", view}, {"componentType", componentType}, {"count", count}, {"type", type}});
    return (int)asset->doc["accessors"].size() - 1;
}

json FloatArray(const float* values, int count) {
    json out = json::array();
    for (int i = 0; i < count; i++) out.push_back(values[i]);
    return out;
}

std::string CountOf(int count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

bool SameName(const char* a, const char* b) { return strncmp(a, b, NAME_LEN) == 0; }

// Names that were not UTF-8 and went out read as Latin-1: counted over the
// whole file so that the export says so once, naming the first.
struct Latin1Names {
    int count = 0;
    std::string first;
};

std::string NameText(const char* name, const char* what, int32_t index, Latin1Names* latin1) {
    bool converted = false;
    std::string text = NameToUtf8(name, &converted);
    if (converted && latin1->count++ == 0)
        latin1->first = std::string(what) + " " + std::to_string(index) + " \"" + text + "\"";
    return text;
}

// The viewer draws model (x, y, z) as glTF (y, z, x). Root bones carry that
// turn in their own poses, so no extra node above them has to.
BonePose TurnToGltfAxes(const BonePose& pose) {
    Quat axes = {GLTF_AXIS_ROTATION[0], GLTF_AXIS_ROTATION[1], GLTF_AXIS_ROTATION[2],
                 GLTF_AXIS_ROTATION[3]};
    Quat q = GetPoseQuat(&pose), turned;
    Vec3 origin = GetPoseOrigin(&pose), moved;
    MultiplyQuat(&axes, &q, &turned);
    RotatePoint(&axes, &origin, &moved);
    BonePose out;
    SetPoseQuat(&out, &turned);
    SetPoseOrigin(&out, &moved);
    return out;
}

bool IsRootBone(const SkelModel* model, int32_t i) {
    return model->bones[i].parent < 0 || !ParentIsValid(model, i);
}

// One glTF mesh (a single skinned primitive) for model mesh m, placed by the
// model-space rest pose (skinned as the renderer skins, which also turns it
// to glTF's axes); returns the mesh index. Counts vertices without weights
// and with more than four bones.
int AddMesh(GltfAsset* asset, const SkelModel* model, int32_t m, const std::vector<BonePose>& rest,
            int material, int* unweighted, int* crowded, Latin1Names* latin1) {
    const SkelMesh& mesh = model->meshes[m];
    size_t count = (size_t)mesh.numverts;
    SkinnedMesh skinned;
    SkinMesh(model, m, rest.data(), (int32_t)rest.size(), &skinned);
    std::vector<unsigned char> positions, normals, texcoords, joints, weights, indices;
    float low[3] = {INFINITY, INFINITY, INFINITY}, high[3] = {-INFINITY, -INFINITY, -INFINITY};
    bool wideJoints = model->numbones > 256;
    for (size_t v = 0; v < count; v++) {
        const SkelVertex& vertex = mesh.verts[v];
        const float* position = &skinned.positions[3 * v];
        float normal[3] = {skinned.normals[3 * v], skinned.normals[3 * v + 1],
                           skinned.normals[3 * v + 2]};
        // glTF wants unit normals: where the weights give none, model up.
        if (normal[0] == 0 && normal[1] == 0 && normal[2] == 0) normal[1] = 1;
        for (int k = 0; k < 3; k++) {
            low[k] = std::min(low[k], position[k]);
            high[k] = std::max(high[k], position[k]);
        }
        AppendFloats(&positions, position, 3);
        AppendFloats(&normals, normal, 3);
        // Our t counts from the texture's first row, OpenGL's bottom; glTF's
        // v counts from the image's top.
        const float uv[2] = {mesh.texcoords[2 * v], 1.0f - mesh.texcoords[2 * v + 1]};
        AppendFloats(&texcoords, uv, 2);
        JointWeights skin;
        int dropped = 0;
        if (PickJointWeights(&vertex, &skin, &dropped) == 0) ++*unweighted;
        if (dropped > 0) ++*crowded;
        for (int k = 0; k < GLTF_MAX_INFLUENCES; k++) {
            if (wideJoints)
                AppendU16(&joints, (uint16_t)skin.joints[k]);
            else
                joints.push_back((unsigned char)skin.joints[k]);
        }
        AppendFloats(&weights, skin.weights, GLTF_MAX_INFLUENCES);
    }
    // 65535 is the restart value glTF reserves for unsigned short indices.
    bool wideIndices = mesh.numverts > 65535;
    for (int32_t index : mesh.indices) {
        if (wideIndices)
            AppendU32(&indices, (uint32_t)index);
        else
            AppendU16(&indices, (uint16_t)index);
    }

    json attributes;
    int position = AddAccessor(asset, positions, GL_ARRAY_BUFFER, GL_FLOAT, count, "VEC3");
    // glTF asks every POSITION accessor for its bounds.
    asset->doc["accessors"][position]["min"] = FloatArray(low, 3);
    asset->doc["accessors"][position]["max"] = FloatArray(high, 3);
    attributes["POSITION"] = position;
    attributes["NORMAL"] = AddAccessor(asset, normals, GL_ARRAY_BUFFER, GL_FLOAT, count, "VEC3");
    attributes["TEXCOORD_0"] =
        AddAccessor(asset, texcoords, GL_ARRAY_BUFFER, GL_FLOAT, count, "VEC2");
    attributes["JOINTS_0"] =
        AddAccessor(asset, joints, GL_ARRAY_BUFFER,
                    wideJoints ? GL_UNSIGNED_SHORT : GL_UNSIGNED_BYTE, count, "VEC4");
    attributes["WEIGHTS_0"] = AddAccessor(asset, weights, GL_ARRAY_BUFFER, GL_FLOAT, count, "VEC4");
    int triangles = AddAccessor(asset, indices, GL_ELEMENT_ARRAY_BUFFER,
                                wideIndices ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                                mesh.indices.size(), "SCALAR");

    json primitive = {{"attributes", attributes},
                      {"indices", triangles},
                      {"material", material},
                      {"mode", GL_TRIANGLES}};
    asset->doc["meshes"].push_back({{"name", NameText(mesh.meshname, "mesh", m, latin1)},
                                    {"primitives", json::array({primitive})}});
    return (int)asset->doc["meshes"].size() - 1;
}

void AddAnimation(GltfAsset* asset, const SkelModel* model, const std::vector<float>& times,
                  int* zeroQuats, Latin1Names* latin1) {
    std::vector<unsigned char> timeBytes;
    AppendFloats(&timeBytes, times.data(), times.size());
    int input = AddAccessor(asset, timeBytes, 0, GL_FLOAT, times.size(), "SCALAR");
    // Sampler inputs must state their range.
    asset->doc["accessors"][input]["min"] = json::array({times.front()});
    asset->doc["accessors"][input]["max"] = json::array({times.back()});

    size_t bones = (size_t)model->numbones;
    std::vector<std::vector<unsigned char>> rotations(bones), translations(bones);
    std::vector<BonePose> local;
    for (int32_t f = 0; f < model->numframes; f++) {
        GetLocalPoses(model, f, &local, zeroQuats);
        for (size_t i = 0; i < bones; i++) {
            if (IsRootBone(model, (int32_t)i)) local[i] = TurnToGltfAxes(local[i]);
            AppendFloats(&translations[i], local[i].origin, 3);
            AppendFloats(&rotations[i], local[i].quat, 4);
        }
    }

    json animation = {
        {"name", GLTF_ANIMATION_NAME}, {"channels", json::array()}, {"samplers", json::array()}};
    for (size_t i = 0; i < bones; i++) {
        const std::pair<const char*, std::vector<unsigned char>*> paths[2] = {
            {"translation", &translations[i]}, {"rotation", &rotations[i]}};
        for (const auto& path : paths) {
            bool rotation = path.second == &rotations[i];
            int output = AddAccessor(asset, *path.second, 0, GL_FLOAT, times.size(),
                                     rotation ? "VEC4" : "VEC3");
            int sampler = (int)animation["samplers"].size();
            animation["samplers"].push_back(
                {{"input", input}, {"output", output}, {"interpolation", "STEP"}});
            animation["channels"].push_back(
                {{"sampler", sampler}, {"target", {{"node", i}, {"path", path.first}}}});
        }
    }
    json names = json::array();
    for (int32_t f = 0; f < model->numframes; f++)
        names.push_back(NameText(model->frames[f].name, "frame", f, latin1));
    animation["extras"] = {{"frames", names}};
    asset->doc["animations"].push_back(animation);
}

// Key times i / fps, one per frame; false with *reason when frames come too
// close to tell apart in floats.
bool KeyTimes(const SkelModel* model, float fps, const char* skpPath, std::vector<float>* times,
              std::string* reason) {
    times->resize((size_t)model->numframes);
    for (size_t f = 0; f < times->size(); f++) {
        (*times)[f] = (float)((double)f / fps);
        if (f > 0 && !((*times)[f] > (*times)[f - 1])) {
            *reason = std::string(skpPath) +
                      ": too many frames for distinct key times at this frame rate";
            return false;
        }
    }
    return true;
}

// Bones are nodes 0 .. numbones-1, so a bone number is also its node and its
// joint index. Root bones sit in the scene itself, turned to glTF's axes, so
// that a 3D suite's armature object carries no rotation of its own. Warns
// about parents that are not earlier bones and about names used twice.
void AddBoneNodes(GltfAsset* asset, const SkelModel* model, const char* skpPath,
                  const std::vector<BonePose>& restLocal, json* nodes, json* sceneNodes,
                  Latin1Names* latin1) {
    for (int32_t i = 0; i < model->numbones; i++) {
        const SkelBone& bone = model->bones[i];
        bool root = IsRootBone(model, i);
        BonePose pose = root ? TurnToGltfAxes(restLocal[i]) : restLocal[i];
        json node = {{"name", NameText(bone.name, "bone", i, latin1)},
                     {"translation", FloatArray(pose.origin, 3)},
                     {"rotation", FloatArray(pose.quat, 4)}};
        if (bone.flags) node["extras"] = {{"flags", bone.flags}};
        nodes->push_back(node);
        if (!root) {
            (*nodes)[bone.parent]["children"].push_back(i);
        } else {
            if (bone.parent >= 0)
                asset->warnings.push_back(std::string(skpPath) + ": bone " + std::to_string(i) +
                                          " \"" + NameToUtf8(bone.name) + "\" has parent " +
                                          std::to_string(bone.parent) +
                                          ", not an earlier bone; exported as a root");
            sceneNodes->push_back(i);
        }
        for (int32_t j = 0; j < i; j++)
            if (SameName(model->bones[j].name, bone.name)) {
                asset->warnings.push_back(std::string(skpPath) + ": bones " + std::to_string(j) +
                                          " and " + std::to_string(i) + " share the name \"" +
                                          NameToUtf8(bone.name) +
                                          "\"; tools that find bones by name will mix them up");
                break;
            }
    }
}

// The image of a skin as glTF carries it: a PNG or JPEG file as it is, any
// other image (TGA) decoded and encoded as PNG. False with *why when the
// file cannot be read or decoded.
bool SkinImage(const std::string& path, GltfImage* image, const char** why) {
    std::vector<uint8_t> bytes;
    Image decoded;
    if (!ReadImageBytes(path.c_str(), &bytes, why, nullptr) ||
        !DecodeImage(bytes.data(), bytes.size(), &decoded, why))
        return false;
    ImageFormat format = ImageFormatOf(bytes.data(), bytes.size());
    if (format == IMAGE_FORMAT_PNG || format == IMAGE_FORMAT_JPEG) {
        image->mime = format == IMAGE_FORMAT_PNG ? "image/png" : "image/jpeg";
        image->bytes = std::move(bytes);
        return true;
    }
    // Decoded rows run bottom first; a PNG stores the top row first.
    FlipImageRows(decoded.pixels.data(), decoded.width, decoded.height, decoded.channels);
    std::string reason;
    if (!EncodePNG(decoded.pixels.data(), decoded.width, decoded.height, decoded.channels,
                   &image->bytes, &reason)) {
        *why = "cannot be turned into PNG";
        return false;
    }
    image->mime = "image/png";
    return true;
}

// The material of mesh m's skin, named after it; with skins to look in, its
// texture found by the skin lookup becomes the base colour (one sampler for
// all). A skin whose file is missing or unreadable gets one warning and a
// plain material. Returns the material's index.
int AddMaterial(GltfAsset* asset, const SkelModel* model, int32_t m, const SkinSearch* skins,
                Latin1Names* latin1) {
    const char* skinname = model->meshes[m].skinname;
    json material = {{"name", NameText(skinname, "skin of mesh", m, latin1)}};
    if (skins && skinname[0]) {
        std::string path = FindSkinTexture(skinname, skins);
        const char* why = "no such file";
        GltfImage image;
        if (!path.empty() && SkinImage(path, &image, &why)) {
            json& doc = asset->doc;
            if (!doc.contains("samplers"))
                doc["samplers"] = json::array({{{"magFilter", GL_LINEAR},
                                                {"minFilter", GL_LINEAR_MIPMAP_LINEAR},
                                                {"wrapS", GL_REPEAT},
                                                {"wrapT", GL_REPEAT}}});
            doc["images"].push_back({{"name", material["name"]}, {"mimeType", image.mime}});
            asset->images.push_back(std::move(image));
            doc["textures"].push_back({{"sampler", 0}, {"source", doc["images"].size() - 1}});
            material["pbrMetallicRoughness"] = {
                {"baseColorTexture", {{"index", doc["textures"].size() - 1}}},
                {"metallicFactor", 0}};
        } else {
            asset->warnings.push_back("skin \"" + NameToUtf8(skinname) + "\": " +
                                      (path.empty() ? MissingSkinPath(skinname, skins) : path) +
                                      ": " + why + "; exported untextured");
        }
    }
    asset->doc["materials"].push_back(material);
    return (int)asset->doc["materials"].size() - 1;
}

// One mesh node per non-empty mesh (glTF accessors cannot be empty), each
// with the material of its skin name, one per distinct name. Warns about
// meshes left out, vertices without weights and vertices past four bones.
void AddMeshes(GltfAsset* asset, const SkelModel* model, const char* skmPath,
               const std::vector<BonePose>& rest, const SkinSearch* skins, json* nodes,
               json* sceneNodes, Latin1Names* latin1) {
    std::vector<int32_t> materialMesh; // the mesh whose skin name each material took
    int unweighted = 0, crowded = 0;
    for (int32_t m = 0; m < model->nummeshes; m++) {
        const SkelMesh& mesh = model->meshes[m];
        if (mesh.numverts == 0 || mesh.numtris == 0) {
            asset->warnings.push_back(std::string(skmPath) + ": mesh " + std::to_string(m) + " \"" +
                                      NameToUtf8(mesh.meshname) + "\" has no " +
                                      (mesh.numverts == 0 ? "vertices" : "triangles") +
                                      "; left out");
            continue;
        }
        int material = -1;
        for (size_t k = 0; k < materialMesh.size(); k++)
            if (SameName(model->meshes[materialMesh[k]].skinname, mesh.skinname)) material = (int)k;
        if (material < 0) {
            material = AddMaterial(asset, model, m, skins, latin1);
            materialMesh.push_back(m);
        }
        int gltfMesh = AddMesh(asset, model, m, rest, material, &unweighted, &crowded, latin1);
        sceneNodes->push_back((int)nodes->size());
        nodes->push_back({{"name", NameToUtf8(mesh.meshname)}, {"mesh", gltfMesh}, {"skin", 0}});
    }
    if (unweighted)
        asset->warnings.push_back(std::string(skmPath) + ": " +
                                  CountOf(unweighted, "vertex", "vertices") +
                                  " without a positive weight " + (unweighted == 1 ? "is" : "are") +
                                  " bound to bone 0 \"" + NameToUtf8(model->bones[0].name) + "\"");
    if (crowded)
        asset->warnings.push_back(
            std::string(skmPath) + ": " + CountOf(crowded, "vertex", "vertices") + " " +
            (crowded == 1 ? "has" : "have") + " more than 4 bones; the 4 strongest were kept");
}

// The one skin: every bone a joint, with inverse bind matrices of the rest
// pose in glTF's axes.
void AddSkin(GltfAsset* asset, const SkelModel* model, const std::vector<BonePose>& rest,
             size_t rootCount) {
    int32_t bones = model->numbones;
    std::vector<unsigned char> matrices;
    for (int32_t i = 0; i < bones; i++) {
        BonePose turned = TurnToGltfAxes(rest[i]);
        float ibm[16];
        InverseBindMatrix(&turned, ibm);
        AppendFloats(&matrices, ibm, 16);
    }
    int ibm = AddAccessor(asset, matrices, 0, GL_FLOAT, (size_t)bones, "MAT4");
    json joints = json::array();
    for (int32_t i = 0; i < bones; i++) joints.push_back(i);
    json skin = {{"name", "skeleton"}, {"joints", joints}, {"inverseBindMatrices", ibm}};
    // A skin's skeleton node must be the common root of its joints, so only
    // a skeleton with one root (bone 0) names one.
    if (rootCount == 1) skin["skeleton"] = 0;
    asset->doc["skins"] = json::array({skin});
}

} // namespace

bool BuildGltf(const SkelModel* model, float fps, const char* skmPath, const char* skpPath,
               GltfAsset* out, std::string* reason, const SkinSearch* skins) {
    if (!(fps > 0 && fps <= GLTF_MAX_FPS)) {
        char text[128];
        snprintf(text, sizeof text, "frame rate %g is not above 0 and at most %g", fps,
                 GLTF_MAX_FPS);
        *reason = text;
        return false;
    }
    std::vector<float> times;
    if (!CheckModelForGltf(model, skmPath, skpPath, reason) ||
        !KeyTimes(model, fps, skpPath, &times, reason))
        return false;

    GltfAsset asset;
    json& doc = asset.doc;
    doc["asset"] = {{"version", "2.0"}, {"generator", "boneloom-tool gltf"}};
    doc["accessors"] = json::array();
    doc["bufferViews"] = json::array();
    doc["meshes"] = json::array();
    doc["materials"] = json::array();

    Latin1Names latin1;
    std::vector<BonePose> restLocal, rest;
    GetLocalPoses(model, 0, &restLocal, nullptr); // counted with the animation
    rest.resize(restLocal.size());
    ComposePose(model, restLocal.data(), rest.data());

    json nodes = json::array(), sceneNodes = json::array();
    AddBoneNodes(&asset, model, skpPath, restLocal, &nodes, &sceneNodes, &latin1);
    size_t rootCount = sceneNodes.size();
    AddMeshes(&asset, model, skmPath, rest, skins, &nodes, &sceneNodes, &latin1);
    // Only a model with meshes needs the skin (and keeps its materials).
    if (!doc["meshes"].empty()) AddSkin(&asset, model, rest, rootCount);
    for (const char* unused : {"meshes", "materials"})
        if (doc[unused].empty()) doc.erase(unused);

    int zeroQuats = 0;
    AddAnimation(&asset, model, times, &zeroQuats, &latin1);
    if (zeroQuats)
        asset.warnings.push_back(std::string(skpPath) + ": " + CountOf(zeroQuats, "pose", "poses") +
                                 " with a " +
                                 "zero-length rotation quaternion written as no rotation");
    if (latin1.count)
        asset.warnings.push_back(CountOf(latin1.count, "name is", "names are") +
                                 " not UTF-8 and went out read as Latin-1 (first: " + latin1.first +
                                 ")");

    doc["nodes"] = nodes;
    doc["scenes"] = json::array({{{"name", "boneloom"}, {"nodes", sceneNodes}}});
    doc["scene"] = 0;
    while (asset.bin.size() % 4) asset.bin.push_back(0);
    doc["buffers"] = json::array({{{"byteLength", asset.bin.size()}}});
    *out = std::move(asset);
    return true;
}
