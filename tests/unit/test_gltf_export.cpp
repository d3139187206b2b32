// The glTF export: rest-pose vertices against hand-computed values, joint
// weight selection, glTF skinning reproducing every pose frame of the demo
// model, the node tree, index types, refused models and name text.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>

#include "demo/sample.h"
#include "pose/rotation.h"
#include "tests/gltf/edge_models.h"
#include "tests/unit/test_pose_fixture.h"
#include "tools/gltf/gltf.h"

using nlohmann::json;

namespace {

// The accessor's values as doubles, whatever its component type.
std::vector<double> ReadAccessor(const GltfAsset& asset, int index) {
    const json& accessor = asset.doc["accessors"][index];
    const json& view = asset.doc["bufferViews"][accessor["bufferView"].get<int>()];
    static const std::map<std::string, size_t> WIDTH = {
        {"SCALAR", 1}, {"VEC2", 2}, {"VEC3", 3}, {"VEC4", 4}, {"MAT4", 16}};
    size_t count = accessor["count"].get<size_t>() * WIDTH.at(accessor["type"].get<std::string>());
    const unsigned char* at = asset.bin.data() + view["byteOffset"].get<size_t>();
    int type = accessor["componentType"];
    size_t size = type == 5126 || type == 5125 ? 4 : type == 5123 ? 2 : 1;
    EXPECT_LE(view["byteOffset"].get<size_t>() + count * size, asset.bin.size());
    std::vector<double> out(count);
    for (size_t i = 0; i < count; i++) {
        uint32_t bits = 0;
        for (size_t k = 0; k < size; k++) bits |= (uint32_t)at[i * size + k] << (8 * k);
        float f;
        memcpy(&f, &bits, 4);
        out[i] = type == 5126 ? f : bits;
    }
    return out;
}

GltfAsset Build(const SkelModel& model, float fps = 10) {
    GltfAsset asset;
    std::string reason;
    EXPECT_TRUE(BuildGltf(&model, fps, "m.skm", "m.skp", &asset, &reason)) << reason;
    return asset;
}

// Column-major 4x4 of a translation and a unit quaternion, by the textbook
// formula (kept apart from the code under test on purpose).
void PoseMatrix(const double* t, const double* q, double m[16]) {
    double x = q[0], y = q[1], z = q[2], w = q[3];
    double r[9] = {1 - 2 * (y * y + z * z), 2 * (x * y - z * w),     2 * (x * z + y * w),
                   2 * (x * y + z * w),     1 - 2 * (x * x + z * z), 2 * (y * z - x * w),
                   2 * (x * z - y * w),     2 * (y * z + x * w),     1 - 2 * (x * x + y * y)};
    for (int row = 0; row < 3; row++) {
        for (int col = 0; col < 3; col++) m[col * 4 + row] = r[row * 3 + col];
        m[12 + row] = t[row];
        m[row * 4 + 3] = 0;
    }
    m[15] = 1;
}

void Multiply(const double* a, const double* b, double* out) {
    for (int row = 0; row < 4; row++)
        for (int col = 0; col < 4; col++) {
            out[col * 4 + row] = 0;
            for (int k = 0; k < 4; k++) out[col * 4 + row] += a[k * 4 + row] * b[col * 4 + k];
        }
}

} // namespace

