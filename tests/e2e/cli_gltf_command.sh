#!/usr/bin/env bash
# boneloom-tool gltf as a command: the two containers, --fps and the key
# times and frame names it produces, the same bytes on every run, usage
# errors (exit 2), and failures (exit 1) that name the file and leave any
# earlier output untouched with no temporary file behind.
. "$(dirname "$0")/cli_common.inc"
need node
make_demo

# --- the binary container ---------------------------------------------------
expect 0 "$TOOL" gltf "$SKM" "$SKP" "$WORK/out.glb"
contains out "wrote $WORK/out.glb: 26 bones, 3 meshes, 9 frames at 24 fps"
[ ! -s "$WORK/err.txt" ] || fail "the demo model drew messages: $(cat "$WORK/err.txt")"
header=$(od -An -tu4 -N12 "$WORK/out.glb" | tr -s ' ' ' ' | sed 's/^ //;s/ $//')
size=$(stat -c %s "$WORK/out.glb")
[ "$header" = "1179937895 2 $size" ] || fail "glb header is '$header' for a file of $size bytes"
[ $((size % 4)) -eq 0 ] || fail "glb size $size is not a multiple of 4"

# --- the text container holds the same document and buffer ---------------------
"$TOOL" gltf "$SKM" "$SKP" "$WORK/out.gltf" >/dev/null
node - "$WORK/out.glb" "$WORK/out.gltf" <<'JS' || fail "glb and gltf differ"
const fs = require('fs');
const glb = fs.readFileSync(process.argv[2]);
const jsonLength = glb.readUInt32LE(12);
const fromGlb = JSON.parse(glb.subarray(20, 20 + jsonLength).toString('utf8'));
const binLength = glb.readUInt32LE(20 + jsonLength);
const bin = glb.subarray(28 + jsonLength, 28 + jsonLength + binLength);
const fromText = JSON.parse(fs.readFileSync(process.argv[3], 'utf8'));
const uri = fromText.buffers[0].uri;
const prefix = 'data:application/octet-stream;base64,';
if (!uri.startsWith(prefix)) throw new Error('no base64 data URI');
const decoded = Buffer.from(uri.slice(prefix.length), 'base64');
if (decoded.length !== fromText.buffers[0].byteLength) throw new Error('byteLength does not match the data');
if (!decoded.equals(bin.subarray(0, decoded.length))) throw new Error('buffers differ');
delete fromText.buffers[0].uri;
if (JSON.stringify(fromGlb) !== JSON.stringify(fromText)) throw new Error('documents differ');
JS

# --- the same bytes on every run; --fps N and --fps=N agree -----------------------
"$TOOL" gltf "$SKM" "$SKP" "$WORK/again.glb" >/dev/null
cmp -s "$WORK/out.glb" "$WORK/again.glb" || fail "two runs differ"
"$TOOL" gltf --fps 10 "$SKM" "$SKP" "$WORK/fps10.gltf" >/dev/null
"$TOOL" gltf "$SKM" "$SKP" "$WORK/fps10b.gltf" --fps=10 >/dev/null
cmp -s "$WORK/fps10.gltf" "$WORK/fps10b.gltf" || fail "--fps 10 and --fps=10 differ"

# Key times frame / fps (24 by default), STEP keys on every bone, frame names in the extras.
node - "$WORK/out.gltf" 24 "$WORK/fps10.gltf" 10 <<'JS' || fail "animation content"
const fs = require('fs');
for (let k = 2; k < process.argv.length; k += 2) {
  const doc = JSON.parse(fs.readFileSync(process.argv[k], 'utf8'));
  const fps = Number(process.argv[k + 1]);
  const [animation] = doc.animations;
  const input = doc.accessors[animation.samplers[0].input];
  const want = Math.fround(8 / fps);
  if (input.count !== 9 || input.min[0] !== 0 || input.max[0] !== want)
    throw new Error(`${fps} fps: times ${input.count} from ${input.min} to ${input.max}, want 9 to ${want}`);
  if (animation.samplers.some((s) => s.interpolation !== 'STEP')) throw new Error('a sampler is not STEP');
  if (animation.channels.length !== 52) throw new Error(`${animation.channels.length} channels`);
  const names = animation.extras.frames.join(',');
  if (names !== 'rest,walk1,walk2,walk3,walk4,walk5,walk6,walk7,walk8') throw new Error('frame names ' + names);
}
JS

# --- usage errors: exit 2, nothing written ---------------------------------------
expect_usage() { expect 2 "$TOOL" gltf "$@"; contains err "usage: boneloom-tool gltf [--fps N] IN.skm IN.skp OUT.glb|OUT.gltf"; }
expect_usage
expect_usage "$SKM" "$SKP"
expect_usage "$SKM" "$SKP" "$WORK/out.obj"
contains err 'out.obj" must end in .glb or .gltf'
expect_usage "$SKM" "$SKP" ".glb"
for bad in "--fps 0" "--fps=-3" "--fps ten" "--fps 5000" "--speed 3"; do
  # shellcheck disable=SC2086
  expect_usage $bad "$SKM" "$SKP" "$WORK/bad.glb"
done
expect_usage "$SKM" "$SKP" "$WORK/bad.glb" --fps
[ ! -e "$WORK/out.obj" ] && [ ! -e "$WORK/bad.glb" ] || fail "a usage error wrote a file"
"$TOOL" gltf --help | grep -q "usage: boneloom-tool gltf" || fail "--help"
"$TOOL" --help | grep -q "gltf" || fail "gltf missing from the command list"

# --- failures: exit 1, named file, earlier output kept, no temporary -------------
expect_failure() { expect 1 "$TOOL" gltf "${@:2}"; contains err "$1"; }
echo "earlier export" >"$WORK/keep.glb"
expect_failure "missing.skm" "$WORK/missing.skm" "$SKP" "$WORK/keep.glb"
head -c 100 "$SKM" >"$WORK/short.skm"
expect_failure "short.skm" "$WORK/short.skm" "$SKP" "$WORK/keep.glb"
make_edges
# five.skm weighs vertices on bones 0..5; oneframe.skp has only two bones.
expect_failure 'five.skm: mesh 0 "rope" vertex 0 weight 2 refers to bone 2' \
  "$WORK/edge/five.skm" "$WORK/edge/oneframe.skp" "$WORK/keep.glb"
[ "$(cat "$WORK/keep.glb")" = "earlier export" ] || fail "a failed export changed the earlier output"
expect_failure "cannot write \"$WORK/nodir/out.glb\"" "$SKM" "$SKP" "$WORK/nodir/out.glb"
mkdir "$WORK/dir.glb"
expect_failure "dir.glb" "$SKM" "$SKP" "$WORK/dir.glb"
leftovers=$(find "$WORK" -name '*.tmp*')
[ -z "$leftovers" ] || fail "temporary files left: $leftovers"

# --- edge models export with a note on what was changed ---------------------
expect 0 "$TOOL" gltf "$WORK/edge/unweighted.skm" "$WORK/edge/unweighted.skp" "$WORK/u.glb"
contains err '1 vertex without a positive weight is bound to bone 0 "root"'
expect 0 "$TOOL" gltf "$WORK/edge/five.skm" "$WORK/edge/five.skp" "$WORK/f.glb"
contains err "1 vertex has more than 4 bones"
echo "cli_gltf_command: ok"
