// Whole-model rotation: bakes a yaw, pitch and roll into bone 0's pose in
// every frame but frame 0 of CurrentModel, then rebuilds the displayed pose.
#pragma once

// angles[0] pitch (about y), angles[1] yaw (about z), angles[2] roll (about
// x), in degrees. Each call turns the frames as they stand: calls accumulate.
void RotateModel(float* angles);
