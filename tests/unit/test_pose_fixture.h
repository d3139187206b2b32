// Shared by the pose tests: small in-memory models, a posing record that
// drives the core as boneloom-tool does, and a fixture that snapshots every
// mutable global of model/ and pose/ for the tests of the viewer's wrappers.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/model.h"
#include "pose/anim.h"
#include "pose/channels.h"
#include "pose/compose.h"
#include "pose/keys.h"

// A model with the given bone names and parents and numframes frames. Bone i
// in frame f sits at origin (f * 10 + i, 0, 0) with the identity rotation, so
// a posed root's x tells which frame it shows.
inline SkelModel MakePoseModel(const std::vector<std::string>& names,
                               const std::vector<int32_t>& parents, int32_t numframes) {
    SkelModel model;
    model.numbones = (int32_t)names.size();
    model.bones.resize(names.size());
    for (size_t i = 0; i < names.size(); i++) {
        CopyName(model.bones[i].name, names[i].c_str());
        model.bones[i].parent = parents[i];
        model.bones[i].flags = 0;
    }
    model.numframes = numframes;
    model.frames.resize(numframes);
    for (int32_t f = 0; f < numframes; f++) {
        CopyName(model.frames[f].name, ("frame" + std::to_string(f)).c_str());
        model.frames[f].poses.resize(names.size());
        for (size_t i = 0; i < names.size(); i++)
            model.frames[f].poses[i] = BonePose{{0, 0, 0, 1}, {(float)(f * 10 + (int)i), 0, 0}};
    }
    return model;
}

// A model's channels, their list and its model-space pose, kept by the caller.
struct Posed {
    const SkelModel* model = nullptr;
    KeyChannels channels;
    FrameKeys list;
    std::vector<BonePose> pose;
};

inline void Repose(Posed* p) {
    ListChannels(&p->channels, &p->list);
    p->pose.assign((size_t)PoseCount(p->model), BonePose{});
    ChannelLocalPoses(p->model, &p->list, p->pose.data());
    ComposePose(p->model, p->pose.data(), p->pose.data());
}

// The channels as a load leaves them, and the pose they show.
inline Posed LoadPosed(const SkelModel* model) {
    Posed p;
    p.model = model;
    ResetChannels(&p.channels);
    ActivateChannels(model, &p.channels);
    Repose(&p);
    return p;
}

// One key release: steps the key's channel and reposes when it moved.
inline bool Press(Posed* p, int key) {
    if (!StepChannel(p->model, &p->channels, key)) return false;
    Repose(p);
    return true;
}

inline std::vector<std::pair<int32_t, int32_t>> ListOf(const FrameKeys& list) {
    std::vector<std::pair<int32_t, int32_t>> out;
    for (int32_t i = 0; i < list.numkeys; i++) out.push_back({list.keys[i], list.keyframes[i]});
    return out;
}
using KeyList = std::vector<std::pair<int32_t, int32_t>>;

// Every mutable global of model/ and pose/ that a wrapper may change, saved
// and put back whole, so tests never see each other's model or channels.
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
