#!/usr/bin/env bash
# Keys in the real viewer: a release steps a key channel (the pose and the key
# list change), a release over the control strip changes nothing, the arrows
# move the selected bone's red line, and every key event prints its line.
# A release with the pointer outside the free area changes nothing.
. "$(dirname "$0")/viewer_common.inc"

make_model
start_viewer
# The view without the frame-rate corner (its text changes every second).
VIEW=640x300+0+0

shot before

# 'L' starts the left-side bones of the demo model: its channel goes 1 -> 2.
key_tap L 320 150
shot_changed after_l before "$VIEW"
changed=$(differ before after_l "$VIEW")
[ "$changed" -gt 50 ] || fail "releasing L did not change the picture ($changed pixels)"
# The key list's first lines (top right) show the new frame.
keydiff=$(differ before after_l 128x100+512+0)
[ "$keydiff" -gt 0 ] || fail "the key list did not change"
note "L release: $changed pixels changed, key list changed"

# A key with no channel changes nothing; its press and release each print a line
# with the pointer's row and the free area's y.
lines0=$(grep -c ' - ' "$WORK/console.txt" || true)
key_tap z 320 150
lines1=$(grep -c ' - ' "$WORK/console.txt" || true)
[ $((lines1 - lines0)) -eq 2 ] || fail "expected 2 key-event lines, got $((lines1 - lines0))"
[ "$(tail -n 1 "$WORK/console.txt" | cut -d' ' -f1-2)" = "150 -" ] || fail "key-event line: $(tail -n 1 "$WORK/console.txt")"
shot after_z
same=$(differ after_l after_z "$VIEW")
[ "$same" -eq 0 ] || fail "a key without a channel changed the picture ($same)"

# In the top row of the window the pointer is outside the free area: the
# event is printed but dropped.
key_tap L 320 0
shot top_row
same=$(differ after_z top_row "$VIEW")
[ "$same" -eq 0 ] || fail "a release in the top row changed the pose ($same)"
tail -n 1 "$WORK/console.txt" | grep -q '^0 - ' || fail "no console line for the key in the top row"
note "keys without a channel or outside the free area change nothing"

# Right arrow: the next bone's line turns red, the previous one's not.
kind_mask top_row "$VIEW" "$RED" red0
key_tap Right 320 150
shot_changed after_right top_row "$VIEW"
kind_mask after_right "$VIEW" "$RED" red1
moved=$(differ red0 red1)
red=$(count after_right "$VIEW" "$RED")
[ "$red" -gt 3 ] || fail "no red line after Right ($red)"
[ "$moved" -gt 3 ] || fail "the red line did not move after Right ($moved)"
key_tap Left 320 150
shot_changed after_left after_right "$VIEW"
kind_mask after_left "$VIEW" "$RED" red2
back=$(differ red0 red2)
[ "$back" -eq 0 ] || fail "Left did not bring the red line back ($back)"
note "Right moved the red line ($moved pixels), Left brought it back"
viewer_running || fail "viewer ended"
