// Bone, mesh and skin renames and the selection accessors of the panels,
// exercised without a window: the GLUI controls are never built here.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "model/model.h"
#include "panels/bone_panel.h"
#include "panels/mesh_panel.h"
#include "panels/panels.h"
#include "session/session.h"
#include "tests/unit/test_panels_fixture.h"

namespace {

using PanelsNames = PanelsTest;

TEST_F(PanelsNames, BoneRenameCutsLongNamesAndPadsWithNul) {
    memset(model.bones[1].name, 'X', NAME_LEN - 1); // stale bytes past the new end
    model.bones[1].name[NAME_LEN - 1] = '\0';
    std::string longName(70, 'a');
    longName[0] = 'B';
    Printed([&] { RenameSelectedBone(longName.c_str()); });
    EXPECT_EQ(std::string(model.bones[1].name), longName.substr(0, 63));
    EXPECT_EQ(model.bones[1].name[63], '\0');

    Printed([] { RenameSelectedBone("Bo"); });
    EXPECT_STREQ(model.bones[1].name, "Bo");
    for (int i = 2; i < NAME_LEN; i++) EXPECT_EQ(model.bones[1].name[i], '\0') << "byte " << i;
}

TEST_F(PanelsNames, BoneRenameThatChangesNothingDoesNotRelist) {
    EXPECT_EQ(Printed([] { RenameSelectedBone("Lhip"); }), "");
    EXPECT_EQ(Printed([] { RenameSelectedBone(nullptr); }), "");
    EXPECT_STREQ(model.bones[1].name, "Lhip");

    // A long name whose first 63 characters are already stored is unchanged too.
    std::string longName(70, 'q');
    Printed([&] { RenameSelectedBone(longName.c_str()); });
    EXPECT_EQ(Printed([&] { RenameSelectedBone(longName.c_str()); }), "");

    // A one-character difference does relist.
    EXPECT_NE(Printed([] { RenameSelectedBone("qq"); }), "");
}

TEST_F(PanelsNames, MeshAndSkinRenamesCutAndPadWithNul) {
    memset(model.meshes[0].skinname, 'Z', NAME_LEN - 1);
    std::string longName(70, 'm');
    RenameSelectedMesh(longName.c_str());
    EXPECT_EQ(std::string(model.meshes[0].meshname), longName.substr(0, 63));
    RenameSelectedSkin("s");
    EXPECT_STREQ(model.meshes[0].skinname, "s");
    for (int i = 1; i < NAME_LEN; i++) ASSERT_EQ(model.meshes[0].skinname[i], '\0') << "byte " << i;
    EXPECT_STREQ(model.meshes[1].skinname, "skin_b.tga"); // only the selected mesh
    RenameSelectedMesh(nullptr);
    RenameSelectedSkin(nullptr);
    EXPECT_EQ(std::string(model.meshes[0].meshname), longName.substr(0, 63));
    EXPECT_STREQ(model.meshes[0].skinname, "s");
}

TEST_F(PanelsNames, NoBoneOrMeshAtTheSelectionGivesNullAndEmptyText) {
    CurrentModel = nullptr;
    EXPECT_EQ(GetSelectedBone(), nullptr);
    EXPECT_EQ(GetSelectedMesh(), nullptr);
    EXPECT_STREQ(GetSelectedBoneName(), "");
    EXPECT_STREQ(GetSelectedMeshName(), "");
    EXPECT_STREQ(GetSelectedSkinName(), "");
    EXPECT_EQ(Printed([] { RenameSelectedBone("x"); }), "");
    RenameSelectedMesh("x");
    RenameSelectedSkin("x");

    // A model with no meshes and no bones: renames leave it empty.
    SkelModel empty;
    CurrentModel = &empty;
    EXPECT_EQ(GetSelectedBone(), nullptr);
    EXPECT_EQ(GetSelectedMesh(), nullptr);
    EXPECT_EQ(Printed([] { RenameSelectedBone("x"); }), "");
    RenameSelectedMesh("x");
    RenameSelectedSkin("x");
    EXPECT_EQ(empty.numbones, 0);
    EXPECT_TRUE(empty.meshes.empty());
}

TEST_F(PanelsNames, SelectionOutOfRangeIsBroughtIntoRange) {
    // A one-bone model: the start selection 1 lies past its bones.
    model.numbones = 1;
    model.bones.resize(1);
    for (auto& f : model.frames) f.poses.resize(1);
    SelectedBone = 1;
    ASSERT_NE(GetSelectedBone(), nullptr);
    EXPECT_STREQ(GetSelectedBoneName(), "root");
    Printed([] { RenameSelectedBone("pelvis"); });
    EXPECT_STREQ(model.bones[0].name, "pelvis");

    SelectedMesh = 9;
    EXPECT_EQ(GetSelectedMesh(), &model.meshes[0]);
    SelectedMesh = -1;
    EXPECT_STREQ(GetSelectedMeshName(), "torso");
}

TEST_F(PanelsNames, RotateButtonTurnsBoneZeroByPitchYawRoll) {
    const BonePose frame0 = model.frames[0].poses[0];
    const BonePose child = model.frames[1].poses[1];

    RotateAngles[0] = 0;
    RotateAngles[1] = 90; // yaw
    RotateAngles[2] = 0;
    OnRotateButton(ROTATE_BUTTON_ID + 1);
    EXPECT_FLOAT_EQ(model.frames[1].poses[0].origin[0], 2.0f); // other ids do nothing

    OnRotateButton(ROTATE_BUTTON_ID);
    const BonePose& r = model.frames[1].poses[0];
    EXPECT_NEAR(r.origin[0], 0.0f, 1e-5);
    EXPECT_NEAR(r.origin[1], -2.0f, 1e-5);
    EXPECT_NEAR(r.origin[2], 0.0f, 1e-5);
    EXPECT_NEAR(r.quat[2], -0.707107f, 1e-5);
    EXPECT_NEAR(r.quat[3], 0.707107f, 1e-5);
    EXPECT_EQ(memcmp(&model.frames[0].poses[0], &frame0, sizeof frame0), 0);
    EXPECT_EQ(memcmp(&model.frames[1].poses[1], &child, sizeof child), 0);

    // Index 0 is pitch, about y: (2, 0, 0) turns towards +z.
    SetPanelsTestPose(&model.frames[1].poses[0], 2, 0, 0);
    RotateAngles[0] = 90;
    RotateAngles[1] = 0;
    OnRotateButton(ROTATE_BUTTON_ID);
    EXPECT_NEAR(model.frames[1].poses[0].origin[0], 0.0f, 1e-5);
    EXPECT_NEAR(model.frames[1].poses[0].origin[2], 2.0f, 1e-5);

    // Index 2 is roll, about x: (0, 2, 0) turns towards -z.
    SetPanelsTestPose(&model.frames[1].poses[0], 0, 2, 0);
    RotateAngles[0] = 0;
    RotateAngles[2] = 90;
    OnRotateButton(ROTATE_BUTTON_ID);
    EXPECT_NEAR(model.frames[1].poses[0].origin[1], 0.0f, 1e-5);
    EXPECT_NEAR(model.frames[1].poses[0].origin[2], -2.0f, 1e-5);

    CurrentModel = nullptr;
    OnRotateButton(ROTATE_BUTTON_ID); // no model: nothing to turn
}

} // namespace
