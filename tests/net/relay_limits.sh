#!/usr/bin/env bash
# The relay's limits per address (scripts/relay-limits.sh), in a network namespace of the test's own
# with a listener that holds every connection on the relay's two ports until its other end closes
# (the broker drops its privileges to a user the namespace lacks): connections held at once past the limit are reset, on the TCP and the
# WebSocket port alike, and one freed makes room again; new connections faster than the rate are
# reset, and the rate comes back after a pause. Skipped (77) where no namespace can be made.
set -uo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

if [ "${1:-}" != --inside ]; then
  unshare -rn true 2>/dev/null || { echo "skipped: no network namespace of one's own here"; exit 77; }
  exec timeout 120 unshare -rn bash "$0" --inside
fi

ip link set lo up
port=18830
fail() { echo "FAILED: $*" >&2; exit 1; }
python3 -c '
import socket, sys, select
ends = [socket.create_server(("127.0.0.1", int(sys.argv[1]) + i), backlog=64) for i in (0, 1)]
held = []
while True:
    for ready in select.select(ends + held, [], [])[0]:
        if ready in ends: held.append(ready.accept()[0])
        elif not ready.recv(1): held.remove(ready); ready.close()
' "$port" &
listener=$!
trap 'kill $listener 2>/dev/null; wait $listener 2>/dev/null' EXIT
for _ in $(seq 100); do { exec 3<>"/dev/tcp/127.0.0.1/$port"; } 2>/dev/null && break; sleep 0.05; done
exec 3>&-

# open PORT COUNT: opens COUNT connections and holds them (in held[]); how many got through in got.
held=()
open() {
  local fd _
  got=0
  for _ in $(seq "$2"); do
    { exec {fd}<>"/dev/tcp/127.0.0.1/$1"; } 2>/dev/null && held+=("$fd") && got=$((got + 1))
  done
}
close_all() { local fd; for fd in "${held[@]}"; do exec {fd}>&-; done; held=(); sleep 0.2; }
limits() { "$source_dir/scripts/relay-limits.sh" "$@" "$port" || fail "no limits"; }

# At most three at once from one address, on either port; one closed, one more gets in.
limits --connections 3 --per-second 100
for p in "$port" "$((port + 1))"; do
  open "$p" 5
  [ "$got" = 3 ] || fail "$got connections held on port $p, not 3"
  exec {held[0]}>&-
  held=("${held[@]:1}")
  sleep 0.2
  open "$p" 2
  [ "$got" = 1 ] || fail "$got connections got in on port $p after one closed, not 1"
  close_all
done

# Five new a second (bursts of ten) from one address: of thirty at once, about ten get in; a second
# later, more do.
limits --connections 100 --per-second 5
open "$port" 30
[ "$got" -ge 10 ] && [ "$got" -le 12 ] || fail "$got of 30 new connections got in, not about 10"
close_all
sleep 1
open "$port" 3
[ "$got" = 3 ] || fail "the rate did not come back: $got of 3"
echo "limits hold"
