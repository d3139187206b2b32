// Key channels as plain data: bones are grouped by the first byte of their
// names, and each group (channel) shows its own pose frame. The functions
// here work on the record they are given and never print; the viewer's own
// channels are the globals of pose/keys.h.
#pragma once
#include <cstdint>
#include <vector>

#include "model/model.h"

constexpr int KEY_COUNT = 256; // one channel per byte value

struct KeyChannels {
    bool active[KEY_COUNT] = {};   // some bone name begins with this byte
    int32_t frame[KEY_COUNT] = {}; // frame the channel selects
    int32_t bonecount = 0;         // bones counted by the last ActivateChannels
};

// The channel state in list form: active keys in ascending order with their
// frames (keys and keyframes are parallel and hold numkeys entries).
struct FrameKeys {
    int32_t numkeys = 0;
    std::vector<int32_t> keys;
    std::vector<int32_t> keyframes;
};

// Every channel inactive and at frame 1, as a model load leaves them.
void ResetChannels(KeyChannels* channels);
// Activates exactly the channels of the first bytes of model's bone names and
// counts the bones; frames are kept, so a renamed bone finds its channel's
// frame as it was.
void ActivateChannels(const SkelModel* model, KeyChannels* channels);
// Steps an active key's channel to its next frame, wrapping to 0 at model's
// numframes. An inactive or out-of-range key changes nothing: false.
bool StepChannel(const SkelModel* model, KeyChannels* channels, int key);
// Replaces list by the active keys in ascending order with their frames.
void ListChannels(const KeyChannels* channels, FrameKeys* list);
