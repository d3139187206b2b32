// The panels as the user meets them, on GLUI strips without a window: the
// "panel:" list switches panels, clicks and typing reach the Rotate spinners,
// the Rename boxes, the name edits, the Prev/Next buttons and the player.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/input.h"
#include "glui/glui_core.h"
#include "panels/bone_panel.h"
#include "panels/mesh_panel.h"
#include "panels/panels.h"
#include "panels/play_panel.h"
#include "panels/pose_panel.h"
#include "panels/rotate_panel.h"
#include "panels/undo.h"
#include "platform/display.h"
#include "tests/unit/test_model_helpers.h"
#include "tests/unit/test_panels_fixture.h"
#include "session/session.h"

namespace {

class PanelsStrip : public PanelsTest {
  protected:
    void SetUp() override {
        PanelsTest::SetUp();
        savedWindow = MainWindow;
        MainWindow = 0; // strips without a window
        GluiSetWindowSize(0, 640, 480);
        CurrentPanel = nullptr;
        CurrentPanelName[0] = '\0';
        PanelChoice = 0;
        RotateAngles[0] = RotateAngles[1] = RotateAngles[2] = 0;
        savedPlay = Play;
        Play = Playback{};
        BuildPanelSelector();
        selector = GLUI_Master.guis.back();
        BonePanelShown = MeshPanelShown = 1;
        SwitchPanel("Bone");
    }
    void TearDown() override {
        CloseAllStrips();
        ForgetAllPanels();
        MainWindow = savedWindow;
        PanelChoice = 0;
        Play = savedPlay;
        PanelsTest::TearDown();
    }

    // The nth control of a kind with a label in a strip (all when label is null).
    static GLUI_Control* Find(GLUI* g, GluiKind kind, const char* label, int nth = 0) {
        for (auto& c : g->controls)
            if (c->kind == kind && (!label || c->name == label) && nth-- == 0) return c.get();
        return nullptr;
    }
    // Lays out every strip and stacks them as the window would.
    static void Lay() { GluiArrangeStrips(0); }
    static void Click(GLUI_Control* c) {
        Lay();
        ClickStrip(c->glui, c->x + c->w / 2, c->y + c->h / 2);
        GluiProcessCloses();
    }
    // Clicks into a text box, replaces its text and presses Enter.
    static void Retype(GLUI_Control* c, const char* text) {
        Lay();
        GluiRect box = c->kind == GLUI_KIND_SPINNER
                           ? GluiSpinnerTextRect(static_cast<GLUI_Spinner*>(c))
                           : GluiFieldRect(c);
        ClickStrip(c->glui, box.x + box.w / 2, box.y + box.h / 2);
        GluiSpecial(GLUT_KEY_END);
        for (int i = 0; i < 80; i++) GluiKey(8);
        TypeKeys(text);
        GluiKey(13);
        GluiProcessCloses();
    }
    // Picks an item of the "panel:" list as a user does.
    void Choose(int item) {
        Lay();
        GluiOpenListbox(static_cast<GLUI_Listbox*>(Find(selector, GLUI_KIND_LISTBOX, "panel:")));
        GluiChooseDropdownItem(item);
        GluiProcessCloses();
    }
    static std::string EditText(GLUI_EditText* e) { return e->get_text(); }
    static GLUI_Spinner* Spinner(GLUI* g, const char* label) {
        return static_cast<GLUI_Spinner*>(Find(g, GLUI_KIND_SPINNER, label));
    }
    static GLUI_Checkbox* Checkbox(GLUI* g, const char* label, int nth = 0) {
        return static_cast<GLUI_Checkbox*>(Find(g, GLUI_KIND_CHECKBOX, label, nth));
    }

