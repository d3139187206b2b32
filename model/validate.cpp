// The model checker: one walk over a model that records every broken rule
// as a ModelFault, and boneloom-tool check's wording of them. No state; the
// model is only read.
#include "model/validate.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/format.h"

namespace {

bool NameTerminated(const char* name) { return memchr(name, 0, NAME_LEN) != nullptr; }

bool AllFinite(const float* values, int count) {
    for (int i = 0; i < count; i++)
        if (!std::isfinite(values[i])) return false;
    return true;
}

// The vertex's numweights records lie inside its mesh's weight pool.
bool WeightsInPool(const SkelMesh& mesh, const SkelVertex& v) {
    if (v.numweights < 0) return false;
    if (v.numweights == 0) return true;
    if (!v.weights || mesh.weightpool.empty()) return false;
    const BoneWeight* base = mesh.weightpool.data();
    const BoneWeight* end = base + mesh.weightpool.size();
    return v.weights >= base && v.weights <= end && v.numweights <= end - v.weights;
}

struct Walk {
    const SkelModel* model;
    unsigned scope;
    std::vector<ModelFault>* faults;
    bool contents() const { return (scope & CHECK_CONTENTS) != 0; }
};

void Add(Walk* walk, ModelFaultKind kind, int32_t mesh, int32_t item, int64_t value,
         int64_t held = 0, int32_t sub = -1) {
    ModelFault fault;
    fault.kind = kind;
    fault.mesh = mesh;
    fault.item = item;
    fault.sub = sub;
    fault.value = value;
    fault.held = held;
    walk->faults->push_back(fault);
}

// Counts one more offender of a kind: the first gets a record (and so its
// place in the walk order), later ones only raise its count.
struct Tally {
    Walk* walk;
    int32_t mesh;
    int64_t at[FAULT_KIND_COUNT];
};

ModelFault* Count(Tally* tally, ModelFaultKind kind, int32_t item, int64_t value,
                  int32_t sub = -1) {
    std::vector<ModelFault>& faults = *tally->walk->faults;
    if (tally->at[kind] >= 0) {
        faults[(size_t)tally->at[kind]].count++;
        return nullptr;
    }
    tally->at[kind] = (int64_t)faults.size();
    Add(tally->walk, kind, tally->mesh, item, value, 0, sub);
    return &faults.back();
}

// A vertex's skinning: without a weight on an existing bone it has no
// position; its influences on existing bones should add up to 1 (within
// 1e-3, summed in weight order; NaN counts as off).
void CheckSkin(Tally* tally, int32_t v, const SkelVertex& vertex, int32_t numbones) {
    bool weighted = false;
    float sum = 0;
    for (int32_t w = 0; w < vertex.numweights; w++) {
        const BoneWeight& weight = vertex.weights[w];
        if (weight.bonenum < 0 || weight.bonenum >= numbones) continue;
        weighted = true;
        sum += weight.influence;
    }
    if (!weighted) {
        Count(tally, FAULT_UNWEIGHTED_VERTEX, v, 0);
    } else if (!(std::fabs(sum - 1.0f) <= 1e-3f)) {
        if (ModelFault* first = Count(tally, FAULT_WEIGHT_SUM, v, 0)) first->sum = sum;
    }
}

void WalkSkeleton(Walk* walk) {
    const SkelModel* model = walk->model;
    int32_t numbones = model->numbones, numframes = model->numframes;
    if (numbones < 0 || model->bones.size() != (size_t)numbones) {
        Add(walk, FAULT_BONE_COUNT, -1, -1, numbones, (int64_t)model->bones.size());
        return;
    }
    if (walk->contents() && numbones < 2) Add(walk, FAULT_FEW_BONES, -1, -1, numbones);
    if (walk->contents() && numframes < 1) Add(walk, FAULT_NO_FRAMES, -1, -1, numframes);
    if (numframes < 0 || model->frames.size() != (size_t)numframes) {
        Add(walk, FAULT_FRAME_COUNT, -1, -1, numframes, (int64_t)model->frames.size());
        return;
    }
    for (int32_t i = 0; i < numbones && walk->contents(); i++)
        if (!NameTerminated(model->bones[i].name)) Add(walk, FAULT_BONE_NAME, -1, i, i);
    Tally tally = {walk, -1, {}};
    for (int64_t& at : tally.at) at = -1;
    for (int32_t f = 0; f < numframes; f++) {
        const PoseFrame& frame = model->frames[f];
        if (walk->contents() && !NameTerminated(frame.name)) Add(walk, FAULT_FRAME_NAME, -1, f, f);
        if (frame.poses.size() != (size_t)numbones) {
            Add(walk, FAULT_POSE_COUNT, -1, f, (int64_t)frame.poses.size(), numbones);
            continue;
        }
        for (int32_t i = 0; i < numbones && walk->contents(); i++) {
            const BonePose& pose = frame.poses[i];
            if (!AllFinite(pose.quat, 4) || !AllFinite(pose.origin, 3))
                Count(&tally, FAULT_POSE_NOT_FINITE, f, 0, i);
        }
    }
}

void WalkVertices(Tally* tally, const SkelMesh& mesh, int32_t numbones) {
    bool contents = tally->walk->contents();
    for (int32_t v = 0; v < mesh.numverts; v++) {
        const SkelVertex& vertex = mesh.verts[v];
        if (!WeightsInPool(mesh, vertex)) {
            Count(tally, FAULT_VERTEX_WEIGHTS, v, vertex.numweights);
            continue;
        }
        if (!contents) continue;
        if (!AllFinite(&mesh.texcoords[2 * (size_t)v], 2))
            Count(tally, FAULT_TEXCOORD_NOT_FINITE, v, 0);
        for (int32_t w = 0; w < vertex.numweights; w++) {
            const BoneWeight& weight = vertex.weights[w];
            if (weight.bonenum < 0 || weight.bonenum >= numbones)
                Count(tally, FAULT_WEIGHT_BONE, v, weight.bonenum, w);
            if (!AllFinite(weight.origin, 3) || !AllFinite(&weight.influence, 1) ||
                !AllFinite(weight.normal, 3))
                Count(tally, FAULT_WEIGHT_NOT_FINITE, v, 0, w);
        }
        CheckSkin(tally, v, vertex, numbones);
    }
}

void WalkMesh(Walk* walk, int32_t m) {
    const SkelMesh& mesh = walk->model->meshes[m];
    int32_t numbones = walk->model->numbones;
    if (walk->contents() && !NameTerminated(mesh.meshname)) Add(walk, FAULT_MESH_NAME, m, -1, 0);
    if (walk->contents() && !NameTerminated(mesh.skinname)) Add(walk, FAULT_SKIN_NAME, m, -1, 0);
    bool fits = true;
    if (mesh.numverts < 0 || mesh.verts.size() != (size_t)mesh.numverts ||
        mesh.texcoords.size() != 2 * (size_t)mesh.numverts) {
        Add(walk, FAULT_VERTEX_COUNT, m, -1, mesh.numverts, (int64_t)mesh.verts.size());
        fits = false;
    }
    if (mesh.numtris < 0 || mesh.indices.size() != 3 * (size_t)mesh.numtris) {
        Add(walk, FAULT_TRIANGLE_COUNT, m, -1, mesh.numtris, (int64_t)mesh.indices.size());
        fits = false;
    }
    if (mesh.numreferences < 0 || mesh.references.size() != (size_t)mesh.numreferences) {
        Add(walk, FAULT_REFERENCE_COUNT, m, -1, mesh.numreferences,
            (int64_t)mesh.references.size());
        fits = false;
    }
    if (!fits) return;

    Tally tally = {walk, m, {}};
    for (int64_t& at : tally.at) at = -1;
    WalkVertices(&tally, mesh, numbones);
    if (!walk->contents()) return;
    for (int32_t t = 0; t < mesh.numtris * 3; t++) {
        int32_t index = mesh.indices[t];
        if (index < 0 || index >= mesh.numverts) Count(&tally, FAULT_TRIANGLE_INDEX, t / 3, index);
    }
    for (int32_t r = 0; r < mesh.numreferences; r++) {
        int32_t bone = mesh.references[r];
        if (bone < 0 || bone >= numbones) Count(&tally, FAULT_REFERENCE_BONE, r, bone);
    }
}

void WalkMeshes(Walk* walk) {
    const SkelModel* model = walk->model;
    if (model->nummeshes < 0 || model->meshes.size() != (size_t)model->nummeshes) {
        Add(walk, FAULT_MESH_COUNT, -1, -1, model->nummeshes, (int64_t)model->meshes.size());
        return;
    }
    for (int32_t m = 0; m < model->nummeshes; m++) WalkMesh(walk, m);
}

} // namespace

