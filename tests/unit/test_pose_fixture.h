// Small in-memory models and a fixture that saves and restores the posing
// globals, shared by the pose tests.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/model.h"
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

// Saves CurrentModel, the selection and the channel tables, and puts them
// back after each test so tests never see each other's model.
class PoseStateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        savedModel = CurrentModel;
        savedBone = SelectedBone;
        savedMesh = SelectedMesh;
        memcpy(savedActive, KeyActive, sizeof KeyActive);
        memcpy(savedFrame, KeyFrame, sizeof KeyFrame);
        savedCount = KeyBoneCount;
    }
    void TearDown() override {
        CurrentModel = savedModel;
        SelectedBone = savedBone;
        SelectedMesh = savedMesh;
        memcpy(KeyActive, savedActive, sizeof KeyActive);
        memcpy(KeyFrame, savedFrame, sizeof KeyFrame);
        KeyBoneCount = savedCount;
    }
    // Makes model current and resets the channels as a load does; returns
    // what ListBoneNames printed.
    std::string Load(SkelModel* model) {
        CurrentModel = model;
        ::testing::internal::CaptureStdout();
        ResetKeyChannels();
        return ::testing::internal::GetCapturedStdout();
    }

    SkelModel* savedModel = nullptr;
    int32_t savedBone = 0, savedMesh = 0, savedCount = 0;
    int32_t savedActive[256] = {}, savedFrame[256] = {};
};
