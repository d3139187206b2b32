#!/usr/bin/env bash
# Controls in a real window. Buttons, checkboxes and edit texts: clicks call
# back, an edit commits on Enter, Escape or focus leaving and only when the text
# changed, a disabled edit text takes no input, and keys reach the right
# window. The listbox's drop-down and float spinners: a choice sets the live
# int and calls back, typed values are clamped to the spinner's limits,
# rejected text leaves the value alone, and the arrows step it.
. "$(dirname "$0")/glui_common.inc"

start_probe Bone
read_layout

# Button: calls back once, and the main window is current again afterwards.
mark; click_mid Next
wait_for '^button 2 current 1$'
note "button calls back with the main window current"

# The edit text starts disabled: clicks and keys do nothing.
mark; click_box_end bone:; xdotool type abc; xdotool key Return
expect_none '^edit '
shot disabled
note "disabled edit text takes no input"

# Checkbox: ticking it calls back with the live int set; the probe then enables the edit.
mark; click_mid Rename
wait_for '^checkbox 102 1$'
note "checkbox toggles its live int and calls back"

mark; click_box_end bone:; xdotool type Xy; xdotool key Return
wait_for '^edit 100 \[SpineXy\]$'
note "Enter commits the edit"

mark; click_box_end bone:; xdotool type z; xdotool key BackSpace Return
expect_none '^edit '
note "no callback when the text is unchanged"

mark; click_box_end bone:; xdotool type Q; xdotool key Escape
wait_for '^edit 100 \[SpineXyQ\]$'
note "Escape ends the edit, keeping the text"

mark; click_box_end bone:; xdotool key Home Delete End Left BackSpace
xdotool type 'R k'
shot editing
xdotool mousemove "$MAIN_X" "$MAIN_Y" click 1
wait_for '^edit 100 \[pineXR kQ\]$'
wait_for "^mouse 0 0 $MAIN_X $MAIN_Y\$"
note "a click in the main window ends the edit, then reaches the program"

# Keys over a strip with no focused control go nowhere; over the main window they
# reach the program's handler.
read -r bx by bw bh <<<"$(rect Prev)"
mark; xdotool mousemove $((bx + 2)) $((by + 2)) key k
expect_none '^key 107 '
mark; xdotool mousemove "$MAIN_X" "$MAIN_Y" key k
wait_for "^key 107 $MAIN_X $MAIN_Y\$"
mark; xdotool key Left
wait_for '^special 100$'
note "keys reach the window under the pointer"

# Unticking disables the edit again.
mark; click_mid Rename
wait_for '^checkbox 102 0$'
mark; click_box_end bone:; xdotool type more; xdotool key Return
expect_none '^edit '
note "unticked: the edit text is disabled again"

# Look: light strips with dark text, and the disabled text drawn grey.
shot strips 640x60+0+420
[ "$(awk "BEGIN { print ($(brightness strips 640x60+0+0) > 0.7) }")" = 1 ] || fail "strips are not light"
convert "$WORK/strips.png" -threshold 30% -negate -format '%[fx:mean*w*h]' info: >"$WORK/dark.txt"
[ "$(awk '{ print ($1 > 100) }' "$WORK/dark.txt")" = 1 ] || fail "no dark text in the strips"

# --- the listbox and the spinners ----------------------------------------------
read_layout
# Click the listbox: its list opens above the strip, one row per item.
click_mid panel:
read_layout
read -r dx dy dw dh count <<<"$(drop_rect)"
[ -n "${count:-}" ] || fail "no drop-down open after clicking the listbox"
[ "$count" = 3 ] || fail "drop-down has $count items"
read -r lx ly lw lh <<<"$(rect panel: box)"
[ $((dy + dh)) -le "$ly" ] || fail "drop-down at $dy+$dh does not open above the listbox at $ly"
shot dropdown
[ "$(awk "BEGIN { print ($(brightness dropdown "$((dw - 4))x$((dh - 4))+$((dx + 2))+$((dy + 2))") > 0.6) }")" = 1 ] ||
  fail "the drop-down is not drawn"
row=$(((dh - 2) / count))

# Choose the third item, "Rotate".
mark; xdotool mousemove $((dx + dw / 2)) $((dy + 1 + 2 * row + row / 2)) click 1
wait_for '^listbox 300 2 current 1$'
wait_for '^switched Rotate$'
note "a choice sets the live int to the item's id and calls back"

# The old panel goes and the program hears of the new free area.
wait_for '^reshape 640 480 viewport '
read_layout
layout_lookup "$WORK/layout.txt" Yaw: >/dev/null || fail "no Yaw spinner after the switch"
[ "$(layout_strips "$WORK/layout.txt" | wc -l)" = 2 ] || fail "the closed strip is still laid out"
shot rotate

type_into() {  # spinner tag, text, then Enter
  click_box_end "$1"
  xdotool key BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
  [ -n "$2" ] && xdotool type -- "$2"
  xdotool key Return
}

mark; type_into Yaw: 400
wait_for '^spinner 20 360 0 0$'
mark; type_into Roll: -1000
wait_for '^spinner 22 360 0 -360$'
note "typed values are clamped: 400 leaves 360, -1000 leaves -360"

mark; type_into Pitch: abc
type_into Pitch: ''
type_into Yaw: 360.0
expect_none '^spinner '
note "letters, empty text and the same value change nothing"

read -r ax ay aw ah <<<"$(rect Yaw: arrows)"
mark; xdotool mousemove $((ax + aw / 2)) $((ay + 3)) click 1
click_mid Rotate
wait_for '^rotate 360 0 -360$'
if since | grep -q '^spinner 20'; then fail "the up arrow stepped past the limit"; fi
read -r ax ay aw ah <<<"$(rect Pitch: arrows)"
mark; xdotool mousemove $((ax + aw / 2)) $((ay + 3)) click 1
wait_for '^spinner 21 360 1 -360$'
mark; xdotool mousemove $((ax + aw / 2)) $((ay + ah - 3)) click 1 click 1
wait_for '^spinner 21 360 -1 -360$'
note "arrows step the value, not past the limits"

# Press on the listbox, drag into the list and release on "Bone".
read -r lx ly lw lh <<<"$(rect panel: box)"
mark
xdotool mousemove $((lx + lw / 2)) $((ly + lh / 2)) mousedown 1
sleep 0.3
xdotool mousemove $((lx + lw / 2)) $((ly - (3 * row + 2) + 1 + row / 2)) sleep 0.2 mouseup 1
wait_for '^listbox 300 0 current 1$'
wait_for '^switched Bone$'
note "press, drag and release also chooses"

# Choosing the panel already shown calls back and changes nothing.
click_mid panel:
read_layout
read -r dx dy dw dh count <<<"$(drop_rect)"
mark; xdotool mousemove $((dx + dw / 2)) $((dy + 1 + row / 2)) click 1
wait_for '^listbox 300 0 current 1$'
expect_none '^switched '

# A click elsewhere closes an open list without a choice.
click_mid panel:
mark; xdotool mousemove "$MAIN_X" "$MAIN_Y" click 1
read_layout
if [ -n "$(drop_rect)" ]; then fail "the list stayed open"; fi
expect_none '^listbox '
note "a click elsewhere closes the list"
finish