bool ValidateModel(const SkelModel* model, unsigned scope, std::vector<ModelFault>* faults) {
    size_t before = faults->size();
    Walk walk = {model, scope, faults};
    if (scope & CHECK_SKELETON) WalkSkeleton(&walk);
    if (scope & CHECK_MESHES) WalkMeshes(&walk);
    return faults->size() == before;
}

bool FaultInMeshes(ModelFaultKind kind) { return kind >= FAULT_MESH_COUNT; }

bool ParentIsValid(const SkelModel* model, int32_t i) {
    int32_t parent = model->bones[i].parent;
    return parent < 0 || parent < i;
}

namespace {

// The check line of one fault; empty for the kinds check does not report
// (numbers that are not finite: the viewer draws them as they are).
std::string CheckLine(const SkelModel* model, const ModelFault& f, const char* path) {
    int32_t m = f.mesh, last;
    switch (f.kind) {
        case FAULT_BONE_COUNT:
            return FormatText("%s: the bone count %lli does not match the %lli bones held", path,
                              (long long)f.value, (long long)f.held);
        case FAULT_FEW_BONES:
            return FormatText("%s: the model has %lli bones; at least 2 are needed", path,
                              (long long)f.value);
        case FAULT_NO_FRAMES:
            return FormatText("%s: the model has no frames; frame 0 is needed", path);
        case FAULT_FRAME_COUNT:
            return FormatText("%s: the frame count %lli does not match the %lli frames held", path,
                              (long long)f.value, (long long)f.held);
        case FAULT_BONE_NAME:
            return FormatText("%s: the name of bone %i has no terminating NUL", path, f.item);
        case FAULT_FRAME_NAME:
            return FormatText("%s: the name of frame %i has no terminating NUL", path, f.item);
        case FAULT_POSE_COUNT:
            return FormatText("%s: frame %i has %lli poses for %lli bones", path, f.item,
                              (long long)f.value, (long long)f.held);
        case FAULT_MESH_COUNT:
            return FormatText("%s: the mesh count %lli does not match the %lli meshes held", path,
                              (long long)f.value, (long long)f.held);
        case FAULT_MESH_NAME:
            return FormatText("%s: the mesh name of mesh %i has no terminating NUL", path, m);
        case FAULT_SKIN_NAME:
            return FormatText("%s: the skin name of mesh %i has no terminating NUL", path, m);
        case FAULT_VERTEX_COUNT:
        case FAULT_TRIANGLE_COUNT:
        case FAULT_REFERENCE_COUNT:
            return FormatText("%s: the counts of mesh %i do not match its arrays", path, m);
        case FAULT_VERTEX_WEIGHTS:
            return FormatText(
                "%s: mesh %i has %lli vertices whose weights lie outside its weight pool (first: "
                "vertex %i)",
                path, m, (long long)f.count, f.item);
        case FAULT_WEIGHT_BONE:
            return FormatText(
                "%s: mesh %i has %lli weights on bones outside 0..%i (first: vertex %i, bone %lli)",
                path, m, (long long)f.count, model->numbones - 1, f.item, (long long)f.value);
        case FAULT_TRIANGLE_INDEX:
            last = model->meshes[m].numverts - 1;
            return FormatText(
                "%s: mesh %i has %lli triangle indices outside 0..%i (first: triangle %i, index "
                "%lli)",
                path, m, (long long)f.count, last, f.item, (long long)f.value);
        case FAULT_REFERENCE_BONE:
            return FormatText("%s: mesh %i has %lli bone references outside 0..%i (first: %lli)",
                              path, m, (long long)f.count, model->numbones - 1, (long long)f.value);
        case FAULT_POSE_NOT_FINITE:
        case FAULT_TEXCOORD_NOT_FINITE:
        case FAULT_WEIGHT_NOT_FINITE:
        case FAULT_UNWEIGHTED_VERTEX:
        case FAULT_WEIGHT_SUM:
        case FAULT_KIND_COUNT:
            return std::string();
    }
    return std::string();
}

} // namespace

