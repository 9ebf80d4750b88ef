#!/usr/bin/env bash
# Installs every Debian package that Threadwick's build, tests and benchmarks need.
# Idempotent and non-interactive: does nothing when all packages are present.
set -euo pipefail

PACKAGES=(
  # tool chain
  build-essential cmake ninja-build pkg-config clang clang-format python3
  # libraries
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-svg-dev libgl-dev
  zlib1g-dev libwmf-dev libemf2svg-dev libglib2.0-dev libpsl-dev
  # libwmf's link line names expat and libjpeg; its fonts are only recommended, yet without them it
  # cannot create its API and no WMF banner decodes
  libexpat1-dev libjpeg-dev fonts-urw-base35
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick
  desktop-file-utils appstream
  # fonts the built-in skin names (Arial is served by Liberation Sans)
  fonts-liberation fonts-dejavu-core
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=()
if [ "$(id -u)" -ne 0 ]; then SUDO=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
