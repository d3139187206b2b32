// The viewer's session: the one model of a run, its selection, the key
// channels, the displayed pose and the animation timer, and the named
// operations on them that the frame, the keyboard and the panels share. Each
// operation is a thin wrapper over the silent core (model/, pose/) that adds
// the console text. Owns every global listed here.
#pragma once
#include <cstdint>

#include "model/model.h"
#include "pose/anim.h"
#include "pose/channels.h"

extern SkelModel* CurrentModel; // the model of this run; null until loaded
extern int32_t SelectedBone;    // index into bones; starts at 1
extern int32_t SelectedMesh;    // index into meshes; starts at 0

extern int32_t KeyActive[256]; // 1 when some bone name begins with this byte
extern int32_t KeyFrame[256];  // frame each key selects; every load sets all to 1
extern int32_t KeyBoneCount;   // bones counted by the last ListBoneNames

extern FrameKeys DisplayKeys; // copy of the latest list, for the key-list overlay
// Model-space pose of every bone as displayed, CurrentPoseCount entries (the
// model's numbones at the last rebuild). Owned here; null until the first
// rebuild and replaced by a new array on every rebuild, so never keep it.
extern BonePose* CurrentPose;
extern int32_t CurrentPoseCount;

extern AnimTimer ModelTimer; // the program's one timer, zero at start
extern int32_t TickTime;     // ms clock read at each idle tick (written by the app)

// Bring SelectedBone / SelectedMesh into range before they are used as an
// index: a value outside 0 .. count-1 becomes 0. Return the index, or -1 when
// there is no model or it has no bones (meshes). Nothing may index with the
// raw globals without going through these.
int32_t ClampSelectedBone();
int32_t ClampSelectedMesh();
// Moves SelectedBone / SelectedMesh by step, wrapping past either end; nothing
// when there is no model or it has no bones (meshes).
void StepSelectedBone(int step);
void StepSelectedMesh(int step);

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

// The Rotate button: RotateModelFrames on CurrentModel, then RebuildPose;
// nothing without a model.
void RotateModel(float* angles);

// SetDefaultAnimation on ModelTimer (nothing without a model), and
// TickAnimationAt with TickTime.
void RegisterDefaultAnimation(SkelModel* model);
bool TickAnimation(AnimTimer* timer);