namespace {

// A skinning finding's line: unweighted vertices are problems, influences that
// do not add up to 1 are notes; other kinds have none.
void AddSkinLine(const ModelFault& f, const char* skmPath, std::vector<std::string>* problems,
                 std::vector<std::string>* notes) {
    const char* ending = f.count == 1 ? "ex" : "ices";
    if (f.kind == FAULT_UNWEIGHTED_VERTEX)
        problems->push_back(
            FormatText("%s: mesh %i has %lli vert%s without a weight on an "
                       "existing bone, not drawn (first: vertex %i)",
                       skmPath, f.mesh, (long long)f.count, ending, f.item));
    if (f.kind == FAULT_WEIGHT_SUM)
        notes->push_back(
            FormatText("%s: note: mesh %i has %lli vert%s whose influences do "
                       "not add up to 1 (first: vertex %i, sum %g)",
                       skmPath, f.mesh, (long long)f.count, ending, f.item, f.sum));
}

} // namespace

void CheckModel(const SkelModel* model, const char* skmPath, const char* skpPath,
                std::vector<std::string>* problems, std::vector<std::string>* notes) {
    std::vector<ModelFault> faults;
    ValidateModel(model, CHECK_ALL, &faults);
    // The skinning findings come after the other lines, from the same walk.
    std::vector<std::string> skinProblems;
    int32_t unfit = -1; // a mesh whose counts do not match: one line for it
    for (const ModelFault& f : faults) {
        if (f.mesh >= 0 && f.mesh == unfit) continue;
        std::string line = CheckLine(model, f, FaultInMeshes(f.kind) ? skmPath : skpPath);
        if (!line.empty()) problems->push_back(line);
        if (notes) AddSkinLine(f, skmPath, &skinProblems, notes);
        if (f.kind == FAULT_VERTEX_COUNT || f.kind == FAULT_TRIANGLE_COUNT ||
            f.kind == FAULT_REFERENCE_COUNT)
            unfit = f.mesh;
        // Past a count that does not match its array nothing more is known.
        if (f.kind == FAULT_BONE_COUNT || f.kind == FAULT_FRAME_COUNT || f.kind == FAULT_MESH_COUNT)
            break;
    }
    problems->insert(problems->end(), skinProblems.begin(), skinProblems.end());
}