    GLUI* selector = nullptr;
    int savedWindow = 0;
    Playback savedPlay;
};

TEST_F(PanelsStrip, StartUpShowsSelectorAndBonePanel) {
    auto* list = static_cast<GLUI_Listbox*>(Find(selector, GLUI_KIND_LISTBOX, "panel:"));
    ASSERT_NE(list, nullptr);
    const char* labels[] = {"Bone", "Mesh", "Rotate", "Play", "Pose"};
    ASSERT_EQ(list->items.size(), 5u);
    for (int i = 0; i < 5; i++) EXPECT_EQ(list->items[i].text, labels[i]);
    EXPECT_EQ(GLUI_Master.guis.size(), 2u);

    ASSERT_NE(BonePanel, nullptr);
    EXPECT_EQ(CurrentPanel, BonePanel);
    EXPECT_STREQ(CurrentPanelName, "Bone");
    EXPECT_EQ(CurrentPanelShown, 1);
    EXPECT_EQ(CurrentPanelResize, &ResizeBonePanel);
    // One raised panel: edit, bar, Rename, bar, Prev, bar, Next.
    auto* frame = static_cast<GLUI_Panel*>(Find(BonePanel, GLUI_KIND_PANEL, "Bone"));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->type, GLUI_PANEL_RAISED);
    const GluiKind order[] = {GLUI_KIND_EDITTEXT, GLUI_KIND_COLUMN, GLUI_KIND_CHECKBOX,
                              GLUI_KIND_COLUMN,   GLUI_KIND_BUTTON, GLUI_KIND_COLUMN,
                              GLUI_KIND_BUTTON};
    ASSERT_EQ(frame->children.size(), 7u);
    for (int i = 0; i < 7; i++) EXPECT_EQ(frame->children[i]->kind, order[i]) << "child " << i;
    EXPECT_EQ(frame->children[0], BoneNameEdit);
    EXPECT_EQ(BoneNameEdit->name, "bone:");
    EXPECT_EQ(BoneNameEdit->font, GLUT_BITMAP_HELVETICA_10);
    EXPECT_FALSE(BoneNameEdit->enabled);
    EXPECT_EQ(EditText(BoneNameEdit), "Lhip");
    EXPECT_EQ(frame->children[2]->name, "Rename");
    EXPECT_EQ(frame->children[4]->name, "Prev");
    EXPECT_EQ(frame->children[6]->name, "Next");

    // The resize hook gives the edit its 256 x 20 box.
    CurrentPanelResize();
    EXPECT_EQ(BoneNameEdit->w_override, 256);
    EXPECT_EQ(BoneNameEdit->h_override, 20);
}

TEST_F(PanelsStrip, ListSwitchesPanelsAndIgnoresTheBuiltOne) {
    GLUI* bone = BonePanel;
    Choose(0); // "Bone" again: nothing is rebuilt
    EXPECT_EQ(CurrentPanel, bone);
    EXPECT_EQ(GLUI_Master.guis.size(), 2u);

    Choose(2);
    ASSERT_NE(RotatePanel, nullptr);
    EXPECT_EQ(CurrentPanel, RotatePanel);
    EXPECT_STREQ(CurrentPanelName, "Rotate");
    EXPECT_EQ(CurrentPanelResize, &ResizeRotatePanel);
    EXPECT_EQ(BonePanel, nullptr); // closed, and no pointer into it is kept
    EXPECT_EQ(BoneNameEdit, nullptr);
    ASSERT_EQ(GLUI_Master.guis.size(), 2u);
    EXPECT_EQ(GLUI_Master.guis[0], selector);
    EXPECT_EQ(GLUI_Master.guis[1], RotatePanel);

    // A Mesh panel built while its setting is 0 is hidden and not resized.
    MeshPanelShown = 0;
    Choose(1);
    EXPECT_EQ(CurrentPanel, MeshPanel);
    EXPECT_EQ(RotatePanel, nullptr);
    EXPECT_TRUE(MeshPanel->hidden);
    EXPECT_EQ(CurrentPanelShown, 0);
    EXPECT_EQ(CurrentPanelResize, &ResizeMeshPanel);
    CurrentPanelResize();
    EXPECT_EQ(SkinNameEdit->w_override, 256);
    EXPECT_EQ(SkinNameEdit->h_override, 20);
}

