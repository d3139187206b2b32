#!/usr/bin/env bash
# The skinned meshes in the real viewer: "Show Mesh" shows the textured body,
# a key release moves it with the skeleton, and `--mesh MODEL` starts on any
# model pair with the mesh shown; a damaged texture is said on the console and
# the body drawn grey while the viewer runs on.
. "$(dirname "$0")/viewer_common.inc"

VIEW=640x400+0+0
# kinds NAME: "red grey" pixel counts of the 3D view: the demo shirt's strong
# red, and the untextured mesh's lit grey (equal channels, not black or white).
kinds() {
  local f
  convert "$WORK/$1.png" -crop "$VIEW" +repage "$WORK/.view.png"
  for f in 'r>0.4 && r>2*g && r>2*b' 'abs(r-g)<0.01 && abs(g-b)<0.01 && r>0.25 && r<0.92'; do
    convert "$WORK/.view.png" -fx "$f" -format '%[fx:round(mean*w*h)] ' info:
  done
}
make_model
start_viewer
shot plain
read -r red0 grey0 <<<"$(kinds plain)"

# --- Show Mesh: the last Display entry --------------------------------------
pick_display 6
shot_changed mesh plain "$VIEW"
read -r red1 grey1 <<<"$(kinds mesh)"
[ "$red1" -gt 2000 ] && [ "$red0" -lt 300 ] || fail "Show Mesh: no textured body (red $red0 -> $red1)"
note "Show Mesh drew the textured body ($red1 red pixels, $red0 before)"

# --- a key release moves the mesh with the skeleton --------------------------
key_tap L
shot_changed stepped mesh "$VIEW"
moved=$(differ mesh stepped "$VIEW")
[ "$moved" -gt 1500 ] || fail "the L key moved too little of the body ($moved pixels)"
note "key L moved the body ($moved pixels changed)"
stop_viewer

# --- boneloom --mesh path/to/model, with a damaged texture beside it ----------
mkdir -p "$WORK/models"
mv "$WORK/data/tris.skm" "$WORK/models/body.skm"
mv "$WORK/data/tris.skp" "$WORK/models/body.skp"
head -c 100 "$WORK/data/boneloom_skin.tga" >"$WORK/models/boneloom_skin.tga"
rm -rf "$WORK/data"
VIEWER_ARGS=(--mesh models/body.skp)
start_viewer
grep -qx "Reading SKM model models/body.skm" "$WORK/console.txt" || fail "no reading line for models/body.skm"
grep -q "^Texture models/boneloom_skin.tga: pixel data cut short$" "$WORK/console.txt" ||
  fail "no line for the damaged texture"
shot given
read -r red2 grey2 <<<"$(kinds given)"
[ "$grey2" -gt 2000 ] && [ "$red2" -lt 300 ] || fail "--mesh: no grey body (grey $grey2, red $red2)"
[ "$(differ plain given "$VIEW")" -gt 2000 ] || fail "--mesh did not change the picture"
viewer_running || fail "viewer ended after the damaged texture"
note "--mesh models/body.skp: loaded, grey body ($grey2 pixels), texture problem said"
