// Key channels: activation from the bone names, stepping, and the list form
// the pose composer and the key list read. No state of its own.
#include "pose/channels.h"

void ResetChannels(KeyChannels* channels) {
    for (int c = 0; c < KEY_COUNT; c++) {
        channels->active[c] = false;
        channels->frame[c] = 1;
    }
    channels->bonecount = 0;
}

void ActivateChannels(const SkelModel* model, KeyChannels* channels) {
    for (bool& active : channels->active) active = false;
    int32_t numbones = UsableBones(model);
    for (int32_t i = 0; i < numbones; i++)
        channels->active[(unsigned char)model->bones[i].name[0]] = true;
    channels->bonecount = numbones;
}

bool StepChannel(const SkelModel* model, KeyChannels* channels, int key) {
    if (key < 0 || key >= KEY_COUNT || !channels->active[key]) return false;
    int32_t numframes = model ? model->numframes : 0;
    // In 64 bits so a stored frame of INT32_MAX cannot overflow.
    int64_t next = (int64_t)channels->frame[key] + 1;
    if (next >= numframes) next = 0;
    channels->frame[key] = (int32_t)next;
    return true;
}

void ListChannels(const KeyChannels* channels, FrameKeys* list) {
    list->keys.clear();
    list->keyframes.clear();
    for (int c = 0; c < KEY_COUNT; c++) {
        if (!channels->active[c]) continue;
        list->keys.push_back(c);
        list->keyframes.push_back(channels->frame[c]);
    }
    list->numkeys = (int32_t)list->keys.size();
}
