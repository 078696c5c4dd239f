#!/usr/bin/env bash
# Without a display the game must refuse to start, quickly, with one message and status 1, rather
# than run unseen on SDL's invisible drivers; those run only when SDL_VIDEODRIVER names them. The
# message says in the game's words that no window can be opened and why; the trace keeps SDL's
# details in one row, and nothing the player reads names the system's calls.
set -uo pipefail
game=$1
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
failed=0

# Runs the game with the given environment changes; it must fail to start within two seconds.
refuses() {
  local what=$1; shift
  local start=$EPOCHREALTIME status
  env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$@" timeout 5 "$game" >"$out" 2>"$err"
  status=$?
  local ms=$(( (${EPOCHREALTIME/./} - ${start/./}) / 1000 ))
  if [ "$status" != 1 ]; then
    echo "$what: exit status $status, not 1"; failed=1
  elif ! grep -q "^lobshot: cannot start: no window can be opened: $reason" "$err"; then
    echo "$what: no start-up failure saying why on standard error"; failed=1
  elif grep -qiE "CreateWindow|GetLastError|HWND|Win32" "$out" "$err"; then
    echo "$what: the system's calls are named"; failed=1
  elif [ "$ms" -ge 2000 ]; then
    echo "$what: took $ms ms to give up"; failed=1
  elif [ "$(grep -c '^ERROR:OpenWindow: ' "$out")" != 1 ]; then
    echo "$what: the reason is not written exactly once"; failed=1
  fi
  [ "$failed" = 0 ] || { cat "$out" "$err"; exit 1; }
  echo "$what: refused in $ms ms: $(cat "$err")"
}

reason="there is no display to show it on (neither DISPLAY nor WAYLAND_DISPLAY is set)"
refuses "DISPLAY unset" -u DISPLAY
refuses "DISPLAY empty" DISPLAY=
refuses "X11 asked for, no display" -u DISPLAY SDL_VIDEODRIVER=x11
reason='the display ":97" (DISPLAY) cannot be reached'
refuses "no such display" DISPLAY=:97

# Asked for by name, the invisible driver runs; it is ended after a second.
env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy timeout 1 "$game" >"$out" 2>&1
status=$?
if [ "$status" != 124 ]; then
  echo "offscreen asked for: exit status $status, the game did not run"; cat "$out"; exit 1
fi
echo "offscreen asked for: runs"
