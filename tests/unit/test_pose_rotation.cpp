// Rotation math: the fixed examples, the branch choices of MatrixToQuat, and
// property checks against an independent rotation formula.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "pose/rotation.h"

namespace {

const double PI = 3.141592653589793;

// Rodrigues' formula in double: v turned by +angle about a unit axis.
Vec3 TurnAbout(Vec3 axis, double degrees, Vec3 v) {
    double a = degrees * PI / 180, c = cos(a), s = sin(a);
    double d = axis.x * v.x + axis.y * v.y + axis.z * v.z;
    double cx = axis.y * v.z - axis.z * v.y, cy = axis.z * v.x - axis.x * v.z,
           cz = axis.x * v.y - axis.y * v.x;
    return Vec3{(float)(v.x * c + cx * s + axis.x * d * (1 - c)),
                (float)(v.y * c + cy * s + axis.y * d * (1 - c)),
                (float)(v.z * c + cz * s + axis.z * d * (1 - c))};
}

Quat AxisAngle(Vec3 axis, double degrees) {
    double h = degrees * PI / 360;
    return Quat{(float)(axis.x * sin(h)), (float)(axis.y * sin(h)), (float)(axis.z * sin(h)),
                (float)cos(h)};
}

void ExpectVec(Vec3 got, Vec3 want, float tol = 1e-5f) {
    EXPECT_NEAR(got.x, want.x, tol);
    EXPECT_NEAR(got.y, want.y, tol);
    EXPECT_NEAR(got.z, want.z, tol);
}

void ExpectQuat(Quat got, Quat want, float tol = 1e-5f) {
    EXPECT_NEAR(got.x, want.x, tol);
    EXPECT_NEAR(got.y, want.y, tol);
    EXPECT_NEAR(got.z, want.z, tol);
    EXPECT_NEAR(got.w, want.w, tol);
}

Quat RandomUnitQuat(std::mt19937& rng) {
    std::normal_distribution<float> n(0, 1);
    Quat q;
    do q = Quat{n(rng), n(rng), n(rng), n(rng)};
    while (q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w < 1e-3f);
    NormalizeQuat(&q);
    return q;
}

} // namespace

TEST(PoseRotation, NormalizeQuatScalesOrLeavesZero) {
    Quat zero = {0, 0, 0, 0};
    NormalizeQuat(&zero);
    EXPECT_EQ(zero.x, 0.0f);
    EXPECT_EQ(zero.w, 0.0f);
    EXPECT_FALSE(std::isnan(zero.w));

    Quat two = {0, 0, 0, 2};
    NormalizeQuat(&two);
    ExpectQuat(two, {0, 0, 0, 1}, 0);

    Quat q = {1, 2, 2, 4}; // length 5
    NormalizeQuat(&q);
    ExpectQuat(q, {0.2f, 0.4f, 0.4f, 0.8f}, 1e-7f);
}

TEST(PoseRotation, MatrixToQuatFirstBranchAndWorkedExamples) {
    Quat q;
    MatrixToQuat(&IdentityMatrix, &q);
    EXPECT_EQ(q.x, 0.0f);
    EXPECT_EQ(q.y, 0.0f);
    EXPECT_EQ(q.z, 0.0f);
    EXPECT_EQ(q.w, 1.0f);

    // 30 degrees about z: the matrix turns points the other way.
    Mat3 m;
    CopyMatrix(&IdentityMatrix, &m);
    RotateMatrix(&m, 30, 0, 0, 1);
    MatrixToQuat(&m, &q);
    ExpectQuat(q, {0, 0, -0.258819f, 0.965926f});
    Vec3 p = {1, 0, 0}, out;
    RotatePoint(&q, &p, &out);
    ExpectVec(out, {0.866025f, -0.5f, 0});

    // Just above the threshold the first branch still runs: w stays positive
    // even when the vector part points along a negative axis.
    float w = 0.50025f, a = std::sqrt((1 - w * w) / 3);
    Quat near0 = {-a, -a, -a, w};
    QuatToMatrix(&near0, &m);
    ASSERT_GT(m.m[0] + m.m[4] + m.m[8], 0.00001f);
    MatrixToQuat(&m, &q);
    ExpectQuat(q, near0);
}

