// A bone chain for tests: every bone's parent is the bone before it, and no
// bone is marked.
#pragma once
#include <initializer_list>

#include "model/model.h"

inline void SetBoneChain(SkelModel* model, std::initializer_list<const char*> names) {
    model->numbones = (int32_t)names.size();
    model->bones.assign(names.size(), SkelBone{});
    int32_t i = 0;
    for (const char* name : names) {
        CopyName(model->bones[(size_t)i].name, name);
        model->bones[(size_t)i].parent = i - 1;
        i++;
    }
}