TEST(GltfExport, TwoBoneRestVertexMatchesHandComputedValues) {
    // Root at (1, 2, 3) turned 90 degrees about z; its child 4 along the
    // root's x, turned 90 degrees about x. Child in model space: at (1, 6, 3).
    SkelModel model;
    AddEdgeBone(&model, "root", -1);
    AddEdgeBone(&model, "child", 0);
    AddEdgeFrame(&model, "rest", {EdgePose(1, 2, 3, 90, 0, 0, 1), EdgePose(4, 0, 0, 90, 1, 0, 0)});
    SkelMesh* mesh = AddEdgeMesh(&model, "m", "s");
    // 0.25 of root's (1, 0, 0) -> (1, 3, 3); 0.75 of child's (0, 1, 0) -> (1, 6, 4).
    AddEdgeVertex(mesh,
                  {EdgeWeight(0, 0.25f, 1, 0, 0, 0, 0, 1), EdgeWeight(1, 0.75f, 0, 1, 0, 1, 0, 0)});
    AddEdgeVertex(mesh, {EdgeWeight(1, 1, 0, 0, 0)});
    AddEdgeVertex(mesh, {EdgeWeight(0, 1, 0, 0, 0)});
    AddEdgeTriangle(mesh, 0, 1, 2);
    FinishEdgeModel(&model);

    GltfAsset asset = Build(model);
    const json& attributes = asset.doc["meshes"][0]["primitives"][0]["attributes"];
    std::vector<double> position = ReadAccessor(asset, attributes["POSITION"]);
    std::vector<double> normal = ReadAccessor(asset, attributes["NORMAL"]);
    // In glTF's axes, model (x, y, z) is (y, z, x).
    const double want[9] = {5.25, 3.75, 1, 6, 3, 1, 2, 3, 1};
    for (int k = 0; k < 9; k++) EXPECT_NEAR(position[k], want[k], 1e-5) << k;
    // Normals: 0.25 (0, 0, 1) + 0.75 (0, 1, 0), made unit length.
    double n = std::sqrt(0.75 * 0.75 + 0.25 * 0.25);
    EXPECT_NEAR(normal[0], 0.75 / n, 1e-6);
    EXPECT_NEAR(normal[1], 0.25 / n, 1e-6);
    EXPECT_NEAR(normal[2], 0, 1e-6);
    // The bounds glTF asks of POSITION are those of the data, to the bit.
    const json& bounds = asset.doc["accessors"][attributes["POSITION"].get<int>()];
    for (int k = 0; k < 3; k++) {
        EXPECT_EQ(bounds["min"][k], std::min({position[k], position[3 + k], position[6 + k]}));
        EXPECT_EQ(bounds["max"][k], std::max({position[k], position[3 + k], position[6 + k]}));
    }
}

TEST(GltfExport, JointWeightsKeepTheFourStrongestBonesSummingToOne) {
    SkelModel model;
    BuildEdgeFiveInfluences(&model);
    const std::vector<SkelVertex>& verts = model.meshes[0].verts;
    JointWeights skin;
    int dropped = -1;

    // Five bones: 0.1 on bone 0 is the weakest and goes.
    EXPECT_EQ(PickJointWeights(&verts[0], &skin, &dropped), 4);
    EXPECT_EQ(dropped, 1);
    const int32_t joints[4] = {1, 3, 2, 4};
    const float influences[4] = {0.3f, 0.25f, 0.2f, 0.15f};
    float sum = 0;
    for (int k = 0; k < 4; k++) {
        EXPECT_EQ(skin.joints[k], joints[k]);
        EXPECT_NEAR(skin.weights[k], influences[k] / 0.9f, 1e-6);
        sum += skin.weights[k];
    }
    EXPECT_NEAR(sum, 1.0f, 2e-7f);

    // Two weights on one bone become one joint; a negative influence is dropped.
    EXPECT_EQ(PickJointWeights(&verts[1], &skin, nullptr), 1);
    EXPECT_EQ(skin.joints[0], 5);
    EXPECT_EQ(skin.weights[0], 1.0f);
    EXPECT_EQ(PickJointWeights(&verts[2], &skin, nullptr), 1);
    EXPECT_EQ(skin.joints[0], 2);
    for (int k = 1; k < 4; k++) EXPECT_TRUE(skin.joints[k] == 0 && skin.weights[k] == 0) << k;

    // No weights: bone 0 with all of it, and the vertex sits at the origin.
    BuildEdgeUnweighted(&model);
    const SkelVertex& bare = model.meshes[0].verts[4];
    EXPECT_EQ(PickJointWeights(&bare, &skin, nullptr), 0);
    EXPECT_TRUE(skin.joints[0] == 0 && skin.weights[0] == 1.0f);
    GltfAsset asset = Build(model);
    const json& attributes = asset.doc["meshes"][0]["primitives"][0]["attributes"];
    std::vector<double> position = ReadAccessor(asset, attributes["POSITION"]);
    std::vector<double> weights = ReadAccessor(asset, attributes["WEIGHTS_0"]);
    EXPECT_EQ(std::vector<double>(position.begin() + 12, position.begin() + 15),
              std::vector<double>({0, 0, 0}));
    EXPECT_EQ(std::vector<double>(weights.begin() + 16, weights.end()),
              std::vector<double>({1, 0, 0, 0}));
    ASSERT_EQ(asset.warnings.size(), 1u);
    EXPECT_NE(asset.warnings[0].find("1 vertex without a positive weight"), std::string::npos);
}

