// The editing core's operations that move things, each against its defining
// property: appended frames map bones by name, scaled vertices are S times as
// far in every frame, a removed bone's children and vertices stay put, and
// in-place removes travel only. Refusals leave the model as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "edit/edit.h"
#include "model/export.h"
#include "pose/rotation.h"
#include "tests/unit/test_pose_fixture.h"
#include "session/export.h"

namespace {

// Bones root(0) - mid(1) - {tip(2), toe(3)}, plus a second root spare(4);
// turned and moved differently in each of 3 frames; one mesh whose vertices
// hang on every bone, some on two. References list every bone.
SkelModel MakeRig() {
    SkelModel model = MakePoseModel({"root", "mid", "tip", "toe", "spare"}, {-1, 0, 1, 1, -1}, 3);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-1, 1);
    for (PoseFrame& frame : model.frames)
        for (BonePose& pose : frame.poses) {
            Quat q = {u(rng), u(rng), u(rng), u(rng)};
            NormalizeQuat(&q);
            SetPoseQuat(&pose, &q);
            for (float& v : pose.origin) v = 3 * u(rng);
        }
    model.nummeshes = 1;
    model.meshes.resize(1);
    SkelMesh& mesh = model.meshes[0];
    const std::vector<std::vector<int32_t>> on = {{0}, {1}, {1, 2}, {2}, {3, 1}, {4}, {0, 1}};
    mesh.numverts = (int32_t)on.size();
    mesh.verts.resize(on.size());
    mesh.texcoords.assign(2 * on.size(), 0);
    for (const auto& bones : on)
        for (int32_t b : bones)
            mesh.weightpool.push_back(BoneWeight{
                {u(rng), u(rng), u(rng)}, 1.0f / bones.size(), {u(rng), u(rng), u(rng)}, b});
    for (size_t v = 0; v < on.size(); v++) mesh.verts[v].numweights = (int32_t)on[v].size();
    EXPECT_TRUE(LinkVertexWeights(&mesh));
    mesh.numtris = 0;
    mesh.references = {0, 1, 2, 3, 4};
    mesh.numreferences = 5;
    return model;
}

void ExpectPosesNear(const BonePose& a, const BonePose& b, const std::string& where) {
    for (int i = 0; i < 4; i++) EXPECT_NEAR(a.quat[i], b.quat[i], 1e-5) << where;
    for (int i = 0; i < 3; i++) EXPECT_NEAR(a.origin[i], b.origin[i], 1e-4) << where;
}

// The exporters' images, as bytes: equal images mean an unchanged model.
std::string Images(const SkelModel& model) {
    std::string out;
    for (bool skm : {false, true}) {
        int64_t size = 0;
        std::string reason;
        bool built = skm ? BuildSKMImage(&model, OutputBuffer, MAX_FILESIZE, &size, &reason)
                         : BuildSKPImage(&model, OutputBuffer, MAX_FILESIZE, &size, &reason);
        EXPECT_TRUE(built) << reason;
        out.append((const char*)OutputBuffer, (size_t)size);
    }
    return out;
}

} // namespace

TEST(EditGeometry, AppendMapsBonesByNameAndFillsMissingOnesFromFrameZero) {
    SkelModel model = MakeRig();
    // The other clip: bones in another order, "tip" missing, "tail" extra.
    SkelModel other = MakePoseModel({"mid", "tail", "root", "toe", "spare"}, {-1, 0, 0, 0, 0}, 4);
    CopyName(other.frames[3].name, "jump");
    AppendCounts counts;
    std::string why;
    ASSERT_TRUE(AppendFrames(&model, &other, {3, 1}, &counts, &why)) << why;
    EXPECT_EQ(model.numframes, 5);
    EXPECT_EQ((std::vector<int32_t>{counts.frames, counts.matched, counts.filled, counts.ignored}),
              (std::vector<int32_t>{2, 4, 1, 1}));
    EXPECT_STREQ(model.frames[3].name, "jump");
    const int32_t from[5] = {2, 0, -1, 3, 4}; // our bone -> other's bone
    for (int32_t k = 0; k < 2; k++)
        for (int32_t b = 0; b < 5; b++) {
            const BonePose& want =
                from[b] < 0 ? model.frames[0].poses[b] : other.frames[k ? 1 : 3].poses[from[b]];
            EXPECT_EQ(memcmp(&model.frames[3 + k].poses[b], &want, sizeof want), 0)
                << "appended " << k << " bone " << b;
        }

    // Itself, all frames; then a refusal (a frame the other lacks) changes nothing.
    std::vector<int32_t> all{0, 1, 2, 3, 4};
    ASSERT_TRUE(AppendFrames(&model, &model, all, &counts, &why)) << why;
    EXPECT_EQ(model.numframes, 10);
    EXPECT_EQ(memcmp(&model.frames[8].poses[0], &model.frames[3].poses[0], sizeof(BonePose)), 0);
    EXPECT_EQ(counts.ignored, 0);
    std::string before = Images(model);
    EXPECT_FALSE(AppendFrames(&model, &other, {4}, &counts, &why));
    EXPECT_EQ(Images(model), before);
}