void CheckSkinWeights(const SkelModel* model, const char* skmPath,
                      std::vector<std::string>* problems, std::vector<std::string>* notes) {
    std::vector<ModelFault> faults;
    ValidateModel(model, CHECK_ALL, &faults);
    for (const ModelFault& f : faults) {
        if (f.kind == FAULT_BONE_COUNT) return;
        AddSkinLine(f, skmPath, problems, notes);
    }
}

ModelStats GatherModelStats(const SkelModel* model) {
    ModelStats stats;
    if (!model) return stats;
    stats.meshes = UsableMeshes(model);
    stats.bones = UsableBones(model);
    stats.frames = UsableFrames(model);
    for (int32_t m = 0; m < stats.meshes; m++) {
        const SkelMesh& mesh = model->meshes[m];
        size_t verts = std::min(mesh.verts.size(), (size_t)std::max(0, mesh.numverts));
        stats.vertices += (int64_t)verts;
        stats.triangles +=
            (int64_t)std::min(mesh.indices.size() / 3, (size_t)std::max(0, mesh.numtris));
        for (size_t v = 0; v < verts; v++) {
            int32_t n = mesh.verts[v].weights ? std::max(0, mesh.verts[v].numweights) : 0;
            stats.weights += n;
            stats.most_influences = std::max(stats.most_influences, n);
        }
    }
    std::vector<ModelFault> faults;
    ValidateModel(model, CHECK_MESHES | CHECK_CONTENTS, &faults);
    for (const ModelFault& f : faults)
        if (f.kind == FAULT_WEIGHT_SUM) stats.off_sum += f.count;
    return stats;
}