TEST(PoseRotation, MatrixToQuatDiagonalBranchTieAndZero) {
    // 180 degrees about z: trace -1, the m(1,1) tie with m(0,0) keeps axis 0,
    // then m(2,2) wins.
    Mat3 m;
    CopyMatrix(&IdentityMatrix, &m);
    RotateMatrix(&m, 180, 0, 0, 1);
    Quat q;
    MatrixToQuat(&m, &q);
    EXPECT_NEAR(q.x, 0, 1e-7);
    EXPECT_NEAR(q.y, 0, 1e-7);
    EXPECT_FLOAT_EQ(q.z, 1);
    EXPECT_NEAR(q.w, 0, 1e-7);

    // 180 about x and about y pick axes 0 and 1; the sign is the formulas'.
    Mat3 rx = {{1, 0, 0, 0, -1, 0, 0, 0, -1}}, ry = {{-1, 0, 0, 0, 1, 0, 0, 0, -1}};
    MatrixToQuat(&rx, &q);
    ExpectQuat(q, {1, 0, 0, 0}, 0);
    MatrixToQuat(&ry, &q);
    ExpectQuat(q, {0, 1, 0, 0}, 0);

    // Trace exactly 0 (a third of a turn about -(1, 1, 1)): all diagonal
    // elements tie, axis 0 is taken, and the sign is that branch's: w < 0.
    Mat3 third = {{0, 1, 0, 0, 0, 1, 1, 0, 0}};
    MatrixToQuat(&third, &q);
    ExpectQuat(q, {0.5f, 0.5f, 0.5f, -0.5f}, 0);

    // The zero matrix has no rotation; the diagonal branch still gives a
    // finite unit result rather than NaN.
    Mat3 zero = {{0, 0, 0, 0, 0, 0, 0, 0, 0}};
    MatrixToQuat(&zero, &q);
    ExpectQuat(q, {1, 0, 0, 0}, 0);
}

TEST(PoseRotation, MultiplyQuatOrderAndComposition) {
    Quat p = AxisAngle({1, 0, 0}, 90), q = AxisAngle({0, 1, 0}, 90);
    Quat pq, qp;
    MultiplyQuat(&p, &q, &pq);
    MultiplyQuat(&q, &p, &qp);
    EXPECT_GT(std::fabs(pq.z - qp.z), 0.5f); // (.., +0.5, ..) vs (.., -0.5, ..)

    // Rotating by p*q is rotating by q first, then by p.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-3, 3);
    for (int n = 0; n < 50; n++) {
        Quat a = RandomUnitQuat(rng), b = RandomUnitQuat(rng), ab;
        MultiplyQuat(&a, &b, &ab);
        Vec3 v = {u(rng), u(rng), u(rng)}, byB, thenA, byAB;
        RotatePoint(&b, &v, &byB);
        RotatePoint(&a, &byB, &thenA);
        RotatePoint(&ab, &v, &byAB);
        ExpectVec(byAB, thenA, 1e-4f);
    }
}

TEST(PoseRotation, QuatToMatrixMatchesAxisAngleAndIsNotNormalised) {
    // Columns are the images of the axes: +90 about z takes x to y.
    Quat q = AxisAngle({0, 0, 1}, 90);
    Mat3 m;
    QuatToMatrix(&q, &m);
    EXPECT_NEAR(m.m[0 * 3 + 0], 0, 1e-6);
    EXPECT_NEAR(m.m[1 * 3 + 0], 1, 1e-6);
    EXPECT_NEAR(m.m[0 * 3 + 1], -1, 1e-6);

    std::mt19937 rng(11);
    std::uniform_real_distribution<float> u(-1, 1);
    for (int n = 0; n < 50; n++) {
        Vec3 axis = {u(rng), u(rng), u(rng)};
        float len = std::sqrt(axis.x * axis.x + axis.y * axis.y + axis.z * axis.z);
        if (len < 0.1f) continue;
        axis = {axis.x / len, axis.y / len, axis.z / len};
        double deg = u(rng) * 180;
        Quat r = AxisAngle(axis, deg);
        Vec3 v = {u(rng), u(rng), u(rng)}, got;
        RotatePoint(&r, &v, &got);
        ExpectVec(got, TurnAbout(axis, deg, v));
    }

    // A quaternion of length 2 scales the diagonal: 1 - 0 - 2*2*2 = -7.
    Quat big = {0, 2, 0, 0};
    QuatToMatrix(&big, &m);
    EXPECT_EQ(m.m[0], -7.0f);
    EXPECT_EQ(m.m[4], 1.0f);
}

