#!/usr/bin/env bash
# Runs whole network games in online rooms: lobshot-headless machines meet through a real relay (a
# Mosquitto broker with the project's configuration on 127.0.0.1) by the host's room code, and
# every machine must play the same game; and the ways a machine fails to get into a room.
#
# Usage: room_cases.sh RUNNER WORK-DIR CASE [WATCH-TOOL]   (CASE names a function below; exits 1,
# saying why, when the machines do not behave; WATCH-TOOL is lobshot-watch-tool, for light
# spectators). Every run and every wait has a time limit.
set -u
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck disable=SC2034  # read by lockstep_cases.sh
LOCKSTEP_LIBRARY=1
# shellcheck source-path=SCRIPTDIR source=lockstep_cases.sh
source "$(dirname "$0")/lockstep_cases.sh" "$1" none "$2" "$3"

watch_tool=${4:-}
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
    grep -q "\"role\": \"host\", \"machine\": 0, .*\"room\": \"$code\", \"watchers\": 0," \
        "$work/host.json" || fail "the host's net state is wrong"
    grep -q "\"role\": \"join\", \"machine\": 1, \"machines\": 2, .*\"room\": \"$code\", \"watchers\": 0," \
        "$work/guest1.json" || fail "the guest's net state is wrong"
    same_game
}

