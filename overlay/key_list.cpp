// The key-channel list drawn as overlay text (see key_list.h).
#include "overlay/key_list.h"

#include <algorithm>

#include "overlay/text.h"

void DrawKeyList(void* font, const FrameKeys* keys) {
    size_t n =
        std::min({(size_t)std::max(keys->numkeys, 0), keys->keys.size(), keys->keyframes.size()});
    for (size_t i = 0; i < n; i++) {
        char text[2] = {(char)(keys->keys[i] & 0xFF), '\0'};
        PrintOverlayIn(font, KEY_LIST_X, KEY_LIST_TOP - (float)i * KEY_LIST_STEP,
                       "Key: %s frame:%i", text, keys->keyframes[i]);
    }
}
