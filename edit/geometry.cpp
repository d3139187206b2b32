// The editing core's operations that move things: appending another clip's
// frames, rescaling, removing a bone and taking a clip's travel out, and the
// limits a result must keep to be written.
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>

#include "edit/edit.h"
#include "edit/edit_internal.h"
#include "model/export.h"
#include "model/validate.h"
#include "pose/compose.h"
#include "pose/rotation.h"

namespace {

bool NeedsFrameZero(const SkelModel* model, std::string* why) {
    if (model->numframes < 1) return EditFail(why, "the model has no frame 0");
    return true;
}

bool BoneOrderOk(const SkelModel* model, std::string* why) {
    for (int32_t i = 0; i < model->numbones; i++)
        if (!ParentIsValid(model, i))
            return EditFail(why, "bone " + std::to_string(i) + "'s parent is not an earlier bone");
    return true;
}

// A pose's rotation matrix as the composer and the skinning use it (the
// quaternion as stored, not normalised), in double.
struct Frame3 {
    double r[9];
    double p[3];
};

Frame3 FrameOf(const BonePose& pose) {
    Quat q = GetPoseQuat(&pose);
    Mat3 m;
    QuatToMatrix(&q, &m);
    Frame3 f;
    for (int i = 0; i < 9; i++) f.r[i] = m.m[i];
    for (int i = 0; i < 3; i++) f.p[i] = pose.origin[i];
    return f;
}

// Squared length of a pose's quaternion; the matrix of q is |q|^2 times a
// rotation, so its inverse is its transpose over |q|^4.
double QuatNorm2(const BonePose& pose) {
    double n = 0;
    for (float v : pose.quat) n += (double)v * v;
    return n;
}

// out = M^-1 (v - p) for a pose frame (with translate) or M^-1 v (without).
void Unapply(const Frame3& f, double n2, const double* v, bool translate, double* out) {
    double d[3];
    for (int i = 0; i < 3; i++) d[i] = v[i] - (translate ? f.p[i] : 0.0);
    for (int c = 0; c < 3; c++) {
        double sum = 0;
        for (int r = 0; r < 3; r++) sum += f.r[r * 3 + c] * d[r];
        out[c] = sum / (n2 * n2);
    }
}

// out = M v (+ p).
void Apply(const Frame3& f, const float* v, bool translate, double* out) {
    for (int r = 0; r < 3; r++) {
        double sum = translate ? f.p[r] : 0.0;
        for (int c = 0; c < 3; c++) sum += f.r[r * 3 + c] * v[c];
        out[r] = sum;
    }
}

// The local pose that, composed with parent's model-space pose, gives child's
// model-space pose: lq = parent^-1 * cq, lo = M(parent)^-1 (co - po).
BonePose RelativePose(const BonePose& parent, double n2, const BonePose& child) {
    Quat pq = GetPoseQuat(&parent), cq = GetPoseQuat(&child);
    Quat inv = {(float)(-pq.x / n2), (float)(-pq.y / n2), (float)(-pq.z / n2), (float)(pq.w / n2)};
    Quat lq;
    MultiplyQuat(&inv, &cq, &lq);
    BonePose local;
    SetPoseQuat(&local, &lq);
    double co[3] = {child.origin[0], child.origin[1], child.origin[2]}, lo[3];
    Unapply(FrameOf(parent), n2, co, true, lo);
    for (int i = 0; i < 3; i++) local.origin[i] = (float)lo[i];
    return local;
}

bool AllFinite(const double* v, int n) {
    for (int i = 0; i < n; i++)
        if (!std::isfinite((float)v[i])) return false;
    return true;
}

} // namespace

