#!/usr/bin/env bash
# The game's replays in a virtual X display: a game played is saved in the replay folder under
# XDG_DATA_HOME, the runner plays it, the game plays it in its window to the end and leaves on Esc
# without saving another, and a bad replay or command line is refused with status 2.
#
# Usage: sdl_cases.sh GAME RUNNER WORK-DIR
set -uo pipefail
game=$1
runner=$2
work=$3
rm -rf "$work"
mkdir -p "$work"
export XDG_DATA_HOME=$work/data SDL_AUDIODRIVER=dummy
folder=$XDG_DATA_HOME/lobshot/replays

fail() {
  echo "$*"
  cat "$work/out" 2>/dev/null
  exit 1
}

# refused ARGS...: the game exits 2 at once, saying why.
refused() {
  env -u DISPLAY -u WAYLAND_DISPLAY timeout 5 "$game" "$@" >"$work/out" 2>&1
  [ $? = 2 ] || fail "lobshot $*: not refused with status 2"
}
printf 'lobshot-replay 1\ngame 0.1\n' >"$work/cut"
refused --replay "$work/cut"
grep -q "cannot play the replay: .*cut: line 3: the file ends before its end line" "$work/out" ||
  fail "a cut replay: no reason given"
refused --replay "$work/none"
refused --replay
refused --replay "$work/cut" --seed 4
[ ! -e "$folder" ] || fail "a refused command line saved a replay"

if ! command -v xvfb-run >/dev/null || ! command -v xdotool >/dev/null; then
  echo "no xvfb-run or xdotool: the game's replays in a window are not checked"
  exit 0
fi

# play KEYS... (in the virtual display, after the game's arguments and "--"): starts the game,
# presses each key a little after the last, and waits for it to end.
cat >"$work/play.sh" <<'SCRIPT'
#!/usr/bin/env bash
args=()
while [ "$1" != "--" ]; do args+=("$1"); shift; done
shift
"$GAME" "${args[@]}" >"$WORK/out" 2>&1 &
pid=$!
for _ in $(seq 50); do
  window=$(xdotool search --name Lobshot 2>/dev/null | head -1)
  [ -n "$window" ] && break
  sleep 0.2
done
sleep 0.8
for key in "$@"; do
  if [ "$key" = pause ]; then sleep 3; else xdotool key --window "$window" "$key" 2>/dev/null; sleep 0.4; fi
done
( sleep 10; kill "$pid" 2>/dev/null ) &
wait "$pid"
SCRIPT
export GAME=$game WORK=$work
play() { xvfb-run -a -s "-screen 0 640x480x24" bash "$work/play.sh" "$@"; }

# A short game: the player choice, back to the title, and Esc there closes the game.
play -- Return Escape Escape || fail "the played game did not end with status 0"
saved=$(ls "$folder"/*.lobshot-replay 2>/dev/null)
[ "$(echo "$saved" | wc -w)" = 1 ] || fail "not one replay saved: $saved"
grep -q "^[0-9]* down 13$" "$saved" || fail "the Return key is not in the replay"
"$runner" --replay "$saved" --state "$work/state.json" >/dev/null 2>&1 || fail "the runner cannot play the saved replay"

# The runner's longer replay, played fast in the window to its end and left with Esc.
printf 'wait 2\npress Enter\nwait 1\npress Down Down Down Enter\nwait 1\n' >"$work/script"
printf 'press Down Down Down Down Down Down Enter\nwait 1\n' >>"$work/script"
printf 'press Down Down Down Down Down Down Enter\nuntil Aiming 1000\nwait 200\n' >>"$work/script"
"$runner" --seed 9 --script "$work/script" --record "$work/long.lobshot-replay" >/dev/null 2>&1 ||
  fail "the runner cannot record"
play --replay "$work/long.lobshot-replay" -- space pause Escape
grep -q "frame steps in" "$work/out" || fail "the game did not leave the replay on Esc"
grep -q "Fast-forward on" "$work/out" || fail "Space did not turn fast-forward on"
grep -q "The replay has reached its end" "$work/out" || fail "the replay did not reach its end"
[ "$(ls "$folder" | wc -l)" = 1 ] || fail "watching a replay saved another"
echo "ok"
