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

// Skinning findings of every mesh, one line per kind and mesh with a count
// and the first vertex. Problems: vertices without a weight on an existing
// bone, which have no position, so they are not drawn and their triangles are
// dropped. Notes: vertices whose influences on existing bones do not add up
// to 1 within 1e-3; they are drawn, pulled toward (or pushed away from) the
// model origin, where tools that rescale weights draw them elsewhere. Weights
// on missing bones are CheckModel's. Meshes whose counts do not match their
// arrays are left to CheckModel.
void CheckSkinWeights(const SkelModel* model, const char* skmPath,
                      std::vector<std::string>* problems, std::vector<std::string>* notes);

// True when bone i's parent is a root marker (negative) or an earlier bone.
bool ParentIsValid(const SkelModel* model, int32_t i);
