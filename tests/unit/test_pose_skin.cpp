// Skinning: hand-computed vertices on two bones at rest and turned, weights
// the skin must skip, vertices it must not draw, and the demo body skinned in
// every frame of its walk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <utility>

#include "demo/sample.h"
#include "tests/gltf/edge_models.h"
#include "tests/unit/test_pose_fixture.h"

namespace {

const float HALF = 0.70710678f; // sin and cos of 45 degrees

// Two bones; one mesh whose vertices are given as lists of weights.
SkelModel TwoBoneModel(const std::vector<std::vector<BoneWeight>>& vertices,
                       const std::vector<int32_t>& indices) {
    SkelModel model;
    SetBoneChain(&model, {"root", "arm"});
    SkelMesh* mesh = AddEdgeMesh(&model, "m", "s");
    for (const auto& weights : vertices) {
        mesh->verts.push_back(SkelVertex{(int32_t)weights.size(), nullptr});
        mesh->weightpool.insert(mesh->weightpool.end(), weights.begin(), weights.end());
        float n = 0.1f * (float)mesh->verts.size();
        mesh->texcoords.insert(mesh->texcoords.end(), {n, 1 - n});
    }
    mesh->numverts = (int32_t)mesh->verts.size();
    mesh->indices = indices;
    mesh->numtris = (int32_t)indices.size() / 3;
    FinishEdgeModel(&model);
    return model;
}

// Expects vertex v of out at model-space point (x, y, z): stored as (y, z, x).
void ExpectAt(const std::vector<float>& values, int v, float x, float y, float z,
              const char* what) {
    EXPECT_NEAR(values[3 * v + 0], y, 1e-5f) << what << " of vertex " << v;
    EXPECT_NEAR(values[3 * v + 1], z, 1e-5f) << what << " of vertex " << v;
    EXPECT_NEAR(values[3 * v + 2], x, 1e-5f) << what << " of vertex " << v;
}

const SkinKernel KERNELS[] = {SKIN_FASTEST, SKIN_PORTABLE};

TEST(PoseSkin, BlendsTwoBonesAtRestAndTurnedSkipsMissingBonesAndDropsUnweightedVertices) {
    SkelModel model = TwoBoneModel(
        {
            // 0: a quarter on the root, three quarters on the arm.
            {EdgeWeight(0, 0.25f, 1, 0, 0, 1, 0, 0), EdgeWeight(1, 0.75f, 0, 1, 0, 0, 1, 0)},
            // 1: half on the root, half on bone 7, which the skeleton lacks.
            {EdgeWeight(0, 0.5f, 2, 0, 0, 0, 0, 1), EdgeWeight(7, 0.5f, 9, 9, 9, 1, 0, 0)},
            // 2: no weight at all; 3: only a weight on bone -1; 4: on the arm,
            // normal of length 2; 5: a normal of length 0; 6-9: on the root, so
            // the normals are made unit length eight at a time and one at a time.
            {},
            {EdgeWeight(-1, 1, 1, 1, 1, 0, 0, 1)},
            {EdgeWeight(1, 1, 0, 0, 1, 0, 0, 2)},
            {EdgeWeight(0, 1, 0, 0, 0, 0, 0, 0)},
            {EdgeWeight(0, 1, 0, 0, 0, 0, 3, 4)},
            {EdgeWeight(0, 1, 0, 0, 0, 0, 3, 4)},
            {EdgeWeight(0, 1, 0, 0, 0, 0, 3, 4)},
            {EdgeWeight(0, 1, 0, 0, 0, 0, 3, 4)},
        },
        {0, 1, 4, /**/ 0, 2, 4, /**/ 1, 3, 4, /**/ 0, 1, 10, /**/ 4, 5, 0});
    // Model-space poses: at rest the arm sits 2 above the root; turned, the
    // root is a quarter turn about z at (1, 0, 0) and the arm a quarter turn
    // about x at (0, 3, 0).
    const BonePose rest[2] = {{{0, 0, 0, 1}, {0, 0, 0}}, {{0, 0, 0, 1}, {0, 0, 2}}};
    const BonePose turned[2] = {{{0, 0, HALF, HALF}, {1, 0, 0}}, {{HALF, 0, 0, HALF}, {0, 3, 0}}};
    const float n = 1.0f / std::sqrt(0.625f); // 1 / |(0.25, 0.75, 0)|

    for (SkinKernel kernel : KERNELS) {
        SCOPED_TRACE(kernel == SKIN_FASTEST ? "fastest" : "portable");
        SkinnedMesh out;
        ASSERT_TRUE(PoseSkinnedMeshWith(kernel, &model, 0, rest, 2, &out));
        ASSERT_EQ(out.positions.size(), 30u);
        ASSERT_EQ(out.normals.size(), 30u);
        ExpectAt(out.positions, 0, 0.25f, 0.75f, 1.5f, "rest position");
        ExpectAt(out.normals, 0, 0.25f * n, 0.75f * n, 0, "rest normal");
        ExpectAt(out.positions, 1, 1, 0, 0, "position without the missing bone");
        ExpectAt(out.normals, 1, 0, 0, 1, "normal without the missing bone");
        ExpectAt(out.positions, 2, 0, 0, 0, "unweighted position");
        ExpectAt(out.positions, 3, 0, 0, 0, "position on bone -1");
        ExpectAt(out.normals, 3, 0, 0, 0, "normal on bone -1");
        ExpectAt(out.positions, 4, 0, 0, 3, "position on the arm");
        ExpectAt(out.normals, 4, 0, 0, 1, "normal made unit length");
        ExpectAt(out.normals, 5, 0, 0, 0, "undefined normal");
        ExpectAt(out.normals, 7, 0, 0.6f, 0.8f, "normal made unit length in an eight");
        ExpectAt(out.normals, 9, 0, 0.6f, 0.8f, "normal made unit length past the eights");
        EXPECT_EQ(out.drawn, std::vector<uint8_t>({1, 1, 0, 0, 1, 1, 1, 1, 1, 1}));
        EXPECT_EQ(out.indices, std::vector<uint32_t>({0, 1, 4, 4, 5, 0}));
        EXPECT_EQ(out.texcoords, model.meshes[0].texcoords);

        // The same record again, turned: root x -> y, arm y -> z.
        ASSERT_TRUE(PoseSkinnedMeshWith(kernel, &model, 0, turned, 2, &out));
        ExpectAt(out.positions, 0, 0.25f, 2.5f, 0.75f, "turned position");
        ExpectAt(out.normals, 0, 0, 0.25f * n, 0.75f * n, "turned normal");
        ExpectAt(out.positions, 1, 0.5f, 1, 0, "turned position without the missing bone");
        ExpectAt(out.normals, 1, 0, 0, 1, "turned normal without the missing bone");
        ExpectAt(out.positions, 4, 0, 2, 0, "turned position on the arm");
        ExpectAt(out.normals, 4, 0, -1, 0, "turned normal on the arm");

        // Only the root posed: the arm counts as missing, so vertex 4 and the
        // triangles touching it go, although the record was laid out for two.
        ASSERT_TRUE(PoseSkinnedMeshWith(kernel, &model, 0, turned, 1, &out));
        ExpectAt(out.positions, 0, 0.25f, 0.25f, 0, "root share alone");
        EXPECT_EQ(out.drawn, std::vector<uint8_t>({1, 1, 0, 0, 0, 1, 1, 1, 1, 1}));
        EXPECT_TRUE(out.indices.empty());
    }

    SkinnedMesh out;
    EXPECT_FALSE(SkinMesh(&model, 1, rest, 2, &out)) << "no mesh 1";
    EXPECT_TRUE(out.positions.empty() && out.indices.empty());
    model.meshes[0].numtris = 6;
    EXPECT_FALSE(SkinMesh(&model, 0, rest, 2, &out)) << "counts that do not match the arrays";
}

float Distance(const std::vector<float>& p, uint32_t a, uint32_t b) {
    float d[3] = {p[3 * a] - p[3 * b], p[3 * a + 1] - p[3 * b + 1], p[3 * a + 2] - p[3 * b + 2]};
    return std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
}

TEST(PoseSkin, DemoBodyRestsWhereItWasLaidOutIsClosedAndKeepsItsShapeWhileWalking) {
    SkelModel model;
    BuildSampleModel(&model);
    std::vector<SkinnedMesh> rest = SkinFrame(model, 0);
    std::vector<SkinnedMesh> portable = SkinFrame(model, 0, SKIN_PORTABLE);
    for (int32_t m = 0; m < model.nummeshes; m++) {
        SCOPED_TRACE(model.meshes[m].meshname);
        std::vector<float> meant = SampleRestPositions(m);
        ASSERT_EQ(meant.size(), rest[m].positions.size());
        for (size_t v = 0; v < meant.size() / 3; v++) {
            ExpectAt(rest[m].positions, (int)v, meant[3 * v], meant[3 * v + 1], meant[3 * v + 2],
                     "rest position");
            for (int k = 0; k < 3; k++) {
                ASSERT_NEAR(portable[m].positions[3 * v + k], rest[m].positions[3 * v + k], 1e-4f);
                ASSERT_NEAR(portable[m].normals[3 * v + k], rest[m].normals[3 * v + k], 1e-5f);
            }
        }
        EXPECT_EQ(rest[m].indices.size(), 3 * (size_t)model.meshes[m].numtris) << "all drawn";

        // Closed: with copies at one place merged, every edge has two triangles.
        std::map<std::vector<long>, uint32_t> place;
        std::vector<uint32_t> same(meant.size() / 3);
        for (uint32_t v = 0; v < same.size(); v++) {
            std::vector<long> key = {std::lround(meant[3 * v] * 1000),
                                     std::lround(meant[3 * v + 1] * 1000),
                                     std::lround(meant[3 * v + 2] * 1000)};
            same[v] = place.emplace(key, v).first->second;
        }
        std::map<std::pair<uint32_t, uint32_t>, int> edges;
        const std::vector<uint32_t>& tris = rest[m].indices;
        for (size_t i = 0; i < tris.size(); i++) {
            uint32_t a = same[tris[i]], b = same[tris[i - i % 3 + (i + 1) % 3]];
            edges[{std::min(a, b), std::max(a, b)}]++;
        }
        for (const auto& edge : edges)
            ASSERT_EQ(edge.second, 2) << "edge " << edge.first.first << "-" << edge.first.second;
    }

    // Walking bends the joints without crushing or tearing them: every edge
    // keeps between half and twice its rest length, every normal unit length.
    for (int32_t f = 1; f < model.numframes; f++) {
        std::vector<SkinnedMesh> now = SkinFrame(model, f);
        for (int32_t m = 0; m < model.nummeshes; m++) {
            const std::vector<uint32_t>& tris = rest[m].indices;
            for (size_t i = 0; i < tris.size(); i++) {
                uint32_t a = tris[i], b = tris[i - i % 3 + (i + 1) % 3];
                float before = Distance(rest[m].positions, a, b);
                float after = Distance(now[m].positions, a, b);
                ASSERT_GT(after, 0.5f * before) << "frame " << f << " mesh " << m;
                ASSERT_LT(after, 2.0f * before) << "frame " << f << " mesh " << m;
            }
            for (size_t v = 0; v < now[m].normals.size(); v += 3) {
                const float* n = &now[m].normals[v];
                ASSERT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-5f);
            }
        }
    }
}

} // namespace

