#!/usr/bin/env bash
# Import speed: whole-process time of `boneloom-tool import` on a glb of about
# 11 MB (the limit-sized mesh on 256 bones, 24 frames, exported with `gltf`) against
# `assimp info` on the same file (assimp's own load). Target: import at most
# 1.5 times assimp's time. Not a test: run it by hand and read the figures.
# Usage: bench/import.sh [BUILD_DIR [RUNS [WORK_DIR]]] — WORK_DIR (default
# /tmp) holds the files; the import's two outputs are written there with fsync.
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
RUNS=${2:-10}
WORK=$(mktemp -d "${3:-/tmp}/bench_import_XXXXXX")
trap 'rm -rf "$WORK"' EXIT
TOOL="$BUILD/boneloom-tool"
command -v assimp >/dev/null || { echo "bench: assimp (assimp-utils) is not installed" >&2; exit 1; }

"$BUILD/bench/bench_import_model" "$WORK/limit" >/dev/null
"$TOOL" gltf "$WORK/limit.skm" "$WORK/limit.skp" "$WORK/limit.glb" >/dev/null
echo "glb: $(stat -c %s "$WORK/limit.glb") bytes; $RUNS runs each; files in $WORK"
ASSIMP="assimp info $WORK/limit.glb"
IMPORT="$TOOL import $WORK/limit.glb $WORK/out.skm $WORK/out.skp"

if command -v hyperfine >/dev/null; then
  hyperfine --warmup 2 --runs "$RUNS" --style basic --export-json "$WORK/times.json" \
    -n "assimp info" "$ASSIMP" -n "boneloom-tool import" "$IMPORT" >&2
  read -r assimp_ms import_ms < <(python3 -c '
import json, sys
r = json.load(open(sys.argv[1]))["results"]
print(" ".join("%.1f" % (x["median"] * 1000) for x in r))' "$WORK/times.json")
  kind="median"
else
  # Without hyperfine: the best of RUNS, timed by the shell.
  best() {
    local cmd=$1 best=0 start end ms
    for _ in $(seq "$RUNS"); do
      start=$(date +%s%N)
      $cmd >/dev/null 2>&1
      end=$(date +%s%N)
      ms=$(((end - start) / 100000))
      if [ "$best" -eq 0 ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
    done
    echo "$((best / 10)).$((best % 10))"
  }
  assimp_ms=$(best "$ASSIMP")
  import_ms=$(best "$IMPORT")
  kind="best"
fi
ratio=$(python3 -c "print('%.2f' % ($import_ms / $assimp_ms))")
echo "assimp info: $assimp_ms ms ($kind), boneloom-tool import: $import_ms ms ($kind), ratio $ratio"
python3 -c "import sys; sys.exit(0 if $import_ms <= 1.5 * $assimp_ms else 1)" &&
  echo "target (import at most 1.5x assimp info): met" ||
  echo "target (import at most 1.5x assimp info): NOT met"
