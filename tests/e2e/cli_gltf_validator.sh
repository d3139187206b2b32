#!/usr/bin/env bash
# boneloom-tool gltf under the Khronos glTF validator: the demo model (.glb and
# .gltf, two frame rates) and the edge models as .glb (a vertex without weights, a
# vertex of five influences, a single frame, several roots, 300 bones with
# 66000 vertices) give no error and no warning. The validator comes from npm,
# pinned by tests/gltf/package-lock.json, installed once into the build dir.
. "$(dirname "$0")/cli_common.inc"
VALIDATOR="$BONELOOM_BUILD/gltf-validator"
need node "the validator runs on Node"
if [ ! -f "$VALIDATOR/node_modules/gltf-validator/package.json" ] ||
   ! cmp -s "$GLTF_TESTS/package-lock.json" "$VALIDATOR/package-lock.json"; then
  rm -rf "$VALIDATOR"
  mkdir -p "$VALIDATOR"
  cp "$GLTF_TESTS/package.json" "$GLTF_TESTS/package-lock.json" "$VALIDATOR/"
  (cd "$VALIDATOR" && npm ci --no-audit --no-fund --loglevel=error >"$WORK/npm.log" 2>&1) ||
    { cat "$WORK/npm.log" >&2; rm -rf "$VALIDATOR"; fail "npm ci of gltf-validator failed"; }
fi

make_demo
"$TOOL" gltf "$SKM" "$SKP" "$WORK/demo.glb" >/dev/null
"$TOOL" gltf "$SKM" "$SKP" "$WORK/demo.gltf" >/dev/null
"$TOOL" gltf --fps 10 "$SKM" "$SKP" "$WORK/demo10.glb" >/dev/null
make_edges
edges=$(grep -v -e "^file size" -e "^wrote" "$WORK/edge.log")
files=("$WORK/demo.glb" "$WORK/demo.gltf" "$WORK/demo10.glb")
for name in $edges; do
  "$TOOL" gltf "$WORK/edge/$name.skm" "$WORK/edge/$name.skp" "$WORK/edge/$name.glb" >/dev/null 2>&1 ||
    fail "export of edge model $name failed"
  files+=("$WORK/edge/$name.glb")
done
[ ${#files[@]} -ge 8 ] || fail "only ${#files[@]} files to validate"

node "$GLTF_TESTS/validate.js" --strict "$VALIDATOR" "${files[@]}" >"$WORK/report" || {
  cat "$WORK/report" >&2
  fail "the validator found errors or warnings"
}
sed "s|$WORK/||" "$WORK/report"
grep -q "demo.glb: 0 errors, 0 warnings" "$WORK/report" || fail "no report line for the demo model"
echo "cli_gltf_validator: ok"
