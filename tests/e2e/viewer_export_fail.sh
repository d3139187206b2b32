#!/usr/bin/env bash
# Saving into a data/ directory the viewer may not write: the exporter's
# messages, no file left behind, and the viewer keeps running.
. "$(dirname "$0")/viewer_common.inc"

make_model
chmod 555 "$WORK/data"
# As root the permission bits alone would not stop the write: drop the
# capabilities that override them for this run.
WRAP=()
if [ "$(id -u)" = 0 ]; then
  command -v setpriv >/dev/null || { echo "skip: setpriv is needed to run unprivileged"; exit 0; }
  WRAP=(setpriv --bounding-set=-dac_override,-dac_read_search,-fowner --)
fi
start_viewer "${WRAP[@]}"

# failed_save INDEX FILE: a Save entry of the menu, waiting for its failure line.
failed_save() {
  pick_main "$1"
  wait_until "failure line for $2" grep -q "^cannot write \"$2\"" "$WORK/console.txt"
}
failed_save 0 data/out.skp
failed_save 1 data/out.skm
viewer_running || fail "the viewer ended after a failed export"
grep -A2 '^file size: ' "$WORK/console.txt" >"$WORK/export.txt" || true
# Each failure says where and why, and no "wrote" line claims success.
want=$(printf '%s\n' 'unable to open file "data/out.skp" for writing' \
  'cannot write "data/out.skp": Permission denied' \
  'unable to open file "data/out.skm" for writing' 'cannot write "data/out.skm": Permission denied')
got=$(grep -v '^file size: \|^--$' "$WORK/export.txt" || true)
[ "$got" = "$want" ] || fail "export messages differ: got [$got]"
[ "$(grep -c '^file size: ' "$WORK/console.txt")" -eq 2 ] || fail "expected two 'file size' lines"
! grep -q '^wrote SK' "$WORK/console.txt" || fail "a failed export reported success"
[ -z "$(ls "$WORK/data" | grep -v '^tris\.sk[mp]$\|^boneloom_skin\.tga$' || true)" ] || fail "files left in data/: $(ls "$WORK/data")"
chmod 755 "$WORK/data"
note "failed exports report, leave nothing behind, and the viewer runs on"
