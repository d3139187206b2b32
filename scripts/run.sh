#!/usr/bin/env bash
# Installs what is missing, builds boneloom, writes the demo model (our own
# generator) into run/data/, and starts the viewer there with the skinned mesh
# shown. Arguments go to the viewer after --mesh.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=$(nproc 2>/dev/null || echo 2)

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$JOBS" --target boneloom boneloom-tool

mkdir -p run/data
build/boneloom-tool sample run/data >/dev/null
if build/boneloom-tool logo run/logo.tga >/dev/null 2>&1; then :; fi

. scripts/xvfb.sh
if [ -z "${DISPLAY:-}" ]; then
  trap stop_xvfb EXIT
  start_xvfb_if_needed
  echo "run: no X display was set; the viewer runs in a private Xvfb on $DISPLAY" >&2
  echo "run: see it with: DISPLAY=$DISPLAY import -window root shot.png" >&2
fi
cd run
exec_status=0
"$ROOT/build/boneloom" --mesh "$@" || exec_status=$?
exit $exec_status
