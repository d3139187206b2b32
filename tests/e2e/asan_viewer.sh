#!/usr/bin/env bash
# The whole viewer under AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer, driven as a user would: key channels, arrows, the Prev/Next
# buttons, a bone rename, every panel, a rotation, playback, both exports and
# Exit from the menu. Passes only when the run ends with status 0 and no sanitizer
# report; the leaks suppressed (tests/e2e/lsan.supp) are listed in the log.
# Only meaningful in a build configured with -DBONELOOM_SANITIZE=ON.
set -euo pipefail
. "$(dirname "$0")/asan_common.inc"

panel_strip() { strips | tail -n 2 | head -n 1; }
panel_id() { panel_strip | awk '{print $3}'; }
panel_changed() { [ "$(panel_id)" != "$1" ]; }

# The middle row of the current panel.
panel_row_y() { panel_strip | awk '{print $1 + int($2 / 2)}'; }

# The drop-down of the "panel:" listbox, "x y w h" once it is on screen: a
# small child window above the strip.
dropdown() {
  local id
  for id in $(xwininfo -id "$WID" -children 2>/dev/null | awk '$0 ~ /^ +0x/ {
      split($(NF-1), s, "[x+]"); if (s[1] < 200 && s[2] > 30) print $1 }'); do
    xwininfo -id "$id" 2>/dev/null | awk '
      /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
      /Width:/ {w=$NF} /Height:/ {h=$NF} /Map State: IsViewable/ {m=1}
      END {if (m) print x, y, w, h}'
  done | head -n 1
}
dropdown_open() { [ -n "$(dropdown)" ]; }

# choose_panel INDEX: picks item INDEX (Bone 0, Mesh 1, Rotate 2, Play 3) and waits
# for the new panel's window.
choose_panel() {
  local sel_y old
  old=$(panel_id)
  sel_y=$(strips | tail -n 1 | awk '{print $1 + int($2 / 2)}')
  point 70 "$sel_y"
  xdotool click 1
  wait_until 20 "drop-down" dropdown_open
  local dx dy dw dh row
  read -r dx dy dw dh <<<"$(dropdown)"
  row=$(((dh - 2) / 4))
  point $((dx + dw / 2)) $((dy + 1 + $1 * row + row / 2))
  sleep 0.5
  xdotool click 1
  wait_until 30 "new panel" panel_changed "$old"
  sleep 1
}

# A menu entry, with waits long enough for a slow viewer. Entries: 0 Save
# SKP, 1 Save SKM, 3 Exit.
menu_open() { [ "$(menu_windows | wc -l)" -ge 1 ]; }
slow_pick_main() {
  point "$MENU_X" "$MENU_Y"
  xdotool click 3
  xdotool mousemove $((MENU_X + 8)) $((MENU_Y + 8))
  wait_until 20 "pop-up menu" menu_open
  sleep 0.5
  local x y w h
  read -r x y w h < <(menu_windows | head -n 1)
  point $((x + 30)) "$(entry_y "$y" "$h" 4 "$1")"
  sleep 0.5
  xdotool click 1
}

# typed_edit X TEXT: replaces the text of the edit field at x X in the panel
# row and commits it with Enter.
typed_edit() {
  local y
  y=$(panel_row_y)
  point "$1" "$y"
  xdotool click 1
  sleep 0.5
  xdotool key End
  local i
  for i in $(seq 1 12); do xdotool key BackSpace; done
  xdotool type --delay 60 -- "$2"
  sleep 0.3
  xdotool key Return
}

# --- start -----------------------------------------------------------------------
make_model
"$TOOL" logo "$WORK/logo.tga" >/dev/null || fail "boneloom-tool logo failed"
start_asan_viewer
sleep 2
note "the instrumented viewer is up"

# --- key channels and arrows -----------------------------------------------------
events=$(lines ' - ')
for k in L R P S H L; do key_tap "$k" 320 150; done
wait_until 30 "key-event lines" more_lines ' - ' $((events + 12))
# The selection starts at bone 1; Right, Right, Left and the Next and Prev
# buttons leave it at bone 2 ("Spine2" in the demo model).
for k in Right Right Left; do key_tap "$k" 320 150; done
wait_until 30 "arrow-key lines" more_lines ' - ' $((events + 18))
note "key channels stepped and the selection moved with the arrows"
row=$(panel_row_y)
point 452 "$row"; xdotool click 1; sleep 1
point 392 "$row"; xdotool click 1; sleep 1

# --- rename the selected bone ------------------------------------------------------
lists=$(lines '^New BONE NAMES list:$')
point 311 "$row"; xdotool click 1; sleep 1   # tick "Rename"
typed_edit 280 Tail
wait_until 30 "new bone list" more_lines '^New BONE NAMES list:$' $((lists + 1))
sed -n '/^New BONE NAMES list:$/h; /^New BONE NAMES list:$/!H; ${x; p}' "$WORK/console.txt" >"$WORK/last_list.txt"
[ "$(sed -n 4p "$WORK/last_list.txt")" = "Tail" ] ||
  fail "bone 2 was not renamed: $(head -n 5 "$WORK/last_list.txt" | tr '\n' ' ')"
note "bone 2 renamed to Tail"

# --- panels and rotation ---------------------------------------------------------------
choose_panel 1
note "Mesh panel"
slow_pick_main 0
wait_until 30 "first SKP export" more_lines '^wrote SKP file$' 1
cp "$WORK/data/out.skp" "$WORK/unturned.skp"
choose_panel 2
note "Rotate panel"
typed_edit 94 90       # Yaw
sleep 1
point 383 "$(panel_row_y)"
xdotool click 1        # Rotate
sleep 2
choose_panel 3
note "Play panel"
point 33 "$(panel_row_y)"
xdotool click 1        # Play
sleep 2
point 103 "$(panel_row_y)"
xdotool click 1        # Stop
sleep 1
choose_panel 0
note "back on the Bone panel"

# --- exports -----------------------------------------------------------------------------
slow_pick_main 0
wait_until 30 "second SKP export" more_lines '^wrote SKP file$' 2
slow_pick_main 1
wait_until 30 "SKM export" more_lines '^wrote SKM file$' 1
grep -aq 'Tail' "$WORK/data/out.skp" || fail "the export lacks the new bone name"
! cmp -s "$WORK/data/out.skp" "$WORK/unturned.skp" || fail "the rotation did not reach the export"
[ -s "$WORK/data/out.skm" ] || fail "no data/out.skm"
note "exports carry the rename and the rotation"

# --- exit from the menu: the leak check runs now ----------------------------------------
slow_pick_main 3
wait_exit "$LIMIT"
[ "$EXIT_RC" != running ] || fail "Exit did not end the viewer"

check_reports "exit status $EXIT_RC"
[ "$EXIT_RC" = 0 ] || fail "Exit ended with status $EXIT_RC"
note "Exit: status 0, no ASan, UBSan or LSan report"
