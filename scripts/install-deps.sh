#!/usr/bin/env bash
# Installs every Debian package that Threadwick's build, tests and benchmarks need, and the editor
# libraries of the browser tests from the npm registry.
# Idempotent and non-interactive: does nothing when everything is present.
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
  # editor libraries the Auto Insert tests load into their forum pages
  libjs-jquery
)
ROOT=$(cd "$(dirname "$0")/.." && pwd)
WEBDEPS="$ROOT/.cache/webdeps"
SUDO=()
if [ "$(id -u)" -ne 0 ]; then SUDO=(sudo); fi
export DEBIAN_FRONTEND=noninteractive

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed$'; }

# CKEditor 4 comes from Debian where Debian has it; elsewhere from the npm registry (below).
WANT_NPM_CKEDITOR=0
if ! installed ckeditor && [ ! -f "$WEBDEPS/ckeditor4/node_modules/ckeditor4/ckeditor.js" ]; then
  # A fresh system may not have read the package lists yet.
  if ! apt-cache show ckeditor >/dev/null 2>&1; then
    "${SUDO[@]}" apt-get update -qq
  fi
  if apt-cache show ckeditor >/dev/null 2>&1; then
    PACKAGES+=(ckeditor)
  else
    WANT_NPM_CKEDITOR=1
  fi
fi
# npm fetches the remaining editor libraries; a Node.js of another origin brings its own npm.
if ! command -v npm >/dev/null 2>&1; then
  PACKAGES+=(npm)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! installed "$p"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${SUDO[@]}" apt-get update -qq
  "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Editor libraries from the npm registry, at the versions the lock file pins, into the git-ignored
# .cache/webdeps; reinstalled only when the lock file changed.
if ! cmp -s "$ROOT/tests/webdeps/package-lock.json" "$WEBDEPS/package-lock.json" ||
   [ ! -d "$WEBDEPS/node_modules" ]; then
  echo "Installing the editor libraries into $WEBDEPS"
  mkdir -p "$WEBDEPS"
  cp "$ROOT/tests/webdeps/package.json" "$ROOT/tests/webdeps/package-lock.json" "$WEBDEPS/"
  npm ci --prefix "$WEBDEPS" --ignore-scripts --no-audit --no-fund --loglevel=error
fi
# ProseMirror and CodeMirror ship only modules: the pieces of each are bundled once into one
# browser script, again when its entry or the lock file changed. esbuild's binary comes as a
# package of its own, so no install script has to run.
for LIB in prosemirror codemirror; do
  BUNDLE="$WEBDEPS/$LIB/$LIB.js"
  if [ ! -f "$BUNDLE" ] || [ "$ROOT/tests/webdeps/$LIB.js" -nt "$BUNDLE" ] ||
     [ "$WEBDEPS/package-lock.json" -nt "$BUNDLE" ]; then
    echo "Bundling $LIB into $BUNDLE"
    mkdir -p "$WEBDEPS/$LIB"
    cp "$ROOT/tests/webdeps/$LIB.js" "$WEBDEPS/$LIB-entry.js"
    "$WEBDEPS/node_modules/.bin/esbuild" "$WEBDEPS/$LIB-entry.js" --bundle --format=iife \
      --log-level=warning --outfile="$BUNDLE"
  fi
done
# The last CKEditor 4 under an open-source licence, where Debian has no package of it.
CKEDITOR4_VERSION=4.22.1
if [ "$WANT_NPM_CKEDITOR" = 1 ]; then
  echo "Installing CKEditor $CKEDITOR4_VERSION into $WEBDEPS/ckeditor4"
  mkdir -p "$WEBDEPS/ckeditor4"
  npm install --prefix "$WEBDEPS/ckeditor4" --no-save --no-package-lock --ignore-scripts --no-audit \
    --no-fund --loglevel=error "ckeditor4@$CKEDITOR4_VERSION"
fi
