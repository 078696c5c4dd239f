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

# watch NAME CODE ARGS...: a spectator of the room; its script ends where the guest's does.
watch() {
    local name=$1 code=$2
    shift 2
    machine "$name" --relay "$relay" --watch "$code" "$@"
}

# spectator_sees NAME PLAYER: the spectator ended where the player did, in the player's state, as a
# spectator (machine -1 of two machines).
spectator_sees() {
    cmp -s <(shared_game "$work/$2.json") <(shared_game "$work/$1.json") || fail "$1's state is not $2's"
    grep -q '"role": "watch", "machine": -1, "machines": 2, ' "$work/$1.json" || fail "$1's net state is wrong"
}

# A match through a room while two spectators watch, one from the start and one joining under way:
# each ends where the host ends, in its state, and every replay is the host's. The host counted the
# first spectator apart from its two machines.
room_spectators_watch_match() {
    start_relay
    # Seat 1 Guest 1, seat 2 a computer.
    { printf '%s\n' "until joined 2" "state $work/host.start.json"; host_start 2 "1 2 2 2 2" | tail -n +2
      printf '%s\n' "until EndOfMatch 200000" "wait 300"; } >"$work/host.script"
    guest_script guest1
    printf '%s\n' "until EndOfMatch 200000" "wait 300" | tee "$work/watch1.script" >"$work/watch2.script"
    machine host --seed 2024 --relay "$relay" --online
    local code
    code=$(room_code) || exit 1
    watch watch1 "$code"
    sleep 1
    machine guest1 --relay "$relay" --online "$code"
    # The second comes once the match is under way.
    sleep 2
    watch watch2 "$code"
    finish
    grep -q '"mode": "EndOfMatch"' "$work/guest1.json" || fail "the match did not end"
    grep -q '"role": "host", "machine": 0, "machines": 2, .*"watchers": 1}' "$work/host.start.json" ||
        fail "the host did not count the spectator apart: $(grep '"net"' "$work/host.start.json")"
    spectator_sees watch1 host
    spectator_sees watch2 host
    same_hash host guest1 watch1 watch2
    same_game
}

# paced_players SUFFIX TICKS: scripts for a host and a guest (hostSUFFIX, guest1SUFFIX) whose ticks
# come at the window's pace, to the first turn (seat 2's, the guest's) and TICKS beyond it; the host
# stays a second longer, so that the guest is done first. A spectator's script to the guest's end
# goes to watch.script.
paced_players() {
    printf '%s\n' "until joined 2" "wait 5" "press Enter" "until PlayerChoice 20" "press 2" "wait 5" \
        "press Down Down Down Enter" "until WeaponShop 20" "press Down Down Down Down Down Down Enter" \
        "until Aiming 20000" "wait $(($2 + 50))" >"$work/host$1.script"
    printf '%s\n' "until WeaponShop 20000" "until mine 20000" "press Down Down Down Down Down Down Enter" \
        "until Aiming 20000" "wait $2" >"$work/guest1$1.script"
    printf '%s\n' "until Aiming 20000" "wait $2" >"$work/watch.script"
}

# paced_guest SUFFIX CODE: runs the guest of paced_players to its end, and sets played_ms to its
# wall time: the players' pace, as the host holds every frame until the guest's keys are there.
paced_guest() {
    local start
    start=$(date +%s%N)
    machine "guest1$1" --relay "$relay" --online "$2" --realtime
    wait "${pids[-1]}"
    played_ms=$((($(date +%s%N) - start) / 1000000))
}

# paced_alone TICKS: the players of paced_players without spectators, for their pace (alone_ms).
paced_alone() {
    paced_players .alone "$1"
    machine host.alone --seed 99 --relay "$relay" --online --realtime
    local code
    code=$(room_code host.alone) || exit 1
    paced_guest .alone "$code"
    alone_ms=$played_ms
}

# same_pace WATCHED_MS: the players' pace with spectators is the pace without (alone_ms), within a
# tenth and a second; and their game is the same, replay and all.
same_pace() {
    [ "$1" -le $((alone_ms * 11 / 10 + 1000)) ] ||
        fail "the players took $1 ms with spectators, $alone_ms ms without"
    cmp -s "$work/host.alone.replay" "$work/host.watched.replay" || fail "the host's replay changed with spectators"
    cmp -s <(shared "$work/guest1.alone.json") <(shared "$work/guest1.watched.json") ||
        fail "the guest's game changed with spectators"
}

# Fifty spectators watch one room at the window's pace, a few seconds behind the players: the
# players keep the pace they have alone, and every spectator ends in the guest's state.
room_fifty_spectators() {
    start_relay
    paced_alone 150
    paced_players .watched 150
    machine host.watched --seed 99 --relay "$relay" --online --realtime
    local code i
    code=$(room_code host.watched) || exit 1
    for i in $(seq 50); do
        cp "$work/watch.script" "$work/watch$i.script"
        watch "watch$i" "$code" --realtime
        # A few at a time, as people arrive: the host's door takes only so many at once.
        [ $((i % 5)) = 0 ] && sleep 0.3
    done
    sleep 1
    paced_guest .watched "$code"
    finish
    echo "players: $alone_ms ms alone, $played_ms ms with 50 spectators"
    same_pace "$played_ms"
    grep -q '"watchers": 50}' "$work/host.watched.json" || fail "the host did not count 50 spectators"
    for i in $(seq 50); do spectator_sees "watch$i" guest1.watched; done
}

# A spectator stopped for four seconds (SIGSTOP) does not hold the players up; it falls behind,
# catches up once it runs again, and ends in the guest's state.
room_spectator_paused() {
    start_relay
    paced_alone 400
    paced_players .watched 400
    machine host.watched --seed 99 --relay "$relay" --online --realtime
    local code
    code=$(room_code host.watched) || exit 1
    mv "$work/watch.script" "$work/watcher.script"
    watch watcher "$code"
    sleep 1
    local start
    start=$(date +%s%N)
    machine guest1.watched --relay "$relay" --online "$code" --realtime
    local guest=${pids[-1]}
    sleep 1.5
    pause watcher 4
    wait "$guest"
    played_ms=$((($(date +%s%N) - start) / 1000000))
    finish
    echo "players: $alone_ms ms alone, $played_ms ms with a spectator stopped for 4 s"
    same_pace "$played_ms"
    spectator_sees watcher guest1.watched
}

"$case_name"
