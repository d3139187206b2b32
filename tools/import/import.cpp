// The import as a whole: which animation, which frames, the bones' names and
// flags, the formats' limits, and the listing of a scene.
#include "tools/import/import.h"

#include <cmath>
#include <cstring>

#include "model/format.h"
#include "tools/gltf/gltf.h"
#include "tools/import/scene.h"

namespace {

bool AllDigits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string AnimationName(const aiAnimation* animation) {
    return animation->mName.length ? animation->mName.C_Str() : "";
}

// The chosen animation's index, -1 when the scene has none and none was asked for.
bool FindAnimation(const SceneFile& file, const std::string& wanted, const char* path, int* index,
                   std::string* reason) {
    unsigned count = file.scene->mNumAnimations;
    *index = count > 0 ? 0 : -1;
    if (wanted.empty()) return true;
    for (unsigned a = 0; a < count; a++)
        if (AnimationName(file.scene->mAnimations[a]) == wanted) {
            *index = (int)a;
            return true;
        }
    if (AllDigits(wanted) && wanted.size() < 10 && std::stoul(wanted) < count) {
        *index = (int)std::stoul(wanted);
        return true;
    }
    std::string known;
    for (unsigned a = 0; a < count; a++)
        known += (a ? ", " : "") + std::to_string(a) + " \"" +
                 AnimationName(file.scene->mAnimations[a]) + "\"";
    *reason = std::string(path) + ": no animation \"" + wanted + "\" (" +
              (count ? "it has " + known : std::string("it has none")) + ")";
    return false;
}

bool EvenlySpaced(const std::vector<double>& times) {
    if (times.size() < 3) return true;
    double step = (times.back() - times.front()) / (double)(times.size() - 1);
    for (size_t i = 1; i + 1 < times.size(); i++)
        if (std::fabs(times[i] - (times.front() + (double)i * step)) > 1e-3 * step) return false;
    return true;
}

// Frame 0 and the animation's frames: our glTF export's own frames when the
// file names them (its keys are every frame, the rest pose included), else
// the bind pose and then the key times or a sampling at fps.
bool PlanFrames(const SceneFile& file, const Skeleton& skeleton, int index,
                const ImportOptions& options, const char* path, FramePlan* plan,
                std::vector<std::string>* warnings, std::string* reason) {
    plan->bindFirst = true;
    plan->ticks.clear();
    plan->names.clear();
    const aiAnimation* animation = index >= 0 ? file.scene->mAnimations[index] : nullptr;
    std::vector<double> times;
    if (animation && !skeleton.synthetic) times = KeyTimes(animation);
    const std::vector<std::string> none;
    const std::vector<std::string>& named =
        index >= 0 && (size_t)index < file.frameNames.size() ? file.frameNames[index] : none;

    if (!times.empty() && named.size() == times.size()) {
        plan->bindFirst = false;
        plan->ticks = times;
        for (const std::string& name : named) {
            bool cut = false;
            plan->names.push_back(TrimName(name, &cut));
            if (cut) warnings->push_back("frame name \"" + name + "\" cut to 63 bytes");
        }
        if (options.fps > 0)
            warnings->push_back("--fps is not used: the file names its frames, one per key");
        return true;
    }
    if (!named.empty() && !times.empty())
        warnings->push_back(
            FormatText("the animation names %zu frames but has %zu key times; "
                       "the names are not used",
                       named.size(), times.size()));
    double frames = 1;
    bool keys = options.fps <= 0 && EvenlySpaced(times);
    double fps = options.fps > 0 ? options.fps : GLTF_DEFAULT_FPS;
    double steps = 0;
    if (!times.empty() && keys) {
        frames += (double)times.size();
    } else if (!times.empty()) {
        double tps = TicksPerSecond(animation);
        steps = std::ceil((times.back() - times.front()) / tps * fps - 1e-6);
        frames += steps + 1;
    }
    if (!(frames <= MAX_FRAMES)) {
        *reason = FormatText(
            "%s: the animation makes %.0f frames, more than the %i an SKP file "
            "holds; choose a lower --fps",
            path, frames, MAX_FRAMES);
        return false;
    }
    if (!times.empty() && keys) {
        plan->ticks = times;
    } else if (!times.empty()) {
        double tps = TicksPerSecond(animation);
        for (double k = 0; k <= steps; k++) plan->ticks.push_back(times.front() + k * tps / fps);
    }
    for (size_t f = 0; f < plan->ticks.size() + 1; f++)
        plan->names.push_back("frame" + std::to_string(f));
    return true;
}

// The flags our glTF export keeps in a node's extras, which assimp hands on
// as the node's metadata.
uint32_t NodeFlags(const aiNode* node) {
    const aiMetadata* meta = node ? node->mMetaData : nullptr;
    for (unsigned i = 0; meta && i < meta->mNumProperties; i++) {
        if (strcmp(meta->mKeys[i].C_Str(), "flags") != 0 || !meta->mValues[i].mData) continue;
        const void* data = meta->mValues[i].mData;
        switch (meta->mValues[i].mType) {
            case AI_INT32:
                return (uint32_t) * (const int32_t*)data;
            case AI_UINT64:
                return (uint32_t) * (const uint64_t*)data;
            case AI_FLOAT:
                return (uint32_t)(int64_t) * (const float*)data;
            case AI_DOUBLE:
                return (uint32_t)(int64_t) * (const double*)data;
            default:
                return 0;
        }
    }
    return 0;
}

void AddBones(const SceneFile& file, const Skeleton& skeleton, SkelModel* model,
              std::vector<std::string>* warnings) {
    size_t bones = skeleton.node.size();
    model->bones.resize(bones);
    model->numbones = (int32_t)bones;
    for (size_t b = 0; b < bones; b++) {
        const aiNode* node = skeleton.node[b] < 0 ? nullptr : file.nodes[skeleton.node[b]];
        std::string name = node ? node->mName.C_Str() : "root";
        if (name.empty()) name = "bone" + std::to_string(b);
        bool cut = false;
        std::string fitted = TrimName(name, &cut);
        if (cut) warnings->push_back("bone name \"" + name + "\" cut to 63 bytes");
        SkelBone& bone = model->bones[b];
        CopyName(bone.name, fitted.c_str());
        bone.parent = skeleton.parent[b];
        bone.flags = NodeFlags(node);
        for (size_t o = 0; o < b; o++)
            if (strncmp(model->bones[o].name, bone.name, NAME_LEN) == 0) {
                warnings->push_back(
                    FormatText("bones %zu and %zu share the name \"%s\"", o, b, fitted.c_str()));
                break;
            }
    }
}

} // namespace

