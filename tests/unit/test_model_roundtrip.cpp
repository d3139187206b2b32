// Round trips: files laid out in any order with gaps load to the same model,
// and a loaded model exports to the same bytes; plus the demo model's
// promises and the model checks used by boneloom-tool check.
#include <algorithm>
#include <cmath>
#include <set>

#include "model/export.h"
#include "model/load.h"
#include "demo/sample.h"
#include "model/validate.h"
#include "pose/rotation.h"
#include "tests/unit/test_model_helpers.h"
#include "tests/unit/test_pose_fixture.h"

namespace {

Image ExportSKM(const SkelModel& model) { return ExportImage(model, true); }

Image ExportSKP(const SkelModel& model) { return ExportImage(model, false); }

} // namespace

TEST(ModelRoundTrip, ShuffledLayoutsWithGapsLoadFromDiskToTheSameModel) {
    SkelModel sample;
    BuildSampleModel(&sample);
    // Give the payload values the exporter must carry: an odd weight count,
    // names of 63 characters, float bits of every kind.
    CopyName(sample.meshes[1].meshname, std::string(70, 'm').c_str());
    sample.meshes[2].weightpool[5].influence = 1e-38f;
    sample.meshes[0].texcoords[3] = -123.25f;
    sample.bones[7].flags = 0xffffffffu;
    // A mesh whose vertex block, and frames whose poses, outgrow the
    // reader's window.
    SkelMesh& big = sample.meshes.emplace_back();
    CopyName(big.meshname, "big");
    big.numverts = 30000;
    big.verts.assign(30000, SkelVertex{0, nullptr});
    for (int32_t v = 0; v < big.numverts; v++) {
        big.verts[v].numweights = v % 3;
        for (int32_t w = 0; w < v % 3; w++)
            big.weightpool.push_back(BoneWeight{{(float)v, (float)w, 1}, 0.5f, {0, 0, 1}, w});
        big.texcoords.insert(big.texcoords.end(), {(float)v / 7.0f, 1});
    }
    big.numtris = 50;
    for (int32_t t = 0; t < 150; t++) big.indices.push_back(t * 31 % big.numverts);
    big.numreferences = 2;
    big.references = {0, 1};
    ASSERT_TRUE(LinkVertexWeights(&big));
    sample.nummeshes++;
    for (int32_t f = sample.numframes; f < 400; f++) {
        sample.frames.push_back(sample.frames[1 + f % 8]);
        sample.frames.back().poses[f % 26].origin[1] = (float)f;
    }
    sample.numframes = 400;
    Image reference = ExportSKM(sample);
    Image referencePose = ExportSKP(sample);

    TempDir dir;
    for (unsigned seed = 1; seed <= 4; seed++) {
        std::mt19937 rng(seed);
        WriteWhole(dir.File("w.skm"), LayOutSKM(sample, &rng, seed == 1 ? 0 : 5000));
        WriteWhole(dir.File("w.skp"), LayOutSKP(sample, &rng, seed == 1 ? 0 : 3000));
        SkelModel model;
        LoadReport report;
        ASSERT_EQ(
            LoadModelPair(dir.File("w.skm").c_str(), dir.File("w.skp").c_str(), &model, &report),
            LOAD_OK)
            << report.console;
        EXPECT_TRUE(report.problems.empty()) << report.problems.front();
        // Offsets differ, but the export of what was read is the reference.
        EXPECT_EQ(ExportSKM(model), reference) << "seed " << seed;
        EXPECT_EQ(ExportSKP(model), referencePose) << "seed " << seed;
    }
}

