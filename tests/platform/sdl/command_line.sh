#!/usr/bin/env bash
# The game's command line, checked before any window opens: --help and --version print on standard
# output and exit 0 whatever else is given; a bad or repeated option is refused at once with status
# 2, the reason and the usage. --seed takes 0 to 4294967295, and a started game plays from it.
# --join reads IPv6 addresses, bare or in brackets, and refuses them at once with the reason (this
# build's network library reaches IPv4 only), as it does a name that has only IPv6 addresses. The
# relay comes from --relay, else LOBSHOT_RELAY, else the settings file, and one that cannot be
# reached ends the game with status 1 and the address tried; the page's address comes from --page,
# else LOBSHOT_PAGE. Without a display the game refuses to start. In a virtual X display, the still
# game on its title sleeps between its steps: its main thread wakes about once a step (50 a second,
# counted by the kernel whatever the machine's load), never a thousand times a second as a wait
# that polls does.
#
# Usage: command_line.sh GAME VERSION
set -uo pipefail
if [ -z "${LOBSHOT_TEST_INNER:-}" ] && command -v xvfb-run >/dev/null; then
  exec xvfb-run -a -s "-screen 0 640x480x24" env LOBSHOT_TEST_INNER=1 bash "$0" "$@"
fi
game=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
mkdir -p "$work/config/lobshot"
export XDG_CONFIG_HOME=$work/config
unset LOBSHOT_RELAY LOBSHOT_PAGE

# expect STATUS TEXT ARGS...: the game, with no display, exits with STATUS. Status 0 prints nothing
# on standard error and its first line is TEXT; otherwise TEXT is on standard error, and a refusal
# (status 2) adds the usage there and prints nothing on standard output.
expect() {
  local want=$1 text=$2
  shift 2
  env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=dummy timeout 10 "$game" "$@" >"$work/out" 2>"$work/err"
  local status=$? bad=
  if [ "$status" != "$want" ]; then bad="status $status"
  elif [ "$want" = 0 ]; then
    { [ -s "$work/err" ] || [ "$(head -1 "$work/out")" != "$text" ]; } && bad="not \"$text\" alone"
  elif ! grep -qF -- "$text" "$work/err"; then bad="no \"$text\""
  elif [ "$want" = 2 ] && { [ -s "$work/out" ] || ! grep -q "^usage: lobshot" "$work/err"; }; then
    bad="not a refused command line"
  fi
  [ -z "$bad" ] && return 0
  echo "lobshot $*: $bad (status $want and \"$text\" expected)"; cat "$work/out" "$work/err"; failed=1
}
usage="Usage: lobshot [OPTION]..."
expect 0 "$usage" --seed 4 --help --version
expect 0 "lobshot $version" --bogus --version --help
grep -q "^License GPLv3+" "$work/out" || { echo "--version: no licence line"; failed=1; }
expect 0 "$usage" --help
grep -q "^  --join HOST\[:PORT\]" "$work/out" || { echo "--help: no --join line"; failed=1; }
if [ -w /dev/full ]; then
  "$game" --help >/dev/full 2>"$work/err"
  [ $? = 1 ] && grep -q "cannot write" "$work/err" || { echo "--help >/dev/full: a lost help is not a failure"; failed=1; }
fi

for seed in "" abc -1 +5 " 5" 5x 4294967296 99999999999999999999; do expect 2 "" --seed "$seed"; done
# The command lines of command_line.tsv, refused or failing at once.
table=$(dirname "$0")/command_line.tsv
[ -s "$table" ] || { echo "no $table"; failed=1; }
while IFS= read -r row; do
  case $row in "#"*) continue ;; esac
  eval "set -- ${row#* | * | }"
  expect "${row%% | *}" "$(echo "$row" | awk -F ' [|] ' '{ print $2 }')" "$@"
done <"$table"
LOBSHOT_RELAY="127.0.0.1:99999" expect 2 "LOBSHOT_RELAY: " --online
LOBSHOT_PAGE="http://a b/" expect 2 "LOBSHOT_PAGE: the page's address" --online
LOBSHOT_PAGE="http://a b/" expect 2 "--page: the page's address" --online --page "http://x/ y"
echo "my relay:1883" >"$work/config/lobshot/relay"
expect 2 "$work/config/lobshot/relay: " --online

