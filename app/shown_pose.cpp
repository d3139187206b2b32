// The pose the viewer draws (see shown_pose.h). Owns the playback pose buffer,
// rebuilt on every call while playback is on: the model's frames may change
// under it (the Rotate panel), and the blend moves every frame.
#include "app/shown_pose.h"

#include "pose/compose.h"
#include "pose/keys.h"

static std::vector<BonePose> PlaybackPoseBuffer;

void BuildPlaybackPose(const SkelModel* model, const Playback* play, float t,
                       std::vector<BonePose>* out) {
    out->resize((size_t)PoseCount(model));
    int32_t next = PlaybackNextFrame(play, model->numframes);
    BlendFrameLocalPoses(model, play->frame, next, t, out->data());
    ComposePose(model, out->data(), out->data());
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
