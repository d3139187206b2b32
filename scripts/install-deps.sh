#!/usr/bin/env bash
# Installs the Debian packages that boneloom's build, viewer and tests need.
# Idempotent: packages already present are skipped, and apt is not touched at
# all when nothing is missing. Run as root (or with sudo available).
set -euo pipefail

PACKAGES=(
  cmake make g++ pkg-config
  libgtest-dev libbenchmark-dev
  freeglut3-dev libglu1-mesa-dev libgl1-mesa-dri
  xvfb xauth xdotool imagemagick x11-utils
  libegl-dev libegl-mesa0 libpng-dev time
  nlohmann-json3-dev assimp-utils libassimp-dev hyperfine
  clang libclang-rt-14-dev
  desktop-file-utils shared-mime-info xdg-utils libglib2.0-bin man-db groff-base
  dpkg-dev file librsvg2-bin
)
# The glTF tests run the Khronos validator and three.js under Node.js. Debian's
# nodejs and npm come in only when no node is on the PATH at all: a Node.js
# installed some other way (nvm, NodeSource, a tarball) is kept as it is.
if ! command -v node >/dev/null 2>&1; then
  PACKAGES+=(nodejs npm)
fi
PACKAGES+=("$@")

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