TEST(ModelRoundTrip, PlainCopiesAreDeepAndKeepTheirOwnWeights) {
    SkelModel sample;
    BuildSampleModel(&sample);
    SkelModel edited = sample;
    CopyName(edited.bones[3].name, "Torso");
    EXPECT_STREQ(sample.bones[3].name, "Chest") << "the copy is deep";

    // Copies made every way a caller may (construction, assignment, a list of
    // models that grows and reallocates) point into their own pools, so they
    // outlive the source.
    Image fromSample = ExportSKM(sample);
    SkelModel* source = new SkelModel;
    BuildSampleModel(source);
    SkelModel constructed(*source);
    SkelModel assigned;
    assigned = *source;
    std::vector<SkelModel> history;
    for (int i = 0; i < 5; i++) history.push_back(*source);
    SkelMesh lone;
    lone = source->meshes[1];
    // A vertex pointing outside its pool is not followed into the copy.
    source->meshes[0].verts[0].weights = &source->meshes[1].weightpool[0];
    SkelMesh stray = source->meshes[0];
    delete source;
    EXPECT_EQ(stray.verts[0].weights, nullptr);
    for (const SkelModel* copy : {&constructed, &assigned, &history.front(), &history.back()}) {
        for (const SkelMesh& mesh : copy->meshes)
            for (const SkelVertex& v : mesh.verts) {
                ASSERT_GE(v.weights, mesh.weightpool.data());
                ASSERT_LE(v.weights + v.numweights,
                          mesh.weightpool.data() + mesh.weightpool.size());
            }
        EXPECT_EQ(ExportSKM(*copy), fromSample);
    }
    ASSERT_EQ(lone.verts.size(), sample.meshes[1].verts.size());
    for (size_t v = 0; v < lone.verts.size(); v++)
        for (int32_t w = 0; w < lone.verts[v].numweights; w++)
            EXPECT_EQ(lone.verts[v].weights[w].influence,
                      sample.meshes[1].verts[v].weights[w].influence);

    SkelMesh shortPool = constructed.meshes[0];
    shortPool.weightpool.pop_back();
    EXPECT_FALSE(LinkVertexWeights(&shortPool));
}

TEST(ModelSample, IsAWalkingHumanoidWithValidSkin) {
    SkelModel model;
    BuildSampleModel(&model);
    ASSERT_GE(model.numbones, 20);
    ASSERT_LE(model.numbones, 40);
    ASSERT_EQ(model.bones.size(), (size_t)model.numbones);

    std::set<unsigned char> channels;
    int roots = 0, marked = 0;
    for (int32_t i = 0; i < model.numbones; i++) {
        const SkelBone& bone = model.bones[i];
        EXPECT_TRUE(ParentIsValid(&model, i)) << bone.name;
        if (bone.parent < 0) roots++;
        if (bone.flags & 1) marked++;
        channels.insert((unsigned char)bone.name[0]);
    }
    EXPECT_LT(model.bones[0].parent, 0);
    EXPECT_EQ(roots, 1) << "bone 0 is the single root";
    EXPECT_GE(channels.size(), 4u);
    EXPECT_GE(marked, 2);
    EXPECT_LE(marked, model.numbones / 4);

    std::vector<std::string> problems;
    CheckModel(&model, "s.skm", "s.skp", &problems);
    EXPECT_TRUE(problems.empty()) << problems.front();

    // At least 8 frames after the rest pose, each moving some bone by a
    // visible amount (a cube's edge is 1) from the frame before it.
    ASSERT_GE(model.numframes, 9);
    for (int32_t f = 1; f < model.numframes; f++) {
        std::vector<BonePose> now = FramePose(model, f);
        std::vector<BonePose> before = FramePose(model, f == 1 ? model.numframes - 1 : f - 1);
        float most = 0;
        for (int32_t i = 0; i < model.numbones; i++) {
            float d = 0;
            for (int k = 0; k < 3; k++)
                d += (now[i].origin[k] - before[i].origin[k]) *
                     (now[i].origin[k] - before[i].origin[k]);
            most = std::max(most, std::sqrt(d));
        }
        EXPECT_GT(most, 1.0f) << "frame " << f;
        for (const BonePose& p : model.frames[f].poses) {
            float len = std::sqrt(p.quat[0] * p.quat[0] + p.quat[1] * p.quat[1] +
                                  p.quat[2] * p.quat[2] + p.quat[3] * p.quat[3]);
            EXPECT_NEAR(len, 1.0f, 1e-5f);
        }
    }

    // Frame 0 is the rest pose: every weight of a vertex, taken from its
    // bone's space to model space, lands on the same point. (That every
    // vertex has weights adding up to 1 is CheckSkinWeights' finding below.)
    std::vector<BonePose> rest = FramePose(model, 0);
    for (const SkelMesh& mesh : model.meshes) {
        ASSERT_GT(mesh.numtris, 0);
        std::set<int32_t> used;
        for (int32_t v = 0; v < mesh.numverts; v++) {
            Vec3 first{};
            for (int32_t w = 0; w < mesh.verts[v].numweights; w++) {
                const BoneWeight& weight = mesh.verts[v].weights[w];
                const BonePose& bone = rest[weight.bonenum];
                used.insert(weight.bonenum);
                Quat q = GetPoseQuat(&bone);
                Vec3 local{weight.origin[0], weight.origin[1], weight.origin[2]}, p;
                RotatePoint(&q, &local, &p);
                p = {p.x + bone.origin[0], p.y + bone.origin[1], p.z + bone.origin[2]};
                if (w == 0) first = p;
                EXPECT_NEAR(p.x, first.x, 1e-4f);
                EXPECT_NEAR(p.y, first.y, 1e-4f);
                EXPECT_NEAR(p.z, first.z, 1e-4f);
            }
        }
        std::set<int32_t> refs(mesh.references.begin(), mesh.references.end());
        EXPECT_EQ(refs, used) << mesh.meshname << ": references are the bones its weights use";
    }
}

