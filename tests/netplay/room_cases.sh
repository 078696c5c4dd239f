#!/usr/bin/env bash
# Runs whole network games in online rooms: lobshot-headless machines meet through a real relay (a
# Mosquitto broker with the project's configuration on 127.0.0.1) by the host's room code, and
# every machine must play the same game; and the ways a machine fails to get into a room.
#
# Usage: room_cases.sh RUNNER WORK-DIR CASE   (CASE names a function below; exits 1, saying why,
# when the machines do not behave). Every run and every wait has a time limit.
set -u
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck disable=SC2034  # read by lockstep_cases.sh
LOCKSTEP_LIBRARY=1
# shellcheck source-path=SCRIPTDIR source=lockstep_cases.sh
source "$(dirname "$0")/lockstep_cases.sh" "$1" none "$2" "$3"

relay_pid=""
trap '[ -n "$relay_pid" ] && kill "$relay_pid" 2>/dev/null' EXIT

# start_relay: runs the relay on a free port (it takes that port and the next), trying a few; sets
# relay to its address once it takes connections.
start_relay() {
    local relay_port _
    for relay_port in $((28000 + ($$ % 1000) * 2)) $((30000 + ($$ % 1000) * 2)) $((26000 + ($$ % 500) * 4)); do
        timeout 300 "$source_dir/scripts/relay.sh" "$relay_port" >"$work/relay.log" 2>&1 &
        relay_pid=$!
        for _ in $(seq 50); do
            kill -0 "$relay_pid" 2>/dev/null || break
            # Still running a moment after the port answers: the port is this broker's, not another's.
            if (exec 3<>"/dev/tcp/127.0.0.1/$relay_port") 2>/dev/null; then
                sleep 0.2
                kill -0 "$relay_pid" 2>/dev/null || break
                relay=127.0.0.1:$relay_port
                return
            fi
            sleep 0.1
        done
        kill "$relay_pid" 2>/dev/null
        wait "$relay_pid" 2>/dev/null
        relay_pid=""
    done
    fail "the relay did not start: $(tail -3 "$work/relay.log")"
}

# room_code [NAME]: the code the host's first row gives (the host named NAME, else "host"), waiting
# for it at most 10 s.
room_code() {
    local _ code
    for _ in $(seq 100); do
        code=$(sed -n 's/^Room code: \([2-9A-Z]\{8\}\)$/\1/p' "$work/${1:-host}.out" 2>/dev/null | head -1)
        [ -n "$code" ] && { echo "$code"; return; }
        sleep 0.1
    done
    fail "the host never said its room's code"
}

# restart_relay: kills the relay's broker (kill -9) and starts it again on the same port.
restart_relay() {
    local broker
    broker=$(pgrep -P "$relay_pid")
    [ -n "$broker" ] || fail "the relay's broker is not running"
    kill -9 "$broker"
    wait "$relay_pid" 2>/dev/null
    timeout 300 "$source_dir/scripts/relay.sh" "${relay##*:}" >>"$work/relay.log" 2>&1 &
    relay_pid=$!
}

# The broker killed and started again mid-match: no machine can know what the others received
# meanwhile, so each ends its network game within a few seconds, saying it lost the relay, with
# status 4 and its replay written; nothing waits for the broker to come back. Two guests play
# against a Hard computer; the host watches.
room_relay_restarts() {
    start_relay
    { host_start 3 "Right 1 2 2 3 3 3 3 3 3"; printf '%s\n' "until EndOfMatch 200000" "wait 300"; } >"$work/host.script"
    guest_script guest1
    guest_script guest2
    machine host --seed 2024 --relay "$relay" --online --realtime
    local code
    code=$(room_code) || exit 1
    machine guest1 --relay "$relay" --online "$code" --realtime
    machine guest2 --relay "$relay" --online "$code" --realtime
    await_row guest2 "Aiming"
    sleep 1
    restart_relay
    local start name
    start=$(date +%s)
    for pid in "${pids[@]}"; do wait "$pid"; done
    pids=()
    [ $(($(date +%s) - start)) -lt 10 ] || fail "the machines took 10 s or more to end"
    for name in host guest1 guest2; do
        [ "$(cat "$work/$name.status")" = 4 ] || fail "$name exited with status $(cat "$work/$name.status"), not 4"
        grep -q "Lost the connection to the relay" "$work/$name.err" || fail "$name does not say it lost the relay"
        [ -s "$work/$name.replay" ] || fail "$name's replay was not written"
        "$runner" --replay "$work/$name.replay" >/dev/null 2>&1 || fail "$name's replay does not play"
    done
}

