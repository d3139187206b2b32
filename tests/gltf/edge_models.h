// Small skeletal models built in memory for the glTF export's tests: the unit
// tests inspect them directly, gltf-edge-models writes them as SKM/SKP pairs
// for the validator and assimp runs. Header-only, no state.
#pragma once
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "model/model.h"

// A pose at (x, y, z) turned by degrees about the unit axis (ax, ay, az).
inline BonePose EdgePose(float x, float y, float z, double degrees = 0, double ax = 0,
                         double ay = 0, double az = 1) {
    double half = degrees * 3.141592653589793 / 360.0;
    double s = std::sin(half);
    BonePose pose;
    pose.quat[0] = (float)(ax * s);
    pose.quat[1] = (float)(ay * s);
    pose.quat[2] = (float)(az * s);
    pose.quat[3] = (float)std::cos(half);
    pose.origin[0] = x, pose.origin[1] = y, pose.origin[2] = z;
    return pose;
}

inline BoneWeight EdgeWeight(int32_t bone, float influence, float x, float y, float z, float nx = 0,
                             float ny = 0, float nz = 1) {
    BoneWeight weight;
    weight.origin[0] = x, weight.origin[1] = y, weight.origin[2] = z;
    weight.influence = influence;
    weight.normal[0] = nx, weight.normal[1] = ny, weight.normal[2] = nz;
    weight.bonenum = bone;
    return weight;
}

inline void AddEdgeBone(SkelModel* model, const char* name, int32_t parent, uint32_t flags = 0) {
    SkelBone bone;
    CopyName(bone.name, name);
    bone.parent = parent;
    bone.flags = flags;
    model->bones.push_back(bone);
    model->numbones = (int32_t)model->bones.size();
}

inline void AddEdgeFrame(SkelModel* model, const char* name, std::vector<BonePose> poses) {
    PoseFrame frame;
    CopyName(frame.name, name);
    frame.poses = std::move(poses);
    model->frames.push_back(std::move(frame));
    model->numframes = (int32_t)model->frames.size();
}

// Adds an empty mesh; fill it with AddEdgeVertex / AddEdgeTriangle, then
// call FinishEdgeModel once every mesh is complete.
inline SkelMesh* AddEdgeMesh(SkelModel* model, const char* meshname, const char* skinname) {
    SkelMesh mesh = SkelMesh();
    CopyName(mesh.meshname, meshname);
    CopyName(mesh.skinname, skinname);
    model->meshes.push_back(std::move(mesh));
    model->nummeshes = (int32_t)model->meshes.size();
    return &model->meshes.back();
}

inline void AddEdgeVertex(SkelMesh* mesh, std::initializer_list<BoneWeight> weights, float s = 0,
                          float t = 0) {
    SkelVertex vertex;
    vertex.numweights = (int32_t)weights.size();
    vertex.weights = nullptr;
    mesh->verts.push_back(vertex);
    mesh->weightpool.insert(mesh->weightpool.end(), weights.begin(), weights.end());
    mesh->texcoords.push_back(s);
    mesh->texcoords.push_back(t);
    mesh->numverts = (int32_t)mesh->verts.size();
}

inline void AddEdgeTriangle(SkelMesh* mesh, int32_t a, int32_t b, int32_t c) {
    mesh->indices.insert(mesh->indices.end(), {a, b, c});
    mesh->numtris = (int32_t)(mesh->indices.size() / 3);
}

// Counts, bone references and weight links of every mesh.
inline void FinishEdgeModel(SkelModel* model) {
    for (SkelMesh& mesh : model->meshes) {
        std::set<int32_t> used;
        for (const BoneWeight& weight : mesh.weightpool) used.insert(weight.bonenum);
        mesh.references.assign(used.begin(), used.end());
        mesh.numreferences = (int32_t)mesh.references.size();
        LinkVertexWeights(&mesh);
    }
}

