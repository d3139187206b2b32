// boneloom-tool import against our own glTF export: the demo and edge models
// come back with the same bones, flags, names, frames and poses, and meshes
// whose skinned vertices match in every frame; a mesh past the vertex limit is
// split and skins the same; what the formats cannot hold is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "demo/sample.h"
#include "pose/rotation.h"
#include "tests/gltf/edge_models.h"
#include "tests/unit/test_model_helpers.h"
#include "tests/unit/test_pose_fixture.h"
#include "tools/gltf/gltf.h"
#include "tools/import/import.h"

namespace {

// A vertex at model point p in frame 0, each weight's origin p as its bone
// sees it there (glTF keeps one rest position per vertex).
void AddRestVertex(SkelMesh* mesh, const std::vector<BonePose>& rest, const float p[3],
                   std::vector<std::pair<int32_t, float>> bones, float s, float t) {
    SkelVertex vertex{(int32_t)bones.size(), nullptr};
    for (const auto& [bone, influence] : bones) {
        Quat back = GetPoseQuat(&rest[bone]);
        back.x = -back.x, back.y = -back.y, back.z = -back.z;
        Vec3 d = {p[0] - rest[bone].origin[0], p[1] - rest[bone].origin[1],
                  p[2] - rest[bone].origin[2]},
             origin;
        RotatePoint(&back, &d, &origin);
        mesh->weightpool.push_back(EdgeWeight(bone, influence, origin.x, origin.y, origin.z));
    }
    mesh->verts.push_back(vertex);
    mesh->texcoords.insert(mesh->texcoords.end(), {s, t});
    mesh->numverts = (int32_t)mesh->verts.size();
}

void BuildOneBone(SkelModel* model) {
    *model = SkelModel();
    AddEdgeBone(model, "solo", -1, 1);
    const char* names[7] = {"rest", "a", "b", "c", "d", "e", "f"};
    for (int f = 0; f < 7; f++)
        AddEdgeFrame(model, names[f], {EdgePose(f * 0.5f, 1, -f, 40.0 * f, 0.6, 0, 0.8)});
    SkelMesh* mesh = AddEdgeMesh(model, "slab", "slab_skin");
    AddEdgeQuad(mesh, 0, -1, 2, model->frames[0].poses[0]);
    FinishEdgeModel(model);
}

// 256 bones in a tree of three children each, names of 63 bytes, flags on
// some, 13 frames, and a mesh of three weights a vertex.
void BuildBigTree(SkelModel* model) {
    *model = SkelModel();
    for (int32_t i = 0; i < MAX_BONES; i++) {
        std::string name = "b" + std::to_string(i);
        if (i % 50 == 7) name += std::string(63 - name.size(), 'x');
        AddEdgeBone(model, name.c_str(), i == 0 ? -1 : (i - 1) / 3,
                    i % 9 == 4 ? 0x80000000u | i : 0);
    }
    for (int f = 0; f < 13; f++) {
        std::vector<BonePose> poses;
        for (int32_t i = 0; i < MAX_BONES; i++)
            poses.push_back(
                EdgePose(1 + i % 3, 0.5f * (i % 2), f * 0.1f, f * 9.0 - i % 40, 0, 0.6, -0.8));
        AddEdgeFrame(model, ("step" + std::to_string(f)).c_str(), poses);
    }
    std::vector<BonePose> rest = FramePose(*model, 0);
    SkelMesh* mesh = AddEdgeMesh(model, "crowd", "crowd_skin");
    for (int32_t v = 0; v < 600; v++) {
        const float p[3] = {(float)(v % 17), (float)(v % 5) - 2, (float)(v / 17) * 0.3f};
        AddRestVertex(mesh, rest, p,
                      {{v % 256, 0.5f}, {(v * 7 + 3) % 256, 0.3f}, {(v * 13 + 1) % 256, 0.2f}},
                      (float)(v % 4) / 4, (float)(v % 3) / 3);
    }
    for (int32_t v = 0; v + 2 < 600; v += 3) AddEdgeTriangle(mesh, v, v + 1, v + 2);
    FinishEdgeModel(model);
}

void WriteGlb(const SkelModel& model, const std::string& path) {
    GltfAsset asset;
    std::string reason;
    ASSERT_TRUE(BuildGltf(&model, 24, "m.skm", "m.skp", &asset, &reason)) << reason;
    std::vector<unsigned char> bytes = EncodeGlb(&asset);
    WriteWhole(path, bytes);
}

bool Import(const std::string& path, SkelModel* model, std::vector<std::string>* warnings,
            std::string* reason, double scale = 1) {
    ImportOptions options;
    options.scale = scale;
    warnings->clear();
    return ImportModel(path.c_str(), options, model, warnings, reason);
}

} // namespace

