#!/usr/bin/env bash
# The Bone and Mesh panels on the real viewer: a bone rename reaches the
# console's bone list, the key list, the heads-up display and the exported SKP;
# Prev/Next wrap; a rebuilt panel comes back unticked with the current
# selection; mesh and skin renames reach the exported SKM and leave the SKP
# alone.
. "$(dirname "$0")/viewer_common.inc"

BONE_Y=436; BONE_EDIT_X=150; BONE_BOX_X=311; BONE_PREV_X=393; BONE_NEXT_X=453
MESH_Y=406; MESH_EDIT_X=150; MESH_BOX_X=311; MESH_PREV_X=394; MESH_NEXT_X=454
SKIN_Y=437; SKIN_EDIT_X=150; SKIN_BOX_X=305

click_at() { point "$1" "$2"; xdotool click 1; sleep 0.25; }
# retype X Y TEXT: replaces the text of the box at (X, Y) and presses Enter.
retype() {
  click_at "$1" "$2"
  xdotool key End; xdotool key --repeat 80 --delay 2 BackSpace
  xdotool type --delay 20 "$3"; xdotool key Return; sleep 0.2
}
# append X Y TEXT: adds TEXT to what the box at (X, Y) shows, then Enter.
append() {
  click_at "$1" "$2"
  xdotool key End; xdotool type --delay 20 "$3"; xdotool key Return; sleep 0.2
}
# export_files: both menu exports, waiting for each console line.
export_files() {
  local kind before
  for kind in SKP SKM; do
    before=$(grep -c "^wrote $kind file\$" "$WORK/console.txt" || true)
    if [ "$kind" = SKP ]; then pick_main 0; else pick_main 1; fi
    for _ in $(seq 1 30); do
      [ "$(grep -c "^wrote $kind file\$" "$WORK/console.txt" || true)" -gt "$before" ] && break
      sleep 0.1
    done
  done
}
# bone_names / mesh_names SKP: the names as boneloom-tool info lists them.
bone_names() {
  "$TOOL" info "$WORK/data/tris.skm" "$1" \
    | awk '/^bones/ {on=1; next} on && /^ *index/ {next} on && NF==0 {exit} on {print $4}'
}
mesh_names() {
  "$TOOL" info "$1" "$WORK/data/tris.skp" | sed -n 's/^ *\([0-9]*\)  mesh "\(.*\)" skin "\(.*\)":.*/\1 \2 \3/p'
}
# expect_bone INDEX NAME: bone INDEX of the exported SKP is NAME.
expect_bone() {
  local got
  got=$(bone_names "$WORK/data/out.skp" | sed -n "$(($1 + 1))p")
  [ "$got" = "$2" ] || fail "exported bone $1 is '$got', expected '$2'"
}

make_model
bone_names "$WORK/data/tris.skp" >"$WORK/orig_bones.txt"
mesh_names "$WORK/data/tris.skm" >"$WORK/orig_meshes.txt"
last=$(($(wc -l <"$WORK/orig_bones.txt") - 1))
[ "$last" -ge 2 ] && [ "$(sed -n 2p "$WORK/orig_bones.txt")" = Spine ] || fail "unexpected demo bones"
[ "$(wc -l <"$WORK/orig_meshes.txt")" = 3 ] || fail "unexpected demo meshes"
start_viewer
shot bone_start

# --- the edit text takes nothing until "Rename" is ticked ------------------------
retype "$BONE_EDIT_X" "$BONE_Y" Nope
click_at "$BONE_BOX_X" "$BONE_Y"
lists=$(grep -c '^New BONE NAMES list:$' "$WORK/console.txt")
retype "$BONE_EDIT_X" "$BONE_Y" Zspine
shot bone_renamed
[ "$(grep -c '^New BONE NAMES list:$' "$WORK/console.txt")" = $((lists + 1)) ] || fail "no new bone list"
awk '/^New BONE NAMES list:$/ {n++; i=0; next} n && i < 2 {last[i++]=$0} END {print last[1]}' \
  "$WORK/console.txt" >"$WORK/listed.txt"
