// Helpers the editing core's files share; not part of its interface.
#pragma once
#include <string>

#include "model/model.h"

// Sets *why (when given) and returns false, for `return EditFail(why, ...)`.
bool EditFail(std::string* why, const std::string& text);
// The model's bone and frame counts match its arrays and every frame holds one
// pose per bone; otherwise false with *why.
bool SkeletonShapeOk(const SkelModel* model, std::string* why);
// nummeshes matches the meshes held.
bool MeshShapeOk(const SkelModel* model, std::string* why);
