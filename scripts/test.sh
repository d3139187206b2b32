#!/usr/bin/env bash
# Installs what is missing, builds boneloom with warnings as errors, runs every
# test (GUI tests in a private Xvfb when there is no display), builds the
# GL-free core and boneloom-tool alone (BONELOOM_VIEWER=OFF) and runs their
# tests, then builds again with AddressSanitizer + UndefinedBehaviorSanitizer and
# runs the unit and CLI tests, and the whole viewer end to end, under them; last,
# a short smoke run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=$(nproc 2>/dev/null || echo 2)

scripts/install-deps.sh

. scripts/xvfb.sh
trap stop_xvfb EXIT
start_xvfb_if_needed

echo "== build (warnings are errors)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBONELOOM_WERROR=ON >/dev/null
cmake --build build -j "$JOBS"

echo "== tests"
(cd build && ctest --output-on-failure -j "$JOBS" -LE asan)

echo "== core without the viewer (BONELOOM_VIEWER=OFF)"
cmake -S . -B build-core -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBONELOOM_WERROR=ON \
      -DBONELOOM_VIEWER=OFF -DBONELOOM_BENCH=OFF >/dev/null
cmake --build build-core -j "$JOBS" --target boneloom_core_tests boneloom-tool gltf-edge-models
(cd build-core && ctest --output-on-failure -j "$JOBS" -L 'unit|cli')

echo "== sanitizer build (ASan + UBSan)"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DBONELOOM_WERROR=ON \
      -DBONELOOM_SANITIZE=ON -DBONELOOM_BENCH=OFF >/dev/null
# Only what the sanitizer pass runs: the unit tests, the tool and its test
# helper, and the viewer for the end-to-end run.
cmake --build build-asan -j "$JOBS" --target boneloom_core_tests boneloom_viewer_tests \
      boneloom-tool boneloom gltf-edge-models

echo "== unit, CLI and whole-viewer tests under sanitizers"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$JOBS" -L 'unit|cli|asan')

if [ -x fuzz/run.sh ]; then
  echo "== fuzz smoke run"
  fuzz/run.sh --smoke
fi
