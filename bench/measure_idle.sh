#!/usr/bin/env bash
# Measures what the still game costs in a virtual 1920x1080 X display: the game process's CPU time
# (user+system, percent of one core) and its main thread's wake-ups a second (context switches),
# over SECONDS on the title and as many while a player aims, with nothing pressed.
#
# Usage: bench/measure_idle.sh [GAME] [SECONDS]   (build/lobshot and 20 by default; nothing is built)
# Needs xvfb-run and xdotool; the replay runner beside the game, when there, names the mode the
# second stretch was measured in. The machine should be otherwise quiet (the load is printed).
set -euo pipefail
game=$(realpath "${1:-build/lobshot}")
seconds=${2:-20}
[ -x "$game" ] || { echo "no game at $game" >&2; exit 2; }
if [ -z "${LOBSHOT_MEASURE_INNER:-}" ]; then
  unset SDL_VIDEODRIVER LOBSHOT_WINDOWED
  exec xvfb-run -a -s "-screen 0 1920x1080x24" env LOBSHOT_MEASURE_INNER=1 bash "$0" "$game" "$seconds"
fi

work=$(mktemp -d)
pid=""
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work
hz=$(getconf CLK_TCK)

# shellcheck source=bench/process_clock.sh
source "$(dirname "$0")/process_clock.sh"
switches() { awk '/ctxt_switches/ { n += $2 } END { print n }' "/proc/$pid/task/$pid/status"; }

# "CPU% WAKEUPS" over a stretch of wall time.
measure() {
  local t0 c0 s0 ms
  t0=$(now_ms); c0=$(cpu_ticks "$pid"); s0=$(switches)
  sleep "$1"
  ms=$(($(now_ms) - t0))
  awk -v c=$(($(cpu_ticks "$pid") - c0)) -v s=$(($(switches) - s0)) -v ms="$ms" -v hz="$hz" \
    'BEGIN { printf "%.2f %.0f\n", c * 100000 / hz / ms, s * 1000 / ms }'
}

# Waits until a second passes with the game under a tenth of a core (a landscape made), 30 s at most.
settle() {
  for _ in $(seq 30); do
    read -r cpu _ < <(measure 1)
    awk -v c="$cpu" 'BEGIN { exit !(c < 10) }' && return
  done
}

echo "game: $game"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
"$game" --seed 9 >"$work/trace.txt" 2>&1 &
pid=$!
window=$(xdotool search --sync --limit 1 --name '^Lobshot$')
sleep 2
read -r title_cpu title_wakeups < <(measure "$seconds")

# A new game of two people with the shop's first choices, to the first player's aim.
for keys in Return "Down Down Down Return" "Down Down Down Down Down Down Return" \
            "Down Down Down Down Down Down Return"; do
  # shellcheck disable=SC2086
  xdotool key --window "$window" $keys
  sleep 0.5
done
settle
sleep 1
read -r aim_cpu aim_wakeups < <(measure "$seconds")
kill -TERM "$pid"
wait "$pid" || true

mode="unknown (no replay runner beside the game)"
runner="$(dirname "$game")/lobshot-headless"
replay=$(find "$work" -name '*.lobshot-replay' | head -1)
if [ -x "$runner" ] && [ -n "$replay" ] && "$runner" --replay "$replay" --state "$work/state.json" >/dev/null 2>&1; then
  mode=$(sed -nE 's/.*"mode": *"([^"]*)".*/\1/p' "$work/state.json" | head -1)
fi

echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-44s %8s %10s\n' "the still game, $seconds s each" "CPU %" "wake-ups/s" \
  "on the title" "$title_cpu" "$title_wakeups" "aiming (the game's mode: $mode)" "$aim_cpu" "$aim_wakeups"
