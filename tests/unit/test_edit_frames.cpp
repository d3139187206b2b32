// The editing core's names, arguments and frame operations: results against
// the frames they came from, and refusals that leave the model as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "edit/edit.h"
#include "tests/unit/test_skeleton.h"

namespace {

// Root x of each frame: MakePoseModel puts bone 0 of frame f at x = 10 f.
std::vector<int> RootXs(const SkelModel& model) {
    std::vector<int> xs;
    for (const PoseFrame& frame : model.frames) xs.push_back((int)frame.poses[0].origin[0]);
    EXPECT_EQ((size_t)model.numframes, model.frames.size());
    return xs;
}

std::vector<std::string> FrameNames(const SkelModel& model) {
    std::vector<std::string> names;
    for (const PoseFrame& frame : model.frames) names.push_back(frame.name);
    return names;
}

SkelModel WithMesh(SkelModel model) {
    model.nummeshes = 1;
    model.meshes.resize(1);
    CopyName(model.meshes[0].meshname, "body");
    CopyName(model.meshes[0].skinname, "skin");
    return model;
}

} // namespace

TEST(EditFrames, RangesAndArgumentsResolveOrRefuse) {
    const struct {
        const char* text;
        std::vector<int32_t> frames; // empty: refused
    } cases[] = {
        {"2", {2}},           {"1-3", {1, 2, 3}}, {"3-", {3, 4}}, {"4-2", {4, 3, 2}},
        {"0,0,4", {0, 0, 4}}, {"5", {}},          {"1-5", {}},    {"", {}},
        {"1,", {}},           {"-2", {}},         {"a", {}},      {"1-2-3", {}},
        {"9999999999", {}},
    };
    for (const auto& c : cases) {
        std::vector<int32_t> frames{77};
        std::string why;
        bool ok = ParseFrameRanges(c.text, 5, &frames, &why);
        EXPECT_EQ(ok, !c.frames.empty()) << c.text << ": " << why;
        if (ok) {
            EXPECT_EQ(frames, c.frames) << c.text;
        } else {
            EXPECT_FALSE(why.empty()) << c.text;
        }
    }

    SkelModel model = WithMesh(MakePoseModel({"root", "arm", "7"}, {-1, 0, 1}, 4));
    CopyName(model.frames[3].name, "walk");
    int32_t at = -1;
    std::string why;
    EXPECT_TRUE(FindBoneArg(&model, "1", &at, &why) && at == 1);
    EXPECT_TRUE(FindBoneArg(&model, "arm", &at, &why) && at == 1);
    EXPECT_TRUE(FindBoneArg(&model, "7", &at, &why) && at == 2); // past the end: a name
    EXPECT_TRUE(FindFrameArg(&model, "walk", &at, &why) && at == 3);
    EXPECT_TRUE(FindMeshArg(&model, "body", &at, &why) && at == 0);
    EXPECT_FALSE(FindBoneArg(&model, "leg", &at, &why));
    EXPECT_EQ(why, "no bone \"leg\"");
    EXPECT_FALSE(FindFrameArg(&model, "4", &at, &why));
    EXPECT_FALSE(FindMeshArg(&model, "1", &at, &why));
}

TEST(EditFrames, RenamesTakeWholeNamesAndRefuseLongOnes) {
    SkelModel model = WithMesh(MakePoseModel({"root", "arm"}, {-1, 0}, 2));
    std::string longest(63, 'n'), tooLong(64, 'x'), why;
    EXPECT_TRUE(RenameBone(&model, 1, longest.c_str(), &why));
    EXPECT_EQ(std::string(model.bones[1].name), longest);
    EXPECT_TRUE(RenameFrame(&model, 1, "step", &why));
    EXPECT_TRUE(RenameMesh(&model, 0, "torso", &why));
    EXPECT_TRUE(RenameSkin(&model, 0, "cloth", &why));
    EXPECT_STREQ(model.frames[1].name, "step");
    EXPECT_STREQ(model.meshes[0].meshname, "torso");
    EXPECT_STREQ(model.meshes[0].skinname, "cloth");

    // Refusals change nothing: a long name is not cut, a missing item not made.
    EXPECT_FALSE(RenameBone(&model, 0, tooLong.c_str(), &why));
    EXPECT_NE(why.find("64 bytes"), std::string::npos) << why;
    EXPECT_FALSE(RenameFrame(&model, 0, tooLong.c_str(), &why));
    EXPECT_FALSE(RenameMesh(&model, 0, tooLong.c_str(), &why));
    EXPECT_FALSE(RenameSkin(&model, 1, "x", &why));
    EXPECT_FALSE(RenameBone(&model, 2, "x", &why));
    EXPECT_STREQ(model.bones[0].name, "root");
    EXPECT_STREQ(model.frames[0].name, "frame0");
    EXPECT_STREQ(model.meshes[0].meshname, "torso");
    EXPECT_STREQ(model.meshes[0].skinname, "cloth");
}

