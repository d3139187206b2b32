// Framing: each point is turned as the orbit camera turns the model. A point
// at depth z (towards the camera) and offset x from the pan is inside the
// view when the camera's distance is at least z + |x - pan| / tangent; the
// largest z + x / tangent and z - x / tangent over all points then give the
// pan that balances both edges and the smallest distance, with no need to
// keep the points.
#include "render/framing.h"

#include <algorithm>
#include <cmath>

ViewFit StartViewFit(float yaw, float pitch, double aspect) {
    const double toRadians = 3.14159265358979323846 / 180.0;
    ViewFit fit;
    fit.yaw = yaw;
    fit.pitch = pitch;
    fit.turn[0] = std::cos(yaw * toRadians);
    fit.turn[1] = std::sin(yaw * toRadians);
    fit.turn[2] = std::cos(pitch * toRadians);
    fit.turn[3] = std::sin(pitch * toRadians);
    fit.tangent[1] = std::tan(RENDER_FOV_DEGREES * 0.5 * toRadians) * FRAME_FILL;
    fit.tangent[0] = fit.tangent[1] * (aspect > 0 ? aspect : 1.0);
    return fit;
}

void AddPointsToFit(const float* xyz, size_t count, ViewFit* fit) {
    // About y by yaw, then about x by pitch, as ApplyRenderCamera turns the
    // model (its angle about z stays 0).
    const double cy = fit->turn[0], sy = fit->turn[1], cp = fit->turn[2], sp = fit->turn[3];
    for (size_t i = 0; i < count; i++) {
        const float* p = xyz + 3 * i;
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) continue;
        double x = cy * p[0] + sy * p[2];
        double z0 = -sy * p[0] + cy * p[2];
        double y = cp * p[1] - sp * z0;
        double z = sp * p[1] + cp * z0;
        double reach[4] = {z + x / fit->tangent[0], z - x / fit->tangent[0],
                           z + y / fit->tangent[1], z - y / fit->tangent[1]};
        for (int e = 0; e < 4; e++)
            fit->reach[e] = fit->empty ? reach[e] : std::max(fit->reach[e], reach[e]);
        fit->nearest = fit->empty ? z : std::max(fit->nearest, z);
        fit->empty = false;
    }
}

void AddPoseToFit(const BonePose* pose, int32_t count, float half, ViewFit* fit) {
    for (int32_t i = 0; i < count; i++) {
        const float* o = pose[i].origin;
        float corners[8][3];
        for (int c = 0; c < 8; c++) {
            corners[c][0] = o[1] + ((c & 1) ? half : -half);
            corners[c][1] = o[2] + ((c & 2) ? half : -half);
            corners[c][2] = o[0] + ((c & 4) ? half : -half);
        }
        AddPointsToFit(&corners[0][0], 8, fit);
    }
}

RenderCamera FitCamera(const ViewFit* fit) {
    RenderCamera camera;
    camera.orbit_angles[0] = fit->pitch;
    camera.orbit_angles[1] = fit->yaw;
    camera.orbit_distance = FRAME_START_DISTANCE;
    if (fit->empty) return camera;
    const double* r = fit->reach;
    double distance = std::max((r[0] + r[1]) * 0.5, (r[2] + r[3]) * 0.5);
    // Keep the nearest point clear of the near plane (0.1), even for a flat
    // model seen edge on.
    distance = std::max(distance, fit->nearest + 0.5);
    camera.orbit_pan[0] = (float)(fit->tangent[0] * (r[0] - r[1]) * 0.5);
    camera.orbit_pan[1] = (float)(fit->tangent[1] * (r[2] - r[3]) * 0.5);
    camera.orbit_distance = (float)distance;
    return camera;
}
