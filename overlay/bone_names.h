// Bone names over the scene: each bone's name beside its joint, where the
// current camera shows it, the selected bone's in red.
#pragma once
#include <cstdint>

#include "model/model.h"

// Draws the names of the model's bones at their model-space positions in pose
// (count entries) as the current modelview, projection and viewport place
// them, in the GLUT bitmap font given, over everything drawn before. Joints
// behind the camera get no name.
void DrawBoneNames(void* font, const SkelModel* model, const BonePose* pose, int32_t count,
                   int32_t selected);
