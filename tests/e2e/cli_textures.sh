#!/usr/bin/env bash
# Where a skin's texture is found, as info shows it: the name as given, then
# with .tga, .png, .jpg, .jpeg, in the model's folder, each --textures folder
# in order, then the working directory; an exact spelling before a match in
# any case, folder by folder. render and gltf find the same file with the
# same options, and say once when there is none.
. "$(dirname "$0")/cli_common.inc"
make_demo
mkdir -p "$WORK/tex1" "$WORK/tex2" "$WORK/cwd"
cd "$WORK/cwd"
# resolves WANT [OPTION...]: info's texture line for every mesh of the demo.
resolves() {
  local want=$1
  shift
  expect 0 "$TOOL" info "$SKM" "$SKP" "$@"
  [ "$(grep -c "^         texture: $want\$" "$WORK/out.txt")" -eq 3 ] ||
    fail "info $*: want texture $want, got: $(grep 'texture:' "$WORK/out.txt" | sort -u)"
}
SKIN="$WORK/demo/boneloom_skin.tga"
convert "$SKIN" "$WORK/tex1/boneloom_skin.png"
convert "$SKIN" "$WORK/tex2/BONELOOM_SKIN.JPG"
cp "$WORK/tex1/boneloom_skin.png" boneloom_skin.jpeg

resolves "$SKIN" --textures "$WORK/tex1"                           # the model's folder first
cp "$WORK/tex1/boneloom_skin.png" "$WORK/demo/boneloom_skin"
resolves "$WORK/demo/boneloom_skin"                                # the name as given first
rm "$WORK/demo/boneloom_skin"
mv "$SKIN" "$WORK/skin.tga"
resolves "$WORK/tex1/boneloom_skin.png" --textures "$WORK/tex1" --textures "$WORK/tex2"
resolves "$WORK/tex2/BONELOOM_SKIN.JPG" --textures="$WORK/tex2" --textures "$WORK/tex1"
resolves "boneloom_skin.jpeg"                                      # the working directory last
cp "$WORK/skin.tga" "$WORK/demo/Boneloom_Skin.Tga"
resolves "$WORK/demo/Boneloom_Skin.Tga" --textures "$WORK/tex1"    # any case, yet in the model's folder

# render and gltf look skins up alike: a skin only in a --textures folder is
# drawn and carried without a word; nowhere, one line each.
rm "$WORK/demo/Boneloom_Skin.Tga" boneloom_skin.jpeg
render() { LD_PRELOAD="$(gl_preload)" "$TOOL" render "$@"; }
expect 0 render "$SKM" "$SKP" "$WORK/r.png" --size 64x64 --textures "$WORK/tex2"
[ ! -s "$WORK/err.txt" ] || fail "render with --textures: $(cat "$WORK/err.txt")"
expect 0 "$TOOL" gltf --textures "$WORK/tex2" "$SKM" "$SKP" "$WORK/t.glb"
[ ! -s "$WORK/err.txt" ] || fail "gltf with --textures: $(cat "$WORK/err.txt")"
grep -q '"mimeType":"image/jpeg"' "$WORK/t.glb" || fail "the JPEG skin is not in the .glb"
resolves "not found"
expect 0 render "$SKM" "$SKP" "$WORK/r.png" --size 64x64 --textures "$WORK/cwd"
[ "$(cat "$WORK/err.txt")" = "boneloom-tool render: Texture $WORK/demo/boneloom_skin.tga: no such file (nor in the texture folders or the working directory)" ] ||
  fail "render without the skin: $(cat "$WORK/err.txt")"
expect 0 "$TOOL" gltf "$SKM" "$SKP" "$WORK/t.gltf"
[ "$(cat "$WORK/err.txt")" = "boneloom-tool gltf: warning: skin \"boneloom_skin\": $WORK/demo/boneloom_skin.tga: no such file; exported untextured" ] ||
  fail "gltf without the skin: $(cat "$WORK/err.txt")"
expect 2 "$TOOL" info "$SKM" "$SKP" --textures
echo "cli_textures: ok"
