#!/usr/bin/env bash
# boneloom-tool gltf read by two independent readers. The Khronos glTF
# validator finds no error and no warning in the demo model (.glb and .gltf,
# two frame rates, its skin as PNG and as JPEG) and the edge models as .glb (a vertex without weights, a
# vertex of five influences, a single frame, several roots, 300 bones with
# 66000 vertices); it comes from npm, pinned by tests/gltf/package-lock.json,
# installed once into the build dir. assimp (Debian's assimp-utils) imports
# the joints (count, names, parents), the meshes' vertex and triangle counts,
# the materials and the animation keys of the model as `boneloom-tool info`
# lists it, for the demo model and the small edge models.
. "$(dirname "$0")/cli_common.inc"
need node "the validator runs on Node"
need assimp "package assimp-utils"
VALIDATOR="$BONELOOM_BUILD/gltf-validator"
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
# The demo's skin as a JPEG in a texture folder, carried as it is.
mkdir "$WORK/jpeg" "$WORK/alone"
convert "$WORK/demo/boneloom_skin.tga" -auto-orient "$WORK/jpeg/boneloom_skin.jpg"
cp "$SKM" "$SKP" "$WORK/alone/"
"$TOOL" gltf --textures "$WORK/jpeg" "$WORK/alone/tris.skm" "$SKP" "$WORK/jpeg.glb" >/dev/null
"$TOOL" gltf --textures "$WORK/jpeg" "$WORK/alone/tris.skm" "$SKP" "$WORK/jpeg.gltf" >/dev/null
make_edges
edges=$(grep -v -e "^file size" -e "^wrote" "$WORK/edge.log")
files=("$WORK/demo.glb" "$WORK/demo.gltf" "$WORK/demo10.glb" "$WORK/jpeg.glb" "$WORK/jpeg.gltf")
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
grep -q "jpeg.gltf: 0 errors, 0 warnings" "$WORK/report" || fail "no report line for the JPEG skin"

# assimp_reads FILE SKM SKP: assimp imports FILE as `info` lists SKM and SKP.
assimp_reads() {
  "$TOOL" info "$2" "$3" >"$1.info"
  assimp export "$1" "$1.assjson" -fassjson >"$1.log" 2>&1 || { cat "$1.log" >&2; fail "assimp could not import $1"; }
  node "$GLTF_TESTS/assimp_check.js" "$1.info" "$1.assjson" | sed "s|$WORK/||"
}
assimp_reads "$WORK/demo.glb" "$SKM" "$SKP"
assimp_reads "$WORK/demo.gltf" "$SKM" "$SKP"
# The wide model is left to the validator: assimp splits its 66000-vertex mesh.
for name in unweighted five oneframe roots; do
  assimp_reads "$WORK/edge/$name.glb" "$WORK/edge/$name.skm" "$WORK/edge/$name.skp"
done
echo "cli_gltf_readers: ok"
