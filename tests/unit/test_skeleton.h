// Small in-memory skeletons for tests: a bone chain, and a model whose posed
// bones tell which frame they show.
#pragma once
#include <string>
#include <vector>

#include "model/model.h"

// Every bone's parent is the bone before it, and no bone is marked.
inline void SetBoneChain(SkelModel* model, const std::vector<std::string>& names) {
    model->numbones = (int32_t)names.size();
    model->bones.assign(names.size(), SkelBone{});
    for (size_t i = 0; i < names.size(); i++) {
        CopyName(model->bones[i].name, names[i].c_str());
        model->bones[i].parent = (int32_t)i - 1;
    }
}

// A model with the given bones (a chain unless parents are given) and
// numframes frames. Bone i in frame f sits at origin (f * 10 + i, 0, 0) with
// the identity rotation, so a posed root's x tells which frame it shows.
inline SkelModel MakePoseModel(const std::vector<std::string>& names,
                               const std::vector<int32_t>& parents, int32_t numframes) {
    SkelModel model;
    SetBoneChain(&model, names);
    for (size_t i = 0; i < parents.size(); i++) model.bones[i].parent = parents[i];
    model.numframes = numframes;
    model.frames.resize(numframes);
    for (int32_t f = 0; f < numframes; f++) {
        CopyName(model.frames[f].name, ("frame" + std::to_string(f)).c_str());
        for (size_t i = 0; i < names.size(); i++)
            model.frames[f].poses.push_back(
                BonePose{{0, 0, 0, 1}, {(float)(f * 10 + (int)i), 0, 0}});
    }
    return model;
}
