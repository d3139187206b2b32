// The pose composer: picks each bone's local pose from the model's frames and
// composes the skeleton into model space in bone order. No state.
#include "pose/compose.h"

#include "pose/rotation.h"

namespace {

const BonePose IDENTITY_POSE = {{0, 0, 0, 1}, {0, 0, 0}};

BonePose FramePose(const SkelModel* model, int32_t frame, int32_t bone) {
    const std::vector<BonePose>& poses = model->frames[frame].poses;
    return (size_t)bone < poses.size() ? poses[bone] : IDENTITY_POSE;
}

} // namespace

BonePose FrameLocalPose(const SkelModel* model, int32_t frame, int32_t bone) {
    bool known =
        frame >= 0 && frame < UsableFrames(model) && bone >= 0 && bone < UsableBones(model);
    return known ? FramePose(model, frame, bone) : IDENTITY_POSE;
}

int32_t PoseCount(const SkelModel* model) { return model->numbones > 0 ? model->numbones : 0; }

void FrameLocalPoses(const SkelModel* model, int32_t frame, BonePose* local) {
    int32_t count = PoseCount(model);
    bool known = frame >= 0 && frame < UsableFrames(model);
    int32_t numbones = known ? UsableBones(model) : 0;
    for (int32_t i = 0; i < count; i++)
        local[i] = i < numbones ? FramePose(model, frame, i) : IDENTITY_POSE;
}

void ChannelLocalPoses(const SkelModel* model, const FrameKeys* keys, BonePose* local) {
    // The frame of every byte's channel; a key listed twice counts as its
    // last entry.
    int32_t chosen[KEY_COUNT] = {};
    size_t n = keys->numkeys > 0 ? (size_t)keys->numkeys : 0;
    for (size_t e = 0; e < n && e < keys->keys.size() && e < keys->keyframes.size(); e++)
        if (keys->keys[e] >= 0 && keys->keys[e] < KEY_COUNT)
            chosen[keys->keys[e]] = keys->keyframes[e];

    int32_t count = PoseCount(model);
    int32_t numframes = UsableFrames(model);
    int32_t numbones = numframes > 0 ? UsableBones(model) : 0;
    for (int32_t i = 0; i < count; i++) {
        if (i >= numbones) {
            local[i] = IDENTITY_POSE;
            continue;
        }
        int32_t frame = chosen[(unsigned char)model->bones[i].name[0]];
        if (frame < 0 || frame >= numframes) frame = 0;
        local[i] = FramePose(model, frame, i);
    }
}

void ComposePose(const SkelModel* model, const BonePose* local, BonePose* out) {
    int32_t count = PoseCount(model);
    int32_t numbones = UsableBones(model);
    for (int32_t i = 0; i < count; i++) {
        int32_t parent = i < numbones ? model->bones[i].parent : -1;
        if (parent < 0 || parent >= i) {
            out[i] = local[i];
            continue;
        }
        Quat pq = GetPoseQuat(&out[parent]), lq = GetPoseQuat(&local[i]), oq;
        Vec3 po = GetPoseOrigin(&out[parent]), lo = GetPoseOrigin(&local[i]), oo;
        ConcatPose(&pq, &po, &lq, &lo, &oq, &oo);
        SetPoseQuat(&out[i], &oq);
        SetPoseOrigin(&out[i], &oo);
    }
}
