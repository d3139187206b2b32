#!/usr/bin/env bash
# The whole viewer under AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer, driven as a user would: key channels, arrows, the Prev/Next
# buttons, a bone rename, every panel, a rotation, playback, both exports and
# Exit from the menu. Passes only when the run ends with status 0 and no sanitizer
# report; the leaks suppressed (tests/e2e/lsan.supp) are listed in the log.
# Only meaningful in a build configured with -DBONELOOM_SANITIZE=ON.
set -euo pipefail
. "$(dirname "$0")/asan_common.inc"

# --- start -----------------------------------------------------------------------
make_model
"$TOOL" logo "$WORK/logo.tga" >/dev/null || fail "boneloom-tool logo failed"
start_asan_viewer
note "the instrumented viewer is up"

# --- key channels and arrows -----------------------------------------------------
for k in L R P S H L; do key_tap "$k" 320 150; done
# The selection starts at bone 1; Right, Right, Left and the Next and Prev
# buttons leave it at bone 2 ("Spine2" in the demo model).
for k in Right Right Left; do key_tap "$k" 320 150; done
note "key channels stepped and the selection moved with the arrows"
click_control Next
wait_until "bone 3 after Next" value_is bone: Chest
click_control Prev
wait_until "bone 2 after Prev" value_is bone: Spine2

# --- rename the selected bone ------------------------------------------------------
lists=$(console_count 'New BONE NAMES list:')
click_control Rename
wait_until "bone edit enabled" enabled_is bone: 1
type_into bone: Tail
wait_until "new bone list" more_console 'New BONE NAMES list:' $((lists + 1))
sed -n '/^New BONE NAMES list:$/h; /^New BONE NAMES list:$/!H; ${x; p}' "$WORK/console.txt" >"$WORK/last_list.txt"
[ "$(sed -n 4p "$WORK/last_list.txt")" = "Tail" ] ||
  fail "bone 2 was not renamed: $(head -n 5 "$WORK/last_list.txt" | tr '\n' ' ')"
note "bone 2 renamed to Tail"

# --- panels and rotation ---------------------------------------------------------------
choose_panel Mesh
note "Mesh panel"
export_menu 0 SKP
cp "$WORK/data/out.skp" "$WORK/unturned.skp"
choose_panel Rotate
note "Rotate panel"
type_into Yaw: 90
wait_until "yaw 90" value_is Yaw: 90
click_control Rotate
choose_panel Play
note "Play panel"
first=$(found frame: all && echo "$C_VALUE")
click_control Play
# Playing: the button reads Pause and the frame moves on.
frame_moved() { found frame: all && [ "$C_VALUE" != "$first" ]; }
wait_until "playback" frame_moved
click_control Stop
wait_until "Play button after Stop" found Play
choose_panel Bone
note "back on the Bone panel"

# --- exports -----------------------------------------------------------------------------
export_menu 0 SKP
export_menu 1 SKM
grep -aq 'Tail' "$WORK/data/out.skp" || fail "the export lacks the new bone name"
! cmp -s "$WORK/data/out.skp" "$WORK/unturned.skp" || fail "the rotation did not reach the export"
[ -s "$WORK/data/out.skm" ] || fail "no data/out.skm"
note "exports carry the rename and the rotation"

# --- exit from the menu: the leak check runs now ----------------------------------------
pick_main 3
wait_exit "$WAIT"
[ "$EXIT_RC" != running ] || fail "Exit did not end the viewer"

check_reports "exit status $EXIT_RC"
[ "$EXIT_RC" = 0 ] || fail "Exit ended with status $EXIT_RC"
note "Exit: status 0, no ASan, UBSan or LSan report"