bool AppendFrames(SkelModel* model, const SkelModel* other, const std::vector<int32_t>& frames,
                  AppendCounts* counts, std::string* why) {
    if (!SkeletonShapeOk(model, why) || !NeedsFrameZero(model, why)) return false;
    std::string otherWhy;
    if (!SkeletonShapeOk(other, &otherWhy)) return EditFail(why, "the other clip: " + otherWhy);
    for (int32_t f : frames)
        if (f < 0 || f >= other->numframes)
            return EditFail(why, "the other clip has no frame " + std::to_string(f));
    if ((int64_t)model->numframes + (int64_t)frames.size() > MAX_FRAMES)
        return EditFail(why, std::to_string((int64_t)model->numframes + frames.size()) +
                                 " frames, more than " + std::to_string(MAX_FRAMES));

    // Names of this model's bones in the other's skeleton (the first bone of a name).
    std::unordered_map<std::string, int32_t> otherBones;
    for (int32_t b = other->numbones - 1; b >= 0; b--)
        otherBones[std::string(other->bones[b].name, strnlen(other->bones[b].name, NAME_LEN))] = b;
    AppendCounts found;
    std::vector<int32_t> source((size_t)model->numbones, -1);
    std::unordered_map<std::string, bool> ours;
    for (int32_t b = 0; b < model->numbones; b++) {
        std::string name(model->bones[b].name, strnlen(model->bones[b].name, NAME_LEN));
        ours[name] = true;
        auto it = otherBones.find(name);
        if (it != otherBones.end()) {
            source[b] = it->second;
            found.matched++;
        } else {
            found.filled++;
        }
    }
    for (int32_t b = 0; b < other->numbones; b++)
        if (!ours.count(std::string(other->bones[b].name, strnlen(other->bones[b].name, NAME_LEN))))
            found.ignored++;

    std::vector<PoseFrame> added(frames.size());
    const std::vector<BonePose>& rest = model->frames[0].poses;
    for (size_t i = 0; i < frames.size(); i++) {
        const PoseFrame& from = other->frames[frames[i]];
        PoseFrame& frame = added[i];
        memcpy(frame.name, from.name, NAME_LEN);
        frame.name[NAME_LEN - 1] = 0;
        frame.poses.resize(rest.size());
        for (size_t b = 0; b < rest.size(); b++)
            frame.poses[b] = source[b] >= 0 ? from.poses[source[b]] : rest[b];
    }
    model->frames.insert(model->frames.end(), std::make_move_iterator(added.begin()),
                         std::make_move_iterator(added.end()));
    model->numframes = (int32_t)model->frames.size();
    found.frames = (int32_t)frames.size();
    if (counts) *counts = found;
    return true;
}

bool ScaleModel(SkelModel* model, float s, std::string* why) {
    if (!SkeletonShapeOk(model, why) || !MeshShapeOk(model, why)) return false;
    if (!std::isfinite(s) || !(s > 0)) return EditFail(why, "the scale must be a number above 0");
    // Checked whole before anything changes, so a refusal leaves every value.
    auto fits = [s](float v) { return std::isfinite(v * s) || !std::isfinite(v); };
    for (const PoseFrame& frame : model->frames)
        for (const BonePose& pose : frame.poses)
            for (float v : pose.origin)
                if (!fits(v)) return EditFail(why, "a bone position would pass the float range");
    for (const SkelMesh& mesh : model->meshes)
        for (const BoneWeight& w : mesh.weightpool)
            for (float v : w.origin)
                if (!fits(v)) return EditFail(why, "a weight position would pass the float range");
    for (PoseFrame& frame : model->frames)
        for (BonePose& pose : frame.poses)
            for (float& v : pose.origin) v *= s;
    for (SkelMesh& mesh : model->meshes)
        for (BoneWeight& w : mesh.weightpool)
            for (float& v : w.origin) v *= s;
    return true;
}

bool MakeInPlace(SkelModel* model, int32_t bone, std::string* why) {
    if (!SkeletonShapeOk(model, why) || !NeedsFrameZero(model, why)) return false;
    if (bone < 0 || bone >= model->numbones)
        return EditFail(why, "no bone " + std::to_string(bone));
    if (model->bones[bone].parent >= 0)
        return EditFail(why, std::string("bone \"") + model->bones[bone].name + "\" is not a root");
    const float x = model->frames[0].poses[bone].origin[0];
    const float y = model->frames[0].poses[bone].origin[1];
    for (PoseFrame& frame : model->frames) {
        frame.poses[bone].origin[0] = x;
        frame.poses[bone].origin[1] = y;
    }
    return true;
}

