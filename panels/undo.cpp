// The viewer's edit history (see undo.h): the console lines of undo and redo
// and the refresh of everything that shows the model after a change.
#include "panels/undo.h"

#include <cstdio>
#include <utility>

#include "model/model.h"
#include "panels/bone_panel.h"
#include "panels/mesh_panel.h"
#include "panels/play_panel.h"
#include "panels/pose_panel.h"
#include "session/session.h"

EditHistory ViewerHistory;
static uint64_t SavedSKPState = 0; // the history state each file was last written at
static uint64_t SavedSKMState = 0;

void RecordEdit(HistoryStep step) { PushHistory(&ViewerHistory, std::move(step)); }

// A frame index moved as the frames moved, then kept on a frame the model has.
static int32_t ShiftFrame(int32_t frame, FrameShift shift, int32_t numframes) {
    if (shift.delta > 0 && frame >= shift.at) frame++;
    if (shift.delta < 0 && frame > shift.at) frame--;
    if (numframes > 0 && frame >= numframes) frame = numframes - 1;
    if (frame < 0) frame = 0;
    return frame;
}

void ShowEditedModel(bool boneNamesChanged, FrameShift shift) {
    if (shift.delta != 0) {
        int32_t numframes = UsableFrames(CurrentModel);
        for (int c = 0; c < 256; c++) KeyFrame[c] = ShiftFrame(KeyFrame[c], shift, numframes);
        Play.frame = ShiftFrame(Play.frame, shift, numframes);
    }
    if (boneNamesChanged)
        ListBoneNames();
    else
        RebuildPose();
    RefreshBoneText();
    RefreshMeshText();
    RefreshSkinText();
    RefreshPlayPanel();
    RefreshPosePanel();
}

// What a step changed, for ShowEditedModel: bone names regroup the channels;
// a frame added or removed moves the frames after it.
static void ShowStep(const HistoryStep* s, bool undone) {
    FrameShift shift;
    if (s->change == CHANGE_FRAME_ADDED || s->change == CHANGE_FRAME_GONE) {
        bool added = (s->change == CHANGE_FRAME_ADDED) != undone;
        shift.at = s->index;
        shift.delta = added ? 1 : -1;
    }
    ShowEditedModel(s->change == CHANGE_BONE_NAME, shift);
}

static void StepEdit(bool undo) {
    const HistoryStep* step = nullptr;
    bool stepped = undo ? UndoHistory(&ViewerHistory, CurrentModel, &step)
                        : RedoHistory(&ViewerHistory, CurrentModel, &step);
    if (!stepped) {
        printf("Nothing to %s\n", undo ? "undo" : "redo");
        return;
    }
    printf("%s: %s\n", undo ? "Undo" : "Redo", step->label.c_str());
    ShowStep(step, undo);
}

void UndoEdit() { StepEdit(true); }
void RedoEdit() { StepEdit(false); }

void ForgetEdits() {
    ClearHistory(&ViewerHistory);
    SavedSKPState = SavedSKMState = HistoryState(&ViewerHistory);
}

static void NoteSaved(uint64_t* file) {
    *file = HistoryState(&ViewerHistory);
    if (SavedSKPState == SavedSKMState) MarkHistorySaved(&ViewerHistory);
}

void NoteSKPSaved() { NoteSaved(&SavedSKPState); }
void NoteSKMSaved() { NoteSaved(&SavedSKMState); }

bool ModelUnsaved() { return HistoryUnsaved(&ViewerHistory); }
