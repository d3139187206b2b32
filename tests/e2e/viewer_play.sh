#!/usr/bin/env bash
# The Play panel on the real viewer: Play changes the picture over time and
# the HUD shows the frame, Pause holds the picture, scrubbing to frame N shows
# the picture of every key channel at N (as pose --frame N does, see
# cli_pose_commands.sh), an export while playing writes the model's frames, and
# Stop gives back the key channels' picture.
. "$(dirname "$0")/viewer_common.inc"

# The 3D view right of the HUD texts and left of the key list (top right),
# and the HUD row of the playback line: 0.15 of the view's height above its
# bottom, which the Play panel's strip sets.
SCENE=440x340+60+0
KEYS="C H J L N P R S" # first letters of the demo model's bone names
N=3

# scene_moved NAME: a picture now ($WORK/now.png) whose scene differs from NAME.
scene_moved() { grab now; [ "$(differ "$1" now "$SCENE")" -gt 20 ]; }
frame_line_pixels() { count "$1" "$FRAME_LINE" "$WHITE"; }
no_frame_line() { grab now; [ "$(frame_line_pixels now)" -eq 0 ]; }

make_model
start_viewer
# The strips' height sets the 3D view's shape: every picture compared below
# is taken with the Play panel built.
choose_panel Play
FRAME_LINE=120x10+0+$(($(view_top) * 85 / 100 - 9))

# --- the pictures to compare with: every channel at N, then L one further ---
for k in $KEYS; do for i in $(seq 2 "$N"); do key_tap "$k"; done; done
shot at_n
key_tap L
shot_changed keys at_n "$SCENE"
[ "$(differ at_n keys "$SCENE")" -gt 20 ] || fail "L did not change the picture"
[ "$(frame_line_pixels keys)" -eq 0 ] || fail "a playback line while stopped"

# --- Play: the picture moves and the HUD says which frame -------------------
click_control Play
grab playing
wait_until "change of the picture while playing" scene_moved playing
cp "$WORK/now.png" "$WORK/playing2.png"
wait_until "further change of the picture while playing" scene_moved playing2
[ "$(frame_line_pixels now)" -gt 20 ] || fail "no playback line in the HUD while playing"
note "Play: the picture changes over time, the HUD shows the frame"

# An export while playing writes the model's own frames.
export_menu 0 SKP
cmp -s "$WORK/data/out.skp" "$WORK/data/tris.skp" || fail "the export while playing differs from the model"
note "the export while playing is the model's SKP"

# --- Pause holds the picture --------------------------------------------------
click_control Pause
wait_until "Play button while paused" found Play
shot paused
for i in 1 2 3 4 5; do
  grab held
  [ "$(differ paused held "$SCENE")" -eq 0 ] || fail "the picture moved while paused"
done
[ "$(frame_line_pixels held)" -gt 20 ] || fail "no playback line in the HUD while paused"
note "Pause holds the picture"

# --- scrub to N: the picture of every channel at N ------------------------------
type_into frame: 6
wait_until "frame 6" value_is frame: 6
shot scrubbed6
[ "$(differ at_n scrubbed6 "$SCENE")" -gt 20 ] || fail "frame 6 looks like frame $N"
type_into frame: "$N"
wait_until "frame $N" value_is frame: "$N"
shot scrubbed
d=$(differ at_n scrubbed "$SCENE")
[ "$d" -eq 0 ] || fail "frame $N differs from every channel at $N ($d pixels)"
note "scrubbed to frame $N: the pose of pose --frame $N"

# --- Stop: the key channels again ---------------------------------------------
click_control Stop
wait_until "playback line gone after Stop" no_frame_line
shot stopped
d=$(differ keys stopped 640x340+0+0)
[ "$d" -eq 0 ] || fail "Stop did not give the key channels' picture back ($d pixels)"
[ "$(frame_line_pixels stopped)" -eq 0 ] || fail "the playback line stayed after Stop"
note "Stop: the key channels' picture, no playback line"
viewer_running || fail "the viewer ended"
