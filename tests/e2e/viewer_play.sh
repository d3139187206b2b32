#!/usr/bin/env bash
# The Play panel on the real viewer: Play changes the picture over time and
# the HUD shows the frame, Pause holds the picture, scrubbing to frame N shows
# the pose boneloom-tool pose --frame N computes (the picture of every key
# channel at N), an export while playing writes the model's frames, and Stop
# gives back the key channels' picture.
. "$(dirname "$0")/viewer_common.inc"

# Control strip positions (window pixels), as the layer lays the strips out
# in the 640x480 window: the Play panel's row.
ROW_Y=441; PLAY_X=33; STOP_X=103; FRAME_X=199
# The 3D view above the HUD text, without the key list (top right), and the
# HUD row of the playback line.
SCENE=500x340+0+0
FRAME_LINE=120x10+0+352
KEYS="C H J L N P R S" # first letters of the demo model's bone names
N=3

click_at() { point "$1" "$2"; xdotool click 1; }
# retype X Y TEXT: replaces the text of the box at (X, Y) and presses Enter.
retype() {
  click_at "$1" "$2"; sleep 0.1
  xdotool key End; xdotool key --repeat 20 --delay 2 BackSpace
  xdotool type --delay 20 "$3"; xdotool key Return
}
# settled NAME: a shot once two in a row show the same scene (at most ~5 s).
settled() {
  local i
  shot "$1"
  for i in $(seq 1 20); do
    cp "$WORK/$1.png" "$WORK/.prev.png"
    shot "$1"
    [ "$(differ .prev "$1" "$SCENE")" -eq 0 ] && return 0
  done
  fail "the picture did not settle for $1"
}
# changes_from NAME: waits (at most ~5 s) for a shot whose scene differs from NAME.
changes_from() {
  local i
  for i in $(seq 1 20); do
    shot now
    [ "$(differ "$1" now "$SCENE")" -gt 20 ] && return 0
  done
  return 1
}
# taps KEY COUNT: COUNT releases of KEY over the 3D view, waiting for their
# console lines (each press and release prints one).
taps() {
  local before i
  before=$(grep -c ' - ' "$WORK/console.txt" || true)
  for i in $(seq 1 "$2"); do key_tap "$1"; done
  for i in $(seq 1 30); do
    [ "$(grep -c ' - ' "$WORK/console.txt" || true)" -ge $((before + 2 * $2)) ] && return 0
    sleep 0.1
  done
  fail "no key lines for $1"
}
frame_line_pixels() { count "$1" "$FRAME_LINE" "$WHITE"; }

make_model
start_viewer
shot bone_panel
# The strips' height sets the 3D view's shape: every picture compared below
# is taken with the Play panel built.
choose_panel 3
shot play_panel
[ "$(differ bone_panel play_panel 640x60+0+420)" -gt 200 ] || fail "choosing Play changed nothing in the strip"

# --- the pictures to compare with: every channel at N, then L one further ---
for k in $KEYS; do taps "$k" $((N - 1)); done
settled at_n
taps L 1
settled keys
[ "$(differ at_n keys "$SCENE")" -gt 20 ] || fail "L did not change the picture"
# The key channels at N are what pose --frame N prints for every bone.
presses=$(for k in $KEYS; do printf '%s' "$k$k"; done)
"$TOOL" pose "$WORK/data/tris.skm" "$WORK/data/tris.skp" --press "$presses" | grep -v '^key ' >"$WORK/keys_n.txt"
"$TOOL" pose "$WORK/data/tris.skm" "$WORK/data/tris.skp" --frame "$N" | grep -v '^key ' >"$WORK/frame_n.txt"
cmp -s "$WORK/keys_n.txt" "$WORK/frame_n.txt" || fail "pose --frame $N differs from every channel at $N"
[ "$(frame_line_pixels keys)" -eq 0 ] || fail "a playback line while stopped"

# --- Play: the picture moves and the HUD says which frame -------------------
click_at "$PLAY_X" "$ROW_Y"
shot playing
changes_from playing || fail "the picture did not change while playing"
cp "$WORK/now.png" "$WORK/playing2.png"
changes_from playing2 || fail "the picture stopped changing while playing"
[ "$(frame_line_pixels now)" -gt 20 ] || fail "no playback line in the HUD while playing"
note "Play: the picture changes over time, the HUD shows the frame"

# An export while playing writes the model's own frames.
before=$(grep -c '^wrote SKP file$' "$WORK/console.txt" || true)
pick_main 0
for _ in $(seq 1 30); do
  [ "$(grep -c '^wrote SKP file$' "$WORK/console.txt" || true)" -gt "$before" ] && break
  sleep 0.1
done
cmp -s "$WORK/data/out.skp" "$WORK/data/tris.skp" || fail "the export while playing differs from the model"
note "the export while playing is the model's SKP"

# --- Pause holds the picture --------------------------------------------------
click_at "$PLAY_X" "$ROW_Y"
settled paused
for i in 1 2 3 4 5; do
  shot held
  [ "$(differ paused held "$SCENE")" -eq 0 ] || fail "the picture moved while paused"
done
[ "$(frame_line_pixels held)" -gt 20 ] || fail "no playback line in the HUD while paused"
note "Pause holds the picture"

# --- scrub to N: the picture of every channel at N ------------------------------
retype "$FRAME_X" "$ROW_Y" 6
settled scrubbed6
[ "$(differ at_n scrubbed6 "$SCENE")" -gt 20 ] || fail "frame 6 looks like frame $N"
retype "$FRAME_X" "$ROW_Y" "$N"
settled scrubbed
d=$(differ at_n scrubbed "$SCENE")
[ "$d" -eq 0 ] || fail "frame $N differs from every channel at $N ($d pixels)"
note "scrubbed to frame $N: the pose of pose --frame $N"

# --- Stop: the key channels again ---------------------------------------------
click_at "$STOP_X" "$ROW_Y"
settled stopped
d=$(differ keys stopped 640x340+0+0)
[ "$d" -eq 0 ] || fail "Stop did not give the key channels' picture back ($d pixels)"
[ "$(frame_line_pixels stopped)" -eq 0 ] || fail "the playback line stayed after Stop"
note "Stop: the key channels' picture, no playback line"
viewer_running || fail "the viewer ended"