TEST_F(PanelsStrip, RotateSpinnersClampKeepTheirValuesAndDriveTheButton) {
    Choose(2);
    auto* yaw = Spinner(RotatePanel, "Yaw:");
    auto* pitch = Spinner(RotatePanel, "Pitch:");
    auto* roll = Spinner(RotatePanel, "Roll:");
    ASSERT_TRUE(yaw && pitch && roll);
    EXPECT_EQ(Find(RotatePanel, GLUI_KIND_SPINNER, nullptr, 0), yaw); // Yaw, Pitch, Roll
    EXPECT_EQ(Find(RotatePanel, GLUI_KIND_SPINNER, nullptr, 2), roll);

    Retype(yaw, "400");
    Retype(pitch, "12.5");
    Retype(roll, "-1000");
    EXPECT_EQ(RotateAngles[1], 360.0f);
    EXPECT_EQ(RotateAngles[0], 12.5f);
    EXPECT_EQ(RotateAngles[2], -360.0f);
    const BonePose before = model.frames[1].poses[0];
    EXPECT_EQ(memcmp(&model.frames[1].poses[0], &before, sizeof before), 0); // typing turns nothing

    // Away and back: the new spinners show the angles entered before.
    Choose(1);
    Choose(2);
    yaw = Spinner(RotatePanel, "Yaw:");
    roll = Spinner(RotatePanel, "Roll:");
    pitch = Spinner(RotatePanel, "Pitch:");
    EXPECT_EQ(GluiSpinnerValue(yaw), 360.0f);
    EXPECT_EQ(GluiSpinnerValue(pitch), 12.5f);
    EXPECT_EQ(GluiSpinnerValue(roll), -360.0f);

    Retype(yaw, "90");
    Retype(pitch, "0");
    Retype(roll, "0");
    auto* button = Find(RotatePanel, GLUI_KIND_BUTTON, "Rotate");
    ASSERT_NE(button, nullptr);
    Click(button);
    EXPECT_NEAR(model.frames[1].poses[0].origin[0], 0.0f, 1e-5);
    EXPECT_NEAR(model.frames[1].poses[0].origin[1], -2.0f, 1e-5);
    Click(button); // presses accumulate
    EXPECT_NEAR(model.frames[1].poses[0].origin[0], -2.0f, 1e-5);
    EXPECT_NEAR(model.frames[1].poses[0].origin[1], 0.0f, 1e-5);
    EXPECT_EQ(model.frames[0].poses[0].origin[0], 1.0f);
}

TEST_F(PanelsStrip, BoneRenameNeedsTheTickAndDoesNotSurviveASwitch) {
    auto* box = Find(BonePanel, GLUI_KIND_CHECKBOX, "Rename");
    Retype(BoneNameEdit, "Xhip"); // disabled: takes no input
    EXPECT_STREQ(model.bones[1].name, "Lhip");

    Click(box);
    EXPECT_EQ(BoneRenameOn, 1);
    EXPECT_TRUE(BoneNameEdit->enabled);
    std::string out = Printed([&] { Retype(BoneNameEdit, "Rhip"); });
    EXPECT_STREQ(model.bones[1].name, "Rhip");
    EXPECT_EQ(out, "New BONE NAMES list:\nroot\nRhip\nLknee\n");
    EXPECT_EQ(KeyActive[(unsigned char)'R'], 1);
    Click(box);
    EXPECT_FALSE(BoneNameEdit->enabled);

    Click(box);
    Choose(1);
    SelectedBone = 2;
    Choose(0);
    EXPECT_EQ(BoneRenameOn, 0);
    EXPECT_FALSE(BoneNameEdit->enabled);
    EXPECT_EQ(EditText(BoneNameEdit), "Lknee");
}

TEST_F(PanelsStrip, PrevNextWrapAndOnlyTheBuiltPanelFollows) {
    GLUI_Control* next = Find(BonePanel, GLUI_KIND_BUTTON, "Next");
    Click(next); // bone 1 -> 2 -> 0
    Click(next);
    EXPECT_EQ(SelectedBone, 0);
    EXPECT_EQ(EditText(BoneNameEdit), "root");
    Click(Find(BonePanel, GLUI_KIND_BUTTON, "Prev"));
    EXPECT_EQ(SelectedBone, 2);
    EXPECT_EQ(EditText(BoneNameEdit), "Lknee");

    Choose(1);
    EXPECT_EQ(EditText(MeshNameEdit), "torso");
    EXPECT_EQ(EditText(SkinNameEdit), "skin_a.tga");
    NextBone(); // the Right arrow with the Mesh panel built: selection only
    EXPECT_EQ(SelectedBone, 0);
    Click(Find(MeshPanel, GLUI_KIND_BUTTON, "Prev")); // mesh 0 -> 1
    EXPECT_EQ(SelectedMesh, 1);
    EXPECT_EQ(EditText(MeshNameEdit), "legs");
    EXPECT_EQ(EditText(SkinNameEdit), "skin_a.tga"); // the skin text stays
    Click(Find(MeshPanel, GLUI_KIND_BUTTON, "Next"));
    EXPECT_EQ(SelectedMesh, 0);
    EXPECT_EQ(EditText(MeshNameEdit), "torso");

    Choose(0);
    EXPECT_EQ(EditText(BoneNameEdit), "root");
}

