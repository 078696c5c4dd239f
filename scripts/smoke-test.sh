#!/usr/bin/env bash
# Starts the real game full screen in a virtual X display with a silent audio driver, twice: once
# left on the title for three seconds, where it must run about 50 frame steps a second, and once
# switched between full screen and a window a hundred times with Alt+Enter, after which it must
# still be running. Each run is closed as a window manager would and must end cleanly, and neither
# may load an OpenGL library.
set -euo pipefail
game=$(realpath "${1:-build/lobshot}")
log=$(mktemp)
inner=$(mktemp)
trap 'rm -f "$log" "$inner"' EXIT

cat >"$inner" <<'INNER'
set -euo pipefail
"$1" &
pid=$!
sleep 2
if [ "$2" = toggle ]; then
  window=$(xdotool search --sync --limit 1 --name '^Lobshot$')
  for _ in $(seq 100); do
    xdotool key --window "$window" alt+Return
  done
fi
sleep 1
kill -0 "$pid"
# The presenter draws on the CPU: no OpenGL library may be loaded.
if grep -qiE 'libGL|llvmpipe|swrast|libLLVM' "/proc/$pid/maps"; then
  echo "ERROR: OpenGL libraries are loaded"; kill -TERM "$pid"; exit 1
fi
kill -TERM "$pid"
wait "$pid"
INNER

# Runs the game once; prints its frame steps and milliseconds.
run() {
  SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1024x768x24" bash "$inner" "$game" "$1" >"$log" 2>&1 || {
    echo "the game did not end cleanly ($1):" >&2; cat "$log" >&2; exit 1; }
  if grep -q "^ERROR:" "$log"; then
    echo "the game reported errors ($1):" >&2; cat "$log" >&2; exit 1
  fi
  grep -E "frame steps in" "$log" | sed -E 's/.*: ([0-9]+) frame steps in ([0-9]+) ms.*/\1 \2/'
}

read -r frames ms < <(run quiet)
echo "on the title: $frames frame steps in $ms ms"
if [ -z "$frames" ] || [ $((frames * 1000 / ms)) -lt 40 ]; then
  echo "too few frame steps"; exit 1
fi
read -r frames ms < <(run toggle)
echo "with a hundred Alt+Enter: $frames frame steps in $ms ms"
if [ -z "$frames" ] || [ "$frames" -lt 50 ]; then
  echo "the game stopped drawing"; exit 1
fi
