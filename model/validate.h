// Cross-checks of a loaded model against the rules the rest of the program
// relies on (frames, bone count, pose counts, weight bones, triangle indices,
// bone references, name terminators). Reports; never changes the model.
#pragma once
#include <string>
#include <vector>

#include "model/model.h"

// Appends one line per broken rule to problems; skmPath and skpPath name the
// file each finding comes from. Parent order is reported by the SKP load.
void CheckModel(const SkelModel* model, const char* skmPath, const char* skpPath,
                std::vector<std::string>* problems);

// True when bone i's parent is a root marker (negative) or an earlier bone.
bool ParentIsValid(const SkelModel* model, int32_t i);
