#!/usr/bin/env bash
# Import speed: whole-process times on a glb of about 11 MB (the limit-sized
# mesh on 256 bones, 24 frames, exported with `gltf`):
#   - assimp's raw load of the file (`assimp info FILE -r`: no post-processing,
#     no validation), the yardstick;
#   - writing two files of the outputs' sizes with fsync (dd), the rest of
#     the yardstick;
#   - the import with the reader in-process and with it in the guard's child
#     process (bench_import_guard direct|guarded), and `boneloom-tool import`.
# Targets: the guard costs under 10% of the in-process import; the guarded
# import takes at most 2 times assimp's raw load plus the writing of the two
# outputs. Not a test: run it by hand on a quiet machine and read the figures
# (medians and minima: on a busy machine the minima are the steadier).
# Usage: bench/import.sh [BUILD_DIR [RUNS [WORK_DIR]]] — WORK_DIR (default
# /tmp) holds the files; the outputs are written there with fsync.
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
RUNS=${2:-10}
WORK=$(mktemp -d "${3:-/tmp}/bench_import_XXXXXX")
trap 'rm -rf "$WORK"' EXIT
TOOL="$BUILD/boneloom-tool"
GUARD="$BUILD/bench/bench_import_guard"
command -v assimp >/dev/null || { echo "bench: assimp (assimp-utils) is not installed" >&2; exit 1; }
command -v hyperfine >/dev/null || { echo "bench: hyperfine is not installed" >&2; exit 1; }

"$BUILD/bench/bench_import_model" "$WORK/limit" >/dev/null
"$TOOL" gltf "$WORK/limit.skm" "$WORK/limit.skp" "$WORK/limit.glb" >/dev/null
"$TOOL" import "$WORK/limit.glb" "$WORK/out.skm" "$WORK/out.skp" >/dev/null
echo "glb: $(stat -c %s "$WORK/limit.glb") bytes; outputs $(stat -c %s "$WORK/out.skm") +" \
  "$(stat -c %s "$WORK/out.skp") bytes; $RUNS runs each; files in $WORK"

hyperfine --warmup 2 --runs "$RUNS" --style basic --export-json "$WORK/times.json" \
  -n "assimp raw load" "assimp info $WORK/limit.glb -r" \
  -n "write outputs" "dd if=$WORK/out.skm of=$WORK/w.skm conv=fsync status=none && dd if=$WORK/out.skp of=$WORK/w.skp conv=fsync status=none" \
  -n "import in-process" "$GUARD direct $WORK/limit.glb $WORK" \
  -n "import guarded" "$GUARD guarded $WORK/limit.glb $WORK" \
  -n "boneloom-tool import" "$TOOL import $WORK/limit.glb $WORK/out.skm $WORK/out.skp" >&2
python3 - "$WORK/times.json" <<'EOF'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
for kind in ("median", "min"):
    r = {x["command"]: x[kind] * 1000 for x in results}
    raw, write = r["assimp raw load"], r["write outputs"]
    direct, guarded, tool = r["import in-process"], r["import guarded"], r["boneloom-tool import"]
    print("-- %s of each" % kind)
    for name, ms in r.items():
        print("%-22s %8.1f ms" % (name, ms))
    overhead = 100 * (guarded - direct) / direct
    limit = 2 * raw + write
    print("guard overhead: %.1f%% of the in-process import (target under 10%%): %s"
          % (overhead, "met" if overhead < 10 else "NOT met"))
    print("boneloom-tool import %.1f ms against 2 x raw load + writing = %.1f ms: %s"
          % (tool, limit, "met" if tool <= limit else "NOT met"))
EOF
