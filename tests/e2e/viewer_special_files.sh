#!/usr/bin/env bash
# The viewer and files it cannot use: a missing model, or one that is a FIFO
# without a writer, an endless pipe or /dev/zero, ends the start-up with its
# message and status 1 within moments; a logo that is a FIFO or an endless pipe
# leaves a running viewer without a logo and a line saying why. A save past the
# file size limit, and saves into a directory the viewer may not write, fail
# with their reasons, leave the previous export and no other file, and the
# viewer keeps answering.
. "$(dirname "$0")/viewer_common.inc"

FEEDER=""
stop_feeder() {
  if [ -n "$FEEDER" ]; then kill "$FEEDER" 2>/dev/null || true; wait "$FEEDER" 2>/dev/null || true; fi
  FEEDER=""
}
stop_app() { stop_feeder; stop_viewer; } # the EXIT trap's (layout.inc)

# feed FILE: an endless writer on the FIFO FILE (text, never a valid image).
feed() { yes >"$1" 2>/dev/null & FEEDER=$!; }

# start_fails WANT: the viewer must end with status 1 within 10 s, its console
# holding the line WANT.
start_fails() {
  local attempt rc start
  for attempt in 1 2 3; do
    start=$(date +%s)
    rc=0
    ( cd "$WORK" && exec timeout 20 "$BIN" >"$WORK/console.txt" 2>&1 ) || rc=$?
    grep -q 'failed to open display' "$WORK/console.txt" || break
    sleep 1
  done
  [ "$rc" -eq 1 ] || fail "viewer exited $rc, expected 1 (124: it hung)"
  [ $(($(date +%s) - start)) -le 10 ] || fail "the refusal took $(($(date +%s) - start)) s"
  grep -qxF -- "$1" "$WORK/console.txt" || fail "no '$1' on the console"
}

# --- models ----------------------------------------------------------------------
mkdir -p "$WORK/data"
start_fails 'ReadSKM failed: can'"'"'t open data file "data/tris.skm".'
[ "$(head -n 1 "$WORK/console.txt")" = "Init 3d Objects" ] || fail "missing model: first line"
! grep -q "New BONE NAMES" "$WORK/console.txt" || fail "missing model: bones listed"
# use_model: the demo model back in data/.
use_model() { rm -f "$WORK"/data/tris.*; make_model; }
use_model
rm "$WORK/data/tris.skm" && mkfifo "$WORK/data/tris.skm"
start_fails 'ReadSKM failed: Empty data file "data/tris.skm".'
rm "$WORK/data/tris.skm" && ln -s /dev/zero "$WORK/data/tris.skm"
start_fails 'ReadSKM failed: data file "data/tris.skm" is a character device and gives more than 16777216 bytes.'
use_model
rm "$WORK/data/tris.skp" && mkfifo "$WORK/data/tris.skp"
start_fails 'ReadSKP failed: Empty data file "data/tris.skp".'
feed "$WORK/data/tris.skp"
start_fails 'ReadSKP failed: data file "data/tris.skp" is a FIFO and gives more than 16777216 bytes.'
stop_feeder
note "no model, FIFOs, an endless pipe and /dev/zero as model files: refused with status 1"

# --- logos -----------------------------------------------------------------------
use_model
mkfifo "$WORK/logo.tga"
start_viewer
grep -qx 'logo.tga is a FIFO: empty; no logo' "$WORK/console.txt" || fail "no line about the idle logo FIFO"
stop_viewer

# --- an endless pipe as logo, then failing saves in the same run -----------------
# The console goes through a pipe to a writer outside the file size limit, so
# only the viewer's own writes are limited: the SKP export (9 KB) does not fit
# in 8 KB. As root the permission bits alone would not stop a write into a
# read-only data/: the capabilities that override them are dropped for the run.
WRAP=()
if [ "$(id -u)" = 0 ]; then
  command -v setpriv >/dev/null || { echo "skip: setpriv is needed to run unprivileged"; exit 0; }
  WRAP=(setpriv --bounding-set=-dac_override,-dac_read_search,-fowner --)
fi
printf 'previous export' >"$WORK/data/out.skp"
cp "$WORK/data/out.skp" "$WORK/previous.skp"
feed "$WORK/logo.tga"
start_viewer "${WRAP[@]}" bash -c 'exec > >(exec cat) 2>&1; ulimit -f 8; exec "$0"'
grep -qx 'logo.tga is a FIFO: not an uncompressed true-colour image (type 2); no logo' "$WORK/console.txt" ||
  fail "no line about the endless logo pipe"
stop_feeder
note "a FIFO or endless pipe as logo: the viewer runs without it and says why"

# failed_save INDEX FILE REASON: a Save entry of the menu, waiting for its failure line.
failed_save() {
  pick_main "$1"
  wait_until "failure line for $2" more_console "cannot write \"$2\": $3" 1
}
failed_save 0 data/out.skp "File too large"
chmod 555 "$WORK/data"
failed_save 0 data/out.skp "Permission denied"
failed_save 1 data/out.skm "Permission denied"
chmod 755 "$WORK/data"
# Each failure says where and why, and no "wrote" line claims success.
want=$(printf '%s\n' 'unable to write file "data/out.skp"' 'cannot write "data/out.skp": File too large' \
  'unable to open file "data/out.skp" for writing' 'cannot write "data/out.skp": Permission denied' \
  'unable to open file "data/out.skm" for writing' 'cannot write "data/out.skm": Permission denied')
got=$(grep -A2 '^file size: ' "$WORK/console.txt" | grep -v '^file size: \|^--$' || true)
[ "$got" = "$want" ] || fail "save messages differ: got [$got]"
[ "$(grep -c '^file size: ' "$WORK/console.txt")" -eq 3 ] || fail "expected three 'file size' lines"
! grep -q '^wrote SK' "$WORK/console.txt" || fail "a failed save reported success"
cmp -s "$WORK/data/out.skp" "$WORK/previous.skp" || fail "the previous export changed"
[ "$(ls -A "$WORK/data" | sort | tr '\n' ' ')" = "boneloom_skin.tga out.skp tris.skm tris.skp " ] ||
  fail "files left in data/: $(ls -A "$WORK/data")"
key_tap z # waits for the key's console lines: the viewer still answers
note "saves past ulimit -f and into a read-only directory: reported, nothing left behind, the viewer runs on"
