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
# (export_menu waits for the exporter's "wrote SKP file" line.)
export_menu 0 SKP
cmp -s "$WORK/data/out.skp" "$WORK/copy.skp" || fail "data/out.skp differs from boneloom-tool copy"
export_menu 1 SKM
cmp -s "$WORK/data/out.skm" "$WORK/copy.skm" || fail "data/out.skm differs from boneloom-tool copy"
# Saving again overwrites with the same bytes.
export_menu 0 SKP
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
shot_changed fps_off fps_on "$FPS_AREA"
on=$(count fps_on "$FPS_AREA" "$WHITE")
off=$(count fps_off "$FPS_AREA" "$WHITE")
[ "$on" -gt 10 ] && [ "$off" -eq 0 ] || fail "Show FPS did not hide the frame rate ($on -> $off)"
pick_display 0
note "Show FPS hid the frame-rate line ($on -> $off white pixels)"

# --- Full Screen, twice: the screen's size, then 640 x 480 again ---------------
win_size() { xwininfo -id "$WID" | awk '/Width:/ {w=$NF} /Height:/ {h=$NF} END {print w "x" h}'; }
size_is() { [ "$(win_size)" = "$1" ]; }
screen=$(xdpyinfo | awk '/dimensions:/ && !seen {print $2; seen=1}')
pick_display 3
wait_until "$screen window after Full Screen" size_is "$screen"
# The control strip follows the window to the bottom of the screen.
sh=${screen#*x}
strip_at_bottom() {
  import -window root "$WORK/full.png"
  [ "$(convert "$WORK/full.png" -crop "${screen%x*}x8+0+$((sh - 8))" +repage -threshold 5% -format '%[fx:round(mean*100)]' info:)" -gt 50 ]
}
wait_until "control strip at the bottom of the full screen" strip_at_bottom
pick_display 3
wait_until "640x480 window after the second Full Screen" size_is 640x480
note "Full Screen: $screen, then 640x480 again"

# --- Exit -------------------------------------------------------------------------
pick_main 3
wait_exit "$WAIT"
[ "$EXIT_RC" = 0 ] || fail "Exit ended with status $EXIT_RC"
note "Exit ended with status 0"