TEST(ImportRoundTrip, GltfThenImportGivesTheModelBack) {
    const std::pair<const char*, void (*)(SkelModel*)> MODELS[] = {
        {"demo", BuildSampleModel},       {"one bone", BuildOneBone},
        {"roots", BuildEdgeSeveralRoots}, {"one frame", BuildEdgeOneFrame},
        {"256 bones", BuildBigTree},
    };
    TempDir dir;
    for (const auto& [label, build] : MODELS) {
        SCOPED_TRACE(label);
        SkelModel want, got;
        build(&want);
        WriteGlb(want, dir.File("m.glb"));
        std::vector<std::string> warnings;
        std::string reason;
        ASSERT_TRUE(Import(dir.File("m.glb"), &got, &warnings, &reason)) << reason;
        EXPECT_TRUE(warnings.empty()) << warnings[0];

        ASSERT_EQ(got.numbones, want.numbones);
        for (int32_t i = 0; i < want.numbones; i++) {
            EXPECT_STREQ(got.bones[i].name, want.bones[i].name) << i;
            EXPECT_EQ(got.bones[i].parent < 0 ? -1 : got.bones[i].parent,
                      want.bones[i].parent < 0 ? -1 : want.bones[i].parent);
            EXPECT_EQ(got.bones[i].flags, want.bones[i].flags) << i;
        }
        ASSERT_EQ(got.numframes, want.numframes);
        ASSERT_EQ(got.nummeshes, want.nummeshes);
        for (int32_t m = 0; m < want.nummeshes; m++) {
            const SkelMesh &a = got.meshes[m], &b = want.meshes[m];
            EXPECT_STREQ(a.meshname, b.meshname);
            EXPECT_STREQ(a.skinname, b.skinname);
            ASSERT_EQ(a.numverts, b.numverts);
            EXPECT_EQ(a.indices, b.indices);
            for (size_t t = 0; t < a.texcoords.size(); t++)
                EXPECT_NEAR(a.texcoords[t], b.texcoords[t], 1e-6);
        }
        double poseError = 0, skinError = 0;
        for (int32_t f = 0; f < want.numframes; f++) {
            EXPECT_STREQ(got.frames[f].name, want.frames[f].name);
            for (int32_t i = 0; i < want.numbones; i++) {
                const BonePose &a = got.frames[f].poses[i], &b = want.frames[f].poses[i];
                for (int k = 0; k < 4; k++)
                    poseError = std::max({poseError, (double)std::fabs(a.quat[k] - b.quat[k]),
                                          k < 3 ? std::fabs(a.origin[k] - b.origin[k]) : 0.0});
            }
            std::vector<SkinnedMesh> a = SkinFrame(got, f), b = SkinFrame(want, f);
            for (int32_t m = 0; m < want.nummeshes; m++)
                for (size_t k = 0; k < b[m].positions.size(); k++)
                    skinError = std::max(skinError,
                                         (double)std::fabs(a[m].positions[k] - b[m].positions[k]));
        }
        EXPECT_LE(poseError, 1e-5);
        EXPECT_LE(skinError, 1e-4);
        printf(
            "round trip %-9s %3i bones, %2i frames, %i meshes: poses within %.1e, skinned "
            "vertices within %.1e\n",
            label, got.numbones, got.numframes, got.nummeshes, poseError, skinError);
    }
}

