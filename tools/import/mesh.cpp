// The meshes of an import: every mesh instance of the scene in model space,
// each vertex's weights turned into positions and normals in its bones'
// bind-pose space, split into several SKM meshes past the per-mesh limits.
#include <algorithm>
#include <cmath>
#include <string>

#include <assimp/material.h>

#include "model/format.h"
#include "tools/import/scene.h"

namespace {

// One mesh instance before it is cut to the limits: vertices with their
// weights back to back (weights of vertex v at first[v] .. first[v + 1]).
struct WholeMesh {
    std::string meshname, skinname;
    std::vector<BoneWeight> pool;
    std::vector<size_t> first;
    std::vector<float> texcoords;
    std::vector<int32_t> indices;
};

std::string Shown(const std::string& name) { return "\"" + name + "\""; }

struct Placed {
    Vec3d origin, normal;
};

// A point and a normal in the bone space of a model-space bind transform.
Placed InBoneSpace(const RigidPart& bone, Vec3d position, Vec3d normal) {
    Quatd back = Conjugate(bone.rotation);
    return {Rotate(back, position - bone.translation), Rotate(back, normal)};
}

BoneWeight MakeWeight(int32_t bone, double influence, const Placed& at) {
    return BoneWeight{{(float)at.origin.x, (float)at.origin.y, (float)at.origin.z},
                      (float)influence,
                      {(float)at.normal.x, (float)at.normal.y, (float)at.normal.z},
                      bone};
}

// Positions and unit normals of a mesh's vertices in model space.
void PlaceVertices(const aiMesh* mesh, const Affine& place, std::vector<Vec3d>* position,
                   std::vector<Vec3d>* normal) {
    Affine normals = NormalMatrix(place);
    size_t count = mesh->mNumVertices;
    position->resize(count);
    normal->assign(count, Vec3d{0, 0, 0});
    for (size_t v = 0; v < count; v++) {
        (*position)[v] = TransformPoint(place, ToVec3d(mesh->mVertices[v]));
        if (mesh->mNormals) {
            Vec3d turned = TransformDirection(normals, ToVec3d(mesh->mNormals[v]));
            double length = Length(turned);
            if (length > 0 && std::isfinite(length)) (*normal)[v] = (1 / length) * turned;
        }
    }
}

bool Usable(const aiVertexWeight& weight, size_t count) {
    return weight.mVertexId < count && weight.mWeight > 0 && std::isfinite(weight.mWeight);
}

// Weights of positive influence, by vertex, each in its bone's space as this
// mesh's offset matrix binds it, into out->pool and out->first.
void CollectWeights(const SceneFile& file, const Skeleton& skeleton, const aiMesh* mesh,
                    const Affine& place, const std::vector<Vec3d>& position,
                    const std::vector<Vec3d>& normal, WholeMesh* out,
                    std::vector<std::string>* warnings) {
    size_t count = mesh->mNumVertices;
    std::vector<int32_t> boneOf(mesh->mNumBones, -1);
    std::vector<size_t> used(count + 1, 0);
    for (unsigned b = 0; b < mesh->mNumBones; b++) {
        const aiBone* bone = mesh->mBones[b];
        auto found = file.byName.find(bone->mName.C_Str());
        if (found == file.byName.end() || skeleton.boneOfNode[found->second] < 0) {
            warnings->push_back("mesh " + Shown(out->meshname) + " is skinned to " +
                                Shown(bone->mName.C_Str()) +
                                ", which is no node of the scene; its weights are left out");
            continue;
        }
        boneOf[b] = skeleton.boneOfNode[found->second];
        for (unsigned w = 0; w < bone->mNumWeights; w++)
            if (Usable(bone->mWeights[w], count)) used[bone->mWeights[w].mVertexId + 1]++;
    }
    for (size_t v = 0; v < count; v++) used[v + 1] += used[v];
    out->first = used;
    out->pool.resize(used[count]);
    for (unsigned b = 0; b < mesh->mNumBones; b++) {
        if (boneOf[b] < 0) continue;
        const aiBone* bone = mesh->mBones[b];
        RigidPart bind = SplitRigid(place * Inverse(ToAffine(bone->mOffsetMatrix)));
        for (unsigned w = 0; w < bone->mNumWeights; w++) {
            const aiVertexWeight& weight = bone->mWeights[w];
            if (!Usable(weight, count)) continue;
            size_t v = weight.mVertexId;
            out->pool[used[v]++] =
                MakeWeight(boneOf[b], weight.mWeight, InBoneSpace(bind, position[v], normal[v]));
        }
    }
}

// Influences summing to 1; a vertex without any is carried rigidly by the
// holder bone (the nearest bone above its mesh's node).
void NormaliseWeights(const Skeleton& skeleton, int32_t holder, bool skinned,
                      const std::vector<Vec3d>& position, const std::vector<Vec3d>& normal,
                      WholeMesh* out, std::vector<std::string>* warnings) {
    size_t count = position.size();
    RigidPart holderBind = SplitRigid(skeleton.bind[holder]);
    std::vector<BoneWeight> pool;
    pool.reserve(out->pool.size());
    int unnormalised = 0, unweighted = 0;
    for (size_t v = 0; v < count; v++) {
        size_t begin = out->first[v], end = out->first[v + 1];
        out->first[v] = pool.size();
        double sum = 0;
        for (size_t w = begin; w < end; w++) sum += out->pool[w].influence;
        if (end == begin || !(sum > 0) || !std::isfinite(sum)) {
            unweighted += skinned;
            pool.push_back(MakeWeight(holder, 1, InBoneSpace(holderBind, position[v], normal[v])));
            continue;
        }
        if (std::fabs(sum - 1) > 1e-3) unnormalised++;
        for (size_t w = begin; w < end; w++) {
            pool.push_back(out->pool[w]);
            pool.back().influence = (float)(out->pool[w].influence / sum);
        }
    }
    out->first[count] = pool.size();
    out->pool.swap(pool);
    const std::string name = Shown(out->meshname);
    if (unnormalised)
        warnings->push_back("mesh " + name + ": " + std::to_string(unnormalised) +
                            " vertices had influences not summing to 1; normalised");
    if (unweighted)
        warnings->push_back("mesh " + name + ": " + std::to_string(unweighted) +
                            " vertices without weights are bound to bone " +
                            std::to_string(holder));
}

// Texture coordinates and the triangles; points and lines are left out.
void ReadFaces(const aiMesh* mesh, WholeMesh* out, std::vector<std::string>* warnings) {
    size_t count = mesh->mNumVertices;
    out->texcoords.assign(2 * count, 0.0f);
    if (mesh->HasTextureCoords(0))
        for (size_t v = 0; v < count; v++) {
            out->texcoords[2 * v] = mesh->mTextureCoords[0][v].x;
            out->texcoords[2 * v + 1] = mesh->mTextureCoords[0][v].y;
        }
    int others = 0;
    for (unsigned f = 0; f < mesh->mNumFaces; f++) {
        const aiFace& face = mesh->mFaces[f];
        if (face.mNumIndices != 3 || face.mIndices[0] >= count || face.mIndices[1] >= count ||
            face.mIndices[2] >= count) {
            others++;
            continue;
        }
        for (int k = 0; k < 3; k++) out->indices.push_back((int32_t)face.mIndices[k]);
    }
    if (others)
        warnings->push_back("mesh " + Shown(out->meshname) + ": " + std::to_string(others) +
                            " points and lines left out");
}

// One mesh instance on node n, whole, in model space.
void ReadMesh(const SceneFile& file, const Skeleton& skeleton, int n, const aiMesh* mesh,
              WholeMesh* out, std::vector<std::string>* warnings) {
    const Affine place = MeshPlacement(file, n, mesh);
    std::vector<Vec3d> position, normal;
    PlaceVertices(mesh, place, &position, &normal);
    CollectWeights(file, skeleton, mesh, place, position, normal, out, warnings);
    int32_t holder = std::max(0, BoneAbove(file, skeleton, n));
    NormaliseWeights(skeleton, holder, mesh->mNumBones > 0, position, normal, out, warnings);
    ReadFaces(mesh, out, warnings);
}

// Groups of triangles that each fit one SKM mesh, in triangle order; each
// group's vertices keep the source's order. One group holds everything
// (unused vertices included) when the mesh fits as it is.
std::vector<std::vector<int32_t>> SplitTriangles(const WholeMesh& mesh) {
    size_t count = mesh.first.size() - 1, tris = mesh.indices.size() / 3;
    std::vector<bool> bonesUsed(MAX_BONES, false);
    int32_t references = 0;
    for (const BoneWeight& weight : mesh.pool)
        if (!bonesUsed[weight.bonenum]) bonesUsed[weight.bonenum] = true, references++;
    if (count <= (size_t)MAX_VERTS && tris <= (size_t)MAX_TRIS && references <= MAX_REFERENCES)
        return {};

    std::vector<std::vector<int32_t>> groups;
    std::vector<int32_t> vertexIn(count, -1), boneIn(MAX_BONES, -1);
    int32_t verts = 0, bones = 0;
    for (size_t t = 0; t < tris; t++) {
        int32_t group = (int32_t)groups.size() - 1;
        int32_t newVerts = 0, newBones = 0;
        for (int k = 0; k < 3 && group >= 0; k++) {
            int32_t v = mesh.indices[3 * t + k];
            if (vertexIn[v] == group) continue;
            bool repeat = false;
            for (int j = 0; j < k; j++) repeat |= mesh.indices[3 * t + j] == v;
            if (repeat) continue;
            newVerts++;
            for (size_t w = mesh.first[v]; w < mesh.first[v + 1]; w++)
                if (boneIn[mesh.pool[w].bonenum] != group) newBones++;
        }
        if (group < 0 || (int32_t)groups.back().size() / 3 + 1 > MAX_TRIS ||
            verts + newVerts > MAX_VERTS || bones + newBones > MAX_REFERENCES) {
            groups.emplace_back();
            group++;
            verts = bones = 0;
        }
        for (int k = 0; k < 3; k++) {
            int32_t v = mesh.indices[3 * t + k];
            groups.back().push_back(v);
            if (vertexIn[v] == group) continue;
            vertexIn[v] = group, verts++;
            for (size_t w = mesh.first[v]; w < mesh.first[v + 1]; w++)
                if (boneIn[mesh.pool[w].bonenum] != group)
                    boneIn[mesh.pool[w].bonenum] = group, bones++;
        }
    }
    return groups;
}

// One SKM mesh from the given triangles' vertices (all vertices when
// triangles is null).
void EmitMesh(const WholeMesh& whole, const std::vector<int32_t>* triangles, const char* name,
              SkelModel* model) {
    size_t count = whole.first.size() - 1;
    std::vector<int32_t> index(count, -1), order;
    if (!triangles) {
        for (size_t v = 0; v < count; v++) index[v] = (int32_t)v;
    } else {
        for (int32_t v : *triangles) index[v] = 0;
        for (size_t v = 0; v < count; v++)
            if (index[v] == 0) index[v] = (int32_t)order.size(), order.push_back((int32_t)v);
    }
    const std::vector<int32_t>& kept = triangles ? order : index;
    const std::vector<int32_t>& corners = triangles ? *triangles : whole.indices;

    SkelMesh mesh = SkelMesh();
    CopyName(mesh.meshname, name);
    CopyName(mesh.skinname, whole.skinname.c_str());
    mesh.numverts = (int32_t)kept.size();
    mesh.verts.resize(kept.size());
    std::vector<bool> used(MAX_BONES, false);
    for (size_t i = 0; i < kept.size(); i++) {
        size_t v = (size_t)kept[i];
        mesh.verts[i].numweights = (int32_t)(whole.first[v + 1] - whole.first[v]);
        for (size_t w = whole.first[v]; w < whole.first[v + 1]; w++) {
            mesh.weightpool.push_back(whole.pool[w]);
            used[whole.pool[w].bonenum] = true;
        }
        mesh.texcoords.push_back(whole.texcoords[2 * v]);
        mesh.texcoords.push_back(whole.texcoords[2 * v + 1]);
    }
    for (int32_t v : corners) mesh.indices.push_back(index[v]);
    mesh.numtris = (int32_t)(mesh.indices.size() / 3);
    for (int32_t b = 0; b < MAX_BONES; b++)
        if (used[b]) mesh.references.push_back(b);
    mesh.numreferences = (int32_t)mesh.references.size();
    model->meshes.push_back(std::move(mesh));
    LinkVertexWeights(&model->meshes.back());
}

} // namespace

