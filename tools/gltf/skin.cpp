// The skin math of the glTF export: what the export accepts, the rest pose
// (frame 0 in model space), rest-pose vertices from their weights, the four
// strongest joints of a vertex and inverse bind matrices. No state.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "model/validate.h"
#include "pose/compose.h"
#include "pose/rotation.h"
#include "tools/gltf/gltf.h"

namespace {

bool Fail(std::string* reason, const char* path, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

bool Fail(std::string* reason, const char* path, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    *reason = std::string(path) + ": " + text;
    return false;
}

bool AllFinite(const float* values, int count) {
    for (int i = 0; i < count; i++)
        if (!std::isfinite(values[i])) return false;
    return true;
}

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

bool CheckMesh(const SkelModel* model, int32_t m, const char* skmPath, const char* skpPath,
               std::string* reason) {
    const SkelMesh& mesh = model->meshes[m];
    std::string name = Shown(mesh.meshname);
    if (mesh.numverts < 0 || mesh.verts.size() != (size_t)mesh.numverts ||
        mesh.texcoords.size() != 2 * (size_t)mesh.numverts)
        return Fail(reason, skmPath,
                    "mesh %i \"%s\": vertex count %i does not match its vertex data", m,
                    name.c_str(), mesh.numverts);
    if (mesh.numtris < 0 || mesh.indices.size() != 3 * (size_t)mesh.numtris)
        return Fail(reason, skmPath,
                    "mesh %i \"%s\": triangle count %i does not match its index data", m,
                    name.c_str(), mesh.numtris);
    for (int32_t v = 0; v < mesh.numverts; v++) {
        const SkelVertex& vertex = mesh.verts[v];
        if (vertex.numweights < 0 || (vertex.numweights > 0 && !vertex.weights))
            return Fail(reason, skmPath, "mesh %i \"%s\" vertex %i: bad weight count %i", m,
                        name.c_str(), v, vertex.numweights);
        if (!AllFinite(&mesh.texcoords[2 * (size_t)v], 2))
            return Fail(reason, skmPath,
                        "mesh %i \"%s\" vertex %i: texture coordinate is not a finite number", m,
                        name.c_str(), v);
        for (int32_t w = 0; w < vertex.numweights; w++) {
            const BoneWeight& weight = vertex.weights[w];
            if (weight.bonenum < 0 || weight.bonenum >= model->numbones)
                return Fail(
                    reason, skmPath,
                    "mesh %i \"%s\" vertex %i weight %i refers to bone %i, but %s has %i bones", m,
                    name.c_str(), v, w, weight.bonenum, skpPath, model->numbones);
            if (!AllFinite(weight.origin, 3) || !AllFinite(&weight.influence, 1) ||
                !AllFinite(weight.normal, 3))
                return Fail(reason, skmPath,
                            "mesh %i \"%s\" vertex %i weight %i holds a number that is not finite",
                            m, name.c_str(), v, w);
        }
    }
    for (int32_t t = 0; t < mesh.numtris; t++)
        for (int k = 0; k < 3; k++) {
            int32_t index = mesh.indices[3 * (size_t)t + k];
            if (index < 0 || index >= mesh.numverts)
                return Fail(
                    reason, skmPath,
                    "mesh %i \"%s\" triangle %i uses vertex %i, but the mesh has %i vertices", m,
                    name.c_str(), t, index, mesh.numverts);
        }
    return true;
}

} // namespace

bool CheckModelForGltf(const SkelModel* model, const char* skmPath, const char* skpPath,
                       std::string* reason) {
    if (model->numbones < 1 || model->bones.size() != (size_t)model->numbones)
        return Fail(reason, skpPath, "the model has no bones to export (bone count %i)",
                    model->numbones);
    if (model->numbones > GLTF_MAX_JOINTS)
        return Fail(reason, skpPath, "%i bones are more than glTF joint indices hold here (%i)",
                    model->numbones, GLTF_MAX_JOINTS);
    if (model->numframes < 1 || model->frames.size() != (size_t)model->numframes)
        return Fail(reason, skpPath,
                    "the model has no pose frames; its rest pose comes from frame 0");
    for (int32_t f = 0; f < model->numframes; f++) {
        const PoseFrame& frame = model->frames[f];
        if (frame.poses.size() != (size_t)model->numbones)
            return Fail(reason, skpPath, "frame %i \"%s\" holds %zu poses for %i bones", f,
                        Shown(frame.name).c_str(), frame.poses.size(), model->numbones);
        for (int32_t i = 0; i < model->numbones; i++) {
            const BonePose& pose = frame.poses[i];
            if (!AllFinite(pose.quat, 4) || !AllFinite(pose.origin, 3))
                return Fail(reason, skpPath,
                            "frame %i \"%s\": the pose of bone %i \"%s\" is not a finite number", f,
                            Shown(frame.name).c_str(), i, Shown(model->bones[i].name).c_str());
        }
    }
    if (model->nummeshes < 0 || model->meshes.size() != (size_t)model->nummeshes)
        return Fail(reason, skmPath, "mesh count %i does not match the meshes held",
                    model->nummeshes);
    for (int32_t m = 0; m < model->nummeshes; m++)
        if (!CheckMesh(model, m, skmPath, skpPath, reason)) return false;
    return true;
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

void ComputeRestVertex(const SkelVertex* vertex, const std::vector<BonePose>& rest,
                       float position[3], float normal[3]) {
    double p[3] = {0, 0, 0}, n[3] = {0, 0, 0};
    for (int32_t w = 0; w < vertex->numweights; w++) {
        const BoneWeight& weight = vertex->weights[w];
        const BonePose& bone = rest[weight.bonenum];
        Quat q = GetPoseQuat(&bone);
        Vec3 origin = {weight.origin[0], weight.origin[1], weight.origin[2]};
        Vec3 dir = {weight.normal[0], weight.normal[1], weight.normal[2]};
        Vec3 placed, turned;
        RotatePoint(&q, &origin, &placed);
        RotatePoint(&q, &dir, &turned);
        const float at[3] = {placed.x + bone.origin[0], placed.y + bone.origin[1],
                             placed.z + bone.origin[2]};
        const float nt[3] = {turned.x, turned.y, turned.z};
        for (int k = 0; k < 3; k++) {
            p[k] += (double)weight.influence * at[k];
            n[k] += (double)weight.influence * nt[k];
        }
    }
    double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (int k = 0; k < 3; k++) position[k] = (float)p[k];
    if (length > 1e-12 && std::isfinite(length)) {
        for (int k = 0; k < 3; k++) normal[k] = (float)(n[k] / length);
    } else {
        normal[0] = 0, normal[1] = 0, normal[2] = 1; // model up
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