// glTF skinning (joint world matrices from the animation's keys times the
// inverse bind matrices, applied to the exported rest vertices) must put
// every vertex where the viewer's composer and skinner put it, in every frame.
TEST(GltfExport, SkinningTheExportReproducesEveryPoseFrame) {
    SkelModel model;
    BuildSampleModel(&model);
    GltfAsset asset = Build(model);
    const json& doc = asset.doc;
    int32_t bones = model.numbones;
    std::vector<int> parent(bones, -1);
    for (int32_t i = 0; i < bones; i++)
        for (const json& child : doc["nodes"][i].value("children", json::array()))
            parent[child.get<int>()] = i;
    std::vector<double> ibm = ReadAccessor(asset, doc["skins"][0]["inverseBindMatrices"]);
    const json& animation = doc["animations"][0];
    std::vector<std::vector<double>> translation(bones), rotation(bones);
    for (const json& channel : animation["channels"]) {
        int node = channel["target"]["node"];
        std::vector<double> keys =
            ReadAccessor(asset, animation["samplers"][channel["sampler"].get<int>()]["output"]);
        (channel["target"]["path"] == "rotation" ? rotation : translation)[node] = keys;
    }

    for (int32_t f = 0; f < model.numframes; f++) {
        std::vector<std::array<double, 16>> world(bones);
        for (int32_t i = 0; i < bones; i++) {
            double local[16];
            PoseMatrix(&translation[i][3 * f], &rotation[i][4 * f], local);
            if (parent[i] < 0)
                std::copy(local, local + 16, world[i].begin());
            else
                Multiply(world[parent[i]].data(), local, world[i].data());
        }
        std::vector<SkinnedMesh> want = SkinFrame(model, f); // in glTF's axes too
        for (size_t m = 0; m < model.meshes.size(); m++) {
            const json& attributes = doc["meshes"][m]["primitives"][0]["attributes"];
            std::vector<double> rest = ReadAccessor(asset, attributes["POSITION"]);
            std::vector<double> joints = ReadAccessor(asset, attributes["JOINTS_0"]);
            std::vector<double> weights = ReadAccessor(asset, attributes["WEIGHTS_0"]);
            for (int32_t v = 0; v < model.meshes[m].numverts; v++) {
                double skinned[3] = {0, 0, 0};
                for (int k = 0; k < 4; k++) {
                    int joint = (int)joints[4 * v + k];
                    double joined[16];
                    Multiply(world[joint].data(), &ibm[16 * joint], joined);
                    for (int r = 0; r < 3; r++)
                        skinned[r] += weights[4 * v + k] *
                                      (joined[r] * rest[3 * v] + joined[4 + r] * rest[3 * v + 1] +
                                       joined[8 + r] * rest[3 * v + 2] + joined[12 + r]);
                }
                for (int r = 0; r < 3; r++)
                    ASSERT_NEAR(skinned[r], want[m].positions[3 * v + r], 1e-3)
                        << "frame " << f << " mesh " << m << " vertex " << v;
            }
        }
    }
}

