#!/usr/bin/env bash
# boneloom-tool and awkward paths: special files as outputs (refused, left
# alone), a symlinked output (the file behind it written, the link kept), the
# longest legal name, outputs that clash (refused, nothing written), a pair
# written both or neither, and inputs that are FIFOs, endless pipes or devices
# (refused within moments instead of hanging or eating memory).
. "$(dirname "$0")/cli_common.inc"
cd "$WORK"
kind() { stat -c %F "$1"; }
# Names in the directory that are not listed: leftovers of a write.
extra() { local d=$1; shift; ls -A "$d" | grep -vxF "$(printf '%s\n' "$@")" || true; }

"$TOOL" sample in >/dev/null
"$TOOL" rotate in/tris.skm in/tris.skp turned.skp --yaw 30 >/dev/null

# --- special files as outputs: refused by name, nothing replaced -------------------
mkdir out
if mknod out/null c 1 3 2>/dev/null; then node=out/null; want="character special"
else mkfifo out/null; node=out/null; want="fifo"; fi
mkfifo out/fifo
expect 1 "$TOOL" copy in/tris.skm in/tris.skp "$node" out/o.skp
contains out "cannot write \"$node\": it is a"
kind "$node" | grep -qi "$want" || fail "$node became $(kind "$node")"
expect 1 "$TOOL" rotate in/tris.skm in/tris.skp out/fifo
contains out 'cannot write "out/fifo": it is a FIFO, not a regular file'
ln -s fifo out/tofifo.glb
expect 1 "$TOOL" gltf in/tris.skm in/tris.skp out/tofifo.glb
contains err 'leads to "out/fifo", a FIFO'
[ "$(kind out/fifo)" = fifo ] || fail "the FIFO was replaced"
[ -z "$(extra out null fifo tofifo.glb)" ] || fail "left in out/: $(extra out null fifo tofifo.glb)"

# --- a symlinked output: the file behind it is written, the link stays -------------
mkdir real && cp in/tris.skp real/pose.skp && ln -s ../real/pose.skp out/link.skp
expect 0 "$TOOL" rotate in/tris.skm in/tris.skp out/link.skp --yaw 30
[ -L out/link.skp ] || fail "the link was replaced"
cmp -s real/pose.skp turned.skp || fail "the file behind the link was not written"

# --- the longest names: the temporary file must still fit ---------------------------
long=$(printf 'n%.0s' $(seq 1 246)).skp
expect 0 "$TOOL" rotate in/tris.skm in/tris.skp "out/$long" --yaw 30
cmp -s "out/$long" turned.skp || fail "the 250-byte name was not written"
long255=$(printf 'n%.0s' $(seq 1 251)).skm
expect 0 "$TOOL" copy in/tris.skm in/tris.skp "out/$long255" out/p.skp
[ -z "$(extra out null fifo tofifo.glb link.skp "$long" "$long255" p.skp)" ] || fail "temporary files left in out/"

# --- outputs that clash: refused before anything is read or written -----------------
cp in/tris.skm a.skm && cp in/tris.skp a.skp && ln a.skm hard.skm
sums=$(cat a.skm a.skp | md5sum)
expect 1 "$TOOL" copy a.skm a.skp a.skp a.skm
contains err 'the SKP output "a.skm" is the SKM input "a.skm"; nothing written'
expect 1 "$TOOL" copy a.skm a.skp same.sk same.sk
contains err 'are the same file'
expect 1 "$TOOL" copy a.skm a.skp new/x ./new/../new/x
expect 1 "$TOOL" rotate a.skm a.skp ./a.skm
expect 1 "$TOOL" rotate a.skm a.skp hard.skm
contains err 'the SKP output "hard.skm" is the SKM input "a.skm"'
ln a.skp hard.glb
expect 1 "$TOOL" gltf a.skm a.skp hard.glb
[ "$(cat a.skm a.skp | md5sum)" = "$sums" ] || fail "a refused command changed its inputs"
[ ! -e same.sk ] && [ ! -e new ] || fail "a refused command wrote something"
# Writing each output over its own input stays allowed.
expect 0 "$TOOL" copy a.skm a.skp a.skm a.skp
expect 0 "$TOOL" rotate a.skm a.skp a.skp --yaw 30
cmp -s a.skp turned.skp || fail "rotate over its own input"

# --- two files: both or neither ---------------------------------------------------------
mkdir pair && printf 'old mesh' >pair/x.skm
expect 1 "$TOOL" copy in/tris.skm in/tris.skp pair/x.skm pair/missing/x.skp
contains out '"pair/x.skm" not written: a model pair is written whole or not at all'
mkfifo pair/x.skp
expect 1 "$TOOL" copy in/tris.skm in/tris.skp pair/x.skm pair/x.skp
! grep -q '^wrote SK' out.txt || fail "a failed pair reported success"
[ "$(cat pair/x.skm)" = "old mesh" ] || fail "the first file changed although the second failed"
rm pair/x.skp && mkfifo pair/tris.skp && printf 'old mesh' >pair/tris.skm
expect 1 "$TOOL" sample pair
[ "$(cat pair/tris.skm)" = "old mesh" ] || fail "sample wrote one file of the pair"
[ -z "$(extra pair x.skm tris.skm tris.skp)" ] || fail "left in pair/: $(extra pair x.skm tris.skm tris.skp)"

# --- inputs that never end or have no writer ------------------------------------------------
mkfifo idle.skm idle.skp endless.skp
ln -s /dev/zero zero.skm
expect 1 "$TOOL" info idle.skm in/tris.skp
contains err 'ReadSKM failed: Empty data file "idle.skm".'
expect 1 "$TOOL" check in/tris.skm idle.skp
contains out 'ReadSKP failed: Empty data file "idle.skp".'
expect 1 "$TOOL" info zero.skm in/tris.skp
contains err 'ReadSKM failed: data file "zero.skm" is a character device and gives more than 16777216 bytes.'
yes >endless.skp 2>/dev/null &
BACKGROUND=$!
expect 1 "$TOOL" copy in/tris.skm endless.skp c.skm c.skp
contains out 'ReadSKP failed: data file "endless.skp" is a FIFO and gives more than 16777216 bytes.'
[ ! -e c.skm ] || fail "copy wrote output after a refused load"

echo "cli_paths: all checks passed"
