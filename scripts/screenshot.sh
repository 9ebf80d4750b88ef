#!/usr/bin/env bash
# Takes a screenshot of the running window on a virtual X server, for the README.
#   screenshot.sh BUILD_DIR DEMO_DIR OUT.png
set -euo pipefail
demo=$(realpath "${2:?demo directory}")
out=$(realpath -m "${3:?output file}")

if [ -z "${THREADWICK_SCREENSHOT_INNER:-}" ]; then
  THREADWICK_SCREENSHOT_INNER=1 exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

cd "$demo"
./Threadwick >/dev/null 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
for _ in $(seq 1 60); do
  xdotool search --onlyvisible --name '^Threadwick$' >/dev/null 2>&1 && break
  sleep 0.5
done
sleep 2
window=$(xdotool search --onlyvisible --name '^Threadwick$' | head -n 1)
# Use the window as a person would: type a message and open the help page in the browser pane.
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.3; }
click 120 139
xdotool type --delay 20 "New release of our forum tool"
click 100 220
xdotool type --delay 10 "Hello all, version 2 is out: see http://www.example.com/news"
xdotool key Return Return
xdotool type --delay 10 "Questions to support@example.com"
click 60 445
if [ -f "$demo/help.html" ]; then
  click 500 139
  xdotool type --delay 5 "file://$demo/help.html"
  xdotool key Return
fi
# Let the engine paint the page.
sleep 4
for window in $(xdotool search --onlyvisible --name '^Threadwick$' 2>/dev/null); do
  if import -window "$window" "$out" 2>/dev/null; then
    echo "Screenshot written: $out"
    exit 0
  fi
done
echo "The window did not appear." >&2
exit 1
