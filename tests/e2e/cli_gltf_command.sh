#!/usr/bin/env bash
# boneloom-tool gltf and import as commands. gltf: the two containers, --fps
# and the key times and frame names it produces, the same bytes on every run,
# usage errors (exit 2), and failures (exit 1) that name the file and leave
# any earlier output untouched with no temporary file behind. import: the demo
# through `gltf` and back lists the same model in `info`; --list writes
# nothing; a cut-off .glb, a text file named .fbx and an empty file each give
# one line naming the file, exit 1 and no output; a pair whose second file
# cannot be written leaves the first as it was; usage errors exit 2.
. "$(dirname "$0")/cli_common.inc"
need node
make_demo

# --- the binary container ---------------------------------------------------
expect 0 "$TOOL" gltf "$SKM" "$SKP" "$WORK/out.glb"
contains out "wrote $WORK/out.glb: 26 bones, 3 meshes, 9 frames at 24 fps"
[ ! -s "$WORK/err.txt" ] || fail "the demo model drew messages: $(cat "$WORK/err.txt")"
# (The container's header, chunks and padding are the validator's to check:
# cli_gltf_readers.sh.)

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
// The skin's image: after the buffer in the .glb, a data URI of the same bytes in the .gltf.
if (fromText.images.length !== 1 || fromText.images[0].mimeType !== 'image/png') throw new Error('no PNG image');
const view = fromGlb.bufferViews[fromGlb.images[0].bufferView];
const png = bin.subarray(view.byteOffset, view.byteOffset + view.byteLength);
if (png.subarray(1, 4).toString() !== 'PNG') throw new Error('the .glb image is no PNG');
if (fromText.images[0].uri !== 'data:image/png;base64,' + png.toString('base64')) throw new Error('images differ');
const material = fromGlb.materials[0];
if (material.name !== 'boneloom_skin' || fromGlb.textures[material.pbrMetallicRoughness.baseColorTexture.index].source !== 0 ||
    fromGlb.samplers.length !== 1) throw new Error('the material is not textured: ' + JSON.stringify(material));
delete fromText.images[0].uri;
delete fromGlb.images[0].bufferView;
fromGlb.bufferViews.pop();
fromGlb.buffers[0].byteLength = fromText.buffers[0].byteLength;
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

# --- import: the round trip through the command line ---------------------------
expect 0 "$TOOL" import "$WORK/out.glb" "$WORK/back.skm" "$WORK/back.skp"
grep -qx "wrote $WORK/back.skm, $WORK/back.skp and $WORK/boneloom_skin.png: 26 bones, 3 meshes, 9 frames" \
  "$WORK/out.txt" || fail "no summary line: $(cat "$WORK/out.txt")"
# The skin travels: same name, found beside the import, the TGA's pixels.
"$TOOL" info "$WORK/back.skm" "$WORK/back.skp" | grep -c "texture: $WORK/boneloom_skin.png" |
  grep -qx 3 || fail "the imported meshes do not find their skin"
convert "$(dirname "$SKM")/boneloom_skin.tga" -auto-orient "$WORK/skin_want.png"
[ "$(compare -metric AE "$WORK/boneloom_skin.png" "$WORK/skin_want.png" null: 2>&1)" = 0 ] ||
  fail "the imported skin's pixels differ from the TGA's"
[ ! -s "$WORK/err.txt" ] || fail "the demo drew messages: $(cat "$WORK/err.txt")"
"$TOOL" info "$SKM" "$SKP" | tail -n +3 | grep -v '^ *texture:' >"$WORK/want.info"
"$TOOL" info "$WORK/back.skm" "$WORK/back.skp" | tail -n +3 | grep -v '^ *texture:' >"$WORK/got.info"
diff "$WORK/want.info" "$WORK/got.info" >&2 || fail "info of the imported pair differs"
"$TOOL" check "$WORK/back.skm" "$WORK/back.skp" >/dev/null || fail "check finds problems in the import"

# --- --list: the scene's parts, nothing written ----------------------------------
"$TOOL" import "$WORK/out.glb" "$WORK/list.skm" "$WORK/list.skp" --list >"$WORK/list"
grep -q 'skeleton "Pelvis": 26 bones' "$WORK/list" || fail "--list: no skeleton line"
grep -q 'mesh "arms": 548 vertices, 1024 triangles' "$WORK/list" || fail "--list: no mesh line"
grep -q '0 "frames": .* 9 key times' "$WORK/list" || fail "--list: no animation line"
grep -q 'unit: metres (glTF)' "$WORK/list" || fail "--list: no unit line"
grep -q 'up axis: +Y (glTF)' "$WORK/list" || fail "--list: no axis line"
[ ! -e "$WORK/list.skm" ] && [ ! -e "$WORK/list.skp" ] || fail "--list wrote a file"

