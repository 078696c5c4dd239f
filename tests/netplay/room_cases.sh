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

# room_code: the code the host's first row gives, waiting for it at most 10 s.
room_code() {
    local _ code
    for _ in $(seq 100); do
        code=$(sed -n 's/^Room code: \([2-9A-Z]\{8\}\)$/\1/p' "$work/host.out" 2>/dev/null | head -1)
        [ -n "$code" ] && { echo "$code"; return; }
        sleep 0.1
    done
    fail "the host never said its room's code"
}

# Two machines to the first turn through a room: the guest finds the host by the code alone.
room_two_machines_first_turn() {
    start_relay
    { host_start 2 2; printf '%s\n' "press Down Down Down Down Down Down Enter" "until Aiming 20000" "wait 5"; } \
        >"$work/host.script"
    guest_shops_to_first_turn >"$work/guest1.script"
    machine host --seed 77 --relay "$relay" --online
    local code
    code=$(room_code) || exit 1
    # The code as a player might type it: small letters, split by a hyphen.
    local typed
    typed=$(echo "${code:0:4}-${code:4}" | tr '[:upper:]' '[:lower:]')
    machine guest1 --relay "$relay" --online "$typed"
    finish
    [ "$(grep -c '^Room code: ' "$work/host.out")" = 1 ] || fail "the host did not say its code exactly once"
    cmp -s <(shared "$work/host.json") <(shared "$work/guest1.json") || fail "the machines' states differ"
    grep -q '"machine": 1' "$work/host.json" || fail "seat 2 is not the guest's"
    # (The guest may have gone by the time the host writes its state: its count of machines varies.)
    grep -q "\"role\": \"host\", \"machine\": 0, .*\"room\": \"$code\", \"watchers\": 0}" \
        "$work/host.json" || fail "the host's net state is wrong"
    grep -q "\"role\": \"join\", \"machine\": 1, \"machines\": 2, .*\"room\": \"$code\", \"watchers\": 0}" \
        "$work/guest1.json" || fail "the guest's net state is wrong"
    same_game
}

# A whole match of three machines through a room ends alike on all of them.
room_three_machines_match() {
    start_relay
    # Three players; seat 1 Guest 1, seat 2 Guest 2, seat 3 the computer at Hard.
    host_script 3 "Right 1 2 2 3 3 3 3 3"
    guest_script guest1
    guest_script guest2
    machine host --seed 2024 --relay "$relay" --online
    local code
    code=$(room_code) || exit 1
    machine guest1 --relay "$relay" --online "$code"
    sleep 0.2
    machine guest2 --relay "$relay" --online "$code"
    finish
    grep -q '"mode": "EndOfMatch"' "$work/guest1.json" || fail "the match did not end"
    same_hash guest1 guest2
    same_game
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

"$case_name"