TEST(ModelSample, IsTheSameOnEveryBuild) {
    SkelModel a, b;
    BuildSampleModel(&a);
    BuildSampleModel(&b);
    EXPECT_EQ(ExportSKM(a), ExportSKM(b));
    EXPECT_EQ(ExportSKP(a), ExportSKP(b));
    // Building over a model that held something else gives the same result.
    SkelModel reused;
    CopyName(reused.bones.emplace_back().name, "old");
    reused.numbones = 1;
    BuildSampleModel(&reused);
    EXPECT_EQ(ExportSKP(reused), ExportSKP(a));
}

TEST(ModelCheck, ReportsEachBrokenRuleOnce) {
    SkelModel sample;
    BuildSampleModel(&sample);
    struct Breakage {
        void (*apply)(SkelModel*);
        const char* expected;
    };
    const Breakage cases[] = {
        {[](SkelModel* m) {
             m->numbones = 1;
             m->bones.resize(1);
             for (PoseFrame& f : m->frames) f.poses.resize(1);
             m->nummeshes = 0;
             m->meshes.clear();
         },
         "s.skp: the model has 1 bones; at least 2 are needed"},
        {[](SkelModel* m) {
             m->numframes = 0;
             m->frames.clear();
         },
         "s.skp: the model has no frames"},
        {[](SkelModel* m) { m->frames[3].poses.pop_back(); },
         "s.skp: frame 3 has 25 poses for 26 bones"},
        {[](SkelModel* m) { m->meshes[1].verts[3].weights[0].bonenum = 26; },
         "s.skm: mesh 1 has 1 weights on bones outside 0..25 (first: vertex 3, bone 26)"},
        {[](SkelModel* m) {
             m->meshes[0].indices[7] = 669;
             m->meshes[0].indices[30] = -1;
         },
         "s.skm: mesh 0 has 2 triangle indices outside 0..668 (first: triangle 2, index 669)"},
        {[](SkelModel* m) { m->meshes[2].references[0] = 300; },
         "s.skm: mesh 2 has 1 bone references outside 0..25 (first: 300)"},
        {[](SkelModel* m) { memset(m->bones[4].name, 'z', NAME_LEN); },
         "s.skp: the name of bone 4 has no terminating NUL"},
        {[](SkelModel* m) { memset(m->meshes[0].skinname, 'z', NAME_LEN); },
         "s.skm: the skin name of mesh 0 has no terminating NUL"},
        {[](SkelModel* m) { m->meshes[0].numtris = 100000; },
         "s.skm: the counts of mesh 0 do not match its arrays"},
        {[](SkelModel* m) { m->meshes[1].verts[2].weights = nullptr; },
         "s.skm: mesh 1 has 1 vertices whose weights lie outside its weight pool (first: vertex "
         "2)"},
        {[](SkelModel* m) { m->frames.push_back(m->frames[0]); }, "s.skp: the frame count "},
    };
    for (const Breakage& b : cases) {
        SkelModel model = sample;
        b.apply(&model);
        std::vector<std::string> problems;
        CheckModel(&model, "s.skm", "s.skp", &problems);
        ASSERT_EQ(problems.size(), 1u)
            << b.expected << (problems.empty() ? "" : "\nfirst: " + problems[0]);
        EXPECT_EQ(problems[0].rfind(b.expected, 0), 0u) << problems[0];
    }
}

