// Shared by the pose tests: a frame's pose and skin as the core builds them,
// and a posing record that drives the core as boneloom-tool does. The tests
// of the viewer's wrappers use the globals snapshot of test_session_globals.h.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/model.h"
#include "pose/channels.h"
#include "pose/compose.h"
#include "pose/skin.h"
#include "tests/unit/test_session_globals.h"
#include "tests/unit/test_skeleton.h"

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
