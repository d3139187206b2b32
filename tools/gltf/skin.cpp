// The skin math of the glTF export: what the export accepts, the rest pose
// (frame 0 in model space), rest-pose vertices from their weights, the four
// strongest joints of a vertex and inverse bind matrices. No state.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/format.h"
#include "model/validate.h"
#include "pose/compose.h"
#include "pose/rotation.h"
#include "tools/gltf/gltf.h"

namespace {

// Names as they appear in messages: printable, never longer than their field.
std::string Shown(const char* name) {
    std::string out;
    for (int i = 0; i < NAME_LEN && name[i]; i++) {
        unsigned char c = (unsigned char)name[i];
        if (c < 0x20 || c == 0x7f) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        } else {
            out += (char)c;
        }
    }
    return out;
}

// The faults the export cannot write around: names are written as they are,
// bone references are not exported, weights are scaled to sum to 1 (a vertex
// without any is bound to bone 0), and one bone is enough.
bool StopsExport(const ModelFault& f) {
    switch (f.kind) {
        case FAULT_BONE_NAME:
        case FAULT_FRAME_NAME:
        case FAULT_MESH_NAME:
        case FAULT_SKIN_NAME:
        case FAULT_REFERENCE_BONE:
        case FAULT_UNWEIGHTED_VERTEX: // bound to bone 0, with a warning
        case FAULT_WEIGHT_SUM:        // scaled to sum to 1
            return false;
        case FAULT_FEW_BONES:
            return f.value < 1;
        default:
            return true;
    }
}

// The reason for refusing the model over fault f, naming its file.
std::string Refusal(const SkelModel* model, const ModelFault& f, const char* skmPath,
                    const char* skpPath) {
    const SkelMesh* mesh = f.mesh >= 0 ? &model->meshes[f.mesh] : nullptr;
    std::string name = mesh ? Shown(mesh->meshname) : std::string();
    const char* n = name.c_str();
    int32_t m = f.mesh, v = f.item, w = f.sub;
    switch (f.kind) {
        case FAULT_BONE_COUNT:
        case FAULT_FEW_BONES:
            return FormatText("%s: the model has no bones to export (bone count %i)", skpPath,
                              model->numbones);
        case FAULT_NO_FRAMES:
        case FAULT_FRAME_COUNT:
            return FormatText("%s: the model has no pose frames; its rest pose comes from frame 0",
                              skpPath);
        case FAULT_POSE_COUNT:
            return FormatText("%s: frame %i \"%s\" holds %lli poses for %i bones", skpPath, f.item,
                              Shown(model->frames[f.item].name).c_str(), (long long)f.value,
                              model->numbones);
        case FAULT_POSE_NOT_FINITE:
            return FormatText(
                "%s: frame %i \"%s\": the pose of bone %i \"%s\" is not a finite number", skpPath,
                f.item, Shown(model->frames[f.item].name).c_str(), f.sub,
                Shown(model->bones[f.sub].name).c_str());
        case FAULT_MESH_COUNT:
            return FormatText("%s: mesh count %i does not match the meshes held", skmPath,
                              model->nummeshes);
        case FAULT_VERTEX_COUNT:
            return FormatText("%s: mesh %i \"%s\": vertex count %i does not match its vertex data",
                              skmPath, m, n, mesh->numverts);
        case FAULT_TRIANGLE_COUNT:
            return FormatText("%s: mesh %i \"%s\": triangle count %i does not match its index data",
                              skmPath, m, n, mesh->numtris);
        case FAULT_REFERENCE_COUNT:
            return FormatText(
                "%s: mesh %i \"%s\": bone reference count %i does not match its reference data",
                skmPath, m, n, mesh->numreferences);
        case FAULT_VERTEX_WEIGHTS:
            return FormatText("%s: mesh %i \"%s\" vertex %i: bad weight count %lli", skmPath, m, n,
                              v, (long long)f.value);
        case FAULT_TEXCOORD_NOT_FINITE:
            return FormatText(
                "%s: mesh %i \"%s\" vertex %i: texture coordinate is not a finite number", skmPath,
                m, n, v);
        case FAULT_WEIGHT_BONE:
            return FormatText(
                "%s: mesh %i \"%s\" vertex %i weight %i refers to bone %lli, but %s has %i bones",
                skmPath, m, n, v, w, (long long)f.value, skpPath, model->numbones);
        case FAULT_WEIGHT_NOT_FINITE:
            return FormatText(
                "%s: mesh %i \"%s\" vertex %i weight %i holds a number that is not finite", skmPath,
                m, n, v, w);
        case FAULT_TRIANGLE_INDEX:
            return FormatText(
                "%s: mesh %i \"%s\" triangle %i uses vertex %lli, but the mesh has %i vertices",
                skmPath, m, n, f.item, (long long)f.value, mesh->numverts);
        default:
            return FormatText("%s: the model cannot be exported", skpPath);
    }
}

} // namespace