// A quad of four vertices at model z = 0 from x0 to x1, all on one bone.
inline void AddEdgeQuad(SkelMesh* mesh, int32_t bone, float x0, float x1,
                        const BonePose& boneRest) {
    int32_t first = mesh->numverts;
    const float corners[4][2] = {{x0, -1}, {x1, -1}, {x1, 1}, {x0, 1}};
    for (const auto& c : corners) // the bone's rest pose has no rotation here
        AddEdgeVertex(mesh,
                      {EdgeWeight(bone, 1, c[0] - boneRest.origin[0], c[1] - boneRest.origin[1],
                                  -boneRest.origin[2])},
                      c[0] == x0 ? 0.0f : 1.0f, c[1] < 0 ? 0.0f : 1.0f);
    AddEdgeTriangle(mesh, first, first + 1, first + 2);
    AddEdgeTriangle(mesh, first, first + 2, first + 3);
}

// Two bones, three frames, a quad whose fifth vertex has no weights.
inline void BuildEdgeUnweighted(SkelModel* model) {
    *model = SkelModel();
    AddEdgeBone(model, "root", -1);
    AddEdgeBone(model, "arm", 0);
    AddEdgeFrame(model, "rest", {EdgePose(0, 0, 0), EdgePose(2, 0, 0)});
    AddEdgeFrame(model, "bend", {EdgePose(0, 0, 0), EdgePose(2, 0, 0, 45)});
    AddEdgeFrame(model, "turn", {EdgePose(0, 0, 0, 90), EdgePose(2, 0, 0, 45)});
    SkelMesh* mesh = AddEdgeMesh(model, "plate", "plate_skin");
    AddEdgeQuad(mesh, 1, 2, 4, model->frames[0].poses[1]);
    AddEdgeVertex(mesh, {}, 0.5f, 0.5f);
    AddEdgeTriangle(mesh, 0, 4, 1);
    FinishEdgeModel(model);
}

// A chain of six bones; one vertex with five influences, one whose two
// weights name the same bone, one with a negative influence.
inline void BuildEdgeFiveInfluences(SkelModel* model) {
    *model = SkelModel();
    const char* names[6] = {"base", "b1", "b2", "b3", "b4", "tip"};
    std::vector<BonePose> rest, bent;
    for (int32_t i = 0; i < 6; i++) {
        AddEdgeBone(model, names[i], i - 1);
        rest.push_back(EdgePose(i == 0 ? 0.0f : 1.0f, 0, 0));
        bent.push_back(EdgePose(i == 0 ? 0.0f : 1.0f, 0, 0, 15, 0, 1, 0));
    }
    AddEdgeFrame(model, "straight", rest);
    AddEdgeFrame(model, "curl", bent);
    SkelMesh* mesh = AddEdgeMesh(model, "rope", "rope_skin");
    AddEdgeVertex(mesh, {EdgeWeight(0, 0.1f, 0, 0, 1), EdgeWeight(1, 0.3f, -1, 0, 1),
                         EdgeWeight(2, 0.2f, -2, 0, 1), EdgeWeight(3, 0.25f, -3, 0, 1),
                         EdgeWeight(4, 0.15f, -4, 0, 1)});
    AddEdgeVertex(mesh, {EdgeWeight(5, 0.5f, 0, 0, 0), EdgeWeight(5, 0.5f, 0, 0, 0)}, 1, 0);
    AddEdgeVertex(mesh, {EdgeWeight(2, 1.25f, 0, 1, 0), EdgeWeight(3, -0.25f, -1, 1, 0)}, 0, 1);
    AddEdgeTriangle(mesh, 0, 1, 2);
    FinishEdgeModel(model);
}