TEST(EditFrames, KeepDropDuplicateAndDeleteMoveWholeFrames) {
    SkelModel model = MakePoseModel({"root", "arm"}, {-1, 0}, 5);
    std::string why;
    EXPECT_TRUE(KeepFrames(&model, {4, 1, 1, 3}, &why)) << why;
    EXPECT_EQ(RootXs(model), (std::vector<int>{40, 10, 10, 30}));
    EXPECT_EQ(FrameNames(model),
              (std::vector<std::string>{"frame4", "frame1", "frame1", "frame3"}));
    EXPECT_EQ(model.frames[2].poses[1].origin[0], 11.0f); // every bone came along

    EXPECT_TRUE(DropFrames(&model, {2, 0, 2}, &why)) << why;
    EXPECT_EQ(RootXs(model), (std::vector<int>{10, 30}));
    EXPECT_TRUE(DuplicateFrame(&model, 0, &why)) << why;
    EXPECT_EQ(RootXs(model), (std::vector<int>{10, 10, 30}));
    EXPECT_TRUE(DeleteFrame(&model, 2, &why)) << why;
    EXPECT_TRUE(DeleteFrame(&model, 0, &why)) << why;
    EXPECT_EQ(RootXs(model), (std::vector<int>{10}));

    // Refused, the one frame left untouched: no frame left, frames not there.
    EXPECT_FALSE(DeleteFrame(&model, 0, &why));
    EXPECT_FALSE(DropFrames(&model, {0}, &why));
    EXPECT_FALSE(KeepFrames(&model, {}, &why));
    EXPECT_FALSE(KeepFrames(&model, {0, 1}, &why));
    EXPECT_FALSE(DuplicateFrame(&model, 1, &why));
    EXPECT_EQ(RootXs(model), (std::vector<int>{10}));

    // The frame limit is checked before anything moves.
    SkelModel full = MakePoseModel({"root", "arm"}, {-1, 0}, 2);
    full.frames.resize(MAX_FRAMES, full.frames[1]);
    full.numframes = MAX_FRAMES;
    EXPECT_FALSE(DuplicateFrame(&full, 0, &why));
    EXPECT_EQ(full.frames.size(), (size_t)MAX_FRAMES);
    EXPECT_FALSE(KeepFrames(&full, std::vector<int32_t>(MAX_FRAMES + 1, 0), &why));
    EXPECT_EQ(full.frames[0].poses[0].origin[0], 0.0f);
}

TEST(EditFrames, SetBonePoseChangesOneBoneOfOneFrame) {
    SkelModel model = MakePoseModel({"root", "arm"}, {-1, 0}, 3);
    std::string why;
    BonePose pose{{0, 0, 1, 0}, {1, 2, 3}};
    EXPECT_TRUE(SetBonePose(&model, 2, 1, pose, &why)) << why;
    EXPECT_EQ(memcmp(&model.frames[2].poses[1], &pose, sizeof pose), 0);
    EXPECT_EQ(model.frames[1].poses[1].origin[0], 11.0f);
    EXPECT_EQ(model.frames[2].poses[0].origin[0], 20.0f);

    BonePose bad = pose;
    bad.origin[1] = NAN;
    EXPECT_FALSE(SetBonePose(&model, 1, 1, bad, &why));
    EXPECT_FALSE(SetBonePose(&model, 3, 1, pose, &why));
    EXPECT_FALSE(SetBonePose(&model, 1, 2, pose, &why));
    EXPECT_EQ(model.frames[1].poses[1].origin[1], 0.0f);

    // A model whose frames do not match its bones is refused, not indexed.
    model.frames[1].poses.pop_back();
    EXPECT_FALSE(SetBonePose(&model, 0, 1, pose, &why));
    EXPECT_FALSE(KeepFrames(&model, {0}, &why));
}
