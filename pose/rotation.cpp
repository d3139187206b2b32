// Rotation math: quaternions, row-order 3x3 matrices on column vectors and the
// pose composition the pose builder and the model rotation share. No state.
// Products are written out in a fixed operand order so results are
// reproducible bit for bit; every function reads all its inputs into locals
// before it writes, so outputs may alias inputs.
#include "pose/rotation.h"

#include <cmath>

#include "model/model.h"

const Mat3 IdentityMatrix = {{1, 0, 0, 0, 1, 0, 0, 0, 1}};

static float SqrtF(float v) { return (float)std::sqrt((double)v); }

void NormalizeQuat(Quat* q) {
    float n = q->x * q->x + q->y * q->y + q->z * q->z + q->w * q->w;
    if (n == 0.0f) return;
    float f = 1.0f / SqrtF(n);
    q->x *= f;
    q->y *= f;
    q->z *= f;
    q->w *= f;
}

void MatrixToQuat(const Mat3* mat, Quat* q) {
    const float* m = mat->m;
    float c[3]; // x, y, z
    float w;
    float t = m[0] + m[4] + m[8];
    if (t > 0.00001f) {
        float s = SqrtF(t + 1.0f);
        w = s * 0.5f;
        s = 0.5f / s;
        c[0] = (m[7] - m[5]) * s;
        c[1] = (m[2] - m[6]) * s;
        c[2] = (m[3] - m[1]) * s;
    } else {
        // Strict comparisons: a tie keeps the lower axis.
        int i = 0;
        if (m[4] > m[0]) i = 1;
        if (m[8] > m[i * 4]) i = 2;
        int j = (i + 1) % 3;
        int k = (i + 2) % 3;
        auto at = [m](int r, int col) { return m[r * 3 + col]; };
        float s = SqrtF(at(i, i) - (at(j, j) + at(k, k)) + 1.0f);
        c[i] = s * 0.5f;
        s = (s != 0.0f) ? 0.5f / s : 0.0f;
        c[j] = (at(j, i) + at(i, j)) * s;
        c[k] = (at(k, i) + at(i, k)) * s;
        w = (at(k, j) - at(j, k)) * s;
    }
    Quat r = {c[0], c[1], c[2], w};
    NormalizeQuat(&r);
    *q = r;
}

void MultiplyQuat(const Quat* p, const Quat* q, Quat* out) {
    Quat a = *p, b = *q;
    Quat r;
    r.x = a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y;
    r.y = a.w * b.y + a.y * b.w + a.z * b.x - a.x * b.z;
    r.z = a.w * b.z + a.z * b.w + a.x * b.y - a.y * b.x;
    r.w = a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z;
    *out = r;
}

// The nine doubled products that both QuatToMatrix and RotatePoint use.
static void QuatProducts(const Quat* q, Mat3* m) {
    float x2 = q->x + q->x, y2 = q->y + q->y, z2 = q->z + q->z;
    float xx = x2 * q->x, xy = y2 * q->x, xz = z2 * q->x;
    float yy = y2 * q->y, yz = z2 * q->y, zz = z2 * q->z;
    float wx = x2 * q->w, wy = y2 * q->w, wz = z2 * q->w;
    Mat3 r = {{1 - yy - zz, xy - wz, xz + wy, xy + wz, 1 - xx - zz, yz - wx, xz - wy, yz + wx,
               1 - xx - yy}};
    *m = r;
}

void QuatToMatrix(const Quat* q, Mat3* m) { QuatProducts(q, m); }

void RotatePoint(const Quat* q, const Vec3* v, Vec3* out) {
    Mat3 mat;
    QuatProducts(q, &mat);
    const float* m = mat.m;
    Vec3 p = *v;
    Vec3 r;
    r.x = m[0] * p.x + m[1] * p.y + m[2] * p.z;
    r.y = m[3] * p.x + m[4] * p.y + m[5] * p.z;
    r.z = m[6] * p.x + m[7] * p.y + m[8] * p.z;
    *out = r;
}

void ConcatPose(const Quat* pq, const Vec3* po, const Quat* lq, const Vec3* lo, Quat* oq,
                Vec3* oo) {
    Quat parentq = *pq;
    Vec3 parento = *po;
    Quat q;
    Vec3 o;
    MultiplyQuat(&parentq, lq, &q);
    RotatePoint(&parentq, lo, &o);
    o.x += parento.x;
    o.y += parento.y;
    o.z += parento.z;
    *oq = q;
    *oo = o;
}

double DotVector(const double* a, const double* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

void CrossVector(const double* a, const double* b, double* out) {
    double x = a[1] * b[2] - a[2] * b[1];
    double y = a[2] * b[0] - a[0] * b[2];
    double z = a[0] * b[1] - a[1] * b[0];
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

void CopyMatrix(const Mat3* src, Mat3* dst) { *dst = *src; }

void MultiplyMatrix(const Mat3* a, const Mat3* b, Mat3* out) {
    Mat3 x = *a, y = *b, r;
    for (int row = 0; row < 3; row++)
        for (int col = 0; col < 3; col++)
            r.m[row * 3 + col] = x.m[row * 3 + 0] * y.m[0 * 3 + col] +
                                 x.m[row * 3 + 1] * y.m[1 * 3 + col] +
                                 x.m[row * 3 + 2] * y.m[2 * 3 + col];
    *out = r;
}

void RotateMatrix(Mat3* m, float degrees, float x, float y, float z) {
    double rad = (double)degrees * 3.141592653589793 / 180.0;
    float c = (float)std::cos(rad);
    float s = (float)std::sin(rad);
    float t = 1 - c;
    Mat3 r = {{x * x * t + c, x * y * t + z * s, x * z * t - y * s, x * y * t - z * s,
               y * y * t + c, y * z * t + x * s, x * z * t + y * s, y * z * t - x * s,
               z * z * t + c}};
    Mat3 tmp;
    CopyMatrix(m, &tmp);
    MultiplyMatrix(&tmp, &r, m);
}

Quat GetPoseQuat(const BonePose* pose) {
    return Quat{pose->quat[0], pose->quat[1], pose->quat[2], pose->quat[3]};
}

Vec3 GetPoseOrigin(const BonePose* pose) {
    return Vec3{pose->origin[0], pose->origin[1], pose->origin[2]};
}

void SetPoseQuat(BonePose* pose, const Quat* q) {
    pose->quat[0] = q->x;
    pose->quat[1] = q->y;
    pose->quat[2] = q->z;
    pose->quat[3] = q->w;
}

void SetPoseOrigin(BonePose* pose, const Vec3* v) {
    pose->origin[0] = v->x;
    pose->origin[1] = v->y;
    pose->origin[2] = v->z;
}
