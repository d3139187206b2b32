// Rotation math on quaternions (x, y, z, w), 3x3 matrices in row order acting
// on column vectors, and 3-vectors. Float arithmetic; square roots, sines and
// cosines are taken in double precision and stored back as floats. Below, the
// same in double precision with affine 3x4 transforms, for scenes of other
// tools (scale and shear that a bone pose cannot carry are taken apart
// there). No state.
#pragma once
#include <cmath>
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

// --- double precision: affine transforms -----------------------------------
// Affine 3x4 matrices (rows, acting on column vectors, translation in the
// last column) and unit quaternions (x, y, z, w).

struct Vec3d {
    double x, y, z;
};

struct Quatd {
    double x, y, z, w;
};

struct Affine {
    double m[3][4];
};

inline Vec3d operator+(Vec3d a, Vec3d b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3d operator-(Vec3d a, Vec3d b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3d operator*(double s, Vec3d a) { return {s * a.x, s * a.y, s * a.z}; }
inline double Dot(Vec3d a, Vec3d b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline double Length(Vec3d a) { return std::sqrt(Dot(a, a)); }

inline Affine IdentityAffine() { return {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}}}; }

inline Affine operator*(const Affine& a, const Affine& b) {
    Affine out;
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 4; c++)
            out.m[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c] +
                          (c == 3 ? a.m[r][3] : 0.0);
    return out;
}

inline Vec3d TransformPoint(const Affine& a, Vec3d p) {
    return {a.m[0][0] * p.x + a.m[0][1] * p.y + a.m[0][2] * p.z + a.m[0][3],
            a.m[1][0] * p.x + a.m[1][1] * p.y + a.m[1][2] * p.z + a.m[1][3],
            a.m[2][0] * p.x + a.m[2][1] * p.y + a.m[2][2] * p.z + a.m[2][3]};
}

inline Vec3d TransformDirection(const Affine& a, Vec3d v) {
    return {a.m[0][0] * v.x + a.m[0][1] * v.y + a.m[0][2] * v.z,
            a.m[1][0] * v.x + a.m[1][1] * v.y + a.m[1][2] * v.z,
            a.m[2][0] * v.x + a.m[2][1] * v.y + a.m[2][2] * v.z};
}

inline Vec3d Translation(const Affine& a) { return {a.m[0][3], a.m[1][3], a.m[2][3]}; }

inline double Determinant(const Affine& a) {
    const double(*m)[4] = a.m;
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// The inverse of a; a singular matrix gives the identity (callers check the
// determinant first where it matters).
inline Affine Inverse(const Affine& a) {
    double det = Determinant(a);
    if (det == 0 || !std::isfinite(det)) return IdentityAffine();
    const double(*m)[4] = a.m;
    Affine out;
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++) {
            // Cofactor of m[c][r], divided by the determinant.
            int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
            out.m[r][c] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / det;
        }
    for (int r = 0; r < 3; r++)
        out.m[r][3] = -(out.m[r][0] * m[0][3] + out.m[r][1] * m[1][3] + out.m[r][2] * m[2][3]);
    return out;
}

// The inverse transpose of a's 3x3 part: what carries normals.
inline Affine NormalMatrix(const Affine& a) {
    Affine inv = Inverse(a), out = IdentityAffine();
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++) out.m[r][c] = inv.m[c][r];
    return out;
}

inline Quatd Conjugate(Quatd q) { return {-q.x, -q.y, -q.z, q.w}; }

// p * q: rotating by the product is rotating by q first, then by p.
inline Quatd operator*(Quatd p, Quatd q) {
    return {p.w * q.x + p.x * q.w + p.y * q.z - p.z * q.y,
            p.w * q.y + p.y * q.w + p.z * q.x - p.x * q.z,
            p.w * q.z + p.z * q.w + p.x * q.y - p.y * q.x,
            p.w * q.w - p.x * q.x - p.y * q.y - p.z * q.z};
}

inline Quatd Normalized(Quatd q) {
    double n = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (!(n > 0) || !std::isfinite(n)) return {0, 0, 0, 1};
    return {q.x / n, q.y / n, q.z / n, q.w / n};
}

