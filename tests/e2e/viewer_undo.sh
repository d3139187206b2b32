#!/usr/bin/env bash
# Undo and redo on the real viewer: two presses of Rotate and an Apply on the
# Pose panel, Ctrl+Z twice, Ctrl+Y, then both saves write exactly the model
# boneloom-tool rotate makes with one press undone; the "Unsaved changes" line
# shows while the model differs from what was saved, comes back with an undo
# past the save and goes again with Ctrl+Shift+Z; the menu's "Undo" works too.
. "$(dirname "$0")/viewer_common.inc"

UNSAVED_LINE=150x20+0+0 # top left of the 3D view
SCENE=440x290+60+25 # the skeleton, clear of the HUD texts and the key list
unsaved_pixels() { count "$1" "$UNSAVED_LINE" "$WHITE"; }
unsaved_shown() { grab now; [ "$(unsaved_pixels now)" -gt 20 ]; }
unsaved_gone() { grab now; [ "$(unsaved_pixels now)" -eq 0 ]; }
# ctrl_key KEYS: a chord over the 3D view (ctrl+z, ctrl+y, ctrl+shift+z).
ctrl_key() {
  point 320 150
  xdotool windowfocus "$WID"
  xdotool key --clearmodifiers "$1"
}
# undo_line TEXT N: waits for the Nth console line TEXT.
wait_line() { wait_until "'$1' line" more_console "$1" "$2"; }

make_model
# The expected model: two presses of Rotate with yaw 90 undone down to one.
"$TOOL" rotate "$WORK/data/tris.skm" "$WORK/data/tris.skp" "$WORK/expected.skp" --yaw 90 >/dev/null ||
  fail "boneloom-tool rotate failed"
start_viewer
shot start
[ "$(unsaved_pixels start)" -eq 0 ] || fail "an Unsaved changes line right after loading"

# --- three edits ------------------------------------------------------------------
choose_panel Rotate
type_into Yaw: 90
wait_until "yaw 90" value_is Yaw: 90
click_control Rotate
wait_until "Unsaved changes line after Rotate" unsaved_shown
shot rotated1
click_control Rotate
shot_changed rotated2 rotated1 "$SCENE"
choose_panel Pose
type_into "turn Z:" 60
wait_until "turn Z 60" value_is "turn Z:" 60
shot before_apply
click_control Apply
shot_changed pose_edit before_apply "$SCENE"
note "Rotate twice and Apply: the picture changes, Unsaved changes shows"

# --- undo twice, redo once ------------------------------------------------------
ctrl_key ctrl+z
wait_line "Undo: pose bone 1 in frame 1" 1
ctrl_key ctrl+z
wait_line "Undo: rotate model" 1
shot_changed undone pose_edit "$SCENE"
[ "$(differ undone before_apply "$SCENE")" -gt 20 ] || fail "two undos left the picture after two Rotates"
ctrl_key ctrl+y
wait_line "Redo: rotate model" 1
shot_changed redone undone "$SCENE"
[ "$(differ redone before_apply "$SCENE")" -eq 0 ] || fail "the redo does not give the picture after two Rotates"
ctrl_key ctrl+z
wait_line "Undo: rotate model" 2
note "Ctrl+Z, Ctrl+Y: each step one console line, the picture of each state"

# --- save: exactly the expected pair, and nothing unsaved --------------------------
export_menu 0 SKP
unsaved_shown || fail "the Unsaved changes line went with only the SKP saved"
export_menu 1 SKM
wait_until "Unsaved changes line gone after saving both" unsaved_gone
cmp -s "$WORK/data/out.skp" "$WORK/expected.skp" || fail "the saved SKP is not the expected one"
cmp -s "$WORK/data/out.skm" "$WORK/data/tris.skm" || fail "the saved SKM differs from the model's"
note "saved pair: the expected model; the Unsaved changes line is gone"

# --- past the save and back -------------------------------------------------------
ctrl_key ctrl+z
wait_line "Undo: rotate model" 3
wait_until "Unsaved changes line after undoing past the save" unsaved_shown
ctrl_key ctrl+shift+z
wait_line "Redo: rotate model" 2
wait_until "Unsaved changes line gone back at the saved state" unsaved_gone
pick_main 4
wait_line "Undo: rotate model" 4
pick_main 5
wait_line "Redo: rotate model" 3
[ "$(console_count 'Nothing to undo')" = 0 ] || fail "an undo found nothing"
note "undo past the save shows the line, redo back to it clears it; the menu's Undo and Redo"
viewer_running || fail "the viewer ended"
