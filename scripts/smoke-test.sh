#!/usr/bin/env bash
# Starts the real game in a virtual X display with a silent audio driver, lets it run on the title
# for a few seconds, asks it to close as a window manager would, and checks that it ran its frame
# steps and ended cleanly.
set -euo pipefail
game=${1:-build/lobshot}
seconds=${2:-3}
log=$(mktemp)
trap 'rm -f "$log"' EXIT

SDL_AUDIODRIVER=dummy LOBSHOT_WINDOWED=1 xvfb-run -a -s "-screen 0 1024x768x24" \
  bash -c "\"$game\" & pid=\$!; sleep $seconds; kill -TERM \$pid; wait \$pid" >"$log" 2>&1 || {
  echo "the game did not end cleanly:"; cat "$log"; exit 1; }
if grep -q "^ERROR:" "$log"; then
  echo "the game reported errors:"; cat "$log"; exit 1
fi
grep -E "frame steps in" "$log" || { echo "no frame steps were reported:"; cat "$log"; exit 1; }