TEST_F(PanelsStrip, MeshAndSkinEachUnlockOnlyTheirOwnEdit) {
    Choose(1);
    EXPECT_FALSE(MeshNameEdit->enabled);
    EXPECT_FALSE(SkinNameEdit->enabled);
    GLUI_Control* meshBox = Checkbox(MeshPanel, "Rename", 0);
    GLUI_Control* skinBox = Checkbox(MeshPanel, "Rename", 1);

    Click(meshBox);
    EXPECT_TRUE(MeshNameEdit->enabled);
    EXPECT_FALSE(SkinNameEdit->enabled);
    Retype(SkinNameEdit, "nope.tga");
    std::string out = Printed([&] { Retype(MeshNameEdit, "upper"); });
    EXPECT_EQ(out, "");
    EXPECT_STREQ(model.meshes[0].meshname, "upper");
    EXPECT_STREQ(model.meshes[0].skinname, "skin_a.tga");

    Click(skinBox);
    Click(Find(MeshPanel, GLUI_KIND_BUTTON, "Next"));
    Retype(SkinNameEdit, "lower.tga"); // goes to the mesh selected now
    EXPECT_STREQ(model.meshes[1].skinname, "lower.tga");
    EXPECT_STREQ(model.meshes[1].meshname, "legs");
    EXPECT_STREQ(model.meshes[0].skinname, "skin_a.tga");

    Choose(2);
    Choose(1);
    EXPECT_EQ(MeshRenameOn, 0);
    EXPECT_EQ(SkinRenameOn, 0);
    EXPECT_EQ(EditText(MeshNameEdit), "legs");
    EXPECT_EQ(EditText(SkinNameEdit), "lower.tga");
}

TEST_F(PanelsStrip, PlayPanelDrivesThePlayerWhichOutlivesIt) {
    model.numframes = 5; // frames 1 .. 4 play
    model.frames.resize(5, model.frames[1]);
    const std::vector<int32_t> channels(KeyFrame, KeyFrame + 256);
    const BonePose* keysPose = CurrentPose;
    TickTime = 1000;
    Choose(3);
    ASSERT_NE(PlayPanel, nullptr);
    EXPECT_EQ(CurrentPanel, PlayPanel);
    EXPECT_STREQ(CurrentPanelName, "Play");
    auto* button = Find(PlayPanel, GLUI_KIND_BUTTON, "Play");
    auto* stop = Find(PlayPanel, GLUI_KIND_BUTTON, "Stop");
    auto* frame = Spinner(PlayPanel, "frame:");
    auto* fps = Spinner(PlayPanel, "fps:");
    auto* loop = Checkbox(PlayPanel, "Loop");
    auto* smooth = Checkbox(PlayPanel, "Smooth");
    ASSERT_TRUE(button && stop && frame && fps && loop && smooth);
    EXPECT_EQ(GluiSpinnerValue(fps), 10.0f);
    EXPECT_EQ(GluiCheckboxValue(loop), 1);
    EXPECT_EQ(GluiCheckboxValue(smooth), 0);

    Click(button); // plays from frame 1 at 10 fps, the interval starting now
    EXPECT_EQ(Play.mode, PLAY_PLAYING);
    EXPECT_EQ(Play.frame, 1);
    EXPECT_EQ(button->name, "Pause");
    EXPECT_EQ(Play.steptime, 1000u);
    EXPECT_EQ(PlaybackFrameMillis(&Play), 100u);
    StepPlayback();
    StepPlayback();
    EXPECT_EQ(Play.frame, 3);
    EXPECT_EQ(GluiSpinnerValue(frame), 3.0f); // the spinner follows

    Click(button);
    EXPECT_EQ(Play.mode, PLAY_PAUSED);
    EXPECT_EQ(button->name, "Play");
    // The spinners reach the player, whose own limits the playback tests check.
    Retype(frame, "9"); // held at the last frame, still paused
    EXPECT_EQ(Play.frame, 4);
    EXPECT_EQ(Play.mode, PLAY_PAUSED);
    Retype(frame, "0");
    EXPECT_EQ(Play.frame, 0);
    Retype(fps, "0");
    EXPECT_EQ(Play.fps, 1);
    EXPECT_EQ(PlaybackFrameMillis(&Play), 1000u);
    Click(loop);
    Click(smooth);
    EXPECT_FALSE(Play.loop);
    EXPECT_TRUE(Play.smooth);

    // Away and back: still playing, and the rebuilt panel shows the player.
    Click(button);
    Choose(2);
    EXPECT_EQ(Play.mode, PLAY_PLAYING);
    StepPlayback();
    Choose(3);
    button = Find(PlayPanel, GLUI_KIND_BUTTON, "Pause");
    ASSERT_NE(button, nullptr);
    frame = Spinner(PlayPanel, "frame:");
    EXPECT_EQ(GluiSpinnerValue(frame), 1.0f);
    EXPECT_EQ(GluiSpinnerValue(Spinner(PlayPanel, "fps:")), 1.0f);
    EXPECT_EQ(GluiCheckboxValue(Checkbox(PlayPanel, "Loop")), 0);
    EXPECT_EQ(GluiCheckboxValue(Checkbox(PlayPanel, "Smooth")), 1);

    // Without Loop the player ends paused on the last frame.
    for (int i = 0; i < 5; i++) StepPlayback();
    EXPECT_EQ(Play.frame, 4);
    EXPECT_EQ(Play.mode, PLAY_PAUSED);
    EXPECT_EQ(button->name, "Play");

    Click(Find(PlayPanel, GLUI_KIND_BUTTON, "Stop"));
    EXPECT_EQ(Play.mode, PLAY_STOPPED);
    EXPECT_EQ(GluiSpinnerValue(frame), 1.0f);
    // The key channels never moved: same frames, no rebuild of their pose.
    EXPECT_EQ(std::vector<int32_t>(KeyFrame, KeyFrame + 256), channels);
    EXPECT_EQ(CurrentPose, keysPose);
}

} // namespace