bool ImportModel(const char* path, const ImportOptions& options, SkelModel* model,
                 std::vector<std::string>* warnings, std::string* reason,
                 std::vector<ImportedTexture>* textures) {
    SceneFile file;
    if (!ReadSceneFile(path, options.scale, &file, reason)) return false;
    int index = -1;
    if (!FindAnimation(file, options.anim, path, &index, reason)) return false;
    const aiAnimation* animation = index >= 0 ? file.scene->mAnimations[index] : nullptr;

    Skeleton skeleton;
    BuildSkeleton(file, animation, &skeleton);
    if (skeleton.node.size() > (size_t)MAX_BONES) {
        *reason = FormatText("%s: the skeleton has %zu bones, more than the %i an SKP file holds",
                             path, skeleton.node.size(), MAX_BONES);
        return false;
    }
    std::vector<std::string> notes = file.notes;
    FramePlan plan;
    if (!PlanFrames(file, skeleton, index, options, path, &plan, &notes, reason)) return false;

    SkelModel out;
    AddBones(file, skeleton, &out, &notes);
    SampleFrames(file, skeleton, animation, plan, &out);
    BuildMeshes(file, skeleton, &out, &notes);
    if (out.nummeshes > MAX_MESHES) {
        *reason = FormatText("%s: the scene makes %i meshes, more than the %i an SKM file holds",
                             path, out.nummeshes, MAX_MESHES);
        return false;
    }
    if (skeleton.synthetic)
        notes.push_back("the scene has no bones; everything hangs on one bone \"root\"");
    if (textures && options.textures) CollectTextures(file, path, textures, &notes);
    for (const std::string& note : notes) warnings->push_back(std::string(path) + ": " + note);
    *model = std::move(out);
    return true;
}

