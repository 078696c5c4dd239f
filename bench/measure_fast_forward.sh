#!/usr/bin/env bash
# Measures how long a match takes with the fast key held and without: lobshot-headless plays whole
# matches of Normal computer players (two, and eight) from the weapon shop to the end-of-match table,
# once as it is and once with Tab held throughout, and reports for each the game time (the frame
# steps, 20 ms each) and the time it takes at the window's pace (the timer's ticks, 20 ms each: a
# fast tick runs several steps but lasts no longer). The mean and the 99th percentile of a step's
# wall time say whether a fast tick's steps fit in its budget on this machine. The computers aim in
# about three seconds a turn; people take longer, which fast-forward does not shorten.
# Usage: bench/measure_fast_forward.sh [BUILD-DIR] [SEEDS...]   (default build, seeds 1 2 3; nothing is built)
set -euo pipefail
build=$(realpath "${1:-build}")
shift || true
seeds=("$@")
[ ${#seeds[@]} -gt 0 ] || seeds=(1 2 3)
runner=$build/lobshot-headless
[ -x "$runner" ] || { echo "no $runner: build it first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work

# The script of a match of `players` Normal computers; with `fast`, Tab is held from the start.
script() {
  local players=$1 fast=$2 seat
  [ "$fast" = 1 ] && echo "down Tab"
  echo "wait 2"
  echo "press Enter"
  echo "wait 1"
  for ((seat = 2; seat < players; seat++)); do echo "press Right"; done
  echo "wait 1"
  for ((seat = 1; seat <= players; seat++)); do echo "press $seat $seat $seat"; done
  echo "wait 1"
  echo "press Down Down Down Enter"
  echo "until Aiming 3000"
  echo "until EndOfMatch 400000"
}

# Minutes of n ticks or steps of 20 ms.
minutes() { awk -v n="$1" 'BEGIN { printf "%.1f", n * 0.02 / 60 }'; }

printf '%-8s %-5s %6s %12s %12s %8s %8s\n' players seed held game_min wall_min mean_us p99_us
for players in 2 8; do
  for seed in "${seeds[@]}"; do
    for fast in 0 1; do
      script "$players" "$fast" >"$work/match.script"
      line=$("$runner" --seed "$seed" --script "$work/match.script" --timing 2>&1 >/dev/null | grep '^frames ')
      read -r _ frames _ mean _ _ _ p99 _ _ _ _ _ ticks <<<"$line"
      printf '%-8s %-5s %6s %12s %12s %8s %8s\n' "$players" "$seed" "$([ "$fast" = 1 ] && echo yes || echo no)" \
        "$(minutes "$frames")" "$(minutes "$ticks")" "$mean" "$p99"
    done
  done
done
