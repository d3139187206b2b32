#!/usr/bin/env bash
# boneloom-tool import as a command: the demo through `gltf` and back lists
# the same model in `info`; --list writes nothing; a cut-off .glb, a text file
# named .fbx and an empty file each give one line naming the file, exit 1 and
# no output; a pair whose second file cannot be written leaves the first as
# it was; usage errors exit 2.
. "$(dirname "$0")/cli_common.inc"
make_demo
"$TOOL" gltf "$SKM" "$SKP" "$WORK/demo.glb" >/dev/null

# --- the round trip through the command line ----------------------------------
expect 0 "$TOOL" import "$WORK/demo.glb" "$WORK/back.skm" "$WORK/back.skp"
grep -qx "wrote $WORK/back.skm and $WORK/back.skp: 26 bones, 3 meshes, 9 frames" "$WORK/out.txt" ||
  fail "no summary line: $(cat "$WORK/out.txt")"
[ ! -s "$WORK/err.txt" ] || fail "the demo drew messages: $(cat "$WORK/err.txt")"
"$TOOL" info "$SKM" "$SKP" | tail -n +3 >"$WORK/want.info"
"$TOOL" info "$WORK/back.skm" "$WORK/back.skp" | tail -n +3 >"$WORK/got.info"
diff "$WORK/want.info" "$WORK/got.info" >&2 || fail "info of the imported pair differs"
"$TOOL" check "$WORK/back.skm" "$WORK/back.skp" >/dev/null || fail "check finds problems in the import"

# --- --list: the scene's parts, nothing written ----------------------------------
"$TOOL" import "$WORK/demo.glb" "$WORK/list.skm" "$WORK/list.skp" --list >"$WORK/list"
grep -q 'skeleton "Pelvis": 26 bones' "$WORK/list" || fail "--list: no skeleton line"
grep -q 'mesh "arms": 548 vertices, 1024 triangles' "$WORK/list" || fail "--list: no mesh line"
grep -q '0 "frames": .* 9 key times' "$WORK/list" || fail "--list: no animation line"
[ ! -e "$WORK/list.skm" ] && [ ! -e "$WORK/list.skp" ] || fail "--list wrote a file"

# --- bad input: one line naming the file, exit 1, earlier output kept -----------
echo "earlier skm" >"$WORK/keep.skm"
echo "earlier skp" >"$WORK/keep.skp"
# expect_failure IN TEXT [OPTION...]: exit 1 with the one line "IN: ...TEXT...",
# nothing on stdout, the earlier output as it was.
expect_failure() {
  expect 1 "$TOOL" import "$1" "$WORK/keep.skm" "$WORK/keep.skp" "${@:3}"
  contains err "$1: $2"
  [ "$(wc -l <"$WORK/err.txt")" -eq 1 ] && [ ! -s "$WORK/out.txt" ] || fail "$1: not one line on stderr alone"
  [ "$(cat "$WORK/keep.skm")" = "earlier skm" ] && [ "$(cat "$WORK/keep.skp")" = "earlier skp" ] ||
    fail "$1 changed the earlier output"
}
head -c 4000 "$WORK/demo.glb" >"$WORK/cut.glb"
expect_failure "$WORK/cut.glb" "glTF binary cut short"
echo "not a model" >"$WORK/text.fbx"
expect_failure "$WORK/text.fbx" "FBX"
: >"$WORK/empty.dae"
expect_failure "$WORK/empty.dae" "the file is empty"
expect_failure "$WORK/missing.obj" "cannot open"
expect_failure "$WORK/demo.glb" 'no animation "walk" (it has 0 "frames")' --anim walk

# Both or neither: the second file cannot be written, the first stays.
expect 1 "$TOOL" import "$WORK/demo.glb" "$WORK/keep.skm" "$WORK/nodir/x.skp"
contains err "cannot write \"$WORK/nodir/x.skp\""
[ "$(cat "$WORK/keep.skm")" = "earlier skm" ] || fail "the first file was replaced alone"
leftovers=$(find "$WORK" -name '*.tmp*' -o -name '*.old*')
[ -z "$leftovers" ] || fail "temporary files left: $leftovers"

# --- usage errors: exit 2 --------------------------------------------------------
expect_usage() { expect 2 "$TOOL" import "$@"; contains err "usage: boneloom-tool import IN OUT.skm OUT.skp"; }
expect_usage
expect_usage "$WORK/demo.glb" "$WORK/a.skm"
expect_usage "$WORK/demo.glb" "$WORK/a.skm" "$WORK/a.skm"
expect_usage "$WORK/demo.glb" "$WORK/a.skm" "$WORK/a.skp" --fps 0
expect_usage "$WORK/demo.glb" "$WORK/a.skm" "$WORK/a.skp" --scale=-1
expect_usage "$WORK/demo.glb" --list=yes
[ ! -e "$WORK/a.skm" ] || fail "a usage error wrote a file"
"$TOOL" import --help | grep -q -- "--anim NAME|INDEX" || fail "--help"
echo "cli_import_command: ok"
