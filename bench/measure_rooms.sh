#!/usr/bin/env bash
# Measures how many rooms one broker core carries: one Mosquitto with the relay's configuration,
# pinned to one core, under ROOMS rooms of four machines and two spectators stamping at the game's
# rate (lobshot-bench-relay load, bench/bench_relay.cpp). Printed: the messages a second per room
# the broker took in and sent out (publishes, and every packet with the acknowledgements), by its
# own count; its processor time per room, and so the rooms one core would carry; and the load's
# own figures: every room's longest wait from a stamp's sending to its arrival, frames missing,
# machines out of step, how late the load generator itself ran and the share of a core it used.
# Then the broker's messages a second for one real match of lobshot-headless machines.
#
# The load runs in a process of its own (a process group apart, at a lower priority, on the other
# cores), so that it does not share the broker's core: one thread waiting on all its connections
# with epoll carries 500 rooms in about half a core. The script says how late it ran, and the
# machine's load meanwhile: on a busy machine, measure fewer rooms and scale by the CPU per room.
# A room is seven connections, and the relay's listener takes 4,096 (relay/mosquitto.conf): at most
# 585 rooms open on one broker here.
#
# Usage: bench/measure_rooms.sh [BUILD-DIR]   (default build; needs lobshot-bench-relay there)
# Environment: ROOMS (100), LOAD_SECONDS (30), ROOMS_PER_PROCESS (1000: the load spread over
#   several processes if more), BROKER_CORE
#   (the last), LOAD_NICE (10) and BROKER_NICE (0; on a busy machine give both a higher priority),
#   BENCH (another lobshot-bench-relay to make the load, e.g. an older build's: the count is always
#   this build's), GAME_SECONDS (20; 0 skips the real match, which needs lobshot-headless).
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-build}")
bench=$build/lobshot-bench-relay
load_bench=${BENCH:-$bench}
[ -x "$bench" ] && [ -x "$load_bench" ] || { echo "no lobshot-bench-relay in $build" >&2; exit 2; }
rooms=${ROOMS:-100} seconds=${LOAD_SECONDS:-30} per_process=${ROOMS_PER_PROCESS:-1000}
core=${BROKER_CORE:-$(($(nproc) - 1))} load_nice=${LOAD_NICE:-10}
work=$(mktemp -d)
chmod 755 "$work"  # a broker started by root reads its files as the user mosquitto
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill -- "-$pid" 2>/dev/null || kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
ulimit -n "$(ulimit -Hn)"

# The relay's configuration and access control, with the broker's counts reported every second
# to the user lobshot-bench alone.
port=$((34000 + ($$ % 1000) * 2))
{ cat "$source_dir/relay/acl"; printf '%s\n' "user lobshot-bench" 'topic read $SYS/#' "topic write lobshot-bench/#"; } >"$work/acl"
sed -e "s|@PORT@|$port|g" -e "s|@WEBSOCKET_PORT@|$((port + 1))|g" -e "s|@ADDRESS@|127.0.0.1|g" \
    -e "s|@RELAY_DIR@/acl|$work/acl|g" "$source_dir/relay/mosquitto.conf" >"$work/mosquitto.conf"
echo "sys_interval 1" >>"$work/mosquitto.conf"
PATH=$PATH:/usr/sbin
nice -n "${BROKER_NICE:-0}" taskset -c "$core" mosquitto -c "$work/mosquitto.conf" >"$work/broker.log" 2>&1 &
broker_pid=$!
pids+=("$broker_pid")
for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done
broker=127.0.0.1:$port
other_cores=$(seq -s, 0 $(($(nproc) - 1)) | sed -e "s/\(^\|,\)$core\(,\|$\)/\1/" -e 's/,$//' -e 's/,,/,/')
[ -n "$other_cores" ] || other_cores=$core

# The load, in processes of their own group, at a lower priority and off the broker's core.
processes=$(((rooms + per_process - 1) / per_process))
for i in $(seq 0 $((processes - 1))); do
    count=$((rooms - i * per_process < per_process ? rooms - i * per_process : per_process))
    setsid taskset -c "$other_cores" nice -n "$load_nice" "$load_bench" load "$broker" "$count" "$seconds" \
        $((i * per_process)) "$work/go" >"$work/load$i.out" 2>&1 &
    pids+=($!)
done
for i in $(seq 0 $((processes - 1))); do
    for _ in $(seq 1200); do
        grep -qs '^open' "$work/load$i.out" || ! kill -0 "${pids[$((i + 1))]}" 2>/dev/null && break
        sleep 0.1
    done
    grep -q '^open' "$work/load$i.out" || { echo "load process $i did not open its rooms:" >&2; cat "$work/load$i.out" "$work/broker.log" >&2; exit 1; }
done

# The broker's processor time and its counts over the measured stretch (the middle of the run).
cpu_ticks() { awk '{print $14 + $15}' "/proc/$broker_pid/stat"; }
touch "$work/go"
sleep 2
window=$((seconds - 4))
"$bench" count "$broker" "$window" >"$work/count.out" &
count_pid=$!
ticks_before=$(cpu_ticks)
start=$(date +%s.%N)
wait "$count_pid"
ticks_after=$(cpu_ticks)
elapsed=$(echo "$(date +%s.%N) - $start" | bc)
load_average=$(cut -d' ' -f1-3 /proc/loadavg)
for i in $(seq 0 $((processes - 1))); do wait "${pids[$((i + 1))]}" || true; done

