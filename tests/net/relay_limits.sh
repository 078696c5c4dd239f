#!/usr/bin/env bash
# The relay's limits per address (scripts/relay-limits.sh), in a network namespace of the test's own
# with a listener that holds every connection on the relay's ports until its other end closes and
# counts what it reads (the broker drops its privileges to a user the namespace lacks). Clients come
# from addresses of their own, the loopback's 127.0.0.1 being let through: connections held at once past
# the limit are reset on every port, one freed makes room again, and the addresses of one IPv6 /64
# count as one; new connections past the burst are reset, and come back at the rate; bytes past the
# rate are dropped. Skipped (77) where no namespace can be made.
set -uo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

if [ "${1:-}" != --inside ]; then
  unshare -rn true 2>/dev/null || { echo "skipped: no network namespace of one's own here"; exit 77; }
  exec timeout 120 unshare -rn bash "$0" --inside
fi

ip link set lo up
ip addr add 10.0.0.1/24 dev lo
for a in fd00::1 fd00::2 fd01::1; do ip addr add "$a/64" dev lo nodad; done
port=18830 web=18443
fail() { echo "FAILED: $*" >&2; exit 1; }
work=$(mktemp -d)
python3 -c '
import socket, sys, select, time
ends = [socket.create_server(("::", p), family=socket.AF_INET6, dualstack_ipv6=True, backlog=64)
        for p in map(int, sys.argv[2:])]
held, total, told = [], 0, 0
while True:
    for ready in select.select(ends + held, [], [], 0.1)[0]:
        if ready in ends: held.append(ready.accept()[0]); continue
        data = ready.recv(65536)
        total += len(data)
        if not data: held.remove(ready); ready.close()
    if total != told: open(sys.argv[1], "w").write(str(total)); told = total
' "$work/received" "$port" $((port + 1)) "$web" &
listener=$!
trap 'kill $listener 2>/dev/null; wait $listener 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do { exec 3<>"/dev/tcp/10.0.0.1/$port"; } 2>/dev/null && break; sleep 0.05; done
exec 3>&-

# open ADDRESS PORT COUNT: opens COUNT connections from ADDRESS (to itself) and holds them (in
# held[]); how many got through in got.
held=()
open() {
  local fd _
  got=0
  for _ in $(seq "$3"); do
    { exec {fd}<>"/dev/tcp/$1/$2"; } 2>/dev/null && held+=("$fd") && got=$((got + 1))
  done
}
close_all() { local fd; for fd in "${held[@]}"; do exec {fd}>&-; done; held=(); sleep 0.2; }
limits() { "$source_dir/scripts/relay-limits.sh" "$@" --also "$web" "$port" || fail "no limits"; }

# At most three at once from one address, on every port; one closed, one more gets in. Two
# addresses of one /64 share their three; another /64 has its own.
limits --connections 3 --per-minute 6000 --burst 100
for p in "$port" "$((port + 1))" "$web"; do
  open 10.0.0.1 "$p" 5
  [ "$got" = 3 ] || fail "$got connections held on port $p, not 3"
  exec {held[0]}>&-
  held=("${held[@]:1}")
  sleep 0.2
  open 10.0.0.1 "$p" 2
  [ "$got" = 1 ] || fail "$got connections got in on port $p after one closed, not 1"
  close_all
done
for case in "fd00::1 2 2" "fd00::2 2 1" "fd01::1 3 3"; do
  read -r address count expected <<<"$case"
  open "$address" "$port" "$count"
  [ "$got" = "$expected" ] || fail "$got of $count connections from $address held, not $expected"
done
close_all

# Sixty new a minute after a burst of ten: of thirty at once ten get in, a second later one more.
limits --connections 100 --per-minute 60 --burst 10
open 10.0.0.1 "$port" 30
[ "$got" = 10 ] || fail "$got of 30 new connections got in, not 10"
close_all
sleep 1
open 10.0.0.1 "$port" 3
[ "$got" = 1 ] || fail "the rate is not one a second: $got of 3 got in"
close_all

# 16 KiB a second after 256 KiB: three seconds of sending as fast as possible (and what the sender's
# system still sends after it) bring about 300 KiB.
limits --kbytes 16
python3 -c '
import socket, sys, time
s = socket.create_connection(("10.0.0.1", int(sys.argv[1])))
s.setblocking(False)
end = time.monotonic() + 3
while time.monotonic() < end:
    try: s.send(bytes(65536))
    except BlockingIOError: time.sleep(0.001)
' "$port"
sleep 0.3
received=$(($(cat "$work/received") / 1024))
[ "$received" -ge 200 ] && [ "$received" -le 400 ] || fail "$received KiB came in three seconds, not about 300"
echo "limits hold"
