#!/usr/bin/env bash
# Launches the real game several times in a row (ten by default) in a virtual X display, each
# closed after a second, and prints the random seed each launch reports; fails unless they differ.
set -euo pipefail
game=$(realpath "${1:-build/lobshot}")
count=${2:-10}
log=$(mktemp)
trap 'rm -f "$log"' EXIT

seeds=()
for _ in $(seq "$count"); do
  SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1024x768x24" \
    bash -c '"$1" & pid=$!; sleep 1; kill -TERM "$pid"; wait "$pid"' _ "$game" >"$log" 2>&1 || {
    echo "the game did not end cleanly:" >&2; cat "$log" >&2; exit 1; }
  seed=$(sed -nE 's/.*Random seed ([0-9]+).*/\1/p' "$log")
  if [ -z "$seed" ]; then
    echo "no seed in the trace:" >&2; cat "$log" >&2; exit 1
  fi
  echo "$seed"
  seeds+=("$seed")
done

distinct=$(printf '%s\n' "${seeds[@]}" | sort -u | wc -l)
if [ "$distinct" -ne "$count" ]; then
  echo "only $distinct different seeds in $count launches"; exit 1
fi
echo "$count launches, $count different seeds"
