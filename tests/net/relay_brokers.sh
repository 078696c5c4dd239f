#!/usr/bin/env bash
# A relay of two brokers (scripts/relay.sh's, one process each) in a network namespace of the test's
# own, every machine given both: a host whose code's broker refuses (the firewall resets it) opens
# its room on the other, so room a lives on broker 0 and room b on broker 1, each with a guest and
# its spectator finding the broker by the code typed. A stranger on either broker, knowing a room's
# code, hears nothing meant for others. Broker 0 killed mid-match ends room a alone, each machine
# saying the relay was lost; room b takes a new machine and plays its match out.
#
# Usage: relay_brokers.sh RUNNER   (skipped, 77, where no namespace can be made)
set -uo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
runner=$1
if [ "${2:-}" != --inside ]; then
  unshare -rn true 2>/dev/null || { echo "skipped: no network namespace of one's own here"; exit 77; }
  exec timeout 150 unshare -rn bash "$0" "$runner" --inside
fi

ip link set lo up
work=$(mktemp -d)
export LC_ALL=C.UTF-8
ports=(18830 18832)
relay=127.0.0.1:${ports[0]},127.0.0.1:${ports[1]}
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; tail -n 3 "$work"/*.err >&2; exit 1; }
for i in 0 1; do
  "$source_dir/scripts/relay.sh" "${ports[i]}" >"$work/broker$i.log" 2>&1 &
  broker[i]=$!
  pids+=($!)
done
for i in 0 1; do
  for _ in $(seq 100); do { exec 3<>"/dev/tcp/127.0.0.1/${ports[i]}"; } 2>/dev/null && break; sleep 0.05; done
  exec 3>&-
done

# machine NAME ARGS...: a runner with a data folder of its own, its script NAME.script.
machine() {
  local name=$1
  shift
  XDG_DATA_HOME=$work/$name.data timeout 100 stdbuf -oL "$runner" --relay "$relay" "$@" --script "$work/$name.script" \
    --state "$work/$name.json" >"$work/$name.out" 2>"$work/$name.err" &
  pids+=($!)
  eval "pid_$name=$!"
}
# said NAME TEXT: waits at most 20 s for a machine to say TEXT on either output.
said() {
  for _ in $(seq 200); do grep -qF "$2" "$work/$1.out" "$work/$1.err" 2>/dev/null && return; sleep 0.1; done
  fail "$1 never said \"$2\""
}
code_of() { said "$1" "$2: "; sed -n "s/^$2: //p" "$work/$1.out"; }
# refusing PORT add|delete: the firewall resets new connections to PORT, or no longer does.
refusing() {
  [ "$2" = add ] && nft add table inet t && nft add chain inet t in '{ type filter hook input priority 0; }'
  [ "$2" = add ] && nft add rule inet t in tcp dport "$1" 'tcp flags & (syn | ack) == syn' reject with tcp reset
  [ "$2" = delete ] && nft delete table inet t
}

# stranger PORT CODE: a client of the room's code on the broker at PORT, under an id of its own,
# listens three seconds to what the machines say to each other, and to the broker's own topics.
stranger() {
  python3 - "$@" <<'EOF'
import socket, struct, sys, time
def packet(kind, body): return bytes([kind, len(body)]) + body
def text(s): return struct.pack("!H", len(s)) + s.encode()
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
s.sendall(packet(0x10, text("MQTT") + b"\x05\x82\x00\x1e\x00" + text("STRANGER1") + text(sys.argv[2])))
s.sendall(packet(0x82, b"\x00\x01\x00" + text(f"lobshot/{sys.argv[2]}/to/+/+") + b"\x00" + text("$SYS/#") + b"\x00"))
s.settimeout(0.2)
heard, end, kinds = b"", time.monotonic() + 3, []
while time.monotonic() < end:
    try: heard += s.recv(65536)
    except socket.timeout: pass
at = 0
while at + 1 < len(heard):
    kinds.append(heard[at] & 0xF0)
    size, shift, at, byte = 0, 0, at + 1, 128
    while byte > 127:
        byte = heard[at] if at < len(heard) else 0
        size, shift, at = size | (byte & 127) << shift, shift + 7, at + 1
    at += size
print("heard-nothing" if kinds == [0x20, 0x90] else f"heard {kinds}")
EOF
}

# Each guest, paced as a person, leaves the shop and waits at its first turn: room a's for good,
# room b's five seconds, after which it fires once; room b's host and spectator follow the shot.
shop=("until WeaponShop 200000" "until mine 200000" "press Down Down Down Down Down Down Enter"
  "until Aiming 200000" "until mine 200000")
printf '%s\n' "${shop[@]}" "wait 100000" >"$work/guest_a.script"
printf '%s\n' "${shop[@]}" "wait 250" "press Space" "until ShotInProgress 1000" "until Aiming 20000" \
  "wait 5" >"$work/guest_b.script"
for room in a b; do
  printf '%s\n' "until joined 2" "wait 5" "press Enter" "until PlayerChoice 20" "press 1 2 2 2 2 2" "wait 5" \
    "press Down Down Down Enter" "until WeaponShop 20" "until ShotInProgress 200000" "until Aiming 200000" \
    "wait 20" >"$work/host_$room.script"
  tail -n 3 "$work/host_$room.script" >"$work/watch_$room.script"
done
for room in a:0:1 b:1:0; do
  IFS=: read -r room on off <<<"$room"
  refusing "${ports[off]}" add
  machine "host_$room" --seed 7 --online
  code[on]=$(code_of "host_$room" "Room code") || exit 1
  watching[on]=$(code_of "host_$room" "Watch code") || exit 1
  refusing "${ports[off]}" delete
  stranger "${ports[on]}" "${code[on]}" >"$work/stranger_$room" &
  strangers+=($!)
  machine "guest_$room" --online "${code[on]}" --realtime
  machine "watch_$room" --watch "${watching[on]}"
  said "host_$room" "1 watching"
  said "host_$room" "Guest 1 joined"
done
wait "${strangers[@]}"
for room in a b; do [ "$(cat "$work/stranger_$room")" = heard-nothing ] || fail "a stranger heard room $room"; done
# Broker 0 dies while both guests wait at their turn: room a's machines each say so; room b
# plays on.
said guest_a "Aiming, mine"
said guest_b "Aiming, mine"
kill -9 "${broker[0]}"
wait "${broker[0]}" 2>/dev/null
for name in host_a guest_a watch_a; do said "$name" "Lost the connection to the relay"; done
for name in host_b guest_b watch_b; do
  wait "$(eval echo "\$pid_$name")" || fail "$name ended with status $?"
done
echo "rooms on each broker; one broker lost ends its rooms alone"
