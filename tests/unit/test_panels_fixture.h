// Shared by the panels and control-layer tests: a user's clicks and typing on
// strips without a window, and the end of every strip after a test; a small
// model and a fixture that installs it as CurrentModel and puts every global
// the panels touch back afterwards (those of model/ and pose/ through one
// snapshot).
#pragma once

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "glui/glui_core.h"
#include "model/model.h"
#include "panels/panels.h"
#include "panels/rotate_panel.h"
#include "session/session.h"
#include "tests/unit/test_session_globals.h"
#include "tests/unit/test_skeleton.h"

// A left click at strip pixel (x, y): press and release.
inline void ClickStrip(GLUI* strip, int x, int y) {
    GluiMouse(strip, GLUT_LEFT_BUTTON, GLUT_DOWN, x, y);
    GluiMouse(strip, GLUT_LEFT_BUTTON, GLUT_UP, x, y);
}

inline void TypeKeys(const char* text) {
    for (const char* p = text; *p; p++) GluiKey((unsigned char)*p);
}

// Ends any edit and drop-down, deletes every strip and forgets the window.
inline void CloseAllStrips() {
    GluiEndEdit(false);
    GluiCloseDropdown();
    GLUI_Master.close_all();
    GluiProcessCloses();
    GluiSetWindowSize(0, 0, 0);
}

inline void SetPanelsTestPose(BonePose* pose, float x, float y, float z) {
    const BonePose p = {{0, 0, 0, 1}, {x, y, z}};
    *pose = p;
}

// Three bones (root, Lhip, Lknee, each the child of the one before), two
// frames (bone i at (1 + frame, i, 0)), two meshes (torso/skin_a.tga,
// legs/skin_b.tga).
inline SkelModel MakePanelsTestModel() {
    SkelModel m;
    SetBoneChain(&m, {"root", "Lhip", "Lknee"});
    m.numframes = 2;
    m.frames.resize(2);
    for (int f = 0; f < 2; f++) {
        CopyName(m.frames[f].name, f ? "walk" : "base");
        m.frames[f].poses.resize(3);
        for (int i = 0; i < 3; i++) SetPanelsTestPose(&m.frames[f].poses[i], 1.0f + f, (float)i, 0);
    }
    m.nummeshes = 2;
    m.meshes.resize(2);
    for (int i = 0; i < 2; i++) {
        SkelMesh& mesh = m.meshes[i];
        CopyName(mesh.skinname, i ? "skin_b.tga" : "skin_a.tga");
        CopyName(mesh.meshname, i ? "legs" : "torso");
    }
    return m;
}

class PanelsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SaveCoreGlobals(&savedCore);
        savedPanel = CurrentPanel;
        savedShown = CurrentPanelShown;
        savedResize = CurrentPanelResize;
        memcpy(savedName, CurrentPanelName, sizeof savedName);
        memcpy(savedAngles, RotateAngles, sizeof savedAngles);
        model = MakePanelsTestModel();
        CurrentModel = &model;
        SelectedBone = 1;
        SelectedMesh = 0;
        Printed([] { ResetKeyChannels(); });
    }
    void TearDown() override {
        RestoreCoreGlobals(savedCore);
        CurrentPanel = savedPanel;
        CurrentPanelShown = savedShown;
        CurrentPanelResize = savedResize;
        memcpy(CurrentPanelName, savedName, sizeof savedName);
        memcpy(RotateAngles, savedAngles, sizeof savedAngles);
    }
    // Runs fn and returns what it printed on standard output.
    template <typename F>
    static std::string Printed(F fn) {
        testing::internal::CaptureStdout();
        fn();
        return testing::internal::GetCapturedStdout();
    }

    SkelModel model;
    CoreGlobals savedCore;
    GLUI* savedPanel = nullptr;
    int savedShown = 0;
    void (*savedResize)() = nullptr;
    char savedName[PANEL_NAME_LEN] = "";
    float savedAngles[3] = {0, 0, 0};
};
