#!/usr/bin/env bash
# The inspection aids in the real viewer, on the demo with its mesh shown and
# the view tipped down so the ground plane is seen from above: with the left
# thigh selected, "Show Weights" paints the body dark blue and the left thigh
# red; "Show Names", "Show Grid" and "Show Stats" each add their own pixels
# (white names, grey grid lines, white text at the top left, which changes
# when a frame is duplicated);
# F12 and the main menu's "Save Screenshot" write shot_0001.png and
# shot_0002.png: PNGs of the window's size showing what the window shows.
. "$(dirname "$0")/viewer_common.inc"

# pixels NAME GEOMETRY EXPR: pixels inside GEOMETRY of $WORK/NAME.png for
# which the -fx expression is true.
pixels() {
  convert "$WORK/$1.png" -crop "$2" +repage -fx "$3" -format '%[fx:round(mean*w*h)]' info:
}
RED_PX='r>0.6 && g<0.3 && b<0.3'
BLUE_PX='b>0.25 && r<0.1 && g<0.15'
WHITE_PX='r>0.9 && g>0.9 && b>0.9'
GREY_PX='abs(r-g)<0.02 && abs(g-b)<0.02 && r>0.25 && r<0.45'

make_model
VIEWER_ARGS=(--mesh)
start_viewer
xdotool mousemove 320 150 mousedown 1 mousemove 320 160 mousemove 320 170 mousemove 320 180 mouseup 1
for _ in 1 2 3 4 5 6 7 8 9; do key_tap Left; done
wait_until "LThigh selected" value_is bone: LThigh
top=$(view_top)
VIEW="640x$((top - 4))+0+0"
LEFT="320x$((top - 4))+0+0"  # the figure's right side
RIGHT="320x$((top - 4))+320+0" # its left side, with the left thigh
shot base

# --- Show Weights: the selected left thigh red, the rest dark blue --------------
pick_display 7
shot_changed weights base "$VIEW"
blue=$(pixels weights "$VIEW" "$BLUE_PX")
red_left=$(pixels weights "$LEFT" "$RED_PX")
red_right=$(pixels weights "$RIGHT" "$RED_PX")
[ "$blue" -gt 3000 ] || fail "Show Weights: no dark blue body ($blue pixels)"
[ "$red_right" -gt 300 ] && [ "$red_left" -lt $((red_right / 10)) ] ||
  fail "Show Weights: the red is not on the left thigh (left side $red_right, right side $red_left)"
note "Show Weights: $blue dark blue pixels, $red_right red on the figure's left, $red_left on its right"

# --- Show Names, Show Grid, Show Stats ----------------------------------------
# toggle ENTRY NAME BEFORE GEOMETRY EXPR MORE WHAT: picks Display entry ENTRY;
# the new shot NAME must have MORE pixels of EXPR inside GEOMETRY than BEFORE.
toggle() {
  local was now
  pick_display "$1"
  shot_changed "$2" "$3" "$4"
  was=$(pixels "$3" "$4" "$5")
  now=$(pixels "$2" "$4" "$5")
  [ "$now" -gt $((was + $6)) ] || fail "$7: $was -> $now pixels"
  note "$7: $was -> $now pixels"
}
toggle 8 names weights "$VIEW" "$WHITE_PX" 150 "Show Names, white"
toggle 9 grid names "$VIEW" "$GREY_PX" 300 "Show Grid, grey"
toggle 10 stats grid 200x130+0+0 "$WHITE_PX" 200 "Show Stats, white at the top left"
# The block follows edits: a duplicated frame changes its Frames line (the
# rows below the unsaved-changes line).
choose_panel Play
shot play
click_control Duplicate
shot_changed edited play 200x95+0+30
note "Show Stats: the block changed with a duplicated frame"

# --- screenshots ----------------------------------------------------------------
key_tap F12
wait_until "F12's console line" more_console "Screenshot: wrote shot_0001.png (640x480)" 1
pick_main 6
wait_until "the menu's console line" more_console "Screenshot: wrote shot_0002.png (640x480)" 1
for n in 1 2; do
  file="$WORK/shot_000$n.png"
  [ "$(identify -format '%m %wx%h' "$file")" = "PNG 640x480" ] ||
    fail "shot_000$n.png: $(identify -format '%m %wx%h' "$file" 2>&1)"
done
cp "$WORK/shot_0001.png" "$WORK/saved.png"
# The window smooths edges the read-back does not: only clear differences
# count (names or statistics coming or going make thousands).
grab now
apart=$(compare -metric AE -fuzz 50% "$WORK/saved.png" "$WORK/now.png" null: 2>&1 || true)
seen=$(pixels saved "$VIEW" "$BLUE_PX")
strip=$(pixels saved "640x$((480 - top))+0+$top" "$WHITE_PX")
[ "$seen" -gt 3000 ] && [ "$apart" -lt 400 ] && [ "$strip" -gt 1000 ] ||
  fail "shot_0001.png does not show the window ($seen body pixels, $strip of the strips, $apart pixels differ)"
note "F12 and Save Screenshot: shot_0001.png and shot_0002.png, 640x480 PNGs; $apart pixels differ from the window"
