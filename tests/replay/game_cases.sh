#!/usr/bin/env bash
# The game's own replays, run as a player runs it: a bad replay or command line refused, replays
# saved and played in a window, and a crash while recording. Each case is a function below; it
# exits 1, saying why, when the game does not behave. The cases that need a virtual X display
# (xvfb-run and xdotool) pass, saying so, without one.
#
# Usage: game_cases.sh GAME RUNNER WORK-DIR CASE
set -uo pipefail
game=$1
runner=$2
case_name=$4
work=$3/$case_name
rm -rf "$work"
mkdir -p "$work"
export XDG_DATA_HOME=$work/data SDL_AUDIODRIVER=dummy
folder=$XDG_DATA_HOME/lobshot/replays

fail() {
  echo "$case_name: $*"
  cat "$work/out" 2>/dev/null
  exit 1
}

# started: the game's start without a display, which keeps what runs cut short left, in $work/out.
started() { env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$game" "$@" >"$work/out" 2>&1; }

# play GAME-ARGS... -- KEYS...: in a virtual display, starts the game, presses each key a little
# after the last ("pause" waits three seconds, "kill" kills the game outright) and waits for it to
# end, its output in $work/out.
play() {
  if ! command -v xvfb-run >/dev/null || ! command -v xdotool >/dev/null; then
    echo "no xvfb-run or xdotool: $case_name is not checked"
    exit 0
  fi
  cat >"$work/play.sh" <<'SCRIPT'
#!/usr/bin/env bash
game=$1 out=$2
shift 2
args=()
while [ "$1" != "--" ]; do args+=("$1"); shift; done
shift
"$game" "${args[@]}" >"$out" 2>&1 &
pid=$!
window=$(timeout 10 xdotool search --sync --name Lobshot 2>/dev/null | head -1)
sleep 0.8
for key in "$@"; do
  case $key in
    pause) sleep 3 ;;
    kill) kill -9 "$pid" ;;
    *) xdotool key --window "$window" "$key" 2>/dev/null; sleep 0.4 ;;
  esac
done
( sleep 10; kill "$pid" ) >/dev/null 2>&1 &
wait "$pid"
SCRIPT
  xvfb-run -a -s "-screen 0 640x480x24" bash "$work/play.sh" "$game" "$work/out" "$@"
}

# A bad replay or command line: the game exits 2 at once, saying why, and saves nothing.
refused() {
  printf 'lobshot-replay 1\ngame 0.1\n' >"$work/cut"
  for args in "--replay $work/cut" "--replay $work/none" "--replay" "--replay $work/cut --seed 4"; do
    # shellcheck disable=SC2086
    started $args
    [ $? = 2 ] || fail "lobshot $args: not refused with status 2"
  done
  started --replay "$work/cut"
  grep -q "cannot play the replay: .*cut: line 3: the file ends before its end line" "$work/out" ||
    fail "a cut replay: no reason given"
  [ ! -e "$folder" ] || fail "a refused command line saved a replay"
}

# A short game (the player choice, back to the title, and Esc there closes the game) is saved in
# the replay folder and the runner plays it. The runner's longer replay is played fast in the
# window to its end and left with Esc, saving nothing more.
window() {
  play -- Return Escape Escape || fail "the played game did not end with status 0"
  saved=$(ls "$folder"/*.lobshot-replay 2>/dev/null)
  [ "$(echo "$saved" | wc -w)" = 1 ] || fail "not one replay saved: $saved"
  grep -q "^[0-9]* down 13$" "$saved" || fail "the Return key is not in the replay"
  "$runner" --replay "$saved" --state "$work/state.json" >/dev/null 2>&1 || fail "the runner cannot play the saved replay"

  printf 'wait 2\npress Enter\nwait 1\npress Down Down Down Enter\nwait 1\n' >"$work/script"
  printf 'press Down Down Down Down Down Down Enter\nwait 1\n%.0s' 1 2 >>"$work/script"
  printf 'until Aiming 1000\nwait 200\n' >>"$work/script"
  "$runner" --seed 9 --script "$work/script" --record "$work/long.lobshot-replay" >/dev/null 2>&1 ||
    fail "the runner cannot record"
  play --replay "$work/long.lobshot-replay" -- space pause Escape
  grep -q "frame steps in" "$work/out" || fail "the game did not leave the replay on Esc"
  grep -q "Fast-forward on" "$work/out" || fail "Space did not turn fast-forward on"
  grep -q "The replay has reached its end" "$work/out" || fail "the replay did not reach its end"
  [ "$(ls "$folder" | wc -l)" = 1 ] || fail "watching a replay saved another"
}

# A crash leaves what is needed to report it. A scripted game, paced like the window's, is killed
# (SIGKILL) at random moments while it records its replay; the game's next start keeps what it
# wrote as a replay cut short, saying so in one trace row, and that replay is the same game up to
# its last line: its lines are the first lines of the whole run's replay, and it plays to its cut
# exactly as the whole run's replay cut there does. Three players; the first aims key by key for
# six seconds, then every player fires in turn, so that keys come throughout the moments the runs
# are killed at, and turns start.
killed_runs() {
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
  mkdir -p "$folder"
  for run in 1 2 3 4; do
    "$runner" --seed 11 --script "$work/game.script" --realtime \
      --record "$folder/run$run.lobshot-replay" >/dev/null &
    delays[run]=$(((RANDOM % 4700) + 500))
    (sleep "$(printf '%d.%03d' $((delays[run] / 1000)) $((delays[run] % 1000)))" && kill -9 $! 2>/dev/null) &
  done
  wait
  for run in 1 2 3 4; do
    [ -e "$folder/run$run.lobshot-replay.partial" ] ||
      fail "run $run was killed after ${delays[run]} ms, yet left no replay behind"
  done

  # The next start keeps them, one row each, before it finds it has no display.
  started
  [ "$(grep -c "^ReplayKeepCutShort: The replay of a run cut short was kept as " "$work/out")" = 4 ] ||
    fail "the next start did not say it kept the four replays"
  ls "$folder"/*.partial >/dev/null 2>&1 && fail "a replay left behind was not kept"
  for run in 1 2 3 4; do
    kept=$folder/run$run-cut-short.lobshot-replay
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
}

# The game itself killed: its rows on standard output (a file, not a terminal) are all there, and
# its own replay is kept at the next start.
killed_game() {
  play --seed 77 -- pause kill
  grep -q "Random seed 77" "$work/out" || fail "the killed game's trace rows were lost"
  ls "$folder"/*-seed77.lobshot-replay.partial >/dev/null 2>&1 || fail "the killed game left no replay"
  started
  grep -q "^ReplayKeepCutShort: The replay of a run cut short was kept as .*-seed77-cut-short.lobshot-replay" \
    "$work/out" || fail "the killed game's replay was not kept"
}

"$case_name"
echo "$case_name: ok"