TEST(ModelCheck, SkinWeightFindingsCountPerMeshProblemsAndNotes) {
    SkelModel model;
    BuildSampleModel(&model);
    std::vector<std::string> problems, notes;
    CheckSkinWeights(&model, "s.skm", &problems, &notes);
    EXPECT_TRUE(problems.empty() && notes.empty()) << "the demo is clean";
    ModelStats before = GatherModelStats(&model);
    EXPECT_EQ(before.off_sum, 0);
    EXPECT_EQ(before.meshes, 3);
    EXPECT_EQ(before.bones, model.numbones);
    EXPECT_EQ(before.frames, model.numframes);
    EXPECT_GE(before.most_influences, 1);
    EXPECT_GE(before.weights, before.vertices);

    auto scale = [](SkelVertex* v, float f) {
        for (int32_t w = 0; w < v->numweights; w++) v->weights[w].influence *= f;
    };
    SkelMesh& body = model.meshes[0];
    int32_t dropped = body.verts[5].numweights;
    body.verts[5].numweights = 0;
    for (int32_t w = 0; w < body.verts[9].numweights; w++) body.verts[9].weights[w].bonenum = 99;
    SkelMesh& arms = model.meshes[1];
    scale(&arms.verts[2], 0.5f);
    arms.verts[7].weights[0].influence += 0.01f;
    arms.verts[8].weights[0].influence += 0.0005f; // within the tolerance
    SkelMesh& legs = model.meshes[2];
    // Half of the last vertex on a missing bone: the viewer draws the half left.
    ASSERT_EQ(legs.verts.back().numweights, 1);
    legs.weightpool.back().influence = 0.5f;
    legs.weightpool.push_back(legs.weightpool.back());
    legs.weightpool.back().bonenum = -1;
    legs.verts.back().numweights = 2;
    ASSERT_TRUE(LinkVertexWeights(&legs));
    legs.verts[4].weights[0].influence = std::nanf("");
    // Five weights on one vertex; a mesh whose counts outrun its arrays is
    // counted only as far as the arrays go.
    arms.weightpool.insert(arms.weightpool.end(), 5, arms.weightpool[0]);
    for (int w = 0; w < 5; w++) arms.weightpool.end()[-1 - w].influence = 0.2f;
    arms.verts.push_back(SkelVertex{5, nullptr});
    arms.numverts++;
    arms.texcoords.insert(arms.texcoords.end(), {0, 0});
    ASSERT_TRUE(LinkVertexWeights(&arms));
    ModelStats after = GatherModelStats(&model);
    EXPECT_EQ(after.vertices, before.vertices + 1);
    EXPECT_EQ(after.weights, before.weights - dropped + 1 + 5);
    EXPECT_EQ(after.most_influences, std::max(before.most_influences, 5));
    EXPECT_EQ(after.off_sum, 4) << "the sums 0.5, 1.01, 0.5 and NaN";
    legs.numtris += 1000;
    EXPECT_EQ(GatherModelStats(&model).triangles, after.triangles);
    legs.numtris -= 1000;

    CheckSkinWeights(&model, "s.skm", &problems, &notes);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0],
              "s.skm: mesh 0 has 2 vertices without a weight on an existing bone, not drawn "
              "(first: vertex 5)");
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0],
              "s.skm: note: mesh 1 has 2 vertices whose influences do not add up to 1 (first: "
              "vertex 2, sum 0.5)");
    EXPECT_EQ(notes[1].rfind("s.skm: note: mesh 2 has 2 vertices whose influences do not add up "
                             "to 1 (first: vertex 4, sum ",
                             0),
              0u)
        << notes[1];
}
