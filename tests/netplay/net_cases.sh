#!/usr/bin/env bash
# Runs whole network games between lobshot-headless machines on 127.0.0.1, over ENet or meeting in
# an online room through a real relay (a Mosquitto broker with the project's configuration), and
# checks that every machine played the same game, and that it is the game its replay plays at one
# keyboard.
#
# Usage: net_cases.sh RUNNER WORK-DIR CASE   (CASE names a function below; exits 1, saying
# why, when the machines do not agree). Every run and every wait has a time limit.
set -u
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
runner=$1
work=$2/$3
case_name=$3
rm -rf "$work"
mkdir -p "$work"
export XDG_DATA_HOME=$work/data
# The machines' notices, which the cases look for, in English whatever the machine's language.
export LC_ALL=C.UTF-8
# A port of this run's own, away from the ones the system hands out.
port=$((20000 + ($$ % 2000) * 4))
pids=()
relay_pid=""
trap '[ -n "$relay_pid" ] && kill "$relay_pid" 2>/dev/null' EXIT

fail() {
    echo "$case_name: $*" >&2
    for f in "$work"/*.err; do
        [ -s "$f" ] && { echo "--- $(basename "$f"):" >&2; tail -5 "$f" >&2; }
    done
    exit 1
}

# machine NAME ARGS...: starts a runner in the background, with a data folder of its own as on a
# machine of its own; its status goes to NAME.status, its trace rows to NAME.out as they come, and
# the process id of the time limit that runs it to NAME.pid.
machine() {
    local name=$1
    shift
    (export XDG_DATA_HOME=$work/$name.data
     timeout 240 stdbuf -oL "$runner" "$@" --script "$work/$name.script" --state "$work/$name.json" \
        --record "$work/$name.replay" >"$work/$name.out" 2>"$work/$name.err" &
     echo $! >"$work/$name.pid"
     wait $!
     echo $? >"$work/$name.status") &
    pids+=($!)
}

finish() {
    for pid in "${pids[@]}"; do wait "$pid"; done
    pids=()
    for s in "$work"/*.status; do
        [ "$(cat "$s")" = 0 ] || fail "$(basename "$s" .status) exited with status $(cat "$s")"
    done
}

# await_line NAME TEXT: waits at most 30 s for a line of a machine's output holding TEXT.
await_line() {
    local _
    for _ in $(seq 300); do grep -qF "$2" "$work/$1.out" 2>/dev/null && return; sleep 0.1; done
    fail "$1 never said \"$2\""
}

# The state without this machine's own view of the network.
shared() { grep -v '"net":' "$1"; }

# The same for a machine that joined under way, without the sounds started: it played the game so
# far back within a tick of the clock, so its effects found their voices busy where the host's did
# not. The sounds looping are compared still.
shared_game() { shared "$1" | sed 's/"played": \[[^]]*\]//'; }

# A replay's lines before frame step c, without its end line and its remarks (names and chat lines,
# which each machine keeps as it hears them).
keys_before='$1 ~ /^[0-9]+$/ && ($1 >= c || $2 == "name" || $2 == "chat") {next} /^end/ {next} {print}'

# Every machine's game is the one its replay plays at one keyboard, and every machine's replay
# agrees with the host's up to the shorter one's end.
same_game() {
    local host_end
    host_end=$(sed -n 's/^end //p' "$work/host.replay")
    for r in "$work"/*.replay; do
        local name
        name=$(basename "$r" .replay)
        "$runner" --replay "$r" --state "$work/$name.local.json" >/dev/null 2>"$work/$name.local.err" ||
            fail "$name's replay does not play"
        local compared=shared
        grep -q "Caught up at frame step" "$work/$name.out" && compared=shared_game
        cmp -s <($compared "$work/$name.json") <($compared "$work/$name.local.json") ||
            fail "$name's game differs from its replay played at one keyboard"
        local end common
        end=$(sed -n 's/^end //p' "$r")
        common=$((end < host_end ? end : host_end))
        cmp -s <(awk -v c="$common" "$keys_before" "$r") <(awk -v c="$common" "$keys_before" "$work/host.replay") ||
            fail "$name's replay differs from the host's"
    done
}

# The host's start: waits for the machines, sets the seats (key presses after "press") and starts
# the game, to the weapon shop.
host_start() {
    printf '%s\n' "until joined $1" "wait 5" "press Enter" "until PlayerChoice 20" "press $2" "wait 5" \
        "press Down Down Down Enter" "until WeaponShop 20"
}

# Two machines to the first turn: the guest shops for its seat over the network. Each person has a
# name (the guest's with a direction override, which is left out) and says a line in the shop: both
# machines show both, and their replays keep them. The guest's line reaches it back from the host,
# ahead of the host's stamps on their one ordered channel; the guest's seat shops first, so the guest
# runs the host's shop after it and cannot end before its line is back, however slow the machines.
two_machines_first_turn() {
    shop="press Down Down Down Down Down Down Enter"
    { host_start 2 1; printf '%s\n' "say Good luck, Bob!" "wait 5" "until mine 20000" "$shop" "until Aiming 20000" "wait 5"
    } >"$work/host.script"
    printf '%s\n' "until mine 20000" "wait 10" "say   Thanks, Ann  " "$shop" "until Aiming 20000" "wait 5" \
        >"$work/guest1.script"
    machine host --seed 77 --host "$port" --name Ann
    sleep 0.2
    machine guest1 --join "127.0.0.1:$port" --name $'\u202eBob'
    finish
    cmp -s <(shared "$work/host.json") <(shared "$work/guest1.json") || fail "the machines' states differ"
    grep -q '"machine": 1' "$work/host.json" || fail "seat 1 is not the guest's"
    grep -q '"role": "join", "machine": 1, "machines": 2' "$work/guest1.json" || fail "the guest's net state is wrong"
    local people='"names": \["Ann", "Bob"\], "chat": \["Ann: Good luck, Bob!", "Bob: Thanks, Ann"\]'
    grep -q "$people" "$work/host.json" || fail "the host shows other names or lines"
    grep -q "$people" "$work/guest1.json" || fail "the guest shows other names or lines"
    grep -q '^[0-9]* name 1 Bob$' "$work/host.replay" || fail "the host's replay lacks the guest's name"
    [ "$(grep -cE '^[0-9]+ chat (0 Good luck, Bob!|1 Thanks, Ann)$' "$work/guest1.replay")" = 2 ] ||
        fail "the guest's replay lacks a line"
    same_game
}

# guest_plays_matches MATCHES [TURNS]: a guest's script for MATCHES matches: it shops, then fires
# whenever it is its turn, TURNS times a match (12 unless given), a few more than the matches take (a
# turn left over passes in three ticks once the match has ended).
guest_plays_matches() {
    for _ in $(seq "$1"); do
        printf '%s\n' "until WeaponShop 200000" "until mine 200000" "wait 10" \
            "press Down Down Down Down Down Down Enter" "until Aiming|EndOfMatch 200000"
        for _ in $(seq "${2:-12}"); do
            printf '%s\n' "until mine|EndOfMatch 200000" "press Space" "until ShotInProgress|EndOfMatch 1000" \
                "until Aiming|EndOfMatch 200000"
        done
    done
}

# A guest's process killed mid-match (kill -9) and started again once the host has noticed the
# loss. Guest 1 plays seat 1 against an Expert computer. The host holds the game in the computer's
# turn while Guest 1 is killed and a watcher joins; when seat 1's turn comes the host waits for Guest
# 1's keys until it gives up on it, and the computer plays the seat. Guest 1, started again, offers
# the token kept in its data folder, comes back as Guest 1 in the middle of the seat's turn and its
# person plays the seat again: it plays the match out and shops for the seat in the next one, and it
# and the watcher end in the host's state at that match's first turn.
guest_rejoins_after_kill() {
    # The host marks the moment for the watcher with a file, and waits for it.
    { host_start 2 "1 2 2 2 2 2 2"; printf '%s\n' "until ShotInProgress 20000" "until Aiming 20000" \
        "materials $work/watcher.pgm" "until joined 3" "until ShotInProgress 20000" "until Aiming 20000" \
        "wait 10" "until joined 3" "until EndOfMatch 20000" "wait 60" "press Space" "until WeaponShop 200" \
        "until Aiming 20000" "wait 5"
    } >"$work/host.script"
    # The first run shops and fires once; the second plays on.
    { guest_plays_matches 1 | sed -n 1,9p; echo "until EndOfMatch 200000"; } >"$work/guest1.first.script"
    { guest_plays_matches 1 30 | sed 1,5d; guest_plays_matches 1 | sed -n 1,4p; echo "until Aiming 20000"; echo "wait 5"; } \
        >"$work/guest1.script"
    machine host --seed 7 --host "$port"
    sleep 0.2
    (export XDG_DATA_HOME=$work/guest1.data
     exec "$runner" --join "127.0.0.1:$port" --script "$work/guest1.first.script" >"$work/guest1.first.out" \
         2>"$work/guest1.first.err") &
    local victim=$!
    # A whole match may lie before the moment, slow under the sanitizers; a host that stopped ends it.
    for _ in $(seq 4000); do [ -e "$work/watcher.pgm" ] || [ -e "$work/host.status" ] && break; sleep 0.05; done
    [ -e "$work/watcher.pgm" ] || fail "the host did not reach the moment for the watcher"
    kill -9 "$victim"
    wait "$victim" 2>/dev/null
    printf '%s\n' "until EndOfMatch 20000" "until WeaponShop 20000" "until Aiming 20000" "wait 5" >"$work/watcher.script"
    machine watcher --join "127.0.0.1:$port"
    await_line host "Guest 1 left"
    machine guest1 --join "127.0.0.1:$port"
    finish
    grep -q "Guest 1 joined the game again" "$work/host.out" || fail "the guest did not come back as Guest 1"
    [ "$(grep -cE '^[0-9]+ (joined|left) 1$' "$work/host.replay")" = 3 ] ||
        fail "the host's replay lacks Guest 1 joining, leaving and joining again"
    grep -q '"controller": "human", "machine": 1' "$work/host.json" || fail "seat 1 is not the guest's again"
    grep -q '"role": "join", "machine": 1' "$work/guest1.json" || fail "the guest is not Guest 1"
    for name in guest1 watcher; do
        cmp -s <(shared_game "$work/host.json") <(shared_game "$work/$name.json") ||
            fail "$name is not in the host's state"
    done
    same_game
}

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

# room_code [ROW]: the code the host's first ROW row gives ("Room code" unless named; "Watch code"),
# waiting for it at most 10 s.
room_code() {
    local _ code row=${1:-Room code}
    for _ in $(seq 100); do
        code=$(sed -n "s/^$row: \\([2-9A-Z]\\{8\\}\\)\$/\\1/p" "$work/host.out" 2>/dev/null | head -1)
        [ -n "$code" ] && { echo "$code"; return; }
        sleep 0.1
    done
    fail "the host never said its ${row,}"
}

# refused NAME PATTERN ARGS...: a machine that must end with status 4 within 20 s (124: it did not),
# saying PATTERN.
refused() {
    local name=$1 pattern=$2
    shift 2
    echo "wait 10" >"$work/$name.script"
    timeout 20 "$runner" "$@" --script "$work/$name.script" >"$work/$name.out" 2>"$work/$name.err"
    local status=$?
    [ "$status" = 4 ] || fail "$name: exit status $status, not 4"
    grep -qE "$pattern" "$work/$name.err" || fail "$name: no \"$pattern\" on standard error"
}

# A match through a room while two spectators watch by the watch code, one from the start and one
# joining under way: each ends where the host ends, in its state, and every replay is the host's.
# The host said each code once, the guest found the room by its code as a player might type it
# (small letters, split by a hyphen), and the host counted the first spectator apart from its two
# machines. The room's code does not let a machine watch, nor the watch code one play.
room_spectators_watch_match() {
    start_relay
    # Seat 1 Guest 1, seat 2 a computer.
    { printf '%s\n' "until joined 2" "state $work/host.start.json"; host_start 2 "1 2 2 2 2 2" | tail -n +2
      printf '%s\n' "until EndOfMatch 200000" "wait 300"; } >"$work/host.script"
    { guest_plays_matches 1 60; printf '%s\n' "until EndOfMatch 200000" "wait 20"; } >"$work/guest1.script"
    printf '%s\n' "until EndOfMatch 200000" "wait 300" | tee "$work/watch1.script" >"$work/watch2.script"
    machine host --seed 2024 --relay "$relay" --online
    local code watching
    code=$(room_code) || exit 1
    watching=$(room_code "Watch code") || exit 1
    [ "$code" != "$watching" ] || fail "the watch code is the room's code"
    refused watch_by_room_code "watch by its watch code" --relay "$relay" --watch "$code"
    refused play_by_watch_code "play by the room's code" --relay "$relay" --online "$watching"
    machine watch1 --relay "$relay" --watch "$watching"
    await_line host "1 watching"
    machine guest1 --relay "$relay" --online "$(echo "${code:0:4}-${code:4}" | tr '[:upper:]' '[:lower:]')"
    # The second comes once the match is under way, while Guest 1 is stopped until it has caught up
    # (so that the match, run at full speed, cannot end before it is in).
    await_line host "Guest 1 joined"
    sleep 0.3
    local guest
    guest=$(pgrep -P "$(cat "$work/guest1.pid")")
    [ -n "$guest" ] || fail "guest1 is not running"
    kill -STOP "$guest"
    machine watch2 --relay "$relay" --watch "$watching"
    await_line watch2 "Caught up at frame step"
    kill -CONT "$guest"
    finish
    grep -q '"mode": "EndOfMatch"' "$work/guest1.json" || fail "the match did not end"
    [ "$(grep -c '^Room code: ' "$work/host.out")" = 1 ] || fail "the host did not say its code exactly once"
    [ "$(grep -A1 '^Room code: ' "$work/host.out" | grep -c '^Watch code: ')" = 1 ] ||
        fail "the host did not say its watch code once, after its room's code"
    grep -q '"role": "host", "machine": 0, "machines": 2, .*"watchers": 1,' "$work/host.start.json" ||
        fail "the host did not count the spectator apart: $(grep '"net"' "$work/host.start.json")"
    # Each spectator ended where the host did, in its state, as a spectator (machine -1; of two
    # machines, or one if the game has heard the guest leave by then).
    for name in watch1 watch2; do
        cmp -s <(shared_game "$work/host.json") <(shared_game "$work/$name.json") || fail "$name's state is not the host's"
        grep -qE '"role": "watch", "machine": -1, "machines": [12], .*"watchers": 0,' "$work/$name.json" ||
            fail "$name's net state is wrong: $(grep '"net"' "$work/$name.json")"
    done
    # The same hash of the last turn's start on every machine, which all stopped in the same turn.
    for name in guest1 watch1 watch2; do
        [ "$(grep -o '"stateHash": [0-9]*' "$work/$name.json")" = "$(grep -o '"stateHash": [0-9]*' "$work/host.json")" ] ||
            fail "$name has another state hash"
    done
    same_game
}

"$case_name"
