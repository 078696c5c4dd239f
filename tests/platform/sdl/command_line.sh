#!/usr/bin/env bash
# The game's command line as the conventions have it: --help and --version print on standard
# output and exit 0 whatever else is given; an option given twice is refused with status 2; --join
# reads IPv6 addresses, bare or in brackets, and refuses them at once with the reason (this build's
# network library reaches IPv4 only), as it does a name that has only IPv6 addresses.
#
# Usage: command_line.sh GAME VERSION
set -uo pipefail
game=$1
version=$2
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
failed=0

run() { env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=dummy timeout 10 "$game" "$@" >"$out" 2>"$err"; }
complain() { echo "lobshot $1: $2"; cat "$out" "$err"; failed=1; }

# answers ARGS...: status 0, text on standard output only, the help's or the version's.
answers() {
  local first=$1; shift
  run "$@"
  local status=$?
  if [ "$status" != 0 ] || [ -s "$err" ]; then complain "$*" "status $status, or words on standard error"
  elif [ "$(head -1 "$out")" != "$first" ]; then complain "$*" "does not begin \"$first\""
  fi
}
answers "Usage: lobshot [OPTION]..." --help
answers "lobshot $version" --version
answers "Usage: lobshot [OPTION]..." --seed 4 --help --version
answers "lobshot $version" --bogus --version --help
grep -q "^  --join HOST\[:PORT\]" <(run --help; cat "$out") || complain --help "no --join line"
grep -q "^License GPLv3+" <(run --version; cat "$out") || complain --version "no licence line"
if [ -w /dev/full ]; then
  "$game" --help >/dev/full 2>"$err"
  [ $? = 1 ] && grep -q "cannot write" "$err" || complain "--help >/dev/full" "a lost help is not a failure"
fi

# refused WHY ARGS...: status 2, nothing on standard output, the reason on standard error.
refused() {
  local why=$1; shift
  run "$@"
  local status=$?
  if [ "$status" != 2 ] || [ -s "$out" ] || ! grep -qF -- "$why" "$err"; then
    complain "$*" "status $status, not refused saying \"$why\""
  fi
}
refused "--seed is given twice" --seed 1 --seed 1
refused "--replay is given twice" --replay a --replay b
refused "--host is given twice" --host --host 4000
refused "--join is given twice" --join a --join b
refused "--relay is given twice" --online --relay 127.0.0.1:1 --relay 127.0.0.1:2
refused "--page is given twice" --online --page http://a/ --page http://b/
refused "--online is given twice" --online --online
refused "--watch is given twice" --watch ABCD2345 --watch ABCD2345
refused "is not [IPv6 ADDRESS]:PORT" --join "[::1"
refused "the port in \"[::1]:0\"" --join "[::1]:0"
refused "goes in brackets" --join "::1:26510x"
refused "the port is missing" --join "[::1]26510"

# cannot_join ADDRESS WHY: the network game does not start (status 1), saying why, at once.
cannot_join() {
  run --join "$1"
  local status=$?
  if [ "$status" != 1 ] || ! grep -qF "lobshot: the network game cannot start: $2" "$err"; then
    complain "--join $1" "status $status, not refused saying \"$2\""
  fi
}
ipv4only="reaches IPv4 addresses only"
cannot_join "[::1]:26510" "::1 is an IPv6 address, and the network library of this build (ENet"
cannot_join "::1" "::1 is an IPv6 address"
cannot_join "[fe80::1]" "fe80::1 is an IPv6 address"
grep -qF "$ipv4only" "$err" || complain "--join [fe80::1]" "the library's limit is not said"
if getent ahostsv6 ip6-localhost >/dev/null 2>&1 && ! getent ahostsv4 ip6-localhost >/dev/null 2>&1; then
  cannot_join ip6-localhost "ip6-localhost has only IPv6 addresses, and"
else
  echo "no name here has only IPv6 addresses: that refusal is not checked"
fi
exit "$failed"
