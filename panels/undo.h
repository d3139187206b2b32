// The viewer's edit history: every panel edit of CurrentModel is recorded
// here, and Ctrl+Z / Ctrl+Y and the menu's "Undo" / "Redo" step through it
// with one console line each ("Undo: rename bone 3"). After any change of the
// model, ShowEditedModel brings the key channels, the player, the displayed
// pose and every built panel in line with it. Owns ViewerHistory and the
// states of the two saved files.
#pragma once

#include "history/history.h"

extern EditHistory ViewerHistory; // the edits of CurrentModel since it was loaded

// How an edit moved the frames: inserted at `at` (+1), removed from `at` (-1),
// or none (0). Channels and the player showing later frames move with them.
struct FrameShift {
    int32_t at = 0;
    int32_t delta = 0;
};

// Records an edit just made to CurrentModel, for Ctrl+Z.
void RecordEdit(HistoryStep step);

// Undo / redo one step and show the result; "Undo: LABEL" / "Redo: LABEL",
// or "Nothing to undo" / "Nothing to redo".
void UndoEdit();
void RedoEdit();

// Shows CurrentModel after a change: lists the bone names again when they
// changed (the channels regroup), else rebuilds the pose; keeps every key
// channel, the player and the frame spinner on a frame the model has,
// following a frame shift; refreshes every built panel.
void ShowEditedModel(bool boneNamesChanged, FrameShift shift);

// A new model was loaded: no steps, and nothing unsaved.
void ForgetEdits();

// One of the two files was written at the model's state now; once both have
// been, the model counts as saved (until the next change, and again when an
// undo or redo returns to this state).
void NoteSKPSaved();
void NoteSKMSaved();

// True while the model has changes that were not written to both files.
bool ModelUnsaved();
