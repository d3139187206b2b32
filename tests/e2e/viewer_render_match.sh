#!/usr/bin/env bash
# The viewer and boneloom-tool render draw one picture of one model, pose and
# camera: the 3D view of the real viewer (orbit camera at its start, two L
# releases, bone 1 selected) against an off-screen render of the same, with
# and without the mesh. The text overlays are left out of the comparison.
. "$(dirname "$0")/viewer_common.inc"

make_model
start_viewer
key_tap L
key_tap L
# The 3D view ends where the layer's topmost control strip begins.
snapshot || fail "no layout from the control layer"
top=$(awk -F'\t' '$1 == "strip" && $7 == "shown" {print $4}' "$WORK/.layout" | sort -n | head -n 1)
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
render() {
  local out=$1
  shift
  "$TOOL" render "$WORK/data/tris.skm" "$WORK/data/tris.skp" "$WORK/$out.png" \
    --size "640x$top" --distance 128 --select 1 "$@" >/dev/null || fail "render $out"
}

shot viewer
render same --press LL --no-mesh
render other --press L --no-mesh
same=$(stray viewer same)
other=$(stray viewer other)
[ "$same" -le 10 ] || fail "skeleton: $same drawn pixels of the render and the viewer lie apart"
[ "$other" -gt $((same + 20)) ] || fail "skeleton: a different pose is not told apart ($other vs $same)"
note "skeleton: the render matches the viewer's view ($same stray pixels; another pose: $other)"

# The mesh as well, once the Display menu has shown it: same outline, and the
# same lit and textured colours on the legs.
pick_display 6
shot viewer_mesh
render mesh --press LL
same=$(stray viewer_mesh mesh)
other=$(stray viewer_mesh same)
[ "$same" -le 20 ] || fail "mesh: $same drawn pixels of the render and the viewer lie apart"
[ "$other" -gt $((same + 200)) ] || fail "mesh: a render without the mesh is not told apart ($other vs $same)"
shaded=$(shade viewer_mesh mesh)
inside=$(convert "$WORK/mesh.png" -crop "$(legs_geom)" +repage -colorspace gray -threshold 10% \
  -format '%[fx:round(mean*w*h)]' info:)
[ "$shaded" -lt $((inside / 8)) ] || fail "mesh: $shaded of $inside pixels differ in colour"
note "mesh: the render matches the viewer's view ($same stray, $shaded of $inside pixels off in colour; without the mesh: $other)"
