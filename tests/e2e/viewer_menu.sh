#!/usr/bin/env bash
# The pop-up menu of the real viewer: both exports match boneloom-tool copy
# byte for byte, "Show FPS" hides the frame rate, "Full Screen" fills the
# screen and back, and Exit ends the program with status 0.
. "$(dirname "$0")/viewer_common.inc"

make_model
"$TOOL" copy "$WORK/data/tris.skm" "$WORK/data/tris.skp" "$WORK/copy.skm" "$WORK/copy.skp" >/dev/null \
  || fail "boneloom-tool copy failed"
start_viewer

# --- exports ------------------------------------------------------------------
pick_main 0
[ -f "$WORK/data/out.skp" ] || fail "Save SKP wrote no data/out.skp"
cmp -s "$WORK/data/out.skp" "$WORK/copy.skp" || fail "data/out.skp differs from boneloom-tool copy"
grep -qx "wrote SKP file" "$WORK/console.txt" || fail "no 'wrote SKP file' line"
pick_main 1
[ -f "$WORK/data/out.skm" ] || fail "Save SKM wrote no data/out.skm"
cmp -s "$WORK/data/out.skm" "$WORK/copy.skm" || fail "data/out.skm differs from boneloom-tool copy"
grep -qx "wrote SKM file" "$WORK/console.txt" || fail "no 'wrote SKM file' line"
# Saving again overwrites with the same bytes.
pick_main 0
cmp -s "$WORK/data/out.skp" "$WORK/copy.skp" || fail "a second Save SKP differs"
note "both exports are byte-identical to boneloom-tool copy"

# --- Show FPS -------------------------------------------------------------------
# The frame-rate line's baseline lies at 0.12 of the free area's height; the
# key handlers print that area's y (the strip's height) with every event.
key_tap z 320 150
strip=$(tail -n 1 "$WORK/console.txt" | awk '{print $3}')
fps_row=$(( (480 - strip) * 88 / 100 ))
FPS_AREA=120x16+0+$((fps_row - 12))
shot fps_on
pick_display 0
shot fps_off
on=$(count fps_on "$FPS_AREA" "$WHITE")
off=$(count fps_off "$FPS_AREA" "$WHITE")
[ "$on" -gt 10 ] && [ "$off" -eq 0 ] || fail "Show FPS did not hide the frame rate ($on -> $off)"
pick_display 0
note "Show FPS hid the frame-rate line ($on -> $off white pixels)"

# --- Full Screen, twice: the screen's size, then 640 x 480 again ---------------
win_size() { xwininfo -id "$WID" | awk '/Width:/ {w=$NF} /Height:/ {h=$NF} END {print w "x" h}'; }
# wait_size SIZE: up to 5 s for the window to take SIZE.
wait_size() {
  local i
  for i in $(seq 1 50); do [ "$(win_size)" = "$1" ] && return 0; sleep 0.1; done
  return 1
}
screen=$(xdpyinfo | awk '/dimensions:/ && !seen {print $2; seen=1}')
pick_display 3
wait_size "$screen" || fail "Full Screen gave a $(win_size) window on a $screen screen"
# The control strip follows the window to the bottom of the screen.
sh=${screen#*x}
for i in $(seq 1 30); do
  import -window root "$WORK/full.png"
  lit=$(convert "$WORK/full.png" -crop "${screen%x*}x8+0+$((sh - 8))" +repage -threshold 5% -format '%[fx:round(mean*100)]' info:)
  [ "$lit" -gt 50 ] && break
  sleep 0.2
done
[ "$lit" -gt 50 ] || fail "the control strip did not follow the full-screen window ($lit% lit)"
pick_display 3
wait_size 640x480 || fail "the second Full Screen gave $(win_size)"
note "Full Screen: $screen, then 640x480 again"

# --- Exit -------------------------------------------------------------------------
pick_main 3
wait_exit 5
[ "$EXIT_RC" = 0 ] || fail "Exit ended with status $EXIT_RC"
note "Exit ended with status 0"
