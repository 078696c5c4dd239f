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

# A good replay as Lobshot 0.1 wrote it (format 2): only its head differs.
as_format_2() {
    sed 's/^lobshot-replay 3$/lobshot-replay 2/; s/^rules 1$/game 0.1/' "$work/good" >"$work/old"
}

other_version() {
    record
    as_format_2
    sed 's/^game .*/game 0.0.1/' "$work/old" >"$work/bad"
    run 2 --replay "$work/bad" --state "$work/state.json"
    says "line 2: a replay of Lobshot 0.0.1, which this game cannot play"
    no_state
}

other_rules() {
    record
    sed 's/^rules .*/rules 4000000000/' "$work/good" >"$work/bad"
    run 2 --replay "$work/bad" --state "$work/state.json"
    says "line 2: made by the rules of version 4000000000, but this game has version"
    no_state
}

# People's replays of Lobshot 0.1 still play, to the state the same keys reach today.
old_people() {
    record
    as_format_2
    "$runner" --replay "$work/good" --state "$work/new.json" >/dev/null 2>&1 || fail "the new replay does not play"
    run 0 --replay "$work/old" --state "$work/state.json"
    cmp -s "$work/new.json" "$work/state.json" || fail "the old replay ends elsewhere than the new one"
}

# Lobshot 0.1's computers are refused, named in the head or chosen as it plays (the file made then
# sets two Hard computers at the player choice): never played differently.
old_computer_seat() {
    record
    as_format_2
    sed 's/^controllers human human/controllers human expert/' "$work/old" >"$work/bad"
    run 2 --replay "$work/bad" --state "$work/state.json"
    says "line 6: made by Lobshot 0.1, whose computer players cannot be played again"
    no_state
}

old_computers_chosen() {
    run 2 --replay "$(dirname "$0")/computers/chosen_in_0.1.lobshot-replay" --state "$work/state.json" \
        --record "$work/again"
    says "the replay stops at frame step 15: made by Lobshot 0.1, whose computer players cannot be played again"
    no_state
    [ ! -e "$work/again" ] && [ ! -e "$work/again.partial" ] || fail "a refused replay was recorded"
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
    sed "s/^lobshot-replay 3$/lobshot-replay 7/" "$work/good" >"$work/bad"
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
