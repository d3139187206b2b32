#!/usr/bin/env bash
# Keys, mouse and the Display submenu in one run of the real viewer. A release
# steps a key channel (the pose and the key list change); a key without a
# channel, or released with the pointer outside the free area, changes nothing;
# every key event prints its line; the arrows move the selected bone's red
# line. A left drag turns the view, a middle drag zooms, a Ctrl+left drag pans.
# Wireframe thins the cubes, fly mode shows the flight of a held key, Show Quats
# draws the parents' axes.
. "$(dirname "$0")/viewer_common.inc"

make_model
start_viewer
# The view without the frame-rate corner (its text changes every second).
VIEW=640x300+0+0
shot before

# --- keys -----------------------------------------------------------------------
# 'L' starts the left-side bones of the demo model: its channel goes 1 -> 2.
key_tap L 320 150
shot_changed after_l before "$VIEW"
changed=$(differ before after_l "$VIEW")
[ "$changed" -gt 50 ] || fail "releasing L did not change the picture ($changed pixels)"
# The key list's first lines (top right) show the new frame.
[ "$(differ before after_l 128x100+512+0)" -gt 0 ] || fail "the key list did not change"
note "L release: $changed pixels changed, key list changed"

# A key with no channel changes nothing; its press and release each print a line
# with the pointer's row and the free area's y.
lines0=$(key_lines)
key_tap z 320 150
[ $(($(key_lines) - lines0)) -eq 2 ] || fail "expected 2 key-event lines, got $(($(key_lines) - lines0))"
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
shot_changed orbit after_right "$VIEW"
kind_mask orbit "$VIEW" "$RED" red2
back=$(differ red0 red2)
[ "$back" -eq 0 ] || fail "Left did not bring the red line back ($back)"
note "Right moved the red line ($moved pixels), Left brought it back"

# --- mouse ----------------------------------------------------------------------
# drag BUTTON X0 Y0 X1 Y1 [MODIFIER]: in eight steps.
drag() {
  local i steps=()
  for i in 1 2 3 4 5 6 7 8; do steps+=(mousemove $(($2 + ($4 - $2) * i / 8)) $(($3 + ($5 - $3) * i / 8)) sleep 0.03); done
  xdotool mousemove "$2" "$3" ${6:+keydown "$6"} mousedown "$1" "${steps[@]}" mouseup "$1" ${6:+keyup "$6"}
}

drag 1 320 150 400 190
shot_changed turned orbit "$VIEW"
turned=$(differ orbit turned "$VIEW")
[ "$turned" -gt 100 ] || fail "a left drag did not turn the view ($turned pixels)"
# Motion after the release does not turn it further.
point 200 100
point 250 60
# Everything sent before a key's console lines has been handled (X delivers
# one client's events in order): z, a key no bone name starts with.
key_tap z
shot after_release
same=$(differ turned after_release "$VIEW")
[ "$same" -eq 0 ] || fail "motion without a button changed the view ($same)"
note "left drag turned the view ($turned pixels); plain motion changes nothing"

# Middle drag upwards zooms in: the skeleton covers more pixels.
before=$(count after_release 640x420+0+0 "$BONE_RGB")
drag 2 320 250 320 50
shot_changed zoomed after_release "$VIEW"
after=$(count zoomed 640x420+0+0 "$BONE_RGB")
[ "$after" -gt $((before * 3 / 2)) ] || fail "a middle drag up did not zoom in ($before -> $after)"
note "middle drag zoomed in: $before -> $after bone pixels"

# Ctrl + left drag pans: the picture shifts instead of turning.
drag 1 320 150 260 150 ctrl
shot_changed solid zoomed "$VIEW"
panned=$(differ zoomed solid "$VIEW")
[ "$panned" -gt 100 ] || fail "a Ctrl drag did not pan ($panned)"
note "Ctrl drag panned ($panned pixels)"

# --- Display: Wireframe, on the zoomed view: the cubes lose their filled insides
pick_display 1
shot_changed wire solid "$VIEW"
solid=$(count solid 640x420+0+0 "$BONE_RGB")
wire=$(count wire 640x420+0+0 "$BONE_RGB")
[ "$wire" -lt $((solid * 3 / 4)) ] || fail "Wireframe did not thin the cubes ($solid -> $wire)"
pick_display 1
note "Wireframe: $solid -> $wire bone pixels"

# --- Toogle Fly Mode ------------------------------------------------------------
# Held 's' moves the fly camera back even in orbit mode; the flight shows only
# once fly mode is on. The fly camera starts where the orbit camera started,
# before the drags: the picture to compare with is "orbit".
HOLD=0.3 key_tap s
shot orbit_s
same=$(differ solid orbit_s "$VIEW")
[ "$same" -lt 20 ] || fail "held s changed the orbit view ($same)"
pick_display 4
shot_changed fly_s orbit_s "$VIEW"
moved=$(differ orbit fly_s "$VIEW")
rest=$(count orbit 640x420+0+0 "$BONE_RGB")
far=$(count fly_s 640x420+0+0 "$BONE_RGB")
[ "$moved" -gt 100 ] && [ "$far" -lt "$rest" ] || fail "fly mode does not show the flight ($moved pixels, cubes $rest -> $far)"
note "fly mode shows the held key's flight ($moved pixels changed)"

# --- Show Quats -----------------------------------------------------------------
green0=$(count fly_s "$VIEW" "$GREEN")
pick_display 5
shot_changed quats fly_s "$VIEW"
green1=$(count quats "$VIEW" "$GREEN")
[ "$green0" -eq 0 ] && [ "$green1" -gt 5 ] || fail "Show Quats drew no green axes ($green0 -> $green1)"
note "Show Quats drew $green1 green pixels"
viewer_running || fail "viewer ended"
