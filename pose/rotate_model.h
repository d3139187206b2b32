// Whole-model rotation: bakes a yaw, pitch and roll into bone 0's pose in
// every frame but frame 0 of a model.
#pragma once

#include "model/model.h"

// angles[0] pitch (about y), angles[1] yaw (about z), angles[2] roll (about
// x), in degrees. Turns bone 0's pose about the model origin in frames 1 and
// up, as the frames stand: calls accumulate. Frame 0, the rest pose every
// unkeyed bone shows, stays as loaded.
void RotateModelFrames(SkelModel* model, const float angles[3]);
