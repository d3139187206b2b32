#!/usr/bin/env bash
# Mouse in the real viewer: a left drag turns the view, a middle drag zooms,
# and a Ctrl+left drag pans.
. "$(dirname "$0")/viewer_common.inc"

make_model
start_viewer
VIEW=640x300+0+0

# drag BUTTON X0 Y0 X1 Y1 [MODIFIER]
drag() {
  point "$2" "$3"
  [ -n "${6:-}" ] && xdotool keydown "$6"
  xdotool mousedown "$1"
  local i
  for i in 1 2 3 4 5 6 7 8; do
    xdotool mousemove $(( $2 + ($4 - $2) * i / 8 )) $(( $3 + ($5 - $3) * i / 8 ))
    sleep 0.03
  done
  xdotool mouseup "$1"
  if [ -n "${6:-}" ]; then xdotool keyup "$6"; fi
}

shot start
drag 1 320 150 400 190
shot_changed turned start "$VIEW"
turned=$(differ start turned "$VIEW")
[ "$turned" -gt 100 ] || fail "a left drag did not turn the view ($turned pixels)"
# Motion after the release does not turn it further.
point 200 100
point 250 60
sync_viewer
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
shot_changed panned zoomed "$VIEW"
panned=$(differ zoomed panned "$VIEW")
[ "$panned" -gt 100 ] || fail "a Ctrl drag did not pan ($panned)"
note "Ctrl drag panned ($panned pixels)"

viewer_running || fail "viewer ended"
