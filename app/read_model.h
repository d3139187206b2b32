// The viewer's start-up loaders: read the model pair from disk, print the
// load console text, end the process on the fatal cases, and hand the model
// to the rest of the program through CurrentModel. They sit above pose/
// because a load resets the key channels and the animation timer.
#pragma once
#include <string>

#include "model/model.h"

// Loads the SKM file at path, then the SKP file beside it (path with ".skm"
// replaced by ".skp", or ".skp" added; "data/tris.skp" for the start-up
// model) through ReadSKP, sets CurrentModel, resets the key channels and
// registers the default animation.
// A file that cannot be opened, is empty or does not fit its own counts ends
// the process with exit status 1 after its console line.
void ReadSKM(const char* path);
// The SKP file that goes with an SKM file: "a/b.skm" -> "a/b.skp",
// "a/b.SKM" -> "a/b.SKP", "a/b" -> "a/b.skp".
std::string PairedSKPPath(const char* skmPath);

// Fills model's bones, frames and bone count from the SKP file at path,
// printing the load console text. Ends the process with exit status 1 on the
// same fatal cases as ReadSKM.
void ReadSKP(const char* path, SkelModel* model);
