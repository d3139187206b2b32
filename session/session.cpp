// The viewer's session: the globals of session/session.h and the wrappers
// that run the core on them. The channel globals stay ints (1 active) as the
// rest of the viewer reads them; each wrapper hands the core a KeyChannels
// record made from them.
#include "session/session.h"

#include <cstdio>
#include <cstring>

#include "pose/compose.h"
#include "pose/rotate_model.h"

SkelModel* CurrentModel = nullptr;
int32_t SelectedBone = 1;
int32_t SelectedMesh = 0;
int32_t KeyActive[256];
int32_t KeyFrame[256];
int32_t KeyBoneCount = 0;
FrameKeys DisplayKeys;
BonePose* CurrentPose = nullptr;
int32_t CurrentPoseCount = 0;
AnimTimer ModelTimer;
int32_t TickTime = 0;

int32_t ClampSelectedBone() {
    if (!CurrentModel || CurrentModel->numbones <= 0 ||
        (size_t)CurrentModel->numbones > CurrentModel->bones.size())
        return -1;
    if (SelectedBone < 0 || SelectedBone >= CurrentModel->numbones) SelectedBone = 0;
    return SelectedBone;
}

int32_t ClampSelectedMesh() {
    if (!CurrentModel || CurrentModel->nummeshes <= 0 ||
        (size_t)CurrentModel->nummeshes > CurrentModel->meshes.size())
        return -1;
    if (SelectedMesh < 0 || SelectedMesh >= CurrentModel->nummeshes) SelectedMesh = 0;
    return SelectedMesh;
}

static KeyChannels LoadChannels() {
    KeyChannels channels;
    for (int c = 0; c < KEY_COUNT; c++) {
        channels.active[c] = KeyActive[c] == 1;
        channels.frame[c] = KeyFrame[c];
    }
    channels.bonecount = KeyBoneCount;
    return channels;
}

static void StoreChannels(const KeyChannels& channels) {
    for (int c = 0; c < KEY_COUNT; c++) {
        KeyActive[c] = channels.active[c] ? 1 : 0;
        KeyFrame[c] = channels.frame[c];
    }
    KeyBoneCount = channels.bonecount;
}

void ResetKeyChannels() {
    KeyChannels channels;
    ResetChannels(&channels);
    StoreChannels(channels);
    ListBoneNames();
}

void ListBoneNames() {
    KeyChannels channels = LoadChannels();
    ActivateChannels(CurrentModel, &channels);
    StoreChannels(channels);
    printf("New BONE NAMES list:\n");
    for (int32_t i = 0; i < UsableBones(CurrentModel); i++) {
        const char* name = CurrentModel->bones[i].name;
        printf("%.*s\n", (int)strnlen(name, NAME_LEN), name);
    }
    RebuildPose();
}

void AdvanceKey(int key) {
    KeyChannels channels = LoadChannels();
    if (!StepChannel(CurrentModel, &channels, key)) return;
    StoreChannels(channels);
    RebuildPose();
}

void RebuildPose() {
    KeyChannels channels = LoadChannels();
    FrameKeys list;
    ListChannels(&channels, &list);
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

void ComputePose(SkelModel* model, const FrameKeys* list) {
    int32_t count = PoseCount(model);
    BonePose* pose = new BonePose[count > 0 ? count : 1];
    ChannelLocalPoses(model, list, pose);
    ComposePose(model, pose, pose);
    delete[] CurrentPose;
    CurrentPose = pose;
    CurrentPoseCount = count;
}

void StepSelectedBone(int step) {
    if (!CurrentModel) return;
    SelectedBone = StepIndex(SelectedBone, step, UsableBones(CurrentModel));
}

void StepSelectedMesh(int step) {
    if (!CurrentModel) return;
    SelectedMesh = StepIndex(SelectedMesh, step, UsableMeshes(CurrentModel));
}

void RotateModel(float* angles) {
    if (!CurrentModel) return;
    RotateModelFrames(CurrentModel, angles);
    RebuildPose();
}

void RegisterDefaultAnimation(SkelModel* model) {
    if (model) SetDefaultAnimation(&ModelTimer, model);
}

bool TickAnimation(AnimTimer* timer) { return TickAnimationAt(timer, TickTime); }
