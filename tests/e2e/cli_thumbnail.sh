#!/usr/bin/env bash
# boneloom-tool thumbnail as a file manager runs it: no display, a home it
# must not write to, either file of the pair given (also with upper-case
# extensions), a model without meshes; and failures that print nothing, exit
# 1 and leave OUT as it was.
. "$(dirname "$0")/cli_common.inc"
need convert "imagemagick"
unset DISPLAY WAYLAND_DISPLAY
export HOME="$WORK/home" XDG_CACHE_HOME=
mkdir -p "$HOME"
make_demo
cd "$WORK"
PRELOAD=$(gl_preload)
thumb() { LD_PRELOAD="$PRELOAD" "$TOOL" thumbnail "$@"; }
# value PNG FX: ImageMagick's fx expression over the picture.
value() { convert "$1" -format "%[fx:$2]" info:; }
# count PNG FX: the pixels where FX holds.
count() { convert "$1" -fx "$2" -format '%[fx:round(mean*w*h)]' info:; }

# From the SKM file at the default size, from the SKP file at another.
mkdir out
expect 0 thumb demo/tris.skm out/mesh.png
[ ! -s out.txt ] && [ ! -s err.txt ] || fail "thumbnail printed: $(cat out.txt err.txt)"
expect 0 thumb --size 96 demo/tris.skp out/pose.png
[ "$(ls out)" = "$(printf 'mesh.png\npose.png')" ] || fail "thumbnail left other files: $(ls out)"
[ -z "$(ls -A "$HOME")" ] || fail "thumbnail wrote into the home folder: $(ls -A "$HOME")"
for case in "mesh.png 256" "pose.png 96"; do
  set -- $case
  [ "$(identify -format '%wx%h %[channels]' "out/$1")" = "${2}x$2 srgba" ] ||
    fail "$1 is $(identify -format '%wx%h %[channels]' "out/$1"), not an RGBA ${2}x$2 picture"
  [ "$(value "out/$1" 'p{0,0}.a+p{w-1,0}.a+p{0,h-1}.a+p{w-1,h-1}.a')" = 0 ] ||
    fail "$1 has corners that are not transparent"
done
opaque=$(count out/mesh.png 'a>0.5')
red=$(count out/mesh.png 'a>0.5 && r>0.5 && g<0.35 && b<0.35')
blue=$(count out/mesh.png 'a>0.5 && b>0.3 && r<0.3')
[ "$opaque" -gt 3000 ] && [ "$opaque" -lt 40000 ] || fail "the figure covers $opaque of 65536 pixels"
[ "$red" -gt 500 ] && [ "$blue" -gt 500 ] || fail "no textured colours (red shirt $red, blue trousers $blue)"

# Upper-case extensions, and a partner in another letter case.
cp demo/tris.skm demo/TRIS.SKM && cp demo/tris.skp demo/TRIS.SKP && cp demo/tris.skp demo/Mixed.skp
cp demo/tris.skm demo/Mixed.SKM
expect 0 thumb --size 96 demo/TRIS.SKM out/upper.png
expect 0 thumb --size 96 demo/Mixed.SKM out/mixed.png
cmp -s out/upper.png out/pose.png && cmp -s out/mixed.png out/pose.png ||
  fail "the same pair drew different thumbnails from .skp, .SKM and a mixed-case partner"

# A model without meshes (a 24-byte SKM file) shows its skeleton.
mkdir bare && cp demo/tris.skp bare/walk.skp
printf 'SKM1\002\000\000\000\030\000\000\000\032\000\000\000\000\000\000\000\030\000\000\000' >bare/walk.skm
expect 0 thumb --size 128 bare/walk.skp out/bare.png
bones=$(count out/bare.png 'a>0.5')
[ "$bones" -gt 100 ] && [ "$bones" -lt 6000 ] || fail "the skeleton covers $bones of 16384 pixels"

# Failures print nothing, exit 1 and leave OUT as it was: no partner, a
# damaged partner, a file of another kind, an OUT that cannot be written; a
# bad size is a usage error.
mkdir lone && cp demo/tris.skm lone/only.skm && cp out/bare.png lone/keep.png
head -c 40 demo/tris.skp >lone/cut.skp && cp demo/tris.skm lone/cut.skm
touch lone/plain lone/notes.txt
before=$(ls -lR lone out)
for args in "lone/only.skm lone/keep.png" "lone/cut.skm lone/keep.png" "lone/notes.txt lone/keep.png" \
  "demo/tris.skm lone/plain/x.png" "demo/tris.skm out" "lone/missing.skp lone/keep.png"; do
  expect 1 thumb $args
  [ ! -s out.txt ] && [ ! -s err.txt ] || fail "thumbnail $args printed: $(cat out.txt err.txt)"
done
cmp -s lone/keep.png out/bare.png || fail "a failed thumbnail changed OUT"
[ "$(ls -lR lone out)" = "$before" ] || fail "a failed thumbnail left files: $(ls -lR lone out)"
expect 2 thumb --size 0 demo/tris.skm x.png
contains err "--size wants"
expect 2 thumb demo/tris.skm
[ ! -e x.png ] || fail "a usage error wrote x.png"
echo "thumbnail: either file, upper case, skeleton only, quiet failures: ok"
