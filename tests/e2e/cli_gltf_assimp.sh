#!/usr/bin/env bash
# boneloom-tool gltf read back by assimp (Debian's assimp-utils): for the demo
# model and the small edge models, the joints (count, names, parents), the
# meshes' vertex and triangle counts, the materials and the animation keys
# assimp imports equal the model as `boneloom-tool info` lists it.
set -euo pipefail
TOOL="$BONELOOM_BUILD/boneloom-tool"
EDGE="$BONELOOM_BUILD/tests/gltf/gltf-edge-models"
GLTF_TESTS="$BONELOOM_SOURCE/tests/gltf"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

command -v assimp >/dev/null || fail "assimp is not installed (package assimp-utils)"
command -v node >/dev/null || fail "node is not installed"

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

"$TOOL" sample "$WORK/demo" >/dev/null
check demo "$WORK/demo/tris.skm" "$WORK/demo/tris.skp" glb
check demo-text "$WORK/demo/tris.skm" "$WORK/demo/tris.skp" gltf

mkdir "$WORK/edge"
"$EDGE" "$WORK/edge" >/dev/null
# The wide model is left to the validator: assimp splits its 66000-vertex mesh.
for name in unweighted five oneframe roots; do
  check "$name" "$WORK/edge/$name.skm" "$WORK/edge/$name.skp" glb
done
echo "cli_gltf_assimp: ok"