TEST(GltfExport, RootBonesStandTheSkeletonUprightInTheScene) {
    SkelModel model;
    BuildEdgeSeveralRoots(&model);
    model.bones[1].flags = 5;
    AddEdgeBone(&model, "late", 6); // a parent that is not an earlier bone: exported as a root
    for (PoseFrame& frame : model.frames) frame.poses.push_back(EdgePose(0, 0, 0));
    GltfAsset asset = Build(model);
    const json& nodes = asset.doc["nodes"];
    ASSERT_EQ(nodes.size(), 5u + 2);
    const char* names[5] = {"Left", "Lhand", "Right", "Rhand", "late"};
    for (int i = 0; i < 5; i++) EXPECT_EQ(nodes[i]["name"], names[i]);
    EXPECT_EQ(nodes[0]["children"], json({1}));
    EXPECT_EQ(nodes[2]["children"], json({3}));
    EXPECT_EQ(nodes[1]["extras"]["flags"], 5);
    // No node above the bones: the roots and the meshes are the scene.
    EXPECT_EQ(asset.doc["scenes"][0]["nodes"], json({0, 2, 4, 5, 6}));
    EXPECT_FALSE(asset.doc["skins"][0].contains("skeleton")); // three roots, no common one
    // Two meshes with one skin name share one material.
    ASSERT_EQ(asset.doc["materials"].size(), 1u);
    EXPECT_EQ(asset.doc["materials"][0]["name"], "twin_skin");
    EXPECT_EQ(asset.doc["meshes"][1]["primitives"][0]["material"], 0);
    EXPECT_NE(asset.warnings.at(0).find("bone 4 \"late\" has parent 6"), std::string::npos);

    // The turn model (x, y, z) -> glTF (y, z, x) sits in each root's pose:
    // "Left" at model (0, 3, 0) stands at glTF (3, 0, 0) and carries the turn
    // itself; "Lhand" keeps its pose relative to it.
    Quat q = {GLTF_AXIS_ROTATION[0], GLTF_AXIS_ROTATION[1], GLTF_AXIS_ROTATION[2],
              GLTF_AXIS_ROTATION[3]};
    Vec3 point = {1, 2, 3}, turned;
    RotatePoint(&q, &point, &turned);
    EXPECT_FLOAT_EQ(turned.x, 2);
    EXPECT_FLOAT_EQ(turned.y, 3);
    EXPECT_FLOAT_EQ(turned.z, 1);
    for (int k = 0; k < 3; k++) EXPECT_NEAR(nodes[0]["translation"][k], k == 0 ? 3 : 0, 1e-6);
    for (int k = 0; k < 4; k++) EXPECT_NEAR(nodes[0]["rotation"][k], GLTF_AXIS_ROTATION[k], 1e-6);
    EXPECT_EQ(nodes[1]["translation"], json({2, 0, 0}));
    // A one-root skeleton names its root as the skin's skeleton.
    BuildEdgeOneFrame(&model);
    EXPECT_EQ(Build(model).doc["skins"][0]["skeleton"], 0);
}

TEST(GltfExport, IndexTypesWidenOnlyPastTheirRange) {
    SkelModel model;
    BuildEdgeOneFrame(&model);
    GltfAsset small = Build(model);
    BuildEdgeWide(&model);
    GltfAsset wide = Build(model);
    auto types = [](const GltfAsset& asset) {
        const json& primitive = asset.doc["meshes"][0]["primitives"][0];
        return std::make_pair(
            asset.doc["accessors"][primitive["attributes"]["JOINTS_0"].get<int>()]["componentType"],
            asset.doc["accessors"][primitive["indices"].get<int>()]["componentType"]);
    };
    EXPECT_EQ(types(small), std::make_pair(json(5121), json(5123)));
    EXPECT_EQ(types(wide), std::make_pair(json(5123), json(5125)));
    std::vector<double> joints =
        ReadAccessor(wide, wide.doc["meshes"][0]["primitives"][0]["attributes"]["JOINTS_0"]);
    EXPECT_EQ(joints[4 * 297], 298); // vertex 297 hangs on bone 298, past a byte
}

