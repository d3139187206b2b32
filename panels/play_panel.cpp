// The Play panel: the player's buttons, spinners and checkboxes on the one
// Playback record (see play_panel.h). The record's step functions and the
// pacing on the millisecond clock live in pose/playback.
#include "panels/play_panel.h"

#include <GL/glut.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "edit/edit.h"
#include "glui/glui.h"
#include "history/history.h"
#include "model/model.h"
#include "panels/panels.h"
#include "panels/undo.h"
#include "platform/display.h"
#include "session/session.h"

static const char* const PLAY_LABEL = "Play";   // the button's label while not playing
static const char* const PAUSE_LABEL = "Pause"; // ... and while playing

Playback Play;
GLUI* PlayPanel = nullptr;
GLUI_Button* PlayButton = nullptr;
GLUI_Spinner* PlayFrameSpinner = nullptr;
int PlayFrameShown = 0;
int PlaySpeedShown = PLAY_DEFAULT_FPS;
int PlayLoopOn = 1;
int PlaySmoothOn = 0;
GLUI_EditText* FrameNameEdit = nullptr;
int FrameRenameOn = 0;

static int32_t NumFrames() { return UsableFrames(CurrentModel); }

// The name of the frame the spinner shows; "" when the model has none.
static const char* ShownFrameName() {
    return Play.frame >= 0 && Play.frame < NumFrames() ? CurrentModel->frames[Play.frame].name : "";
}

static const char* ButtonLabel() { return Play.mode == PLAY_PLAYING ? PAUSE_LABEL : PLAY_LABEL; }

void BuildPlayPanel() {
    PlayPanel = GLUI_Master.create_glui_subwindow(MainWindow, GLUI_SUBWINDOW_BOTTOM);
    PlayPanel->set_main_gfx_window(MainWindow);

    // Three narrow columns of two rows each, then the frame row: the strip
    // keeps its height and fits the window's width.
    PlayButton = PlayPanel->add_button(ButtonLabel(), PLAY_BUTTON_ID, OnPlayControl);
    PlayButton->set_w(PLAY_BUTTON_W);
    PlayPanel->add_button("Stop", PLAY_STOP_ID, OnPlayControl)->set_w(PLAY_BUTTON_W);
    PlayPanel->add_column(1);

    int32_t last = PlaybackLastFrame(NumFrames());
    PlayFrameShown = Play.frame;
    PlayFrameSpinner = PlayPanel->add_spinner("frame:", GLUI_SPINNER_INT, &PlayFrameShown,
                                              PLAY_FRAME_ID, OnPlayControl);
    PlayFrameSpinner->set_int_limits(0, last, GLUI_LIMIT_CLAMP);
    PlaySpeedShown = Play.fps;
    GLUI_Spinner* speed = PlayPanel->add_spinner("fps:", GLUI_SPINNER_INT, &PlaySpeedShown,
                                                 PLAY_SPEED_ID, OnPlayControl);
    speed->set_int_limits(PLAY_MIN_FPS, PLAY_MAX_FPS, GLUI_LIMIT_CLAMP);
    PlayPanel->add_column(1);

    PlayLoopOn = Play.loop ? 1 : 0;
    PlayPanel->add_checkbox("Loop", &PlayLoopOn, PLAY_LOOP_ID, OnPlayControl);
    PlaySmoothOn = Play.smooth ? 1 : 0;
    PlayPanel->add_checkbox("Smooth", &PlaySmoothOn, PLAY_SMOOTH_ID, OnPlayControl);
    PlayPanel->add_column(1);

    // The shown frame's name, renamed as the Bone panel renames bones, and
    // the frame buttons.
    GLUI_Panel* frames = PlayPanel->add_panel("frames", GLUI_PANEL_RAISED);
    FrameNameEdit = PlayPanel->add_edittext_to_panel(frames, "name:", GLUI_EDITTEXT_TEXT, nullptr,
                                                     PLAY_NAME_ID, OnPlayControl);
    FrameNameEdit->set_font(GLUT_BITMAP_HELVETICA_10);
    FrameNameEdit->set_text(ShownFrameName());
    FrameRenameOn = 0;
    PlayPanel
        ->add_checkbox_to_panel(frames, "Rename", &FrameRenameOn, PLAY_RENAME_ID, OnPlayControl)
        ->set_font(GLUT_BITMAP_HELVETICA_10);
    FrameNameEdit->disable();
    PlayPanel->add_column_to_panel(frames, 0);
    PlayPanel->add_button_to_panel(frames, "Duplicate", PLAY_DUPLICATE_ID, OnPlayControl);
    PlayPanel->add_button_to_panel(frames, "Delete", PLAY_DELETE_ID, OnPlayControl);

    SetCurrentPanel(PlayPanel, 1, nullptr, "Play"); // its controls keep the layer's layout
}