bool CheckModelForGltf(const SkelModel* model, const char* skmPath, const char* skpPath,
                       std::string* reason) {
    std::vector<ModelFault> faults;
    ValidateModel(model, CHECK_ALL, &faults);
    const ModelFault* first = nullptr;
    for (const ModelFault& f : faults) {
        if (!StopsExport(f)) continue;
        first = &f;
        break;
    }
    // The joint limit is checked once the bones are known to be there.
    bool bonesMissing =
        first && (first->kind == FAULT_BONE_COUNT || first->kind == FAULT_FEW_BONES);
    if (!bonesMissing && model->numbones > GLTF_MAX_JOINTS) {
        *reason = FormatText("%s: %i bones are more than glTF joint indices hold here (%i)",
                             skpPath, model->numbones, GLTF_MAX_JOINTS);
        return false;
    }
    if (!first) return true;
    *reason = Refusal(model, *first, skmPath, skpPath);
    return false;
}

void GetLocalPoses(const SkelModel* model, int32_t f, std::vector<BonePose>* local,
                   int* zeroQuats) {
    local->resize((size_t)PoseCount(model));
    FrameLocalPoses(model, f, local->data());
    for (BonePose& pose : *local) {
        Quat q = GetPoseQuat(&pose);
        if (q.x == 0 && q.y == 0 && q.z == 0 && q.w == 0) {
            // No rotation can be read from it; glTF needs a unit quaternion.
            q = {0, 0, 0, 1};
            if (zeroQuats) ++*zeroQuats;
        } else {
            // Normalising twice takes the float rounding of a far-off length
            // down to what glTF's unit-length check allows.
            NormalizeQuat(&q);
            NormalizeQuat(&q);
        }
        SetPoseQuat(&pose, &q);
    }
}


int PickJointWeights(const SkelVertex* vertex, JointWeights* out, int* dropped) {
    // Weights that name one bone twice act as one influence; glTF forbids a
    // joint appearing twice in a vertex.
    std::vector<std::pair<int32_t, double>> bones;
    for (int32_t w = 0; w < vertex->numweights; w++) {
        const BoneWeight& weight = vertex->weights[w];
        auto found = std::find_if(
            bones.begin(), bones.end(),
            [&](const std::pair<int32_t, double>& b) { return b.first == weight.bonenum; });
        if (found == bones.end())
            bones.emplace_back(weight.bonenum, weight.influence);
        else
            found->second += weight.influence;
    }
    bones.erase(std::remove_if(bones.begin(), bones.end(),
                               [](const std::pair<int32_t, double>& b) { return !(b.second > 0); }),
                bones.end());
    std::stable_sort(bones.begin(), bones.end(),
                     [](const std::pair<int32_t, double>& a, const std::pair<int32_t, double>& b) {
                         return a.second > b.second;
                     });
    int extra = std::max(0, (int)bones.size() - GLTF_MAX_INFLUENCES);
    if (dropped) *dropped = extra;
    if (extra) bones.resize(GLTF_MAX_INFLUENCES);

    for (int k = 0; k < GLTF_MAX_INFLUENCES; k++) out->joints[k] = 0, out->weights[k] = 0;
    double sum = 0;
    for (const auto& b : bones) sum += b.second;
    if (bones.empty() || !(sum > 0) || !std::isfinite(sum)) {
        out->weights[0] = 1;
        return 0;
    }
    float rest = 0;
    for (size_t k = 1; k < bones.size(); k++) {
        out->joints[k] = bones[k].first;
        out->weights[k] = (float)(bones[k].second / sum);
        rest += out->weights[k];
    }
    // The strongest takes what is left, so the float sum is 1 to the last bit
    // that matters to a reader checking it.
    out->joints[0] = bones[0].first;
    out->weights[0] = 1.0f - rest;
    return (int)bones.size();
}

void InverseBindMatrix(const BonePose* pose, float out[16]) {
    Quat q = GetPoseQuat(pose);
    Mat3 r;
    QuatToMatrix(&q, &r);
    // The inverse of [R t] is [R^T  -R^T t]; out is column-major, element
    // (row, col) at col * 4 + row.
    for (int row = 0; row < 3; row++) {
        for (int col = 0; col < 3; col++) out[col * 4 + row] = r.m[col * 3 + row];
        out[3 * 4 + row] =
            -(r.m[0 * 3 + row] * pose->origin[0] + r.m[1 * 3 + row] * pose->origin[1] +
              r.m[2 * 3 + row] * pose->origin[2]);
        out[row * 4 + 3] = 0;
    }
    out[15] = 1;
}