inline Vec3d Rotate(Quatd q, Vec3d v) {
    // v + 2w (u x v) + 2 u x (u x v), u the vector part.
    Vec3d u = {q.x, q.y, q.z};
    Vec3d t = {2 * (u.y * v.z - u.z * v.y), 2 * (u.z * v.x - u.x * v.z),
               2 * (u.x * v.y - u.y * v.x)};
    Vec3d c = {u.y * t.z - u.z * t.y, u.z * t.x - u.x * t.z, u.x * t.y - u.y * t.x};
    return v + q.w * t + c;
}

// Rotation matrix (rows) of a unit quaternion as an affine without translation.
inline Affine RotationAffine(Quatd q) {
    double x = q.x, y = q.y, z = q.z, w = q.w;
    return {{{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w), 0},
             {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w), 0},
             {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y), 0}}};
}

// The unit quaternion of an orthonormal rotation matrix r (rows).
inline Quatd QuatFromRotation(const double r[3][3]) {
    double trace = r[0][0] + r[1][1] + r[2][2];
    Quatd q;
    if (trace > 0) {
        double s = 2 * std::sqrt(trace + 1);
        q = {(r[2][1] - r[1][2]) / s, (r[0][2] - r[2][0]) / s, (r[1][0] - r[0][1]) / s, s / 4};
    } else if (r[0][0] >= r[1][1] && r[0][0] >= r[2][2]) {
        double s = 2 * std::sqrt(1 + r[0][0] - r[1][1] - r[2][2]);
        q = {s / 4, (r[0][1] + r[1][0]) / s, (r[0][2] + r[2][0]) / s, (r[2][1] - r[1][2]) / s};
    } else if (r[1][1] >= r[2][2]) {
        double s = 2 * std::sqrt(1 + r[1][1] - r[0][0] - r[2][2]);
        q = {(r[0][1] + r[1][0]) / s, s / 4, (r[1][2] + r[2][1]) / s, (r[0][2] - r[2][0]) / s};
    } else {
        double s = 2 * std::sqrt(1 + r[2][2] - r[0][0] - r[1][1]);
        q = {(r[0][2] + r[2][0]) / s, (r[1][2] + r[2][1]) / s, s / 4, (r[1][0] - r[0][1]) / s};
    }
    return Normalized(q);
}

// a = T * R * S taken apart: the rotation as a quaternion, the translation,
// and the scale along each of the rotated axes (negative on x when a
// mirrors). Shear is dropped with the scale.
struct RigidPart {
    Quatd rotation;
    Vec3d translation;
    Vec3d scale;
};

inline RigidPart SplitRigid(const Affine& a) {
    RigidPart out;
    out.translation = Translation(a);
    double r[3][3];
    double scale[3];
    for (int c = 0; c < 3; c++) {
        Vec3d column = {a.m[0][c], a.m[1][c], a.m[2][c]};
        scale[c] = Length(column);
        for (int k = 0; k < 3; k++) r[k][c] = scale[c] > 0 ? a.m[k][c] / scale[c] : (k == c);
    }
    if (Determinant(a) < 0) {
        scale[0] = -scale[0];
        for (int k = 0; k < 3; k++) r[k][0] = -r[k][0];
    }
    out.rotation = QuatFromRotation(r);
    out.scale = {scale[0], scale[1], scale[2]};
    return out;
}

// Spherical interpolation on the shorter arc; f = 0 gives a exactly.
inline Quatd Slerp(Quatd a, Quatd b, double f) {
    if (f <= 0) return a;
    double dot = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    if (dot < 0) dot = -dot, b = {-b.x, -b.y, -b.z, -b.w};
    double wa = 1 - f, wb = f;
    if (dot < 0.9995) {
        double angle = std::acos(dot), s = std::sin(angle);
        wa = std::sin((1 - f) * angle) / s;
        wb = std::sin(f * angle) / s;
    }
    return Normalized(
        {wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z, wa * a.w + wb * b.w});
}

// T * R * S of a translation, a unit rotation and a scale.
inline Affine ComposeAffine(Vec3d t, Quatd r, Vec3d s) {
    Affine out = RotationAffine(r);
    for (int k = 0; k < 3; k++) {
        out.m[k][0] *= s.x, out.m[k][1] *= s.y, out.m[k][2] *= s.z;
    }
    out.m[0][3] = t.x, out.m[1][3] = t.y, out.m[2][3] = t.z;
    return out;
}