bool ListScene(const char* path, std::string* listing, std::string* reason) {
    SceneFile file;
    if (!ReadSceneFile(path, 1, &file, reason)) return false;
    const aiScene* scene = file.scene;
    Skeleton skeleton;
    BuildSkeleton(file, scene->mNumAnimations ? scene->mAnimations[0] : nullptr, &skeleton);
    std::string& out = *listing;
    out.clear();

    size_t bones = skeleton.synthetic ? 0 : skeleton.node.size();
    std::vector<size_t> below(skeleton.node.size(), 1);
    for (size_t b = skeleton.node.size(); b-- > 0;)
        if (skeleton.parent[b] >= 0) below[skeleton.parent[b]] += below[b];
    size_t roots = 0;
    for (size_t b = 0; b < bones; b++) roots += skeleton.parent[b] < 0;
    out += FormatText("%s: %zu skeleton%s, %zu bones\n", path, roots, roots == 1 ? "" : "s", bones);
    out += "  " + file.unitText + "\n  " + file.axesText + "\n";
    for (const std::string& note : file.notes) out += "  note: " + note + "\n";
    for (size_t b = 0; b < bones; b++)
        if (skeleton.parent[b] < 0)
            out += FormatText("  skeleton \"%s\": %zu bones\n",
                              file.nodes[skeleton.node[b]]->mName.C_Str(), below[b]);
    if (!bones) out += "  (no bones: imported as one bone \"root\")\n";

    size_t instances = 0;
    for (const aiNode* node : file.nodes) instances += node->mNumMeshes;
    out += FormatText("%zu meshes\n", instances);
    for (const aiNode* node : file.nodes)
        for (unsigned k = 0; k < node->mNumMeshes; k++) {
            if (node->mMeshes[k] >= scene->mNumMeshes) continue;
            const aiMesh* mesh = scene->mMeshes[node->mMeshes[k]];
            size_t tris = 0;
            for (unsigned f = 0; f < mesh->mNumFaces; f++) tris += mesh->mFaces[f].mNumIndices == 3;
            aiString material;
            if (mesh->mMaterialIndex < scene->mNumMaterials)
                scene->mMaterials[mesh->mMaterialIndex]->Get(AI_MATKEY_NAME, material);
            out += FormatText(
                "  mesh \"%s\": %u vertices, %zu triangles, %u bones, material "
                "\"%s\"\n",
                mesh->mName.length ? mesh->mName.C_Str() : node->mName.C_Str(), mesh->mNumVertices,
                tris, mesh->mNumBones, material.C_Str());
        }

    out += FormatText("%u animation%s\n", scene->mNumAnimations,
                      scene->mNumAnimations == 1 ? "" : "s");
    for (unsigned a = 0; a < scene->mNumAnimations; a++) {
        const aiAnimation* animation = scene->mAnimations[a];
        std::vector<double> times = KeyTimes(animation);
        double tps = TicksPerSecond(animation);
        out += FormatText(
            "  %u \"%s\": %.4g s, %u channels, %zu key times%s", a,
            AnimationName(animation).c_str(), animation->mDuration / tps, animation->mNumChannels,
            times.size(),
            times.size() > 2 ? (EvenlySpaced(times) ? " evenly spaced" : " uneven") : "");
        if (a < file.frameNames.size() && !file.frameNames[a].empty())
            out += FormatText(", %zu named frames", file.frameNames[a].size());
        out += "\n";
    }
    return true;
}
