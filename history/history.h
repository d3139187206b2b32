// The edit history: undo and redo of the edits made to a model. A step holds
// only what its edit changed (a name, one bone's poses over a run of frames,
// a frame that was inserted or deleted) with the value before and after, so
// undoing or redoing it puts exactly those bytes back. The history keeps its
// steps within a memory bound, dropping the oldest first, and knows which of
// its states was last saved. Silent: it takes the model as a parameter and
// returns what happened; the viewer prints and refreshes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "model/model.h"

// What the history may use beyond the model itself.
constexpr size_t HISTORY_MAX_BYTES = 64u * 1024u * 1024u;

enum HistoryChange : int32_t {
    CHANGE_BONE_NAME,   // bones[index].name
    CHANGE_MESH_NAME,   // meshes[index].meshname
    CHANGE_SKIN_NAME,   // meshes[index].skinname
    CHANGE_FRAME_NAME,  // frames[index].name
    CHANGE_BONE_POSES,  // bone's pose in frames index .. index + poses - 1
    CHANGE_FRAME_ADDED, // frame inserted at index (kept in `frame` for redo)
    CHANGE_FRAME_GONE,  // frame deleted from index (kept in `frame` for undo)
};

struct HistoryStep {
    HistoryChange change = CHANGE_BONE_NAME;
    std::string label;  // what the console says: "rename bone 3"
    int32_t index = 0;  // bone, mesh or frame the change is at
    int32_t bone = 0;   // CHANGE_BONE_POSES: the bone whose poses changed
    uint64_t state = 0; // the model state this step leads to (unique in a history)
    std::string before; // names: the field before and after the edit
    std::string after;
    std::vector<BonePose> poses_before; // CHANGE_BONE_POSES, one per frame
    std::vector<BonePose> poses_after;
    std::vector<PoseFrame> frame; // CHANGE_FRAME_*: the one frame
};

struct EditHistory {
    std::deque<HistoryStep> steps; // oldest first
    size_t done = 0;               // steps[0 .. done) are applied to the model
    size_t bytes = 0;              // what the steps use, by HistoryStepBytes
    size_t limit = HISTORY_MAX_BYTES;
    uint64_t base_state = 0;  // the state before the oldest kept step
    uint64_t next_state = 1;  // for the next recorded step
    uint64_t saved_state = 0; // the state both files were last written at
};

// The memory a step holds, its own record included.
size_t HistoryStepBytes(const HistoryStep& step);

// Steps for edits already made to the model, from the values before and after
// (names: the 64-byte fields).
// The labels are the console's: "rename bone 3", "delete frame 7".
HistoryStep MakeNameStep(HistoryChange change, int32_t index, const char* before,
                         const char* after);
HistoryStep MakeBonePosesStep(int32_t bone, int32_t firstFrame, std::vector<BonePose> before,
                              std::vector<BonePose> after, const char* label);
HistoryStep MakeFrameStep(HistoryChange change, int32_t index, const PoseFrame& frame);

// Adds a step whose edit has been made: the steps undone so far are dropped
// (they can no longer be redone), then the oldest steps while the history is
// over its limit. A step larger than the limit on its own leaves the history
// empty: the edit stands, it just cannot be undone.
void PushHistory(EditHistory* history, HistoryStep step);

// Undoes the last applied step on model, or redoes the next undone one.
// Return false, and change nothing, when there is none or when the model no
// longer has what the step names (a wrong model): then every step is dropped,
// since none of them can be trusted (the model stays unsaved if it was). *step (optional) is the
// step.
bool UndoHistory(EditHistory* history, SkelModel* model, const HistoryStep** step);
bool RedoHistory(EditHistory* history, SkelModel* model, const HistoryStep** step);

bool CanUndo(const EditHistory* history);
bool CanRedo(const EditHistory* history);

// Forgets every step (a new model was loaded); the model as it is counts as saved.
void ClearHistory(EditHistory* history);

// The state the model is in now: changes with every push, undo and redo and
// comes back when an undo or redo returns to a state.
uint64_t HistoryState(const EditHistory* history);
// Marks the state now as written to both files.
void MarkHistorySaved(EditHistory* history);
// True when the model differs from what was last saved (or loaded).
bool HistoryUnsaved(const EditHistory* history);

// One bone's poses in frames first .. first + count - 1 (count clipped to the
// model's frames; a bone it has no poses for gives nothing).
std::vector<BonePose> CaptureBonePoses(const SkelModel* model, int32_t bone, int32_t first,
                                       int32_t count);
