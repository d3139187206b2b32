#!/usr/bin/env bash
# The real viewer from start to Exit. At start-up: the console text, the first
# picture (skeleton, key list, frame rate, control strip), and a window shrunk
# below the control strip and back. Then the pop-up menu: both exports match
# boneloom-tool copy byte for byte, "Show FPS" hides the frame rate, "Full
# Screen" fills the screen and back, and Exit ends the program with status 0.
# (A missing model: viewer_special_files.sh.)
. "$(dirname "$0")/viewer_common.inc"

make_model
"$TOOL" copy "$WORK/data/tris.skm" "$WORK/data/tris.skp" "$WORK/copy.skm" "$WORK/copy.skp" >/dev/null \
  || fail "boneloom-tool copy failed"
start_viewer

# --- start-up ----------------------------------------------------------------
[ "$(head -n 1 "$WORK/console.txt")" = "Init 3d Objects" ] || fail "first console line"
grep -qx "Reading SKM model data/tris.skm" "$WORK/console.txt" || fail "no SKM reading line"
# The bone list follows its heading, in bone order, as the tool lists them.
bone_names "$WORK/data/tris.skp" >"$WORK/names.txt"
[ "$(wc -l <"$WORK/names.txt")" -ge 2 ] || fail "could not list the demo bones"
awk '/^New BONE NAMES list:$/ {on=1; next} on {print}' "$WORK/console.txt" \
  | head -n "$(wc -l <"$WORK/names.txt")" >"$WORK/listed.txt"
cmp -s "$WORK/names.txt" "$WORK/listed.txt" || fail "bone list differs: $(diff "$WORK/names.txt" "$WORK/listed.txt" | head -5)"
note "console: start-up line, reader line, bone list"

shot startup
# Skeleton: many bone-coloured pixels in the 3D view, and one red line (the
# selected bone, bone 1).
bones=$(count startup 640x400+0+0 "$BONE_RGB")
red=$(count startup 640x400+0+0 "$RED")
[ "$bones" -gt 100 ] || fail "skeleton not drawn ($bones bone-coloured pixels)"
[ "$red" -gt 3 ] || fail "no red line for the selected bone ($red)"
# Key list at the top right, white text.
keys=$(count startup 128x60+512+0 "$WHITE")
[ "$keys" -gt 20 ] || fail "no key list at the top right ($keys)"
# Control strip along the bottom: mostly not black.
strip=$(convert "$WORK/startup.png" -crop 640x12+0+468 +repage -threshold 5% -format '%[fx:round(mean*100)]' info:)
[ "$strip" -gt 50 ] || fail "no control strip at the bottom ($strip% lit)"
note "picture: $bones bone pixels, $red red, key list $keys, strip $strip% lit"

# --- shrink below the strip and back ----------------------------------------
xdotool windowsize "$WID" 640 20
wait_until "640x20 window" window_is 640 20
xdotool windowsize "$WID" 640 480
wait_until "640x480 window" window_is 640 480
shot restored
bones=$(count restored 640x400+0+0 "$BONE_RGB")
[ "$bones" -gt 100 ] || fail "skeleton gone after restoring the size ($bones)"
note "window shrunk below the strip and restored without a crash"

# --- exports ------------------------------------------------------------------
# (export_menu waits for the exporter's "wrote SKP file" line.)
export_menu 0 SKP
cmp -s "$WORK/data/out.skp" "$WORK/copy.skp" || fail "data/out.skp differs from boneloom-tool copy"
export_menu 1 SKM
cmp -s "$WORK/data/out.skm" "$WORK/copy.skm" || fail "data/out.skm differs from boneloom-tool copy"
note "both exports are byte-identical to boneloom-tool copy"

# --- Show FPS -------------------------------------------------------------------
FPS_AREA=120x16+0+$(($(fps_row) - 12))
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
