#!/usr/bin/env bash
# The game's --online, --watch, --relay and --page options: bad ones are refused at once with status
# 2 and the usage, before any window; the relay comes from --relay, else LOBSHOT_RELAY, else the
# settings file, and a relay that cannot be reached ends the game with status 1 and the address it
# tried; the page's address comes from --page, else LOBSHOT_PAGE.
set -uo pipefail
game=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
mkdir -p "$work/config/lobshot"
export XDG_CONFIG_HOME=$work/config
unset LOBSHOT_RELAY LOBSHOT_PAGE

# run STATUS TEXT ARGS...: the game, with no display, exits with STATUS saying TEXT on standard error
# (and the usage, for status 2).
run() {
  local want=$1 text=$2
  shift 2
  env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$game" "$@" >"$work/out" 2>"$work/err"
  local status=$?
  if [ "$status" != "$want" ] || ! grep -qF -- "$text" "$work/err" ||
    { [ "$want" = 2 ] && ! grep -q "^usage: lobshot" "$work/err"; }; then
    echo "lobshot $*: status $status, not $want saying \"$text\""; cat "$work/out" "$work/err"; failed=1
  fi
}
run 2 "it goes with --online" --relay 127.0.0.1:1883
run 2 "without --host or --join" --online --host
run 2 "without --host or --join" --join 127.0.0.1 --online
run 2 "not in a network game" --online --replay "$work/none"
run 2 "bad room code: a room code has 8 characters" --online ABC
run 2 "bad room code: a room code has only the letters" --online ABCDEFG0
run 2 "--relay needs ADDRESS:PORT" --online --relay
run 2 "--watch needs a room code" --watch
run 2 "bad room code: a room code has 8 characters" --watch ABC
run 2 "a machine either plays in a room or watches it" --online --watch ABCDEFGH
run 2 "a machine either plays in a room or watches it" --watch ABCDEFGH --online
run 2 "--relay: " --online --relay nowhere
LOBSHOT_RELAY="127.0.0.1:99999" run 2 "LOBSHOT_RELAY: " --online
run 2 "it goes with --online alone" --page http://127.0.0.1:8000/
run 2 "it goes with --online alone" --online ABCDEFGH --page http://127.0.0.1:8000/
run 2 "it goes with --online alone" --watch ABCDEFGH --page http://127.0.0.1:8000/
run 2 "--page needs a URL" --online --page
run 2 "--page: the page's address has no spaces or '#'" --online --page "http://127.0.0.1:8000/#room=ABCDEFGH"
LOBSHOT_PAGE="http://a b/" run 2 "LOBSHOT_PAGE: the page's address" --online
LOBSHOT_PAGE="http://a b/" run 2 "--page: the page's address" --online --page "http://x/ y"
echo "my relay:1883" >"$work/config/lobshot/relay"
run 2 "$work/config/lobshot/relay: " --online

# Port 1 of 127.0.0.1 refuses, so each source's address shows in the failure.
echo "127.0.0.1:1" >"$work/config/lobshot/relay"
run 1 "cannot reach the relay at 127.0.0.1:1" --online
run 1 "cannot reach the relay at 127.0.0.1:2" --online ABCD-EFGH --relay 127.0.0.1:2
run 1 "the online room cannot be watched: cannot reach the relay at 127.0.0.1:2" --watch ABCD-EFGH --relay 127.0.0.1:2
LOBSHOT_RELAY="127.0.0.1:3" run 1 "cannot reach the relay at 127.0.0.1:3" --online
LOBSHOT_RELAY="127.0.0.1:3" run 1 "cannot reach the relay at 127.0.0.1:4" --online --relay 127.0.0.1:4
[ "$failed" = 0 ] && echo "the online options work"
exit "$failed"
