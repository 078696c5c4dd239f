#!/bin/sh
# Runs lobshot-headless with a bad replay or command line in one case and checks its exit status,
# its message and that it wrote nothing it should not.
#
# Usage: replay_cases.sh RUNNER WORK-DIR CASE   (CASE names one of the functions below; exits 1,
# saying why, when the runner does not behave)
set -u
runner=$1
work=$2/$3
case_name=$3
scenarios=$(cd "$(dirname "$0")/../scenarios" && pwd)
rm -rf "$work"
mkdir -p "$work"

fail() {
    echo "$case_name: $*" >&2
    echo "--- standard error:" >&2
    cat "$work/err" >&2
    exit 1
}

# run STATUS ARGS...: runs the runner, which must exit with STATUS.
run() {
    want=$1
    shift
    "$runner" "$@" >"$work/out" 2>"$work/err" </dev/null
    got=$?
    [ "$got" = "$want" ] || fail "exit status $got, expected $want"
}

says() {
    grep -qF -- "$1" "$work/err" || fail "no \"$1\" on standard error"
}

no_state() {
    [ ! -e "$work/state.json" ] || fail "a state was written for a replay that did not run"
}

# A good replay to damage: the title, a wait, the player choice.
record() {
    printf 'wait 2\npress Enter\nwait 3\n' >"$work/script"
    "$runner" --seed 5 --script "$work/script" --record "$work/good" >/dev/null 2>&1 ||
        fail "cannot record a replay"
}

garbage() {
    head -c 3000 "$runner" >"$work/bad"
    run 2 --replay "$work/bad" --state "$work/state.json"
    says "bad: line 1:"
    no_state
}

truncated() {
    record
    head -c -6 "$work/good" >"$work/bad"
    run 2 --replay "$work/bad" --state "$work/state.json"
    says "the file ends before its end line"
    no_state
}

other_version() {
    record
    sed 's/^game .*/game 0.0.1/' "$work/good" >"$work/bad"
    run 2 --replay "$work/bad" --state "$work/state.json"
    says "line 2: a replay of Lobshot 0.0.1, but this is Lobshot"
    no_state
}

# Short replays claiming runs longer than any game are refused at once, not played for hours: one
# that goes on for billions of frame steps after its keys, one with a key every 1,000,000 steps
# (each gap shorter than a quiet spell may be) and one with a key near step 2^31.
endless() {
    record
    grep -v '^end ' "$work/good" >"$work/keys"
    for damage in "end 2147483647" \
        "1000000 down 32|2000000 down 32|3000000 down 32|4000000 down 32|5000000 down 32|end 5000000" \
        "2147480000 down 32|end 2147480000"; do
        { cat "$work/keys"; echo "$damage" | tr '|' '\n'; } >"$work/bad"
        timeout 60 "$runner" --replay "$work/bad" --state "$work/state.json" >"$work/out" 2>"$work/err" </dev/null
        got=$?
        [ "$got" = 2 ] || fail "$damage: exit status $got, expected 2 (124: still playing after a minute)"
        case $damage in
            end*) says "frame steps after its last event; a replay goes on at most" ;;
            *) says "a replay runs at most 4320000 (a day)" ;;
        esac
        no_state
    done
}

other_format() {
    record
    sed "s/^lobshot-replay 2$/lobshot-replay 7/" "$work/good" >"$work/bad"
    run 2 --replay "$work/bad"
    says "a replay of format 7"
}

empty() {
    : >"$work/bad"
    run 2 --replay "$work/bad"
    says "the file ends before its end line"
}

missing() {
    run 2 --replay "$work/none"
    says "cannot read"
}

folder() {
    run 2 --replay "$work"
    says "is a folder"
}

with_seed() {
    record
    run 2 --replay "$work/good" --seed 5
    says "it takes neither --seed nor --script"
}

with_script() {
    record
    run 2 --script "$work/script" --replay "$work/good"
    says "it takes neither --seed nor --script"
}

record_device_full() {
    run 1 --seed 5 --frames 3 --record /dev/full
    says "cannot write /dev/full"
}

# A replay recorded again with frames after it: the same keys, a longer run, and it still plays.
record_replayed() {
    record
    run 0 --replay "$work/good" --frames 7 --record "$work/again"
    grep -v '^end ' "$work/good" >"$work/good.keys"
    grep -v '^end ' "$work/again" >"$work/again.keys"
    cmp -s "$work/good.keys" "$work/again.keys" || fail "the keys changed when recorded again"
    good_end=$(sed -n 's/^end //p' "$work/good")
    again_end=$(sed -n 's/^end //p' "$work/again")
    [ "$again_end" = $((good_end + 7)) ] || fail "end $again_end, expected $((good_end + 7))"
    run 0 --replay "$work/again"
}

"$case_name"
echo "$case_name: ok"
