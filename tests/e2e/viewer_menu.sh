#!/usr/bin/env bash
# The pop-up menu of the real viewer: both exports match boneloom-tool copy
# byte for byte, "Show FPS" hides the frame rate, and Exit ends the program
# with status 0.
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

# --- Exit -------------------------------------------------------------------------
pick_main 3
wait_exit 5
[ "$EXIT_RC" = 0 ] || fail "Exit ended with status $EXIT_RC"
note "Exit ended with status 0"
