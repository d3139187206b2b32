#!/usr/bin/env bash
# boneloom-tool import as a command: the demo through `gltf` and back lists
# the same model in `info`; --list writes nothing; a cut-off .glb, a text file
# named .fbx and an empty file each give one line naming the file, exit 1 and
# no output; a pair whose second file cannot be written leaves the first as
# it was; usage errors exit 2.
set -euo pipefail
TOOL="$BONELOOM_BUILD/boneloom-tool"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$TOOL" sample "$WORK/demo" >/dev/null
"$TOOL" gltf "$WORK/demo/tris.skm" "$WORK/demo/tris.skp" "$WORK/demo.glb" >/dev/null

# --- the round trip through the command line ----------------------------------
"$TOOL" import "$WORK/demo.glb" "$WORK/back.skm" "$WORK/back.skp" >"$WORK/stdout" 2>"$WORK/stderr" ||
  fail "import exited $?: $(cat "$WORK/stderr")"
grep -qx "wrote $WORK/back.skm and $WORK/back.skp: 26 bones, 3 meshes, 9 frames" "$WORK/stdout" ||
  fail "no summary line: $(cat "$WORK/stdout")"
[ ! -s "$WORK/stderr" ] || fail "the demo drew messages: $(cat "$WORK/stderr")"
"$TOOL" info "$WORK/demo/tris.skm" "$WORK/demo/tris.skp" | tail -n +3 >"$WORK/want.info"
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
expect_failure() {  # expect_failure WHAT FILE PATTERN
  local status=0
  "$TOOL" import "$2" "$WORK/keep.skm" "$WORK/keep.skp" >"$WORK/out" 2>"$WORK/err" || status=$?
  [ "$status" -eq 1 ] || fail "$1 exited $status"
  [ "$(wc -l <"$WORK/err")" -eq 1 ] || fail "$1: not one line: $(cat "$WORK/err")"
  grep -q -- "$2: $3" "$WORK/err" || fail "$1: '$(cat "$WORK/err")' lacks '$3'"
  [ ! -s "$WORK/out" ] || fail "$1 printed on stdout"
  [ "$(cat "$WORK/keep.skm")" = "earlier skm" ] && [ "$(cat "$WORK/keep.skp")" = "earlier skp" ] ||
    fail "$1 changed the earlier output"
}
head -c 4000 "$WORK/demo.glb" >"$WORK/cut.glb"
expect_failure "a cut-off glb" "$WORK/cut.glb" "glTF binary cut short"
echo "not a model" >"$WORK/text.fbx"
expect_failure "a text file named .fbx" "$WORK/text.fbx" "FBX"
: >"$WORK/empty.dae"
expect_failure "an empty file" "$WORK/empty.dae" "the file is empty"
expect_failure "a missing file" "$WORK/missing.obj" "cannot open"
status=0
"$TOOL" import "$WORK/demo.glb" "$WORK/keep.skm" "$WORK/keep.skp" --anim walk 2>"$WORK/err" || status=$?
[ "$status" -eq 1 ] && grep -q 'no animation "walk" (it has 0 "frames")' "$WORK/err" ||
  fail "--anim walk: exit $status, '$(cat "$WORK/err")'"

# Both or neither: the second file cannot be written, the first stays.
status=0
"$TOOL" import "$WORK/demo.glb" "$WORK/keep.skm" "$WORK/nodir/x.skp" 2>"$WORK/err" || status=$?
[ "$status" -eq 1 ] && grep -q "cannot write \"$WORK/nodir/x.skp\"" "$WORK/err" ||
  fail "unwritable second file: exit $status, '$(cat "$WORK/err")'"
[ "$(cat "$WORK/keep.skm")" = "earlier skm" ] || fail "the first file was replaced alone"
leftovers=$(find "$WORK" -name '*.tmp*' -o -name '*.old*')
[ -z "$leftovers" ] || fail "temporary files left: $leftovers"

# --- usage errors: exit 2 --------------------------------------------------------
expect_usage() {  # expect_usage WHAT ARGS...
  local what=$1 status=0
  shift
  "$TOOL" import "$@" >/dev/null 2>"$WORK/err" || status=$?
  [ "$status" -eq 2 ] || fail "$what exited $status"
  grep -q "usage: boneloom-tool import IN OUT.skm OUT.skp" "$WORK/err" || fail "$what: no usage line"
}
expect_usage "no operands"
expect_usage "two operands" "$WORK/demo.glb" "$WORK/a.skm"
expect_usage "one output twice" "$WORK/demo.glb" "$WORK/a.skm" "$WORK/a.skm"
expect_usage "--fps 0" "$WORK/demo.glb" "$WORK/a.skm" "$WORK/a.skp" --fps 0
expect_usage "--scale -1" "$WORK/demo.glb" "$WORK/a.skm" "$WORK/a.skp" --scale=-1
expect_usage "--list=yes" "$WORK/demo.glb" --list=yes
[ ! -e "$WORK/a.skm" ] || fail "a usage error wrote a file"
"$TOOL" import --help | grep -q -- "--anim NAME|INDEX" || fail "--help"
echo "cli_import_command: ok"