[ "$(cat "$WORK/listed.txt")" = Zspine ] || fail "the new list's second name is '$(cat "$WORK/listed.txt")'"
# The HUD's "Selected Bone:" line and the key list (a new "Key: Z" line) change.
[ "$(differ bone_start bone_renamed 200x14+0+398)" -gt 20 ] || fail "the HUD line did not change"
keys_before=$(count bone_start 128x130+512+0 "$WHITE")
keys_after=$(count bone_renamed 128x130+512+0 "$WHITE")
[ "$keys_after" -gt "$keys_before" ] || fail "no new key channel line ($keys_before -> $keys_after)"
export_files
expect_bone 1 Zspine
expect_bone 0 Pelvis
note "bone rename: console list, HUD line, key list and exported SKP"

# --- Prev and Next wrap ---------------------------------------------------------
click_at "$BONE_PREV_X" "$BONE_Y"   # bone 0
click_at "$BONE_PREV_X" "$BONE_Y"   # wraps to the last bone
last_name=$(sed -n "$((last + 1))p" "$WORK/orig_bones.txt")
append "$BONE_EDIT_X" "$BONE_Y" X
click_at "$BONE_NEXT_X" "$BONE_Y"   # wraps to bone 0
append "$BONE_EDIT_X" "$BONE_Y" Y
export_files
expect_bone "$last" "${last_name}X"
expect_bone 0 PelvisY
note "Prev from bone 0 shows the last bone, Next from the last shows bone 0"

# --- away and back: unticked, and showing the bone selected meanwhile -----------
choose_panel 1
key_tap Right 320 150                  # bone 0 -> 1 while the Mesh panel is built
choose_panel 0
shot bone_back
retype "$BONE_EDIT_X" "$BONE_Y" Nope   # unticked again: takes nothing
click_at "$BONE_BOX_X" "$BONE_Y"
append "$BONE_EDIT_X" "$BONE_Y" Q      # the text shown is bone 1's
export_files
expect_bone 1 ZspineQ
expect_bone 0 PelvisY
bone_names "$WORK/data/out.skp" | grep -q Nope && fail "a name was typed into an unticked edit"
cp "$WORK/data/out.skp" "$WORK/before_mesh.skp"
note "the rebuilt Bone panel is unticked and follows the selection"

# --- Mesh panel: mesh and skin renames reach the SKM only -------------------------
choose_panel 1
shot mesh_panel
retype "$MESH_EDIT_X" "$MESH_Y" Nope   # both edits start disabled
retype "$SKIN_EDIT_X" "$SKIN_Y" Nope
click_at "$MESH_BOX_X" "$MESH_Y"
retype "$SKIN_EDIT_X" "$SKIN_Y" Nope   # the mesh box unlocks only the mesh edit
retype "$MESH_EDIT_X" "$MESH_Y" torso
click_at "$SKIN_BOX_X" "$SKIN_Y"
retype "$SKIN_EDIT_X" "$SKIN_Y" wood_skin
click_at "$MESH_PREV_X" "$MESH_Y"      # mesh 0 -> 2
append "$MESH_EDIT_X" "$MESH_Y" X
click_at "$MESH_NEXT_X" "$MESH_Y"      # mesh 2 -> 0
append "$MESH_EDIT_X" "$MESH_Y" Y
shot mesh_renamed
export_files
mesh_names "$WORK/data/out.skm" >"$WORK/out_meshes.txt"
{
  echo "0 torsoY wood_skin"
  sed -n 2p "$WORK/orig_meshes.txt"
  sed -n 3p "$WORK/orig_meshes.txt" | awk '{print $1, $2 "X", $3}'
} >"$WORK/want_meshes.txt"
cmp -s "$WORK/out_meshes.txt" "$WORK/want_meshes.txt" \
  || fail "exported meshes: $(tr '\n' ';' <"$WORK/out_meshes.txt") expected $(tr '\n' ';' <"$WORK/want_meshes.txt")"
cmp -s "$WORK/data/out.skp" "$WORK/before_mesh.skp" || fail "mesh renames changed the SKP"
"$TOOL" check "$WORK/data/out.skm" "$WORK/data/out.skp" >/dev/null || fail "the exported pair does not check"
note "mesh and skin renames reach the SKM; the SKP is unchanged"
viewer_running || fail "the viewer ended"
