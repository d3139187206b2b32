#!/usr/bin/env bash
# boneloom-tool gltf read back by assimp (Debian's assimp-utils): for the demo
# model and the small edge models, the joints (count, names, parents), the
# meshes' vertex and triangle counts, the materials and the animation keys
# assimp imports equal the model as `boneloom-tool info` lists it.
. "$(dirname "$0")/cli_common.inc"
need assimp "package assimp-utils"
need node

check() {  # check NAME SKM SKP EXT
  local name=$1 skm=$2 skp=$3 ext=$4
  "$TOOL" info "$skm" "$skp" >"$WORK/$name.info"
  "$TOOL" gltf "$skm" "$skp" "$WORK/$name.$ext" >/dev/null 2>&1 || fail "export of $name failed"
  assimp export "$WORK/$name.$ext" "$WORK/$name.assjson" -fassjson >"$WORK/$name.assimp.log" 2>&1 || {
    cat "$WORK/$name.assimp.log" >&2
    fail "assimp could not import $name.$ext"
  }
  node "$GLTF_TESTS/assimp_check.js" "$WORK/$name.info" "$WORK/$name.assjson" | sed "s|$WORK/||"
}

make_demo
check demo "$SKM" "$SKP" glb
check demo-text "$SKM" "$SKP" gltf
make_edges
# The wide model is left to the validator: assimp splits its 66000-vertex mesh.
for name in unweighted five oneframe roots; do
  check "$name" "$WORK/edge/$name.skm" "$WORK/edge/$name.skp" glb
done
echo "cli_gltf_assimp: ok"