TEST(PoseRotation, MatrixQuatRoundTripGivesPlusOrMinusQ) {
    std::mt19937 rng(3);
    for (int n = 0; n < 2000; n++) {
        Quat q = RandomUnitQuat(rng), back;
        Mat3 m;
        QuatToMatrix(&q, &m);
        MatrixToQuat(&m, &back);
        float sign = (q.x * back.x + q.y * back.y + q.z * back.z + q.w * back.w) < 0 ? -1.0f : 1.0f;
        ExpectQuat(Quat{sign * back.x, sign * back.y, sign * back.z, sign * back.w}, q, 2e-5f);
    }
    // Half turns about each axis and about a diagonal exercise the diagonal branch.
    const Vec3 axes[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.6f, 0, 0.8f}};
    for (Vec3 axis : axes) {
        Quat q = AxisAngle(axis, 180), back;
        Mat3 m;
        QuatToMatrix(&q, &m);
        MatrixToQuat(&m, &back);
        float sign = (q.x * back.x + q.y * back.y + q.z * back.z + q.w * back.w) < 0 ? -1.0f : 1.0f;
        ExpectQuat(Quat{sign * back.x, sign * back.y, sign * back.z, sign * back.w}, q);
    }
}

TEST(PoseRotation, RotateMatrixMultipliesFromTheRightAndTurnsBackwards) {
    // R is the transpose of the quaternion matrix for +degrees.
    Mat3 r;
    CopyMatrix(&IdentityMatrix, &r);
    RotateMatrix(&r, 40, 0.6f, 0, 0.8f);
    Quat q = AxisAngle({0.6f, 0, 0.8f}, 40);
    Mat3 qm;
    QuatToMatrix(&q, &qm);
    for (int row = 0; row < 3; row++)
        for (int col = 0; col < 3; col++)
            EXPECT_NEAR(r.m[row * 3 + col], qm.m[col * 3 + row], 1e-6);

    // Starting from a non-identity m: m = m * R, not R * m.
    Mat3 start = {{1, 2, 3, 4, 5, 6, 7, 8, 9}}, m = start, want;
    RotateMatrix(&m, 40, 0.6f, 0, 0.8f);
    MultiplyMatrix(&start, &r, &want);
    for (int e = 0; e < 9; e++) EXPECT_FLOAT_EQ(m.m[e], want.m[e]);
    Mat3 other;
    MultiplyMatrix(&r, &start, &other);
    EXPECT_GT(std::fabs(other.m[1] - m.m[1]), 0.1f);
}

TEST(PoseRotation, ConcatPoseIdentityParentAndAliasing) {
    Quat id = {0, 0, 0, 1}, lq = {0.1f, 0.2f, 0.3f, 0.927362f}, oq;
    Vec3 zero = {0, 0, 0}, lo = {4, 5, 6}, oo;
    ConcatPose(&id, &zero, &lq, &lo, &oq, &oo);
    ExpectQuat(oq, lq, 0);
    ExpectVec(oo, lo, 0);

    // A parent turned 90 about z at (1, 1, 1): the child's offset (2, 0, 0)
    // turns to (0, 2, 0) before the parent's position is added.
    Quat pq = AxisAngle({0, 0, 1}, 90);
    Vec3 po = {1, 1, 1}, off = {2, 0, 0};
    ConcatPose(&pq, &po, &id, &off, &oq, &oo);
    ExpectVec(oo, {1, 3, 1});
    ExpectQuat(oq, pq, 0);

    // Outputs aliasing the inputs still give the same result.
    Quat aq = pq;
    Vec3 ao = po;
    Quat cq = lq;
    Vec3 co = off;
    ConcatPose(&aq, &ao, &cq, &co, &aq, &ao);
    Quat wantq;
    Vec3 wanto;
    ConcatPose(&pq, &po, &lq, &off, &wantq, &wanto);
    ExpectQuat(aq, wantq, 0);
    ExpectVec(ao, wanto, 0);

    Mat3 a = {{1, 2, 3, 4, 5, 6, 7, 8, 9}}, product;
    MultiplyMatrix(&a, &a, &product);
    MultiplyMatrix(&a, &a, &a);
    for (int e = 0; e < 9; e++) EXPECT_EQ(a.m[e], product.m[e]);
}