namespace {

// The new local pose, in every frame, of each child of bone (in bone order):
// its model-space pose seen from bone's parent, or kept as it is when bone is
// a root. False when a pose cannot be re-expressed.
bool ChildPosesWithout(const SkelModel* model, int32_t bone,
                       std::vector<std::vector<BonePose>>* childPoses, std::string* why) {
    const int32_t parent = model->bones[bone].parent;
    std::vector<BonePose> pose((size_t)model->numbones);
    childPoses->assign(model->frames.size(), {});
    for (int32_t f = 0; f < model->numframes; f++) {
        FrameLocalPoses(model, f, pose.data());
        ComposePose(model, pose.data(), pose.data());
        double n2 = parent >= 0 ? QuatNorm2(pose[parent]) : 1.0;
        if (parent >= 0 && !(n2 > 0))
            return EditFail(why, "bone " + std::to_string(parent) + " has no rotation in frame " +
                                     std::to_string(f));
        for (int32_t c = bone + 1; c < model->numbones; c++) {
            if (model->bones[c].parent != bone) continue;
            BonePose local = parent >= 0 ? RelativePose(pose[parent], n2, pose[c]) : pose[c];
            double check[7];
            for (int i = 0; i < 4; i++) check[i] = local.quat[i];
            for (int i = 0; i < 3; i++) check[4 + i] = local.origin[i];
            if (!AllFinite(check, 7))
                return EditFail(why, "bone " + std::to_string(c) + "'s new pose in frame " +
                                         std::to_string(f) + " is not finite");
            (*childPoses)[f].push_back(local);
        }
    }
    return true;
}

// Every mesh's weight pool with bone's weights re-expressed on heir, so that
// each vertex stays where it is in frame 0.
bool WeightsMovedTo(const SkelModel* model, int32_t bone, int32_t heir,
                    std::vector<std::vector<BoneWeight>>* pools, std::string* why) {
    std::vector<BonePose> pose((size_t)model->numbones);
    FrameLocalPoses(model, 0, pose.data());
    ComposePose(model, pose.data(), pose.data());
    const Frame3 from = FrameOf(pose[bone]), to = FrameOf(pose[heir]);
    const double n2 = QuatNorm2(pose[heir]);
    if (!(n2 > 0))
        return EditFail(why, "bone " + std::to_string(heir) + " has no rotation in frame 0");
    pools->assign(model->meshes.size(), {});
    for (size_t m = 0; m < model->meshes.size(); m++) {
        (*pools)[m] = model->meshes[m].weightpool;
        for (BoneWeight& w : (*pools)[m]) {
            if (w.bonenum != bone) continue;
            double world[3], normal[3], o[3], n[3];
            Apply(from, w.origin, true, world);
            Apply(from, w.normal, false, normal);
            Unapply(to, n2, world, true, o);
            Unapply(to, n2, normal, false, n);
            if (!AllFinite(o, 3) || !AllFinite(n, 3))
                return EditFail(why, std::string("a weight of bone \"") + model->bones[bone].name +
                                         "\" cannot be moved");
            for (int i = 0; i < 3; i++) {
                w.origin[i] = (float)o[i];
                w.normal[i] = (float)n[i];
            }
            w.bonenum = heir;
        }
    }
    return true;
}

// Bone's mesh references become heir's (once), and every bone index past
// bone moves down by one.
void RenumberReferences(SkelMesh* mesh, int32_t bone, int32_t heir) {
    auto renumber = [bone](int32_t b) { return b > bone ? b - 1 : b; };
    std::vector<int32_t> refs;
    bool hasHeir = false;
    for (int32_t r : mesh->references) hasHeir = hasHeir || r == heir;
    for (int32_t r : mesh->references) {
        if (r == bone) {
            if (heir < 0 || hasHeir) continue;
            r = heir;
            hasHeir = true;
        }
        refs.push_back(r >= 0 ? renumber(r) : r);
    }
    mesh->references = std::move(refs);
    mesh->numreferences = (int32_t)mesh->references.size();
}

} // namespace

