#!/usr/bin/env bash
# Closing strips in a real window: a closed strip's window goes, its place in the
# layout goes with it, later events never reach its controls, a callback may close
# its own strip, and an edit in progress is committed before a panel switch.
. "$(dirname "$0")/glui_common.inc"

child_count() { xwininfo -children -id "$WID" | awk '/child(ren)?[.:]?$/ { print $1 }' | head -n 1; }
children_are() { [ "$(child_count)" = "$1" ]; }

start_probe Bone
read_layout
read -r sy sw sh _ <<<"$(layout_strips "$WORK/layout.txt" | head -n 1)"
read -r nx ny nw nh <<<"$(rect Next)"

# Closed from the main window's key handler: the strip goes at its next redisplay.
mark; xdotool mousemove "$MAIN_X" "$MAIN_Y" key c
wait_for '^closed panel$'
wait_for "^reshape 640 480 viewport 0 $sh 640 $((480 - sh))\$"
mark; sync_probe
since | grep -q "^viewport 0 $sh 640 $((480 - sh))\$" || fail "the closed strip still counts"
wait_until "single child window after the close" children_are 1
note "closed strip destroyed; the free area grows back to 0 $sh 640 $((480 - sh))"

# Where its "Next" button was is now the main window: a click there is the program's.
mark; xdotool mousemove $((nx + nw / 2)) $((ny + nh / 2)) click 1
wait_for "^mouse 0 0 $((nx + nw / 2)) $((ny + nh / 2))\$"
expect_none '^button '
note "no event reaches the closed strip's controls"

# A button whose callback closes its own strip.
mark; choose Bone
wait_for '^switched Bone$'
read_layout
mark; click_mid Close
wait_for '^closing own panel$'
wait_for "^reshape 640 480 viewport 0 $sh 640 "
mark; xdotool mousemove $((nx + nw / 2)) $((ny + nh / 2)) click 1 click 1
expect_none '^(button|closing) '
note "a callback may close its own strip"

# Switch panels with an edit in progress: the edit ends (calling back) before the switch.
mark; choose Bone
wait_for '^switched Bone$'
read_layout
click_mid Rename
click_box_end bone:
xdotool type 2
mark; choose Mesh
wait_for '^switched Mesh$'
first=$(since | grep -En '^(edit|listbox) ' | head -n 2 | cut -d: -f2 | tr '\n' ' ')
[ "$first" = "edit 100 [Spine2] listbox 300 1 current 1 " ] || fail "order was: $first"
note "the edit ends with its callback before the switch"

# Many switches: exactly one panel strip stays, and the probe keeps running.
for item in Rotate Bone Mesh Rotate Bone; do choose "$item"; done
read_layout
wait_until "two child windows after switching" children_are 2
[ "$(layout_strips "$WORK/layout.txt" | wc -l)" = 2 ] || fail "closed strips still laid out"
note "after many switches only the selector and one panel remain"
finish
