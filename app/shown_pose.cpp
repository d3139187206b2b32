// The pose the viewer draws (see shown_pose.h). Owns the playback pose buffer,
// rebuilt on every call while playback is on: the model's frames may change
// under it (the Rotate panel), and the blend moves every frame.
#include "app/shown_pose.h"

#include "pose/keys.h"
#include "pose/rotation.h"

static std::vector<BonePose> PlaybackPoseBuffer;

// Local poses to model space, each bone after its parent; a bone whose parent
// is not an earlier bone is a root, as the key channels' pose treats it.
static void ComposeLocalPoses(const SkelModel* model, const BonePose* local, BonePose* out) {
    int32_t count = model->numbones > 0 ? model->numbones : 0;
    for (int32_t i = 0; i < count; i++) {
        int32_t parent = (size_t)i < model->bones.size() ? model->bones[i].parent : -1;
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

void BuildPlaybackPose(const SkelModel* model, const Playback* play, float t,
                       std::vector<BonePose>* out) {
    size_t count = model->numbones > 0 ? (size_t)model->numbones : 0;
    std::vector<BonePose> local(count);
    out->resize(count);
    int32_t next = PlaybackNextFrame(play, model->numframes);
    BlendFrameLocalPoses(model, play->frame, next, t, local.data());
    ComposeLocalPoses(model, local.data(), out->data());
}

const BonePose* ShownPose(const Playback* play, float blend, int32_t* count) {
    if (play->mode == PLAY_STOPPED || !CurrentModel) {
        *count = CurrentPose ? CurrentPoseCount : 0;
        return CurrentPose;
    }
    BuildPlaybackPose(CurrentModel, play, blend, &PlaybackPoseBuffer);
    *count = (int32_t)PlaybackPoseBuffer.size();
    return PlaybackPoseBuffer.data();
}