TEST(GltfExport, RefusesWhatItCannotExportAndNamesTheFile) {
    const std::pair<std::function<void(SkelModel*)>, const char*> CASES[] = {
        {[](SkelModel* m) { m->meshes[0].weightpool[0].bonenum = 2; },
         "m.skm: mesh 0 \"shin\" vertex 0 weight 0 refers to bone 2"},
        {[](SkelModel* m) { m->meshes[0].indices[2] = 3; },
         "m.skm: mesh 0 \"shin\" triangle 0 uses vertex 3"},
        {[](SkelModel* m) { m->meshes[0].texcoords[1] = NAN; },
         "m.skm: mesh 0 \"shin\" vertex 0: texture"},
        {[](SkelModel* m) { m->frames.clear(), m->numframes = 0; },
         "m.skp: the model has no pose frames"},
        {[](SkelModel* m) { m->frames[0].poses.pop_back(); },
         "m.skp: frame 0 \"only\" holds 1 poses for 2 bones"},
        {[](SkelModel* m) { m->frames[0].poses[1].origin[2] = INFINITY; },
         "m.skp: frame 0 \"only\": the pose of bone 1"},
        {[](SkelModel* m) { m->bones.clear(), m->numbones = 0; }, "m.skp: the model has no bones"},
        {[](SkelModel* m) { m->meshes[0].references.push_back(0); },
         "m.skm: mesh 0 \"shin\": bone reference count"},
    };
    for (const auto& [mutate, message] : CASES) {
        SkelModel model;
        BuildEdgeOneFrame(&model);
        mutate(&model);
        GltfAsset asset;
        std::string reason;
        EXPECT_FALSE(BuildGltf(&model, 10, "m.skm", "m.skp", &asset, &reason)) << message;
        EXPECT_EQ(reason.rfind(message, 0), 0u) << reason;
    }
    SkelModel model;
    BuildEdgeOneFrame(&model);
    std::string reason;
    GltfAsset asset;
    EXPECT_FALSE(BuildGltf(&model, 0, "m.skm", "m.skp", &asset, &reason));
    EXPECT_FALSE(BuildGltf(&model, NAN, "m.skm", "m.skp", &asset, &reason));
}

TEST(GltfExport, ZeroRotationsBecomeIdentity) {
    SkelModel model;
    BuildEdgeOneFrame(&model);
    memset(model.frames[0].poses[1].quat, 0, sizeof model.frames[0].poses[1].quat);
    const float longer[4] = {0, 0, 0, 3}; // not unit length
    memcpy(model.frames[0].poses[0].quat, longer, sizeof longer);
    std::vector<BonePose> local;
    int zero = 0;
    GetLocalPoses(&model, 0, &local, &zero);
    EXPECT_EQ(zero, 1);
    EXPECT_EQ(std::vector<float>(local[1].quat, local[1].quat + 4),
              std::vector<float>({0, 0, 0, 1}));
    EXPECT_FLOAT_EQ(local[0].quat[3], 1);
}

TEST(GltfExport, NamesAreUtf8AndLatin1NamesAndSharedBoneNamesWarnOnce) {
    EXPECT_EQ(NameToUtf8("Zo\xc3\xab"), "Zo\xc3\xab");     // UTF-8 kept
    EXPECT_EQ(NameToUtf8("caf\xe9"), "caf\xc3\xa9");       // Latin-1 read as such
    EXPECT_EQ(NameToUtf8("\xc0\xaf"), "\xc3\x80\xc2\xaf"); // an overlong form is not UTF-8
    EXPECT_EQ(NameToUtf8("\xed\xa0\x80"), "\xc3\xad\xc2\xa0\xc2\x80"); // nor a surrogate
    char full[NAME_LEN];
    memset(full, 'a', sizeof full); // no terminator: read no further than the field
    EXPECT_EQ(NameToUtf8(full), std::string(NAME_LEN, 'a'));

    SkelModel model;
    BuildEdgeOneFrame(&model);
    CopyName(model.bones[1].name,
             "h\xfc"
             "fte"); // Latin-1 bone and frame names
    CopyName(model.frames[0].name, "pos\xe9");
    GltfAsset asset = Build(model);
    EXPECT_EQ(asset.doc["nodes"][1]["name"],
              "h\xc3\xbc"
              "fte");
    EXPECT_EQ(asset.doc["animations"][0]["extras"]["frames"][0], "pos\xc3\xa9");
    ASSERT_EQ(asset.warnings.size(), 1u);
    EXPECT_NE(asset.warnings[0].find("2 names are not UTF-8"), std::string::npos);
    EXPECT_NE(asset.warnings[0].find("bone 1 \"h\xc3\xbc"
                                     "fte\""),
              std::string::npos);

    BuildEdgeSeveralRoots(&model);
    CopyName(model.bones[3].name, "Lhand");
    asset = Build(model);
    ASSERT_EQ(asset.warnings.size(), 1u);
    EXPECT_NE(asset.warnings[0].find("bones 1 and 3 share the name \"Lhand\""), std::string::npos);
}
