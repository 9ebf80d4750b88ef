#!/usr/bin/env bash
# Makes a ready demo directory: the program with default templates, a practice forum, two demo
# forums and one saved message beside it. Data files already in the directory are kept, so a user's
# changes survive; the practice forum is added to a forum list that does not have it yet.
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
cp -f "$here/resources/demo/practice-forum.html" "$demo/practice-forum.html"
for file in Formats.dat Messages.dat; do
  if [ ! -e "$demo/$file" ]; then cp "$here/resources/demo/$file" "$demo/$file"; fi
done

# The practice forum's address is absolute, so its record is written here, first in the list, after
# the header line. as_uri() percent-encodes the path, so no "^" or line break can reach the record.
forums="$demo/Forums.dat"
if [ ! -e "$forums" ]; then cp "$here/resources/demo/Forums.dat" "$forums"; fi
if ! grep -q 'practice-forum\.html' "$forums"; then
  practice=$(python3 -c 'import pathlib, sys; print(pathlib.Path(sys.argv[1]).resolve().as_uri())' \
    "$demo/practice-forum.html")
  umask 077
  { head -n 1 "$forums"; printf '%s^demo^practice^\r\n' "$practice"; tail -n +2 "$forums"; } >"$forums.new"
  mv -f "$forums.new" "$forums"
fi
chmod 600 "$forums"
echo "Demo directory ready: $demo"
