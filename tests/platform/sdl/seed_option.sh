#!/usr/bin/env bash
# The game's --seed option: a bad command line is refused at once with status 2 and the usage,
# before any window; a good seed is the one the game starts from, up to 4294967295.
set -uo pipefail
game=$1
err=$(mktemp)
out=$(mktemp)
trap 'rm -f "$err" "$out"' EXIT
failed=0

refused() {
  env -u DISPLAY -u WAYLAND_DISPLAY timeout 5 "$game" "$@" >"$out" 2>"$err"
  local status=$?
  if [ "$status" != 2 ] || ! grep -q "^usage: lobshot" "$err" || [ -s "$out" ]; then
    echo "lobshot $*: status $status, not a refused command line"; cat "$out" "$err"; failed=1
  fi
}
refused --seed
refused --seed ""
refused --seed abc
refused --seed -1
refused --seed +5
refused --seed " 5"
refused --seed 5x
refused --seed 4294967296
refused --seed 99999999999999999999
refused --speed 5
refused --seed 5 extra

# Started with a seed, the game reports it as the seed it plays from.
started() {
  SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 640x480x24" timeout 1 "$game" --seed "$1" >"$out" 2>&1
  if ! grep -q "Random seed $2\b" "$out"; then
    echo "lobshot --seed $1: did not start from seed $2"; cat "$out"; failed=1
  fi
}
if ! command -v xvfb-run >/dev/null; then
  echo "no xvfb-run: the seeds a started game plays from are not checked"; exit "$failed"
fi
started 0 0
started 7 7
started 0004294967295 4294967295
[ "$failed" = 0 ] && echo "the seed option works"
exit "$failed"
