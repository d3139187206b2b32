// Whole-model rotation: turns bone 0's stored pose in frames 1 and up about
// the model origin. No state of its own; the change lives in the model's
// frames, so the exporter writes it.
#include "pose/rotate_model.h"

#include <cmath>

#include "pose/rotation.h"

void RotateModelFrames(SkelModel* model, const float angles[3]) {
    float pitch = angles[0], yaw = angles[1], roll = angles[2];
    Mat3 m;
    CopyMatrix(&IdentityMatrix, &m);
    RotateMatrix(&m, yaw, 0, 0, 1);
    RotateMatrix(&m, pitch, 0, 1, 0);
    RotateMatrix(&m, roll, 1, 0, 0);
    Quat q;
    MatrixToQuat(&m, &q);
    const Vec3 centre = {0, 0, 0};

    int32_t numframes = UsableFrames(model);
    for (int32_t f = 1; f < numframes; f++) {
        std::vector<BonePose>& poses = model->frames[f].poses;
        if (poses.empty()) continue;
        Quat lq = GetPoseQuat(&poses[0]);
        Vec3 lo = GetPoseOrigin(&poses[0]);
        Quat oq;
        Vec3 oo;
        ConcatPose(&q, &centre, &lq, &lo, &oq, &oo);
        SetPoseQuat(&poses[0], &oq);
        SetPoseOrigin(&poses[0], &oo);
    }
}

// A right-handed turn about one unit axis.
static Quat AxisTurn(float degrees, float x, float y, float z) {
    double half = (double)degrees * 3.14159265358979323846 / 360.0;
    float s = (float)sin(half);
    return Quat{x * s, y * s, z * s, (float)cos(half)};
}

void TurnAndMovePose(const BonePose* pose, const float turn[3], const float move[3],
                     BonePose* out) {
    Quat qx = AxisTurn(turn[0], 1, 0, 0);
    Quat qy = AxisTurn(turn[1], 0, 1, 0);
    Quat qz = AxisTurn(turn[2], 0, 0, 1);
    Quat t, q = GetPoseQuat(pose);
    MultiplyQuat(&qy, &qx, &t); // x first, then y
    MultiplyQuat(&qz, &t, &t);  // then z
    MultiplyQuat(&t, &q, &q);   // the turn after the bone's own rotation
    Vec3 o = GetPoseOrigin(pose);
    o.x += move[0];
    o.y += move[1];
    o.z += move[2];
    SetPoseQuat(out, &q);
    SetPoseOrigin(out, &o);
}