cpu=$(echo "scale=3; ($ticks_after - $ticks_before) * 100 / $(getconf CLK_TCK) / $elapsed" | bc)
echo "== $rooms rooms of four machines and two spectators, ${elapsed%.*} s measured; load average $load_average on $(nproc) cores"
awk -v rooms="$rooms" -v s="$elapsed" '
    { v[$1] = $2 }
    END {
        printf "per room a second: publishes in %.1f, out %.1f; every packet in %.1f, out %.1f\n",
            v["$SYS/broker/publish/messages/received"] / rooms, v["$SYS/broker/publish/messages/sent"] / rooms,
            v["$SYS/broker/messages/received"] / rooms, v["$SYS/broker/messages/sent"] / rooms }' "$work/count.out"
echo "broker on core $core: $cpu% of the core, $(echo "scale=4; $cpu / $rooms" | bc)% a room: one core carries $(echo "100 * $rooms / $cpu" | bc) rooms"
awk '/^cpu_s/ {
        for (i = 1; i < NF; i += 2) v[$i] = $(i + 1)
        rooms += v["rooms"]; stamps += v["stamps"]; lost += v["connections_lost"]; cpu += v["cpu_s"]
        stamping += v["stamping_cpu_pct"]
        missing += v["missing"]; desynced += v["desynced"]; wrong += v["wrong"]
        if (v["longest_wait_ms"] > longest) longest = v["longest_wait_ms"]
        if (v["p99_room_longest_ms"] > p99) p99 = v["p99_room_longest_ms"]
        if (v["oldest_stamp_ms"] > oldest) oldest = v["oldest_stamp_ms"]
        if (v["spectators_longest_wait_ms"] > watching) watching = v["spectators_longest_wait_ms"]
        if (v["generator_late_ms"] > late) late = v["generator_late_ms"]
     }
     END {
        printf "rooms %d: %d stamps; every room'\''s longest wait from sending to arrival at a player %.1f ms ", rooms, stamps, longest
        printf "(99th percentile room %.1f ms), oldest stamp on arrival %.1f ms, at a spectator %.1f ms; ", p99, oldest, watching
        printf "missing %d, out of step %d, wrong %d, connections lost %d; ", missing, desynced, wrong, lost
        printf "the load used %.1f s of processor (%.1f%% of a core while stamping) ", cpu, stamping
        printf "and ran at most %.1f ms late\n", late
     }' "$work"/load*.out
[ -z "${BENCH:-}" ] || grep -h '^cpu_s' "$work"/load*.out

# The same figures for one real match: four lobshot-headless machines in a room (the guests firing
# as soon as they may, as bench/measure_relay.sh plays them) and two spectators, counted by the
# broker while they play.
game_seconds=${GAME_SECONDS:-20}
runner=$build/lobshot-headless
[ "$game_seconds" -gt 0 ] && [ -x "$runner" ] || exit 0
guest_script() {
    printf '%s\n' "until WeaponShop 200000" "until mine 200000" "press Down Down Down Down Down Down Enter" \
        "until Aiming|EndOfMatch 200000"
    for _ in $(seq 60); do
        printf '%s\n' "until mine|EndOfMatch 200000" "press Space" "until ShotInProgress|EndOfMatch 1000" \
            "until Aiming|EndOfMatch 200000"
    done
}
printf '%s\n' "until joined 4" "wait 5" "press Enter" "until PlayerChoice 20" \
    "press Right Right 1 1 1 1 1 1 2 3 3 4 4 4" "wait 5" "press Down Down Down Enter" "until WeaponShop 20" \
    "until EndOfMatch 200000" >"$work/host.script"
echo "until EndOfMatch 200000" >"$work/watch.script"
play() { XDG_DATA_HOME=$work/$1.data timeout $((game_seconds + 120)) stdbuf -oL "$runner" --realtime --relay "$broker" "${@:2}" >"$work/$1.out" 2>&1 & pids+=($!); }
play host --seed 4242 --online --script "$work/host.script"
for _ in $(seq 100); do grep -q '^Watch code' "$work/host.out" && break; sleep 0.1; done
code=$(sed -n 's/^Room code: //p' "$work/host.out") watch=$(sed -n 's/^Watch code: //p' "$work/host.out")
for g in guest1 guest2 guest3; do guest_script >"$work/$g.script"; play "$g" --online "$code" --script "$work/$g.script"; sleep 0.3; done
for s in watch1 watch2; do play "$s" --watch "$watch" --script "$work/watch.script"; done
sleep 8
"$bench" count "$broker" "$game_seconds" >"$work/game.out"
echo "== One match of four lobshot-headless machines and two spectators, $game_seconds s"
awk '{ v[$1] = $2 } END { printf "a second: publishes in %.1f, out %.1f; every packet in %.1f, out %.1f\n",
    v["$SYS/broker/publish/messages/received"], v["$SYS/broker/publish/messages/sent"],
    v["$SYS/broker/messages/received"], v["$SYS/broker/messages/sent"] }' "$work/game.out"
