// The default camera of pictures made without a window: the orbit pan and
// distance at which a posed model, seen from chosen angles, fills the picture.
// Plain math on the renderer's camera record; no GL.
#pragma once
#include <cstddef>
#include <cstdint>

#include "model/model.h"
#include "render/render.h"

constexpr float FRAME_FILL = 0.9f; // share of the picture's tighter side the model spans
constexpr float FRAME_START_DISTANCE = 128.0f; // the viewer's start distance, when nothing is seen

// What one view must take in, gathered point by point: for the orbit angles,
// the farthest reach of the turned points towards each edge of the picture.
struct ViewFit {
    float yaw = 0.0f;              // orbit angle about the vertical, degrees
    float pitch = 0.0f;            // orbit angle about x, degrees
    double turn[4] = {1, 0, 1, 0}; // cos and sin of yaw, then of pitch
    double tangent[2] = {1, 1};
    bool empty = true;
    // Largest depth + offset / tangent towards right, left, top and bottom,
    // and the largest depth (the point nearest the camera).
    double reach[4] = {0, 0, 0, 0};
    double nearest = 0;
};

// A fit with nothing in it for a picture of the given aspect (width / height).
ViewFit StartViewFit(float yaw, float pitch, double aspect);
// Takes in count points of three floats in GL axes (a model-space point
// (x, y, z) is drawn at GL (y, z, x)). Non-finite points are skipped.
void AddPointsToFit(const float* xyz, size_t count, ViewFit* fit);
// Takes in every bone of pose (count entries) as the cube drawn around it:
// its eight corners, half units from the bone in every direction.
void AddPoseToFit(const BonePose* pose, int32_t count, float half, ViewFit* fit);
// The orbit camera at the fit's angles with the pan and distance that show
// every point taken in, the extremes FRAME_FILL of the way to the picture's
// edges in its tighter direction. An empty fit gives no pan and
// FRAME_START_DISTANCE.
RenderCamera FitCamera(const ViewFit* fit);
