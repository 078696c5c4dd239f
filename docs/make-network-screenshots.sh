#!/usr/bin/env bash
# Makes the network game's pictures again: the waiting room and the room card of an online room, a
# host and two guests (one of them joining late) and a spectator meeting through a relay on this
# machine (run from the top of a build; needs the relay's broker, as scripts/relay.sh says).
set -euo pipefail
cd "$(dirname "$0")/.."
run=$PWD/build/lobshot-headless
work=$(mktemp -d)
port=$((28000 + $$ % 1000 * 2))
timeout 120 scripts/relay.sh "$port" >"$work/relay.log" 2>&1 &
relay=$!
trap 'kill "$relay" 2>/dev/null; rm -rf "$work"' EXIT
sleep 1
printf '%s\n' "until joined 3" "wait 200" "screenshot $work/waiting_room.png" "press Enter" \
    "until PlayerChoice 20" "press Down Down Down Enter" "until WeaponShop 20" \
    "press Down Down Down Down Down Down Enter" "wait 2" "press Down Down Down Down Down Down Enter" \
    "until Aiming 200" "wait 30" "press F4" "wait 10" "screenshot $work/room_card.png" >"$work/host.script"
printf '%s\n' "until Aiming 20000" "wait 60" >"$work/guest.script"
# machine NAME ARGS...: a runner of its own, with a data folder of its own.
machine() {
    local name=$1
    shift
    XDG_DATA_HOME=$work/$name timeout 100 "$run" --relay "127.0.0.1:$port" --realtime "$@" \
        >"$work/$name.out" 2>&1 || true
}
machine host --seed 5 --online --page https://example.org/lobshot/ --name Ann --script "$work/host.script" &
pids=($!)
code=""
for _ in $(seq 50); do
    code=$(sed -n 's/^Room code: \(.*\)$/\1/p' "$work/host.out" 2>/dev/null | head -1)
    [ -n "$code" ] && break
    sleep 0.2
done
machine guest1 --online "$code" --name Bob --script "$work/guest.script" &
pids+=($!)
machine spectator --watch "$code" --name Spy --script "$work/guest.script" &
pids+=($!)
sleep 1
machine guest2 --online "$code" --name Cy --script "$work/guest.script" &
pids+=($!)
wait "${pids[@]}"
cmake --build build --target scale_shot >/dev/null
for name in waiting_room room_card; do
    build/tools/docshots/scale_shot "$work/$name.png" 4 "docs/screenshots/$name.png"
done
