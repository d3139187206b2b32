// The demo humanoid: a 26-bone skeleton facing +x with z up, a rest frame and
// an eight-frame walk cycle, and a skinned body of three meshes (body with
// head, arms, legs with feet) built as closed tubes around the bones, with
// weights blended across the joints, and the small texture they are painted
// with. Everything is computed from the tables below in double precision and
// stored as float, so the result is the same on every call. No state.
#include "demo/sample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>

#include "model/tga_write.h"
#include "pose/rotation.h"

namespace {

constexpr double PI = 3.141592653589793;
constexpr int WALK_FRAMES = 8;

struct SampleBone {
    const char* name;
    int32_t parent;
    double offset[3]; // from the parent's joint in frame 0, model axes: x forward, y left, z up
    uint32_t flags;
};

// Names start with eight different characters, so the viewer gets eight key
// channels (P, S, C, N, H, J, L, R); hands and head are marked.
const SampleBone SAMPLE_BONES[] = {
    {"Pelvis", -1, {0, 0, 0}, 0},     {"Spine", 0, {0, 0, 6}, 0},
    {"Spine2", 1, {0, 0, 6}, 0},      {"Chest", 2, {0, 0, 6}, 0},
    {"Neck", 3, {0, 0, 6}, 0},        {"Head", 4, {0, 0, 4}, 1},
    {"HeadTop", 5, {0, 0, 8}, 0},     {"Jaw", 5, {2, 0, -1}, 0},
    {"LClavicle", 3, {0, 2, 4}, 0},   {"LUpperArm", 8, {0, 6, 0}, 0},
    {"LForearm", 9, {0, 0, -11}, 0},  {"LHand", 10, {0, 0, -10}, 1},
    {"LFingers", 11, {0, 0, -4}, 0},  {"RClavicle", 3, {0, -2, 4}, 0},
    {"RUpperArm", 13, {0, -6, 0}, 0}, {"RForearm", 14, {0, 0, -11}, 0},
    {"RHand", 15, {0, 0, -10}, 1},    {"RFingers", 16, {0, 0, -4}, 0},
    {"LThigh", 0, {0, 4, -2}, 0},     {"LCalf", 18, {0, 0, -15}, 0},
    {"LFoot", 19, {0, 0, -15}, 0},    {"LToe", 20, {5, 0, -2}, 0},
    {"RThigh", 0, {0, -4, -2}, 0},    {"RCalf", 22, {0, 0, -15}, 0},
    {"RFoot", 23, {0, 0, -15}, 0},    {"RToe", 24, {5, 0, -2}, 0},
};
constexpr int32_t SAMPLE_BONE_COUNT = (int32_t)(sizeof SAMPLE_BONES / sizeof SAMPLE_BONES[0]);

BonePose AxisPose(double degrees, double ax, double ay, double az, const double* offset,
                  double lift) {
    double half = degrees * PI / 360.0;
    double s = std::sin(half);
    BonePose pose;
    // Adding +0.0 turns a negative zero (0 times a negative sine) into the
    // plain zero the exporter writes, so the model survives a round trip.
    pose.quat[0] = (float)(ax * s + 0.0);
    pose.quat[1] = (float)(ay * s + 0.0);
    pose.quat[2] = (float)(az * s + 0.0);
    pose.quat[3] = (float)std::cos(half);
    pose.origin[0] = (float)(offset[0] + 0.0);
    pose.origin[1] = (float)(offset[1] + 0.0);
    pose.origin[2] = (float)(offset[2] + lift + 0.0);
    return pose;
}

// The local pose of bone i in walk frame k (1 .. WALK_FRAMES). Positive
// angles about y swing a limb's far end backwards.
BonePose WalkPose(int32_t i, int k) {
    double phase = 2.0 * PI * (k - 1) / WALK_FRAMES;
    const SampleBone& bone = SAMPLE_BONES[i];
    std::string name = bone.name;
    double side = 0, swing = 0;
    if (name[0] == 'L') side = 1;
    if (name[0] == 'R') side = -1;
    swing = side * std::sin(phase); // +1: the left leg is back, the left arm forward
    double bend = side != 0 ? std::max(0.0, -side * std::sin(phase + 0.6)) : 0;

    if (name == "Pelvis")
        return AxisPose(5 * std::sin(phase), 0, 0, 1, bone.offset, 0.8 * std::cos(2 * phase));
    if (name == "Spine" || name == "Spine2")
        return AxisPose(-2.5 * std::sin(phase), 0, 0, 1, bone.offset, 0);
    if (name == "Chest") return AxisPose(3 * std::sin(2 * phase), 0, 1, 0, bone.offset, 0);
    if (name == "Head") return AxisPose(-4 * std::sin(2 * phase), 0, 1, 0, bone.offset, 0);
    if (name == "Jaw")
        return AxisPose(-12 * std::sin(phase) * std::sin(phase), 0, 1, 0, bone.offset, 0);
    if (name.find("Thigh") != std::string::npos)
        return AxisPose(25 * swing, 0, 1, 0, bone.offset, 0);
    if (name.find("Calf") != std::string::npos)
        return AxisPose(10 + 45 * bend, 0, 1, 0, bone.offset, 0);
    if (name.find("Foot") != std::string::npos)
        return AxisPose(-10 * swing - 8, 0, 1, 0, bone.offset, 0);
    if (name.find("UpperArm") != std::string::npos)
        return AxisPose(-22 * swing, 0, 1, 0, bone.offset, 0);
    if (name.find("Forearm") != std::string::npos)
        return AxisPose(-20 - 15 * std::max(0.0, -swing), 0, 1, 0, bone.offset, 0);
    if (name.find("Hand") != std::string::npos)
        return AxisPose(-10 * swing, 1, 0, 0, bone.offset, 0);
    return AxisPose(0, 0, 0, 1, bone.offset, 0);
}

int32_t BoneNamed(const char* name) {
    for (int32_t i = 0; i < SAMPLE_BONE_COUNT; i++)
        if (strcmp(SAMPLE_BONES[i].name, name) == 0) return i;
    return 0;
}

// Every bone's joint in frame 0, model space. Frame 0 has identity rotations,
// so a joint is the sum of the offsets down from the root.
void RestJoints(double (*joint)[3]) {
    for (int32_t i = 0; i < SAMPLE_BONE_COUNT; i++) {
        const SampleBone& bone = SAMPLE_BONES[i];
        for (int k = 0; k < 3; k++)
            joint[i][k] = bone.offset[k] + (bone.parent >= 0 ? joint[bone.parent][k] : 0);
    }
}

// --- The body: tubes ----------------------------------------------------------
//
// A tube runs along an axis through a list of rings. Each ring is an ellipse
// across the axis at a distance u along it, with half-widths ra and rb along
// the tube's two ring axes; a ring of zero size is a single vertex that closes
// the tube. A chain of bones follows the axis: each takes over from the one
// before at u = from, blended over from - blend .. from + blend, which is what
// bends a limb smoothly at its joints.

struct TubeRing {
    double u, ra, rb;
    double shift; // centre moved along ring axis a (a chest forward, a calf back)
};

struct ChainLink {
    const char* bone;
    double from, blend; // unused for the first link
};

// Texture strips side by side across s; t follows the parts' length.
struct TexStrip {
    double s0, s1;
};
const TexStrip BODY_STRIP = {0.0, 0.5};
const TexStrip ARM_STRIP = {0.5, 0.75};
const TexStrip LEG_STRIP = {0.75, 1.0};
constexpr int TEXTURE_SIDE = 128;

struct Tube {
    double origin[3];
    double axis[3], ua[3], ub[3]; // unit vectors; ua, ub across the axis
    int sides;                    // vertices around a ring (one more with the seam)
    std::vector<TubeRing> rings;  // u increasing
    std::vector<ChainLink> chain;
    TexStrip strip;
    double t0, t1; // texture t at the first and the last ring
};

// Up to two bones with their shares of a point at u along a chain.
struct Influence {
    int32_t bone[2];
    double share[2];
    int count;
};

Influence ChainInfluence(const std::vector<ChainLink>& chain, double u) {
    size_t current = 0;
    for (size_t k = 1; k < chain.size(); k++)
        if (u >= chain[k].from + chain[k].blend) current = k;
    Influence in = {{BoneNamed(chain[current].bone), 0}, {1, 0}, 1};
    if (current + 1 < chain.size()) {
        const ChainLink& next = chain[current + 1];
        double x = (u - (next.from - next.blend)) / (2 * next.blend);
        if (x > 0) {
            double f = x * x * (3 - 2 * x); // smooth at both ends of the blend
            in = {{BoneNamed(chain[current].bone), BoneNamed(next.bone)}, {1 - f, f}, 2};
        }
    }
    return in;
}

// A mesh being laid out in model space at rest, before it becomes weights.
struct Shape {
    std::vector<double> position; // 3 per vertex
    std::vector<double> normal;   // 3 per vertex
    std::vector<float> texcoord;  // 2 per vertex
    std::vector<Influence> influence;
    std::vector<int32_t> tris;
};

void AddTube(Shape* shape, const Tube& tube) {
    // Ring k's vertex j sits at angle pi + 2 pi j / sides from ring axis a, so
    // the seam (j = 0 and j = sides, the same point twice for the texture)
    // lies at -a: the back of a limb, the sole of a foot.
    double side[3];
    CrossVector(tube.ub, tube.axis, side);
    bool forward = DotVector(side, tube.ua) > 0; // (j, k), (j+1, k), (j, k+1) faces out
    int32_t first = (int32_t)shape->influence.size();
    std::vector<int32_t> start, count;
    double u0 = tube.rings.front().u, u1 = tube.rings.back().u;
    for (const TubeRing& ring : tube.rings) {
        double centre[3];
        for (int k = 0; k < 3; k++)
            centre[k] = tube.origin[k] + ring.u * tube.axis[k] + ring.shift * tube.ua[k];
        Influence in = ChainInfluence(tube.chain, ring.u);
        float t = (float)(tube.t0 + (tube.t1 - tube.t0) * (ring.u - u0) / (u1 - u0));
        bool pole = ring.ra == 0 && ring.rb == 0;
        int n = pole ? 1 : tube.sides + 1;
        start.push_back((int32_t)shape->influence.size());
        count.push_back(n);
        for (int j = 0; j < n; j++) {
            double angle = PI + 2 * PI * j / tube.sides;
            double ca = pole ? 0 : ring.ra * std::cos(angle),
                   cb = pole ? 0 : ring.rb * std::sin(angle);
            for (int k = 0; k < 3; k++) {
                shape->position.push_back(centre[k] + ca * tube.ua[k] + cb * tube.ub[k]);
                shape->normal.push_back(0);
            }
            double across = pole ? 0.5 : (double)j / tube.sides;
            shape->texcoord.push_back(
                (float)(tube.strip.s0 + (tube.strip.s1 - tube.strip.s0) * (0.02 + 0.96 * across)));
            shape->texcoord.push_back(t);
            shape->influence.push_back(in);
        }
    }
    auto tri = [&](int32_t a, int32_t b, int32_t c) {
        shape->tris.push_back(a);
        shape->tris.push_back(forward ? b : c);
        shape->tris.push_back(forward ? c : b);
    };
    for (size_t r = 0; r + 1 < tube.rings.size(); r++) {
        int32_t a = start[r], b = start[r + 1];
        for (int j = 0; j < tube.sides; j++) {
            if (count[r] == 1)
                tri(a, b + j + 1, b + j);
            else if (count[r + 1] == 1)
                tri(a + j, a + j + 1, b);
            else {
                tri(a + j, a + j + 1, b + j);
                tri(a + j + 1, b + j + 1, b + j);
            }
        }
    }
    // Vertex normals: the area-weighted normals of the faces around each
    // vertex, the two copies of a seam vertex summed together.
    std::vector<double>& normal = shape->normal;
    for (size_t i = (size_t)0; i < shape->tris.size(); i += 3) {
        const int32_t* t = &shape->tris[i];
        if (t[0] < first) continue;
        const double* p0 = &shape->position[3 * t[0]];
        const double* p1 = &shape->position[3 * t[1]];
        const double* p2 = &shape->position[3 * t[2]];
        double e1[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
        double e2[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
        double face[3];
        CrossVector(e1, e2, face);
        for (int c = 0; c < 3; c++)
            for (int k = 0; k < 3; k++) normal[3 * t[c] + k] += face[k];
    }
    for (size_t r = 0; r < start.size(); r++) {
        if (count[r] == 1) continue;
        double* a = &normal[3 * start[r]];
        double* b = &normal[3 * (start[r] + tube.sides)];
        for (int k = 0; k < 3; k++) a[k] = b[k] = a[k] + b[k];
    }
    for (size_t v = (size_t)first; v < shape->influence.size(); v++) {
        double* n = &normal[3 * v];
        double length = std::sqrt(DotVector(n, n));
        for (int k = 0; k < 3; k++) n[k] = length > 0 ? n[k] / length : 0;
    }
}

// The texture's t for a height z on the body strip, and the arm and leg
// strips' t for theirs (legs leave the bottom of their strip to the feet).
constexpr double BODY_Z0 = -6.4, BODY_Z1 = 37.6;
constexpr double ARM_Z0 = -6.6, ARM_Z1 = 24.6;
constexpr double LEG_Z0 = -34.0, LEG_Z1 = 0.8, LEG_T0 = 0.16;
constexpr double FOOT_T1 = 0.12;

double BodyT(double z) { return (z - BODY_Z0) / (BODY_Z1 - BODY_Z0); }
double ArmT(double z) { return (z - ARM_Z0) / (ARM_Z1 - ARM_Z0); }
double LegT(double z) { return LEG_T0 + (1 - LEG_T0) * (z - LEG_Z0) / (LEG_Z1 - LEG_Z0); }

// Rings of the body tube, hips to crown: u is the height z; ra is half the
// depth front to back, rb half the width.
const std::vector<TubeRing> TORSO_RINGS = {
    {-6.0, 0, 0, 0},        {-5.7, 1.8, 2.8, 0},    {-4.9, 3.0, 4.8, -0.1}, {-3.6, 3.6, 5.8, -0.3},
    {-1.5, 3.8, 6.2, -0.3}, {1.0, 3.5, 5.9, -0.1},  {4.0, 3.2, 5.3, 0},     {8.0, 3.3, 5.5, 0.1},
    {12.0, 3.6, 6.1, 0.3},  {16.0, 4.0, 6.7, 0.5},  {19.5, 3.8, 7.1, 0.3},  {21.5, 3.3, 7.2, 0},
    {23.0, 2.5, 5.4, 0},    {24.0, 1.8, 2.5, 0.1},  {25.0, 1.6, 1.6, 0.2},  {27.0, 1.6, 1.6, 0.3},
    {28.0, 2.9, 2.6, 0.4},  {29.5, 3.7, 3.3, 0.3},  {31.5, 4.0, 3.6, 0.1},  {33.5, 3.8, 3.4, 0},
    {35.3, 3.0, 2.8, -0.2}, {36.5, 1.8, 1.7, -0.2}, {37.1, 0.8, 0.7, -0.2}, {37.3, 0, 0, -0.2},
};
// Arms hang down: u is -z. The top is a ball around the shoulder joint.
const std::vector<TubeRing> ARM_RINGS = {
    {-24.4, 0, 0, 0},      {-24.1, 1.1, 1.1, 0},   {-23.4, 1.9, 1.9, 0},  {-22.0, 2.2, 2.2, 0},
    {-20.0, 2.0, 1.9, 0},  {-16.0, 1.85, 1.75, 0}, {-12.5, 1.6, 1.5, 0},  {-11.0, 1.5, 1.4, 0},
    {-9.0, 1.55, 1.45, 0}, {-5.0, 1.4, 1.3, 0},    {-2.0, 1.05, 0.85, 0}, {-1.0, 1.05, 0.85, 0},
    {0.0, 1.5, 0.75, 0},   {2.5, 1.6, 0.7, 0},     {3.3, 1.5, 0.65, 0},   {5.0, 1.3, 0.55, 0},
    {6.0, 0.8, 0.45, 0},   {6.4, 0, 0, 0},
};
// Legs, u is -z: from inside the hips down to a rounded ankle inside the foot.
const std::vector<TubeRing> LEG_RINGS = {
    {-0.6, 0, 0, 0},     {-0.2, 1.6, 1.6, 0},    {0.8, 2.7, 2.7, 0},  {2.0, 3.0, 2.9, 0},
    {5.0, 2.9, 2.8, 0},  {10.0, 2.5, 2.4, 0},    {15.0, 2.0, 1.9, 0}, {17.0, 1.9, 1.8, 0.1},
    {19.0, 1.9, 1.8, 0}, {23.0, 1.9, 1.6, -0.3}, {28.0, 1.3, 1.2, 0}, {31.0, 1.1, 1.1, 0},
    {32.5, 1.1, 1.1, 0}, {33.4, 0.7, 0.7, 0},    {33.8, 0, 0, 0},
};
// Feet run forward along x from the heel; ring axis a is up, so the shift
// lowers the toes.
const std::vector<TubeRing> FOOT_RINGS = {
    {-2.4, 0, 0, 0.1},      {-2.1, 0.9, 0.9, 0.1},  {-1.2, 1.4, 1.2, 0.2},
    {1.0, 1.5, 1.3, 0.1},   {3.0, 1.3, 1.45, -0.3}, {5.0, 0.95, 1.5, -0.8},
    {6.5, 0.75, 1.4, -1.0}, {7.3, 0.5, 1.0, -1.1},  {7.6, 0, 0, -1.1},
};
const std::vector<TubeRing> NOSE_RINGS = {
    {2.8, 0, 0, 0},          {3.0, 0.55, 0.45, 0}, {4.3, 0.5, 0.4, -0.05},
    {4.75, 0.3, 0.25, -0.1}, {4.95, 0, 0, -0.1},
};

// The parts of demo mesh m (0 body, 1 arms, 2 legs).
std::vector<Tube> SampleTubes(int32_t m) {
    const double X[3] = {1, 0, 0}, Y[3] = {0, 1, 0}, Z[3] = {0, 0, 1}, DOWN[3] = {0, 0, -1};
    std::vector<Tube> tubes;
    auto tube = [&](const double* origin, const double* axis, const double* ua, const double* ub,
                    int sides, const std::vector<TubeRing>& rings,
                    const std::vector<ChainLink>& chain, TexStrip strip, double t0, double t1) {
        Tube t;
        for (int k = 0; k < 3; k++) {
            t.origin[k] = origin[k];
            t.axis[k] = axis[k];
            t.ua[k] = ua[k];
            t.ub[k] = ub[k];
        }
        t.sides = sides;
        t.rings = rings;
        t.chain = chain;
        t.strip = strip;
        t.t0 = t0;
        t.t1 = t1;
        tubes.push_back(t);
    };
    if (m == 0) {
        const double base[3] = {0, 0, 0};
        tube(base, Z, X, Y, 28, TORSO_RINGS,
             {{"Pelvis", 0, 0},
              {"Spine", 6, 2},
              {"Spine2", 12, 2},
              {"Chest", 18, 2},
              {"Neck", 24.2, 0.8},
              {"Head", 27.3, 0.7}},
             BODY_STRIP, BodyT(TORSO_RINGS.front().u), BodyT(TORSO_RINGS.back().u));
        // The nose shows which way the figure faces; painted with the cheek's skin.
        const double nose[3] = {0, 0, 30.6};
        double cheek = BodyT(30.2);
        tube(nose, X, Z, Y, 8, NOSE_RINGS, {{"Head", 0, 0}}, {0.2, 0.2}, cheek, cheek);
    }
    for (int sideOf = 0; sideOf < 2; sideOf++) {
        double y = sideOf == 0 ? 1 : -1;
        if (m == 1) {
            const double shoulder[3] = {0, 8 * y, 0};
            const char* const names[2][5] = {
                {"LClavicle", "LUpperArm", "LForearm", "LHand", "LFingers"},
                {"RClavicle", "RUpperArm", "RForearm", "RHand", "RFingers"}};
            const char* const* n = names[sideOf];
            tube(shoulder, DOWN, X, Y, 16, ARM_RINGS,
                 {{n[0], 0, 0},
                  {n[1], -22.5, 1.5},
                  {n[2], -11, 1.5},
                  {n[3], -1, 0.8},
                  {n[4], 3, 0.6}},
                 ARM_STRIP, ArmT(-ARM_RINGS.front().u), ArmT(-ARM_RINGS.back().u));
        }
        if (m == 2) {
            const char* const names[2][5] = {{"Pelvis", "LThigh", "LCalf", "LFoot", "LToe"},
                                             {"Pelvis", "RThigh", "RCalf", "RFoot", "RToe"}};
            const char* const* n = names[sideOf];
            const double hip[3] = {0, 4 * y, 0};
            tube(hip, DOWN, X, Y, 18, LEG_RINGS,
                 {{n[0], 0, 0}, {n[1], 2, 2}, {n[2], 17, 1.8}, {n[3], 32, 1}}, LEG_STRIP,
                 LegT(-LEG_RINGS.front().u), LegT(-LEG_RINGS.back().u));
            const double heel[3] = {0, 4 * y, -33.3};
            tube(heel, X, Z, Y, 16, FOOT_RINGS, {{n[3], 0, 0}, {n[4], 5, 1}}, LEG_STRIP, 0.01,
                 FOOT_T1 - 0.01);
        }
    }
    return tubes;
}

Shape SampleShape(int32_t m) {
    Shape shape;
    for (const Tube& tube : SampleTubes(m)) AddTube(&shape, tube);
    return shape;
}

const char* const SAMPLE_MESH_NAMES[] = {"body", "arms", "legs"};
constexpr int32_t SAMPLE_MESH_COUNT =
    (int32_t)(sizeof SAMPLE_MESH_NAMES / sizeof SAMPLE_MESH_NAMES[0]);

void FillMesh(SkelMesh* mesh, const Shape& shape, const double (*joint)[3]) {
    int32_t numverts = (int32_t)shape.influence.size();
    std::set<int32_t> used;
    mesh->verts.resize((size_t)numverts);
    for (int32_t v = 0; v < numverts; v++) {
        const Influence& in = shape.influence[v];
        mesh->verts[v] = SkelVertex{in.count, nullptr};
        // Shares as floats that add up to 1: the second is what the first leaves.
        float shares[2] = {(float)in.share[0], 0};
        if (in.count == 2) shares[1] = 1.0f - shares[0];
        for (int w = 0; w < in.count; w++) {
            BoneWeight weight;
            // Frame 0 has identity rotations, so a point's position in a
            // bone's space is its model position less the bone's joint.
            for (int k = 0; k < 3; k++) {
                weight.origin[k] = (float)(shape.position[3 * v + k] - joint[in.bone[w]][k] + 0.0);
                weight.normal[k] = (float)(shape.normal[3 * v + k] + 0.0);
            }
            weight.influence = shares[w];
            weight.bonenum = in.bone[w];
            mesh->weightpool.push_back(weight);
            used.insert(in.bone[w]);
        }
    }
    mesh->numverts = numverts;
    mesh->texcoords = shape.texcoord;
    mesh->indices = shape.tris;
    mesh->numtris = (int32_t)(shape.tris.size() / 3);
    mesh->references.assign(used.begin(), used.end());
    mesh->numreferences = (int32_t)mesh->references.size();
    LinkVertexWeights(mesh);
}

// --- The texture ------------------------------------------------------------

struct Rgb {
    double r, g, b;
};
const Rgb SKIN = {224, 178, 142}, HAIR = {74, 48, 30}, SHIRT = {176, 58, 48},
          STRIPE = {236, 214, 170}, TROUSERS = {52, 66, 104}, BELT = {58, 40, 28},
          BUCKLE = {206, 176, 70}, SHOE = {70, 48, 34}, SOLE = {34, 28, 24}, EYE = {34, 30, 40},
          MOUTH = {150, 68, 60};

// around: 0 and 1 at the back (the seam), 0.5 at the front.
Rgb BodyColour(double around, double z) {
    double front = std::fabs(around - 0.5); // 0 facing forward
    if (z < 0.6) return TROUSERS;
    if (z < 1.6) return front < 0.03 ? BUCKLE : BELT;
    if (z < 23.1) {
        if (z > 14.0 && z < 15.4) return STRIPE;
        if (z > 22.4) return Rgb{SHIRT.r * 0.75, SHIRT.g * 0.75, SHIRT.b * 0.75}; // collar
        return SHIRT;
    }
    if (z > 33.6 || (z > 29.0 && front > 0.3)) return HAIR;
    if (std::fabs(z - 33.0) < 0.35 && std::fabs(front - 0.045) < 0.03) return HAIR; // brows
    if (std::fabs(z - 32.0) < 0.45 && std::fabs(front - 0.045) < 0.018) return EYE;
    if (std::fabs(z - 29.4) < 0.3 && front < 0.035) return MOUTH;
    return SKIN;
}

Rgb ArmColour(double z) {
    if (z > 16.8) return SHIRT;
    if (z > 16.0) return STRIPE; // cuff
    return SKIN;
}

Rgb LegColour(double around, double t) {
    if (t < FOOT_T1 + 0.01) {
        bool sole = around < 0.16 || around > 0.84;
        return sole ? SOLE : SHOE;
    }
    double z = LEG_Z0 + (t - LEG_T0) / (1 - LEG_T0) * (LEG_Z1 - LEG_Z0);
    if (z < -31.5) return SHOE;
    return TROUSERS;
}

// The colour of texel (x, y), y counted from the bottom row (t = 0).
Rgb TexelColour(int x, int y) {
    double s = (x + 0.5) / TEXTURE_SIDE, t = (y + 0.5) / TEXTURE_SIDE;
    auto across = [&](TexStrip strip) {
        double a = ((s - strip.s0) / (strip.s1 - strip.s0) - 0.02) / 0.96;
        return std::min(1.0, std::max(0.0, a));
    };
    Rgb colour;
    if (s < BODY_STRIP.s1)
        colour = BodyColour(across(BODY_STRIP), BODY_Z0 + t * (BODY_Z1 - BODY_Z0));
    else if (s < ARM_STRIP.s1)
        colour = ArmColour(ARM_Z0 + t * (ARM_Z1 - ARM_Z0));
    else
        colour = LegColour(across(LEG_STRIP), t);
    // A faint weave so the cloth does not look painted on.
    double weave = ((x + y) & 1) ? 0.97 : 1.0;
    return Rgb{colour.r * weave, colour.g * weave, colour.b * weave};
}

} // namespace

void BuildSampleModel(SkelModel* model) {
    *model = SkelModel();

    model->numbones = SAMPLE_BONE_COUNT;
    model->bones.resize((size_t)SAMPLE_BONE_COUNT);
    for (int32_t i = 0; i < SAMPLE_BONE_COUNT; i++) {
        const SampleBone& src = SAMPLE_BONES[i];
        SkelBone& bone = model->bones[i];
        CopyName(bone.name, src.name);
        bone.parent = src.parent;
        bone.flags = src.flags;
    }
    double joint[SAMPLE_BONE_COUNT][3];
    RestJoints(joint);

    model->numframes = 1 + WALK_FRAMES;
    model->frames.resize((size_t)model->numframes);
    for (int32_t f = 0; f < model->numframes; f++) {
        PoseFrame& frame = model->frames[f];
        CopyName(frame.name, f == 0 ? "rest" : ("walk" + std::to_string(f)).c_str());
        frame.poses.resize((size_t)SAMPLE_BONE_COUNT);
        for (int32_t i = 0; i < SAMPLE_BONE_COUNT; i++)
            frame.poses[i] =
                f == 0 ? AxisPose(0, 0, 0, 1, SAMPLE_BONES[i].offset, 0) : WalkPose(i, f);
    }

    model->nummeshes = SAMPLE_MESH_COUNT;
    model->meshes.resize((size_t)SAMPLE_MESH_COUNT);
    for (int32_t m = 0; m < SAMPLE_MESH_COUNT; m++) {
        SkelMesh& mesh = model->meshes[m];
        CopyName(mesh.meshname, SAMPLE_MESH_NAMES[m]);
        CopyName(mesh.skinname, SAMPLE_SKIN_NAME);
        FillMesh(&mesh, SampleShape(m), joint);
    }
}

std::vector<float> SampleRestPositions(int32_t mesh) {
    if (mesh < 0 || mesh >= SAMPLE_MESH_COUNT) return {};
    Shape shape = SampleShape(mesh);
    return std::vector<float>(shape.position.begin(), shape.position.end());
}

std::vector<uint8_t> BuildSampleSkinTGA() {
    std::vector<uint8_t> pixels;
    pixels.reserve(3 * TEXTURE_SIDE * TEXTURE_SIDE);
    for (int y = 0; y < TEXTURE_SIDE; y++)
        for (int x = 0; x < TEXTURE_SIDE; x++) {
            Rgb c = TexelColour(x, y);
            pixels.push_back((uint8_t)std::lround(c.r));
            pixels.push_back((uint8_t)std::lround(c.g));
            pixels.push_back((uint8_t)std::lround(c.b));
        }
    return EncodeTGA(TEXTURE_SIDE, TEXTURE_SIDE, 24, pixels.data());
}
