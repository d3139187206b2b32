#!/usr/bin/env bash
# The viewer and files that are not plain files: a model that is a FIFO without
# a writer, an endless pipe or /dev/zero ends the start-up with its message and
# status 1 within moments; a logo that is one of those leaves a running viewer
# without a logo and a line saying why. Under a file size limit a save fails
# with its reason, leaves the previous export and no temporary file, and the
# viewer keeps answering.
. "$(dirname "$0")/viewer_common.inc"

FEEDER=""
stop_feeder() {
  if [ -n "$FEEDER" ]; then kill "$FEEDER" 2>/dev/null || true; wait "$FEEDER" 2>/dev/null || true; fi
  FEEDER=""
}
# cleanup (viewer_common.inc) exits with the status it finds in $?.
trap 'rc=$?; stop_feeder; (exit $rc); cleanup' EXIT

# feed FILE: an endless writer on the FIFO FILE (text, never a valid image).
feed() { yes >"$1" 2>/dev/null & FEEDER=$!; }

# start_fails WANT: the viewer must end with status 1 within 10 s, its console
# holding WANT.
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
  grep -qF -- "$1" "$WORK/console.txt" || fail "no '$1' on the console"
}

make_model
mkdir "$WORK/keep" && cp "$WORK"/data/tris.* "$WORK/keep/"
# use_model: the demo model back in data/.
use_model() { rm -f "$WORK"/data/tris.*; cp "$WORK"/keep/tris.* "$WORK/data/"; }

# --- models ----------------------------------------------------------------------
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
note "FIFOs, an endless pipe and /dev/zero as model files: refused with status 1"

# --- logos -----------------------------------------------------------------------
use_model
mkfifo "$WORK/logo.tga"
start_viewer
grep -qx 'logo.tga is a FIFO: empty; no logo' "$WORK/console.txt" || fail "no line about the idle logo FIFO"
stop_viewer
feed "$WORK/logo.tga"
start_viewer
grep -qx 'logo.tga is a FIFO: not an uncompressed true-colour image (type 2); no logo' "$WORK/console.txt" ||
  fail "no line about the endless logo pipe"
stop_viewer
stop_feeder
rm "$WORK/logo.tga"
note "a FIFO or endless pipe as logo: the viewer runs without it and says why"

# --- a save past the file size limit ---------------------------------------------------
# The previous export stays as it was. The console goes through a pipe to a
# writer outside the limit, so only the viewer's own writes are limited; the
# SKP export (9 KB) does not fit in 8 KB.
printf 'previous export' >"$WORK/data/out.skp"
cp "$WORK/data/out.skp" "$WORK/previous.skp"
start_viewer bash -c 'exec > >(exec cat) 2>&1; ulimit -f 8; exec "$0"'
pick_main 0
wait_until "failure line of the save" grep -q '^cannot write "data/out.skp"' "$WORK/console.txt"
grep -A2 '^file size: ' "$WORK/console.txt" >"$WORK/save.txt" || true
want=$(printf '%s\n' 'unable to write file "data/out.skp"' 'cannot write "data/out.skp": File too large')
[ "$(grep -v '^file size: ' "$WORK/save.txt")" = "$want" ] || fail "save messages: $(cat "$WORK/save.txt")"
! grep -q '^wrote SKP file' "$WORK/console.txt" || fail "the failed save reported success"
cmp -s "$WORK/data/out.skp" "$WORK/previous.skp" || fail "the previous export changed"
[ "$(ls -A "$WORK/data" | sort | tr '\n' ' ')" = "boneloom_skin.tga out.skp tris.skm tris.skp " ] ||
  fail "files left in data/: $(ls -A "$WORK/data")"
key_tap z # waits for the key's console lines: the viewer still answers
note "a save past ulimit -f: reported, nothing left behind, the viewer runs on"