# A whole match of three machines through a room ends alike on all of them.
room_three_machines_match() {
    start_relay
    # Three players; seat 1 Guest 1, seat 2 Guest 2, seat 3 the computer at Hard.
    host_script 3 "Right 1 2 2 3 3 3 3 3 3"
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

# A whole match of four machines through a room: three guests and a Hard computer, the host
# watching; it ends alike on all of them.
room_four_machines_match() {
    start_relay
    # Four players: the computer at Hard, Guest 1, Guest 2 and Guest 3.
    host_script 4 "Right Right 1 1 1 1 1 1 1 2 3 3 4 4 4"
    local name
    for name in guest1 guest2 guest3; do guest_script "$name"; done
    machine host --seed 4242 --relay "$relay" --online
    local code
    code=$(room_code) || exit 1
    for name in guest1 guest2 guest3; do
        machine "$name" --relay "$relay" --online "$code"
        sleep 0.2
    done
    finish
    grep -q '"mode": "EndOfMatch"' "$work/guest1.json" || fail "the match did not end"
    grep -q "Guest 3 joined the game" "$work/host.out" || fail "the third guest did not join"
    # (Guests say goodbye once their scripts end, which may be before the host's does.)
    grep -E "Guest [1-3] left" "$work/host.out" | grep -qv "it said goodbye" && fail "a guest was lost"
    same_hash guest1 guest2 guest3
    same_game
}

# A guest's process killed mid-match (kill -9) and started again with the room's code: the broker
# tells the host at once that it vanished, and the computer plays its seat meanwhile; the machine
# offers the token kept in its data folder, comes back as Guest 1 and plays the match out, ending
# in the host's state. Guest 1 plays seat 1 against an Expert computer, firing every turn of its
# own; the host watches.
room_guest_rejoins_after_kill() {
    start_relay
    { host_start 2 "1 2 2 2 2 2 2"; printf '%s\n' "until ShotInProgress 20000" "until Aiming 20000" \
        "materials $work/killed.pgm" "until ShotInProgress 20000" "until Aiming 20000" "wait 10" "until joined 2" \
        "until EndOfMatch 20000" "wait 300"; } >"$work/host.script"
    # The first run shops and fires once; the second plays the match out.
    { guest_plays_matches 1 | sed -n 1,9p; echo "until EndOfMatch 200000"; } >"$work/guest1.first.script"
    { guest_plays_matches 1 60 | sed 1,5d; printf '%s\n' "until EndOfMatch 200000" "wait 20"; } >"$work/guest1.script"
    machine host --seed 7 --relay "$relay" --online
    local code
    code=$(room_code) || exit 1
    (export XDG_DATA_HOME=$work/guest1.data
     exec "$runner" --relay "$relay" --online "$code" --script "$work/guest1.first.script" \
         >"$work/guest1.first.out" 2>"$work/guest1.first.err") &
    local victim=$!
    for _ in $(seq 1200); do [ -e "$work/killed.pgm" ] || [ -e "$work/host.status" ] && break; sleep 0.05; done
    [ -e "$work/killed.pgm" ] || fail "the host did not reach the moment of the kill"
    kill -9 "$victim"
    wait "$victim" 2>/dev/null
    for _ in $(seq 200); do grep -q "Guest 1 left" "$work/host.out" && break; sleep 0.05; done
    grep -q "Guest 1 left" "$work/host.out" || fail "the host did not notice the guest's loss within 10 s"
    machine guest1 --relay "$relay" --online "$code"
    finish
    grep -q "Guest 1 joined the game again" "$work/host.out" || fail "the guest did not come back as Guest 1"
    # (Guest 1 says goodbye once its script ends, which may be before the host's does.)
    [ "$(grep -oE '^[0-9]+ (joined|left) 1$' "$work/host.replay" | cut -d' ' -f2 | head -3 | tr '\n' ' ')" = \
        "joined left joined " ] || fail "the host's replay lacks Guest 1 joining, leaving and joining again"
    grep -q '"controller": "human", "machine": 1' "$work/guest1.json" || fail "seat 1 is not the guest's again"
    grep -q '"role": "join", "machine": 1' "$work/guest1.json" || fail "the guest is not Guest 1"
    grep -q '"mode": "EndOfMatch"' "$work/guest1.json" || fail "the match did not end"
    same_hash host guest1
    same_game
}

# A guest stopped (SIGSTOP) for 15 s and resumed: neither the broker nor either end gives up on it,
# it catches up, and the match ends alike on it and the host. Guest 1 and Guest 2 play against a
# Hard computer, the host watching; Guest 2, at the pace of the window's timer, holds its moment in
# the shop for 20 s, and Guest 1 is stopped meanwhile; Guest 2 leaves after shopping, so that the
# rest of the match runs at full speed. The host gives up on a machine silent for 20 s.
room_guest_stopped() {
    start_relay
    host_script 3 "Right 1 2 2 3 3 3 3 3 3"
    guest_script guest1
    printf '%s\n' "until WeaponShop 200000" "until mine 200000" "wait 1000" "press Down Down Down Down Down Down Enter" \
        "until Aiming|EndOfMatch 200000" "wait 20" >"$work/guest2.script"
    machine host --seed 2024 --relay "$relay" --online
    local code
    code=$(room_code) || exit 1
    machine guest1 --relay "$relay" --online "$code"
    sleep 0.2
    machine guest2 --relay "$relay" --online "$code" --realtime
    await_row guest2 "WeaponShop, mine"
    sleep 1
    pause guest1 15
    finish
    # (Guest 1 says goodbye once its script ends, which may be before the host's does.)
    grep "Guest 1 left" "$work/host.out" | grep -qv "it said goodbye" && fail "the host gave up on Guest 1"
    grep -q "Guest 2 left (it said goodbye)" "$work/host.out" || fail "Guest 2 did not play on to its leaving"
    grep -q '"mode": "EndOfMatch"' "$work/guest1.json" || fail "the match did not end"
    same_hash host guest1
    same_game
}

# A guest whose person thinks for 30 s in its own turn, pressing nothing, at the pace of the
# window's timer: its machine goes on stamping, so the host keeps waiting for the person and never
# drops the machine; the guest then fires and the match goes on to the host's turn. The host runs
# at the window's pace too, so that it stays on until the guest has finished (its seat is then the
# computer's on the host: the guest's own state says whose it was).
room_guest_idle_in_its_turn() {
    start_relay
    { host_start 2 2; printf '%s\n' "press Down Down Down Down Down Down Enter" "until Aiming 20000" \
        "until mine 200000" "wait 300"; } >"$work/host.script"
    { guest_shops_to_first_turn; printf '%s\n' "until mine 20000" "wait 1500" "press Space" \
        "until ShotInProgress 100" "until Aiming 20000" "wait 20"; } >"$work/guest1.script"
    machine host --seed 9 --relay "$relay" --online --realtime
    local code
    code=$(room_code) || exit 1
    machine guest1 --relay "$relay" --online "$code" --realtime
    finish
    grep "Guest 1 left" "$work/host.out" | grep -qv "it said goodbye" && fail "the host dropped the thinking guest"
    grep -q '"controller": "human", "machine": 1' "$work/guest1.json" || fail "the guest's seat is not its own"
    same_game
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
    grep -qE '"role": "watch", "machine": -1, "machines": [12], .*"watchers": 0,' "$work/$1.json" ||
        fail "$1's net state is wrong: $(grep '"net"' "$work/$1.json")"
}

# A match through a room while two spectators watch, one from the start and one joining under way:
# each ends where the host ends, in its state, and every replay is the host's. The host counted the
# first spectator apart from its two machines.
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
    machine guest1 --relay "$relay" --online "$code"
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
    grep -q '"role": "host", "machine": 0, "machines": 2, .*"watchers": 1,' "$work/host.start.json" ||
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

# timed_machine NAME ARGS...: as `machine`, but each row it writes also goes to NAME.times after the
# wall time it came at, in microseconds.
timed_machine() {
    local name=$1
    shift
    (export XDG_DATA_HOME=$work/$name.data
     timeout 240 stdbuf -oL "$runner" "$@" --script "$work/$name.script" --state "$work/$name.json" \
        --record "$work/$name.replay" 2>"$work/$name.err" |
        while IFS= read -r row; do
            echo "$row" >>"$work/$name.out"
            echo "${EPOCHREALTIME/./} $row" >>"$work/$name.times"
        done
     echo "${PIPESTATUS[0]}" >"$work/$name.status") &
    pids+=($!)
}

# played_ms NAME: the wall time from a machine's first row of ticks to its last (it runs with
# --realtime and timed_machine); for the players, their pace, as each holds every frame until the
# other's keys are there.
played_ms() { awk '$2 == "tick" { if (!first) first = $1; last = $1 } END { print int((last - first) / 1000) }' \
    "$work/$1.times"; }

# paced_alone TICKS: the players of paced_players without spectators, for their pace.
paced_alone() {
    paced_players .alone "$1"
    timed_machine host.alone --seed 99 --relay "$relay" --online --realtime
    local code
    code=$(room_code host.alone) || exit 1
    timed_machine guest1.alone --relay "$relay" --online "$code" --realtime
    finish
}

# same_pace: with spectators, the players' frame steps took the wall time they took without, within
# a sixth and half a second (the spectators that run the game share the cores); and their game is
# the same, replay and all.
same_pace() {
    local name alone watched
    for name in host guest1; do
        alone=$(played_ms "$name.alone")
        watched=$(played_ms "$name.watched")
        echo "$name: $alone ms alone, $watched ms with spectators"
        if [ -z "$alone" ] || [ -z "$watched" ] || [ "$watched" -gt $((alone * 7 / 6 + 500)) ]; then
            fail "$name took ${watched:-?} ms with spectators, ${alone:-?} ms without"
        fi
    done
    # The host's replays agree up to the shorter one's end (a host at the window's pace may run a
    # step or two more in its last ticks).
    local end_alone end_watched common
    end_alone=$(sed -n 's/^end //p' "$work/host.alone.replay")
    end_watched=$(sed -n 's/^end //p' "$work/host.watched.replay")
    common=$((end_alone < end_watched ? end_alone : end_watched))
    [ "$common" -ge 200 ] || fail "the host ran only $common frame steps"
    cmp -s <(awk -v c="$common" '$1 ~ /^[0-9]+$/ && $1 >= c {next} /^end/ {next} {print}' "$work/host.alone.replay") \
        <(awk -v c="$common" '$1 ~ /^[0-9]+$/ && $1 >= c {next} /^end/ {next} {print}' "$work/host.watched.replay") ||
        fail "the host's replay changed with spectators"
    cmp -s <(shared "$work/guest1.alone.json") <(shared "$work/guest1.watched.json") ||
        fail "the guest's game changed with spectators"
}

# await_output NAME PATTERN: waits at most 20 s for a row of NAME's output matching PATTERN.
await_output() {
    local _
    for _ in $(seq 200); do
        grep -qE "$2" "$work/$1.out" 2>/dev/null && return
        sleep 0.1
    done
    fail "$1 never wrote \"$2\""
}

# Fifty spectators watch one room: the players keep the pace they have alone, and every spectator
# follows the whole game. Two run the game: one at the window's pace, keeping its lead of some 125
# frames, and one at a script's pace, a step a tick, which ends where the guest ends and in its
# state. The other 48 are light spectators in one process (lobshot-watch-tool): real spectators'
# links that keep what the host sends without running the game, since fifty games would take both
# cores from the players; every one of them must hold the same stamps, to the host's last frame.
room_fifty_spectators() {
    [ -x "$watch_tool" ] || fail "no watch tool"
    start_relay
    paced_alone 150
    paced_players .watched 150
    timed_machine host.watched --seed 99 --relay "$relay" --online --realtime
    local code
    code=$(room_code host.watched) || exit 1
    cp "$work/watch.script" "$work/paced.script"
    cp "$work/watch.script" "$work/stepped.script"
    watch paced "$code" --realtime
    watch stepped "$code"
    (timeout 120 "$watch_tool" "$relay" "$code" 48 60 >"$work/light.out" 2>"$work/light.err"
     echo $? >"$work/light.status") &
    pids+=($!)
    await_output host.watched "; 50 watching"
    timed_machine guest1.watched --relay "$relay" --online "$code" --realtime
    wait "${pids[-1]}"
    local lag=$(($(steps_of host.watched) - $(steps_of paced)))
    finish
    same_pace
    # The one at a script's pace has gone by the time the host ends.
    grep -q '"machines": 1, .*"watchers": 49,' "$work/host.watched.json" ||
        fail "the host did not count 49 spectators at its end: $(grep '"net"' "$work/host.watched.json")"
    spectator_sees stepped guest1.watched
    echo "the paced spectator was $lag frames behind the host as the guest finished"
    if [ "$lag" -lt 90 ] || [ "$lag" -gt 200 ]; then fail "the paced spectator was $lag frames behind the host"; fi
    same_hash guest1.watched paced stepped
    # The light ones: all welcomed to watch and let go by the host, with the same stamps, through the
    # host's last frame and the few stamped beyond it.
    local host_frame rows
    host_frame=$(sed -n 's/^  "frame": \([0-9]*\),$/\1/p' "$work/host.watched.json")
    rows=$(grep -c "^spectator [0-9]*: welcomed 1, through [0-9]*, stamps [0-9a-f]*, ended left$" "$work/light.out")
    [ "$rows" = 48 ] || fail "$rows of 48 light spectators watched to the end: $(head -3 "$work/light.out")"
    [ "$(sed 's/^spectator [0-9]*: //' "$work/light.out" | sort -u | wc -l)" = 1 ] ||
        fail "the light spectators hold different stamps: $(sed 's/^spectator [0-9]*: //' "$work/light.out" | sort | uniq -c)"
    local through
    through=$(sed -n '1s/.*through \([0-9]*\),.*/\1/p' "$work/light.out")
    [ "$through" -ge "$host_frame" ] || fail "the light spectators hold stamps through $through, the host ran $host_frame"
}

# A spectator stopped for four seconds (SIGSTOP) does not hold the players up; it falls behind,
# catches up once it runs again, and ends in the guest's state.
room_spectator_paused() {
    start_relay
    paced_alone 400
    paced_players .watched 400
    timed_machine host.watched --seed 99 --relay "$relay" --online --realtime
    local code
    code=$(room_code host.watched) || exit 1
    mv "$work/watch.script" "$work/watcher.script"
    watch watcher "$code"
    sleep 1
    timed_machine guest1.watched --relay "$relay" --online "$code" --realtime
    sleep 1.5
    pause watcher 4
    finish
    same_pace
    spectator_sees watcher guest1.watched
}

"$case_name"
