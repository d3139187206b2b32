// The Play panel: the player's buttons, spinners and checkboxes on the one
// Playback record (see play_panel.h). The record's step functions and the
// pacing on the millisecond clock live in pose/playback.
#include "panels/play_panel.h"

#include "glui/glui.h"
#include "model/model.h"
#include "panels/panels.h"
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

static int32_t NumFrames() { return UsableFrames(CurrentModel); }

static const char* ButtonLabel() { return Play.mode == PLAY_PLAYING ? PAUSE_LABEL : PLAY_LABEL; }

void BuildPlayPanel() {
    PlayPanel = GLUI_Master.create_glui_subwindow(MainWindow, GLUI_SUBWINDOW_BOTTOM);
    PlayPanel->set_main_gfx_window(MainWindow);

    PlayButton = PlayPanel->add_button(ButtonLabel(), PLAY_BUTTON_ID, OnPlayControl);
    PlayButton->set_w(PLAY_BUTTON_W);
    PlayPanel->add_column(1);
    PlayPanel->add_button("Stop", PLAY_STOP_ID, OnPlayControl)->set_w(PLAY_BUTTON_W);
    PlayPanel->add_column(1);

    int32_t last = PlaybackLastFrame(NumFrames());
    PlayFrameShown = Play.frame;
    PlayFrameSpinner = PlayPanel->add_spinner("frame:", GLUI_SPINNER_INT, &PlayFrameShown,
                                              PLAY_FRAME_ID, OnPlayControl);
    PlayFrameSpinner->set_int_limits(0, last, GLUI_LIMIT_CLAMP);
    PlayPanel->add_column(1);

    PlaySpeedShown = Play.fps;
    GLUI_Spinner* speed = PlayPanel->add_spinner("fps:", GLUI_SPINNER_INT, &PlaySpeedShown,
                                                 PLAY_SPEED_ID, OnPlayControl);
    speed->set_int_limits(PLAY_MIN_FPS, PLAY_MAX_FPS, GLUI_LIMIT_CLAMP);
    PlayPanel->add_column(1);

    PlayLoopOn = Play.loop ? 1 : 0;
    PlayPanel->add_checkbox("Loop", &PlayLoopOn, PLAY_LOOP_ID, OnPlayControl);
    PlayPanel->add_column(0);
    PlaySmoothOn = Play.smooth ? 1 : 0;
    PlayPanel->add_checkbox("Smooth", &PlaySmoothOn, PLAY_SMOOTH_ID, OnPlayControl);

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
    if (PlayFrameShown != Play.frame) PlayFrameSpinner->set_int_val(Play.frame);
    // A new label lays the strip out again: only when it changes.
    if (PlayButton->name != ButtonLabel()) PlayButton->set_name(ButtonLabel());
}

void ForgetPlayPanel() {
    PlayPanel = nullptr;
    PlayButton = nullptr;
    PlayFrameSpinner = nullptr;
}
