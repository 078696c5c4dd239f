#!/usr/bin/env bash
# The online menu in real windows of the game, in a virtual X display, through a real relay on
# 127.0.0.1: one game opens a room by keys (O, O) and starts again in it; a second, with no relay
# named, is asked for one, keeps the one typed in its settings and joins the room by its typed code;
# a third watches it by clicks on the title's offer, the menu's line and its "Go" button. Each game
# is named after its part, and the line the guest types (T, the words, Return) reaches everyone
# under the guest's name.
#
# Usage: menu_window.sh GAME WORK-DIR   (exits 77, skipped, without xdotool or Mosquitto)
set -u
if [ -z "${LOBSHOT_TEST_INNER:-}" ] && command -v xvfb-run >/dev/null; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" env LOBSHOT_TEST_INNER=1 bash "$0" "$@"
fi
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
game=$1
work=$2/menu_window
PATH=$PATH:/usr/sbin
for tool in xdotool mosquitto; do
  command -v "$tool" >/dev/null || { echo "no $tool: the menu's windows are not checked"; exit 77; }
done
[ -n "${DISPLAY:-}" ] || { echo "no virtual display: the menu's windows are not checked"; exit 77; }
rm -rf "$work"
mkdir -p "$work"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null' EXIT
unset LOBSHOT_RELAY LOBSHOT_PAGE
export SDL_AUDIODRIVER=dummy

fail() {
  echo "$*" >&2
  for f in "$work"/*.out; do echo "--- $(basename "$f"):" >&2; tail -5 "$f" >&2; done
  exit 1
}

# The relay, on a port of this run's own.
port=$((32000 + ($$ % 1000) * 2))
timeout 120 "$source_dir/scripts/relay.sh" "$port" >"$work/relay.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done

# start NAME ENV...: a game in a window of its own, with folders of its own, named NAME with a
# capital; sets window to it.
start() {
  local name=$1
  shift
  mkdir -p "$work/$name"
  env XDG_CONFIG_HOME="$work/$name" XDG_DATA_HOME="$work/$name" "$@" \
    timeout 90 "$game" --windowed --name "${name^}" >"$work/$name.out" 2>&1 &
  pids+=($!)
  await "$name" "First frame shown"
  window=$(xdotool search --pid "$(pgrep -P "${pids[-1]}")" | head -1)
  [ -n "$window" ] || fail "no window of $name"
  sleep 0.3
}

# await NAME TEXT: waits at most 20 s for a row of the game's trace.
await() {
  for _ in $(seq 200); do grep -qF "$2" "$work/$1.out" && return; sleep 0.1; done
  fail "$1 never said \"$2\""
}

keys() { for k in "$@"; do xdotool key --window "$window" "$k"; sleep 0.15; done; }
typed() { xdotool type --window "$window" --delay 60 "$1"; sleep 0.15; }
# click X Y: a click at a point of the 320x200 picture, which fills the 960x720 window (its pixels
# shown 4:3, as on the screens it was drawn for).
click() { xdotool mousemove --window "$window" $(($1 * 3)) $(($2 * 18 / 5)) click 1; sleep 0.3; }

start host LOBSHOT_RELAY="127.0.0.1:$port"
keys o o
await host "Notice: Room code: "
code=$(sed -n 's/^Notice: Room code: \([2-9A-Z]\{8\}\).*/\1/p' "$work/host.out" | head -1)
watch=$(sed -n 's/^Notice: Room code: .*, watch: \([2-9A-Z]\{8\}\).*/\1/p' "$work/host.out" | head -1)

start guest
keys o j
typed "127.0.0.1:$port"
keys Return j
typed "$code"
keys Return
await guest "Joined the game as"
guest_window=$window
grep -qx "relay = 127.0.0.1:$port" "$work/guest/lobshot/settings" || fail "the typed relay was not kept"

start watcher LOBSHOT_RELAY="127.0.0.1:$port"
click 160 182
click 160 88
typed "$watch"
click 280 134
await watcher "Watching the game"

window=$guest_window
keys t
typed "hi all"
keys Return
for name in host guest watcher; do await "$name" "Chat: Guest: hi all"; done
exit 0
