#!/usr/bin/env bash
# Closing strips in a real window: a closed strip's window goes, its place in the
# layout goes with it, later events never reach its controls, a callback may close
# its own strip, and an edit in progress is committed before a panel switch.
. "$(dirname "$0")/glui_common.inc"

child_count() { xwininfo -children -id "$WID" | awk '/child(ren)?[.:]?$/ { print $1 }' | head -n 1; }

choose() {  # item index in the panel list
  click_mid panel.list box
  read_layout
  local dx dy dw dh count
  read -r dx dy dw dh count <<<"$(awk '$1 == "drop" { print $3, $4, $5, $6, $7 }' "$WORK/layout.txt")"
  [ -n "${count:-}" ] || fail "the list did not open"
  local row=$(((dh - 2) / count))
  xdotool mousemove $((dx + dw / 2)) $((dy + 1 + $1 * row + row / 2)) click 1
}

start_probe Bone
read_layout
read -r sy sw sh <<<"$(awk '$1 == "strip" && $2 == 0 { print $3, $4, $5 }' "$WORK/layout.txt")"
read -r nx ny nw nh <<<"$(rect at bone.next)"

# Closed from the main window's key handler: the strip goes at its next redisplay.
mark; xdotool mousemove "$MAIN_X" "$MAIN_Y" key c
wait_for '^closed panel$'
wait_for "^reshape 640 480 viewport 0 $sh 640 $((480 - sh))\$"
mark; sync_probe
since | grep -q "^viewport 0 $sh 640 $((480 - sh))\$" || fail "the closed strip still counts"
for i in $(seq 1 30); do [ "$(child_count)" = 1 ] && break; sleep 0.1; done
[ "$(child_count)" = 1 ] || fail "$(child_count) child windows after the close"
note "closed strip destroyed; the free area grows back to 0 $sh 640 $((480 - sh))"

# Where its "Next" button was is now the main window: a click there is the program's.
mark; xdotool mousemove $((nx + nw / 2)) $((ny + nh / 2)) click 1
wait_for "^mouse 0 0 $((nx + nw / 2)) $((ny + nh / 2))\$"
expect_none '^button '
note "no event reaches the closed strip's controls"

# A button whose callback closes its own strip.
mark; choose 0
wait_for '^switched Bone$'
read_layout
mark; click_mid bone.close
wait_for '^closing own panel$'
wait_for "^reshape 640 480 viewport 0 $sh 640 "
mark; xdotool mousemove $((nx + nw / 2)) $((ny + nh / 2)) click 1 click 1
expect_none '^(button|closing) '
note "a callback may close its own strip"

# Switch panels with an edit in progress: the edit ends (calling back) before the switch.
mark; choose 0
wait_for '^switched Bone$'
read_layout
click_mid bone.rename
click_box_end bone.edit
xdotool type 2
mark; choose 1
wait_for '^switched Mesh$'
first=$(since | grep -En '^(edit|listbox) ' | head -n 2 | cut -d: -f2 | tr '\n' ' ')
[ "$first" = "edit 100 [Spine2] listbox 300 1 current 1 " ] || fail "order was: $first"
note "the edit ends with its callback before the switch"

# Many switches: exactly one panel strip stays, and the probe keeps running.
for item in 2 0 1 2 0; do choose "$item"; done
read_layout
for i in $(seq 1 30); do [ "$(child_count)" = 2 ] && break; sleep 0.1; done
[ "$(child_count)" = 2 ] || fail "$(child_count) child windows after switching"
[ "$(grep -c '^strip ' "$WORK/layout.txt")" = 2 ] || fail "closed strips still laid out"
note "after many switches only the selector and one panel remain"
finish