// Two bones and a single frame.
inline void BuildEdgeOneFrame(SkelModel* model) {
    *model = SkelModel();
    AddEdgeBone(model, "hip", -1);
    AddEdgeBone(model, "knee", 0, 1);
    AddEdgeFrame(model, "only", {EdgePose(0, 0, 5, 30, 1, 0, 0), EdgePose(0, 0, -3)});
    SkelMesh* mesh = AddEdgeMesh(model, "shin", "leg_skin");
    AddEdgeVertex(mesh, {EdgeWeight(0, 1, 1, 0, 0)});
    AddEdgeVertex(mesh, {EdgeWeight(1, 1, 1, 0, 0)});
    AddEdgeVertex(mesh, {EdgeWeight(1, 0.5f, 0, 1, 0), EdgeWeight(0, 0.5f, 0, 1, -3)});
    AddEdgeTriangle(mesh, 0, 1, 2);
    FinishEdgeModel(model);
}

// Two separate skeletons (bones 0 and 2 are roots), two meshes with one skin.
inline void BuildEdgeSeveralRoots(SkelModel* model) {
    *model = SkelModel();
    AddEdgeBone(model, "Left", -1);
    AddEdgeBone(model, "Lhand", 0);
    AddEdgeBone(model, "Right", -5);
    AddEdgeBone(model, "Rhand", 2);
    std::vector<BonePose> rest = {EdgePose(0, 3, 0), EdgePose(2, 0, 0), EdgePose(0, -3, 0),
                                  EdgePose(2, 0, 0)};
    std::vector<BonePose> wave = {EdgePose(0, 3, 1, 20, 1, 0, 0), EdgePose(2, 0, 0, 30),
                                  EdgePose(0, -3, 1, -20, 1, 0, 0), EdgePose(2, 0, 0, -30)};
    AddEdgeFrame(model, "rest", rest);
    AddEdgeFrame(model, "wave", wave);
    SkelMesh* left = AddEdgeMesh(model, "left_mesh", "twin_skin");
    AddEdgeQuad(left, 1, 2, 3, EdgePose(2, 3, 0));
    SkelMesh* right = AddEdgeMesh(model, "right_mesh", "twin_skin");
    AddEdgeQuad(right, 3, 2, 3, EdgePose(2, -3, 0));
    FinishEdgeModel(model);
}

// Past the small index types: 300 bones (joints as unsigned shorts) and a
// mesh of 66000 vertices (indices as unsigned ints).
inline void BuildEdgeWide(SkelModel* model) {
    *model = SkelModel();
    const int32_t bones = 300;
    std::vector<BonePose> rest;
    for (int32_t i = 0; i < bones; i++) {
        std::string name = "w" + std::to_string(i);
        AddEdgeBone(model, name.c_str(), i == 0 ? -1 : 0);
        rest.push_back(
            EdgePose(i == 0 ? 0.0f : (float)(i % 20), i == 0 ? 0.0f : (float)(i / 20), 0));
    }
    AddEdgeFrame(model, "rest", rest);
    SkelMesh* mesh = AddEdgeMesh(model, "field", "field_skin");
    const int32_t verts = 66000;
    for (int32_t v = 0; v < verts; v++) {
        int32_t bone = 1 + v % (bones - 1);
        float dx = (float)(v % 3) * 0.3f, dy = (float)((v / 3) % 7) * 0.1f;
        AddEdgeVertex(mesh, {EdgeWeight(bone, 0.75f, dx, dy, 0), EdgeWeight(0, 0.25f, dx, dy, 0)});
    }
    for (int32_t v = 0; v + 2 < verts; v += 3) AddEdgeTriangle(mesh, v, v + 1, v + 2);
    FinishEdgeModel(model);
}

struct EdgeModelEntry {
    const char* name;
    void (*build)(SkelModel* model);
};

inline const EdgeModelEntry EDGE_MODELS[] = {
    {"unweighted", BuildEdgeUnweighted},
    {"five", BuildEdgeFiveInfluences},
    {"oneframe", BuildEdgeOneFrame},
    {"roots", BuildEdgeSeveralRoots},
    {"wide", BuildEdgeWide},
};
