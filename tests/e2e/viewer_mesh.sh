#!/usr/bin/env bash
# The skinned meshes in the real viewer, and the viewer and boneloom-tool render
# drawing one picture of one model, pose and camera: the 3D view (orbit camera
# at its start, two L releases, bone 1 selected) against an off-screen render
# of the same, without the mesh and, once "Show Mesh" shows the textured body,
# with it; a key release moves the body with the skeleton. `--mesh MODEL`
# starts on any model pair with the mesh shown; a damaged texture is said on
# the console and the body drawn grey while the viewer runs on. The text
# overlays are left out of the comparisons.
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
key_tap L
key_tap L
# The 3D view ends where the layer's topmost control strip begins.
top=$(view_top)
[ -n "$top" ] && [ "$top" -gt 100 ] || fail "no control strip below the 3D view ($top)"

# The middle of the view where the model stands, clear of the key list (top
# right) and the HUD (bottom left).
view_geom() { echo "360x$((top - 80))+120+20"; }
# drawn NAME: the view's drawn pixels (anything above near-black) as a mask.
drawn() {
  convert "$WORK/$1.png" -crop "$(view_geom)" +repage -colorspace gray -threshold 10% "$WORK/$1.m.png"
}
# stray A B: drawn pixels of A more than a pixel away from any drawn pixel of
# B, and the other way round. The window smooths its lines and the off-screen
# target does not, so a line's edge may move by a pixel; a changed pose or a
# missing mesh moves far more.
stray() {
  local a b
  drawn "$1"
  drawn "$2"
  a=$(convert "$WORK/$1.m.png" \( "$WORK/$2.m.png" -morphology Dilate Square:1 -negate \) \
    -compose multiply -composite -format '%[fx:round(mean*w*h)]' info:)
  b=$(convert "$WORK/$2.m.png" \( "$WORK/$1.m.png" -morphology Dilate Square:1 -negate \) \
    -compose multiply -composite -format '%[fx:round(mean*w*h)]' info:)
  echo $((a + b))
}
# shade A B: pixels of the lower legs whose colours differ by more than a
# shade; the window's smoothed edges account for a few percent. Only there:
# the viewer tints its selected mesh (the body, from the hips up), which a
# render has no selection for.
legs_geom() { local h=$((top - 80)); echo "360x$((h * 3 / 10))+120+$((20 + h * 7 / 10))"; }
shade() {
  convert "$WORK/$1.png" -crop "$(legs_geom)" +repage "$WORK/.a.png"
  convert "$WORK/$2.png" -crop "$(legs_geom)" +repage "$WORK/.b.png"
  compare -metric AE -fuzz 12% "$WORK/.a.png" "$WORK/.b.png" null: 2>&1 || true
}
render() {  # render NAME OPTION...: boneloom-tool render of the view into NAME.png
  "$TOOL" render "$WORK/data/tris.skm" "$WORK/data/tris.skp" "$WORK/$1.png" \
    --size "640x$top" --distance 128 --select 1 "${@:2}" >/dev/null || fail "render $1"
}

# --- the skeleton alone -----------------------------------------------------------
shot viewer
read -r red0 grey0 <<<"$(kinds viewer)"
render same --press LL --no-mesh
render other --press L --no-mesh
same=$(stray viewer same)
other=$(stray viewer other)
[ "$same" -le 10 ] || fail "skeleton: $same drawn pixels of the render and the viewer lie apart"
[ "$other" -gt $((same + 20)) ] || fail "skeleton: a different pose is not told apart ($other vs $same)"
note "skeleton: the render matches the viewer's view ($same stray pixels; another pose: $other)"

# --- Show Mesh (the last Display entry): the textured body, as the render draws
# it: same outline, and the same lit and textured colours on the legs ----------
pick_display 6
shot_changed viewer_mesh viewer "$VIEW"
read -r red1 grey1 <<<"$(kinds viewer_mesh)"
[ "$red1" -gt 2000 ] && [ "$red0" -lt 300 ] || fail "Show Mesh: no textured body (red $red0 -> $red1)"
render mesh --press LL
same=$(stray viewer_mesh mesh)
other=$(stray viewer_mesh same)
[ "$same" -le 20 ] || fail "mesh: $same drawn pixels of the render and the viewer lie apart"
[ "$other" -gt $((same + 200)) ] || fail "mesh: a render without the mesh is not told apart ($other vs $same)"
shaded=$(shade viewer_mesh mesh)
inside=$(convert "$WORK/mesh.png" -crop "$(legs_geom)" +repage -colorspace gray -threshold 10% \
  -format '%[fx:round(mean*w*h)]' info:)
[ "$shaded" -lt $((inside / 8)) ] || fail "mesh: $shaded of $inside pixels differ in colour"
note "mesh: $red1 red pixels; the render matches the viewer's view ($same stray, $shaded of $inside pixels off in colour; without the mesh: $other)"

# --- a key release moves the mesh with the skeleton --------------------------
key_tap L
shot_changed stepped viewer_mesh "$VIEW"
moved=$(differ viewer_mesh stepped "$VIEW")
[ "$moved" -gt 1500 ] || fail "the L key moved too little of the body ($moved pixels)"
note "key L moved the body ($moved pixels changed)"
stop_viewer

# --- boneloom --mesh path/to/model, with a damaged texture beside it ----------
mkdir -p "$WORK/models"
mv "$WORK/data/tris.skm" "$WORK/models/body.SKM"
mv "$WORK/data/tris.skp" "$WORK/models/body.SKP"
head -c 100 "$WORK/data/boneloom_skin.tga" >"$WORK/models/boneloom_skin.tga"
rm -rf "$WORK/data"
# (upper-case extensions, as a file manager may hand over)
VIEWER_ARGS=(--mesh models/body.SKP)
start_viewer
grep -qx "Reading SKM model models/body.SKM" "$WORK/console.txt" || fail "no reading line for models/body.SKM"
title=$(xdotool getwindowname "$WID")
[ "$title" = "boneloom - models/body.SKP" ] || fail "window title '$title' does not name the model"
grep -q "^Texture models/boneloom_skin.tga: pixel data cut short$" "$WORK/console.txt" ||
  fail "no line for the damaged texture"
shot given
read -r red2 grey2 <<<"$(kinds given)"
[ "$grey2" -gt 2000 ] && [ "$red2" -lt 300 ] || fail "--mesh: no grey body (grey $grey2, red $red2)"
[ "$(differ viewer given "$VIEW")" -gt 2000 ] || fail "--mesh did not change the picture"
viewer_running || fail "viewer ended after the damaged texture"
note "--mesh models/body.SKP: loaded, grey body ($grey2 pixels), texture problem said"