TEST(ImportLimits, SplitsAMeshPastTheVertexLimitAndRefusesWhatTheFormatsCannotHold) {
    TempDir dir;
    SkelModel want, got;
    AddEdgeBone(&want, "root", -1);
    AddEdgeBone(&want, "arm", 0);
    AddEdgeFrame(&want, "rest", {EdgePose(0, 0, 0), EdgePose(2, 0, 0)});
    AddEdgeFrame(&want, "bend", {EdgePose(0, 0, 1, 30), EdgePose(2, 0, 0, 45, 1, 0, 0)});
    std::vector<BonePose> rest = FramePose(want, 0);
    SkelMesh* mesh = AddEdgeMesh(&want, "field", "field_skin");
    const int32_t verts = MAX_VERTS + 3; // triangles of their own: one past both limits
    for (int32_t v = 0; v < verts; v++) {
        const float p[3] = {(float)(v % 101) * 0.1f, (float)(v / 101) * 0.01f, (float)(v % 3)};
        AddRestVertex(mesh, rest, p, {{0, 0.25f}, {1, 0.75f}}, 0, 0);
    }
    for (int32_t v = 0; v < verts; v += 3) AddEdgeTriangle(mesh, v, v + 1, v + 2);
    FinishEdgeModel(&want);
    WriteGlb(want, dir.File("big.glb"));
    std::vector<std::string> warnings;
    std::string reason;
    ASSERT_TRUE(Import(dir.File("big.glb"), &got, &warnings, &reason)) << reason;
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("split into 2 meshes"), std::string::npos) << warnings[0];
    ASSERT_EQ(got.nummeshes, 2);
    EXPECT_STREQ(got.meshes[1].meshname, "field_2");
    // The parts' triangles, in order, are the source's; each corner skins
    // where the source's corner does.
    std::vector<SkinnedMesh> parts = SkinFrame(got, 1), source = SkinFrame(want, 1);
    size_t corner = 0;
    for (int32_t m = 0; m < got.nummeshes; m++) {
        EXPECT_LE(got.meshes[m].numverts, MAX_VERTS);
        EXPECT_LE(got.meshes[m].numtris, MAX_TRIS);
        for (int32_t index : got.meshes[m].indices) {
            std::vector<double> a = ModelPoint(parts[m], index),
                                b = ModelPoint(source[0], want.meshes[0].indices[corner++]);
            for (int k = 0; k < 3; k++) ASSERT_NEAR(a[k], b[k], 1e-4) << corner;
        }
    }
    EXPECT_EQ(corner, want.meshes[0].indices.size());
    EXPECT_EQ(got.meshes[0].numverts + got.meshes[1].numverts, verts);

    // One bone more than an SKP file holds.
    std::vector<std::string> names;
    for (int32_t i = 0; i <= MAX_BONES; i++) names.push_back("c" + std::to_string(i));
    SkelModel many = MakePoseModel(names, {}, 1);
    AddEdgeQuad(AddEdgeMesh(&many, "m", "s"), 0, 0, 1, many.frames[0].poses[0]);
    FinishEdgeModel(&many);
    WriteGlb(many, dir.File("many.glb"));
    EXPECT_FALSE(Import(dir.File("many.glb"), &got, &warnings, &reason));
    EXPECT_NE(reason.find("many.glb: the skeleton has 257 bones"), std::string::npos) << reason;

    // Past 16 MB: the exporter's refusal, and neither file written.
    mesh = &want.meshes[0];
    mesh->weightpool.assign(MAX_FILESIZE / 32 + 1, EdgeWeight(0, 1, 0, 0, 0));
    mesh->verts[0].numweights = (int32_t)mesh->weightpool.size() - (verts - 1) * 2;
    LinkVertexWeights(mesh);
    EXPECT_FALSE(
        WriteImportedPair(&want, dir.File("o.skm").c_str(), dir.File("o.skp").c_str(), &reason));
    EXPECT_EQ(
        reason.rfind("unable to export SKM file \"" + dir.File("o.skm") + "\": the SKM image", 0),
        0u)
        << reason;
    EXPECT_NE(access(dir.File("o.skm").c_str(), F_OK), 0);
    EXPECT_NE(access(dir.File("o.skp").c_str(), F_OK), 0);
}
