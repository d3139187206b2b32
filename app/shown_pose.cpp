// The pose the viewer draws (see shown_pose.h). Owns the playback pose buffer,
// rebuilt on every call while playback is on: the model's frames may change
// under it (the Rotate panel), and the blend moves every frame.
#include "app/shown_pose.h"

#include "session/session.h"

static std::vector<BonePose> PlaybackPoseBuffer;

const BonePose* ShownPose(const Playback* play, float blend, int32_t* count) {
    if (play->mode == PLAY_STOPPED || !CurrentModel) {
        *count = CurrentPose ? CurrentPoseCount : 0;
        return CurrentPose;
    }
    BuildPlaybackPose(CurrentModel, play, blend, &PlaybackPoseBuffer);
    *count = (int32_t)PlaybackPoseBuffer.size();
    return PlaybackPoseBuffer.data();
}