namespace {

// The Pose panel and the Play panel's frame buttons, each edit undone and
// redone through the viewer's history and its keys.
class PanelsEdit : public PanelsStrip {
  protected:
    void SetUp() override {
        PanelsStrip::SetUp();
        memcpy(savedTurn, PoseTurn, sizeof savedTurn);
        memcpy(savedMove, PoseMove, sizeof savedMove);
        ForgetEdits();
    }
    void TearDown() override {
        ForgetEdits();
        memcpy(PoseTurn, savedTurn, sizeof savedTurn);
        memcpy(PoseMove, savedMove, sizeof savedMove);
        PanelsStrip::TearDown();
    }
    static std::string Undo() {
        return Printed([] { ShortcutKey(KEY_CTRL_Z, GLUT_ACTIVE_CTRL); });
    }
    static std::string Redo(int modifiers) {
        return Printed([=] { ShortcutKey(modifiers ? KEY_CTRL_Z : KEY_CTRL_Y, modifiers); });
    }
    static void ExpectPose(const BonePose& p, std::vector<float> want) {
        const float got[7] = {p.quat[0],   p.quat[1],   p.quat[2],  p.quat[3],
                              p.origin[0], p.origin[1], p.origin[2]};
        for (int i = 0; i < 7; i++) EXPECT_NEAR(got[i], want[i], 1e-5) << "value " << i;
    }
    float savedTurn[3] = {}, savedMove[3] = {};
};

TEST_F(PanelsEdit, PoseApplyResetAndFrameButtonsUndoAndRedo) {
    const Image skp0 = ExportImage(model, false);
    Choose(4);
    ASSERT_EQ(CurrentPanel, PosePanel);
    const char* labels[6] = {"turn X:", "turn Y:", "turn Z:", "move X:", "move Y:", "move Z:"};
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(Find(PosePanel, GLUI_KIND_SPINNER, nullptr, i)->name, labels[i]);
    EXPECT_EQ(PoseTitle->name, "Lhip, frame 1"); // the 'L' channel's frame

    // Apply: Lhip turned 90 degrees about z on its joint and moved along x;
    // its child follows at once.
    Retype(Spinner(PosePanel, "turn Z:"), "90");
    Retype(Spinner(PosePanel, "move X:"), "0.5");
    Click(Find(PosePanel, GLUI_KIND_BUTTON, "Apply"));
    const float h = 0.70710678f;
    ExpectPose(model.frames[1].poses[1], {0, 0, h, h, 2.5f, 1, 0});
    ExpectPose(CurrentPose[2], {0, 0, h, h, 2.5f, 3, 0}); // (4.5, 1) + (2, 2) turned
    EXPECT_TRUE(ModelUnsaved());
    const Image skp1 = ExportImage(model, false);

    NextBone();
    EXPECT_EQ(PoseTitle->name, "Lknee, frame 1");
    Click(Find(PosePanel, GLUI_KIND_BUTTON, "Reset")); // its frame-0 pose in frame 1
    EXPECT_EQ(memcmp(&model.frames[1].poses[2], &model.frames[0].poses[2], sizeof(BonePose)), 0);
    const Image skp2 = ExportImage(model, false);

    EXPECT_EQ(Undo(), "Undo: reset bone 2 in frame 1\n");
    EXPECT_EQ(ExportImage(model, false), skp1);
    EXPECT_EQ(Undo(), "Undo: pose bone 1 in frame 1\n");
    EXPECT_EQ(ExportImage(model, false), skp0);
    EXPECT_FALSE(ModelUnsaved());
    EXPECT_EQ(CurrentPose[2].origin[0], 6.0f); // the skeleton is back too: (2 + 2 + 2, 3)
    EXPECT_EQ(Redo(0), "Redo: pose bone 1 in frame 1\n");
    EXPECT_EQ(Redo(GLUT_ACTIVE_CTRL | GLUT_ACTIVE_SHIFT), "Redo: reset bone 2 in frame 1\n");
    EXPECT_EQ(ExportImage(model, false), skp2);
    EXPECT_EQ(Redo(0), "Nothing to redo\n");

    // Duplicate shows the copy; Delete never removes the last frame; the
    // player, the channels and the spinner stay on frames the model has.
    Choose(3);
    GLUI_Spinner* frame = Spinner(PlayPanel, "frame:");
    Retype(frame, "1");
    EXPECT_EQ(EditText(FrameNameEdit), "walk");
    Click(Find(PlayPanel, GLUI_KIND_BUTTON, "Duplicate"));
    ASSERT_EQ(model.numframes, 3);
    EXPECT_EQ(
        memcmp(model.frames[2].poses.data(), model.frames[1].poses.data(), 3 * sizeof(BonePose)),
        0);
    EXPECT_EQ(Play.frame, 2);
    EXPECT_EQ(GluiSpinnerValue(frame), 2.0f);
    EXPECT_EQ(frame->high, 2.0f);
    KeyFrame[(unsigned char)'L'] = 2;
    GLUI_Control* del = Find(PlayPanel, GLUI_KIND_BUTTON, "Delete");
    Click(del);
    Click(del);
    EXPECT_EQ(Printed([&] { Click(del); }).substr(0, 8), "Delete: ");
    ASSERT_EQ(model.numframes, 1);
    EXPECT_EQ(Play.frame, 0);
    EXPECT_EQ(frame->high, 0.0f);
    EXPECT_EQ(KeyFrame[(unsigned char)'L'], 0);
    EXPECT_EQ(EditText(FrameNameEdit), "base");

    Retype(FrameNameEdit, "nope"); // takes nothing until Rename is ticked
    Click(Checkbox(PlayPanel, "Rename"));
    Retype(FrameNameEdit, "only");
    EXPECT_STREQ(model.frames[0].name, "only");

    EXPECT_EQ(Undo(), "Undo: rename frame 0\n");
    EXPECT_EQ(EditText(FrameNameEdit), "base");
    EXPECT_EQ(Undo(), "Undo: delete frame 1\n");
    EXPECT_EQ(Undo(), "Undo: delete frame 2\n");
    EXPECT_EQ(frame->high, 2.0f);
    EXPECT_EQ(Undo(), "Undo: duplicate frame 1\n");
    EXPECT_EQ(ExportImage(model, false), skp2);
    EXPECT_EQ(frame->high, 1.0f);
    EXPECT_LE(Play.frame, 1);
    Undo();
    Undo();
    EXPECT_EQ(ExportImage(model, false), skp0);
    EXPECT_EQ(Undo(), "Nothing to undo\n");

    // Ctrl+Z and Ctrl+Y step no key channel, even one their codes start.
    Printed([] {
        RenameSelectedBone(
            "\x1a"
            "z");
    });
    const int32_t before = KeyFrame[KEY_CTRL_Z];
    EXPECT_EQ(ReleaseKey(KEY_CTRL_Z, 1), 1);
    EXPECT_EQ(KeyFrame[KEY_CTRL_Z], before);
    EXPECT_EQ(Undo(), "Undo: rename bone 2\nNew BONE NAMES list:\nroot\nLhip\nLknee\n");

    // Saving both files makes the model saved; one alone does not.
    Redo(0);
    NoteSKPSaved();
    EXPECT_TRUE(ModelUnsaved());
    NoteSKMSaved();
    EXPECT_FALSE(ModelUnsaved());
}

} // namespace
