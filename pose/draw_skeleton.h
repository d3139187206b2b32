// Draws the posed skeleton into the 3D view: a cube per bone, a line from
// each child to its parent coloured by selection and marking, optional parent
// axes, and the key-channel list as overlay text. Holds no state.
#pragma once
#include "model/model.h"

constexpr float BONE_CUBE_HALF = 0.5f; // every cube has an edge of 1 model unit

// Ticks the animation timer, then draws CurrentModel in CurrentPose.
void DrawSkeletonFrame();
// The key list, then cubes, lines and (with ShowQuats) axes for every bone.
// Draws only the key list when the model or the pose is missing.
void DrawSkeleton(SkelModel* model, BonePose* pose);
// One solid axis-aligned cube centred on a model-space position.
void DrawBoneCube(const float* pos, const float* rgb, float half);
// One line between two model-space points.
void DrawBoneLine(const float* a, const float* b, const float* rgb);
// One overlay line "Key: %s frame:%i" per entry of DisplayKeys, top right.
void DrawKeyList();
// Colour of the line from bone i to its parent: red when selected, white
// when marked (bit 0 of flags), otherwise the bone colour.
const float* BoneLineColour(const SkelModel* model, int32_t bone, int32_t selected);
