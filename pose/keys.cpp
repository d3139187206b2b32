// Key channels, selection stepping and the pose builder. Owns KeyActive,
// KeyFrame, KeyBoneCount, DisplayKeys and CurrentPose. A channel is the set of
// bones whose names share a first byte; each shows its own pose frame, and
// every rebuild recomputes all model-space poses from the model's frames.
#include "pose/keys.h"

#include <cstdio>
#include <cstring>

#include "pose/rotation.h"

int32_t KeyActive[256];
int32_t KeyFrame[256];
int32_t KeyBoneCount = 0;
FrameKeys DisplayKeys;
BonePose* CurrentPose = nullptr;
int32_t CurrentPoseCount = 0;

static const BonePose IDENTITY_POSE = {{0, 0, 0, 1}, {0, 0, 0}};

// Bones that can be read safely: numbones, but never past the bones array.
static int32_t UsableBones(const SkelModel* model) {
    if (!model || model->numbones <= 0) return 0;
    if ((size_t)model->numbones > model->bones.size()) return (int32_t)model->bones.size();
    return model->numbones;
}

static int FirstByte(const SkelBone* bone) { return (unsigned char)bone->name[0]; }

void ResetKeyChannels() {
    for (int c = 0; c < 256; c++) {
        KeyActive[c] = 0;
        KeyFrame[c] = 1;
    }
    ListBoneNames();
}

void ListBoneNames() {
    for (int c = 0; c < 256; c++) KeyActive[c] = 0;
    printf("New BONE NAMES list:\n");
    int32_t count = 0;
    int32_t numbones = UsableBones(CurrentModel);
    for (int32_t i = 0; i < numbones; i++) {
        const SkelBone* bone = &CurrentModel->bones[i];
        printf("%.*s\n", (int)strnlen(bone->name, NAME_LEN), bone->name);
        KeyActive[FirstByte(bone)] = 1;
        count++;
    }
    KeyBoneCount = count;
    RebuildPose();
}

void AdvanceKey(int key) {
    if (key < 0 || key > 255 || KeyActive[key] == 0) return;
    int32_t numframes = CurrentModel ? CurrentModel->numframes : 0;
    // In 64 bits so a stored frame of INT32_MAX cannot overflow.
    int64_t next = (int64_t)KeyFrame[key] + 1;
    if (next >= numframes) next = 0;
    KeyFrame[key] = (int32_t)next;
    RebuildPose();
}

void RebuildPose() {
    FrameKeys list;
    list.keys.reserve(KeyBoneCount > 0 ? KeyBoneCount : 0);
    list.keyframes.reserve(KeyBoneCount > 0 ? KeyBoneCount : 0);
    for (int c = 0; c < 256; c++) {
        if (KeyActive[c] == 1) {
            list.keys.push_back(c);
            list.keyframes.push_back(KeyFrame[c]);
        }
    }
    list.numkeys = (int32_t)list.keys.size();
    PublishFrameKeys(&list);
    if (CurrentModel) ComputePose(CurrentModel, &list);
}

void PublishFrameKeys(const FrameKeys* list) {
    size_t n = list->numkeys > 0 ? (size_t)list->numkeys : 0;
    if (n > list->keys.size()) n = list->keys.size();
    if (n > list->keyframes.size()) n = list->keyframes.size();
    DisplayKeys.keys.assign(list->keys.begin(), list->keys.begin() + n);
    DisplayKeys.keyframes.assign(list->keyframes.begin(), list->keyframes.begin() + n);
    DisplayKeys.numkeys = (int32_t)n;
}

// The local pose bone i shows: from its channel's frame, frame 0 when the key
// is not listed or its frame is not a frame of the model (every channel starts
// at 1, which a one-frame model lacks), identity when there is no such pose.
static BonePose LocalPose(const SkelModel* model, const FrameKeys* list, int32_t i) {
    int key = FirstByte(&model->bones[i]);
    int32_t chosen = 0;
    size_t n = list->numkeys > 0 ? (size_t)list->numkeys : 0;
    for (size_t e = 0; e < n && e < list->keys.size() && e < list->keyframes.size(); e++)
        if (list->keys[e] == key) chosen = list->keyframes[e];
    int32_t numframes = model->numframes;
    if ((size_t)numframes > model->frames.size()) numframes = (int32_t)model->frames.size();
    if (chosen < 0 || chosen >= numframes) chosen = 0;
    if (numframes <= 0) return IDENTITY_POSE;
    const PoseFrame& frame = model->frames[chosen];
    if ((size_t)i >= frame.poses.size()) return IDENTITY_POSE;
    return frame.poses[i];
}

void ComputePose(SkelModel* model, const FrameKeys* list) {
    int32_t count = model->numbones > 0 ? model->numbones : 0;
    int32_t numbones = UsableBones(model);
    BonePose* pose = new BonePose[count > 0 ? count : 1];
    for (int32_t i = 0; i < count; i++) pose[i] = IDENTITY_POSE;
    for (int32_t i = 0; i < numbones; i++) {
        BonePose local = LocalPose(model, list, i);
        int32_t parent = model->bones[i].parent;
        // Only an earlier bone has its model-space pose in this pass; any
        // other parent is treated as no parent.
        if (parent < 0 || parent >= i) {
            pose[i] = local;
            continue;
        }
        Quat pq = GetPoseQuat(&pose[parent]);
        Vec3 po = GetPoseOrigin(&pose[parent]);
        Quat lq = GetPoseQuat(&local);
        Vec3 lo = GetPoseOrigin(&local);
        Quat oq;
        Vec3 oo;
        ConcatPose(&pq, &po, &lq, &lo, &oq, &oo);
        SetPoseQuat(&pose[i], &oq);
        SetPoseOrigin(&pose[i], &oo);
    }
    delete[] CurrentPose;
    CurrentPose = pose;
    CurrentPoseCount = count;
}

// Moves *selected by step within 0 .. count-1: past the end to 0, before the
// start to count-1. Computed in 64 bits so no start value can overflow.
static void StepSelection(int32_t* selected, int step, int32_t count) {
    if (count <= 0) return;
    int64_t next = (int64_t)*selected + step;
    if (next >= count)
        next = 0;
    else if (next < 0)
        next = count - 1;
    *selected = (int32_t)next;
}

void StepSelectedBone(int step) {
    if (!CurrentModel) return;
    StepSelection(&SelectedBone, step, UsableBones(CurrentModel));
}

void StepSelectedMesh(int step) {
    if (!CurrentModel) return;
    int32_t count = CurrentModel->nummeshes;
    if ((size_t)(count > 0 ? count : 0) > CurrentModel->meshes.size())
        count = (int32_t)CurrentModel->meshes.size();
    StepSelection(&SelectedMesh, step, count);
}
