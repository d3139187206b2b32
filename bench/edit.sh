#!/usr/bin/env bash
# Edit speed: whole-process time of `boneloom-tool edit` running five
# operations on the limit-sized pair (two files of 16 MB: one mesh at the
# per-mesh limits, 256 bones with as many frames as fit) against
# `boneloom-tool copy` of the same pair, which loads and writes the same files
# and nothing else. The chain removes a weighted bone in the middle of the
# chain, so every frame's pose and every weight of that bone is re-expressed.
# Target: edit at most 2 times copy. Not a test: run it by hand and read the
# figures.
# Usage: bench/edit.sh [BUILD_DIR [RUNS [WORK_DIR]]] — WORK_DIR (default /tmp)
# holds the files; outputs are written there with fsync.
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
RUNS=${2:-10}
WORK=$(mktemp -d "${3:-/tmp}/bench_edit_XXXXXX")
trap 'rm -rf "$WORK"' EXIT
TOOL="$BUILD/boneloom-tool"
command -v hyperfine >/dev/null || { echo "bench: hyperfine is not installed" >&2; exit 1; }

"$BUILD/bench/bench_write_limit_model" "$WORK" >/dev/null
echo "pair: $(stat -c %s "$WORK/limit.skm") + $(stat -c %s "$WORK/limit.skp") bytes; $RUNS runs each; files in $WORK"
IN="$WORK/limit.skm $WORK/limit.skp"
COPY="$TOOL copy $IN $WORK/copy.skm $WORK/copy.skp"
EDIT="$TOOL edit $IN $WORK/edit.skm $WORK/edit.skp --drop 0 --rename-bone bone2 spine --scale 0.5 --delete-bone 1 --in-place 0"

hyperfine --warmup 2 --runs "$RUNS" --style basic --export-json "$WORK/times.json" \
  -n "boneloom-tool copy" "$COPY" -n "boneloom-tool edit (5 operations)" "$EDIT" >&2
read -r copy_ms edit_ms < <(python3 -c '
import json, sys
r = json.load(open(sys.argv[1]))["results"]
print(" ".join("%.1f" % (x["median"] * 1000) for x in r))' "$WORK/times.json")
ratio=$(python3 -c "print('%.2f' % ($edit_ms / $copy_ms))")
echo "boneloom-tool copy: $copy_ms ms (median), boneloom-tool edit: $edit_ms ms (median), ratio $ratio"
python3 -c "import sys; sys.exit(0 if $edit_ms <= 2 * $copy_ms else 1)" &&
  echo "target (edit at most 2x copy): met" ||
  echo "target (edit at most 2x copy): NOT met"