// The heat map's ramp at and between its stops, clamped outside 0..1; the
// magenta rule for vertices without a usable weight; and the colours laid out
// with the skinning, following the bone they are asked for.
TEST(PoseSkin, WeightColoursRampFromBlueToRedAndMarkVerticesWithoutUsableWeights) {
    struct {
        float influence;
        float rgb[3];
    } ramp[] = {
        {0.0f, {0, 0, 0.5f}},  {1.0f / 6, {0, 0.5f, 0.25f}},
        {1.0f / 3, {0, 1, 0}}, {0.5f, {0.5f, 1, 0}},
        {2.0f / 3, {1, 1, 0}}, {5.0f / 6, {1, 0.5f, 0}},
        {1.0f, {1, 0, 0}},     {1.7f, {1, 0, 0}},
        {-0.2f, {0, 0, 0.5f}}, {std::nanf(""), {1, 0, 1}},
    };
    for (const auto& row : ramp) {
        float rgb[3] = {-1, -1, -1};
        InfluenceColour(row.influence, rgb);
        for (int c = 0; c < 3; c++)
            EXPECT_NEAR(rgb[c], row.rgb[c], 1e-5f)
                << "influence " << row.influence << " channel " << c;
    }

    // Bone 1's influence on each vertex, or magenta (no usable weight).
    const float inf = std::numeric_limits<float>::infinity();
    SkelModel model = TwoBoneModel(
        {
            {EdgeWeight(1, 1, 0, 0, 0)}, // all on bone 1: red
            {EdgeWeight(0, 1, 0, 0, 0)}, // none on it: blue
            {EdgeWeight(1, 0.25f, 0, 0, 0), EdgeWeight(1, 0.25f, 0, 0, 0),
             EdgeWeight(0, 0.5f, 0, 0, 0)},                           // listed twice: 0.5
            {},                                                       // no weights
            {EdgeWeight(5, 1, 0, 0, 0)},                              // only a missing bone
            {EdgeWeight(1, 0, 0, 0, 0)},                              // influence 0 only
            {EdgeWeight(1, inf, 0, 0, 0), EdgeWeight(0, 1, 0, 0, 0)}, // infinity skipped
        },
        {0, 1, 2});
    const float want[][3] = {{1, 0, 0}, {0, 0, 0.5f}, {0.5f, 1, 0}, {1, 0, 1},
                             {1, 0, 1}, {1, 0, 1},    {0, 0, 0.5f}};
    const SkelMesh& mesh = model.meshes[0];
    for (int v = 0; v < mesh.numverts; v++) {
        float rgb[3];
        WeightColour(&mesh.verts[v], 1, model.numbones, rgb);
        for (int c = 0; c < 3; c++) EXPECT_NEAR(rgb[c], want[v][c], 1e-5f) << "vertex " << v;
    }

    // Laid out with the skinning: none unless asked, then bone 1's, then bone
    // 0's once the record is asked for it, and none again.
    std::vector<BonePose> pose(2, BonePose{{0, 0, 0, 1}, {0, 0, 0}});
    SkinnedMesh out;
    ASSERT_TRUE(PoseSkinnedMesh(&model, 0, pose.data(), 2, &out));
    EXPECT_TRUE(out.colours.empty());
    out.colour_bone = 1;
    ASSERT_TRUE(PoseSkinnedMesh(&model, 0, pose.data(), 2, &out));
    ASSERT_EQ(out.colours.size(), 4u * mesh.numverts);
    auto rgba = [&](int v) {
        const uint8_t* c = &out.colours[4 * v];
        return std::vector<int>{c[0], c[1], c[2], c[3]};
    };
    const std::vector<int> RED = {255, 0, 0, 255}, BLUE = {0, 0, 128, 255},
                           MAGENTA = {255, 0, 255, 255};
    EXPECT_EQ(rgba(0), RED);
    EXPECT_EQ(rgba(1), BLUE);
    EXPECT_EQ(rgba(2), (std::vector<int>{128, 255, 0, 255}));
    EXPECT_EQ(rgba(3), MAGENTA);
    out.colour_bone = 0;
    ASSERT_TRUE(PoseSkinnedMesh(&model, 0, pose.data(), 2, &out));
    EXPECT_EQ(rgba(0), BLUE);
    EXPECT_EQ(rgba(1), RED);
    // Bone 1 no longer exists for a pose of one bone: vertex 0 turns magenta.
    out.colour_bone = 1;
    ASSERT_TRUE(PoseSkinnedMesh(&model, 0, pose.data(), 1, &out));
    EXPECT_EQ(rgba(0), MAGENTA);
    out.colour_bone = -1;
    ASSERT_TRUE(PoseSkinnedMesh(&model, 0, pose.data(), 2, &out));
    EXPECT_TRUE(out.colours.empty());
}
