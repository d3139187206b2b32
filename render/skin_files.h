// Finding the image file a mesh's skin name stands for. GL-free and silent:
// the viewer, boneloom-tool render, info and gltf all look skins up here.
#pragma once
#include <string>
#include <vector>

// Where skins are looked for, in this order: the model's folder, each
// texture folder as given (--textures), then the working directory.
struct SkinSearch {
    std::string model_dir;                 // "" is the working directory
    std::vector<std::string> texture_dirs; // in the order given
};

// The extensions tried after the name as given, in this order.
extern const char* const SKIN_EXTENSIONS[4]; // ".tga", ".png", ".jpg", ".jpeg"

// The file a skin name resolves to, or "" when none. In each folder of the
// search in turn: the name as given, then with each of SKIN_EXTENSIONS
// appended, first spelt exactly, then matched without regard to case (every
// folder of a name like "models/props/crate" too). Backslashes in the name
// count as folder separators; an absolute name is looked for only where it
// points. Only
// regular files (or links to them) are found. An empty name finds nothing.
std::string FindSkinTexture(const char* skinname, const SkinSearch* search);

// The skin name as a file name for messages when nothing was found: in the
// model's folder, with ".tga" appended unless it ends in one of SKIN_EXTENSIONS.
std::string MissingSkinPath(const char* skinname, const SkinSearch* search);
