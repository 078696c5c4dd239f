#!/usr/bin/env bash
# A whole match played with the mouse alone in the game's own window, inside a virtual X display:
# xdotool moves and clicks the X server's pointer, and the game takes it through SDL's event queue.
# Seed 7, two players: the title and the player choice are clicked through; in the shop Red buys a
# Lava in its Buy column and both click "Finish". Red picks the Lava on the menu bar, drags the
# barrel straight up at power 2 and double-clicks to fire it on itself; Blue drags to angle 100 and
# power 52, a lob onto Red; Red picks the Shell and fires it on itself as before, which destroys
# it. The end-of-match table and the next shop are clicked through, and in the next match's first
# turn the barrel is dragged once more before the game is ended. The replay the game saved then
# plays in lobshot-headless to that very aim, view and stock.
# Usage: pointer_match.sh GAME RUNNER (run inside xvfb-run, with a 960x720 window).
set -uo pipefail
game=$1 runner=$2
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
export LOBSHOT_WINDOWED=1 SDL_AUDIODRIVER=dummy XDG_DATA_HOME=$work/data
fail() { echo "pointer match: $*"; grep -E "Pointer|frame steps|saved" "$work/out"; exit 1; }

# The trace goes to standard output, unbuffered so that it can be read as the game runs.
stdbuf -o0 "$game" --seed 7 >"$work/out" 2>&1 &
pid=$!
win=$(timeout 20 xdotool search --sync --name '^Lobshot$' | head -1)
[ -n "$win" ] || fail "no window"
sleep 1.5

# The window is 960x720, the picture's 4:3 box the whole of it: picture pixel (x, y) is 3 x 3.6
# window pixels.
at() {
  local x=$(($1 < 0 ? 0 : $1)) y=$(($2 < 0 ? 0 : $2))
  echo $((x * 3 + 1)) $((y * 36 / 10 + 1))
}
move() { xdotool mousemove --window "$win" $(at "$1" "$2"); }
click() { move "$1" "$2"; xdotool click 1; sleep "${3:-0.4}"; }
# A middle click away from the tanks looks at the current tank, which the view already does once
# it has glided there, and is traced with the screen the pointer sees.
probe() { move 5 5; xdotool click 2; sleep "${1:-0.5}"; }
# The latest press's trace row: "screen MODE ... seat S, pivot (X, Y), angle A, power P".
last_press() { grep "Pointer [0-9] pressed" "$work/out" | tail -1; }
field() { last_press | sed -E "s/.*$1.*/\\1/"; }

click 160 100 1    # the title
click 100 168 1    # "Start Game"
click 240 112      # the shop: Red buys a Lava in its row's Buy column
click 100 155      # "Finish"
click 100 155 3    # Blue: "Finish", and a new landscape

# A turn: a probe says what the screen is and where the pivot is; during a shot it does nothing
# and is made again a little later. Then the turn's weapon
# clicks on the menu bar, a drag from up and right of the pivot to the aim, and a double click there
# to fire.
turns=0
for _ in $(seq 200); do
  probe
  mode=$(field 'on screen ([0-9]+) .*')
  [ "$mode" = 5 ] && continue
  [ "$mode" = 6 ] && break   # the end-of-match table
  [ "$mode" = 4 ] || fail "turn $turns: screen $mode, not aiming"
  [ "$turns" -lt 3 ] || fail "Red still stands after three turns"
  # The view glides to the current tank as its turn starts: the pivot is taken once it stands.
  pivot=$(field '(pivot [^a]*)')
  probe 0.3
  [ "$(field '(pivot [^a]*)')" = "$pivot" ] || continue
  seat=$(field 'seat ([0-9]+),.*')
  px=$(field 'pivot \(([-0-9]+), .*') py=$(field 'pivot \([-0-9]+, ([-0-9]+)\).*')
  case $turns:$seat in
    0:0) clicks=4 aim="0 -2" ;;   # Shell to Lava
    1:1) clicks=0 aim="9 -51" ;;  # angle 100, power 52
    2:0) clicks=2 aim="0 -2" ;;   # Lava to A-Bomb to Shell
    *) fail "turn $turns is seat $seat's" ;;
  esac
  for _ in $(seq "$clicks"); do click 200 190 0.1; done
  read -r ax ay <<<"$aim"
  move $((px + 30)) $((py - 30)); xdotool mousedown 1; sleep 0.2
  for part in 2 1 0; do move $((px + ax + part * 10)) $((py + ay - part * 10)); sleep 0.1; done
  xdotool mouseup 1; sleep 1.5
  xdotool click --repeat 2 --delay 120 1
  turns=$((turns + 1))
  sleep 4
done
[ "$mode" = 6 ] || fail "the match did not end"
[ "$turns" = 3 ] || fail "the match ended after $turns turns, not three"
click 160 100 1    # the end-of-match table
click 100 155      # the shop: Red finishes
click 100 155 3    # Blue finishes: the next match
probe 1
[ "$(field 'on screen ([0-9]+) .*')" = 4 ] || fail "the next match does not aim"
# As in a turn above, the pivot is taken once the view stands (a busy machine glides it slowly).
for _ in $(seq 20); do
  pivot=$(field '(pivot [^a]*)')
  probe 0.3
  [ "$(field '(pivot [^a]*)')" = "$pivot" ] && break
done
px=$(field 'pivot \(([-0-9]+), .*') py=$(field 'pivot \([-0-9]+, ([-0-9]+)\).*')
# The press is 40 left of the pivot and 30 up, 37 degrees from the left at power 50; for a tank at
# the landscape's left edge, where the view cannot bring it further in, 40 right, 143 degrees.
# (Where the tanks stand depends on how many frames passed between the clicks.)
if [ "$px" -ge 45 ]; then dx=-40 angle=37; else dx=40 angle=143; fi
move $((px + dx)) $((py - 30)); xdotool mousedown 1; sleep 0.3; xdotool mouseup 1
sleep 2.5
probe 0.6         # the aim as the window's game has it
live="$(field '(pivot .*)')"
kill -TERM "$pid"; wait "$pid"

replay=$(ls "$work"/data/lobshot/replays/*.lobshot-replay 2>/dev/null | head -1)
[ -n "$replay" ] || fail "no replay saved"
"$runner" --replay "$replay" --state "$work/state.json" >/dev/null 2>&1 || fail "the replay does not play"
python3 - "$work/state.json" "$live" "$turns" "$angle" <<'PY' || fail "the replay's state differs"
import json, re, sys
state = json.load(open(sys.argv[1]))
live = [int(v) for v in re.findall(r"-?\d+", sys.argv[2])]
player = state["players"]["list"][state["players"]["current"]]
# Pressed 40 beside the pivot and 30 up: the angle asked for, power 50.
angle = int(sys.argv[4])
replayed = [player["x"] - state["view"]["x"], player["y"] - state["view"]["y"] - 6, player["angle"], player["power"]]
print("turns", sys.argv[3], "live", live, "replayed", replayed, "mode", state["mode"])
assert state["mode"] == "Aiming"
assert [player["angle"], player["power"]] == [angle, 50], player
assert live[2:] == [angle, 50] and live == replayed, (live, replayed)
assert state["players"]["list"][0]["stock"][4] == 0  # both Lavas fired
PY
echo "a match by mouse plays back to the same aim"
