#!/usr/bin/env bash
# Measures the relay of online rooms on this machine: a key's way from one machine to another through
# the broker against ENet directly; one broker carrying many rooms of four machines and two
# spectators at the game's stamp rate (its CPU and memory from /proc, the longest wait between
# stamps, losses, order and agreement); and the bytes a second each machine of a real game in a room
# exchanges with the broker.
#
# The load comes from lobshot-bench-relay (bench/bench_relay.cpp) over the game's MQTT transport,
# not from game processes: a process of it keeps up to ROOMS_PER_PROCESS rooms (its ends wait on
# their sockets together, with epoll, so that one process keeps them all). The real game's bytes come from
# lobshot-headless machines playing in a room, counted by the kernel's TCP counters (ss) on their
# connections to the broker.
#
# Usage: bench/measure_relay.sh [BUILD-DIR]   (default build; nothing is built: it needs
#        lobshot-bench-relay and lobshot-headless there)
# Environment: ROOMS (200), LOAD_SECONDS (30), ROOMS_PER_PROCESS (1000), KEYS (1000), PLAY_SECONDS (20).
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-build}")
bench=$build/lobshot-bench-relay
runner=$build/lobshot-headless
if [ ! -x "$bench" ] || [ ! -x "$runner" ]; then
    echo "no lobshot-bench-relay or lobshot-headless in $build" >&2
    exit 2
fi
rooms=${ROOMS:-200} load_seconds=${LOAD_SECONDS:-30} per_process=${ROOMS_PER_PROCESS:-1000}
keys=${KEYS:-1000} play_seconds=${PLAY_SECONDS:-20}
work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
export XDG_DATA_HOME=$work/data

# The broker, with room for all the connections the load makes (it inherits this limit).
ulimit -n "$(ulimit -Hn)"
port=$((32000 + ($$ % 1000) * 2))
"$source_dir/scripts/relay.sh" "$port" >"$work/relay.log" 2>&1 &
pids+=($!)
relay_pid=$!
for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done
broker=127.0.0.1:$port
# relay.sh replaces itself with the broker, so its process id is the broker's.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$relay_pid/stat"; }
memory() { grep -E '^(VmRSS|VmHWM)' "/proc/$relay_pid/status" | tr -s ' \t' ' ' | tr '\n' ' '; }

echo "== A key from one machine to the other (loopback, $keys keys, one a frame)"
"$bench" latency "$broker" "$keys"

echo "== One broker, $rooms rooms of four machines and two spectators, $load_seconds s of stamps"
processes=$(((rooms + per_process - 1) / per_process))
for i in $(seq 0 $((processes - 1))); do
    count=$((rooms - i * per_process < per_process ? rooms - i * per_process : per_process))
    "$bench" load "$broker" "$count" "$load_seconds" $((i * per_process)) "$work/go" >"$work/load$i.out" 2>&1 &
    pids+=($!)
done
for i in $(seq 0 $((processes - 1))); do
    for _ in $(seq 1200); do grep -q '^open' "$work/load$i.out" && break; sleep 0.1; done
    grep -q '^open' "$work/load$i.out" || { echo "load process $i did not open its rooms:" >&2; cat "$work/load$i.out" >&2; exit 1; }
done
echo "broker after opening: $(memory)"
connections=$(ss -tnH state established "( sport = :$port )" | wc -l)
touch "$work/go"
ticks_before=$(cpu_ticks)
start=$(date +%s.%N)
sleep "$load_seconds"
ticks_after=$(cpu_ticks)
elapsed=$(echo "$(date +%s.%N) - $start" | bc)
echo "machine's load average meanwhile: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
echo "broker: $connections connections; CPU $(echo "scale=1; ($ticks_after - $ticks_before) * 100 / $(getconf CLK_TCK) / $elapsed" | bc)% of one core over ${elapsed%.*} s; $(memory)"
for i in $(seq 0 $((processes - 1))); do wait "${pids[$((i + 1))]}" || true; done
awk '/^cpu_s/ {
        for (i = 1; i < NF; i += 2) v[$i] = $(i + 1)
        rooms += v["rooms"]; stamps += v["stamps"]; received += v["messages_received"]
        lost += v["connections_lost"]; cpu += v["cpu_s"]; seconds = v["seconds"]
        missing += v["missing"]; desynced += v["desynced"]
        if (v["longest_wait_ms"] > longest) longest = v["longest_wait_ms"]
        if (v["p99_room_longest_ms"] > p99) p99 = v["p99_room_longest_ms"]
     }
     END {
        printf "rooms %d: %d stamps made, %d messages of stamps received (%.0f a second), connections lost %d; ", rooms, stamps, received, received / seconds, lost
        printf "the load processes used %.1f s of processor; longest wait from sending to arrival %.1f ms ", cpu, longest
        printf "(99th percentile room up to %.1f ms); missing %d, machines whose hash differs %d\n", p99, missing, desynced
     }' "$work"/load*.out

echo "== Bytes a second per machine, four lobshot-headless machines in a room ($play_seconds s of a match)"
guest() {
    { printf '%s\n' "until WeaponShop 200000" "until mine 200000" "press Down Down Down Down Down Down Enter" \
        "until Aiming|EndOfMatch 200000"
      for _ in $(seq 60); do
          printf '%s\n' "until mine|EndOfMatch 200000" "press Space" "until ShotInProgress|EndOfMatch 1000" \
              "until Aiming|EndOfMatch 200000"
      done; } >"$work/$1.script"
}
printf '%s\n' "until joined 4" "wait 5" "press Enter" "until PlayerChoice 20" \
    "press Right Right 1 1 1 1 1 1 2 3 3 4 4 4" "wait 5" "press Down Down Down Enter" "until WeaponShop 20" \
    "until EndOfMatch 200000" >"$work/host.script"
for g in guest1 guest2 guest3; do guest "$g"; done
XDG_DATA_HOME=$work/host.data timeout 300 stdbuf -oL "$runner" --seed 4242 --realtime --relay "$broker" --online \
    --script "$work/host.script" >"$work/host.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q '^Room code' "$work/host.out" && break; sleep 0.1; done
code=$(sed -n 's/^Room code: //p' "$work/host.out")
for g in guest1 guest2 guest3; do
    XDG_DATA_HOME=$work/$g.data timeout 300 "$runner" --realtime --relay "$broker" --online "$code" \
        --script "$work/$g.script" >"$work/$g.out" 2>&1 &
    pids+=($!)
    sleep 0.3
done
# Counters of the games' connections to the broker: sent (acknowledged) and received bytes.
counters() {
    ss -tinH state established "( dport = :$port )" |
        awk '{ for (i = 1; i <= NF; ++i) { if ($i ~ /^bytes_acked:/) a = substr($i, 13); if ($i ~ /^bytes_received:/) r = substr($i, 16) } }
             /^[0-9]/ { if (peer != "") print peer, a, r; peer = $3; a = 0; r = 0 }
             END { if (peer != "") print peer, a, r }' | sort
}
sleep 5
counters >"$work/before"
sleep "$play_seconds"
counters >"$work/after"
join "$work/before" "$work/after" |
    awk -v s="$play_seconds" '$4 > $2 || $5 > $3 {
        printf "machine at %s: sends %.0f B/s, receives %.0f B/s\n", $1, ($4 - $2) / s, ($5 - $3) / s }'
