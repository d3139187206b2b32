#!/usr/bin/env bash
# Buttons, checkboxes and edit texts in a real window: clicks call back, an edit
# commits on Enter, Escape or focus leaving and only when the text changed, a
# disabled edit text takes no input, and keys reach the right window.
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
finish
