// One snapshot of every global of the session (the current
// model, the selection, the key channels, the published key list, the
// displayed pose and the animation timer), and a fixture that puts them all
// back after each test, so tests that run the viewer's wrappers never see each
// other's model or channels.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "model/model.h"
#include "pose/anim.h"
#include "session/session.h"

struct CoreGlobals {
    SkelModel* model = nullptr;
    int32_t bone = 0, mesh = 0;
    int32_t active[256] = {}, frame[256] = {};
    int32_t bonecount = 0;
    FrameKeys keys;
    bool hasPose = false;
    std::vector<BonePose> pose;
    AnimTimer timer;
    int32_t ticktime = 0;
};

inline void SaveCoreGlobals(CoreGlobals* g) {
    g->model = CurrentModel;
    g->bone = SelectedBone;
    g->mesh = SelectedMesh;
    memcpy(g->active, KeyActive, sizeof g->active);
    memcpy(g->frame, KeyFrame, sizeof g->frame);
    g->bonecount = KeyBoneCount;
    g->keys = DisplayKeys;
    g->hasPose = CurrentPose != nullptr;
    g->pose.assign(CurrentPose, CurrentPose + (CurrentPose ? CurrentPoseCount : 0));
    g->timer = ModelTimer;
    g->ticktime = TickTime;
}

inline void RestoreCoreGlobals(const CoreGlobals& g) {
    CurrentModel = g.model;
    SelectedBone = g.bone;
    SelectedMesh = g.mesh;
    memcpy(KeyActive, g.active, sizeof g.active);
    memcpy(KeyFrame, g.frame, sizeof g.frame);
    KeyBoneCount = g.bonecount;
    DisplayKeys = g.keys;
    // Every rebuild frees the array it replaces, so the saved pose comes
    // back as a copy of its own.
    delete[] CurrentPose;
    CurrentPose = nullptr;
    if (g.hasPose) {
        CurrentPose = new BonePose[g.pose.empty() ? 1 : g.pose.size()];
        std::copy(g.pose.begin(), g.pose.end(), CurrentPose);
    }
    CurrentPoseCount = (int32_t)g.pose.size();
    ModelTimer = g.timer;
    TickTime = g.ticktime;
}

class CoreGlobalsTest : public ::testing::Test {
  protected:
    void SetUp() override { SaveCoreGlobals(&saved); }
    void TearDown() override { RestoreCoreGlobals(saved); }
    // Makes model current and resets the channels as a load does; returns
    // what ListBoneNames printed.
    std::string Load(SkelModel* model) {
        CurrentModel = model;
        ::testing::internal::CaptureStdout();
        ResetKeyChannels();
        return ::testing::internal::GetCapturedStdout();
    }
    CoreGlobals saved;
};
