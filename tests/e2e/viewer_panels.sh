#!/usr/bin/env bash
# The Bone, Mesh and Rotate panels on the real viewer: a bone rename reaches
# the console's bone list, the key list, the heads-up display and the exported
# SKP; Prev/Next wrap; a rebuilt panel comes back unticked with the current
# selection; mesh and skin renames reach the exported SKM and leave the SKP
# alone. A yaw typed past the limit is held at 360, "Rotate" bakes the angles
# into the exported SKP exactly as boneloom-tool rotate does, presses
# accumulate, and the angles survive leaving the panel and coming back.
. "$(dirname "$0")/viewer_common.inc"

# export_files: both menu exports, each waiting for its console line.
export_files() { export_menu 0 SKP; export_menu 1 SKM; }
# mesh_names SKM: the names as boneloom-tool info lists them.
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
# orig_name INDEX / orig_mesh INDEX: a bone's or a mesh's name in the demo model.
orig_name() { sed -n "$(($1 + 1))p" "$WORK/orig_bones.txt"; }
orig_mesh() { sed -n "$(($1 + 1))p" "$WORK/orig_meshes.txt" | cut -d' ' -f2; }
start_viewer
shot bone_start

# --- the edit text takes nothing until "Rename" is ticked ------------------------
type_into bone: Nope
click_control Rename
wait_until "bone edit enabled" enabled_is bone: 1
lists=$(console_count 'New BONE NAMES list:')
type_into bone: Zspine
wait_until "new bone list" more_console 'New BONE NAMES list:' $((lists + 1))
shot_changed bone_renamed bone_start 200x14+0+398
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
click_control Prev
wait_until "bone 0 after Prev" value_is bone: "$(orig_name 0)"
click_control Prev
last_name=$(orig_name "$last")
wait_until "the last bone after Prev from bone 0" value_is bone: "$last_name"
append bone: X
wait_until "the last bone renamed" value_is bone: "${last_name}X"
click_control Next
wait_until "bone 0 after Next from the last bone" value_is bone: "$(orig_name 0)"
append bone: Y
wait_until "bone 0 renamed" value_is bone: "$(orig_name 0)Y"
export_files
expect_bone "$last" "${last_name}X"
expect_bone 0 PelvisY
note "Prev from bone 0 shows the last bone, Next from the last shows bone 0"

# --- away and back: unticked, and showing the bone selected meanwhile -----------
choose_panel Mesh
key_tap Right 320 150                  # bone 0 -> 1 while the Mesh panel is built
choose_panel Bone
type_into bone: Nope                   # unticked again: takes nothing
click_control Rename
wait_until "bone edit enabled" enabled_is bone: 1
append bone: Q                         # the text shown is bone 1's
wait_until "bone 1 renamed" more_console 'New BONE NAMES list:' $((lists + 4))
export_files
expect_bone 1 ZspineQ
expect_bone 0 PelvisY
bone_names "$WORK/data/out.skp" | grep -q Nope && fail "a name was typed into an unticked edit"
cp "$WORK/data/out.skp" "$WORK/before_mesh.skp"
note "the rebuilt Bone panel is unticked and follows the selection"

# --- Mesh panel: mesh and skin renames reach the SKM only -------------------------
choose_panel Mesh
type_into mesh: Nope                   # both edits start disabled
type_into skin: Nope
click_control meshpanel/Rename
wait_until "mesh edit enabled" enabled_is mesh: 1
type_into skin: Nope                   # the mesh box unlocks only the mesh edit
type_into mesh: torso
wait_until "mesh renamed" value_is mesh: torso
click_control skin/Rename
wait_until "skin edit enabled" enabled_is skin: 1
type_into skin: wood_skin
wait_until "skin renamed" value_is skin: wood_skin
click_control Prev                     # mesh 0 -> 2
wait_until "mesh 2 after Prev" value_is mesh: "$(orig_mesh 2)"
append mesh: X
wait_until "mesh 2 renamed" value_is mesh: "$(orig_mesh 2)X"
click_control Next                     # mesh 2 -> 0
wait_until "mesh 0 after Next" value_is mesh: torso
append mesh: Y
wait_until "mesh 0 renamed again" value_is mesh: torsoY
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

# --- Rotate panel ------------------------------------------------------------------
# export_skp NAME: "Model: Save SKP file", kept as $WORK/NAME.skp.
export_skp() {
  export_menu 0 SKP
  cp "$WORK/data/out.skp" "$WORK/$1.skp"
}
# rotate_tool IN OUT YAW PITCH ROLL: boneloom-tool rotate on the demo meshes.
rotate_tool() {
  "$TOOL" rotate "$WORK/data/tris.skm" "$1" "$2" --yaw "$3" --pitch "$4" --roll "$5" >/dev/null \
    || fail "boneloom-tool rotate $3 $4 $5 failed"
}
choose_panel Rotate

# Typing 400 leaves 360: one press turns the model by 360, not 40.
type_into Yaw: 400
wait_until "yaw held at 360" value_is Yaw: 360
export_skp unturned
cmp -s "$WORK/unturned.skp" "$WORK/before_mesh.skp" || fail "typing an angle changed the model"
click_control Rotate
export_skp yaw360
rotate_tool "$WORK/unturned.skp" "$WORK/tool360.skp" 360 0 0
cmp -s "$WORK/yaw360.skp" "$WORK/tool360.skp" || fail "yaw 400 did not act as 360"
rotate_tool "$WORK/unturned.skp" "$WORK/tool40.skp" 40 0 0
cmp -s "$WORK/yaw360.skp" "$WORK/tool40.skp" && fail "yaw 400 acted as 40"
note "yaw 400 is held at 360"

# Yaw 90 and pitch 30: the export matches boneloom-tool rotate.
type_into Yaw: 90
type_into Pitch: 30
wait_until "pitch 30" value_is Pitch: 30
click_control Rotate
export_skp turned
rotate_tool "$WORK/yaw360.skp" "$WORK/tool_turned.skp" 90 30 0
cmp -s "$WORK/turned.skp" "$WORK/tool_turned.skp" || fail "the export differs from boneloom-tool rotate"
cmp -s "$WORK/turned.skp" "$WORK/yaw360.skp" && fail "Rotate changed nothing"
note "yaw 90, pitch 30: export byte-identical to boneloom-tool rotate"

# Away and back: the angles are kept, and a second press accumulates.
choose_panel Mesh
choose_panel Rotate
value_is Yaw: 90 && value_is Pitch: 30 || fail "the rebuilt Rotate panel shows other values"
click_control Rotate
export_skp turned_twice
rotate_tool "$WORK/tool_turned.skp" "$WORK/tool_twice.skp" 90 30 0
cmp -s "$WORK/turned_twice.skp" "$WORK/tool_twice.skp" || fail "the second press after a rebuild differs"
note "Rotate panel rebuilt with its angles; presses accumulate"
viewer_running || fail "the viewer ended"
