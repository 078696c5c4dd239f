#!/usr/bin/env bash
# Runs whole network games between lobshot-headless machines on 127.0.0.1 and checks that every
# machine played the same game, and that it is the game its replay plays at one keyboard.
#
# Usage: lockstep_cases.sh RUNNER NET-TOOL WORK-DIR CASE   (CASE names a function below; exits 1,
# saying why, when the machines do not agree). Every run has a time limit.
set -u
runner=$1
tool=$2
work=$3/$4
case_name=$4
rm -rf "$work"
mkdir -p "$work"
export XDG_DATA_HOME=$work/data
# A port of this run's own, away from the ones the system hands out.
port=$((20000 + ($$ % 2000) * 4))
pids=()

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

# The runner of a machine started by `machine`.
runner_of() { pgrep -P "$(cat "$work/$1.pid")"; }

# The frame steps a machine run with --realtime has reached, as its last row says.
steps_of() { sed -n 's/^tick [0-9]*: \([0-9]*\) frame steps.*/\1/p' "$work/$1.out" | tail -1; }

# await_row NAME PATTERN: waits at most 60 s until the last row of a machine run with --realtime
# matches, as "WeaponShop$" (another's moment in the shop) or "Aiming, mine" (its own turn).
await_row() {
    local _
    for _ in $(seq 600); do
        grep '^tick' "$work/$1.out" 2>/dev/null | tail -1 | grep -qE "$2" && return
        sleep 0.1
    done
    fail "$1 never reached \"$2\""
}

# pause NAME SECONDS: stops a machine for a while, as a busy or suspended computer would be.
pause() {
    local pid
    pid=$(runner_of "$1")
    [ -n "$pid" ] || fail "$1 is not running"
    kill -STOP "$pid"
    sleep "$2"
    kill -CONT "$pid"
}

# level NAME: a machine that resumed three seconds ago is within half a second (25 frame steps)
# of the host.
level() {
    sleep 3
    local lag=$(($(steps_of host) - $(steps_of "$1")))
    [ "$lag" -le 25 ] || fail "$1 is still $lag frame steps behind the host three seconds after it resumed"
}

