// The Play panel: plays the model's pose frames. A Play/Pause button, Stop,
// a frame spinner to scrub, a speed spinner in frames per second and the Loop
// and Smooth checkboxes. Owns the viewer's one Playback record, which outlives
// the panel (switching panels neither stops nor resets playback), the panel's
// subwindow, its control pointers and the live variables of its controls.
#pragma once

#include "pose/playback.h"

class GLUI;
class GLUI_Button;
class GLUI_EditText;
class GLUI_Spinner;

constexpr int PLAY_BUTTON_ID = 400;    // "Play" / "Pause"
constexpr int PLAY_STOP_ID = 401;      // "Stop"
constexpr int PLAY_FRAME_ID = 402;     // "frame:" spinner
constexpr int PLAY_SPEED_ID = 403;     // "fps:" spinner
constexpr int PLAY_LOOP_ID = 404;      // "Loop" checkbox
constexpr int PLAY_SMOOTH_ID = 405;    // "Smooth" checkbox
constexpr int PLAY_NAME_ID = 406;      // "name:" edit text: the frame's name
constexpr int PLAY_RENAME_ID = 407;    // its "Rename" checkbox
constexpr int PLAY_DUPLICATE_ID = 408; // "Duplicate"
constexpr int PLAY_DELETE_ID = 409;    // "Delete"
constexpr int PLAY_BUTTON_W = 60;      // fits both labels, so the row never shifts

extern Playback Play;                  // what the viewer plays; stopped at start
extern GLUI* PlayPanel;                // the panel's subwindow (stale once closed)
extern GLUI_Button* PlayButton;        // the Play/Pause button
extern GLUI_Spinner* PlayFrameSpinner; // the "frame:" spinner
extern int PlayFrameShown;             // live variable of "frame:": Play.frame as last shown
extern int PlaySpeedShown;             // live variable of "fps:"
extern int PlayLoopOn;                 // live variable of "Loop"
extern int PlaySmoothOn;               // live variable of "Smooth"
extern GLUI_EditText* FrameNameEdit;   // the "name:" edit text
extern int FrameRenameOn;              // live variable of its "Rename"; 0 at every build

// Builds the panel in a new bottom subwindow of MainWindow from the state of
// Play and makes it the current panel. Called only by SwitchPanel.
void BuildPlayPanel();

// Callback of every control of the panel (ids 400..405). Play/Pause and
// scrubbing start a fresh frame interval at TickTime, so the frame
// just reached is held one whole frame time; a new speed keeps the interval
// that has begun.
void OnPlayControl(int id);

// One playback step: steps a playing Play and, when the frame or the state
// changed, shows it in the panel. The frame calls it whenever
// PlaybackStepDue says a frame time has passed.
void StepPlayback();

// Shows Play's frame in the frame spinner (held to the model's frames), its
// name in "name:" and the player's state on the Play/Pause button while the
// panel is the one built; does nothing otherwise.
void RefreshPlayPanel();

// The frame the spinner shows, which Duplicate, Delete and Rename work on.
// Duplicate inserts a copy of it after it and shows the copy; Delete removes
// it (never the last frame left); RenameShownFrame gives it a new name (63
// characters at most, NUL-padded). Each is recorded for undo; a name that
// changes nothing records nothing.
void DuplicateShownFrame();
void DeleteShownFrame();
void RenameShownFrame(const char* newName);

// Drops every pointer into the panel's subwindow once it is closed.
void ForgetPlayPanel();
