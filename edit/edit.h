// Editing operations on a model in memory: renaming, cutting and joining
// frames, posing one bone, rescaling, removing a bone and taking a clip's
// travel out. Shared by boneloom-tool edit and the viewer's editing, so both
// change a model the same way.
//
// Every operation takes the model as a parameter and either changes it and
// returns true, or returns false with *why (may be null) set to one line
// saying what is wrong and leaves the model exactly as it was. Nothing here
// prints, exits or keeps state. Operations need a model whose counts match its
// arrays (every frame holding one pose per bone); one that does not is refused.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "model/model.h"

// --- arguments -----------------------------------------------------------------

// A frame, bone or mesh given by its index or its name. Text that is a plain
// decimal number in range is an index; anything else (or a number past the
// end) is looked up as a name, the first match winning. False with *why
// ("no bone \"arm\"") when it names none.
bool FindFrameArg(const SkelModel* model, const char* text, int32_t* frame, std::string* why);
bool FindBoneArg(const SkelModel* model, const char* text, int32_t* bone, std::string* why);
bool FindMeshArg(const SkelModel* model, const char* text, int32_t* mesh, std::string* why);

// Frame numbers of a RANGES text for a model of numframes frames: a comma
// list of N, A-B (A above B counts down) or A- (A to the last frame), in the
// order written, repeats kept. False with *why on an empty item, a number that
// is not one, or a frame past the last.
bool ParseFrameRanges(const char* text, int32_t numframes, std::vector<int32_t>* frames,
                      std::string* why);

// --- names ---------------------------------------------------------------------

// Give a frame, bone, mesh or mesh's skin a new name. A name longer than 63
// bytes is refused, never cut.
bool RenameFrame(SkelModel* model, int32_t frame, const char* name, std::string* why);
bool RenameBone(SkelModel* model, int32_t bone, const char* name, std::string* why);
bool RenameMesh(SkelModel* model, int32_t mesh, const char* name, std::string* why);
bool RenameSkin(SkelModel* model, int32_t mesh, const char* name, std::string* why);

// --- frames ----------------------------------------------------------------------

// Keeps only the listed frames, in the listed order (a frame listed twice is
// kept twice). Refused when the list is empty, names a frame the model lacks,
// or passes MAX_FRAMES.
bool KeepFrames(SkelModel* model, const std::vector<int32_t>& frames, std::string* why);
// Removes the listed frames (repeats count once). Refused when a listed frame
// is not the model's or no frame would be left.
bool DropFrames(SkelModel* model, const std::vector<int32_t>& frames, std::string* why);
// Inserts frame so that it becomes frame number at (0 .. numframes). Refused
// at MAX_FRAMES or when it does not hold one pose per bone.
bool InsertFrame(SkelModel* model, int32_t at, const PoseFrame& frame, std::string* why);
// Inserts a copy of frame, name included, right after it. Refused at
// MAX_FRAMES.
bool DuplicateFrame(SkelModel* model, int32_t frame, std::string* why);
// Removes one frame; never the model's only frame.
bool DeleteFrame(SkelModel* model, int32_t frame, std::string* why);
// Sets bone's local (parent-relative) pose in frame. Refused when a number of
// the pose is not finite.
bool SetBonePose(SkelModel* model, int32_t frame, int32_t bone, const BonePose& pose,
                 std::string* why);

// What AppendFrames matched, for its summary.
struct AppendCounts {
    int32_t frames = 0;  // frames appended
    int32_t matched = 0; // this model's bones found in the other by name
    int32_t filled = 0;  // this model's bones the other lacks: posed as in frame 0
    int32_t ignored = 0; // the other's bones this model lacks
};

// Appends the listed frames of other (its skeleton and frames are used; its
// meshes are not) with their names. Bones are matched by name, the first of
// other's bones with the name: a matched bone takes other's local pose, a bone
// other lacks takes this model's frame-0 pose. Refused when the list names a
// frame other lacks, other's frames do not hold one pose per bone, or the
// result would pass MAX_FRAMES. other may be model itself.
bool AppendFrames(SkelModel* model, const SkelModel* other, const std::vector<int32_t>& frames,
                  AppendCounts* counts, std::string* why);

// --- geometry ------------------------------------------------------------------

// Scales the model about its origin by s > 0 (finite): every bone origin of
// every frame and every weight origin times s, so every skinned vertex of
// every frame lands s times as far from the origin. Normals and rotations are
// kept.
bool ScaleModel(SkelModel* model, float s, std::string* why);

// Removes a bone. Its children take its parent, their poses re-expressed so
// their model-space poses are unchanged in every frame. Its weights move to
// its parent (for a root, to its first child), re-expressed in frame 0 so
// every vertex stays where it is in frame 0. Bones after it move down one;
// parents, weights and mesh references are renumbered (a reference to it
// becomes one to the bone its weights went to, once). Refused when the model
// would be left with fewer than 2 bones, or the bone is a root without
// children that still weights vertices.
bool DeleteBone(SkelModel* model, int32_t bone, std::string* why);

// Takes a root bone's travel over the ground (x and y; z is up) out: in every
// frame its origin's x and y become frame 0's; height and rotation are kept.
// Refused for a bone that is not a root.
bool MakeInPlace(SkelModel* model, int32_t bone, std::string* why);

// --- limits ----------------------------------------------------------------------

// Whether the model can be written: at most MAX_BONES bones, MAX_FRAMES
// frames, and each file's image within MAX_FILESIZE bytes. *why names the
// limit passed.
bool CheckWriteLimits(const SkelModel* model, std::string* why);
