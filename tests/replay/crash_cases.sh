#!/usr/bin/env bash
# A crash leaves what is needed to report it. A scripted game, paced like the window's, is killed
# (SIGKILL) at random moments while it records its replay; the game's next start keeps what it
# wrote as a replay cut short, saying so in one trace row, and that replay is the same game up to
# its last line: its lines are the first lines of the whole run's replay, and it plays to its cut
# exactly as the whole run's replay cut there does. In a virtual X display, the game itself is
# killed too: its trace rows on standard output survive, and its own replay is kept at the next start.
# Usage: crash_cases.sh GAME RUNNER WORK-DIR
set -uo pipefail
game=$1
runner=$2
work=$3
rm -rf "$work"
mkdir -p "$work"
export XDG_DATA_HOME=$work/data SDL_AUDIODRIVER=dummy
folder=$XDG_DATA_HOME/lobshot/replays
mkdir -p "$folder"

fail() {
  echo "$*"
  exit 1
}

# Three players; the first aims key by key for six seconds, then every player fires in turn, so
# that keys come throughout the moments the runs are killed at, and turns start.
{
  printf 'wait 2\npress Enter\nwait 1\npress Right\npress Down Down Down Enter\n'
  printf 'wait 1\npress Down Down Down Down Down Down Enter\n%.0s' 1 2 3
  echo "until Aiming 10"
  printf 'wait 10\npress X\nwait 10\npress Q\n%.0s' $(seq 15)
  printf 'press Space\nuntil Aiming|EndOfMatch 5000\n%.0s' 1 2 3
} >"$work/game.script"

"$runner" --seed 11 --script "$work/game.script" --record "$work/whole.lobshot-replay" >/dev/null ||
  fail "the whole run failed"
head -n -1 "$work/whole.lobshot-replay" >"$work/whole.lines"

# Kill runs at random moments, all at once, each recording into the replay folder.
pids=()
for run in 1 2 3 4; do
  "$runner" --seed 11 --script "$work/game.script" --realtime \
    --record "$folder/run$run.lobshot-replay" >/dev/null &
  pids+=($!)
  delays[$run]=$(( (RANDOM % 4700) + 500 ))
done
for run in 1 2 3 4; do
  (sleep "$(printf '%d.%03d' $((delays[run] / 1000)) $((delays[run] % 1000)))" &&
    kill -9 "${pids[run - 1]}" 2>/dev/null) &
done
wait
ls "$folder"/run*.lobshot-replay.partial >/dev/null 2>&1 || fail "no run left its replay behind"
for run in 1 2 3 4; do
  [ -e "$folder/run$run.lobshot-replay" ] && fail "run $run was killed after ${delays[run]} ms, yet finished"
done

# The next start keeps them, one row each, before it finds it has no display.
env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$game" >"$work/start.out" 2>&1
[ "$(grep -c "^ReplayKeepCutShort: The replay of a run cut short was kept as " "$work/start.out")" = 4 ] ||
  { cat "$work/start.out"; fail "the next start did not say it kept the four replays"; }
ls "$folder"/*.partial >/dev/null 2>&1 && fail "a replay left behind was not kept"

for run in 1 2 3 4; do
  kept=$folder/run$run-cut-short.lobshot-replay
  [ -f "$kept" ] || fail "run $run: no replay kept"
  last=$(tail -1 "$kept")
  [ "${last%% *}" = cut ] || fail "run $run: the kept replay does not end in its cut line"
  head -n -1 "$kept" >"$work/kept.lines"
  lines=$(wc -l <"$work/kept.lines")
  head -n "$lines" "$work/whole.lines" | cmp -s - "$work/kept.lines" ||
    fail "run $run: the kept replay is not the first $lines lines of the whole run's"
  { cat "$work/kept.lines"; echo "end ${last#cut }"; } >"$work/whole-cut.lobshot-replay"
  "$runner" --replay "$kept" --state "$work/kept.json" >/dev/null || fail "run $run: the kept replay does not play"
  "$runner" --replay "$work/whole-cut.lobshot-replay" --state "$work/whole-cut.json" >/dev/null ||
    fail "run $run: the whole run's replay cut there does not play"
  cmp -s "$work/kept.json" "$work/whole-cut.json" ||
    fail "run $run: the kept replay does not play as the whole run's does"
  echo "run $run, killed after ${delays[run]} ms: kept $((lines - 6)) events, to frame step ${last#cut }"
done

if ! command -v xvfb-run >/dev/null; then
  echo "no xvfb-run: the game itself is not killed"
  exit 0
fi
# The game killed: its rows on standard output (a file, not a terminal) are all there, and its own
# replay is kept at the next start.
rm -f "$folder"/*
cat >"$work/kill.sh" <<'SCRIPT'
#!/usr/bin/env bash
"$1" --seed 77 >"$2" 2>&1 &
sleep 2
kill -9 $!
wait
SCRIPT
xvfb-run -a -s "-screen 0 640x480x24" bash "$work/kill.sh" "$game" "$work/game.out" >/dev/null 2>&1
grep -q "Random seed 77" "$work/game.out" || { cat "$work/game.out"; fail "the killed game's trace rows were lost"; }
ls "$folder"/*-seed77.lobshot-replay.partial >/dev/null 2>&1 || fail "the killed game left no replay"
env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$game" >"$work/start.out" 2>&1
grep -q "^ReplayKeepCutShort: The replay of a run cut short was kept as .*-seed77-cut-short.lobshot-replay" \
  "$work/start.out" || { cat "$work/start.out"; fail "the killed game's replay was not kept"; }
echo "the game killed: its trace rows and its replay are kept"
