// The pose the viewer draws: the key channels' pose while playback is stopped,
// the playback frame (blended towards the next when smooth) while playing or
// paused. Everything drawn from a pose (skeleton, parent axes, meshes) takes
// it from here. Owns the buffer of the playback pose.
#pragma once
#include <cstdint>
#include <vector>

#include "model/model.h"
#include "pose/playback.h"

// The pose to draw and its entry count: CurrentPose (CurrentPoseCount) while
// play is stopped or there is no model, else BuildPlaybackPose of
// CurrentModel at blend. Valid until the next call or the next rebuild.
const BonePose* ShownPose(const Playback* play, float blend, int32_t* count);