# refused NAME PATTERN ARGS...: a machine that must end with status 4 within 20 s, saying PATTERN.
refused() {
    local name=$1 pattern=$2
    shift 2
    echo "wait 10" >"$work/$name.script"
    local start
    start=$(date +%s)
    timeout 60 "$runner" "$@" --script "$work/$name.script" >"$work/$name.out" 2>"$work/$name.err"
    local status=$?
    [ "$status" = 4 ] || fail "$name: exit status $status, not 4"
    grep -qE "$pattern" "$work/$name.err" || fail "$name: no \"$pattern\" on standard error"
    [ $(($(date +%s) - start)) -lt 20 ] || fail "$name: took more than 20 s"
}

# Getting into a room fails cleanly: a code that is not one, a room no one keeps, no relay.
room_refusals() {
    start_relay
    refused bad_code "room code has 8 characters" --relay "$relay" --online ABCDEFG
    refused bad_letters "room code has only the letters" --relay "$relay" --online ABCDEFGO
    refused nobody_there "Could not join room 22222222" --relay "$relay" --online 22222222
    local gone=${relay##*:}
    kill "$relay_pid"
    wait "$relay_pid" 2>/dev/null
    relay_pid=""
    refused no_relay_host "cannot reach the relay" --relay "127.0.0.1:$gone" --online
    refused no_relay_guest "cannot reach the relay" --relay "127.0.0.1:$gone" --online 22222222
}

# watch NAME CODE ARGS...: a spectator of the room; its script ends where the guest's does.
watch() {
    local name=$1 code=$2
    shift 2
    machine "$name" --relay "$relay" --watch "$code" "$@"
}

# spectator_sees NAME PLAYER: the spectator ended where the player did, in the player's state, as a
# spectator (machine -1; of two machines, or one if the game has heard the guest leave by then).
spectator_sees() {
    cmp -s <(shared_game "$work/$2.json") <(shared_game "$work/$1.json") || fail "$1's state is not $2's"
    grep -qE '"role": "watch", "machine": -1, "machines": [12], .*"watchers": 0}' "$work/$1.json" ||
        fail "$1's net state is wrong: $(grep '"net"' "$work/$1.json")"
}

# A match through a room while two spectators watch, one from the start and one joining under way:
# each ends where the host ends, in its state, and every replay is the host's. The host said its
# code once, the guest found it by the code as a player might type it (small letters, split by a
# hyphen), and the host counted the first spectator apart from its two machines.
room_spectators_watch_match() {
    start_relay
    # Seat 1 Guest 1, seat 2 a computer.
    { printf '%s\n' "until joined 2" "state $work/host.start.json"; host_start 2 "1 2 2 2 2 2" | tail -n +2
      printf '%s\n' "until EndOfMatch 200000" "wait 300"; } >"$work/host.script"
    guest_script guest1
    printf '%s\n' "until EndOfMatch 200000" "wait 300" | tee "$work/watch1.script" >"$work/watch2.script"
    machine host --seed 2024 --relay "$relay" --online
    local code
    code=$(room_code) || exit 1
    watch watch1 "$code"
    sleep 1
    machine guest1 --relay "$relay" --online "$(echo "${code:0:4}-${code:4}" | tr '[:upper:]' '[:lower:]')"
    # The second comes once the match is under way, while Guest 1 is stopped for three seconds (so
    # that the match, run at full speed, cannot end before it is in).
    local _
    for _ in $(seq 100); do grep -q "Guest 1 joined" "$work/host.out" && break; sleep 0.1; done
    sleep 0.3
    local guest
    guest=$(runner_of guest1)
    [ -n "$guest" ] || fail "guest1 is not running"
    kill -STOP "$guest"
    watch watch2 "$code"
    sleep 3
    kill -CONT "$guest"
    finish
    grep -q '"mode": "EndOfMatch"' "$work/guest1.json" || fail "the match did not end"
    [ "$(grep -c '^Room code: ' "$work/host.out")" = 1 ] || fail "the host did not say its code exactly once"
    grep -q '"role": "host", "machine": 0, "machines": 2, .*"watchers": 1}' "$work/host.start.json" ||
        fail "the host did not count the spectator apart: $(grep '"net"' "$work/host.start.json")"
    spectator_sees watch1 host
    spectator_sees watch2 host
    same_hash host guest1 watch1 watch2
    same_game
}

"$case_name"