void BuildMeshes(const SceneFile& file, const Skeleton& skeleton, SkelModel* model,
                 std::vector<std::string>* warnings) {
    const aiScene* scene = file.scene;
    int instance = 0;
    for (size_t n = 0; n < file.nodes.size(); n++) {
        const aiNode* node = file.nodes[n];
        for (unsigned k = 0; k < node->mNumMeshes; k++, instance++) {
            if (node->mMeshes[k] >= scene->mNumMeshes) continue;
            const aiMesh* mesh = scene->mMeshes[node->mMeshes[k]];
            WholeMesh whole;
            whole.meshname = mesh->mName.length ? mesh->mName.C_Str() : node->mName.C_Str();
            if (whole.meshname.empty()) whole.meshname = "mesh" + std::to_string(instance);
            whole.skinname = SkinName(scene, mesh);
            ReadMesh(file, skeleton, (int)n, mesh, &whole, warnings);
            if (whole.indices.empty()) {
                warnings->push_back("mesh " + Shown(whole.meshname) +
                                    " has no triangles; left out");
                continue;
            }
            bool cut = false;
            std::string name = TrimName(whole.meshname, &cut);
            if (cut) warnings->push_back("mesh name " + Shown(whole.meshname) + " cut to 63 bytes");
            std::string skin = TrimName(whole.skinname, &cut);
            if (cut) warnings->push_back("skin name " + Shown(whole.skinname) + " cut to 63 bytes");
            whole.skinname = skin;

            std::vector<std::vector<int32_t>> groups = SplitTriangles(whole);
            if (groups.empty()) {
                EmitMesh(whole, nullptr, name.c_str(), model);
                continue;
            }
            warnings->push_back(FormatText(
                "mesh %s: %zu vertices and %zu triangles are past one mesh's limits (%i, %i, "
                "%i bones); split into %zu meshes",
                Shown(name).c_str(), whole.first.size() - 1, whole.indices.size() / 3, MAX_VERTS,
                MAX_TRIS, MAX_REFERENCES, groups.size()));
            for (size_t g = 0; g < groups.size(); g++) {
                std::string suffix = g == 0 ? "" : "_" + std::to_string(g + 1);
                std::string part = TrimName(name, &cut, (size_t)NAME_LEN - 1 - suffix.size());
                EmitMesh(whole, &groups[g], (part + suffix).c_str(), model);
            }
        }
    }
    model->nummeshes = (int32_t)model->meshes.size();
}
