#!/usr/bin/env bash
# Times the viewer's start-up with the demo model and --mesh (its textured
# skin loaded): from launch until the control strip is laid out (the first
# BONELOOM_GLUI_LAYOUT file), RUNS times, under a private Xvfb when no
# display is set. Prints the median and the fastest wall-clock time and the
# viewer's own CPU time (steadier on a busy machine) in milliseconds. Compare
# two builds to see what a change costs (target: within 10% of before):
#   bench/viewer_startup.sh [BUILD_DIR [RUNS]]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
RUNS=${2:-15}
VIEWER=$BUILD/boneloom
[ -x "$VIEWER" ] || { echo "viewer_startup: no $VIEWER (build it first)" >&2; exit 2; }
# The demo comes from this checkout's tool, so both builds draw the same files.
TOOL=$ROOT/build/boneloom-tool
[ -x "$TOOL" ] || TOOL=$BUILD/boneloom-tool
. "$ROOT/scripts/xvfb.sh"
WORK=$(mktemp -d)
trap 'stop_xvfb; rm -rf "$WORK"' EXIT
start_xvfb_if_needed
"$TOOL" sample "$WORK/data" >/dev/null
"$TOOL" logo "$WORK/logo.tga" >/dev/null

times=()
cpu=()
for ((i = 0; i < RUNS; i++)); do
  layout=$WORK/layout.$i
  start=$(date +%s%N)
  (cd "$WORK" && BONELOOM_GLUI_LAYOUT=$layout exec "$VIEWER" --mesh >/dev/null 2>&1) &
  pid=$!
  until [ -s "$layout" ]; do
    kill -0 "$pid" 2>/dev/null || { echo "viewer_startup: the viewer ended early" >&2; exit 1; }
    sleep 0.002
  done
  end=$(date +%s%N)
  # utime + stime in clock ticks: what the viewer itself spent, whatever else
  # the machine is running.
  ticks=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  cpu+=($((ticks * 1000 / $(getconf CLK_TCK))))
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  times+=($(((end - start) / 1000000)))
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
cpus=($(printf '%s\n' "${cpu[@]}" | sort -n))
echo "viewer start-up ($VIEWER, $RUNS runs): wall median ${sorted[$((RUNS / 2))]} ms, fastest ${sorted[0]} ms; CPU median ${cpus[$((RUNS / 2))]} ms, least ${cpus[0]} ms"
