// Rotation math on quaternions (x, y, z, w), 3x3 matrices in row order acting
// on column vectors, and 3-vectors. Float arithmetic; square roots, sines and
// cosines are taken in double precision and stored back as floats. No state.
#pragma once
#include <cstdint>

struct BonePose;

struct Quat {
    float x, y, z, w;
}; // vector part first, scalar w last
struct Vec3 {
    float x, y, z;
};
struct Mat3 {
    float m[9];
}; // element (r, c) at m[r * 3 + c]

extern const Mat3 IdentityMatrix; // 1 0 0 / 0 1 0 / 0 0 1

// Scales q to unit length; leaves it unchanged when its squared length is 0.
void NormalizeQuat(Quat* q);
// The unit quaternion of rotation matrix m (sign as the formulas give it).
void MatrixToQuat(const Mat3* m, Quat* q);
// out = p * q, Hamilton product with p on the left: rotating by out is
// rotating by q first, then by p.
void MultiplyQuat(const Quat* p, const Quat* q, Quat* out);
// The rotation matrix of q; q is not normalised first.
void QuatToMatrix(const Quat* q, Mat3* m);
// out = QuatToMatrix(q) * v.
void RotatePoint(const Quat* q, const Vec3* v, Vec3* out);
// Model-space pose of a child from its parent's model-space pose (pq, po) and
// its own local pose (lq, lo): oq = pq * lq, oo = RotatePoint(pq, lo) + po.
void ConcatPose(const Quat* pq, const Vec3* po, const Quat* lq, const Vec3* lo, Quat* oq, Vec3* oo);
// dst = src.
void CopyMatrix(const Mat3* src, Mat3* dst);
// out = a * b.
void MultiplyMatrix(const Mat3* a, const Mat3* b, Mat3* out);
// m = m * R(axis, degrees), R multiplied from the right. R is the transpose of
// the quaternion matrix for +degrees, so it turns points by -degrees about the
// axis. The axis is used as given (callers pass unit axes).
void RotateMatrix(Mat3* m, float degrees, float x, float y, float z);

// Dot and cross products of double-precision 3-vectors, for geometry built in
// double before it is stored as floats (the demo model's meshes).
double DotVector(const double* a, const double* b);
void CrossVector(const double* a, const double* b, double* out);

// Every output above may also alias an input: results are formed in locals
// before they are stored.

// Views of a BonePose's float arrays as the math records (copies).
Quat GetPoseQuat(const BonePose* pose);
Vec3 GetPoseOrigin(const BonePose* pose);
void SetPoseQuat(BonePose* pose, const Quat* q);
void SetPoseOrigin(BonePose* pose, const Vec3* v);
