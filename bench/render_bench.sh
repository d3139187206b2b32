#!/usr/bin/env bash
# Whole-process time and peak memory of boneloom-tool render on the
# limit-sized model (bench/limit_model.h: one mesh at the vertex, triangle and
# reference limits, 256 bones) at 1024x1024 with mesh and skeleton, without a
# display, measured with /usr/bin/time -v. Target: under 1 second.
# Usage: bench/render_bench.sh [BUILD_DIR [RUNS]]   (default: build 5)
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
RUNS=${2:-5}
for program in boneloom-tool bench/bench_write_limit_model; do
  [ -x "$BUILD/$program" ] || { echo "render_bench: build $program first (in $BUILD)" >&2; exit 2; }
done
[ -x /usr/bin/time ] || { echo "render_bench: /usr/bin/time missing (Debian package time)" >&2; exit 2; }
unset DISPLAY
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
"$BUILD/bench/bench_write_limit_model" "$WORK" >/dev/null
echo "model: $(du -b "$WORK/limit.skm" | cut -f1) + $(du -b "$WORK/limit.skp" | cut -f1) bytes; $RUNS runs at 1024x1024"

walls=()
for run in $(seq 1 "$RUNS"); do
  /usr/bin/time -v -o "$WORK/time.txt" "$BUILD/boneloom-tool" render "$WORK/limit.skm" "$WORK/limit.skp" \
    "$WORK/out.png" --size 1024x1024 >/dev/null
  # "Elapsed (wall clock) time (h:mm:ss or m:ss): 0:00.41" -> seconds
  wall=$(sed -n 's/.*Elapsed (wall clock) time.*: //p' "$WORK/time.txt" |
    awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }')
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$WORK/time.txt")
  user=$(sed -n 's/.*User time (seconds): //p' "$WORK/time.txt")
  sys=$(sed -n 's/.*System time (seconds): //p' "$WORK/time.txt")
  # On a shared machine the wall time holds the wait for a core: the share of
  # a core the run got says how much.
  cpu=$(sed -n 's/.*Percent of CPU this job got: //p' "$WORK/time.txt")
  printf 'run %d: wall %.2f s, user %s s, sys %s s, CPU %s, peak RSS %d MB\n' \
    "$run" "$wall" "$user" "$sys" "$cpu" $((rss / 1024))
  walls+=("$wall")
done
median=$(printf '%s\n' "${walls[@]}" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
verdict=$(awk -v m="$median" 'BEGIN { print (m < 1.0) ? "met" : "NOT met" }')
echo "median wall $median s; target (under 1 s): $verdict"
