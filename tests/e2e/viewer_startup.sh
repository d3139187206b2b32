#!/usr/bin/env bash
# The real viewer at start-up: console text, the first picture (skeleton, key
# list, frame rate, control strip), and a window shrunk below the control strip.
# (A missing model: viewer_special_files.sh.)
. "$(dirname "$0")/viewer_common.inc"

make_model
start_viewer
[ "$(head -n 1 "$WORK/console.txt")" = "Init 3d Objects" ] || fail "first console line"
grep -qx "Reading SKM model data/tris.skm" "$WORK/console.txt" || fail "no SKM reading line"
# The bone list follows its heading, in bone order, as the tool lists them.
"$TOOL" info "$WORK/data/tris.skm" "$WORK/data/tris.skp" \
  | awk '/^bones/ {on=1; next} on && /^ *index/ {next} on && NF==0 {exit} on {print $4}' >"$WORK/names.txt"
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
