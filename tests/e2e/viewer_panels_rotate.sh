#!/usr/bin/env bash
# The "panel:" list and the Rotate panel on the real viewer: a yaw typed past
# the limit is held at 360, "Rotate" bakes the angles into the exported SKP
# exactly as boneloom-tool rotate does, presses accumulate, and the angles
# survive leaving the panel and coming back.
. "$(dirname "$0")/viewer_common.inc"

# export_skp NAME: "Model: Save SKP file", kept as $WORK/NAME.skp.
export_skp() {
  export_menu 0 SKP
  cp "$WORK/data/out.skp" "$WORK/$1.skp" || fail "no data/out.skp after the export"
}
# rotate_tool IN OUT YAW PITCH ROLL: boneloom-tool rotate on the demo meshes.
rotate_tool() {
  "$TOOL" rotate "$WORK/data/tris.skm" "$1" "$2" --yaw "$3" --pitch "$4" --roll "$5" >/dev/null \
    || fail "boneloom-tool rotate $3 $4 $5 failed"
}

make_model
start_viewer
shot bone_panel
choose_panel Rotate
shot rotate_panel
[ "$(differ bone_panel rotate_panel 640x60+0+420)" -gt 200 ] || fail "choosing Rotate changed nothing in the strip"
note "the list switched to the Rotate panel"

# --- typing 400 leaves 360: one press turns the model by 360, not 40 -------
type_into Yaw: 400
wait_until "yaw held at 360" value_is Yaw: 360
export_skp unturned
cmp -s "$WORK/unturned.skp" "$WORK/data/tris.skp" || fail "typing an angle changed the model"
click_control Rotate
export_skp yaw360
rotate_tool "$WORK/data/tris.skp" "$WORK/tool360.skp" 360 0 0
cmp -s "$WORK/yaw360.skp" "$WORK/tool360.skp" || fail "yaw 400 did not act as 360"
rotate_tool "$WORK/data/tris.skp" "$WORK/tool40.skp" 40 0 0
cmp -s "$WORK/yaw360.skp" "$WORK/tool40.skp" && fail "yaw 400 acted as 40"
note "yaw 400 is held at 360"

# --- yaw 90 and pitch 30: the export matches boneloom-tool rotate ---------------
type_into Yaw: 90
type_into Pitch: 30
wait_until "pitch 30" value_is Pitch: 30
shot rotate_values
click_control Rotate
export_skp turned
rotate_tool "$WORK/yaw360.skp" "$WORK/tool_turned.skp" 90 30 0
cmp -s "$WORK/turned.skp" "$WORK/tool_turned.skp" || fail "the export differs from boneloom-tool rotate"
cmp -s "$WORK/turned.skp" "$WORK/yaw360.skp" && fail "Rotate changed nothing"
note "yaw 90, pitch 30: export byte-identical to boneloom-tool rotate"

# --- away and back: the angles are kept, and a second press accumulates -------
choose_panel Mesh
choose_panel Rotate
shot rotate_again
[ "$(differ rotate_values rotate_again 640x30+0+425)" -lt 50 ] || fail "the rebuilt Rotate panel shows other values"
click_control Rotate
export_skp turned_twice
rotate_tool "$WORK/tool_turned.skp" "$WORK/tool_twice.skp" 90 30 0
cmp -s "$WORK/turned_twice.skp" "$WORK/tool_twice.skp" || fail "the second press after a rebuild differs"
note "Rotate panel rebuilt with its angles; presses accumulate"
viewer_running || fail "the viewer ended"
