// The pose composer: local (parent-relative) bone poses from a frame or from
// the key channels' frames, and model-space poses composed from them. Every
// pose of the program (the viewer's, boneloom-tool's, the glTF export's) is
// built here. No state; buffers belong to the caller and hold PoseCount(model)
// entries.
#pragma once
#include <cstdint>

#include "model/model.h"
#include "pose/channels.h"

// Entries a pose buffer of model holds: numbones, or 0 when that is negative.
int32_t PoseCount(const SkelModel* model);

// Bone's local pose at frame: identity when the frame is not one of the
// model's, the bone is not, or the frame holds no pose for it.
BonePose FrameLocalPose(const SkelModel* model, int32_t frame, int32_t bone);

// Local pose of every bone at one frame; identity poses when the frame is not
// a frame of the model or the model has no frames, and for bones the frame
// holds no pose for.
void FrameLocalPoses(const SkelModel* model, int32_t frame, BonePose* local);

// Local pose of every bone from its key channel's frame in keys (frame 0 when
// its key is not listed or the frame is not one of the model's: every channel
// starts at 1, which a one-frame model lacks); identity as FrameLocalPoses.
void ChannelLocalPoses(const SkelModel* model, const FrameKeys* keys, BonePose* local);

// Model-space pose of every bone from the local poses: each bone composed with
// its parent's model-space pose. A bone whose parent is not an earlier bone is
// a root, since only earlier bones are composed when it is reached. out may be
// local itself.
void ComposePose(const SkelModel* model, const BonePose* local, BonePose* out);