TEST(EditGeometry, ScaleMovesEveryVertexOfEveryFrameByExactlyS) {
    for (float s : {2.0f, 0.37f}) {
        SkelModel model = MakeRig(), original;
        original = model;
        std::string why;
        ASSERT_TRUE(ScaleModel(&model, s, &why)) << why;
        for (int32_t f = 0; f < 3; f++) {
            std::vector<SkinnedMesh> was = SkinFrame(original, f), now = SkinFrame(model, f);
            for (size_t i = 0; i < was[0].positions.size(); i++) {
                // A power of two scales every product and sum without rounding.
                if (s == 2.0f)
                    EXPECT_EQ(now[0].positions[i], 2.0f * was[0].positions[i]) << f << " " << i;
                else
                    EXPECT_NEAR(now[0].positions[i], s * was[0].positions[i], 1e-5);
                EXPECT_NEAR(now[0].normals[i], was[0].normals[i], 1e-6);
            }
        }
    }
    SkelModel model = MakeRig();
    model.frames[2].poses[3].origin[1] = 1e38f;
    std::string before = Images(model), why;
    for (float bad : {0.0f, -1.0f, NAN, INFINITY, 10.0f}) {
        EXPECT_FALSE(ScaleModel(&model, bad, &why)) << bad;
        EXPECT_EQ(Images(model), before) << bad;
    }
}

TEST(EditGeometry, DeletedBonesChildrenKeepTheirPosesAndItsVerticesStayPut) {
    // mid has a parent; root's weights go to its first child; spare is a root
    // whose children are none but whose weights are real: refused.
    for (int32_t bone : {1, 0}) {
        SkelModel model = MakeRig(), original;
        original = model;
        std::string why;
        ASSERT_TRUE(DeleteBone(&model, bone, &why)) << why;
        ASSERT_EQ(model.numbones, 4);
        auto newIndex = [bone](int32_t b) { return b > bone ? b - 1 : b; };
        for (int32_t f = 0; f < 3; f++) {
            std::vector<BonePose> was = FramePose(original, f), now = FramePose(model, f);
            for (int32_t b = 0; b < 5; b++)
                if (b != bone)
                    ExpectPosesNear(now[newIndex(b)], was[b],
                                    "bone " + std::to_string(b) + " frame " + std::to_string(f));
        }
        std::vector<SkinnedMesh> was = SkinFrame(original, 0), now = SkinFrame(model, 0);
        for (size_t i = 0; i < was[0].positions.size(); i++) {
            EXPECT_NEAR(now[0].positions[i], was[0].positions[i], 1e-4) << bone << " " << i;
            EXPECT_NEAR(now[0].normals[i], was[0].normals[i], 1e-5) << bone << " " << i;
        }
        // The first weight on the bone (pool entry 0 is on root, 1 on mid) went
        // to root for mid, and to mid, now bone 0, for root; so did tip.
        EXPECT_EQ(model.meshes[0].weightpool[bone].bonenum, 0);
        EXPECT_STREQ(model.bones[newIndex(2)].name, "tip");
        EXPECT_EQ(model.bones[newIndex(2)].parent, 0);
        EXPECT_EQ(model.bones[newIndex(4)].parent, -1);
        EXPECT_EQ(model.meshes[0].references, (std::vector<int32_t>{0, 1, 2, 3}));
    }

    SkelModel model = MakeRig();
    std::string before = Images(model), why;
    EXPECT_FALSE(DeleteBone(&model, 4, &why));
    EXPECT_NE(why.find("spare"), std::string::npos) << why;
    EXPECT_FALSE(DeleteBone(&model, 5, &why));
    SkelModel two = MakePoseModel({"a", "b"}, {-1, 0}, 1);
    EXPECT_FALSE(DeleteBone(&two, 1, &why));
    EXPECT_EQ(Images(model), before);
    // Without weights the childless root goes.
    for (BoneWeight& w : model.meshes[0].weightpool)
        if (w.bonenum == 4) w.bonenum = 3;
    EXPECT_TRUE(DeleteBone(&model, 4, &why)) << why;
    EXPECT_EQ(model.numbones, 4);
}

TEST(EditGeometry, InPlaceZeroesTravelKeepsHeightAndTurnAndLimitsAreCheckedUpFront) {
    SkelModel model = MakeRig(), original;
    original = model;
    std::string why;
    ASSERT_TRUE(MakeInPlace(&model, 0, &why)) << why;
    for (int32_t f = 0; f < 3; f++) {
        const BonePose &now = model.frames[f].poses[0], &was = original.frames[f].poses[0];
        EXPECT_EQ(now.origin[0], original.frames[0].poses[0].origin[0]);
        EXPECT_EQ(now.origin[1], original.frames[0].poses[0].origin[1]);
        EXPECT_EQ(now.origin[2], was.origin[2]);
        EXPECT_EQ(memcmp(now.quat, was.quat, sizeof now.quat), 0);
        EXPECT_EQ(memcmp(&model.frames[f].poses[1], &original.frames[f].poses[1], sizeof now), 0);
    }
    EXPECT_FALSE(MakeInPlace(&model, 2, &why));
    EXPECT_NE(why.find("not a root"), std::string::npos) << why;

    EXPECT_TRUE(CheckWriteLimits(&model, &why)) << why;
    std::vector<std::string> names;
    for (int i = 0; i < MAX_BONES + 1; i++) names.push_back("b" + std::to_string(i));
    SkelModel wide = MakePoseModel(names, {}, 1);
    EXPECT_FALSE(CheckWriteLimits(&wide, &why));
    names.pop_back();
    wide = MakePoseModel(names, {}, 1);
    EXPECT_TRUE(CheckWriteLimits(&wide, &why)) << why;
    // 256 bones take 7236 bytes a frame: 2317 frames pass 16 MB, 2316 fit.
    wide.frames.resize(2317, wide.frames[0]);
    wide.numframes = 2317;
    EXPECT_FALSE(CheckWriteLimits(&wide, &why));
    EXPECT_NE(why.find("SKP"), std::string::npos) << why;
    wide.frames.resize(2316);
    wide.numframes = 2316;
    EXPECT_TRUE(CheckWriteLimits(&wide, &why)) << why;
}
