#!/usr/bin/env bash
# Makes a ready demo directory: the program with default templates, two demo forums and one saved
# message beside it. Data files already in the directory are kept, so a user's changes survive.
#   make-demo.sh BUILD_DIR DEMO_DIR
set -euo pipefail
build=${1:?build directory}
demo=${2:?demo directory}
here=$(cd "$(dirname "$0")/.." && pwd)

mkdir -p "$demo"
cp -f "$build/app/Threadwick" "$demo/Threadwick"
for extra in help.html screenshot.png; do
  if [ -f "$build/app/$extra" ]; then cp -f "$build/app/$extra" "$demo/$extra"; fi
done
for file in Formats.dat Forums.dat Messages.dat; do
  if [ ! -e "$demo/$file" ]; then cp "$here/resources/demo/$file" "$demo/$file"; fi
done
chmod 600 "$demo/Forums.dat"
echo "Demo directory ready: $demo"
