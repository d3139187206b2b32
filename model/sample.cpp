// The demo humanoid: a 26-bone skeleton facing +x with z up, a rest frame and
// an eight-frame walk cycle, and three box meshes skinned to it. Everything
// is computed from the tables below in double precision and stored as float,
// so the result is the same on every call. No state of its own.
#include "model/sample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>

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

// One box of a mesh: it spans from bone's joint to endbone's joint and is
// skinned to bone, with the far end shared half and half with endbone.
struct SampleBox {
    int32_t bone;
    int32_t endbone;
    double half; // half the box's thickness across the bone
};

struct SampleMesh {
    const char* meshname;
    const char* skinname;
    SampleBox boxes[6];
};

const SampleMesh SAMPLE_MESHES[] = {
    {"body",
     "boneloom_skin",
     {{0, 1, 4}, {1, 2, 3.5}, {2, 3, 3.5}, {3, 4, 4}, {4, 5, 1.5}, {5, 6, 3.5}}},
    {"arms",
     "boneloom_skin",
     {{9, 10, 1.5}, {10, 11, 1.3}, {11, 12, 1.2}, {14, 15, 1.5}, {15, 16, 1.3}, {16, 17, 1.2}}},
    {"legs",
     "boneloom_skin",
     {{18, 19, 2}, {19, 20, 1.8}, {20, 21, 1.5}, {22, 23, 2}, {23, 24, 1.8}, {24, 25, 1.5}}},
};

// The four corners of each face of a box, corner c at (c&1, c&2, c&4) of
// (x, y, z) max; wound outward by MakeBox.
const int BOX_FACES[6][4] = {{0, 2, 6, 4}, {1, 3, 7, 5}, {0, 1, 5, 4},
                             {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 5, 7, 6}};

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

void MakeBox(SkelMesh* mesh, const SampleBox& box, const double (*joint)[3]) {
    const double* a = joint[box.bone];
    const double* b = joint[box.endbone];
    double d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    int along = 0;
    for (int k = 1; k < 3; k++)
        if (std::fabs(d[k]) > std::fabs(d[along])) along = k;
    double lo[3], hi[3];
    for (int k = 0; k < 3; k++) {
        double pad = k == along ? 0 : box.half;
        lo[k] = std::min(a[k], b[k]) - pad;
        hi[k] = std::max(a[k], b[k]) + pad;
    }
    double center[3] = {(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2};
    double length2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];

    int32_t first = (int32_t)mesh->verts.size();
    double corner[8][3];
    for (int c = 0; c < 8; c++) {
        corner[c][0] = (c & 1) ? hi[0] : lo[0];
        corner[c][1] = (c & 2) ? hi[1] : lo[1];
        corner[c][2] = (c & 4) ? hi[2] : lo[2];
        // The normal of a corner points away from the box centre.
        double n[3] = {(c & 1) ? 1.0 : -1.0, (c & 2) ? 1.0 : -1.0, (c & 4) ? 1.0 : -1.0};
        double t = ((corner[c][0] - a[0]) * d[0] + (corner[c][1] - a[1]) * d[1] +
                    (corner[c][2] - a[2]) * d[2]) /
                   length2;
        int32_t bones[2] = {box.bone, box.endbone};
        int numweights = t > 0.5 ? 2 : 1;
        SkelVertex vertex;
        vertex.numweights = numweights;
        vertex.weights = nullptr;
        mesh->verts.push_back(vertex);
        for (int w = 0; w < numweights; w++) {
            BoneWeight weight;
            // Frame 0 has identity rotations, so a point's position in a
            // bone's space is its model position less the bone's joint.
            const double* j = joint[bones[w]];
            for (int k = 0; k < 3; k++) {
                weight.origin[k] = (float)(corner[c][k] - j[k]);
                weight.normal[k] = (float)(n[k] / std::sqrt(3.0));
            }
            weight.influence = numweights == 2 ? 0.5f : 1.0f;
            weight.bonenum = bones[w];
            mesh->weightpool.push_back(weight);
        }
        mesh->texcoords.push_back((c & 1) ? 1.0f : 0.0f);
        mesh->texcoords.push_back((c & 4) ? 1.0f : 0.0f);
    }
    for (const int* face : BOX_FACES) {
        // Wind each face counter-clockwise seen from outside.
        const double* p0 = corner[face[0]];
        const double* p1 = corner[face[1]];
        const double* p2 = corner[face[2]];
        double u[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
        double v[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
        double cross[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                           u[0] * v[1] - u[1] * v[0]};
        double out[3] = {p0[0] - center[0], p0[1] - center[1], p0[2] - center[2]};
        bool outward = cross[0] * out[0] + cross[1] * out[1] + cross[2] * out[2] > 0;
        int q[4] = {face[0], face[1], face[2], face[3]};
        if (!outward) std::swap(q[1], q[3]);
        const int tris[2][3] = {{q[0], q[1], q[2]}, {q[0], q[2], q[3]}};
        for (const auto& tri : tris)
            for (int k = 0; k < 3; k++) mesh->indices.push_back(first + tri[k]);
    }
}

} // namespace

void BuildSampleModel(SkelModel* model) {
    *model = SkelModel();

    model->numbones = SAMPLE_BONE_COUNT;
    model->bones.resize((size_t)SAMPLE_BONE_COUNT);
    double joint[SAMPLE_BONE_COUNT][3];
    for (int32_t i = 0; i < SAMPLE_BONE_COUNT; i++) {
        const SampleBone& src = SAMPLE_BONES[i];
        SkelBone& bone = model->bones[i];
        CopyName(bone.name, src.name);
        bone.parent = src.parent;
        bone.flags = src.flags;
        for (int k = 0; k < 3; k++)
            joint[i][k] = src.offset[k] + (src.parent >= 0 ? joint[src.parent][k] : 0);
    }

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

    model->nummeshes = (int32_t)(sizeof SAMPLE_MESHES / sizeof SAMPLE_MESHES[0]);
    model->meshes.resize((size_t)model->nummeshes);
    for (int32_t m = 0; m < model->nummeshes; m++) {
        const SampleMesh& src = SAMPLE_MESHES[m];
        SkelMesh& mesh = model->meshes[m];
        CopyName(mesh.meshname, src.meshname);
        CopyName(mesh.skinname, src.skinname);
        std::set<int32_t> used;
        for (const SampleBox& box : src.boxes) {
            MakeBox(&mesh, box, joint);
            used.insert(box.bone);
            used.insert(box.endbone);
        }
        mesh.numverts = (int32_t)mesh.verts.size();
        mesh.numtris = (int32_t)(mesh.indices.size() / 3);
        mesh.references.assign(used.begin(), used.end());
        mesh.numreferences = (int32_t)mesh.references.size();
        LinkVertexWeights(&mesh);
    }
}