bool DeleteBone(SkelModel* model, int32_t bone, std::string* why) {
    if (!SkeletonShapeOk(model, why) || !MeshShapeOk(model, why) || !NeedsFrameZero(model, why))
        return false;
    if (bone < 0 || bone >= model->numbones)
        return EditFail(why, "no bone " + std::to_string(bone));
    if (model->numbones <= 2) return EditFail(why, "a model keeps at least 2 bones");
    if (!BoneOrderOk(model, why)) return false;
    std::vector<ModelFault> faults;
    if (!ValidateModel(model, CHECK_MESHES, &faults))
        return EditFail(why, "the model's meshes do not match their counts");

    const int32_t parent = model->bones[bone].parent;
    int32_t firstChild = -1;
    for (int32_t b = bone + 1; b < model->numbones && firstChild < 0; b++)
        if (model->bones[b].parent == bone) firstChild = b;
    bool weighted = false;
    for (const SkelMesh& mesh : model->meshes)
        for (const BoneWeight& w : mesh.weightpool) weighted = weighted || w.bonenum == bone;
    // Where its weights go: its parent, or for a root its first child.
    const int32_t heir = parent >= 0 ? parent : firstChild;
    if (heir < 0 && weighted)
        return EditFail(why, std::string("bone \"") + model->bones[bone].name +
                                 "\" is a root without children and weights vertices");

    // Everything is computed into new arrays first; the model changes only
    // once nothing can fail.
    std::vector<std::vector<BonePose>> childPoses;
    if (!ChildPosesWithout(model, bone, &childPoses, why)) return false;
    std::vector<std::vector<BoneWeight>> pools;
    if (weighted && !WeightsMovedTo(model, bone, heir, &pools, why)) return false;

    // Commit: poses of the children, bones, frames, weights, references.
    auto renumber = [bone](int32_t b) { return b > bone ? b - 1 : b; };
    for (int32_t f = 0; f < model->numframes; f++) {
        size_t next = 0;
        for (int32_t c = bone + 1; c < model->numbones; c++)
            if (model->bones[c].parent == bone) model->frames[f].poses[c] = childPoses[f][next++];
        model->frames[f].poses.erase(model->frames[f].poses.begin() + bone);
    }
    for (int32_t b = bone + 1; b < model->numbones; b++)
        if (model->bones[b].parent == bone) model->bones[b].parent = parent;
    model->bones.erase(model->bones.begin() + bone);
    model->numbones--;
    for (SkelBone& b : model->bones)
        if (b.parent >= 0) b.parent = renumber(b.parent);
    for (size_t m = 0; m < model->meshes.size(); m++) {
        SkelMesh& mesh = model->meshes[m];
        if (weighted) {
            // Same size, so the vertices' pointers into the pool stay valid.
            memcpy(mesh.weightpool.data(), pools[m].data(), pools[m].size() * sizeof(BoneWeight));
        }
        for (BoneWeight& w : mesh.weightpool)
            if (w.bonenum >= 0) w.bonenum = renumber(w.bonenum);
        RenumberReferences(&mesh, bone, heir);
    }
    return true;
}

bool CheckWriteLimits(const SkelModel* model, std::string* why) {
    if (!SkeletonShapeOk(model, why) || !MeshShapeOk(model, why)) return false;
    if (model->numbones > MAX_BONES)
        return EditFail(why, std::to_string(model->numbones) + " bones, more than " +
                                 std::to_string(MAX_BONES));
    if (model->numframes > MAX_FRAMES)
        return EditFail(why, std::to_string(model->numframes) + " frames, more than " +
                                 std::to_string(MAX_FRAMES));
    int64_t skp = 0, skm = 0;
    std::string reason;
    if (!SKPImageSize(model, &skp, &reason) || !SKMImageSize(model, &skm, &reason))
        return EditFail(why, reason);
    if (skp > MAX_FILESIZE)
        return EditFail(why, "the SKP file would be " + std::to_string(skp) + " bytes, more than " +
                                 std::to_string(MAX_FILESIZE));
    if (skm > MAX_FILESIZE)
        return EditFail(why, "the SKM file would be " + std::to_string(skm) + " bytes, more than " +
                                 std::to_string(MAX_FILESIZE));
    return true;
}