void OnPlayControl(int id) {
    int32_t numframes = NumFrames();
    switch (id) {
        case PLAY_BUTTON_ID:
            TogglePlayback(&Play, numframes);
            RestartPlaybackInterval(&Play, (uint32_t)TickTime);
            break;
        case PLAY_STOP_ID:
            StopPlayback(&Play, numframes);
            break;
        case PLAY_FRAME_ID:
            ScrubPlayback(&Play, PlayFrameShown, numframes);
            RestartPlaybackInterval(&Play, (uint32_t)TickTime);
            break;
        case PLAY_SPEED_ID:
            SetPlaybackSpeed(&Play, PlaySpeedShown);
            break;
        case PLAY_LOOP_ID:
            Play.loop = PlayLoopOn != 0;
            break;
        case PLAY_SMOOTH_ID:
            Play.smooth = PlaySmoothOn != 0;
            break;
        case PLAY_NAME_ID:
            if (FrameNameEdit && FrameRenameOn == 1) RenameShownFrame(FrameNameEdit->get_text());
            break;
        case PLAY_RENAME_ID:
            if (!FrameNameEdit) return;
            if (FrameRenameOn)
                FrameNameEdit->enable();
            else
                FrameNameEdit->disable();
            return;
        case PLAY_DUPLICATE_ID:
            DuplicateShownFrame();
            break;
        case PLAY_DELETE_ID:
            DeleteShownFrame();
            break;
        default:
            return;
    }
    RefreshPlayPanel();
}

void StepPlayback() {
    PlayMode before = Play.mode;
    if (AdvancePlayback(&Play, NumFrames()) || Play.mode != before) RefreshPlayPanel();
}

void RefreshPlayPanel() {
    if (!PlayPanel || CurrentPanel != PlayPanel || !PlayButton || !PlayFrameSpinner) return;
    // Frames come and go with Duplicate, Delete, undo and redo.
    int last = PlaybackLastFrame(NumFrames());
    if (PlayFrameSpinner->high != (float)last)
        PlayFrameSpinner->set_int_limits(0, last, GLUI_LIMIT_CLAMP);
    if (PlayFrameShown != Play.frame) PlayFrameSpinner->set_int_val(Play.frame);
    if (FrameNameEdit && FrameNameEdit->text != ShownFrameName())
        FrameNameEdit->set_text(ShownFrameName());
    // A new label lays the strip out again: only when it changes.
    if (PlayButton->name != ButtonLabel()) PlayButton->set_name(ButtonLabel());
}

void DuplicateShownFrame() {
    int32_t frame = Play.frame;
    if (frame < 0 || frame >= NumFrames()) return;
    std::string why;
    if (!DuplicateFrame(CurrentModel, frame, &why)) {
        printf("Duplicate: %s\n", why.c_str());
        return;
    }
    HistoryStep step = MakeFrameStep(CHANGE_FRAME_ADDED, frame + 1, CurrentModel->frames[frame]);
    char label[48];
    snprintf(label, sizeof label, "duplicate frame %d", (int)frame);
    step.label = label;
    RecordEdit(std::move(step));
    ShowEditedModel(false, FrameShift{frame + 1, +1});
    // The copy is the frame to work on next; it looks the same.
    if (Play.frame + 1 < NumFrames()) Play.frame++;
    RefreshPlayPanel();
}

void DeleteShownFrame() {
    int32_t frame = Play.frame;
    if (frame < 0 || frame >= NumFrames()) return;
    PoseFrame gone = CurrentModel->frames[frame];
    std::string why;
    if (!DeleteFrame(CurrentModel, frame, &why)) {
        printf("Delete: %s\n", why.c_str());
        return;
    }
    RecordEdit(MakeFrameStep(CHANGE_FRAME_GONE, frame, gone));
    ShowEditedModel(false, FrameShift{frame, -1});
}

void RenameShownFrame(const char* newName) {
    int32_t frame = Play.frame;
    if (!newName || frame < 0 || frame >= NumFrames()) return;
    char* field = CurrentModel->frames[frame].name;
    if (NameFieldMatches(field, newName)) return;
    char before[NAME_LEN];
    memcpy(before, field, NAME_LEN);
    CopyName(field, newName);
    RecordEdit(MakeNameStep(CHANGE_FRAME_NAME, frame, before, field));
    ShowEditedModel(false, FrameShift{});
}

void ForgetPlayPanel() {
    FrameNameEdit = nullptr;
    PlayPanel = nullptr;
    PlayButton = nullptr;
    PlayFrameSpinner = nullptr;
}
