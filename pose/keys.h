// The viewer's key channels and displayed pose: the globals the frame, the
// keyboard and the panels share, and the named operations on them. Each is a
// thin wrapper over the silent core (pose/channels.h, pose/compose.h) that
// adds the console text. Owns KeyActive, KeyFrame, KeyBoneCount, DisplayKeys
// and CurrentPose.
#pragma once
#include <cstdint>
#include <vector>

#include "model/model.h"
#include "pose/channels.h"

extern int32_t KeyActive[256]; // 1 when some bone name begins with this byte
extern int32_t KeyFrame[256];  // frame each key selects; every load sets all to 1
extern int32_t KeyBoneCount;   // bones counted by the last ListBoneNames

extern FrameKeys DisplayKeys; // copy of the latest list, for the key-list overlay
// Model-space pose of every bone as displayed, CurrentPoseCount entries (the
// model's numbones at the last rebuild). Owned here; null until the first
// rebuild and replaced by a new array on every rebuild, so never keep it.
extern BonePose* CurrentPose;
extern int32_t CurrentPoseCount;

// After a model load: every key inactive and at frame 1, then ListBoneNames.
void ResetKeyChannels();
// Prints "New BONE NAMES list:" and every bone name, re-activates the keys of
// the names' first bytes (frames are kept) and rebuilds the pose.
void ListBoneNames();
// Steps an active key's channel to its next frame, wrapping to 0 at numframes,
// and rebuilds. Inactive or out-of-range keys do nothing.
void AdvanceKey(int key);
// Lists the active keys, publishes the list and recomputes CurrentPose from
// CurrentModel (no model: only the list is published).
void RebuildPose();
// Replaces DisplayKeys by a copy of list.
void PublishFrameKeys(const FrameKeys* list);
// Replaces CurrentPose with the model-space poses of model's bones, each bone
// taking its local pose from its channel's frame in list (ChannelLocalPoses,
// then ComposePose).
void ComputePose(SkelModel* model, const FrameKeys* list);
// Moves SelectedBone / SelectedMesh by step, wrapping past either end; nothing
// when there is no model or it has no bones (meshes).
void StepSelectedBone(int step);
void StepSelectedMesh(int step);
