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
ends = []
for port in (int(sys.argv[1]), int(sys.argv[1]) + 1):
    end = socket.socket()
    end.bind(("127.0.0.1", port))
    end.listen(64)
    ends.append(end)
held = []
while True:
    for ready in select.select(ends + held, [], [])[0]:
        if ready in ends:
            held.append(ready.accept()[0])
        elif not ready.recv(1):
            held.remove(ready)
            ready.close()
' "$port" &
listener=$!
trap 'kill $listener 2>/dev/null; wait $listener 2>/dev/null; rm -f /tmp/lobshot-limits-count.$$' EXIT
for _ in $(seq 100); do { exec 3<>"/dev/tcp/127.0.0.1/$port"; } 2>/dev/null && break; sleep 0.05; done
exec 3>&-

# opened PORT COUNT: opens COUNT connections and holds them (in held[]); says how many got through.
held=()
opened() {
  local n=0 fd _
  for _ in $(seq "$2"); do
    if { exec {fd}<>"/dev/tcp/127.0.0.1/$1"; } 2>/dev/null; then
      held+=("$fd")
      n=$((n + 1))
    fi
  done
  echo "$n" >"/tmp/lobshot-limits-count.$$"
}
count() { cat "/tmp/lobshot-limits-count.$$"; }
close_all() { local fd; for fd in "${held[@]}"; do exec {fd}>&-; done; held=(); }

# At most three at once from one address, on either port; one closed, one more gets in.
"$source_dir/scripts/relay-limits.sh" --connections 3 --per-second 100 "$port" || fail "no limits"
for p in "$port" "$((port + 1))"; do
  opened "$p" 5
  [ "$(count)" = 3 ] || fail "$(count) connections held on port $p, not 3"
  exec {held[0]}>&-
  held=("${held[@]:1}")
  sleep 0.2
  opened "$p" 2
  [ "$(count)" = 1 ] || fail "$(count) connections got in on port $p after one closed, not 1"
  close_all
  sleep 0.2
done

# Five new a second (bursts of ten) from one address: of thirty at once, about ten get in; a second
# later, more do.
"$source_dir/scripts/relay-limits.sh" --connections 100 --per-second 5 "$port" || fail "no limits"
opened "$port" 30
first=$(count)
close_all
[ "$first" -ge 10 ] && [ "$first" -le 12 ] || fail "$first of 30 new connections got in, not about 10"
sleep 1.2
opened "$port" 3
[ "$(count)" -ge 3 ] || fail "the rate did not come back: $(count) of 3"
close_all
echo "limits hold"
