#!/usr/bin/env bash
# The still game sleeps between its steps: on the title, in a virtual X display, its main thread
# wakes about once a step (50 a second), never a thousand times a second as a wait that polls does.
# Counted by the kernel (the thread's context switches), whatever the machine's load.
#
# Usage: idle_wakeups.sh GAME
set -uo pipefail
game=$1
if [ -z "${LOBSHOT_TEST_INNER:-}" ]; then
  if ! command -v xvfb-run >/dev/null; then
    echo "no xvfb-run: the still game's wake-ups are not counted"
    exit 0
  fi
  exec xvfb-run -a -s "-screen 0 640x480x24" env LOBSHOT_TEST_INNER=1 bash "$0" "$game"
fi

work=$(mktemp -d)
export XDG_DATA_HOME=$work SDL_AUDIODRIVER=dummy LOBSHOT_WINDOWED=1
"$game" --seed 1 >"$work/out" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do
  grep -q "First frame shown" "$work/out" && break
  sleep 0.1
done
sleep 1
switches() { awk '/voluntary_ctxt_switches/ && !/non/ { print $2 }' "/proc/$pid/task/$pid/status"; }
before=$(switches)
sleep 2
after=$(switches)
[ -n "$before" ] && [ -n "$after" ] || { echo "the game did not stay on its title"; cat "$work/out"; exit 1; }
rate=$(((after - before) / 2))
if [ "$rate" -gt 200 ]; then
  echo "the still title woke the game $rate times a second (a step is 50 a second)"
  exit 1
fi
echo "the still title woke the game $rate times a second"
