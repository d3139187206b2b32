#!/usr/bin/env bash
# Strips in a real window. Closing: a closed strip's window goes, its place in
# the layout goes with it, later events never reach its controls, a callback
# may close its own strip, and an edit in progress is committed before a panel
# switch. Docking at the bottom: stacked in creation order, as wide as the
# window, re-laid out on a resize before the program's reshape, and
# get_viewport_area describing what they leave free (clamped at 0).
. "$(dirname "$0")/glui_common.inc"

children_are() { [ "$(xwininfo -children -id "$WID" | awk '/child(ren)?[.:]?$/ { print $1 }' | head -n 1)" = "$1" ]; }

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

# Positions of the main window's child windows, as X sees them: "y w h" lines.
child_geometry() {
  xwininfo -children -id "$WID" | awk '/^ +0x[0-9a-f]+ / { for (i = 1; i <= NF; i++) if ($i ~ /^[0-9]+x[0-9]+\+/) { split($i, a, /[x+]/); print a[4], a[1], a[2] } }' | sort -n
}

# --- docking: the probe is back to the selector and the Bone panel -----------
read_layout
read -r s0y s0w s0h _ <<<"$(layout_strips "$WORK/layout.txt" | sed -n 1p)"
read -r s1y s1w s1h _ <<<"$(layout_strips "$WORK/layout.txt" | sed -n 2p)"
for h in "$s0h" "$s1h"; do [ "$h" -ge 20 ] && [ "$h" -le 34 ] || fail "strip height $h is not compact"; done
[ "$s0y" -eq $((480 - s0h)) ] || fail "the first strip is not at the bottom ($s0y)"
[ "$s1y" -eq $((s0y - s1h)) ] || fail "the second strip is not right above the first ($s1y)"
[ "$s0w" -eq 640 ] && [ "$s1w" -eq 640 ] || fail "strips are not as wide as the window"
total=$((s0h + s1h))
grep -q "^reshape 640 480 viewport 0 $total 640 $((480 - total))\$" "$OUT" || fail "first reshape did not see the free area"
[ "$(child_geometry | tr '\n' ' ')" = "$s1y 640 $s1h $s0y 640 $s0h " ] || fail "X places the strips at $(child_geometry | tr '\n' ' ')"
note "two strips stacked at the bottom; the free area is 0 $total 640 $((480 - total))"

# Grow the window: the strips follow the bottom edge before the program's reshape runs.
mark; xdotool windowsize "$WID" 800 600
wait_for "^reshape 800 600 viewport 0 $total 800 $((600 - total))\$"
strips_at() { [ "$(child_geometry | tr '\n' ' ')" = "$1" ]; }
wait_until "strips along the new bottom edge" strips_at "$((600 - total)) 800 $s1h $((600 - s0h)) 800 $s0h "
# Drawn there too: light strips.
strips_lit() {
  shot resized 800x600+0+0
  [ "$(awk "BEGIN { print ($(brightness resized 800x$((total - 2))+0+$((601 - total))) > 0.7) }")" = 1 ]
}
wait_until "light strips along the new bottom edge" strips_lit
note "resize: strips re-laid out along the new bottom edge, viewport 0 $total 800 $((600 - total))"

# Smaller than the strips: the free area has no height, and nothing is negative.
mark; xdotool windowsize "$WID" 300 40
wait_for "^reshape 300 40 viewport 0 $total 300 0\$"
note "a window lower than the strips leaves a viewport of height 0"

# A taller panel (two rows): the program's reshape is told of the new free area.
xdotool windowsize "$WID" 640 480
wait_for '^reshape 640 480 '
read_layout
mark; choose Mesh
wait_for '^switched Mesh$'
wait_for '^reshape 640 480 viewport 0 [0-9]+ 640 [0-9]+$'
read_layout
read -r _ _ m1h _ <<<"$(layout_strips "$WORK/layout.txt" | sed -n 2p)"
[ "$m1h" -gt "$s1h" ] || fail "the mesh strip ($m1h) is not taller than the bone strip"
mtotal=$((s0h + m1h))
since | grep -q "^reshape 640 480 viewport 0 $mtotal 640 $((480 - mtotal))\$" || fail "no reshape with the taller strips"
mark; sync_probe
since | grep -q "^viewport 0 $mtotal 640 $((480 - mtotal))\$" || fail "get_viewport_area does not count the taller strip"
[ $((480 - mtotal)) -ge 300 ] || fail "two strips leave too little room"
shot mesh
note "switching to a taller panel moves the free area to 0 $mtotal 640 $((480 - mtotal))"

# The description kept in a file follows the window across the screen, and its
# screen positions are where the controls are.
xdotool windowmove "$WID" 100 50
moved() {
  cp "$LAYOUT" "$WORK/layout.txt" 2>/dev/null && [ "$(tail -n 1 "$WORK/layout.txt")" = end ] &&
    grep -q "$(printf '^window\t[0-9]*\t100\t50\t640\t480$')" "$WORK/layout.txt"
}
wait_until "published layout with the window at 100 50" moved
read -r x y w h rx ry _ <<<"$(layout_lookup "$WORK/layout.txt" Next)"
[ "$rx $ry" = "$((x + 100)) $((y + 50))" ] || fail "Next at $x $y in the window is at $rx $ry on the screen"
mark; click_mid Next
wait_for '^button 4 current 1$'
note "the published layout gives screen positions that reach the controls"
finish
