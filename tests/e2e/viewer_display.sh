#!/usr/bin/env bash
# The Display submenu of the real viewer changes what the picture shows:
# wireframe, fly mode (with the flight of a held key), the parents' axes.
. "$(dirname "$0")/viewer_common.inc"

make_model
start_viewer
VIEW=640x300+0+0
shot orbit

# --- Wireframe: the cubes lose their filled insides ---------------------------
# Zoomed in first (a middle drag up), so the cubes are large.
point 320 300
xdotool mousedown 2
for y in 260 220 180 140 100 60 40; do xdotool mousemove 320 $y; sleep 0.03; done
xdotool mouseup 2
shot_changed solid orbit "$VIEW"
pick_display 1
shot_changed wire solid "$VIEW"
solid=$(count solid 640x420+0+0 "$BONE_RGB")
wire=$(count wire 640x420+0+0 "$BONE_RGB")
[ "$wire" -lt $((solid * 3 / 4)) ] || fail "Wireframe did not thin the cubes ($solid -> $wire)"
pick_display 1
note "Wireframe: $solid -> $wire bone pixels"

# --- Toogle Fly Mode ------------------------------------------------------------
# Held 's' moves the fly camera back even in orbit mode; the flight shows only
# once fly mode is on (both cameras start with the same view).
point 320 150
xdotool windowfocus "$WID"
events=$(key_lines)
xdotool keydown s
sleep 0.3
xdotool keyup s
wait_until "console lines of the held s" more_key_lines $((events + 2))
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