# --- bad input: one line naming the file, exit 1, earlier output kept -----------
echo "earlier skm" >"$WORK/keep.skm"
echo "earlier skp" >"$WORK/keep.skp"
# import_refused IN TEXT [OPTION...]: exit 1 with the one line "IN: ...TEXT...",
# nothing on stdout, the earlier output as it was.
import_refused() {
  expect 1 "$TOOL" import "$1" "$WORK/keep.skm" "$WORK/keep.skp" "${@:3}"
  contains err "$1: $2"
  [ "$(wc -l <"$WORK/err.txt")" -eq 1 ] && [ ! -s "$WORK/out.txt" ] || fail "$1: not one line on stderr alone"
  [ "$(cat "$WORK/keep.skm")" = "earlier skm" ] && [ "$(cat "$WORK/keep.skp")" = "earlier skp" ] ||
    fail "$1 changed the earlier output"
}
head -c 4000 "$WORK/out.glb" >"$WORK/cut.glb"
import_refused "$WORK/cut.glb" "glTF binary cut short"
echo "not a model" >"$WORK/text.fbx"
import_refused "$WORK/text.fbx" "FBX"
: >"$WORK/empty.dae"
import_refused "$WORK/empty.dae" "the file is empty"
import_refused "$WORK/missing.obj" "cannot open"
import_refused "$WORK/out.glb" 'no animation "walk" (it has 0 "frames")' --anim walk
# Nesting past the third-party reader's recursion crashes it in its child
# process; this process lives to say so. (A sanitizer build reports the
# overflow itself: the reader stops without a result.)
awk 'BEGIN { printf "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[";
  for (n = 1; n < 200000; n++) printf "{\"children\":[%d]},", n; print "{}]}" }' >"$WORK/deep.gltf"
awk 'BEGIN { printf "<?xml version=\"1.0\"?><COLLADA version=\"1.4.1\"><library_visual_scenes><visual_scene id=\"s\">";
  for (n = 0; n < 100000; n++) printf "<node id=\"n\">"; for (n = 0; n < 100000; n++) printf "</node>";
  print "</visual_scene></library_visual_scenes><scene><instance_visual_scene url=\"#s\"/></scene></COLLADA>" }' >"$WORK/deep.dae"
for deep in deep.gltf deep.dae; do
  import_refused "$WORK/$deep" "the reader" 
  grep -Eq "the reader (crashed on this file \(signal 11\)|stopped without a result)" "$WORK/err.txt" ||
    fail "$deep: $(cat "$WORK/err.txt")"
  expect 1 "$TOOL" import "$WORK/$deep" --list
  contains err "$WORK/$deep: the reader"
done

# --- textures: the skin's image beside the input goes beside the output ---------
printf 'mtllib tile.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nusemtl stone\nf 1/1 2/1 3/1\n' >"$WORK/tile.obj"
printf 'newmtl stone\nmap_Kd maps/Stone.PNG\n' >"$WORK/tile.mtl"
printf '\211PNG\r\n\032\nnot decoded here' >"$WORK/Stone.PNG"
mkdir -p "$WORK/tiles"
expect 0 "$TOOL" import "$WORK/tile.obj" "$WORK/tiles/t.skm" "$WORK/tiles/t.skp"
grep -qx "wrote $WORK/tiles/t.skm, $WORK/tiles/t.skp and $WORK/tiles/stone.png: 1 bones, 1 meshes, 1 frames" \
  "$WORK/out.txt" || fail "no texture in the summary: $(cat "$WORK/out.txt")"
cmp -s "$WORK/Stone.PNG" "$WORK/tiles/stone.png" || fail "the texture was not copied as it is"
rm "$WORK/tiles/stone.png"
expect 0 "$TOOL" import "$WORK/tile.obj" "$WORK/tiles/t.skm" "$WORK/tiles/t.skp" --no-textures
[ ! -e "$WORK/tiles/stone.png" ] || fail "--no-textures wrote a texture"
# A reference out of the input's folder is not followed, absolute or upwards.
mkdir -p "$WORK/in" "$WORK/secret"
printf '\211PNG\r\n\032\nsecret' >"$WORK/secret/key.png"
for reference in "$WORK/secret/key.png" "../secret/key.png"; do
  sed 's/tile.mtl/far.mtl/' "$WORK/tile.obj" >"$WORK/in/far.obj"
  printf 'newmtl stone\nmap_Kd %s\n' "$reference" >"$WORK/in/far.mtl"
  expect 0 "$TOOL" import "$WORK/in/far.obj" "$WORK/tiles/f.skm" "$WORK/tiles/f.skp"
  contains err "the texture of skin \"stone\" is not written: \"$reference\" is neither embedded"
  [ ! -e "$WORK/tiles/stone.png" ] || fail "$reference was copied"
done

# Both or neither: the second file cannot be written, the first stays.
expect 1 "$TOOL" import "$WORK/out.glb" "$WORK/keep.skm" "$WORK/nodir/x.skp"
contains err "cannot write \"$WORK/nodir/x.skp\""
[ "$(cat "$WORK/keep.skm")" = "earlier skm" ] || fail "the first file was replaced alone"
leftovers=$(find "$WORK" -name '*.tmp*' -o -name '*.old*')
[ -z "$leftovers" ] || fail "temporary files left: $leftovers"

# --- usage errors: exit 2 --------------------------------------------------------
import_usage() { expect 2 "$TOOL" import "$@"; contains err "usage: boneloom-tool import IN OUT.skm OUT.skp"; }
import_usage
import_usage "$WORK/out.glb" "$WORK/a.skm"
import_usage "$WORK/out.glb" "$WORK/a.skm" "$WORK/a.skm"
import_usage "$WORK/out.glb" "$WORK/a.skm" "$WORK/a.skp" --fps 0
import_usage "$WORK/out.glb" "$WORK/a.skm" "$WORK/a.skp" --scale=-1
import_usage "$WORK/out.glb" --list=yes
[ ! -e "$WORK/a.skm" ] || fail "a usage error wrote a file"
"$TOOL" import --help | grep -q -- "--anim NAME|INDEX" || fail "--help"
"$TOOL" import --help | grep -q -- "limited to 4096 MB of memory and 120 s" || fail "--help: no limits"
echo "cli_gltf_command: ok"
