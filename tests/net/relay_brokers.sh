#!/usr/bin/env bash
# A relay of two brokers in a network namespace of the test's own: room a opens while broker 1
# refuses, room b while broker 0 does; a guest and a spectator find each by its codes, and a
# stranger with the room's code hears nothing said between machines. Broker 0 killed while both
# guests wait at their turn ends room a alone, each machine saying the relay was lost, while room b's
# guest then fires and its host and spectator see the shot land. Skipped (77) without a namespace.
set -uo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd) runner=$1
if [ "${2:-}" != --inside ]; then
  unshare -rn true 2>/dev/null || { echo "skipped: no network namespace of one's own here"; exit 77; }
  exec timeout 150 unshare -rn bash "$0" "$1" --inside
fi
ip link set lo up
work=$(mktemp -d) ports=(18830 18832) pids=() listen=() strangers=()
trap 'kill "${pids[@]}" 2>/dev/null; wait; rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; tail -n 3 "$work"/*.err >&2; exit 1; }
said() { for _ in $(seq 200); do grep -qsF "$2" "$work/$1".{out,err} && return; sleep 0.1; done; fail "$1: no $2"; }
machine() {
  XDG_DATA_HOME=$work/$1 timeout 100 stdbuf -oL "$runner" --relay 127.0.0.1:18830,127.0.0.1:18832 "${@:2}" \
    --script "$work/$1.script" >"$work/$1.out" 2>"$work/$1.err" &
  pids+=($!) && eval "pid_$1=$!"
}
# stranger PORT CODE: "quiet" if a client of the room's code, under an id of its own, hears nothing
# of what the machines say to each other in four seconds but the broker's answers.
stranger() {
  python3 - "$@" <<'EOF'
import socket, struct, sys, time
text = lambda s: struct.pack("!H", len(s)) + s.encode()
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
for kind, body in ((0x10, text("MQTT") + b"\5\x82\0\x1e\0" + text("STRANGER1") + text(sys.argv[2])),
                   (0x82, b"\0\1\0" + text(f"lobshot/{sys.argv[2]}/to/+/+") + b"\0")):
    s.sendall(bytes([kind, len(body)]) + body)
time.sleep(4)
heard = s.recv(1 << 20)
print("quiet" if heard[2 + heard[1]:] == b"\x90\4\0\1\0\0" else "heard")
EOF
}
for i in 0 1; do "$source_dir/scripts/relay.sh" "${ports[i]}" >/dev/null 2>&1 & broker[i]=$! && pids+=($!); done
for p in "${ports[@]}"; do for _ in $(seq 99); do (: <"/dev/tcp/127.0.0.1/$p") 2>/dev/null && break; sleep 0.1; done; done
shop=("until WeaponShop 200000" "until mine 200000" "press Down Down Down Down Down Down Enter"
  "until Aiming 200000" "until mine 200000")
printf '%s\n' "${shop[@]}" "wait 100000" >"$work/guest_a.script"
printf '%s\n' "${shop[@]}" "wait 250" "press Space" "until ShotInProgress 1000" "until Aiming 20000" >"$work/guest_b.script"
for room in a b; do
  printf '%s\n' "until joined 2" "wait 5" "press Enter" "until PlayerChoice 20" "press 1 2 2 2 2 2" "wait 5" \
    "press Down Down Down Enter" "until WeaponShop 20" "until ShotInProgress 200000" "until Aiming 200000" \
    | tee "$work/host_$room.script" | tail -n 2 >"$work/watch_$room.script"
done
for room in a:0:1 b:1:0; do
  IFS=: read -r room on off <<<"$room"
  nft add table inet t && nft add chain inet t in '{ type filter hook input priority 0; }'
  nft add rule inet t in tcp dport "${ports[off]}" 'tcp flags & (syn | ack) == syn' reject with tcp reset
  machine "host_$room" --seed 7 --online
  said "host_$room" "Watch code: " && nft delete table inet t
  code=$(sed -n 's/^Room code: //p' "$work/host_$room.out") watching=$(sed -n 's/^Watch code: //p' "$work/host_$room.out")
  machine "guest_$room" --online "$code" --realtime
  machine "watch_$room" --watch "$watching"
  said "host_$room" "1 watching" && said "host_$room" "Guest 1 joined"
  listen+=("${ports[on]} $code $room")
done
# The strangers listen once both rooms are open, when no broker is refused any more.
for entry in "${listen[@]}"; do
  read -r port code room <<<"$entry"
  stranger "$port" "$code" >"$work/stranger_$room" & strangers+=($!)
done
wait "${strangers[@]}"
for room in a b; do [ "$(cat "$work/stranger_$room")" = quiet ] || fail "a stranger heard room $room"; done
said guest_a "Aiming, mine" && said guest_b "Aiming, mine"
kill -9 "${broker[0]}" && wait "${broker[0]}" 2>/dev/null
for name in host_a guest_a watch_a; do said "$name" "Lost the connection to the relay"; done
for name in host_b guest_b watch_b; do wait "$(eval echo "\$pid_$name")" || fail "$name ended with status $?"; done