finish() {
    for pid in "${pids[@]}"; do wait "$pid"; done
    pids=()
    for s in "$work"/*.status; do
        [ "$(cat "$s")" = 0 ] || fail "$(basename "$s" .status) exited with status $(cat "$s")"
    done
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

# The same hash of the last turn's start on the machines named, which stopped in the same turn.
same_hash() {
    local first
    first=$(grep -o '"stateHash": [0-9]*' "$work/$1.json")
    for name in "$@"; do
        [ "$(grep -o '"stateHash": [0-9]*' "$work/$name.json")" = "$first" ] || fail "$name has another state hash"
    done
}

# A guest: shops for its seat, then fires whenever it is its turn, until the match ends; with
# "leave" it goes away once the match has begun.
guest_script() {
    {
        echo "until WeaponShop 200000"
        echo "until mine 200000"
        echo "press Down Down Down Down Down Down Enter"
        echo "until Aiming|EndOfMatch 200000"
        if [ "${2:-}" = leave ]; then
            echo "wait 30"
            return
        fi
        for _ in $(seq 60); do
            echo "until mine|EndOfMatch 200000"
            echo "press Space"
            echo "until ShotInProgress|EndOfMatch 1000"
            echo "until Aiming|EndOfMatch 200000"
        done
        echo "until EndOfMatch 200000"
        echo "wait 20"
    } >"$work/$1.script"
}

# The host's start: waits for the machines, sets the seats (key presses after "press") and starts
# the game, to the weapon shop.
host_start() {
    printf '%s\n' "until joined $1" "wait 5" "press Enter" "until PlayerChoice 20" "press $2" "wait 5" \
        "press Down Down Down Enter" "until WeaponShop 20"
}

# The host that watches a match, running on after it until the guests are done.
host_script() {
    { host_start "$1" "$2"; printf '%s\n' "until EndOfMatch 200000" "wait 300"; } >"$work/host.script"
}

# The guest's side of the first turn: it waits for its own moment in the shop and finishes there.
guest_shops_to_first_turn() {
    printf '%s\n' "until WeaponShop 20000" "until mine 20000" "press Down Down Down Down Down Down Enter" \
        "until Aiming 20000" "wait 5"
}

# Two machines to the first turn: the guest shops for its seat over the network. Each person has a
# name (the guest's with a direction override, which is left out) and says a line in the shop: both
# machines show both, and their replays keep them.
two_machines_first_turn() {
    { host_start 2 2; printf '%s\n' "say Good luck, Bob!" "press Down Down Down Down Down Down Enter" \
        "until Aiming 20000" "wait 5"; } >"$work/host.script"
    { echo "until WeaponShop 20000"; echo "wait 10"; echo "say   Thanks, Ann  "; guest_shops_to_first_turn; } \
        >"$work/guest1.script"
    machine host --seed 77 --host "$port" --name Ann
    sleep 0.2
    machine guest1 --join "127.0.0.1:$port" --name $'\u202eBob'
    finish
    cmp -s <(shared "$work/host.json") <(shared "$work/guest1.json") || fail "the machines' states differ"
    grep -q '"machine": 1' "$work/host.json" || fail "seat 2 is not the guest's"
    grep -q '"role": "join", "machine": 1, "machines": 2' "$work/guest1.json" || fail "the guest's net state is wrong"
    local people='"names": \["Ann", "Bob"\], "chat": \["Ann: Good luck, Bob!", "Bob: Thanks, Ann"\]'
    grep -q "$people" "$work/host.json" || fail "the host shows other names or lines"
    grep -q "$people" "$work/guest1.json" || fail "the guest shows other names or lines"
    grep -q '^[0-9]* name 1 Bob$' "$work/host.replay" || fail "the host's replay lacks the guest's name"
    [ "$(grep -cE '^[0-9]+ chat (0 Good luck, Bob!|1 Thanks, Ann)$' "$work/guest1.replay")" = 2 ] ||
        fail "the guest's replay lacks a line"
    same_game
}

# A guest joining a game already under way: it takes the host's game so far (here the keys that
# left the title) and plays on from where the host is, to the first turn.
guest_joins_after_keys() {
    printf '%s\n' "wait 5" "press Enter" "until PlayerChoice 20" "wait 5" "until joined 2" "wait 5" "press 2" \
        "wait 5" "press Down Down Down Enter" "until WeaponShop 20" "press Down Down Down Down Down Down Enter" \
        "until Aiming 20000" "wait 5" >"$work/host.script"
    guest_shops_to_first_turn >"$work/guest1.script"
    machine host --seed 78 --host "$port"
    sleep 0.5
    machine guest1 --join "127.0.0.1:$port"
    finish
    grep -q ' down 13$' "$work/guest1.replay" || fail "the guest's replay lacks the host's Enter"
    cmp -s <(shared "$work/host.json") <(shared "$work/guest1.json") || fail "the machines' states differ"
    same_game
}

# A guest that plays seat 1 through `matches` matches: it shops, then fires whenever it is its turn,
# `turns` times a match (12 unless given), a few turns more than the seed's matches take (a turn left
# over passes in three ticks once the match has ended, so the guest is done while the host still
# waits at the end).
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

# The host stops at a moment (after the script's lines before it) until one more machine joins:
# it marks the moment with a file that join_at waits for, then waits for the machine.
host_waits_for_joiner() {
    printf '%s\n' "materials $work/$1.pgm" "until joined $2"
}

# join_at MOMENT SCRIPT-LINES...: once the host has marked the moment, a machine joins and runs
# the lines given.
join_at() {
    local moment=$1
    shift
    printf '%s\n' "$@" >"$work/$moment.script"
    # A whole match may lie before the moment, slow under the sanitizers: the host's own time limit
    # bounds the wait, and a host that has stopped ends it at once.
    for _ in $(seq 4000); do
        [ -e "$work/$moment.pgm" ] || [ -e "$work/host.status" ] && break
        sleep 0.05
    done
    [ -e "$work/$moment.pgm" ] || fail "the host did not reach the moment $moment"
    machine "$moment" --join "127.0.0.1:$port"
}

# Machines joining a game under way at every kind of moment, one after another: at the player
# choice, in the weapon shop, while aiming, with a shot in flight, at the end of the match and in a
# later match. Guest 1 plays seat 1 against an Expert computer; the host watches. Every joiner takes
# the game so far from the host (with Guest 1's keys the host already holds) and ends, as the host
# does, 60 frames into the end of the second match, in the host's state.
guests_join_under_way() {
    {
        printf '%s\n' "until joined 2" "wait 5" "press Enter" "until PlayerChoice 20" "press 1 2 2 2 2 2 2" "wait 5"
        host_waits_for_joiner choice 3
        printf '%s\n' "wait 3" "press Down Down Down Enter" "until WeaponShop 20"
        host_waits_for_joiner shop 4
        echo "until Aiming 20000"
        host_waits_for_joiner aiming 5
        echo "until ShotInProgress 20000"
        host_waits_for_joiner shot 6
        echo "until EndOfMatch 20000"
        host_waits_for_joiner end 7
        printf '%s\n' "wait 60" "press Space" "until WeaponShop 200" "until Aiming 20000"
        host_waits_for_joiner later 8
        printf '%s\n' "until EndOfMatch 20000" "wait 60"
    } >"$work/host.script"
    guest_plays_matches 2 >"$work/guest1.script"
    local first_match=("until EndOfMatch 20000" "until WeaponShop 20000")
    local to_end=("until EndOfMatch 20000" "wait 60")
    machine host --seed 7 --host "$port"
    sleep 0.2
    machine guest1 --join "127.0.0.1:$port"
    join_at choice "until WeaponShop 20000" "${first_match[@]}" "${to_end[@]}"
    join_at shop "${first_match[@]}" "${to_end[@]}"
    join_at aiming "${first_match[@]}" "${to_end[@]}"
    join_at shot "${first_match[@]}" "${to_end[@]}"
    join_at end "until WeaponShop 20000" "${to_end[@]}"
    join_at later "${to_end[@]}"
    finish
    for joiner in choice shop aiming shot end later; do
        cmp -s <(shared_game "$work/host.json") <(shared_game "$work/$joiner.json") ||
            fail "the machine that joined at the moment '$joiner' is not in the host's state"
    done
    grep -q '"mode": "EndOfMatch"' "$work/host.json" || fail "the second match did not end"
    same_game
}

# A guest's process killed mid-match (kill -9) and started again, in two ways: `later`, once the
# host has noticed the loss, or `at_once`, before (its hello then reaches the host while the old
# connection still looks open, and the host closes that one for it). Guest 1 plays seat 1 against an
# Expert computer. The host holds the game in the computer's turn while Guest 1 is killed and a watcher
# joins. Later: when seat 1's turn comes the host waits for Guest 1's keys until it gives up on it,
# and the computer plays the seat; Guest 1, started again, comes back in the middle of the seat's
# turn. Either way the machine offers the token kept in its data folder, comes back as Guest 1 and
# its person plays the seat again: Guest 1 plays the match out and shops for the seat in the next
# one, and it and the watcher end in the host's state at that match's first turn.
rejoin_after_kill() {
    { host_start 2 "1 2 2 2 2 2 2"; printf '%s\n' "until ShotInProgress 20000" "until Aiming 20000"
      host_waits_for_joiner watcher 3
      printf '%s\n' "until ShotInProgress 20000" "until Aiming 20000" "wait 10" "until joined 3" \
        "until EndOfMatch 20000" "wait 60" "press Space" "until WeaponShop 200" "until Aiming 20000" "wait 5"
    } >"$work/host.script"
    # The first run shops and fires once; the second plays on.
    { guest_plays_matches 1 | sed -n 1,9p; echo "until EndOfMatch 200000"; } >"$work/guest1.first.script"
    { guest_plays_matches 1 | sed 1,5d; guest_plays_matches 1 | sed -n 1,4p; echo "until Aiming 20000"; echo "wait 5"; } \
        >"$work/guest1.script"
    machine host --seed 7 --host "$port"
    sleep 0.2
    (export XDG_DATA_HOME=$work/guest1.data
     exec "$runner" --join "127.0.0.1:$port" --script "$work/guest1.first.script" >"$work/guest1.first.out" \
         2>"$work/guest1.first.err") &
    local victim=$!
    for _ in $(seq 1200); do [ -e "$work/watcher.pgm" ] && break; sleep 0.05; done
    kill -9 "$victim"
    wait "$victim" 2>/dev/null
    if [ "$1" = at_once ]; then
        machine guest1 --join "127.0.0.1:$port"
        for _ in $(seq 400); do grep -q "Guest 1 joined the game again" "$work/host.out" && break; sleep 0.05; done
        grep -q "Guest 1 left (it joined again)" "$work/host.out" || fail "the host did not close the old connection"
    fi
    join_at watcher "until EndOfMatch 20000" "until WeaponShop 20000" "until Aiming 20000" "wait 5"
    if [ "$1" = later ]; then
        for _ in $(seq 1200); do grep -q "Guest 1 left" "$work/host.out" && break; sleep 0.05; done
        grep -q "Guest 1 left" "$work/host.out" || fail "the host did not notice the guest's loss"
        machine guest1 --join "127.0.0.1:$port"
    fi
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

guest_rejoins_after_kill() { rejoin_after_kill later; }
guest_comes_back_at_once() { rejoin_after_kill at_once; }

# Three machines, a whole match: two guests and a Hard computer, the host watching.
three_machines_match() {
    # Three players; seat 1 Guest 1, seat 2 Guest 2, seat 3 the computer at Hard.
    host_script 3 "Right 1 2 2 3 3 3 3 3 3"
    guest_script guest1
    guest_script guest2
    machine host --seed 2024 --host "$port"
    sleep 0.2
    machine guest1 --join "127.0.0.1:$port"
    sleep 0.2
    machine guest2 --join "127.0.0.1:$port"
    finish
    grep -q '"mode": "EndOfMatch"' "$work/guest1.json" || fail "the match did not end"
    same_hash guest1 guest2
    same_game
}

# Four machines through a faulty relay (loss, repeats, reordering, delays up to 200 ms), one guest
# leaving once the match has begun: the match ends alike everywhere, the computer playing the seat
# of the guest that left. The host watches: seat 1 is the computer's. (Machines are numbered in the
# order they join, which the system's timing decides, so any of the three may be the one that leaves.) The same match over a clean relay is timed beside it.
four_machines_faulty_relay() {
    local timings=""
    for link in "0 0 0 0" "0.10 0.05 0.10 200"; do
        rm -f "$work"/*.status "$work"/*.json "$work"/*.replay "$work/relay.port"
        # Four players: the computer at Hard, Guest 1, Guest 2 and Guest 3.
        host_script 4 "Right Right 1 1 1 1 1 1 1 2 3 3 4 4 4"
        guest_script guest1
        guest_script guest2
        guest_script guest3 leave
        exec 3> >(exec "$tool" relay "$port" $link 230 >"$work/relay.port" 2>"$work/relay.err")
        for _ in $(seq 50); do [ -s "$work/relay.port" ] && break; sleep 0.1; done
        local relay
        relay=$(cat "$work/relay.port")
        [ -n "$relay" ] || fail "the relay did not start"
        local start
        start=$(date +%s%N)
        machine host --seed 4242 --host "$port"
        sleep 0.2
        machine guest1 --join "127.0.0.1:$relay"
        sleep 0.2
        machine guest2 --join "127.0.0.1:$relay"
        sleep 0.2
        machine guest3 --join "127.0.0.1:$relay"
        finish
        exec 3>&-
        local ms=$((($(date +%s%N) - start) / 1000000))
        timings="$timings link [$link]: ${ms} ms; $(tail -1 "$work/relay.err")"$'\n'
        grep -q '"mode": "EndOfMatch"' "$work/guest1.json" || fail "the match did not end"
        grep -qE ' left [1-3]$' "$work/host.replay" || fail "the host did not see a guest leave"
        grep -q '"controller": "normal"' "$work/guest1.json" || fail "nobody took over the seat of the guest that left"
        same_hash guest1 guest2
        same_game
        port=$((port + 1))
    done
    printf '%s' "$timings"
}

# says NAME TEXT: the machine ended its network game showing TEXT, and gave it as its failure.
says() {
    tr -d '\r' <"$work/$1.out" | grep -qxF "Notice: $2" ||
        fail "$1 does not show \"$2\": $(grep '^Notice' "$work/$1.out" | tail -2)"
    grep -qxF "lobshot-headless: the network game failed: $2" "$work/$1.err" ||
        fail "$1 does not fail with \"$2\": $(tail -1 "$work/$1.err")"
}

# The host leaving ends the game for the guest at once, with a message and exit status 4.
host_leaves() {
    { host_start 2 2; echo "wait 10"; } >"$work/host.script"
    cat >"$work/guest1.script" <<'SCRIPT'
until Aiming 200000
SCRIPT
    machine host --seed 5 --host "$port"
    sleep 0.2
    local start
    start=$(date +%s)
    machine guest1 --join "127.0.0.1:$port"
    for pid in "${pids[@]}"; do wait "$pid"; done
    [ "$(cat "$work/host.status")" = 0 ] || fail "the host exited with status $(cat "$work/host.status")"
    [ "$(cat "$work/guest1.status")" = 4 ] || fail "the guest exited with status $(cat "$work/guest1.status"), not 4"
    says guest1 "The host left the game"
    [ $(($(date +%s) - start)) -lt 8 ] || fail "the guest took more than 8 s to notice"
    grep -q '"mode": "Title"' "$work/guest1.json" || fail "the guest is not back at the title"
}

# Seven connections that never say a word, and a flood of connections abandoned before and after
# the host answers them: a guest joins all the same, well before a join would time out.
guest_joins_through_a_flood() {
    printf '%s\n' "until joined 2" "state $work/host.joined.json" "wait 5" >"$work/host.script"
    printf '%s\n' "wait 5" >"$work/guest1.script"
    machine host --seed 9 --host "$port"
    sleep 0.2
    exec 3> >(exec "$tool" flood "$port" 7 60 >"$work/flood.out" 2>"$work/flood.err")
    for _ in $(seq 100); do grep -q flooding "$work/flood.out" 2>/dev/null && break; sleep 0.1; done
    grep -q flooding "$work/flood.out" || fail "the flood did not start"
    sleep 0.5
    local start
    start=$(date +%s%N)
    machine guest1 --join "127.0.0.1:$port"
    for _ in $(seq 200); do [ -s "$work/host.joined.json" ] && break; sleep 0.05; done
    local ms=$((($(date +%s%N) - start) / 1000000))
    finish
    exec 3>&-
    grep -q '"role": "host", "machine": 0, "machines": 2' "$work/host.joined.json" ||
        fail "the host did not see the guest join"
    grep -q '"role": "join", "machine": 1' "$work/guest1.json" || fail "the guest did not join"
    [ "$ms" -lt 4000 ] || fail "the guest took $ms ms to join"
    echo "joined through the flood in $ms ms; $(tail -1 "$work/flood.err")"
}

# A guest paused for 3 s and then for 12 s while the host shops, at the pace of the window's timer:
# each time it is level again within a few seconds, and the match goes on alike on both machines
# until the guest leaves after its first shot.
guest_falls_behind() {
    { host_start 2 2; printf '%s\n' "wait 1200" "press Down Down Down Down Down Down Enter" "until Aiming 20000" \
        "until mine 20000" "wait 100"; } >"$work/host.script"
    { guest_shops_to_first_turn; printf '%s\n' "until mine 20000" "press Space" "until ShotInProgress 100" \
        "until Aiming 20000" "wait 20"; } >"$work/guest1.script"
    machine host --seed 9 --host "$port" --realtime
    sleep 0.2
    machine guest1 --join "127.0.0.1:$port" --realtime
    await_row guest1 "WeaponShop$"
    sleep 1
    pause guest1 3
    level guest1
    pause guest1 12
    level guest1
    finish
    grep -q "Guest 1 left (it said goodbye)" "$work/host.out" || fail "the guest did not play on to its leaving"
    same_game
}

# Keys pressed by the hundred in one frame of a guest's turn: seventy Left and thirty Up, which one
# frame holds, and later 150 Right, which go on in the next frame. Every key reaches both machines,
# in order, the first burst in one frame as at one keyboard. The host stays on after the guest has
# finished, so that a guest slowed by a busy machine never hears it leave first.
guest_presses_many_keys() {
    { host_start 2 2; printf '%s\n' "press Down Down Down Down Down Down Enter" "until Aiming 20000" \
        "until mine 20000" "wait 200"; } >"$work/host.script"
    { guest_shops_to_first_turn; printf '%s\n' "until mine 20000" \
        "press $(printf 'Left %.0s' $(seq 70))$(printf 'Up %.0s' $(seq 30))" "wait 10" \
        "press $(printf 'Right %.0s' $(seq 150))" "wait 10" "press Space" "until ShotInProgress 100" \
        "until Aiming 20000" "wait 20"; } >"$work/guest1.script"
    machine host --seed 9 --host "$port"
    sleep 0.2
    machine guest1 --join "127.0.0.1:$port"
    finish
    burst_reached '3[78]' 1 "$(printf 'down 37 up 37 %.0s' $(seq 70); printf 'down 38 up 38 %.0s' $(seq 30))"
    burst_reached 39 2 "$(printf 'down 39 up 39 %.0s' $(seq 150))"
    same_game
}

# burst_reached CODES FRAMES EXPECTED: the key events of those codes in the host's replay and the
# guest's are EXPECTED ("down 37 up 37 ..."), in that many frames one after another.
burst_reached() {
    local codes=$1 frames=$2 expected=$3 name
    for name in host guest1; do
        local burst first last
        burst=$(grep -E "^[0-9]+ (down|up) $codes\$" "$work/$name.replay")
        first=$(head -1 <<<"$burst" | cut -d' ' -f1)
        last=$(tail -1 <<<"$burst" | cut -d' ' -f1)
        [ "$(cut -d' ' -f2- <<<"$burst" | tr '\n' ' ')" = "$expected" ] ||
            fail "$name has $(wc -l <<<"$burst") key events of codes $codes, not those pressed in order"
        [ $((last - first + 1)) = "$frames" ] || fail "$name's keys of codes $codes are not in $frames frames"
    done
}

# A host that runs a few hundredths of the time (resumed for 30 ms every 2 s for 100 s) while the
# guest aims at the window's pace: the guest waits for the host short of the frames the host takes
# from it rather than being dropped, and the match goes on alike. The host's short runs are timed by
# a read that times out, so that no process started meanwhile lengthens them.
slow_host_in_guest_turn() {
    { host_start 2 2; printf '%s\n' "press Down Down Down Down Down Down Enter" "until Aiming 20000" \
        "until mine 200000" "wait 20"; } >"$work/host.script"
    { guest_shops_to_first_turn; printf '%s\n' "until mine 20000" "wait 4500" "press Space" \
        "until ShotInProgress 100" "until Aiming 20000" "wait 20"; } >"$work/guest1.script"
    machine host --seed 9 --host "$port" --realtime
    sleep 0.2
    machine guest1 --join "127.0.0.1:$port" --realtime
    await_row guest1 "Aiming, mine"
    mkfifo "$work/never"
    exec 4<>"$work/never"
    local host_pid ahead=0 lead
    host_pid=$(runner_of host)
    for _ in $(seq 50); do
        kill -STOP "$host_pid"
        lead=$(($(steps_of guest1) - $(steps_of host)))
        [ "$lead" -gt "$ahead" ] && ahead=$lead
        sleep 1.97
        kill -CONT "$host_pid"
        read -rt 0.03 -u 4
    done
    exec 4<&-
    finish
    ! grep "Guest 1 left" "$work/host.out" | grep -qv "it said goodbye" || fail "the host dropped the guest"
    [ "$ahead" -gt 2000 ] || fail "the guest was only $ahead frames ahead of the host at most"
    same_game
    echo "the guest ran up to $ahead frames ahead of the host"
}

# A guest silent in its own turn for 12 s: the host hands its seat to the computer after 10 s, which
# fires, and the host plays on to its own turn; the guest, resumed, finds itself dropped and ends its
# network game, saying that the host dropped it.
guest_silent_in_its_turn() {
    { host_start 2 2; printf '%s\n' "press Down Down Down Down Down Down Enter" "until Aiming 20000" \
        "until mine 20000" "until ShotInProgress 3000" "until Aiming 20000" "wait 20"; } >"$work/host.script"
    { guest_shops_to_first_turn; echo "wait 1000"; } >"$work/guest1.script"
    machine host --seed 9 --host "$port"
    sleep 0.2
    machine guest1 --join "127.0.0.1:$port" --realtime
    await_row guest1 "Aiming, mine"
    pause guest1 12
    for pid in "${pids[@]}"; do wait "$pid"; done
    [ "$(cat "$work/host.status")" = 0 ] || fail "the host exited with status $(cat "$work/host.status")"
    [ "$(cat "$work/guest1.status")" = 4 ] || fail "the guest exited with status $(cat "$work/guest1.status"), not 4"
    grep -q "Guest 1 left (timed out): the computer plays for it" "$work/host.out" || fail "the host did not drop the guest"
    says guest1 "The host dropped this machine (it was silent too long)"
    grep -q '"controller": "normal"' "$work/host.json" || fail "the computer did not take the guest's seat"
    grep -q '"mode": "Aiming"' "$work/host.json" && grep -q '"current": 0' "$work/host.json" ||
        fail "the host's game did not go on to its own turn"
}

# The host leaving in the guest's own turn, saying goodbye and then killed: the guest, which holds
# every frame of its own turn, still ends its game with status 4 within a few seconds, saying which.
host_leaves_in_guest_turn() {
    local how
    for how in goodbye killed; do
        rm -f "$work"/*.status "$work"/*.out
        { host_start 2 2; printf '%s\n' "press Down Down Down Down Down Down Enter" "until Aiming 20000" "wait 50"; } \
            >"$work/host.script"
        [ "$how" = killed ] && echo "wait 100000" >>"$work/host.script"
        { guest_shops_to_first_turn; echo "wait 1000"; } >"$work/guest1.script"
        machine host --seed 9 --host "$port"
        sleep 0.2
        machine guest1 --join "127.0.0.1:$port" --realtime
        await_row guest1 "Aiming, mine"
        [ "$how" = killed ] && kill -KILL "$(runner_of host)"
        local start
        start=$(date +%s)
        for pid in "${pids[@]}"; do wait "$pid"; done
        pids=()
        [ "$(cat "$work/guest1.status")" = 4 ] ||
            fail "$how: the guest exited with status $(cat "$work/guest1.status"), not 4"
        if [ "$how" = killed ]; then says guest1 "The host stopped answering"; else says guest1 "The host left the game"; fi
        [ $(($(date +%s) - start)) -lt 8 ] || fail "$how: the guest took more than 8 s to notice"
        grep -q '"mode": "Title"' "$work/guest1.json" || fail "$how: the guest is not back at the title"
        port=$((port + 1))
    done
}

# Sourced by a script of other cases (LOCKSTEP_LIBRARY set), this file only lends its helpers.
[ -n "${LOCKSTEP_LIBRARY:-}" ] || "$case_name"
