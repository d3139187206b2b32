#!/usr/bin/env bash
# boneloom-tool end to end: sample, copy (byte-identical to a second copy of
# its own output), info, check exit codes, refusal of damaged files, usage;
# logo writes a 64 x 64 32-bit type-2 TGA that an independent reader
# (ImageMagick) decodes, with a transparent corner and an opaque centre, and
# its usage errors and unwritable paths fail cleanly without leaving files.
. "$(dirname "$0")/cli_common.inc"
cd "$WORK"

# --- sample: deterministic demo model ---------------------------------------
expect 0 "$TOOL" sample demo
[ -s demo/tris.skm ] && [ -s demo/tris.skp ] || fail "sample wrote no files"
contains out "wrote SKM file"
expect 0 "$TOOL" sample demo2
cmp -s demo/tris.skm demo2/tris.skm && cmp -s demo/tris.skp demo2/tris.skp || fail "sample is not deterministic"
[ "$(head -c 4 demo/tris.skm)" = "SKM1" ] || fail "no SKM1 magic"
# The texture the meshes' skin name points to, beside the model.
contains out "wrote demo2/boneloom_skin.tga"
[ "$(od -An -tu1 -j12 -N6 demo/boneloom_skin.tga | tr -s ' ' ' ')" = " 128 0 128 0 24 0" ] || fail "texture header"
cmp -s demo/boneloom_skin.tga demo2/boneloom_skin.tga || fail "the texture is not deterministic"

# --- copy: viewer's console lines, byte-identical second generation ------------
expect 0 "$TOOL" copy demo/tris.skm demo/tris.skp a.skm a.skp
contains out "Reading SKM model demo/tris.skm"
contains out "numframes:pout:9 pin:9"
contains out "wrote SKP file"
expect 0 "$TOOL" copy a.skm a.skp b.skm b.skp
cmp -s a.skm b.skm || fail "second copy of the SKM file differs"
cmp -s a.skp b.skp || fail "second copy of the SKP file differs"
cmp -s a.skm demo/tris.skm || fail "copy of the demo SKM file differs from it"

# --- info --------------------------------------------------------------------
expect 0 "$TOOL" info a.skm a.skp
contains out "a.skp: 26 bones, 9 frames"
contains out "LForearm"
contains out "walk8"
contains out 'mesh "legs" skin "boneloom_skin"'

# A pipe has no length up front; it is read whole.
expect 0 "$TOOL" info <(cat a.skm) a.skp
contains out "a.skp: 26 bones, 9 frames"

# --- check exit codes ----------------------------------------------------------
expect 0 "$TOOL" check a.skm a.skp
contains out "no problems found"

# The first weight of the first vertex (after the 24-byte header and three
# 156-byte mesh headers, its count and origin): influences off 1 are a note,
# a weight on a missing bone leaves the vertex without position, a problem.
cp a.skm half.skm
printf '\x00\x00\x00\x3f' | dd of=half.skm bs=1 seek=$((24 + 3 * 156 + 4 + 12)) conv=notrunc status=none
expect 0 "$TOOL" check half.skm a.skp
contains out "half.skm: note: mesh 0 has 1 vertex whose influences do not add up to 1 (first: vertex 0, sum 0.5)"
contains out "no problems found"
cp a.skm lost.skm
printf '\x63\x00\x00\x00' | dd of=lost.skm bs=1 seek=$((24 + 3 * 156 + 4 + 28)) conv=notrunc status=none
expect 1 "$TOOL" check lost.skm a.skp
contains out "lost.skm: mesh 0 has 1 vertex without a weight on an existing bone, not drawn (first: vertex 0)"

# A bone whose parent comes after it: one warning line, posed as a root.
cp a.skp parent.skp
printf '\x63\x00\x00\x00' | dd of=parent.skp bs=1 seek=$((28 + 72 * 2 + 64)) conv=notrunc status=none
expect 1 "$TOOL" check a.skm parent.skp
contains out 'parent.skp: bone 2 "Spine2" has parent 99, which is not an earlier bone; it will be posed as a root'
expect 0 "$TOOL" copy a.skm parent.skp p.skm p.skp
contains out "it will be posed as a root"
cmp -s parent.skp p.skp || fail "a file with a bad parent is not written back unchanged"

