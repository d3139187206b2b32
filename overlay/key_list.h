// The key-channel list over the scene's top right corner: one line
// "Key: %s frame:%i" per active key channel, as the pose builder published it.
#pragma once

#include "pose/channels.h"

constexpr float KEY_LIST_X = 0.8f;     // left edge of every line
constexpr float KEY_LIST_TOP = 0.98f;  // the first line is drawn one pitch below this
constexpr float KEY_LIST_STEP = 0.03f; // each further line this much lower

// Draws one line per entry of keys in the GLUT bitmap font given; a key code
// of 0 shows an empty key. Entries beyond the arrays' lengths are not read.
void DrawKeyList(void* font, const FrameKeys* keys);