// The double-precision affine helpers, by properties over random transforms:
// a transform composed from its parts splits back into them (a mirror shows
// as a negative x scale), its inverse undoes it, normals stay perpendicular
// to transformed surface directions, quaternion and matrix agree, and Slerp
// takes the short way at constant speed.
TEST(PoseRotation, AffineHelpersComposeSplitInvertAndInterpolate) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> unit(-1, 1), size(0.2, 3);
    auto near = [](Vec3d a, Vec3d b, double tolerance) {
        return std::fabs(a.x - b.x) + std::fabs(a.y - b.y) + std::fabs(a.z - b.z) < tolerance;
    };
    for (int i = 0; i < 200; i++) {
        Quatd q = Normalized({unit(rng), unit(rng), unit(rng), unit(rng)});
        Vec3d t = {unit(rng) * 5, unit(rng) * 5, unit(rng) * 5};
        Vec3d s = {size(rng) * (i % 4 == 0 ? -1 : 1), size(rng), size(rng)};
        Affine a = ComposeAffine(t, q, s);
        RigidPart part = SplitRigid(a);
        EXPECT_TRUE(near(part.translation, t, 1e-9));
        EXPECT_TRUE(near(part.scale, s, 1e-9)) << i;
        double dot = q.x * part.rotation.x + q.y * part.rotation.y + q.z * part.rotation.z +
                     q.w * part.rotation.w;
        EXPECT_NEAR(std::fabs(dot), 1, 1e-9) << i;

        Vec3d p = {unit(rng), unit(rng), unit(rng)}, d = {unit(rng), unit(rng), unit(rng)};
        EXPECT_TRUE(near(TransformPoint(Inverse(a), TransformPoint(a, p)), p, 1e-9));
        EXPECT_TRUE(near(TransformPoint(Inverse(a) * a, p), p, 1e-9));
        // A normal n of the plane through d: n . d = 0 before and after.
        Vec3d n = {d.y, -d.x, 0};
        EXPECT_NEAR(Dot(TransformDirection(NormalMatrix(a), n), TransformDirection(a, d)), 0, 1e-9);
        // RotationAffine, Rotate and QuatFromRotation describe one turn.
        Affine r = RotationAffine(q);
        EXPECT_TRUE(near(TransformPoint(r, p), Rotate(q, p), 1e-12));
        double m[3][3];
        for (int row = 0; row < 3; row++)
            for (int c = 0; c < 3; c++) m[row][c] = r.m[row][c];
        Quatd back = QuatFromRotation(m);
        EXPECT_TRUE(near(Rotate(back, p), Rotate(q, p), 1e-9));
        EXPECT_TRUE(near(Rotate(q * back, p), Rotate(q, Rotate(q, p)), 1e-9));
        EXPECT_TRUE(near(Rotate(Conjugate(q), Rotate(q, p)), p, 1e-12));
    }
    // 0 and 180 degrees about z, given with opposite signs: the short way is
    // through 90 degrees, and a quarter of the way is 45 degrees.
    Quatd a = {0, 0, 0, 1}, b = {0, 0, -1, 0};
    Quatd half = Slerp(a, b, 0.5), quarter = Slerp(a, b, 0.25);
    EXPECT_NEAR(std::fabs(half.z), std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(quarter.w, std::cos(PI / 8), 1e-12);
    EXPECT_EQ(Slerp(b, a, 0).z, -1);
    // A singular matrix has no inverse: the identity, as documented.
    Affine flat = ComposeAffine({1, 2, 3}, {0, 0, 0, 1}, {1, 0, 1});
    EXPECT_TRUE(near(TransformPoint(Inverse(flat), {4, 5, 6}), {4, 5, 6}, 1e-12));
}