# Port 1 of 127.0.0.1 refuses, so each source's address shows in the failure.
echo "127.0.0.1:1" >"$work/config/lobshot/relay"
expect 1 "cannot reach the relay at 127.0.0.1:1" --online
LOBSHOT_RELAY="127.0.0.1:3" expect 1 "cannot reach the relay at 127.0.0.1:3" --online
LOBSHOT_RELAY="127.0.0.1:3" expect 1 "cannot reach the relay at 127.0.0.1:4" --online --relay 127.0.0.1:4

# The network game does not start (status 1), saying why, at once.
cannot="lobshot: the network game cannot start:"
expect 1 "$cannot ::1 is an IPv6 address, and the network library of this build (ENet" --join "[::1]:26510"
expect 1 "reaches IPv4 addresses only" --join "[fe80::1]"
if getent ahostsv6 ip6-localhost >/dev/null 2>&1 && ! getent ahostsv4 ip6-localhost >/dev/null 2>&1; then
  expect 1 "$cannot ip6-localhost has only IPv6 addresses, and" --join ip6-localhost
else
  echo "no name here has only IPv6 addresses: that refusal is not checked"
fi

# Without a display the game refuses to start, quickly, with status 1 and one message saying in the
# game's words that no window can be opened and why, rather than run unseen on SDL's invisible
# drivers; those run only when SDL_VIDEODRIVER names them. The trace keeps SDL's details in one row,
# and nothing the player reads names the system's calls.
refuses() {
  local what=$1 reason=$2 start=$EPOCHREALTIME
  shift 2
  env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$@" timeout 5 "$game" >"$work/out" 2>"$work/err"
  local status=$? ms=$(((${EPOCHREALTIME/./} - ${start/./}) / 1000)) bad=
  if [ "$status" != 1 ]; then bad="exit status $status, not 1"
  elif ! grep -q "^lobshot: cannot start: no window can be opened: $reason" "$work/err"; then bad="no reason given"
  elif grep -qiE "CreateWindow|GetLastError|HWND|Win32" "$work/out" "$work/err"; then bad="the system's calls are named"
  elif [ "$ms" -ge 2000 ]; then bad="took $ms ms to give up"
  elif [ "$(grep -c '^ERROR:OpenWindow: ' "$work/out")" != 1 ]; then bad="the reason is not traced exactly once"
  fi
  [ -z "$bad" ] || { echo "$what: $bad"; cat "$work/out" "$work/err"; failed=1; }
}
unset_display="there is no display to show it on (neither DISPLAY nor WAYLAND_DISPLAY is set)"
refuses "DISPLAY unset" "$unset_display" -u DISPLAY
refuses "DISPLAY empty" "$unset_display" DISPLAY=
refuses "X11 asked for, no display" "$unset_display" -u DISPLAY SDL_VIDEODRIVER=x11
refuses "no such display" 'the display ":97" (DISPLAY) cannot be reached' DISPLAY=:97
# Asked for by name, the invisible driver runs; it is ended after a second.
env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy timeout 1 "$game" >"$work/out" 2>&1
[ $? = 124 ] || { echo "offscreen asked for: the game did not run"; cat "$work/out"; failed=1; }

if [ -z "${DISPLAY:-}" ]; then
  echo "no virtual display: the seeds a started game plays from and its wake-ups are not checked"
  exit "$failed"
fi
# Started with a seed, the game reports it as the seed it plays from.
export SDL_AUDIODRIVER=dummy LOBSHOT_WINDOWED=1 XDG_DATA_HOME=$work
for seeds in "0 0" "0004294967295 4294967295"; do
  read -r given plays <<<"$seeds"
  timeout 1 "$game" --seed "$given" >"$work/out" 2>&1
  grep -q "Random seed $plays\b" "$work/out" || { echo "--seed $given: not from seed $plays"; cat "$work/out"; failed=1; }
done
"$game" --seed 7 >"$work/out" 2>&1 &
pid=$!
for _ in $(seq 100); do grep -q "First frame shown" "$work/out" && break; sleep 0.1; done
sleep 1
switches() { awk '/voluntary_ctxt_switches/ && !/non/ { print $2 }' "/proc/$pid/task/$pid/status"; }
before=$(switches)
sleep 2
after=$(switches)
kill "$pid"
if [ -z "$before" ] || [ -z "$after" ]; then
  echo "the game did not stay on its title"; cat "$work/out"; failed=1
elif [ $(((after - before) / 2)) -gt 200 ]; then
  echo "the still title woke the game $(((after - before) / 2)) times a second (a step is 50 a second)"; failed=1
fi
grep -q "Random seed 7\b" "$work/out" || { echo "--seed 7: not from seed 7"; failed=1; }
exit "$failed"
