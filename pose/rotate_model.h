// Whole-model rotation: bakes a yaw, pitch and roll into bone 0's pose in
// every frame but frame 0 of a model.
#pragma once

#include "model/model.h"

// angles[0] pitch (about y), angles[1] yaw (about z), angles[2] roll (about
// x), in degrees. Turns bone 0's pose about the model origin in frames 1 and
// up, as the frames stand: calls accumulate. Frame 0, the rest pose every
// unkeyed bone shows, stays as loaded.
void RotateModelFrames(SkelModel* model, const float angles[3]);

// One bone's local pose turned about its own joint and moved, both in its
// parent's axes (the file's axes for a root): the new rotation is the turn
// times the old one, the turn made about x by turn[0], then y by turn[1], then
// z by turn[2] (degrees, right-handed); the origin moves by move.
void TurnAndMovePose(const BonePose* pose, const float turn[3], const float move[3], BonePose* out);