# Truncated files: refused with the reader's name, the path and the part.
head -c 5000 a.skm > cut.skm
expect 1 "$TOOL" check cut.skm a.skp
contains out 'ReadSKM failed: data file "cut.skm" (5000 bytes) does not hold the weights of vertex'
expect 1 "$TOOL" copy cut.skm a.skp c.skm c.skp
contains out "ReadSKM failed:"
[ ! -e c.skm ] && [ ! -e c.skp ] || fail "copy wrote output after a refused load"
for n in 0 3 27 100 2000 9063; do
    head -c $n a.skp > cut.skp
    expect 1 "$TOOL" info a.skm cut.skp
    if [ "$n" -eq 0 ]; then contains err "Empty data file"; else contains err "bytes) does not hold"; fi
done
expect 1 "$TOOL" info missing.skm a.skp
contains err "can't open data file \"missing.skm\""

# A failed or short write leaves the previous output in place.
expect 1 "$TOOL" copy a.skm a.skp nodir/x.skm nodir/x.skp
contains out 'unable to open file "nodir/x.skm" for writing'
mkdir keep && printf 'old mesh' > keep/x.skm && printf 'old pose' > keep/x.skp
expect 1 bash -c "ulimit -f 4; exec '$TOOL' copy a.skm a.skp keep/x.skm keep/x.skp"
contains out 'unable to write file "keep/x.skm"'
contains out 'unable to write file "keep/x.skp"'
[ "$(cat keep/x.skm)" = "old mesh" ] && [ "$(cat keep/x.skp)" = "old pose" ] || fail "a short write clobbered the old file"
[ "$(ls keep | wc -l)" -eq 2 ] || fail "a short write left files behind: $(ls keep)"

# --- usage ---------------------------------------------------------------------
expect 2 "$TOOL"
expect 2 "$TOOL" frobnicate
contains err "unknown command 'frobnicate'"
expect 2 "$TOOL" check a.skm
contains err "usage: boneloom-tool check IN.skm IN.skp"
expect 2 "$TOOL" info --verbose a.skm a.skp
expect 0 "$TOOL" --help
for cmd in info check copy sample; do contains out "$cmd"; done
expect 0 "$TOOL" copy --help
contains out "usage: boneloom-tool copy IN.skm IN.skp OUT.skm OUT.skp"
expect 0 "$TOOL" help check
contains out "Exit status: 0 when no problem is found"
expect 0 "$TOOL" --version
grep -qE '^boneloom-tool [0-9]+\.[0-9]+' out.txt || fail "--version prints no version"
# "--" lets a file name start with a dash.
cp a.skm ./-odd.skm
expect 0 "$TOOL" info -- -odd.skm a.skp

# --- logo ------------------------------------------------------------------------
expect 0 "$TOOL" logo "$WORK/logo.tga"
contains out "logo.tga"
[ "$(stat -c %s "$WORK/logo.tga")" -eq $((18 + 64 * 64 * 4)) ] || fail "wrong file size"
header=$(od -An -tu1 -N18 "$WORK/logo.tga" | tr -s ' \n' ' ' | sed 's/^ //;s/ $//')
[ "$header" = "0 0 2 0 0 0 0 0 0 0 0 0 64 0 64 0 32 8" ] || fail "header is '$header'"
[ ! -e "$WORK/logo.tga.tmp" ] || fail "temporary file left"

if command -v convert >/dev/null; then
  [ "$(identify -format '%w %h' "$WORK/logo.tga")" = "64 64" ] || fail "identify size"
  corner=$(convert "$WORK/logo.tga" -format '%[fx:int(255*p{0,0}.a)]' info:)
  centre=$(convert "$WORK/logo.tga" -format '%[fx:int(255*p{32,32}.a)]' info:)
  [ "$corner" -eq 0 ] || fail "corner alpha $corner"
  [ "$centre" -ge 200 ] || fail "centre alpha $centre"
fi

# The same image on every run, replacing what was there.
echo junk >"$WORK/again.tga"
"$TOOL" logo "$WORK/again.tga" >/dev/null
cmp -s "$WORK/logo.tga" "$WORK/again.tga" || fail "second run differs"

expect 2 "$TOOL" logo
contains err "usage: boneloom-tool logo OUT.tga"
expect 2 "$TOOL" logo a.tga b.tga
expect 1 "$TOOL" logo "$WORK/missing/logo.tga"
grep -q 'cannot write ".*missing/logo.tga"' "$WORK/err.txt" || fail "no message naming the file"
[ ! -e "$WORK/missing" ] || fail "created something"

"$TOOL" logo --help | grep -q "usage: boneloom-tool logo OUT.tga" || fail "--help"
echo "cli_model: all checks passed"
