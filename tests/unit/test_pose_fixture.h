// Shared by the pose tests: small in-memory models and a posing record that
// drives the core as boneloom-tool does. The tests of the viewer's wrappers
// use the globals snapshot of test_core_globals.h.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/model.h"
#include "pose/channels.h"
#include "pose/compose.h"
#include "pose/skin.h"
#include "tests/unit/test_core_globals.h"

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

// Model-space pose of every bone in frame f, as the composer builds it.
inline std::vector<BonePose> FramePose(const SkelModel& model, int32_t f) {
    std::vector<BonePose> pose((size_t)PoseCount(&model));
    FrameLocalPoses(&model, f, pose.data());
    ComposePose(&model, pose.data(), pose.data());
    return pose;
}

// Every mesh of model skinned in frame f (positions stored as (y, z, x)).
inline std::vector<SkinnedMesh> SkinFrame(const SkelModel& model, int32_t f,
                                          SkinKernel kernel = SKIN_FASTEST) {
    std::vector<BonePose> pose = FramePose(model, f);
    std::vector<SkinnedMesh> out(model.meshes.size());
    for (int32_t m = 0; m < model.nummeshes; m++)
        EXPECT_TRUE(
            PoseSkinnedMeshWith(kernel, &model, m, pose.data(), (int32_t)pose.size(), &out[m]))
            << "mesh " << m;
    return out;
}

// Vertex v of a skinned mesh in model axes.
inline std::vector<double> ModelPoint(const SkinnedMesh& mesh, int32_t v) {
    const float* p = &mesh.positions[3 * (size_t)v];
    return {p[2], p[0], p[1]};
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
