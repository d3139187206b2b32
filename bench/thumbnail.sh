#!/usr/bin/env bash
# Whole-process time of boneloom-tool thumbnail, as a file manager runs it
# (no display, 256x256): the demo model and the limit-sized model
# (bench/limit_model.h), median of RUNS runs each with hyperfine. Targets: the
# demo at most 150 ms, the limit-sized model at most 1 s, on Mesa's software
# renderer. Yardsticks beside them: `boneloom-tool --version`, the cost of
# starting the program (loading its libraries) before any work, and `render`
# of the same picture with Mesa's shader cache (warm, in a scratch
# XDG_CACHE_HOME), which thumbnail turns off because it may write nothing but
# its picture: the difference is the cost of compiling the shaders each run.
# On a shared machine the wall times hold the wait for a core; user + system
# is the work done.
# Usage: bench/thumbnail.sh [BUILD_DIR [RUNS]]   (default: build 20)
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
RUNS=${2:-20}
for program in boneloom-tool bench/bench_write_limit_model; do
  [ -x "$BUILD/$program" ] || { echo "thumbnail bench: build $program first (in $BUILD)" >&2; exit 2; }
done
command -v hyperfine >/dev/null || { echo "thumbnail bench: hyperfine missing (Debian package hyperfine)" >&2; exit 2; }
unset DISPLAY WAYLAND_DISPLAY
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
"$BUILD/boneloom-tool" sample "$WORK/demo" >/dev/null
"$BUILD/bench/bench_write_limit_model" "$WORK" >/dev/null
TOOL="$BUILD/boneloom-tool"

# median NAME TARGET_MS COMMAND: hyperfine's median of RUNS runs, against TARGET_MS.
median() {
  local name=$1 target=$2
  shift 2
  hyperfine --style none --warmup 2 --runs "$RUNS" --export-json "$WORK/run.json" "$*" >/dev/null
  python3 - "$name" "$target" "$WORK/run.json" <<'PY'
import json, sys
name, target, path = sys.argv[1], float(sys.argv[2]), sys.argv[3]
r = json.load(open(path))["results"][0]
m = r["median"] * 1000
line = f"{name}: median {m:.0f} ms (min {r['min'] * 1000:.0f}, max {r['max'] * 1000:.0f}, user {r['user'] * 1000:.0f}, system {r['system'] * 1000:.0f})"
if target > 0:
    line += f"; target {target:.0f} ms: " + ("met" if m <= target else "NOT met")
print(line)
PY
}
median "start-up (--version)" 0 "$TOOL --version"
XDG_CACHE_HOME="$WORK/cache" median "render, same picture, shader cache" 0 \
  "$TOOL render $WORK/demo/tris.skm $WORK/demo/tris.skp $WORK/out.png --size 256x256 --background none --no-skeleton --yaw -35 --pitch 20"
median "thumbnail demo 256" 150 "$TOOL thumbnail $WORK/demo/tris.skm $WORK/out.png"
median "thumbnail limit model 256" 1000 "$TOOL thumbnail $WORK/limit.skp $WORK/out.png"
